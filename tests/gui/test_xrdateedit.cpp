// The date edit: typing through real key events, the check on leaving, the calendar.
#include "components/XRDateEdit.h"
#include "platform/DialogService.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QTableView>
#include <QTest>
#include <QToolButton>

namespace {

struct Tecla {
    Qt::Key key;
    char texto;
};

// Keys typed into the edit from a text and caret; the text and caret after.
struct Caso {
    const char *nome;
    const char *texto;
    int cursor;
    const char *teclas; // characters; '<' Backspace, '~' Delete
    const char *depois;
    int cursorDepois;
};

void digita(QLineEdit &e, const char *teclas)
{
    for (const char *c = teclas; *c; ++c) {
        if (*c == '<')
            QTest::keyClick(&e, Qt::Key_Backspace);
        else if (*c == '~')
            QTest::keyClick(&e, Qt::Key_Delete);
        else
            QTest::keyClick(&e, *c);
    }
}

} // namespace

TEST(XRDateEdit, KeysTypeOverTheMask)
{
    const Caso casos[] = {
        {"digit over the first", "01/02/2023", 0, "1", "11/02/2023", 1},
        {"then backspace blanks it", "11/02/2023", 1, "<", " 1/02/2023", 0},
        {"eight digits", "", 0, "01022023", "01/02/2023", 10},
        {"slashes fill in", "", 0, "123", "12/3", 4},
        {"slash off its place", "01/02/2023", 4, "/", "01/02/2023", 4},
        {"slash in its place", "01", 2, "/", "01/", 3},
        {"letters swallowed", "01/02/2023", 1, "xa-", "01/02/2023", 1},
        {"delete blanks and moves on", "01/02/2023", 3, "~", "01/ 2/2023", 4},
        {"delete before a slash keeps it", "01/02/2023", 2, "~", "01/ 2/2023", 4},
        {"backspace after a slash", "01/02/2023", 3, "<", "01/02/2023", 2},
        {"full text takes no more", "01/02/2023", 10, "9", "01/02/2023", 10},
        {"t keeps a typed date", "31/12/2023", 3, "t", "31/12/2023", 10},
    };
    for (const Caso &c : casos) {
        SCOPED_TRACE(c.nome);
        TXRDateEdit e;
        e.setText(QString::fromLatin1(c.texto));
        e.setCursorPosition(c.cursor);
        digita(e, c.teclas);
        EXPECT_EQ(e.text(), QString::fromLatin1(c.depois));
        EXPECT_EQ(e.cursorPosition(), c.cursorDepois);
    }

    // T in an empty edit or over the empty mask: today
    for (const char *inicial : {"", "  /  /    "}) {
        TXRDateEdit e;
        e.setText(QString::fromLatin1(inicial));
        QTest::keyClick(&e, 'T');
        EXPECT_EQ(e.text(), QDate::currentDate().toString("dd/MM/yyyy"));
    }

    // the whole text selected: a digit replaces it, Delete clears it
    TXRDateEdit e;
    e.setText("01/02/2023");
    e.selectAll();
    QTest::keyClick(&e, '5');
    EXPECT_EQ(e.text(), "5");
    e.setText("01/02/2023");
    e.selectAll();
    QTest::keyClick(&e, Qt::Key_Delete);
    EXPECT_EQ(e.text(), "");
    EXPECT_EQ(e.maxLength(), 10);
}

TEST(XRDateEdit, DateProperty)
{
    TXRDateEdit e;
    e.SetDate(QDateTime(QDate(2025, 3, 10), QTime(14, 5)));
    EXPECT_EQ(e.text(), "10/03/2025");
    EXPECT_EQ(e.Date(), QDateTime(QDate(2025, 3, 10), QTime(0, 0)));
    e.setText("31/02/2023");
    const QDateTime antes = QDateTime::currentDateTime();
    const QDateTime lida = e.Date(); // no date: now
    EXPECT_GE(lida, antes);
    EXPECT_LE(lida, QDateTime::currentDateTime());
}

namespace {

struct JanelaData : ::testing::Test {
    QWidget janela;
    TXRDateEdit *data = new TXRDateEdit(&janela);
    QLineEdit *outro = new QLineEdit(&janela);
    ScopedDialogRecorder rec;

