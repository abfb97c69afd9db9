#pragma once

#include <QByteArray>
#include <QString>

#include <stdexcept>

class Base64Error : public std::runtime_error {
public:
    explicit Base64Error(const QString &message);
    QString message() const { return m_message; }

private:
    QString m_message;
};

// Standard alphabet (A-Z a-z 0-9 + /), padded with '=', no line breaks.
QByteArray base64Encode(const QByteArray &data);

// Strict: whitespace is skipped, anything else outside the alphabet, a
// length that is not a multiple of four or misplaced padding throws.
QByteArray base64Decode(const QByteArray &text);
