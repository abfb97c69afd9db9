"""Dataset streams and dataset lists (docs/dataset-stream.md), written
independently of the client so each side checks the other.

A table in JSON form:
  {"fields": [[name, type, size, scale, required], ...], "rows": [[...], ...]}
type is a name (String, SmallInt, Integer, LargeInt, Float, Bcd, Boolean,
Date, Time, DateTime, Blob, Memo). Values: null; text; numbers; Bcd as a
decimal text; Date "YYYY-MM-DD"; Time "HH:MM:SS.mmm"; DateTime
"YYYY-MM-DD HH:MM:SS.mmm"; Blob as {"b64": "..."}.

Command line: `encode` reads [[name, table], ...] and writes the dataset
list; `decode` does the reverse. Errors go to stderr with exit status 1.
"""
import base64
import datetime
import decimal
import json
import struct
import sys
import zlib

TYPES = ["", "String", "SmallInt", "Integer", "LargeInt", "Float", "Bcd",
         "Boolean", "Date", "Time", "DateTime", "Blob", "Memo"]
EPOCH = datetime.date(1970, 1, 1)
MAX_CELLS = 1 << 25
MAX_INFLATED = 1 << 30


class StreamError(Exception):
    pass


def _text(s):
    b = s.encode("utf-8")
    return struct.pack("<I", len(b)) + b


def _days(text):
    return (datetime.date.fromisoformat(text) - EPOCH).days