    void SetUp() override
    {
        janela.setWindowTitle("Pedidos");
        auto *l = new QHBoxLayout(&janela);
        l->addWidget(data);
        l->addWidget(outro);
        janela.resize(400, 80);
        janela.show();
        QApplication::setActiveWindow(&janela);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&janela));
        data->setFocus();
        QCoreApplication::processEvents();
        ASSERT_TRUE(data->hasFocus());
    }

    // Tab away from the date edit; true when the focus stayed in it.
    bool sai()
    {
        QTest::keyClick(data, Qt::Key_Tab);
        QCoreApplication::processEvents();
        return data->hasFocus();
    }
};

} // namespace

TEST_F(JanelaData, LeavingChecksTheDateOnlyWhenAsked)
{
    data->setText("31/02/2023");
    EXPECT_FALSE(sai()); // ValidaData off: anything goes
    EXPECT_TRUE(rec->texts().isEmpty());

    data->SetValidaData(true);
    struct Caso {
        const char *texto;
        bool recusa;
    } casos[] = {{"31/02/2023", true}, {"  /  /    ", false}, {"", false}, {"28/02/2023", false}, {"1 /02/2023", true}};
    for (const Caso &c : casos) {
        SCOPED_TRACE(c.texto);
        rec->clear();
        data->setFocus();
        QCoreApplication::processEvents();
        data->setText(QString::fromLatin1(c.texto));
        EXPECT_EQ(sai(), c.recusa);
        if (c.recusa) {
            ASSERT_EQ(rec->entries().size(), 1u);
            EXPECT_EQ(rec->entries()[0].text, QString::fromUtf8("Data inválida."));
            EXPECT_EQ(rec->entries()[0].title, "Pedidos");
            EXPECT_EQ(rec->entries()[0].icon, MsgIcon::Error);
        } else {
            EXPECT_TRUE(rec->texts().isEmpty());
            EXPECT_TRUE(outro->hasFocus());
        }
    }
}

TEST_F(JanelaData, CalendarActivationFillsTheText)
{
    data->setText("10/03/2025");
    QCalendarWidget *cal = data->Calendario();
    ASSERT_FALSE(cal->isVisible());
    QTest::mouseClick(data->Botao(), Qt::LeftButton);
    ASSERT_TRUE(cal->isVisible());
    EXPECT_EQ(cal->selectedDate(), QDate(2025, 3, 10)); // opens on the typed date
    EXPECT_GE(cal->geometry().top(), data->mapToGlobal(QPoint(0, data->height())).y());
    EXPECT_FALSE(rec->entries().size());

    // a double click on the title or navigation changes nothing
    QWidget *titulo = cal->findChild<QWidget *>("qt_calendar_navigationbar");
    ASSERT_NE(titulo, nullptr);
    QTest::mouseDClick(titulo, Qt::LeftButton, {}, titulo->rect().center());
    EXPECT_EQ(data->text(), "10/03/2025");
    EXPECT_TRUE(cal->isVisible());

    // a double click on day 21 of the month shown
    auto *dias = cal->findChild<QTableView *>("qt_calendar_calendarview");
    ASSERT_NE(dias, nullptr);
    QModelIndex dia21;
    for (int r = 1; r < dias->model()->rowCount() && !dia21.isValid(); ++r)
        for (int c = 0; c < dias->model()->columnCount(); ++c) {
            const QModelIndex i = dias->model()->index(r, c);
            if (i.data().toString() == "21")
                dia21 = i;
        }
    ASSERT_TRUE(dia21.isValid());
    const QPoint centro = dias->visualRect(dia21).center();
    QTest::mouseClick(dias->viewport(), Qt::LeftButton, {}, centro);
    QTest::mouseDClick(dias->viewport(), Qt::LeftButton, {}, centro);
    EXPECT_EQ(data->text(), "21/03/2025");
    EXPECT_FALSE(cal->isVisible());

    // with no date typed it opens on today; the button closes it again
    data->setText("  /  /    ");
    QTest::mouseClick(data->Botao(), Qt::LeftButton);
    ASSERT_TRUE(cal->isVisible());
    EXPECT_EQ(cal->selectedDate(), QDate::currentDate());
    QTest::keyClick(dias, Qt::Key_Escape);
    EXPECT_FALSE(cal->isVisible());
    EXPECT_EQ(data->text(), "  /  /    ");
}
