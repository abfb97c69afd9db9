#pragma once

#include <QString>

class QDate;
class QTime;
class QDateTime;

// One pinned Brazilian format (decimal comma, thousands point, dd/MM/yyyy,
// HH:mm:ss), whatever the machine's locale says.
namespace fmt {

// Number masks: '0' digit, '#' optional digit, '.' decimal point, ',' thousands
// grouping anywhere in the integer part; quoted or other text is printed as is.
// An empty mask gives floatToStr(v). "positive;negative;zero" sections: the
// negative section gets the value without its sign; an empty or missing
// section falls back to the positive one.
QString formatFloat(const QString& mask, double v);

// The value written with 15 significant digits, then rounded half away from
// zero in decimal, so 1.005 -> 1.01 and 2.675 -> 2.68.
double round2(double v);
double roundTo(double v, int decimals);

// Tokens (any letter case): d dd m mm yy yyyy h hh n nn s ss z zzz; "m"/"mm"
// after an hour token mean minutes; text in quotes is literal. An invalid
// date/time gives an empty text.
QString formatDateTime(const QString& pattern, const QDateTime& dt);
// The same for a date and a time kept apart: no time zone is looked up.
QString formatDateTime(const QString& pattern, const QDate& date, const QTime& time);
QString formatDateTime(const QString& pattern, const QDate& date); // at midnight
QString formatDate(const QDate& d); // dd/MM/yyyy
QString formatTime(const QTime& t); // HH:mm:ss

// "1.234,56", "10,5", "-3"; surrounding blanks ignored.
bool tryStrToFloat(const QString& text, double& out);
// Throws std::invalid_argument "'x' is not a valid floating point value".
double strToFloat(const QString& text);
// dd/MM/yyyy or dd/MM/yy (00-49 -> 20xx, 50-99 -> 19xx).
bool tryStrToDate(const QString& text, QDate& out);
// Shortest form with up to 15 significant digits: "10,5", "3", "0,1", "1E20".
QString floatToStr(double v);

} // namespace fmt
