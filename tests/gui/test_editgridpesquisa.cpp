// The drop-down search edit: its search SQL, the typing pause, the keys and the kept fields.
#include "components/XREditGridPesquisa.h"
#include "data/XRQuery.h"
#include "platform/DataSetModel.h"
#include "platform/DialogService.h"

#include "TestDb.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTest>

namespace {

QStringList grupo(const QString &conector, const QString &w)
{
    const QString like = " (UPPER(NOME) LIKE UPPER('";
    return {conector + " (", like + "%" + w + "')) OR", like + w + "%')) OR", like + "%" + w + "%'))", ")"};
}

} // namespace

TEST(EditGridPesquisa, ConditionsOfTheTypedWords)
{
    struct Caso {
        const char *texto;
        const char *conector;
        QStringList esperado;
    } casos[] = {
        {"ana", "WHERE", grupo("WHERE", "ana")},
        {"ana maria", "WHERE", grupo("WHERE", "ana") + grupo("AND", "maria")},
        {"ana-maria", "AND", grupo("AND", "ana") + grupo("AND", "maria")},
        // two blanks in a row: an empty word in between, which matches any value
        {"ana  maria", "WHERE", grupo("WHERE", "ana") + grupo("AND", "") + grupo("AND", "maria")},
        {"o'neil", "WHERE", grupo("WHERE", "o''neil")},
        {"x' OR 1=1", "WHERE", grupo("WHERE", "x''") + grupo("AND", "OR") + grupo("AND", "1=1")},
        {"", "WHERE", grupo("WHERE", "")},
    };
    for (const Caso &c : casos)
        EXPECT_EQ(TXRCustomEditGridPesquisa::AdicionaCondicoes(QString::fromUtf8(c.texto), "NOME", c.conector),
                  c.esperado)
            << c.texto;
}

TEST(EditGridPesquisa, KeptFields)
{
    TXREditGridPesquisa e;
    EXPECT_TRUE(e.IsEmpty());
    TXREditGridPesquisaField *cod = e.FieldByName("COD");
    ASSERT_NE(cod, nullptr);
    EXPECT_EQ(e.FieldCount(), 1);
    EXPECT_EQ(cod->AsString(), "");
    EXPECT_EQ(e.FieldByName("cod"), cod); // any letter case
    EXPECT_EQ(e.FieldCount(), 1);
    EXPECT_EQ(e.FieldByName("NOVO")->AsString(), "");
    EXPECT_EQ(e.FieldCount(), 2);
    EXPECT_TRUE(e.IsEmpty());

    cod->SetAsString("12a");
    EXPECT_FALSE(e.IsEmpty());
    EXPECT_EQ(cod->AsInteger(), 0);
    EXPECT_EQ(cod->AsFloat(), 0.0);
    EXPECT_THROW(cod->AsDate(), std::invalid_argument);
    cod->SetAsFloat(1234.5);
    EXPECT_EQ(cod->AsString(), "1234,5");
    EXPECT_DOUBLE_EQ(cod->AsFloat(), 1234.5);
    cod->SetAsInteger(42);
    EXPECT_EQ(cod->AsInteger(), 42);
    cod->SetAsDate(QDate(2025, 3, 10));
    EXPECT_EQ(cod->AsString(), "10/03/2025");
    EXPECT_EQ(cod->AsDate(), QDate(2025, 3, 10));
    e.setText("x");
    e.Clear();
    EXPECT_TRUE(e.text().isEmpty());
    EXPECT_TRUE(e.IsEmpty());
    EXPECT_EQ(e.FieldCount(), 2);
}

TEST(EditGridPesquisa, LabelFollowsTheEdit)
{
    QWidget janela;
    auto *e = new TXREditGridPesquisa(&janela);
    e->EditLabel()->setText("Cliente");
    e->setGeometry(100, 50, 120, 24);
    janela.resize(400, 200);
    janela.show();
    QLabel *l = e->EditLabel();
    EXPECT_EQ(l->parentWidget(), &janela);
    EXPECT_TRUE(l->isVisible());
    EXPECT_EQ(l->buddy(), e);
    const int lw = l->width(), lh = l->height();
    EXPECT_EQ(l->pos(), QPoint(100 - lw - 3, 50 + (24 - lh) / 2));
    e->SetLabelPosition(TXRCustomEditGridPesquisa::TLabelPosition::Above);
    EXPECT_EQ(l->pos(), QPoint(100, 50 - lh - 3));
    e->SetLabelSpacing(6);
    e->SetLabelPosition(TXRCustomEditGridPesquisa::TLabelPosition::Below);
    EXPECT_EQ(l->pos(), QPoint(100, 50 + 24 + 6));
    e->move(10, 20);
    EXPECT_EQ(l->pos(), QPoint(10, 20 + 24 + 6));
    e->setEnabled(false);
    EXPECT_FALSE(l->isEnabled());
    e->hide();
    EXPECT_FALSE(l->isVisible());
    delete e; // the label goes with it
    EXPECT_TRUE(janela.findChildren<QLabel *>().isEmpty());
}

