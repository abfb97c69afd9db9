// The load writer against a seeded local database.
#include "TabelaRecebida.h"
#include "TestDb.h"

#include "data/XRTransaction.h"
#include "data/untDMRepres.h"
#include "platform/DialogService.h"
#include "platform/fb/FbApi.h"
#include "sync/untDMRemoto.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

QString baseCarga()
{
    return upgradedTemplate({
        "UPDATE CONFIG SET NRULTCONFIG = 3",
        "INSERT INTO CLIENTE (CLI_CODI, CLI_NOME, CLI_CNPJ, CLI_TELE, CLI_IDENVIADO, CLI_IDSTATUS, CLI_CODCLIEMP) "
        "VALUES ('00040', 'Loja Antiga', '12345678000190', '111', 'S', 'B', 'E40')",
        "INSERT INTO CLIENTE (CLI_CODI, CLI_NOME, CLI_CODCLIEMP) VALUES ('00007', 'Outra', 'E07')",
        "INSERT INTO CONTATO_CLI (CONT_CCLI, CONT_ITEM, CONT_NOME) VALUES ('00040', 1, ' maria ')",
        "INSERT INTO TABPRZ (TABP_PRAZO, TABP_DESCRICAO) VALUES ('30', '30 dias')",
        "INSERT INTO PRODUTO (PROD_CODI, PROD_DESC) VALUES ('P1', 'Velho')",
        "INSERT INTO TABPRECO (TABP_REGIAO, TABP_DESCRICAO, TABP_VLRMINIMO) VALUES ('VELHA', 'Velha', 9)",
    });
}

std::unique_ptr<DataSet> recebida(const QString &nome, const QStringList &campos, const std::vector<Row> &linhas)
{
    return TabelaRecebida(nome, campos, linhas);
}

class GravaDadosTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { baseCarga(); }
    void SetUp() override
    {
        installTemplate(inst, baseCarga());
        dm = std::make_unique<TDMRepres>(TDMRepresGanchos{});
        ASSERT_TRUE(dm->XRDtRepres->Connected());
        rec->clear();
    }
    void TearDown() override { dm.reset(); }

    bool grava(DataSet &t, std::vector<std::pair<int, int>> *avisos = nullptr)
    {
        return cm.GravaDados(
            &t, [avisos](int p, int m) { if (avisos) avisos->emplace_back(p, m); }, true);
    }
    QVariant valor(const QString &sql) { return scalar(*dm->XRDtRepres, sql); }
    int conta(const QString &tabela) { return valor("SELECT COUNT(*) FROM " + tabela).toInt(); }

    ScratchInstall inst;
    ScopedDialogRecorder rec;
    std::unique_ptr<TDMRepres> dm;
    TClientModule1 cm;
};

} // namespace

