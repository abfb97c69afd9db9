#include "platform/net/ZlibCodec.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

static_assert(Z_DEFAULT_COMPRESSION == -1);

ZlibError::ZlibError(const QString &message)
    : std::runtime_error(message.toStdString())
    , m_message(message)
{
}

namespace {

// zlib counts in uInt; feed large buffers in slices.
constexpr qsizetype kMaxSlice = std::numeric_limits<uInt>::max();
constexpr qsizetype kOutChunk = 64 * 1024;

QString zlibText(const z_stream &s, int rc)
{
    if (s.msg)
        return QString::fromLatin1(s.msg);
    return QString::fromLatin1(zError(rc));
}

struct DeflateStream {
    z_stream s{};
    ~DeflateStream() { deflateEnd(&s); }
};

struct InflateStream {
    z_stream s{};
    ~InflateStream() { inflateEnd(&s); }
};

} // namespace

QByteArray zlibDeflate(const QByteArray &data, int level)
{
    if (level < -1 || level > 9)
        throw ZlibError(QStringLiteral("Invalid compression level %1").arg(level));
    DeflateStream z;
    const int init = deflateInit(&z.s, level);
    if (init != Z_OK)
        throw ZlibError(QStringLiteral("Cannot start compression: %1").arg(zlibText(z.s, init)));

    QByteArray out;
    out.resize(qsizetype(std::min<uLong>(deflateBound(&z.s, uLong(data.size())), uLong(kMaxSlice))));
    qsizetype produced = 0;
    qsizetype consumed = 0;
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
        const qsizetype inSlice = std::min(data.size() - consumed, kMaxSlice);
        z.s.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData() + consumed));
        z.s.avail_in = uInt(inSlice);
        const int flush = consumed + inSlice == data.size() ? Z_FINISH : Z_NO_FLUSH;
        if (produced == out.size())
            out.resize(out.size() + std::max(kOutChunk, out.size() / 2));
        const qsizetype outSlice = std::min(out.size() - produced, kMaxSlice);
        z.s.next_out = reinterpret_cast<Bytef *>(out.data() + produced);
        z.s.avail_out = uInt(outSlice);
        rc = deflate(&z.s, flush);
        if (rc == Z_STREAM_ERROR)
            throw ZlibError(QStringLiteral("Compression failed: %1").arg(zlibText(z.s, rc)));
        consumed += inSlice - qsizetype(z.s.avail_in);
        produced += outSlice - qsizetype(z.s.avail_out);
    }
    out.truncate(produced);
    return out;
}

QByteArray zlibInflate(const QByteArray &data, qint64 maxOutput)
{
    if (maxOutput < 0)
        throw ZlibError(QStringLiteral("Invalid output limit"));
    InflateStream z;
    const int init = inflateInit(&z.s);
    if (init != Z_OK)
        throw ZlibError(QStringLiteral("Cannot start decompression: %1").arg(zlibText(z.s, init)));

    // One byte over the limit is enough to know the limit is exceeded.
    const qint64 ceiling = maxOutput < std::numeric_limits<qint64>::max() ? maxOutput + 1 : maxOutput;
    QByteArray out;
    qsizetype produced = 0;
    qsizetype consumed = 0;
    for (;;) {
        const qsizetype inSlice = std::min(data.size() - consumed, kMaxSlice);
        z.s.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData() + consumed));
        z.s.avail_in = uInt(inSlice);
        if (produced == out.size()) {
            const qint64 grown = std::max<qint64>(kOutChunk, qint64(out.size()));
            out.resize(qsizetype(std::min<qint64>(qint64(out.size()) + grown, ceiling)));
        }
        const qsizetype outSlice = std::min(out.size() - produced, kMaxSlice);
        z.s.next_out = reinterpret_cast<Bytef *>(out.data() + produced);
        z.s.avail_out = uInt(outSlice);
        const int rc = inflate(&z.s, Z_NO_FLUSH);
        consumed += inSlice - qsizetype(z.s.avail_in);
        produced += outSlice - qsizetype(z.s.avail_out);
        if (produced > maxOutput)
            throw ZlibLimitError(QStringLiteral("Decompressed data exceeds %1 bytes").arg(maxOutput));
        switch (rc) {
        case Z_STREAM_END:
            if (consumed != data.size())
                throw ZlibError(QStringLiteral("Unexpected data after the end of the compressed stream"));
            out.truncate(produced);
            return out;
        case Z_OK:
            break;
        case Z_BUF_ERROR:
            // Output room is always given, so no progress means the input
            // ran out before the end of the stream.
            throw ZlibError(QStringLiteral("Compressed data is truncated"));
        case Z_NEED_DICT:
            throw ZlibError(QStringLiteral("Compressed data needs a preset dictionary"));
        case Z_DATA_ERROR:
            throw ZlibError(QStringLiteral("Compressed data is corrupt: %1").arg(zlibText(z.s, rc)));
        default:
            throw ZlibError(QStringLiteral("Decompression failed: %1").arg(zlibText(z.s, rc)));
        }
    }
}
