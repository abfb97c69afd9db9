#include "platform/DataSetStream.h"

#include "platform/net/Base64.h"
#include "platform/net/ZlibCodec.h"

#include <QStringDecoder>
#include <QtEndian>

#include <nlohmann/json.hpp>

#include <bit>
#include <cmath>
#include <limits>

DataSetStreamError::DataSetStreamError(const QString &message)
    : std::runtime_error(message.toStdString())
    , m_message(message)
{
}

namespace {

constexpr char kMagic[4] = {'D', 'S', 'E', 'T'};
constexpr quint16 kVersion = 1;
constexpr int kMaxScale = 18;
// name length, type, size, scale, flags
constexpr qint64 kMinFieldBytes = 4 + 1 + 4 + 4 + 1;
constexpr quint8 kFlagRequired = 0x01;
constexpr qint64 kUnixEpochJulianDay = 2440588; // 1970-01-01
constexpr qint64 kMsPerDay = 86400000;

enum TypeCode : quint8 {
    CodeString = 1,
    CodeSmallInt = 2,
    CodeInteger = 3,
    CodeLargeInt = 4,
    CodeFloat = 5,
    CodeBcd = 6,
    CodeBoolean = 7,
    CodeDate = 8,
    CodeTime = 9,
    CodeDateTime = 10,
    CodeBlob = 11,
    CodeMemo = 12,
};

bool typeToCode(FieldType t, quint8 &code)
{
    switch (t) {
    case FieldType::String: code = CodeString; return true;
    case FieldType::SmallInt: code = CodeSmallInt; return true;
    case FieldType::Integer: code = CodeInteger; return true;
    case FieldType::LargeInt: code = CodeLargeInt; return true;
    case FieldType::Float: code = CodeFloat; return true;
    case FieldType::Bcd: code = CodeBcd; return true;
    case FieldType::Boolean: code = CodeBoolean; return true;
    case FieldType::Date: code = CodeDate; return true;
    case FieldType::Time: code = CodeTime; return true;
    case FieldType::DateTime: code = CodeDateTime; return true;
    case FieldType::Blob: code = CodeBlob; return true;
    case FieldType::Memo: code = CodeMemo; return true;
    case FieldType::Unknown: break;
    }
    return false;
}

bool codeToType(quint8 code, FieldType &t)
{
    switch (code) {
    case CodeString: t = FieldType::String; return true;
    case CodeSmallInt: t = FieldType::SmallInt; return true;
    case CodeInteger: t = FieldType::Integer; return true;
    case CodeLargeInt: t = FieldType::LargeInt; return true;
    case CodeFloat: t = FieldType::Float; return true;
    case CodeBcd: t = FieldType::Bcd; return true;
    case CodeBoolean: t = FieldType::Boolean; return true;
    case CodeDate: t = FieldType::Date; return true;
    case CodeTime: t = FieldType::Time; return true;
    case CodeDateTime: t = FieldType::DateTime; return true;
    case CodeBlob: t = FieldType::Blob; return true;
    case CodeMemo: t = FieldType::Memo; return true;
    default: return false;
    }
}

qint64 pow10(int n)
{
    qint64 p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

[[noreturn]] void fail(const QString &message) { throw DataSetStreamError(message); }

// ---------------------------------------------------------------- writing

class Writer {
public:
    template <typename T>
    void put(T v)
    {
        char bytes[sizeof(T)];
        qToLittleEndian(v, bytes);
        m_out.append(bytes, sizeof(T));
    }
    void putDouble(double v) { put(std::bit_cast<quint64>(v)); }
    void putRaw(const char *p, qsizetype n) { m_out.append(p, n); }
    void putBytes(const QByteArray &b, const QString &what)
    {
        if (b.size() > qsizetype(std::numeric_limits<quint32>::max()))
            fail(QStringLiteral("%1 is too large to store").arg(what));
        put(quint32(b.size()));
        m_out.append(b);
    }
    qsizetype size() const { return m_out.size(); }
    char &at(qsizetype i) { return m_out[i]; }
    void appendZeros(qsizetype n) { m_out.append(n, '\0'); }
    QByteArray take() { return std::move(m_out); }

private:
    QByteArray m_out;
};

[[noreturn]] void badValue(const QVariant &v, const FieldDef &f)
{
    fail(QStringLiteral("Value '%1' does not fit field '%2' (%3)")
             .arg(v.toString(), f.name, fieldTypeName(f.type)));
}

qint64 integerValue(const QVariant &v, const FieldDef &f, qint64 lo, qint64 hi)
{
    bool ok = false;
    qint64 i = 0;
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
        const double d = v.toDouble();
        // a fraction in an integer field is an error, not a rounding
        ok = std::isfinite(d) && std::fabs(d) < 9.2e18 && std::trunc(d) == d;
        if (ok)
            i = qint64(d);
    } else if (v.typeId() == QMetaType::QString) {
        i = v.toString().trimmed().toLongLong(&ok);
    } else {
        i = v.toLongLong(&ok);
    }
    if (!ok || i < lo || i > hi)
        badValue(v, f);
    return i;
}

qint64 bcdMantissa(const QVariant &v, const FieldDef &f)
{
    const qint64 factor = pow10(f.scale);
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short: {
        // Whole numbers stay exact instead of passing through a double.
        qint64 m = 0;
        if (__builtin_mul_overflow(v.toLongLong(), factor, &m))
            badValue(v, f);
        return m;
    }
    default: {
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (!ok || !std::isfinite(d) || std::fabs(d) * double(factor) >= 9.3e18)
            badValue(v, f);
        // The exact decimal digits of the double: multiplying by the factor
        // would round away digits above 2^53.
        QByteArray digits = QByteArray::number(d, 'f', f.scale);
        digits.replace('.', QByteArray());
        const qint64 m = digits.toLongLong(&ok);
        if (!ok)
            badValue(v, f);
        return m;
    }
    }
}