TEST_F(GravaDadosTest, TablesAreReplacedWithTheirColumnRules)
{
    // An empty price-term list empties the local one; any other empty table is left alone.
    auto prazo = recebida("TABPRZ", {"TABP_PRAZO"}, {});
    auto produto = recebida("PRODUTO", {"PROD_CODI"}, {});
    ASSERT_TRUE(grava(*prazo));
    ASSERT_TRUE(grava(*produto));
    EXPECT_EQ(conta("TABPRZ"), 0);
    EXPECT_EQ(valor("SELECT PROD_DESC FROM PRODUTO WHERE PROD_CODI = 'P1'").toString(), "Velho");

    // Missing minimum value -> 0; extra received column ignored; old rows gone.
    auto tab = recebida("TABPRECO", {"TABP_REGIAO", "XYZ", "TABP_DESCRICAO"},
                        {{"SUL", "ignorado", "Sul"}, {"NORTE", "x", QVariant()}});
    ASSERT_TRUE(grava(*tab));
    EXPECT_EQ(conta("TABPRECO"), 2);
    EXPECT_EQ(valor("SELECT TABP_VLRMINIMO FROM TABPRECO WHERE TABP_REGIAO = 'SUL'").toDouble(), 0.0);
    EXPECT_TRUE(valor("SELECT TABP_DESCRICAO FROM TABPRECO WHERE TABP_REGIAO = 'NORTE'").isNull());

    // Size band: null -> 'UU', '' kept; a missing column stays null; a
    // float column keeps its value; numbers arrive as text in either form.
    auto faixas = std::make_unique<DataSet>();
    faixas->setObjectName("TABPRE_PRODUTO");
    faixas->setFieldDefs({{"PREC_PRODUTO", FieldType::String, 15},
                          {"PREC_TABELA", FieldType::String, 10},
                          {"PREC_FAIXA", FieldType::String, 5},
                          {"PREC_FAIXA_TAM", FieldType::String, 4},
                          {"PREC_PRECO", FieldType::Float}});
    faixas->open();
    faixas->appendRow({"P1", "SUL", "1", QVariant(), 12.5});
    faixas->appendRow({"P1", "SUL", "2", "", 10.25});
    faixas->appendRow({"P2", "SUL", "1", "PP", QVariant()});
    std::vector<std::pair<int, int>> avisos;
    ASSERT_TRUE(grava(*faixas, &avisos));
    EXPECT_EQ(valor("SELECT PREC_FAIXA_TAM FROM TABPRE_PRODUTO WHERE PREC_FAIXA = 1 AND PREC_PRODUTO = 'P1'").toString(), "UU");
    EXPECT_EQ(valor("SELECT PREC_FAIXA_TAM FROM TABPRE_PRODUTO WHERE PREC_FAIXA = 2").toString(), "");
    EXPECT_EQ(valor("SELECT PREC_PRECO FROM TABPRE_PRODUTO WHERE PREC_FAIXA = 2").toDouble(), 10.25);
    EXPECT_TRUE(valor("SELECT PREC_QTDMAXIMA FROM TABPRE_PRODUTO WHERE PREC_PRODUTO = 'P2'").isNull());
    ASSERT_FALSE(avisos.empty());
    EXPECT_EQ(avisos.front(), std::make_pair(0, 3));
    EXPECT_EQ(avisos.back(), std::make_pair(3, 3));

    // Dates: a blank text is null, the local form and ISO both read.
    auto contato = recebida("CONTATO_CLI", {"CONT_CCLI", "CONT_ITEM", "CONT_NOME", "CONT_NASC"},
                            {{"E07", "1", "Ana", "  "}, {"E07", "2", "Bia", "05/01/2025"}, {"E07", "3", "Cid", "2025-02-03"}});
    ASSERT_TRUE(grava(*contato));
    EXPECT_TRUE(valor("SELECT CONT_NASC FROM CONTATO_CLI WHERE CONT_NOME = 'Ana'").isNull());
    EXPECT_EQ(valor("SELECT CONT_NASC FROM CONTATO_CLI WHERE CONT_NOME = 'Bia'").toDate(), QDate(2025, 1, 5));
    EXPECT_EQ(valor("SELECT CONT_NASC FROM CONTATO_CLI WHERE CONT_NOME = 'Cid'").toDate(), QDate(2025, 2, 3));
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('|').toStdString();
}

TEST_F(GravaDadosTest, CustomersMergeByTaxNumberAndContactsFollowTheirCodes)
{
    auto clientes = recebida("CLIENTE", {"CLI_CODI", "CLI_CNPJ", "CLI_NOME", "CLI_DTCA"},
                             {{"E40", "12.345.678/0001-90", "Loja Renovada", "01/02/2024"},
                              {"E50", "", "Sem CNPJ", "  "},
                              {"E51", "98.765.432/0001-10", "Nova", "05/01/2025"},
                              {"E52", "   ", "Terceira", QVariant()}});
    ASSERT_TRUE(grava(*clientes));
    // matched despite the punctuation: updated by its local code, not inserted
    EXPECT_EQ(conta("CLIENTE"), 5);
    EXPECT_EQ(valor("SELECT CLI_NOME FROM CLIENTE WHERE CLI_CODI = '00040'").toString(), "Loja Renovada");
    EXPECT_EQ(valor("SELECT CLI_DTCA FROM CLIENTE WHERE CLI_CODI = '00040'").toDate(), QDate(2024, 2, 1));
    // what the server did not send stays as it was
    EXPECT_EQ(valor("SELECT CLI_CNPJ || CLI_TELE || CLI_IDENVIADO || CLI_IDSTATUS || CLI_CODCLIEMP FROM CLIENTE "
                    "WHERE CLI_CODI = '00040'")
                  .toString(),
              "12345678000190111SBE40");
    // new customers numbered after 00040, blank tax numbers never matching
    EXPECT_EQ(valor("SELECT LIST(CLI_CODI || ':' || CLI_CODCLIEMP, ' ') FROM "
                    "(SELECT CLI_CODI, CLI_CODCLIEMP FROM CLIENTE WHERE CLI_CODI > '00040' ORDER BY CLI_CODI)")
                  .toString(),
              "00041:E50 00042:E51 00043:E52");
    EXPECT_TRUE(valor("SELECT CLI_DTCA FROM CLIENTE WHERE CLI_CODI = '00041'").isNull());
    ASSERT_EQ(cm.CDSCodClientes->recordCount(), 3);
    EXPECT_EQ(cm.CDSCodClientes->valueAt(2, 0).toString(), "00043");
    EXPECT_EQ(cm.CDSCodClientes->valueAt(2, 1).toString(), "E52");

    EXPECT_EQ(cm.RetornaCodCliLocal("E51"), "00042");
    EXPECT_EQ(cm.RetornaCodCliLocal("E07"), "00007");
    EXPECT_EQ(cm.RetornaCodCliLocal("E'99"), "");
    EXPECT_TRUE(cm.ExisteContato("E40", 1, "MARIA  "));
    EXPECT_FALSE(cm.ExisteContato("E40", 1, "D'Ávila"));
    EXPECT_TRUE(cm.ExisteContato("E'99", 1, "X")); // no such customer

    auto contatos = recebida("CONTATO_CLI", {"CONT_CCLI", "CONT_ITEM", "CONT_NOME"},
                             {{"E40", "1", "MARIA"},        // same contact, other case and blanks
                              {"E99", "1", "Sem Cliente"},  // customer unknown here
                              {"E51", "1", "D'Ávila"},      // a new customer's contact
                              {"E40", "2", "João"}});
    ASSERT_TRUE(grava(*contatos));
    EXPECT_EQ(conta("CONTATO_CLI"), 3);
    EXPECT_EQ(valor("SELECT CONT_CCLI FROM CONTATO_CLI WHERE CONT_NOME = 'D''Ávila'").toString(), "00042");
    EXPECT_EQ(valor("SELECT CONT_CCLI FROM CONTATO_CLI WHERE CONT_NOME = 'João'").toString(), "00040");
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('|').toStdString();
}

