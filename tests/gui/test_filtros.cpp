// The tile filter window over a tile on embedded Firebird: what it lists,
// how date cells are typed, and what OK, Restaurar, Desistir and Fechar write.
#include "TestDb.h"

#include "components/XRDBGrid.h"
#include "components/XRWidget.h"
#include "components/uFiltro.h"
#include "data/XRDatabase.h"
#include "data/XRQuery.h"
#include "platform/DataSet.h"
#include "platform/DialogService.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QThreadPool>

#include <gtest/gtest.h>

namespace {

bool aguarda(const std::function<bool()> &cond, int ms = 10000)
{
    QElapsedTimer t;
    t.start();
    while (!cond() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return cond();
}

const char *kSql = "SELECT PED_DTEN FROM (SELECT CAST('2024-01-10' AS DATE) AS PED_DTEN FROM RDB$DATABASE "
                   "UNION ALL SELECT CAST('2024-02-15' AS DATE) FROM RDB$DATABASE "
                   "UNION ALL SELECT CAST('2024-03-20' AS DATE) FROM RDB$DATABASE) "
                   "WHERE PED_DTEN >= :DATAINI AND PED_DTEN <= :DATAFIM ORDER BY 1";

QStringList coluna(DataSet &ds, int c)
{
    QStringList out;
    for (int i = 0; i < ds.recordCount(); ++i)
        out << ds.valueAt(i, c).toString();
    return out;
}

void setFiltro(DataSet &ds, int linha, const QString &texto)
{
    ds.setRecNo(linha + 1);
    ds.edit();
    ds.fieldByName("Filtro")->setValue(texto);
    ds.post();
}

class Filtros : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = inst.connect();
        w.SetDataBase(db.get());
        w.SetKind(TXRKind::wdGrid);
        w.SQL().SetText(QString::fromLatin1(kSql));
        EXPECT_EQ(w.Params().size(), 2u);
        w.Params()[0].DataTypeName = "Data inicial";
        w.Params()[0].DataType = TParamWidget::Tipo::Data;
        w.Params()[0].Value = QDate(2024, 1, 1);
        w.Params()[1].DataType = TParamWidget::Tipo::Data;
        w.Params()[1].Value = QDate(2024, 12, 31);
        w.Execute();
        EXPECT_TRUE(aguarda([this] { return !w.Trabalhando(); }));
        EXPECT_EQ(w.Dados()->recordCount(), 3);
    }
    void TearDown() override { PoolWidgets()->waitForDone(20000); }

    // Opens the filter window and runs `passos` on it; true when the tile refreshed.
    bool abre(const std::function<void(TFFiltros &)> &passos)
    {
        int atualizacoes = 0;
        const auto conn = QObject::connect(&w, &TXRWidget::Atualizado, [&atualizacoes] { ++atualizacoes; });
        abertas = 0;
        w.MostraModal = [&](QDialog &d) {
            ++abertas;
            auto &f = dynamic_cast<TFFiltros &>(d);
            f.Hoje = [] { return QDate(2024, 5, 15); };
            f.show();
            passos(f);
            f.close();
        };
        w.AbreFiltros();
        aguarda([this] { return !w.Trabalhando(); });
        QObject::disconnect(conn);
        return atualizacoes > 0;
    }
    QVariant parametro(const char *nome) { return w.Query()->FindParam(nome)->Value; }

    ScopedDialogRecorder rec;
    ScratchInstall inst;
    std::unique_ptr<TXRDatabase> db;
    TXRWidget w;
    int abertas = 0;
};

} // namespace