double bcdValue(qint64 mantissa, int scale)
{
    // Below 2^53 both operands are exact, so the quotient is the double
    // nearest the decimal; above it the decimal text gives that instead.
    constexpr qint64 exactLimit = qint64(1) << 53;
    if (mantissa > -exactLimit && mantissa < exactLimit)
        return double(mantissa) / double(pow10(scale));
    QByteArray digits = QByteArray::number(mantissa);
    const bool negative = digits.startsWith('-');
    if (negative)
        digits.remove(0, 1);
    if (digits.size() <= scale)
        digits.prepend(QByteArray(scale + 1 - digits.size(), '0'));
    digits.insert(digits.size() - scale, '.');
    if (negative)
        digits.prepend('-');
    return digits.toDouble();
}

qint32 daysOf(const QDate &d, const QVariant &v, const FieldDef &f)
{
    const qint64 days = d.toJulianDay() - kUnixEpochJulianDay;
    if (days < std::numeric_limits<qint32>::min() || days > std::numeric_limits<qint32>::max())
        badValue(v, f);
    return qint32(days);
}

// Writes one value; false when it is stored as null (invalid dates and times).
bool writeValue(Writer &w, const FieldDef &f, const QVariant &v)
{
    switch (f.type) {
    case FieldType::String:
    case FieldType::Memo:
        w.putBytes(coerceToFieldType(v, f.type).toString().toUtf8(),
            QStringLiteral("Text of field '%1'").arg(f.name));
        return true;
    case FieldType::Blob:
        w.putBytes(coerceToFieldType(v, f.type).toByteArray(),
            QStringLiteral("Blob of field '%1'").arg(f.name));
        return true;
    case FieldType::SmallInt:
        w.put(qint16(integerValue(v, f, std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max())));
        return true;
    case FieldType::Integer:
        w.put(qint32(integerValue(v, f, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max())));
        return true;
    case FieldType::LargeInt:
        w.put(integerValue(v, f, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max()));
        return true;
    case FieldType::Float: {
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (!ok)
            badValue(v, f);
        w.putDouble(d);
        return true;
    }
    case FieldType::Bcd:
        w.put(bcdMantissa(v, f));
        return true;
    case FieldType::Boolean:
        w.put(quint8(v.toBool() ? 1 : 0));
        return true;
    case FieldType::Date: {
        const QDate d = coerceToFieldType(v, f.type).toDate();
        if (!d.isValid())
            return false;
        w.put(daysOf(d, v, f));
        return true;
    }
    case FieldType::Time: {
        const QTime t = coerceToFieldType(v, f.type).toTime();
        if (!t.isValid())
            return false;
        w.put(qint32(t.msecsSinceStartOfDay()));
        return true;
    }
    case FieldType::DateTime: {
        // Wall-clock date and time, no zone: what the database holds.
        const QDateTime dt = coerceToFieldType(v, f.type).toDateTime();
        if (!dt.isValid())
            return false;
        w.put(daysOf(dt.date(), v, f));
        w.put(qint32(dt.time().msecsSinceStartOfDay()));
        return true;
    }
    case FieldType::Unknown:
        break;
    }
    badValue(v, f);
}

