// The grid's own cell editors: the date edit on date fields, the memo on MemoEditor columns.
#include "components/XRDBGrid.h"
#include "components/XRDBGridEditores.h"
#include "data/XRQuery.h"
#include "platform/DialogService.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QTest>
#include <QToolButton>

namespace {

const QDate kData(2024, 2, 1);
const QDateTime kDataHora(QDate(2025, 3, 10), QTime(14, 5));

void carrega(DataSet &ds)
{
    ds.setFieldDefs({{"CODIGO", FieldType::Integer}, {"DATA", FieldType::Date}, {"DATAHORA", FieldType::DateTime},
                     {"OBS", FieldType::Memo}});
    ds.setRows({{1, kData, kDataHora, "linha 1"}, {2, QVariant(), QVariant(), QVariant()}});
    ds.DataSet::open(); // a query's rows given here, never fetched
}

enum Coluna { Codigo, Data, DataHora, Obs };

// A window with the grid and a text box beside it, active, the grid focused.
struct EditoresFixture : ::testing::Test {
    DataSet ds;
    QWidget janela;
    TXRDBGrid *grid = new TXRDBGrid(&janela);
    QLineEdit *lado = new QLineEdit(&janela);
    ScopedDialogRecorder rec;

    void SetUp() override
    {
        carrega(ds);
        auto *l = new QHBoxLayout(&janela);
        l->addWidget(grid);
        l->addWidget(lado);
        grid->SetDataSet(&ds);
        grid->Column(Obs)->MemoEditor = true;
        janela.resize(800, 300);
        janela.show();
        QApplication::setActiveWindow(&janela);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&janela));
        grid->setFocus();
        QCoreApplication::processEvents();
        ASSERT_TRUE(grid->hasFocus());
    }

    void vaiPara(int row, int col) { grid->setCurrentIndex(grid->Model()->index(row, col)); }

    template <typename T> T *editor() const
    {
        QWidget *w = QApplication::focusWidget();
        return w && grid->isAncestorOf(w) ? qobject_cast<T *>(w) : nullptr;
    }

    QVariant valor(int row, int col) const { return ds.valueAt(row, col); }
};

} // namespace

TEST_F(EditoresFixture, ADigitOpensTheDateEditorOverTheEmptyMask)
{
    vaiPara(1, Data);
    QTest::keyClick(grid, '1');
    auto *e = editor<TXREdtDate>();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->text(), "1 /  /    ");
    EXPECT_EQ(e->cursorPosition(), 1);
    QTest::keyClicks(e, "0032025");
    EXPECT_EQ(e->text(), "10/03/2025");
    QTest::keyClick(e, Qt::Key_Tab);
    EXPECT_EQ(editor<TXREdtDate>(), nullptr);
    EXPECT_EQ(grid->currentIndex().column(), int(DataHora));
    EXPECT_EQ(ds.fieldByName("DATA")->value(), QVariant(QDate(2025, 3, 10)));

    // a letter on a date cell opens nothing and changes nothing
    ds.cancel();
    vaiPara(0, Data);
    QTest::keyClick(grid, 'x');
    EXPECT_EQ(editor<TXREdtDate>(), nullptr);
    EXPECT_EQ(ds.state(), DataSet::State::Browse);
    // Backspace opens it on the stored date, caret at the start
    QTest::keyClick(grid, Qt::Key_Backspace);
    e = editor<TXREdtDate>();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->text(), "01/02/2024");
    EXPECT_EQ(e->cursorPosition(), 0);
    EXPECT_FALSE(e->hasSelectedText());
}

TEST_F(EditoresFixture, EscAndTheEmptyMask)
{
    struct Caso {
        const char *nome;
        int linha;
        QVariant antes;
    } casos[] = {{"dated", 0, kData}, {"null", 1, QVariant()}};
    for (const Caso &c : casos) {
        SCOPED_TRACE(c.nome);
        vaiPara(c.linha, Data);
        QTest::keyClick(grid, '2');
        auto *e = editor<TXREdtDate>();
        ASSERT_NE(e, nullptr);
        QTest::keyClicks(e, "5122020");
        QTest::keyClick(e, Qt::Key_Escape);
        EXPECT_EQ(editor<TXREdtDate>(), nullptr);
        EXPECT_TRUE(grid->hasFocus());
        EXPECT_EQ(valor(c.linha, Data), c.antes);
        EXPECT_EQ(ds.state(), DataSet::State::Browse);
    }

    // Backspace over every character leaves the empty mask: the field goes null
    vaiPara(0, Data);
    QTest::keyClick(grid, Qt::Key_F2);
    auto *e = editor<TXREdtDate>();
    ASSERT_NE(e, nullptr);
    e->setCursorPosition(10);
    for (int i = 0; i < 10; ++i)
        QTest::keyClick(e, Qt::Key_Backspace);
    EXPECT_EQ(e->text(), TXRDateEdit::MascaraVazia());
    QTest::keyClick(e, Qt::Key_Tab);
    EXPECT_TRUE(ds.fieldByName("DATA")->isNull());
    ds.post();
    EXPECT_TRUE(valor(0, Data).isNull());

    // text that is no date leaves the field as it was
    vaiPara(1, Data);
    QTest::keyClick(grid, '3');
    e = editor<TXREdtDate>();
    ASSERT_NE(e, nullptr);
    QTest::keyClicks(e, "1022023"); // 31/02/2023
    QTest::keyClick(e, Qt::Key_Tab);
    EXPECT_TRUE(valor(1, Data).isNull());
    EXPECT_TRUE(rec->texts().isEmpty());
}

