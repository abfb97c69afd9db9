// The number edit, offscreen: what it shows entering and leaving, its bounds
// warning and its key filter.
#include "components/XRCurrencyEdit.h"

#include "platform/DialogService.h"

#include <QApplication>
#include <QFocusEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace {

void entra(QWidget* w)
{
    QFocusEvent e(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(w, &e);
}

void sai(QWidget* w)
{
    QFocusEvent e(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w, &e);
}

} // namespace

TEST(CurrEdit, EnteringAndLeavingTable)
{
    const struct { double v; bool sempre; const char* dentro; const char* fora; } cases[] = {
        {1234.5, false, "1234,5", "R$ 1.234,50"},
        {1234.5, true, "1234,50", "R$ 1.234,50"},
        {-2, false, "-2", "-R$ 2,00"},
        {0, false, "", "R$ 0,00"},
        {0.125, false, "0,13", "R$ 0,13"},
    };
    ScopedDialogRecorder rec;
    for (const auto& c : cases) {
        TXRCurrEdit ed;
        EXPECT_EQ(ed.text(), "R$ 0,00");
        ed.SetDecimalPlacesAlways(c.sempre);
        ed.SetValue(c.v);
        EXPECT_EQ(ed.text(), QString::fromUtf8(c.fora)) << c.v;
        entra(&ed);
        EXPECT_EQ(ed.text(), QString::fromUtf8(c.dentro)) << c.v;
        sai(&ed);
        EXPECT_EQ(ed.text(), QString::fromUtf8(c.fora)) << c.v;
        EXPECT_DOUBLE_EQ(ed.Value(), c.v == 0.125 ? 0.13 : c.v);
    }
    EXPECT_TRUE(rec->entries().empty());
}

TEST(CurrEdit, BoundsWarnButKeepTheNumber)
{
    ScopedDialogRecorder rec;
    TXRCurrEdit ed;
    ed.SetMinValue(10);
    ed.SetMaxValue(100);
    entra(&ed);
    QTest::keyClicks(&ed, "5");
    sai(&ed);
    EXPECT_EQ(ed.text(), "R$ 5,00");
    EXPECT_EQ(ed.Text(), "5");
    ASSERT_EQ(rec->entries().size(), 1u);
    EXPECT_EQ(rec->entries()[0].text, QString::fromUtf8("Valor inválido. O mínimo aceitável é R$ 10,00"));
    EXPECT_EQ(rec->entries()[0].title, "R$ 5,00");
    EXPECT_EQ(rec->entries()[0].icon, MsgIcon::Information);

    rec->clear();
    ed.SetValue(150.5);
    ASSERT_EQ(rec->entries().size(), 1u);
    EXPECT_EQ(rec->entries()[0].text, QString::fromUtf8("Valor inválido. O máximo aceitável é R$ 100,00"));
    EXPECT_EQ(ed.Text(), "150,5");

    // A bound of 0 is no bound.
    rec->clear();
    ed.SetMinValue(0);
    ed.SetValue(-50);
    EXPECT_TRUE(rec->entries().empty());
}

TEST(CurrEdit, KeysAndBlankFormat)
{
    ScopedDialogRecorder rec;
    TXRCurrEdit ed;
    entra(&ed);
    QTest::keyClicks(&ed, "1a.2b3,4x-");
    EXPECT_EQ(ed.text(), "1.23,4-");
    // A "-" among the digits is no number: it counts as 0.
    EXPECT_EQ(ed.Value(), 0.0);
    QTest::keyClick(&ed, Qt::Key_Backspace);
    EXPECT_EQ(ed.text(), "1.23,4");
    EXPECT_DOUBLE_EQ(ed.Value(), 123.4);

    ed.SetDisplayFormat(QString());
    ed.setText("12,50");
    sai(&ed);
    EXPECT_EQ(ed.text(), "12,50");
}

TEST(CurrEdit, Helpers)
{
    EXPECT_EQ(RemoveFormatacao("-R$ 1.234,50"), "-1234,50");
    QString s = "ab";
    CompletaCaracteres(u'#', 4, s);
    EXPECT_EQ(s, "ab##");
    CompletaCaracteres(u'#', 0, s);
    EXPECT_EQ(s, "");
}
