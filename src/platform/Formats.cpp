#include "platform/Formats.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QStringList>
#include <QTime>

#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string>

namespace fmt {

namespace {

constexpr QChar kDecimalSep = u',';
constexpr QChar kThousandSep = u'.';

// A finite double as decimal text: value = 0.<digits> x 10^exponent.
// Working on the text is what makes 1.005 round up like the user expects.
struct Decimal
{
    bool negative = false;
    std::string digits; // no leading or trailing zeros; empty means zero
    int exponent = 0;

    bool isZero() const { return digits.empty(); }
};

void normalize(Decimal& d)
{
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    if (d.digits.empty()) {
        d.negative = false;
        d.exponent = 0;
    }
}

Decimal toDecimal(double v)
{
    Decimal d;
    char buf[64];
    // 15 significant digits; to_chars ignores the C locale Qt may have set.
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
    const std::string text(buf, res.ptr);
    std::size_t i = 0;
    if (text[i] == '-') {
        d.negative = true;
        ++i;
    }
    const std::size_t e = text.find('e');
    for (; i < e; ++i) {
        if (text[i] != '.')
            d.digits += text[i];
    }
    d.exponent = std::stoi(text.substr(e + 1)) + 1;
    normalize(d);
    return d;
}

// Half away from zero: the sign is separate, so rounding the magnitude up is it.
void roundDecimal(Decimal& d, int decimals)
{
    const long keep = long(d.exponent) + decimals;
    if (keep >= long(d.digits.size()))
        return;
    if (keep < 0) {
        d.digits.clear();
        normalize(d);
        return;
    }
    const bool up = d.digits[std::size_t(keep)] >= '5';
    d.digits.resize(std::size_t(keep));
    if (up) {
        long i = keep - 1;
        while (i >= 0 && d.digits[std::size_t(i)] == '9') {
            d.digits[std::size_t(i)] = '0';
            --i;
        }
        if (i < 0) {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exponent;
        } else {
            ++d.digits[std::size_t(i)];
        }
    }
    normalize(d);
}

double toDouble(const Decimal& d)
{
    if (d.isZero())
        return 0.0;
    const std::string text = (d.negative ? "-0." : "0.") + d.digits + 'e' + std::to_string(d.exponent);
    double v = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), v);
    return v;
}

// Digits of the integer part ("" when below one).
std::string integerDigits(const Decimal& d)
{
    if (d.exponent <= 0)
        return {};
    std::string s = d.digits.substr(0, std::size_t(d.exponent));
    s.append(std::size_t(d.exponent) - s.size(), '0');
    return s;
}

// The first `count` digits after the decimal point.
std::string fractionDigits(const Decimal& d, int count)
{
    std::string s;
    for (int i = 0; i < count; ++i) {
        const long pos = long(d.exponent) + i;
        s += (pos >= 0 && pos < long(d.digits.size())) ? d.digits[std::size_t(pos)] : '0';
    }
    return s;
}

QString groupThousands(const std::string& digits)
{
    QString out;
    const int n = int(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += kThousandSep;
        out += QChar(digits[std::size_t(i)]);
    }
    return out;
}

QString nonFinite(double v)
{
    if (std::isnan(v))
        return QStringLiteral("NAN");
    return v < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

struct Mask
{
    QString prefix;
    QString suffix;
    bool hasPlaceholder = false;
    bool thousands = false;
    int minInt = 0;
    int minDec = 0;
    int maxDec = 0;
};

Mask parseMask(const QString& mask)
{
    Mask m;
    bool inDecimal = false;
    bool zeroSeen = false;
    auto literal = [&m](const QString& text) {
        (m.hasPlaceholder ? m.suffix : m.prefix) += text;
    };
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const QChar c = mask[i];
        if (c == u'"' || c == u'\'') {
            const qsizetype end = mask.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? mask.size() : end;
            literal(mask.mid(i + 1, stop - i - 1));
            i = stop;
        } else if (c == u'0' || c == u'#') {
            m.hasPlaceholder = true;
            if (inDecimal) {
                ++m.maxDec;
                if (c == u'0')
                    m.minDec = m.maxDec;
            } else {
                zeroSeen = zeroSeen || c == u'0';
                if (zeroSeen)
                    ++m.minInt;
            }
        } else if (c == u'.') {
            m.hasPlaceholder = true;
            inDecimal = true;
        } else if (c == u',') {
            if (!inDecimal)
                m.thousands = true;
        } else {
            literal(QString(c));
        }
    }
    return m;
}