TEST(FiltrosOperador, TheWordBeforeTheFirstColonAndName)
{
    const struct { const char *sql; const char *nome; const char *op; } casos[] = {
        {kSql, "DATAINI", ">="},
        {kSql, "DATAFIM", "<="},
        {"WHERE X=:P", "P", "X="},
        {"WHERE A >= :DATAINI AND B = :DATA", "DATA", ">="}, // DATAINI comes first
        {"WHERE A = :X", "Y", ""},
        {":P", "P", ""},
    };
    for (const auto &c : casos)
        EXPECT_EQ(TFFiltros::OperadorDe(QString::fromLatin1(c.sql), c.nome), c.op) << c.sql << " " << c.nome;
}

TEST_F(Filtros, ListsCaptionOperatorAndValueAndOkRefreshesWithTheNewRange)
{
    const bool atualizou = abre([](TFFiltros &f) {
        EXPECT_EQ(f.windowTitle(), "Filtros");
        EXPECT_EQ(f.size(), QSize(363, 196));
        EXPECT_EQ(coluna(*f.CdsFiltros, 1), (QStringList{"Data inicial", "DATAFIM"}));
        EXPECT_EQ(coluna(*f.CdsFiltros, 2), (QStringList{">=", "<="}));
        EXPECT_EQ(coluna(*f.CdsFiltros, 3), (QStringList{"01/01/2024", "31/12/2024"}));
        for (QPushButton *b : {f.BtnOK, f.BtnRestaurar, f.BtnDesistir, f.BtnFechar}) {
            EXPECT_TRUE(b->text().isEmpty());
            EXPECT_FALSE(b->accessibleName().isEmpty());
        }
        setFiltro(*f.CdsFiltros, 0, "01/02/2024");
        setFiltro(*f.CdsFiltros, 1, "29/02/2024");
        f.BtnOK->click();
        EXPECT_TRUE(f.bAtualiza);
    });
    EXPECT_TRUE(atualizou);
    EXPECT_TRUE(w.bFiltroAplicado);
    ASSERT_EQ(w.Dados()->recordCount(), 1);
    EXPECT_EQ(w.Dados()->valueAt(0, 0), QVariant(QDate(2024, 2, 15)));

    // the next opening shows the values of the last run; the refresh button keeps them
    abre([](TFFiltros &f) { EXPECT_EQ(coluna(*f.CdsFiltros, 3), (QStringList{"01/02/2024", "29/02/2024"})); });
    w.Atualiza();
    ASSERT_TRUE(aguarda([this] { return !w.Trabalhando(); }));
    EXPECT_EQ(w.Dados()->recordCount(), 1);
}

TEST_F(Filtros, OneBadDateWritesNothingAndKeepsTheWindowOpen)
{
    const bool atualizou = abre([](TFFiltros &f) {
        setFiltro(*f.CdsFiltros, 0, "01/03/2024");
        // typed while leaving for Fechar, where the date check stands aside
        QApplication::setActiveWindow(&f);
        f.BtnFechar->setFocus();
        setFiltro(*f.CdsFiltros, 1, "31/02/2024");
        f.BtnOK->click();
        EXPECT_FALSE(f.bAtualiza);
        EXPECT_TRUE(f.isVisible());
    });
    EXPECT_FALSE(atualizou);
    EXPECT_FALSE(w.bFiltroAplicado);
    EXPECT_EQ(parametro("DATAINI"), QVariant(QDate(2024, 1, 1)));
    EXPECT_EQ(parametro("DATAFIM"), QVariant(QDate(2024, 12, 31)));
    ASSERT_EQ(rec->entries().size(), 1u);
    EXPECT_EQ(rec->entries()[0].text, "'31/02/2024' is not a valid date");
}

TEST_F(Filtros, InvalidTypedDateIsRefusedWithItsMessage)
{
    abre([this](TFFiltros &f) {
        f.CdsFiltros->setRecNo(1);
        f.CdsFiltros->edit();
        EXPECT_ANY_THROW(f.CdsFiltros->fieldByName("Filtro")->setValue("32/01/2024"));
        f.CdsFiltros->cancel();
        EXPECT_EQ(coluna(*f.CdsFiltros, 3).first(), "01/01/2024");
        ASSERT_EQ(rec->entries().size(), 1u);
        EXPECT_EQ(rec->entries()[0].text, QString::fromUtf8("Data inválida."));
        EXPECT_EQ(rec->entries()[0].title, "Filtros");
        f.BtnFechar->click();
    });
}