TEST_F(GravaDadosTest, AFailingRowIsReportedAndCommitsWaitWhileHeld)
{
    dm->XRTransaction->CommitRetaining();
    {
        RetencaoCommits retencao(*dm->XRTransaction);
        auto bom = recebida("COLECAO", {"COL_COLECAO", "COL_DESCRICAO"}, {{"V25", "Verão"}});
        ASSERT_TRUE(grava(*bom));
        auto ruim = recebida("TABPRECO", {"TABP_REGIAO"}, {{"SUL"}, {QVariant()}}); // key missing
        EXPECT_FALSE(grava(*ruim));
        ASSERT_EQ(rec->texts().size(), 1);
        EXPECT_TRUE(rec->texts()[0].contains("TABP_REGIAO")) << rec->texts()[0].toStdString();
        dm->XRTransaction->RollbackRetaining();
    }
    // nothing of the held writes survived the rollback
    EXPECT_EQ(conta("COLECAO"), 0);
    EXPECT_EQ(valor("SELECT TABP_DESCRICAO FROM TABPRECO").toString(), "Velha");
}

TEST_F(GravaDadosTest, ALargeTableIsReplacedWhole)
{
    // more rows than one slice of the emptying statement
    std::vector<Row> linhas;
    for (int i = 0; i < 11000; ++i)
        linhas.push_back({"C1", QString::number(i), "1"});
    auto cotas = recebida("COTAS", {"COT_COLECAO", "COT_PRODUTO", "COT_QTDE"}, linhas);
    ASSERT_TRUE(grava(*cotas));
    ASSERT_TRUE(grava(*cotas));
    EXPECT_EQ(conta("COTAS"), 11000);
    EXPECT_EQ(valor("SELECT COUNT(DISTINCT COT_PRODUTO) FROM COTAS").toInt(), 11000);
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('|').toStdString();
}

TEST_F(GravaDadosTest, OnePreparedStatementTakesValuesOfChangingKinds)
{
    // the writer runs one statement per table; its input layout is reused
    // while the kinds of the values repeat and rebuilt when they change
    TXRDatabase &db = *dm->XRDtRepres;
    fb::Statement st(db.Attachment(), db.Transaction()->Engine(),
                     "INSERT INTO TABPRECO (TABP_REGIAO, TABP_DESCRICAO, TABP_VLRMINIMO) VALUES (?, ?, ?)");
    const QString longa = QString(60, QChar(u'é'));
    const struct {
        QVariant regiao, descricao, minimo;
        const char *esperado;
    } linhas[] = {
        {"A", "um", 1, "A|um|1"},
        {"B", "dois", 2, "B|dois|2"},
        {"C", longa, 2.5, nullptr},
        {"D", QVariant(), QVariant(), "D|<null>|<null>"},
        {"E", "três", "3.25", "E|três|3.25"},
        {"F", "quatro", 4, "F|quatro|4"},
    };
    for (const auto &l : linhas) {
        st.setParam(0, l.regiao);
        st.setParam(1, l.descricao);
        st.setParam(2, l.minimo);
        st.execute();
    }
    for (const auto &l : linhas) {
        const QString r = l.regiao.toString();
        const QVariant d = valor("SELECT TABP_DESCRICAO FROM TABPRECO WHERE TABP_REGIAO = '" + r + "'");
        const QVariant m = valor("SELECT TABP_VLRMINIMO FROM TABPRECO WHERE TABP_REGIAO = '" + r + "'");
        const QString lido = r + '|' + (d.isNull() ? "<null>" : d.toString()) + '|'
                             + (m.isNull() ? "<null>" : QString::number(m.toDouble()));
        EXPECT_EQ(lido, l.esperado ? QString::fromUtf8(l.esperado) : "C|" + longa + "|2.5");
    }
}
