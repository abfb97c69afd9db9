#include "components/XRDBGrid.h"
#include "components/untCpoBusca.h"
#include "components/untCpoPesquisa.h"
#include "data/XRQuery.h"
#include "data/XRTable.h"
#include "platform/DialogService.h"

#include "TestDb.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

TEST(Pesquisa, SqlOfASearch)
{
    const QString s = "SELECT COD, NOME FROM T";
    struct Caso {
        QString sql;
        QStringList filtro;
        QString coluna, tipo, texto;
        int modo;
        QString ordem, driver;
        QStringList esperado;
    } casos[] = {
        {s, {}, "NOME", "ftString", "ABC", 0, "NOME", "FB",
         {s, "WHERE 1 = 1", "AND UPPER(NOME) LIKE 'ABC%'", " ORDER BY NOME"}},
        {s, {}, "NOME", "ftString", "ABC", 1, "NOME", "FB",
         {s, "WHERE 1 = 1", "AND UPPER(NOME) LIKE '%ABC%'", " ORDER BY NOME"}},
        {s + " WHERE ATIVO = 'S'", {}, "NOME", "ftString", "ABC", 0, "NOME", "FB",
         {s + " WHERE ATIVO = 'S'", "AND UPPER(NOME) LIKE 'ABC%'", " ORDER BY NOME"}},
        {s + " where ATIVO = 'S'", {}, "NOME", "ftString", "A", 0, "", "FB",
         {s + " where ATIVO = 'S'", "WHERE 1 = 1", "AND UPPER(NOME) LIKE 'A%'"}},
        {s, {"ATIVO = 'S'", "AND COD > 0"}, "COD", "ftString", "", 0, "COD", "FB",
         {s, "WHERE ATIVO = 'S'\nAND COD > 0", " ORDER BY COD"}},
        {"SELECT A FROM X UNION SELECT A FROM Y", {}, "A", "ftString", "Z", 0, "A", "FB",
         {"SELECT A FROM X ", "WHERE 1 = 1", "AND UPPER(A) LIKE 'Z%'", "UNION", " SELECT A FROM Y", "WHERE 1 = 1",
          "AND UPPER(A) LIKE 'Z%'"}},
        {"SELECT A FROM X UNION ALL SELECT A FROM Y WHERE B = 1", {}, "A", "ftString", "", 0, "A", "FB",
         {"SELECT A FROM X ", "WHERE 1 = 1", "UNION ALL", " SELECT A FROM Y WHERE B = 1"}},
        {s, {}, "NOME", "ftString", "D'A", 0, "NOME", "FB",
         {s, "WHERE 1 = 1", "AND UPPER(NOME) LIKE 'D''A%'", " ORDER BY NOME"}},
        {s, {}, "DT", "ftDate", "01/", 0, "", "PG", {s, "WHERE 1 = 1", "AND to_char(DT,'DD/MM/YYYY') LIKE '01/%'"}},
        {s, {}, "COD", "ftInteger", "1", 1, "", "PG", {s, "WHERE 1 = 1", "AND UPPER(CAST(COD AS TEXT)) LIKE '%1%'"}},
        {s, {}, "NOME", "ftString", "A", 0, "", "PG", {s, "WHERE 1 = 1", "AND UPPER(NOME) LIKE 'A%'"}},
        {"  ", {}, "NOME", "ftString", "A", 0, "NOME", "FB", {}},
    };
    for (const Caso &c : casos)
        EXPECT_EQ(TfrmCpoBusca::MontaSQL(c.sql, c.filtro, c.coluna, c.tipo, c.texto, c.modo, c.ordem, c.driver),
                  c.esperado)
            << c.sql.toStdString() << " / " << c.texto.toStdString();
}

namespace {

struct PesquisaFixture : ::testing::Test {
    ScratchInstall inst;
    std::unique_ptr<TXRDatabase> db = inst.connect();
    ScopedDialogRecorder rec;
    TPesquisa botao;
    int fechou = 0;
    QVariant lidoNoEvento;

    void SetUp() override
    {
        execSql(*db, "CREATE TABLE T_BUSCA (COD VARCHAR(5), NOME VARCHAR(30))");
        execSql(*db, "INSERT INTO T_BUSCA VALUES ('A', 'ANA')");
        execSql(*db, "INSERT INTO T_BUSCA VALUES ('B', 'BIA')");
        execSql(*db, "INSERT INTO T_BUSCA VALUES ('C', 'D''AVILA')");
        botao.BaseDados = db.get();
        botao.BuscaSQL = {"SELECT COD, NOME FROM T_BUSCA"};
        botao.OnFechaPesquisa = [this](TPesquisa *p) {
            ++fechou;
            lidoNoEvento = p->RetornoPesquisa(botao.MultiSelecao ? "COD" : "NOME");
        };
    }

