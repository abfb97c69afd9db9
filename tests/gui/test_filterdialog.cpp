#include "components/DBFilterDialog.h"
#include "components/XRDBFilterDialog.h"
#include "components/XRDBGrid.h"
#include "platform/DialogService.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {

struct FilterFixture : ::testing::Test {
    DataSet ds;
    TXRDBGrid grid;
    ScopedDialogRecorder rec;
    TFmDBFilterDialog *form = nullptr;

    void SetUp() override
    {
        ds.setFieldDefs({{"COLUNA1", FieldType::String, 20}, {"COLUNA2", FieldType::Integer}, {"DATA", FieldType::Date}});
        ds.setRows({{"xabcx", 1, QDate(2024, 1, 1)},
                    {"ABC", 2, QDate(2024, 1, 2)},
                    {"zzz", 5, QDate(2024, 1, 3)},
                    {"zzz", 6, QDate(2024, 1, 4)},
                    {"x) OR (y", 7, QDate(2024, 1, 5)}});
        ds.open();
        grid.Filtrar = true;
        grid.SetDataSet(&ds);
        form = grid.XRFilterDialog()->Form();
    }
    void TearDown() override { form->hide(); }

    // Fills panel i: connector index, column index, operator index, value.
    void condicao(int i, int conector, int coluna, int operador, const QString &valor)
    {
        QWidget *p = form->Painel(i);
        if (!p->isVisible())
            form->Painel(i - 1)->findChild<QToolButton *>("Image1")->click();
        p->findChild<QComboBox *>("CbCondicao")->setCurrentIndex(conector);
        p->findChild<QComboBox *>("CbColuna")->setCurrentIndex(coluna);
        p->findChild<QComboBox *>("CbOperador")->setCurrentIndex(operador);
        p->findChild<QLineEdit *>("EdValor")->setText(valor);
    }
    void confirma() { form->findChild<QPushButton *>("BitBtn2")->click(); }
    QStringList nomes()
    {
        QStringList out;
        for (int i = 0; i < ds.recordCount(); ++i)
            out << ds.valueAt(i, 1).toString();
        return out;
    }
};

} // namespace

TEST_F(FilterFixture, ContainsOrEqualGivesTheExactFilterAndTheMatchingRows)
{
    form->show();
    condicao(0, 0, 0, 2, "abc");
    condicao(1, 1, 1, 0, "5");
    confirma();
    EXPECT_EQ(ds.filter(),
              "(1=1) AND (3=3) AND   (UPPER(COLUNA1) LIKE UPPER('%abc%') OR COLUNA2 = '5')");
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(ds.filtered());
    EXPECT_EQ(nomes(), (QStringList{"1", "2", "5"}));
    EXPECT_EQ(grid.XRFilterDialog()->Colunas, ds.filter());
    EXPECT_EQ(grid.XRFilterDialog()->Campos, (QStringList{"*COLUNA1*", "*COLUNA2*"}));
    EXPECT_TRUE(grid.TituloFiltrado(0));
    EXPECT_FALSE(grid.TituloFiltrado(2));
}

TEST_F(FilterFixture, TheDataSetsOwnFilterStaysInFrontAcrossConfirmations)
{
    ds.setFilter("COLUNA2 < 7");
    ds.setFiltered(true);
    form->show();
    condicao(0, 0, 0, 0, "zzz");
    confirma();
    EXPECT_EQ(ds.filter(), "COLUNA2 < 7 AND (3=3) AND   (UPPER(COLUNA1) = UPPER('zzz'))");
    EXPECT_EQ(nomes(), (QStringList{"5", "6"}));

    form->show();
    condicao(0, 0, 1, 7, "5");
    confirma();
    EXPECT_EQ(ds.filter(), "COLUNA2 < 7 AND (3=3) AND   (COLUNA2 > '5')");
    EXPECT_EQ(nomes(), (QStringList{"6"}));
}

TEST_F(FilterFixture, ConnectorsGroupStructurallyAndValuesCannotBreakOut)
{
    form->show();
    condicao(0, 0, 1, 6, "2");
    condicao(1, 0, 0, 0, "zzz");
    condicao(2, 1, 0, 2, "x) OR (y");
    confirma();
    EXPECT_EQ(ds.filter(), "(1=1) AND (3=3) AND   (COLUNA2 >= '2') AND (UPPER(COLUNA1) = UPPER('zzz') OR "
                           "UPPER(COLUNA1) LIKE UPPER('%x) OR (y%'))");
    EXPECT_EQ(nomes(), (QStringList{"5", "6", "7"}));

    // a quote in a value is doubled
    form->show();
    form->Image2Click(2);
    form->Image2Click(1);
    condicao(0, 0, 0, 0, "d'a");
    confirma();
    EXPECT_EQ(ds.filter(), "(1=1) AND (3=3) AND   (UPPER(COLUNA1) = UPPER('d''a'))");
    EXPECT_EQ(ds.recordCount(), 0);
}