namespace {

struct DropDownFixture : ::testing::Test {
    ScratchInstall inst;
    std::unique_ptr<TXRDatabase> db = inst.connect();
    ScopedDialogRecorder rec;
    QWidget janela;
    QWidget *painel = new QWidget(&janela);
    TXREditGridPesquisa *edit = new TXREditGridPesquisa(painel);
    QLineEdit *depois = new QLineEdit(&janela);
    int pesquisas = 0, fechou = 0, entrou = 0;

    void SetUp() override
    {
        execSql(*db, "CREATE TABLE T_CLI (COD INTEGER, NOME VARCHAR(40))");
        for (const char *v : {"(1, 'ANA MARIA')", "(2, 'MARIA ANA')", "(3, 'JOSE')", "(4, 'O''NEIL ANA')"})
            execSql(*db, QString("INSERT INTO T_CLI VALUES ") + v);
        edit->Database = db.get();
        edit->SQLCampoPesquisa = "NOME";
        edit->SQLCampoRetorno = "NOME";
        edit->SetSQLConsulta({"SELECT COD, NOME FROM T_CLI"});
        edit->BeforePesquisa = [this](TXRCustomEditGridPesquisa *) { ++pesquisas; };
        edit->FechaPesquisa = [this](TXRCustomEditGridPesquisa *) { ++fechou; };
        edit->BeforeEnterGrid = [this](TXRCustomEditGridPesquisa *) { ++entrou; };
        painel->setGeometry(20, 30, 300, 40);
        edit->setGeometry(60, 8, 150, 24);
        depois->setGeometry(20, 250, 100, 24);
        janela.resize(400, 320);
        janela.show();
        QApplication::setActiveWindow(&janela);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&janela));
        edit->setFocus();
        QCoreApplication::processEvents();
        ASSERT_TRUE(edit->hasFocus());
    }

    QStringList nomes() const
    {
        QStringList r;
        for (int i = 0; i < edit->Query()->recordCount(); ++i)
            r << edit->Query()->valueAt(i, 1).toString();
        return r;
    }
    int linha() const { return edit->GridConsulta()->currentIndex().row(); }
};

} // namespace

TEST_F(DropDownFixture, QuickWordsSearchOnceAfterThePause)
{
    QTest::keyClicks(edit, "ana ma");
    EXPECT_EQ(pesquisas, 0);
    EXPECT_TRUE(edit->TimerPesquisa().isActive());
    // every key starts the pause over: 60 ms later a restarted pause has
    // more left than the first one could
    QTest::qWait(60);
    QTest::keyClick(edit, 'r');
    EXPECT_GT(edit->TimerPesquisa().remainingTime(), TXRCustomEditGridPesquisa::PausaMs - 60 + 10);
    EXPECT_EQ(pesquisas, 0);

    ASSERT_TRUE(QTest::qWaitFor([&] { return pesquisas > 0; }, 5000));
    EXPECT_FALSE(edit->TimerPesquisa().isActive());
    QTest::qWait(50);
    EXPECT_EQ(pesquisas, 1);
    const QStringList sql = edit->Query()->SQL().Lines();
    EXPECT_EQ(sql.mid(1, 10), grupo("WHERE", "ana") + grupo("AND", "mar"));
    EXPECT_EQ(sql.last(), "ORDER BY NOME");
    EXPECT_EQ(nomes(), (QStringList{"ANA MARIA", "MARIA ANA"}));
    EXPECT_EQ(edit->FieldCount(), 2); // one kept field per result field, empty
    EXPECT_TRUE(edit->IsEmpty());

    // under the edit on the window, as wide as the edit
    TXRDBGridPesquisa *g = edit->GridConsulta();
    EXPECT_TRUE(g->isVisible());
    EXPECT_EQ(g->parentWidget(), &janela);
    EXPECT_EQ(g->geometry(), QRect(80, 30 + 8 + 24, 150, 200));
}

TEST_F(DropDownFixture, WhereInTheQueryAndAQuoteInTheText)
{
    edit->SetSQLConsulta({"select COD, NOME from T_CLI", "where COD > 1"});
    edit->setText("o'neil-ana");
    edit->ExecutaPesquisa();
    const QStringList sql = edit->Query()->SQL().Lines();
    EXPECT_EQ(sql.at(2), "AND (");
    EXPECT_EQ(nomes(), QStringList{"O'NEIL ANA"});
    EXPECT_TRUE(rec->texts().isEmpty());
}

