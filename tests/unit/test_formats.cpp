#include "platform/Formats.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

namespace {

TEST(Formats, Round2RoundsHalfAwayFromZeroInDecimal)
{
    const struct { double in; double out; } cases[] = {
        {0.125, 0.13},   {1.005, 1.01},     {2.675, 2.68},     {-1.005, -1.01},
        {0.0, 0.0},      {0.1 + 0.2, 0.3},  {1.00499, 1.0},    {99.995, 100.0},
        {-2.345, -2.35}, {1234567.125, 1234567.13},            {10.0, 10.0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fmt::round2(c.in), c.out) << c.in;
    EXPECT_FALSE(std::signbit(fmt::round2(-0.004))) << "a value rounded to zero keeps no sign";
}

TEST(Formats, RoundToUsesTheSameRuleForAnyPlaces)
{
    const struct { double in; int places; double out; } cases[] = {
        {1.0005, 3, 1.001}, {12345.5, 0, 12346.0}, {-2.5, 0, -3.0},
        {0.00049, 3, 0.0},  {1.23456789, 5, 1.23457}, {9.9999, 3, 10.0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fmt::roundTo(c.in, c.places), c.out) << c.in << " to " << c.places;
}

TEST(Formats, FormatFloatMasks)
{
    const struct { const char* mask; double v; const char* out; } cases[] = {
        {"#,##0.00", 1234567.891, "1.234.567,89"},
        {"#,##0.00", 0.0, "0,00"},
        {"#,##0.00", -1234.5, "-1.234,50"},
        {"#,##0.00", 999.995, "1.000,00"},
        {"#,##0.00", 123.0, "123,00"},
        {"0.00", 1.005, "1,01"},
        {"0.00", 2.675, "2,68"},
        {"0.00", -0.001, "0,00"},
        {"0.00", 1e15, "1000000000000000,00"},
        {"#,##0.000", 1234.5678, "1.234,568"},
        {"0", 2.5, "3"},
        {"0", -2.5, "-3"},
        {"#,##0", 1234567.5, "1.234.568"},
        {"#,##0", 999.0, "999"},
        {"0.000", 0.0005, "0,001"},
        {"00000", 42.0, "00042"},
        {"00000", 123456.0, "123456"},
        {"#0.00", 0.5, "0,50"},
        {"#0.00", 10.0, "10,00"},
        {"#,##0.00#", 1500.0, "1.500,00"},
        {"#,##0.00#", 1500.125, "1.500,125"},
        {"'R$:' #,##0.00#", 1500.0, "R$: 1.500,00"},
        {"R$ #,##0.00", 1234.5, "R$ 1.234,50"},
        {"#0.00%", 12.345, "12,35%"},
        {"", 10.5, "10,5"},
        // sections and the bare "," grouping of the currency edit
        {"R$ ,0.00;-R$ ,0.00", 1234.5, "R$ 1.234,50"},
        {"R$ ,0.00;-R$ ,0.00", -2.0, "-R$ 2,00"},
        {"R$ ,0.00;-R$ ,0.00", 0.0, "R$ 0,00"},
        {"R$ ,0.00;-R$ ,0.00", -0.001, "R$ 0,00"},
        {"0.00;(0.00);'zero'", -1234.5, "(1234,50)"},
        {"0.00;(0.00);'zero'", 0.004, "zero"},
        {"0.00;;'zero'", -3.0, "-3,00"},
        {"0.00;", -3.0, "-3,00"},
        {"'a;b' 0", 7.0, "a;b 7"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fmt::formatFloat(QString::fromUtf8(c.mask), c.v), QString::fromUtf8(c.out))
            << c.mask << " " << c.v;
}

TEST(Formats, FloatToStrGivesTheShortestForm)
{
    const struct { double v; const char* out; } cases[] = {
        {10.5, "10,5"},   {3.0, "3"},        {0.1, "0,1"},       {-0.25, "-0,25"},
        {0.1 + 0.2, "0,3"}, {1234567.5, "1234567,5"},          {0.0, "0"},
        {1e20, "1E20"},   {1.5e-7, "1,5E-7"}, {0.0001, "0,0001"},
        {123456789012345.0, "123456789012345"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fmt::floatToStr(c.v), QString::fromUtf8(c.out)) << c.v;
}

TEST(Formats, TryStrToFloatReadsBrazilianText)
{
    const struct { const char* in; double out; } valid[] = {
        {"1.234,56", 1234.56}, {"10,5", 10.5}, {"-3", -3.0},   {"  7,25 ", 7.25},
        {"1.234.567", 1234567.0}, {",5", 0.5}, {"+2", 2.0},    {"1,5E3", 1500.0},
        {"0", 0.0},            {"1E20", 1e20}, {"1,5E-7", 1.5e-7},
    };
    for (const auto& c : valid) {
        double v = -99.0;
        EXPECT_TRUE(fmt::tryStrToFloat(QString::fromUtf8(c.in), v)) << c.in;
        EXPECT_EQ(v, c.out) << c.in;
    }

    const char* invalid[] = {"", "   ", "abc", "10.5", "1,2,3", "1.23,4", "1.2345",
                             "12a", "-", ",", "1E", "1E999", "1 000"};
    for (const char* in : invalid) {
        double v = -99.0;
        EXPECT_FALSE(fmt::tryStrToFloat(QString::fromUtf8(in), v)) << in;
        EXPECT_EQ(v, -99.0) << "output untouched for " << in;
    }
}

TEST(Formats, FloatTextRoundTrips)
{
    for (double v : {10.5, -0.25, 1234567.891, 1e20, 1.5e-7, 0.1 + 0.2}) {
        double back = 0.0;
        ASSERT_TRUE(fmt::tryStrToFloat(fmt::floatToStr(v), back)) << v;
        EXPECT_DOUBLE_EQ(back, v);
    }
}

TEST(Formats, StrToFloatThrowsWithTheTextInTheMessage)
{
    EXPECT_EQ(fmt::strToFloat(QStringLiteral("1.234,5")), 1234.5);
    try {
        fmt::strToFloat(QStringLiteral("abc"));
        FAIL() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid floating point value");
    }
}

TEST(Formats, TryStrToDate)
{
    const struct { const char* in; QDate out; } valid[] = {
        {"31/12/2050", QDate(2050, 12, 31)}, {"1/2/2024", QDate(2024, 2, 1)},
        {" 05/06/49 ", QDate(2049, 6, 5)},   {"05/06/50", QDate(1950, 6, 5)},
        {"29/02/2024", QDate(2024, 2, 29)},  {"01/01/00", QDate(2000, 1, 1)},
    };
    for (const auto& c : valid) {
        QDate d;
        EXPECT_TRUE(fmt::tryStrToDate(QString::fromUtf8(c.in), d)) << c.in;
        EXPECT_EQ(d, c.out) << c.in;
    }

    const char* invalid[] = {"29/02/2023", "31/04/2024", "2024-01-01", "12/31/2050",
                             "", "01/01/024", "01/01/2024 10:00", "1/1"};
    const QDate untouched(1999, 9, 9);
    for (const char* in : invalid) {
        QDate d = untouched;
        EXPECT_FALSE(fmt::tryStrToDate(QString::fromUtf8(in), d)) << in;
        EXPECT_EQ(d, untouched) << in;
    }
}

TEST(Formats, FormatDateTimeTokens)
{
    const QDateTime evening(QDate(2026, 12, 10), QTime(22, 5, 9, 7));
    const QDateTime morning(QDate(2005, 3, 4), QTime(5, 6, 7));
    const struct { const char* pattern; QDateTime dt; const char* out; } cases[] = {
        {"dd/mm/yy hh:mm:ss", evening, "10/12/26 22:05:09"},
        {"MM/DD/YYYY", QDateTime(QDate(2050, 12, 31), QTime(0, 0)), "12/31/2050"},
        {"yyyymmdd", evening, "20261210"},
        {"yyyymmddhhnnss", evening, "20261210220509"},
        {"d/m/yy h:n:s", morning, "4/3/05 5:6:7"},
        {"hh:mm", evening, "22:05"},
        {"hh'h'mm", evening, "22h05"},
        {"h mm", morning, "5 06"},
        {"dd mm", evening, "10 12"},
        {"mm/dd hh:mm", evening, "12/10 22:05"},
        {"HH:NN:SS.ZZZ", evening, "22:05:09.007"},
        {"z", evening, "7"},
        {"\"Data:\" dd/mm/yyyy", evening, "Data: 10/12/2026"},
        {"'dd' dd", evening, "dd 10"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fmt::formatDateTime(QString::fromUtf8(c.pattern), c.dt), QString::fromUtf8(c.out))
            << c.pattern;
        // the date and time given apart read the same
        EXPECT_EQ(fmt::formatDateTime(QString::fromUtf8(c.pattern), c.dt.date(), c.dt.time()),
                  QString::fromUtf8(c.out))
            << c.pattern;
    }
    EXPECT_EQ(fmt::formatDateTime(QStringLiteral("mm/dd/yyyy"), QDate(2026, 1, 2)), QStringLiteral("01/02/2026"));
    EXPECT_EQ(fmt::formatDateTime(QStringLiteral("dd/mm/yyyy hh:nn"), QDate(2026, 1, 2)),
              QStringLiteral("02/01/2026 00:00"));
    EXPECT_EQ(fmt::formatDateTime(QStringLiteral("dd/mm/yyyy"), QDateTime()), QString());
    EXPECT_EQ(fmt::formatDateTime(QStringLiteral("dd/mm/yyyy"), QDate()), QString());
    EXPECT_EQ(fmt::formatDateTime(QStringLiteral("hh:nn"), QDate(1899, 12, 30), QTime()), QString());
}

TEST(Formats, FormatDateAndTime)
{
    EXPECT_EQ(fmt::formatDate(QDate(2024, 2, 1)), QStringLiteral("01/02/2024"));
    EXPECT_EQ(fmt::formatTime(QTime(7, 8, 9)), QStringLiteral("07:08:09"));
    EXPECT_EQ(fmt::formatDate(QDate()), QString());
    EXPECT_EQ(fmt::formatTime(QTime()), QString());
}

TEST(Formats, IgnoreTheDefaultLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QString text = fmt::formatFloat(QStringLiteral("#,##0.00"), 1234.5);
    double v = 0.0;
    const bool parsed = fmt::tryStrToFloat(QStringLiteral("1.234,5"), v);
    QLocale::setDefault(saved);

    EXPECT_EQ(text, QStringLiteral("1.234,50"));
    EXPECT_TRUE(parsed);
    EXPECT_EQ(v, 1234.5);
}

} // namespace