int twoDigitYear(int yy)
{
    return yy < 50 ? 2000 + yy : 1900 + yy;
}

QString number(int v, int width)
{
    return QStringLiteral("%1").arg(v, width, 10, QLatin1Char('0'));
}

} // namespace

double roundTo(double v, int decimals)
{
    if (!std::isfinite(v))
        return v;
    Decimal d = toDecimal(v);
    roundDecimal(d, decimals);
    return toDouble(d);
}

double round2(double v)
{
    return roundTo(v, 2);
}

namespace {

// Splits "positive;negative;zero" at the semicolons outside quotes.
QStringList maskSections(const QString& mask)
{
    QStringList sections{QString()};
    QChar quote;
    for (const QChar c : mask) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u';') {
            sections.append(QString());
            continue;
        }
        sections.last() += c;
    }
    return sections;
}

QString formatSection(const QString& mask, double v)
{
    const Mask m = parseMask(mask);
    if (!m.hasPlaceholder)
        return m.prefix;

    Decimal d = toDecimal(v);
    roundDecimal(d, m.maxDec);

    std::string intDigits = integerDigits(d);
    if (int(intDigits.size()) < m.minInt)
        intDigits.insert(0, std::size_t(m.minInt) - intDigits.size(), '0');
    std::string frac = fractionDigits(d, m.maxDec);
    while (int(frac.size()) > m.minDec && frac.back() == '0')
        frac.pop_back();

    QString out;
    if (d.negative)
        out += u'-';
    out += m.prefix;
    out += m.thousands ? groupThousands(intDigits) : QString::fromLatin1(intDigits);
    if (!frac.empty())
        out += kDecimalSep + QString::fromLatin1(frac);
    out += m.suffix;
    return out;
}

} // namespace

QString formatFloat(const QString& mask, double v)
{
    if (mask.isEmpty())
        return floatToStr(v);
    if (!std::isfinite(v))
        return nonFinite(v);
    const QStringList sections = maskSections(mask);
    if (sections.size() == 1)
        return formatSection(mask, v);
    // The section is chosen on the value as the positive section would show
    // it, so -0.001 with two decimals counts as zero, never as "-0,00".
    Decimal shown = toDecimal(v);
    roundDecimal(shown, parseMask(sections[0]).maxDec);
    if (shown.isZero())
        return formatSection(sections.size() > 2 && !sections[2].isEmpty() ? sections[2] : sections[0], 0.0);
    if (v < 0 && !sections[1].isEmpty())
        return formatSection(sections[1], -v); // the section writes its own sign
    return formatSection(sections[0], v);
}

QString floatToStr(double v)
{
    if (!std::isfinite(v))
        return nonFinite(v);
    const Decimal d = toDecimal(v);
    if (d.isZero())
        return QStringLiteral("0");
    QString out = d.negative ? QStringLiteral("-") : QString();
    const int digitCount = int(d.digits.size());
    if (d.exponent > 15 || d.exponent < -3) {
        out += QChar(d.digits[0]);
        if (digitCount > 1)
            out += kDecimalSep + QString::fromLatin1(d.digits.substr(1));
        return out + u'E' + QString::number(d.exponent - 1);
    }
    const std::string intDigits = integerDigits(d);
    out += intDigits.empty() ? QStringLiteral("0") : QString::fromLatin1(intDigits);
    const int fracCount = digitCount - d.exponent;
    if (fracCount > 0)
        out += kDecimalSep + QString::fromLatin1(fractionDigits(d, fracCount));
    return out;
}

QString formatDateTime(const QString& pattern, const QDateTime& dt)
{
    if (!dt.isValid())
        return {};
    return formatDateTime(pattern, dt.date(), dt.time());
}

QString formatDateTime(const QString& pattern, const QDate& date) { return formatDateTime(pattern, date, QTime(0, 0)); }