void checkFieldDef(const FieldDef &f)
{
    if (f.size < 0)
        fail(QStringLiteral("Field '%1' has a negative size").arg(f.name));
    if (f.scale < 0 || f.scale > kMaxScale)
        fail(QStringLiteral("Field '%1' has scale %2 outside 0..%3").arg(f.name).arg(f.scale).arg(kMaxScale));
}

// ---------------------------------------------------------------- reading

class Reader {
public:
    explicit Reader(const QByteArray &b)
        : m_p(b.constData())
        , m_end(b.constData() + b.size())
    {
    }
    qint64 remaining() const { return m_end - m_p; }
    void need(qint64 n, const char *what) const
    {
        if (n > remaining())
            fail(QStringLiteral("Dataset stream is truncated (%1)").arg(QLatin1String(what)));
    }
    template <typename T>
    T get(const char *what)
    {
        need(sizeof(T), what);
        const T v = qFromLittleEndian<T>(m_p);
        m_p += sizeof(T);
        return v;
    }
    QByteArrayView bytes(qint64 n, const char *what)
    {
        need(n, what);
        const QByteArrayView v(m_p, qsizetype(n));
        m_p += n;
        return v;
    }
    QByteArrayView lengthPrefixed(const char *what) { return bytes(get<quint32>(what), what); }
    QString utf8(const char *what)
    {
        const QByteArrayView raw = lengthPrefixed(what);
        // A leading U+FEFF is text, not a marker to drop.
        QStringDecoder decoder(QStringDecoder::Utf8,
            QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        QString s = decoder.decode(raw);
        if (decoder.hasError())
            fail(QStringLiteral("Dataset stream has invalid UTF-8 (%1)").arg(QLatin1String(what)));
        return s;
    }

private:
    const char *m_p;
    const char *m_end;
};

QDate dateOfDays(qint32 days)
{
    const QDate d = QDate::fromJulianDay(kUnixEpochJulianDay + days);
    if (!d.isValid())
        fail(QStringLiteral("Dataset stream has an invalid date"));
    return d;
}

QTime timeOfMs(qint32 ms)
{
    if (ms < 0 || ms >= kMsPerDay)
        fail(QStringLiteral("Dataset stream has an invalid time"));
    return QTime::fromMSecsSinceStartOfDay(ms);
}

QVariant readValue(Reader &r, const FieldDef &f)
{
    switch (f.type) {
    case FieldType::String:
    case FieldType::Memo:
        return r.utf8("text value");
    case FieldType::Blob:
        return r.lengthPrefixed("blob value").toByteArray();
    case FieldType::SmallInt:
        return int(r.get<qint16>("small integer"));
    case FieldType::Integer:
        return int(r.get<qint32>("integer"));
    case FieldType::LargeInt:
        return r.get<qint64>("large integer");
    case FieldType::Float:
        return std::bit_cast<double>(r.get<quint64>("float"));
    case FieldType::Bcd:
        return bcdValue(r.get<qint64>("decimal"), f.scale);
    case FieldType::Boolean: {
        const quint8 b = r.get<quint8>("boolean");
        if (b > 1)
            fail(QStringLiteral("Dataset stream has an invalid boolean"));
        return b == 1;
    }
    case FieldType::Date:
        return dateOfDays(r.get<qint32>("date"));
    case FieldType::Time:
        return timeOfMs(r.get<qint32>("time"));
    case FieldType::DateTime: {
        const QDate d = dateOfDays(r.get<qint32>("timestamp"));
        return QDateTime(d, timeOfMs(r.get<qint32>("timestamp")));
    }
    case FieldType::Unknown:
        break;
    }
    fail(QStringLiteral("Dataset stream has a field of unknown type"));
}

// Fields count as cells too: a stream of a hundred million empty field
// definitions costs as much as as many values.
std::vector<FieldDef> readFieldDefs(Reader &r, qint64 maxCells)
{
    const quint32 count = r.get<quint32>("field count");
    if (qint64(count) > maxCells)
        throw DataSetTooLarge(QStringLiteral("Dataset stream is too large (%1 fields)").arg(count));
    if (qint64(count) * kMinFieldBytes > r.remaining())
        fail(QStringLiteral("Dataset stream declares %1 fields, more than its data holds").arg(count));
    std::vector<FieldDef> defs;
    defs.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        FieldDef f;
        f.name = r.utf8("field name");
        const quint8 code = r.get<quint8>("field type");
        if (!codeToType(code, f.type))
            fail(QStringLiteral("Dataset stream has unknown type code %1 for field '%2'").arg(code).arg(f.name));
        f.size = r.get<qint32>("field size");
        f.scale = r.get<qint32>("field scale");
        const quint8 flags = r.get<quint8>("field flags");
        if (flags & ~kFlagRequired)
            fail(QStringLiteral("Dataset stream has unknown flags for field '%1'").arg(f.name));
        f.required = flags & kFlagRequired;
        checkFieldDef(f);
        defs.push_back(std::move(f));
    }
    return defs;
}