    TfrmCpoBusca *abre()
    {
        TfrmCpoBusca *f = botao.CriaPesquisa();
        f->show();
        EXPECT_TRUE(f->AguardaBusca()); // the first search lists everything
        return f;
    }

    static void liberaFechados() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    int linhaDe(DataSet *ds, const QString &cod)
    {
        for (int i = 0; i < ds->recordCount(); ++i)
            if (ds->valueAt(i, ds->fieldIndex("COD")).toString() == cod)
                return i;
        return -1;
    }
};

} // namespace

TEST_F(PesquisaFixture, IncrementalSearchRunsOnlyForAChangedText)
{
    TfrmCpoBusca *f = abre();
    ASSERT_EQ(f->QryBusca->recordCount(), 3);
    int consultas = 0;
    QObject ctx;
    QObject::connect(f->QryBusca, &DataSet::rowsReset, &ctx, [&consultas] { ++consultas; });

    QTest::keyClicks(f->EdtBusca, "a");
    QTest::keyClick(f->EdtBusca, Qt::Key_Backspace);
    f->Timer1Timer();
    EXPECT_FALSE(f->Buscando());
    EXPECT_EQ(consultas, 0);

    QTest::keyClicks(f->EdtBusca, "b");
    EXPECT_EQ(f->EdtBusca->text(), "B");
    f->Timer1Timer();
    EXPECT_TRUE(f->AguardaBusca());
    EXPECT_GT(consultas, 0);
    EXPECT_EQ(f->QryBusca->recordCount(), 1);
    EXPECT_TRUE(f->QryBusca->SQL().Text().contains("AND UPPER(COD) LIKE 'B%'"));
    consultas = 0;
    f->Timer1Timer();
    EXPECT_FALSE(f->Buscando());
    EXPECT_EQ(consultas, 0);
    f->close();
}

TEST_F(PesquisaFixture, ConfirmingFiresTheEventOnceAndTheAnswerOutlivesTheForm)
{
    enum Como { Botao, Enter, DuploClique };
    for (Como como : {Botao, Enter, DuploClique}) {
        fechou = 0;
        QPointer<TfrmCpoBusca> f = abre();
        f->QryBusca->setRecNo(2);
        switch (como) {
        case Botao: f->BitBtn2->click(); break;
        case Enter:
            f->DBGrid1->setFocus();
            QTest::keyClick(f->DBGrid1, Qt::Key_Return);
            break;
        case DuploClique:
            QTest::mouseDClick(f->DBGrid1->viewport(), Qt::LeftButton, {},
                               f->DBGrid1->visualRect(f->DBGrid1->Model()->index(1, 0)).center());
            break;
        }
        if (f)
            f->Confirma(false); // a second confirmation does nothing
        EXPECT_EQ(fechou, 1) << como;
        EXPECT_EQ(lidoNoEvento.toString(), "BIA") << como;
        liberaFechados();
        EXPECT_TRUE(f.isNull()) << como;
        EXPECT_EQ(botao.RetornoPesquisa("nome").toString(), "BIA");
        EXPECT_EQ(botao.RetornoPesquisa("COD").toString(), "B");
    }
    EXPECT_TRUE(rec->texts().isEmpty());
    EXPECT_EQ(botao.RetornoPesquisa("XPTO").toString(), "");
    EXPECT_EQ(rec->texts(), QStringList{"Chave não encontrada na pesquisa!"});

    // cancelling fires nothing and leaves no answer
    fechou = 0;
    QPointer<TfrmCpoBusca> f = abre();
    QTest::keyClick(f, Qt::Key_Escape);
    liberaFechados();
    EXPECT_TRUE(f.isNull());
    EXPECT_EQ(fechou, 0);
    EXPECT_EQ(botao.RetornoPesquisa("NOME").toString(), "");
}