TEST_F(EditoresFixture, PassingThroughADateTimeKeepsItsTime)
{
    vaiPara(0, DataHora);
    QTest::keyClick(grid, Qt::Key_F2);
    auto *e = editor<TXREdtDate>();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->text(), "10/03/2025");
    QTest::keyClick(e, Qt::Key_Tab);
    EXPECT_EQ(ds.state(), DataSet::State::Browse);
    EXPECT_EQ(valor(0, DataHora), QVariant(kDataHora));

    // leaving by a click elsewhere goes the same way
    vaiPara(0, DataHora);
    QTest::keyClick(grid, Qt::Key_F2);
    ASSERT_NE(editor<TXREdtDate>(), nullptr);
    lado->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(ds.state(), DataSet::State::Browse);
    EXPECT_EQ(valor(0, DataHora), QVariant(kDataHora));

    // a changed date goes in as a date
    grid->setFocus();
    vaiPara(0, DataHora);
    QTest::keyClick(grid, '2');
    e = editor<TXREdtDate>();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->text(), "20/03/2025");
    QTest::keyClick(e, Qt::Key_Tab);
    EXPECT_EQ(ds.fieldByName("DATAHORA")->value().toDateTime(), QDateTime(QDate(2025, 3, 20), QTime(0, 0)));
}

TEST_F(EditoresFixture, AQueryIsNeverWrittenByTheDateEditor)
{
    TXRQuery q;
    carrega(q);
    grid->SetDataSet(&q);
    grid->setFocus();
    vaiPara(1, Data);
    QTest::keyClick(grid, '1');
    auto *e = editor<TXREdtDate>();
    ASSERT_NE(e, nullptr);
    QTest::keyClicks(e, "0032025");
    QTest::keyClick(e, Qt::Key_Tab);
    EXPECT_EQ(q.state(), DataSet::State::Browse);
    EXPECT_TRUE(q.valueAt(1, Data).isNull());
}

TEST_F(EditoresFixture, MemoGrowsItsRowAndEscKeepsTheOldText)
{
    const int altura = grid->rowHeight(0);
    ASSERT_LT(altura, TXRMemo::AlturaExpandida);
    vaiPara(0, Obs);
    QTest::keyClick(grid, Qt::Key_F2);
    auto *m = editor<TXRMemo>();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->toPlainText(), "linha 1");
    EXPECT_EQ(grid->NumeroRow, 0);
    ASSERT_TRUE(m->Botao()->isVisible());
    QTest::mouseClick(m->Botao(), Qt::LeftButton);
    EXPECT_EQ(grid->rowHeight(0), TXRMemo::AlturaExpandida);
    EXPECT_EQ(m->height(), TXRMemo::AlturaExpandida);
    EXPECT_FALSE(m->Botao()->isVisible());
    EXPECT_EQ(editor<TXRMemo>(), m);

    // a second line, then Tab: written, and the row gets its height back
    m->moveCursor(QTextCursor::End);
    QTest::keyClick(m, Qt::Key_Return);
    QTest::keyClicks(m, "linha 2");
    QTest::keyClick(m, Qt::Key_Tab);
    EXPECT_EQ(editor<TXRMemo>(), nullptr);
    EXPECT_EQ(grid->rowHeight(0), altura);
    EXPECT_EQ(grid->Model()->rawValue(0, Obs).toString(), "linha 1\nlinha 2");

    // Esc after typing: the field keeps the text it had
    vaiPara(1, Obs);
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_F2);
    m = editor<TXRMemo>();
    ASSERT_NE(m, nullptr);
    QTest::mouseClick(m->Botao(), Qt::LeftButton);
    QTest::keyClicks(m, "rascunho");
    QTest::keyClick(m, Qt::Key_Escape);
    EXPECT_EQ(editor<TXRMemo>(), nullptr);
    EXPECT_EQ(grid->rowHeight(1), altura);
    EXPECT_TRUE(valor(1, Obs).isNull());
    EXPECT_EQ(ds.state(), DataSet::State::Browse);

    // a memo column without MemoEditor keeps the plain cell editor
    grid->Column(Obs)->MemoEditor = false;
    vaiPara(0, Obs);
    QTest::keyClick(grid, Qt::Key_F2);
    EXPECT_EQ(editor<TXRMemo>(), nullptr);
    EXPECT_NE(editor<QLineEdit>(), nullptr);
}