TEST_F(FilterFixture, InvalidValuesAndOperatorsAreRefusedAndNothingIsApplied)
{
    const QString aspas = "\"";
    const QString ops = "Operadores " + aspas + "Contém" + aspas + ", " + aspas + "Não contém" + aspas + ", " + aspas
        + "Começa com" + aspas + " e " + aspas + "Termina com" + aspas;
    struct Caso {
        int coluna, operador;
        QString valor, mensagem;
    } casos[] = {
        {2, 2, "01/01/2024", "Operador inválido.\r" + ops + " inválidos para campos do tipo Data."},
        {2, 0, "abc", "Data inválida."},
        {1, 0, "abc", "Valor inválido."},
        {1, 4, "5", "Operador inválido.\r" + ops + " inválidos para campos Numéricos."},
    };
    ds.setFilter("COLUNA2 > 1");
    ds.setFiltered(true);
    for (const Caso &c : casos) {
        rec->clear();
        form->show();
        condicao(0, 0, c.coluna, c.operador, c.valor);
        confirma();
        ASSERT_EQ(rec->entries().size(), 1u) << c.mensagem.toStdString();
        EXPECT_EQ(rec->entries()[0].text, c.mensagem);
        EXPECT_EQ(rec->entries()[0].title, "Filtrar dados");
        EXPECT_EQ(rec->entries()[0].icon, MsgIcon::Information);
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(ds.filter(), "COLUNA2 > 1");
        EXPECT_TRUE(ds.filtered());
        form->findChild<QPushButton *>("BitBtn3")->click();
    }
}

TEST_F(FilterFixture, RowsRulesAndCancelRestoresTheConditions)
{
    form->show();
    condicao(0, 0, 0, 0, "a");
    condicao(1, 1, 0, 0, "b");
    condicao(2, 0, 0, 0, "c");
    form->Image1Click(); // three rows: nothing
    EXPECT_EQ(form->TbColunas()->recordCount(), 3);
    form->Image2Click(0);
    ASSERT_EQ(form->TbColunas()->recordCount(), 2);
    EXPECT_EQ(form->TbColunas()->valueAt(0, 0).toString(), "E"); // the new first row joins with "E"
    EXPECT_EQ(form->TbColunas()->valueAt(0, 3).toString(), "b");
    confirma();

    form->show();
    condicao(0, 0, 1, 0, "9");
    QTest::keyClick(form, Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->TbColunas()->valueAt(0, 3).toString(), "b");
    EXPECT_EQ(form->TbColunas()->valueAt(0, 4).toString(), "COLUNA1");
    EXPECT_EQ(ds.filter(), "(1=1) AND (3=3) AND   (UPPER(COLUNA1) = UPPER('b')) AND (UPPER(COLUNA1) = UPPER('c'))");
}

TEST_F(FilterFixture, CancellingTheFirstInsertIntoAnEmptyFilteredGridDropsTheFilter)
{
    form->show();
    condicao(0, 0, 0, 0, "nada");
    confirma();
    ASSERT_TRUE(ds.isEmpty());
    ds.append();
    ds.cancel();
    EXPECT_FALSE(ds.filtered());
    EXPECT_EQ(ds.recordCount(), 5);
    EXPECT_TRUE(grid.XRFilterDialog()->Colunas.isEmpty());
    EXPECT_TRUE(form->TbColunas()->isEmpty());
}

namespace {

int janelasDeFiltro()
{
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        n += qobject_cast<TFmDBFilterDialog *>(w) != nullptr;
    return n;
}

TEST(FilterDialogMade, OnlyWhenFirstAskedFor)
{
    const int antes = janelasDeFiltro();
    TXRDBGrid grid;
    EXPECT_EQ(janelasDeFiltro(), antes);
    // clearing a filter never shown makes no window either
    grid.XRFilterDialog()->EmptyFilter();
    EXPECT_EQ(janelasDeFiltro(), antes);
    TFmDBFilterDialog *form = grid.XRFilterDialog()->Form();
    EXPECT_EQ(janelasDeFiltro(), antes + 1);
    EXPECT_EQ(grid.XRFilterDialog()->Form(), form);
}

} // namespace