TEST_F(DropDownFixture, DownUpEnterAndEsc)
{
    edit->setText("ana");
    QTest::keyClick(edit, Qt::Key_Down);
    TXRDBGridPesquisa *g = edit->GridConsulta();
    ASSERT_TRUE(g->isVisible());
    EXPECT_TRUE(g->hasFocus());
    EXPECT_EQ(entrou, 1);
    EXPECT_EQ(pesquisas, 1);
    EXPECT_FALSE(edit->TimerPesquisa().isActive());
    EXPECT_EQ(nomes(), (QStringList{"ANA MARIA", "MARIA ANA", "O'NEIL ANA"}));
    EXPECT_EQ(linha(), 0);

    QTest::keyClick(g, Qt::Key_Down);
    EXPECT_EQ(linha(), 1);
    QTest::keyClick(g, Qt::Key_Up);
    EXPECT_EQ(linha(), 0);
    // Up on the first row: back to the edit with its text selected, the list still open
    QTest::keyClick(g, Qt::Key_Up);
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_EQ(edit->selectedText(), "ana");
    EXPECT_TRUE(g->isVisible());
    EXPECT_EQ(fechou, 0);

    // Enter on a row fills the edit and keeps the row
    QTest::keyClick(edit, Qt::Key_Down);
    ASSERT_TRUE(g->hasFocus());
    QTest::keyClick(g, Qt::Key_Down);
    QTest::keyClick(g, Qt::Key_Down);
    QTest::keyClick(g, Qt::Key_Return);
    EXPECT_EQ(edit->text(), "O'NEIL ANA");
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_FALSE(g->isVisible());
    EXPECT_EQ(fechou, 1);
    EXPECT_EQ(edit->FieldByName("COD")->AsInteger(), 4);
    EXPECT_EQ(edit->FieldByName("nome")->AsString(), "O'NEIL ANA");

    // Esc in the edit with a text still takes the current row
    edit->setText("jo");
    QTest::keyClick(edit, Qt::Key_Down);
    ASSERT_TRUE(g->isVisible());
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_FALSE(g->isVisible());
    EXPECT_EQ(edit->text(), "JOSE");
    EXPECT_EQ(edit->FieldByName("COD")->AsInteger(), 3);

    // Enter in the edit ends the search and moves on like Tab
    QTest::keyClick(edit, Qt::Key_Down);
    ASSERT_TRUE(g->isVisible());
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_FALSE(g->isVisible());
    EXPECT_TRUE(depois->hasFocus());
    EXPECT_EQ(edit->text(), "JOSE");
}

TEST_F(DropDownFixture, LeavingTheListForAnotherWidgetEndsTheSearch)
{
    int saidas = 0;
    edit->OnExit = [&](TXRCustomEditGridPesquisa *) { ++saidas; };
    edit->setText("maria");
    QTest::keyClick(edit, Qt::Key_Down);
    ASSERT_TRUE(edit->GridConsulta()->hasFocus());
    EXPECT_EQ(saidas, 0); // into its own list is no leaving
    EXPECT_EQ(fechou, 0);
    depois->setFocus();
    QCoreApplication::processEvents();
    EXPECT_FALSE(edit->GridConsulta()->isVisible());
    EXPECT_EQ(fechou, 1);
    EXPECT_EQ(edit->text(), "ANA MARIA");

    // straight from the edit: the search ends, then OnExit
    edit->setFocus();
    QCoreApplication::processEvents();
    depois->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(saidas, 1);
    EXPECT_EQ(fechou, 2);
}

TEST_F(DropDownFixture, ASearchErrorIsShownAndTheEditLives)
{
    edit->SetSQLConsulta({"SELECT COD, NOME FROM T_NAO_EXISTE"});
    edit->setText("a");
    QTest::keyClick(edit, Qt::Key_Down);
    ASSERT_EQ(rec->entries().size(), 1u);
    EXPECT_TRUE(rec->entries()[0].text.contains("T_NAO_EXISTE")) << rec->entries()[0].text.toStdString();
    EXPECT_EQ(entrou, 0);
    EXPECT_TRUE(edit->hasFocus());
}

TEST_F(DropDownFixture, FieldFormatOnlyForNumbers)
{
    edit->AfterPesquisa = [](TXRCustomEditGridPesquisa *e) {
        e->SetFieldFormat("cod", "000", "");
        e->SetFieldFormat("NOME", "000", "");
        e->SetFieldFormat("NADA", "000", "");
    };
    edit->setText("jose");
    edit->ExecutaPesquisa();
    DataSetModel *m = qobject_cast<DataSetModel *>(edit->GridConsulta()->model());
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->data(m->index(0, 0)).toString(), "003");
    EXPECT_EQ(m->data(m->index(0, 1)).toString(), "JOSE");
}