QString formatDateTime(const QString& pattern, const QDate& date, const QTime& time)
{
    if (!date.isValid() || !time.isValid())
        return {};
    QString out;
    QChar lastToken;
    qsizetype i = 0;
    const qsizetype n = pattern.size();
    auto runOf = [&](QChar upper) {
        qsizetype count = 0;
        while (i + count < n && pattern[i + count].toUpper() == upper)
            ++count;
        return int(count);
    };
    while (i < n) {
        const QChar c = pattern[i];
        if (c == u'"' || c == u'\'') {
            const qsizetype end = pattern.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? n : end;
            out += pattern.mid(i + 1, stop - i - 1);
            i = stop + 1;
            continue;
        }
        QChar token = c.toUpper();
        if (token < u'A' || token > u'Z') {
            // "/" and ":" are the pinned separators, so everything else is literal too.
            out += c;
            ++i;
            continue;
        }
        if (token == u'M' && lastToken == u'H')
            token = u'N';
        lastToken = token;
        const int run = runOf(c.toUpper());
        int used = run;
        switch (token.unicode()) {
        case u'D':
            used = qMin(run, 2);
            out += number(date.day(), used);
            break;
        case u'M':
            used = qMin(run, 2);
            out += number(date.month(), used);
            break;
        case u'Y':
            out += run <= 2 ? number(date.year() % 100, 2) : number(date.year(), 4);
            break;
        case u'H':
            out += number(time.hour(), run >= 2 ? 2 : 1);
            break;
        case u'N':
            if (c.toUpper() == u'M')
                used = qMin(run, 2);
            out += number(time.minute(), used >= 2 ? 2 : 1);
            break;
        case u'S':
            out += number(time.second(), run >= 2 ? 2 : 1);
            break;
        case u'Z':
            out += number(time.msec(), run >= 3 ? 3 : 1);
            break;
        default:
            out += pattern.mid(i, run);
            break;
        }
        i += used;
    }
    return out;
}

QString formatDate(const QDate& d)
{
    if (!d.isValid())
        return {};
    return number(d.day(), 2) + u'/' + number(d.month(), 2) + u'/' + number(d.year(), 4);
}

QString formatTime(const QTime& t)
{
    if (!t.isValid())
        return {};
    return number(t.hour(), 2) + u':' + number(t.minute(), 2) + u':' + number(t.second(), 2);
}

bool tryStrToFloat(const QString& text, double& out)
{
    static const QRegularExpression re(QStringLiteral(
        "^([+-]?)(\\d{1,3}(?:\\.\\d{3})+|\\d*)(?:,(\\d*))?(?:[eE]([+-]?\\d+))?$"));
    const auto match = re.match(text.trimmed());
    if (!match.hasMatch())
        return false;
    QString intPart = match.captured(2);
    const QString fracPart = match.captured(3);
    if (intPart.isEmpty() && fracPart.isEmpty())
        return false;
    intPart.remove(kThousandSep);
    QString plain = match.captured(1) + (intPart.isEmpty() ? QStringLiteral("0") : intPart);
    if (!fracPart.isEmpty())
        plain += u'.' + fracPart;
    if (match.hasCaptured(4))
        plain += u'e' + match.captured(4);

    const QByteArray ascii = plain.toLatin1();
    const char* begin = ascii.constData();
    if (*begin == '+')
        ++begin;
    double v = 0.0;
    const auto res = std::from_chars(begin, ascii.constData() + ascii.size(), v);
    if (res.ec != std::errc() || res.ptr != ascii.constData() + ascii.size())
        return false;
    out = v;
    return true;
}

double strToFloat(const QString& text)
{
    double v = 0.0;
    if (!tryStrToFloat(text, v))
        throw std::invalid_argument(
            QStringLiteral("'%1' is not a valid floating point value").arg(text).toStdString());
    return v;
}

bool tryStrToDate(const QString& text, QDate& out)
{
    static const QRegularExpression re(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{4}|\\d{2})$"));
    const auto match = re.match(text.trimmed());
    if (!match.hasMatch())
        return false;
    int year = match.captured(3).toInt();
    if (match.capturedLength(3) == 2)
        year = twoDigitYear(year);
    const QDate date(year, match.captured(2).toInt(), match.captured(1).toInt());
    if (!date.isValid())
        return false;
    out = date;
    return true;
}

} // namespace fmt