TEST_F(Filtros, RestaurarDesistirAndFechar)
{
    // Restaurar + OK writes the design values
    w.Params()[0].Value = QDate(2024, 3, 1);
    abre([](TFFiltros &f) {
        f.BtnRestaurar->click();
        EXPECT_EQ(coluna(*f.CdsFiltros, 3), (QStringList{"01/03/2024", "31/12/2024"}));
        f.BtnOK->click();
    });
    EXPECT_EQ(parametro("DATAINI"), QVariant(QDate(2024, 3, 1)));
    EXPECT_EQ(w.Dados()->recordCount(), 1);

    // Desistir brings back the opening values; Fechar writes nothing
    const bool atualizou = abre([](TFFiltros &f) {
        setFiltro(*f.CdsFiltros, 0, "05/05/2020");
        f.BtnDesistir->click();
        EXPECT_EQ(coluna(*f.CdsFiltros, 3), (QStringList{"01/03/2024", "31/12/2024"}));
        setFiltro(*f.CdsFiltros, 0, "05/05/2020");
        f.BtnFechar->click();
        EXPECT_FALSE(f.bAtualiza);
    });
    EXPECT_FALSE(atualizou);
    EXPECT_FALSE(w.bFiltroAplicado);
    EXPECT_EQ(parametro("DATAINI"), QVariant(QDate(2024, 3, 1)));
}

TEST_F(Filtros, DateKeysInTheCellAndNoRowsAddedOrRemoved)
{
    abre([](TFFiltros &f) {
        QApplication::setActiveWindow(&f);
        TXRDBGrid *g = f.DbgFiltros;
        g->setFocus();
        for (int k : {int(Qt::Key_Insert), int(Qt::Key_Delete), int(Qt::Key_Down), int(Qt::Key_Down)})
            QTest::keyClick(g, Qt::Key(k));
        QTest::keyClick(g, Qt::Key_Delete, Qt::ControlModifier);
        EXPECT_EQ(f.CdsFiltros->recordCount(), 2);

        const QModelIndex celula = g->model()->index(0, 2);
        g->setCurrentIndex(celula);
        g->edit(celula);
        auto *ed = g->viewport()->findChild<QLineEdit *>();
        ASSERT_TRUE(ed);
        QApplication::processEvents();
        ed->setText("01/02/2024");
        ed->setCursorPosition(2);
        QTest::keyClick(ed, '5');
        EXPECT_EQ(ed->text(), "01/52/2024");
        ed->setCursorPosition(3);
        QTest::keyClick(ed, Qt::Key_Backspace);
        EXPECT_EQ(ed->text(), "01/52/2024");
        EXPECT_EQ(ed->cursorPosition(), 2);
        QTest::keyClick(ed, 'x');
        EXPECT_EQ(ed->text(), "01/52/2024");
        QTest::keyClick(ed, 't');
        EXPECT_EQ(ed->text(), "15/05/2024");
        f.BtnFechar->click();
    });
}

TEST(FiltrosSemParametros, OpensNothing)
{
    ScratchInstall inst;
    auto db = inst.connect();
    TXRWidget w;
    w.SetDataBase(db.get());
    w.SQL().SetText("SELECT 1 AS N FROM RDB$DATABASE");
    w.Execute();
    ASSERT_TRUE(aguarda([&w] { return !w.Trabalhando(); }));
    int abertas = 0;
    w.MostraModal = [&abertas](QDialog &) { ++abertas; };
    w.AbreFiltros();
    EXPECT_EQ(abertas, 0);
    PoolWidgets()->waitForDone(20000);
}
