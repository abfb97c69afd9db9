#pragma once

#include <QByteArray>
#include <QString>

#include <stdexcept>

class ZlibError : public std::runtime_error {
public:
    explicit ZlibError(const QString &message);
    QString message() const { return m_message; }

private:
    QString m_message;
};

// The output limit of zlibInflate was reached: the data may be sound, but
// is larger than the caller accepts.
class ZlibLimitError : public ZlibError {
public:
    using ZlibError::ZlibError;
};

// A zlib stream (RFC 1950). level is 0-9, or -1 for zlib's default.
QByteArray zlibDeflate(const QByteArray &data, int level = -1);

// Inflates one complete zlib stream. Throws on corrupt or truncated input,
// on bytes after the end of the stream, and when the output would exceed
// maxOutput bytes (ZlibLimitError; a hostile stream cannot exhaust memory).
QByteArray zlibInflate(const QByteArray &data, qint64 maxOutput);