def _millis(text):
    t = datetime.time.fromisoformat(text)
    return ((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + t.microsecond // 1000


def encode_table(table):
    fields = table["fields"]
    out = bytearray(b"DSET" + struct.pack("<HI", 1, len(fields)))
    for f in fields:
        name, typ = f[0], f[1]
        size = f[2] if len(f) > 2 else 0
        scale = f[3] if len(f) > 3 else 0
        req = 1 if len(f) > 4 and f[4] else 0
        out += _text(name) + struct.pack("<BiiB", TYPES.index(typ), size, scale, req)
    rows = table.get("rows", [])
    out += struct.pack("<I", len(rows))
    for row in rows:
        bits = bytearray((len(fields) + 7) // 8)
        vals = bytearray()
        for i, f in enumerate(fields):
            v = row[i] if i < len(row) else None
            if v is None:
                bits[i // 8] |= 1 << (i % 8)
                continue
            typ, scale = f[1], (f[3] if len(f) > 3 else 0)
            if typ in ("String", "Memo"):
                vals += _text(v)
            elif typ == "SmallInt":
                vals += struct.pack("<h", v)
            elif typ == "Integer":
                vals += struct.pack("<i", v)
            elif typ == "LargeInt":
                vals += struct.pack("<q", v)
            elif typ == "Float":
                vals += struct.pack("<d", v)
            elif typ == "Bcd":
                q = decimal.Decimal(str(v)).scaleb(scale).quantize(
                    decimal.Decimal(1), rounding=decimal.ROUND_HALF_UP)
                vals += struct.pack("<q", int(q))
            elif typ == "Boolean":
                vals += struct.pack("<B", 1 if v else 0)
            elif typ == "Date":
                vals += struct.pack("<i", _days(v))
            elif typ == "Time":
                vals += struct.pack("<i", _millis(v))
            elif typ == "DateTime":
                d, t = v.split(" ") if " " in v else (v, "00:00:00")
                vals += struct.pack("<ii", _days(d), _millis(t))
            elif typ == "Blob":
                b = base64.b64decode(v["b64"])
                vals += struct.pack("<I", len(b)) + b
            else:
                raise StreamError("unknown type " + typ)
        out += bits + vals
    return bytes(out)


class _Reader:
    def __init__(self, data):
        self.data, self.pos = data, 0

    def take(self, n):
        if n < 0 or n > len(self.data) - self.pos:
            raise StreamError("truncated stream")
        b = self.data[self.pos:self.pos + n]
        self.pos += n
        return b

    def unpack(self, fmt):
        return struct.unpack(fmt, self.take(struct.calcsize(fmt)))

    def text(self):
        (n,) = self.unpack("<I")
        try:
            return self.take(n).decode("utf-8")
        except UnicodeDecodeError:
            raise StreamError("invalid UTF-8")


def _date_text(days):
    return (EPOCH + datetime.timedelta(days=days)).isoformat()


def _time_text(ms):
    if not 0 <= ms < 86400000:
        raise StreamError("time out of range")
    s, m = divmod(ms, 1000)
    return "%02d:%02d:%02d.%03d" % (s // 3600, s // 60 % 60, s % 60, m)


def decode_table(data):
    r = _Reader(data)
    if r.take(4) != b"DSET":
        raise StreamError("wrong magic")
    (version,) = r.unpack("<H")
    if version != 1:
        raise StreamError("unsupported version")
    (nfields,) = r.unpack("<I")
    if nfields > len(data):
        raise StreamError("field count too large")
    fields = []
    for _ in range(nfields):
        name = r.text()
        code, size, scale, flags = r.unpack("<BiiB")
        if not 1 <= code <= 12:
            raise StreamError("unknown type code")
        if flags & ~1 or size < 0 or not 0 <= scale <= 18:
            raise StreamError("bad field description")
        fields.append([name, TYPES[code], size, scale, bool(flags & 1)])
    (nrows,) = r.unpack("<I")
    if nrows > len(data) - r.pos or nrows * max(nfields, 1) > MAX_CELLS:
        raise StreamError("row count too large")
    if nrows and not nfields:
        raise StreamError("rows without fields")
    rows = []
    nbytes = (nfields + 7) // 8
    for _ in range(nrows):
        bits = r.take(nbytes)
        if nfields % 8 and bits and bits[-1] >> (nfields % 8):
            raise StreamError("stray null bits")
        row = []
        for i, f in enumerate(fields):
            if bits[i // 8] >> (i % 8) & 1:
                row.append(None)
                continue
            typ, scale = f[1], f[3]
            if typ in ("String", "Memo"):
                row.append(r.text())
            elif typ == "SmallInt":
                row.append(r.unpack("<h")[0])
            elif typ == "Integer":
                row.append(r.unpack("<i")[0])
            elif typ == "LargeInt":
                row.append(r.unpack("<q")[0])
            elif typ == "Float":
                row.append(r.unpack("<d")[0])
            elif typ == "Bcd":
                row.append(str(decimal.Decimal(r.unpack("<q")[0]).scaleb(-scale)))
            elif typ == "Boolean":
                (b,) = r.unpack("<B")
                if b > 1:
                    raise StreamError("bad boolean")
                row.append(b == 1)
            elif typ == "Date":
                row.append(_date_text(r.unpack("<i")[0]))
            elif typ == "Time":
                row.append(_time_text(r.unpack("<i")[0]))
            elif typ == "DateTime":
                d, t = r.unpack("<ii")
                row.append(_date_text(d) + " " + _time_text(t))
            elif typ == "Blob":
                (n,) = r.unpack("<I")
                row.append({"b64": base64.b64encode(r.take(n)).decode("ascii")})
        rows.append(row)
    if r.pos != len(data):
        raise StreamError("bytes after the last row")
    return {"fields": fields, "rows": rows}


def encode_list_pairs(pairs):
    """[[name, table], ...] -> JSON text of the dataset list, order kept."""
    members = []
    for name, table in pairs:
        value = base64.b64encode(zlib.compress(encode_table(table))).decode("ascii")
        members.append(json.dumps(name) + ":" + json.dumps(value))
    return "{" + ",".join(members) + "}"


def decode_list_pairs(pairs):
    """[(name, value), ...] as parsed with object_pairs_hook -> [[name, table]]."""
    out = []
    for name, value in pairs:
        if not isinstance(value, str):
            raise StreamError("member is not a string")
        try:
            raw = base64.b64decode(value, validate=True)
        except Exception:
            raise StreamError("not Base64")
        d = zlib.decompressobj()
        try:
            data = d.decompress(raw, MAX_INFLATED)
        except zlib.error:
            raise StreamError("not a zlib stream")
        if not d.eof or d.unused_data or d.unconsumed_tail:
            raise StreamError("incomplete zlib stream")
        out.append([name, decode_table(data)])
    return out


def decode_list_text(text):
    pairs = json.loads(text, object_pairs_hook=lambda p: p)
    if not text.lstrip().startswith("{") or not isinstance(pairs, list):
        raise StreamError("not a JSON object")
    return decode_list_pairs(pairs)


def main():
    try:
        data = sys.stdin.read()
        if sys.argv[1] == "encode":
            sys.stdout.write(encode_list_pairs(json.loads(data)))
        else:
            sys.stdout.write(json.dumps(decode_list_text(data)))
    except (StreamError, ValueError, KeyError, struct.error) as e:
        sys.stderr.write("error: %s\n" % e)
        sys.exit(1)


if __name__ == "__main__":
    main()