std::vector<Row> readRows(Reader &r, const std::vector<FieldDef> &defs, qint64 maxCells)
{
    const quint32 count = r.get<quint32>("row count");
    const qint64 fields = qint64(defs.size());
    const qint64 bitmapBytes = (fields + 7) / 8;
    if (count > 0 && fields == 0)
        fail(QStringLiteral("Dataset stream has rows but no fields"));
    if (qint64(count) * bitmapBytes > r.remaining())
        fail(QStringLiteral("Dataset stream declares %1 rows, more than its data holds").arg(count));
    if ((qint64(count) + 1) * fields > maxCells)
        throw DataSetTooLarge(
            QStringLiteral("Dataset stream is too large (%1 rows of %2 fields)").arg(count).arg(fields));

    std::vector<Row> rows;
    rows.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        const QByteArrayView bitmap = r.bytes(bitmapBytes, "null bitmap");
        if (fields % 8 != 0 && (quint8(bitmap.back()) >> (fields % 8)) != 0)
            fail(QStringLiteral("Dataset stream has stray bits in a null bitmap"));
        Row row(defs.size());
        for (qint64 c = 0; c < fields; ++c) {
            const bool isNull = (quint8(bitmap[c / 8]) >> (c % 8)) & 1;
            if (!isNull)
                row[size_t(c)] = readValue(r, defs[size_t(c)]);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

// ---------------------------------------------------------------- lists

// Collects the members of a top-level object of strings, keeping repeated
// names, which a JSON DOM would merge.
class ListCollector {
public:
    using json = nlohmann::ordered_json;
    std::vector<std::pair<std::string, std::string>> members;
    QString error;

    bool null() { return notString(); }
    bool boolean(bool) { return notString(); }
    bool number_integer(json::number_integer_t) { return notString(); }
    bool number_unsigned(json::number_unsigned_t) { return notString(); }
    bool number_float(json::number_float_t, const json::string_t &) { return notString(); }
    bool binary(json::binary_t &) { return notString(); }
    bool start_array(std::size_t) { return notString(); }
    bool end_array() { return true; }
    bool start_object(std::size_t)
    {
        if (m_inObject)
            return notString();
        m_inObject = true;
        return true;
    }
    bool end_object() { return true; }
    bool key(json::string_t &k)
    {
        m_key = k;
        return true;
    }
    bool string(json::string_t &s)
    {
        if (!m_inObject)
            return notString();
        members.emplace_back(std::move(m_key), std::move(s));
        return true;
    }
    bool parse_error(std::size_t, const std::string &, const nlohmann::detail::exception &e)
    {
        error = QStringLiteral("Dataset list is not valid JSON: %1").arg(QString::fromUtf8(e.what()));
        return false;
    }

private:
    bool notString()
    {
        if (!m_inObject)
            error = QStringLiteral("Dataset list is not a JSON object");
        else
            error = QStringLiteral("Dataset list member '%1' is not a string").arg(QString::fromStdString(m_key));
        return false;
    }

    bool m_inObject = false;
    std::string m_key;
};

qint64 cellsOf(const DataSet &ds)
{
    return qint64(ds.fieldDefs().size()) * (qint64(ds.recordCount()) + 1);
}

QString mebibytes(qint64 bytes)
{
    return QString::number(double(bytes) / double(qint64(1) << 20), 'g', 6);
}

// What is left of a list's limits while its datasets are decoded in turn.
struct ListBudget {
    qint64 bytes;
    qint64 cells;
};

std::unique_ptr<DataSet> decodeMember(size_t position, const QString &name, const std::string &text,
                                      ListBudget &budget, const DataSetListLimits &limits)
{
    const QString where = QStringLiteral("Dataset %1 ('%2') of the list").arg(position + 1).arg(name);
    QByteArray zipped;
    try {
        zipped = base64Decode(QByteArray::fromStdString(text));
    } catch (const Base64Error &e) {
        fail(QStringLiteral("%1 is not valid Base64: %2").arg(where, e.message()));
    }
    QByteArray stream;
    try {
        stream = zlibInflate(zipped, std::min(budget.bytes, kMaxDataSetStreamBytes));
    } catch (const ZlibLimitError &) {
        throw DataSetTooLarge(
            QStringLiteral("Os dados enviados pelo servidor passam do limite de %1 MiB descompactados; "
                           "nada foi gravado")
                .arg(mebibytes(limits.maxInflatedBytes)));
    } catch (const ZlibError &e) {
        fail(QStringLiteral("%1 is not a valid zlib stream: %2").arg(where, e.message()));
    }
    budget.bytes -= stream.size();
    auto ds = std::make_unique<DataSet>();
    try {
        decodeDataSet(stream, *ds, budget.cells);
    } catch (const DataSetTooLarge &) {
        throw DataSetTooLarge(
            QStringLiteral("Os dados enviados pelo servidor passam do limite de %1 células; nada foi gravado")
                .arg(limits.maxCells));
    } catch (const DataSetStreamError &e) {
        fail(QStringLiteral("%1: %2").arg(where, e.message()));
    }
    budget.cells -= cellsOf(*ds);
    return ds;
}

} // namespace

QByteArray encodeDataSet(const DataSet &dataSet)
{
    if (!dataSet.active())
        fail(QStringLiteral("Cannot save a closed dataset"));
    const std::vector<FieldDef> &defs = dataSet.fieldDefs();
    const int rowCount = dataSet.recordCount();
    if (rowCount > 0 && defs.empty())
        fail(QStringLiteral("Cannot save rows of a dataset without fields"));

    Writer w;
    w.putRaw(kMagic, sizeof kMagic);
    w.put(kVersion);
    w.put(quint32(defs.size()));
    for (const FieldDef &f : defs) {
        quint8 code = 0;
        if (!typeToCode(f.type, code))
            fail(QStringLiteral("Field '%1' has a type that cannot be saved").arg(f.name));
        checkFieldDef(f);
        w.putBytes(f.name.toUtf8(), QStringLiteral("Field name"));
        w.put(code);
        w.put(qint32(f.size));
        w.put(qint32(f.scale));
        w.put(quint8(f.required ? kFlagRequired : 0));
    }
    w.put(quint32(rowCount));
    const qsizetype bitmapBytes = qsizetype((defs.size() + 7) / 8);
    for (int r = 0; r < rowCount; ++r) {
        const Row &row = dataSet.rowAt(r);
        const qsizetype bitmapAt = w.size();
        w.appendZeros(bitmapBytes);
        for (size_t c = 0; c < defs.size(); ++c) {
            const QVariant v = c < row.size() ? row[c] : QVariant();
            const bool isNull = !v.isValid() || v.isNull() || !writeValue(w, defs[c], v);
            if (isNull)
                w.at(bitmapAt + qsizetype(c / 8)) |= char(1 << (c % 8));
        }
    }
    return w.take();
}

void decodeDataSet(const QByteArray &stream, DataSet &into)
{
    decodeDataSet(stream, into, kMaxDataSetCells);
}

void decodeDataSet(const QByteArray &stream, DataSet &into, qint64 maxCells)
{
    Reader r(stream);
    const QByteArrayView magic = r.bytes(sizeof kMagic, "magic");
    if (magic != QByteArrayView(kMagic, sizeof kMagic))
        fail(QStringLiteral("Not a dataset stream"));
    const quint16 version = r.get<quint16>("version");
    if (version != kVersion)
        fail(QStringLiteral("Unsupported dataset stream version %1").arg(version));
    std::vector<FieldDef> defs = readFieldDefs(r, maxCells);
    std::vector<Row> rows = readRows(r, defs, maxCells);
    if (r.remaining() != 0)
        fail(QStringLiteral("Dataset stream has %1 unexpected bytes at its end").arg(r.remaining()));

    into.close();
    into.setFieldDefs(defs);
    into.setRows(std::move(rows));
    into.open();
    into.first();
}

QByteArray encodeDataSetList(const std::vector<std::pair<QString, const DataSet *>> &dataSets)
{
    // Written member by member so that repeated names survive.
    QByteArray json = "{";
    for (const auto &[name, ds] : dataSets) {
        if (!ds)
            fail(QStringLiteral("Dataset '%1' of the list is missing").arg(name));
        if (json.size() > 1)
            json += ',';
        json += QByteArray::fromStdString(nlohmann::ordered_json(name.toStdString()).dump());
        json += ":\"" + base64Encode(zlibDeflate(encodeDataSet(*ds))) + '"';
    }
    json += '}';
    return json;
}

NamedDataSets decodeDataSetList(const QByteArray &json, const DataSetListLimits &limits)
{
    ListCollector collector;
    const bool ok = nlohmann::ordered_json::sax_parse(json.constData(), json.constData() + json.size(), &collector);
    if (!ok || !collector.error.isEmpty())
        fail(collector.error.isEmpty() ? QStringLiteral("Dataset list is not valid JSON") : collector.error);
    NamedDataSets out;
    out.reserve(collector.members.size());
    ListBudget budget{limits.maxInflatedBytes, limits.maxCells};
    for (size_t i = 0; i < collector.members.size(); ++i) {
        const QString name = QString::fromStdString(collector.members[i].first);
        out.emplace_back(name, decodeMember(i, name, collector.members[i].second, budget, limits));
    }
    return out;
}

NamedDataSets decodeDataSetList(const nlohmann::ordered_json &object, const DataSetListLimits &limits)
{
    if (!object.is_object())
        fail(QStringLiteral("Dataset list is not a JSON object"));
    NamedDataSets out;
    out.reserve(object.size());
    size_t i = 0;
    ListBudget budget{limits.maxInflatedBytes, limits.maxCells};
    for (const auto &[key, value] : object.items()) {
        const QString name = QString::fromStdString(key);
        if (!value.is_string())
            fail(QStringLiteral("Dataset list member '%1' is not a string").arg(name));
        out.emplace_back(name, decodeMember(i++, name, value.get_ref<const std::string &>(), budget, limits));
    }
    return out;
}