TEST_F(PesquisaFixture, AFailingSelectShowsTheMessageAndKeepsTheFormOpen)
{
    botao.BuscaSQL = {"SELECT COD, NOME FROM T_BUSCA where COD = 'A'"};
    TfrmCpoBusca *f = abre();
    const auto e = rec->entries();
    ASSERT_EQ(e.size(), 1u);
    EXPECT_TRUE(e[0].text.startsWith("A Consulta não pode ser executada.\r\r")) << e[0].text.toStdString();
    EXPECT_GT(e[0].text.size(), QString("A Consulta não pode ser executada.\r\r").size());
    EXPECT_EQ(e[0].title, "Pesquisa Padrão");
    EXPECT_EQ(e[0].icon, MsgIcon::Error);
    EXPECT_TRUE(f->isVisible());
    f->close();
}

TEST_F(PesquisaFixture, MultiSelectionListsTheTickedKeys)
{
    botao.MultiSelecao = true;
    TfrmCpoBusca *f = abre();
    DataSet *tb = f->TbBusca;
    ASSERT_EQ(tb->recordCount(), 3);
    ASSERT_EQ(f->DBGrid1->Column(0)->FieldName, "Sel");
    EXPECT_EQ(f->ListaSelecao("COD"), "");
    for (const char *cod : {"A", "B"}) {
        const int r = linhaDe(tb, cod);
        QTest::mouseClick(f->DBGrid1->viewport(), Qt::LeftButton, {},
                          f->DBGrid1->visualRect(f->DBGrid1->Model()->index(r, 0)).center());
    }
    EXPECT_EQ(f->ListaSelecao("COD"), "A','B");
    f->BitBtn2->click();
    EXPECT_EQ(fechou, 1);
    EXPECT_EQ("'" + lidoNoEvento.toString() + "'", "'A','B'");
    liberaFechados();
    EXPECT_EQ(botao.RetornoPesquisa("COD").toString(), "A','B");

    // an embedded quote is doubled
    f = abre();
    f->TbBusca->setRecNo(linhaDe(f->TbBusca, "C") + 1);
    f->Confirma(true); // Enter ticks the current row
    EXPECT_EQ(botao.RetornoPesquisa("NOME").toString(), "D''AVILA");
}

TEST_F(PesquisaFixture, TheButtonsTableFollowsTheChosenRowByTheFirstColumn)
{
    TXRTable tabela;
    tabela.SetDatabase(db.get());
    tabela.TableName = "T_BUSCA";
    tabela.IndexFieldNames = "COD";
    tabela.open();
    tabela.setRecNo(3);
    botao.BuscaTable = &tabela;
    TfrmCpoBusca *f = abre();
    EXPECT_EQ(f->vChave, "COD");
    EXPECT_EQ(f->QryBusca->fieldByName("COD")->asString(), "C"); // located on show
    f->QryBusca->first();
    f->BitBtn2->click();
    EXPECT_EQ(tabela.fieldByName("COD")->asString(), "A");
}

namespace {
// Long enough on a fresh database that a newer search or a close finds it running.
const QString kConsultaLonga =
    "SELECT A.RDB$FIELD_NAME AS COD, B.RDB$FIELD_NAME AS NOME FROM RDB$FIELDS A CROSS JOIN RDB$FIELDS B";
} // namespace

TEST_F(PesquisaFixture, ANewerSearchDropsTheRowsOfOlderOnes)
{
    TfrmCpoBusca *f = abre();
    for (int vez = 0; vez < 3; ++vez) {
        // the older one may be replaced before it starts, cancelled while it runs, or dropped after
        f->ExecutaBusca(kConsultaLonga, "", "");
        if (vez == 1)
            QTest::qWait(20);
        f->ExecutaBusca(f->FSQL, "COD", "B");
        ASSERT_TRUE(f->AguardaBusca()) << vez;
        EXPECT_EQ(f->QryBusca->recordCount(), 1) << vez;
        EXPECT_EQ(f->QryBusca->fieldByName("NOME")->asString(), "BIA") << vez;
        EXPECT_TRUE(f->QryBusca->SQL().Text().contains("AND UPPER(COD) LIKE 'B%'")) << vez;
        QCoreApplication::processEvents(); // nothing late replaces them
        EXPECT_EQ(f->QryBusca->recordCount(), 1) << vez;
    }
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('|').toStdString();
    f->close();
}

TEST_F(PesquisaFixture, ClosingDuringASearchLeavesTheDatabaseUsable)
{
    QPointer<TfrmCpoBusca> f = abre();
    f->ExecutaBusca(kConsultaLonga, "", "");
    EXPECT_TRUE(f->Buscando());
    f->close();
    liberaFechados();
    EXPECT_TRUE(f.isNull());
    f = abre();
    EXPECT_EQ(f->QryBusca->recordCount(), 3);
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('|').toStdString();
    f->close();
}
