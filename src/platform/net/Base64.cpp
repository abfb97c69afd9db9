#include "platform/net/Base64.h"

#include <array>

Base64Error::Base64Error(const QString &message)
    : std::runtime_error(message.toStdString())
    , m_message(message)
{
}

QByteArray base64Encode(const QByteArray &data)
{
    return data.toBase64(QByteArray::Base64Encoding);
}

namespace {

constexpr signed char kSkip = -2;
constexpr signed char kBad = -1;

constexpr std::array<signed char, 256> makeTable()
{
    std::array<signed char, 256> t{};
    for (auto &v : t)
        v = kBad;
    const char *alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i)
        t[static_cast<unsigned char>(alphabet[i])] = static_cast<signed char>(i);
    for (unsigned char c : {' ', '\t', '\r', '\n'})
        t[c] = kSkip;
    return t;
}

constexpr std::array<signed char, 256> kTable = makeTable();

QString describeByte(unsigned char c)
{
    if (c >= 0x20 && c < 0x7f)
        return QStringLiteral("'%1'").arg(QChar(c));
    return QStringLiteral("0x%1").arg(int(c), 2, 16, QLatin1Char('0'));
}

} // namespace

QByteArray base64Decode(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size() / 4 * 3);
    quint32 group = 0;
    int inGroup = 0;   // alphabet characters in the current group of four
    int padding = 0;   // '=' seen so far; only whitespace and '=' may follow one
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const signed char v = kTable[c];
        if (v == kSkip)
            continue;
        if (c == '=') {
            // Padding may only fill the last one or two places of a group.
            if (inGroup + padding < 2 || inGroup + padding >= 4)
                throw Base64Error(QStringLiteral("Misplaced Base64 padding at position %1").arg(i));
            ++padding;
            continue;
        }
        if (v == kBad)
            throw Base64Error(
                QStringLiteral("Invalid Base64 character %1 at position %2").arg(describeByte(c)).arg(i));
        if (padding > 0)
            throw Base64Error(QStringLiteral("Base64 data after padding at position %1").arg(i));
        group = (group << 6) | quint32(v);
        if (++inGroup == 4) {
            out.append(char(group >> 16)).append(char(group >> 8)).append(char(group));
            group = 0;
            inGroup = 0;
        }
    }
    if (inGroup + padding != 0 && inGroup + padding != 4)
        throw Base64Error(QStringLiteral("Base64 text length is not a multiple of four"));
    if (inGroup == 2)
        out.append(char(group >> 4));
    else if (inGroup == 3)
        out.append(char(group >> 10)).append(char(group >> 2));
    return out;
}
