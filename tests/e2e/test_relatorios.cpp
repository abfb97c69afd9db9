// The reports menu and the report generator against the fake back office,
// through both back-ends.
#include "RelatoriosFixture.h"

#include "components/XRDBGrid.h"
#include "components/untCpoPesquisa.h"
#include "windows/nucleo/WindowRegistry.h"
#include "windows/principal/untPrincipal.h"
#include "windows/relatorios/untRelatorio.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDoubleValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace relatorios;

namespace {

const char *const kSqlRelatorios = "SELECT REL.CODIGO, REL.DESCRICAO, REL.CODIGOSQL\n"
                                   "FROM RELATORIO REL\n"
                                   "WHERE REL.TIPO_REL = 'V'\n"
                                   "ORDER BY REL.CODIGO";
const char *const kSqlParametros
    = "SELECT RELPARAM.CAMPO, RELPARAM.COD_CAMPO, RELPARAM.COD_REL, RELPARAM.CPO_COD, RELPARAM.CPO_DESC,\n"
      "RELPARAM.EDIT, RELPARAM.LABEL, RELPARAM.TAB_BUSCA, RELPARAM.TIPO, REL.TIPO_REL \n"
      "FROM REL_PARAM RELPARAM\n"
      "LEFT JOIN RELATORIO REL ON (REL.CODIGO = RELPARAM.COD_REL)\n"
      "WHERE REL.TIPO_REL = 'V'";
const char *const kVersao = "Versão não compátivel com a atual versão do servidor. Impossível Continuar.";
const char *const kPergunta = "Deseja sincronizar os relatórios com o ERP XR?";

struct Parametro {
    const char *campo, *codRel, *label, *tabBusca, *cpoCod, *cpoDesc, *edit;
    int tipo;
};

// Report 001 (lower-case "where", a customer look-up, a CODREP parameter,
// a number and a date), report 002 (the same look-up table with another
// description column, listed first; one hostile look-up).
const Parametro kParametros[] = {
    {"CLI2", "002", "Cliente", "CLIENTE", "CLI_CODI", "CLI_CNPJ", "", 0},
    {"CLIENTE", "001", "Cliente", "CLIENTE", "CLI_CODI", "CLI_NOME", "", 0},
    {"PCODREP", "001", "Rep", "", "", "", "", 0},
    {"VALOR", "001", "Valor", "", "", "", "10", 1},
    {"DTINI", "001", "De", "", "", "", "01/02/2026", 2},
    {"HOSTIL", "002", "Hostil", "CLIENTE; DELETE FROM CLIENTE", "CLI_CODI", "CLI_NOME", "", 0},
};
const char *const kSql001 = "SELECT CLI, TOTAL FROM VENDAS \\\nwhere CODREP = :codrep";
const char *const kSql002 = "SELECT X FROM OUTRO WHERE Y = 1";

json cenario(bool rest, const char *versao = "9")
{
    json rels, params, resposta;
    if (rest) {
        rels = {{{"codigo", "001"}, {"descricao", "Vendas"}, {"codigosql", kSql001}},
                {{"codigo", "002"}, {"descricao", "Outro"}, {"codigosql", kSql002}}};
        params = json::array();
        for (const Parametro &p : kParametros)
            params.push_back({{"campo", p.campo}, {"cod_campo", "3"}, {"cod_rel", p.codRel}, {"cpo_cod", p.cpoCod},
                              {"cpo_desc", p.cpoDesc}, {"edit", p.edit}, {"label", p.label},
                              {"tab_busca", p.tabBusca}, {"tipo", std::to_string(p.tipo)}, {"tipo_rel", "V"}});
        resposta = {{{"cli", "Loja Azul de Todas as Cores"}, {"total", "1.5"}}, {{"cli", "B"}, {"total", "20"}}};
        return {{"versao", versao},
                {"por_sql", {{{"contem", "FROM RELATORIO REL"}, {"rows", rels}},
                             {{"contem", "FROM REL_PARAM"}, {"rows", params}},
                             {{"contem", "FROM VENDAS"}, {"rows", resposta}},
                             {{"contem", "FROM OUTRO"}, {"rows", json::array()}}}}};
    }
    json linhas = json::array();
    for (const Parametro &p : kParametros)
        linhas.push_back({p.campo, 3, p.codRel, p.cpoCod, p.cpoDesc, p.edit, p.label, p.tabBusca, p.tipo, "V"});
    return {{"versao", versao},
            {"por_sql",
             {{{"contem", "FROM RELATORIO REL"},
               {"select", tabela(R"([["CODIGO","String",4],["DESCRICAO","String",100],["CODIGOSQL","Memo"]])",
                                 {{"001", "Vendas", kSql001}, {"002", "Outro", kSql002}})}},
              {{"contem", "FROM REL_PARAM"},
               {"select", tabela(R"([["CAMPO","String",30],["COD_CAMPO","Integer"],["COD_REL","String",4],
                                    ["CPO_COD","String",30],["CPO_DESC","String",30],["EDIT","String",30],
                                    ["LABEL","String",30],["TAB_BUSCA","String",60],["TIPO","Integer"],
                                    ["TIPO_REL","String",1]])",
                                 linhas)}},
              {{"contem", "FROM VENDAS"},
               {"select", tabela(R"([["CLI","String",40],["TOTAL","Float"]])",
                                 json::array({json::array({"Loja Azul de Todas as Cores", 1.5}),
                                              json::array({"B", 20})}))}},
              {{"contem", "FROM OUTRO"}, {"select", tabela(R"([["X","String",4]])", json::array())}}}}};
}

TGanchosPrincipal semLogin()
{
    TGanchosPrincipal g;
    g.Login = [](QWidget *) { return true; };
    return g;
}

// The main window of a run on one back-end, its reports on the fake.
class Relatorios : public ::testing::TestWithParam<bool> {
protected:
    void abre(const json &c)
    {
        amb = std::make_unique<Ambiente>(GetParam(), c,
                                         QStringList{"INSERT INTO CLIENTE (CLI_CODI, CLI_NOME) VALUES ('00001', "
                                                     "'Loja Azul')"});
        fm = std::make_unique<TfmPrincipal>(semLogin());
        fm->PausaEsperaMs = 0;
        fm->DefineServidorRelatorios(&amb->servidor);
        amb->rec->clear();
    }
    void sincroniza()
    {
        amb->rec->pushAnswer(MsgResult::Yes);
        fm->ConfirmaSincronizacaoRelatorios();
    }
    QStringList menu() const
    {
        QStringList r;
        for (QAction *a : fm->PMenuRelatorio->actions())
            r << a->objectName() + '=' + a->text();
        return r;
    }
    TfmGeraRel *escolhe(const char *codigo)
    {
        for (QAction *a : fm->PMenuRelatorio->actions())
            if (a->objectName() == QStringLiteral("Item_") + codigo)
                a->trigger();
        return qobject_cast<TfmGeraRel *>(BuscaForm(QStringLiteral("TfmGeraRel")));
    }
    void TearDown() override
    {
        fm.reset();
        amb.reset();
    }

    std::unique_ptr<Ambiente> amb;
    std::unique_ptr<TfmPrincipal> fm;
};

std::string nomeBackEnd(const ::testing::TestParamInfo<bool> &i) { return i.param ? "Json" : "DataSnap"; }

} // namespace

TEST_P(Relatorios, DownloadSendsTheTextsAndBuildsTheMenu)
{
    abre(cenario(GetParam()));
    sincroniza();
    EXPECT_EQ(amb->rec->texts(), QStringList{kPergunta});
    QString relatorios = kSqlRelatorios, parametros = kSqlParametros;
    if (GetParam()) // the JSON client sends the text on one line
        relatorios.replace('\n', ' '), parametros.replace('\n', ' ');
    EXPECT_EQ(amb->sqls(), (QStringList{relatorios, parametros}));
    EXPECT_EQ(menu(), (QStringList{"RecarregarRelatorios=Recarregar Relatórios", "N1=", "Item_001=001 - Vendas",
                                   "Item_002=002 - Outro"}));
    EXPECT_EQ(fm->CDSRelParam->recordCount(), 6);

    // "Recarregar Relatórios" asks again and rebuilds the same menu
    amb->rec->clear();
    amb->rec->pushAnswer(MsgResult::Yes);
    fm->PMenuRelatorio->actions().front()->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(amb->rec->texts(), QStringList{kPergunta});
    EXPECT_EQ(amb->sqls().size(), 4);
    EXPECT_EQ(menu().size(), 4);
}

TEST_P(Relatorios, OldOrUnreadableServerVersionLeavesTheMenuEmpty)
{
    for (const char *versao : {"4", "abc"}) {
        SCOPED_TRACE(versao);
        abre(cenario(GetParam(), versao));
        sincroniza();
        EXPECT_EQ(amb->rec->texts(), (QStringList{kPergunta, kVersao}));
        EXPECT_EQ(amb->rec->entries().back().title, fm->windowTitle());
        EXPECT_TRUE(fm->PMenuRelatorio->isEmpty());
        EXPECT_TRUE(amb->sqls().isEmpty());
        // the next click asks again
        amb->rec->clear();
        fm->pnlRelatorioClick();
        fm->PMenuRelatorio->hide();
        EXPECT_EQ(amb->rec->texts(), QStringList{kPergunta});
        TearDown();
    }
}

TEST_P(Relatorios, OpenGeneratorStopsOnlyTheJsonDownload)
{
    abre(cenario(GetParam()));
    sincroniza();
    ASSERT_NE(escolhe("001"), nullptr);
    amb->rec->clear();
    sincroniza();
    if (GetParam()) {
        EXPECT_EQ(amb->rec->texts(),
                  (QStringList{kPergunta, "Favor fechar a tela de relatórios antes de sincronizar as informações."}));
        EXPECT_EQ(amb->sqls().size(), 2);
    } else {
        EXPECT_EQ(amb->rec->texts(), QStringList{kPergunta});
        EXPECT_EQ(amb->sqls().size(), 4);
    }
    EXPECT_EQ(menu().size(), 4);
}

TEST_P(Relatorios, GeneratorBuildsTheScreenAndSendsTheValues)
{
    abre(cenario(GetParam()));
    sincroniza();
    TfmGeraRel *g = escolhe("001");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->windowTitle(), "Gerador de Relatório");
    EXPECT_EQ(fm->FRelatorio, "001");

    // CLIENTE at 5 with its look-up; PCODREP takes no room; VALOR and DTINI below
    const auto geo = [g](const char *nome) {
        QWidget *w = g->pnGeraRel->findChild<QWidget *>(QString::fromLatin1(nome));
        return w ? w->geometry() : QRect();
    };
    EXPECT_EQ(geo("lb_CLIENTE"), QRect(10, 10, 110, 13));
    EXPECT_EQ(geo("CLIENTE"), QRect(125, 5, 120, 21));
    EXPECT_EQ(geo("PqPesquisa_CLIENTE"), QRect(245, 5, 25, 24));
    EXPECT_EQ(geo("EdtDesc_CLIENTE"), QRect(270, 5, 440, 21));
    EXPECT_EQ(g->pnGeraRel->findChild<QWidget *>("PCODREP"), nullptr);
    EXPECT_EQ(g->pnGeraRel->findChild<QWidget *>("lb_PCODREP"), nullptr);
    auto *valor = g->pnGeraRel->findChild<QLineEdit *>("VALOR");
    ASSERT_NE(valor, nullptr);
    EXPECT_EQ(valor->y(), 35);
    EXPECT_NE(qobject_cast<const QDoubleValidator *>(valor->validator()), nullptr);
    auto *data = g->pnGeraRel->findChild<QDateEdit *>("DTINI");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->y(), 65);
    EXPECT_EQ(data->date(), QDate(2026, 2, 1));
    EXPECT_EQ(g->pnGeraRel->height(), 105);
    EXPECT_EQ(g->btnFechar->y(), 70);
    EXPECT_EQ(g->btnConfirmar->y(), 41);

    // the code typed or chosen shows its description from the local table,
    // by this report's own look-up row
    auto *cliente = g->pnGeraRel->findChild<QLineEdit *>("CLIENTE");
    auto *desc = g->pnGeraRel->findChild<QLineEdit *>("EdtDesc_CLIENTE");
    cliente->setText("00001");
    EXPECT_EQ(desc->text(), "Loja Azul");
    cliente->setText("99999");
    EXPECT_EQ(desc->text(), "");
    auto *pq = g->pnGeraRel->findChild<TPesquisa *>("PqPesquisa_CLIENTE");
    EXPECT_EQ(pq->BuscaSQL, QStringList{"SELECT CLI_CODI,CLI_NOME FROM CLIENTE"});
    pq->GuardaRetorno({{"CLI_CODI", "00001"}, {"CLI_NOME", "Loja Azul"}}, {});
    pq->OnFechaPesquisa(pq);
    EXPECT_EQ(cliente->text(), "00001");
    EXPECT_EQ(desc->text(), "Loja Azul");

    valor->setText("1.234,5");
    amb->rec->clear();
    g->btnConfirmar->click();
    EXPECT_TRUE(amb->rec->texts().isEmpty()) << amb->rec->texts().join('|').toStdString();
    // "\" gone, the lower-case "where" untouched
    const QString enviado = amb->sqls().last();
    EXPECT_EQ(enviado, GetParam() ? "SELECT CLI, TOTAL FROM VENDAS  where CODREP = :codrep"
                                  : "SELECT CLI, TOTAL FROM VENDAS \nwhere CODREP = :codrep");
    EXPECT_EQ(g->CDSConsRelatorio->recordCount(), 2);
    EXPECT_EQ(g->DBGrid1->GetDataSet(), g->CDSConsRelatorio);

    if (GetParam()) {
        // the values as the query; the extra CODREP row because of ":codrep"
        std::map<std::string, std::string> q;
        const auto ultimo = amb->fake.ultima("UpdateCarregaDados");
        SCOPED_TRACE(ultimo.dump());
        for (const auto &par : ultimo["query"])
            q[par[0]] = par[1];
        EXPECT_EQ(q, (std::map<std::string, std::string>{
                         {"cliente", "00001"}, {"pcodrep", "001"}, {"valor", "1234,5"}, {"dtini", "2026-02-01"},
                         {"codrep", "001"}}));
        // the columns as wide as their widest text
        const QFontMetrics fm(g->font());
        EXPECT_EQ(g->DBGrid1->columnWidth(0), fm.horizontalAdvance("Loja Azul de Todas as Cores") + 15);
        EXPECT_EQ(g->DBGrid1->columnWidth(1), std::max(fm.horizontalAdvance("TOTAL"), fm.horizontalAdvance("1.5")) + 15);
    } else {
        const auto pedido = amb->fake.ultima("TFuncoesG.ESelect");
        ASSERT_EQ(pedido["datasets"].size(), 1u);
        const auto lista = pedido["datasets"][0];
        ASSERT_EQ(lista[0][0], "PARAMETROS");
        EXPECT_EQ(lista[0][1]["rows"], json::parse(R"([["CLIENTE","00001",""],["PCODREP","001",""],
            ["VALOR","1234,5","ftFloat"],["DTINI","01/02/2026","ftDate"]])"));
    }
}

TEST_P(Relatorios, SecondReportReplacesTheControlsAndHostileLookupIsRefused)
{
    abre(cenario(GetParam()));
    sincroniza();
    TfmGeraRel *g = escolhe("001");
    ASSERT_NE(g, nullptr);
    g->btnConfirmar->click();
    ASSERT_EQ(g->CDSConsRelatorio->recordCount(), 2);

    ASSERT_EQ(escolhe("002"), g);
    EXPECT_EQ(g->CDSConsRelatorio->recordCount(), 0);
    for (const char *antigo : {"lb_CLIENTE", "CLIENTE", "PqPesquisa_CLIENTE", "EdtDesc_CLIENTE", "VALOR", "DTINI"})
        EXPECT_EQ(g->pnGeraRel->findChild<QWidget *>(antigo), nullptr) << antigo;
    // the hostile table name gets its edit and nothing that reaches local SQL
    auto *hostil = g->pnGeraRel->findChild<QLineEdit *>("HOSTIL");
    ASSERT_NE(hostil, nullptr);
    EXPECT_EQ(g->pnGeraRel->findChild<QWidget *>("PqPesquisa_HOSTIL"), nullptr);
    EXPECT_EQ(g->pnGeraRel->findChild<QWidget *>("EdtDesc_HOSTIL"), nullptr);
    hostil->setText("00001");
    g->ParametroExit(hostil);
    amb->rec->clear();
    g->btnConfirmar->click();
    EXPECT_TRUE(amb->rec->texts().isEmpty()) << amb->rec->texts().join('|').toStdString();
    EXPECT_EQ(amb->sqls().last(), QString("SELECT X FROM OUTRO WHERE 1 = 1 AND  Y = 1"));
    EXPECT_EQ(amb->valor("SELECT COUNT(*) FROM CLIENTE").toInt(), 1);
}

TEST_P(Relatorios, FailedCallKeepsMenuAndAnswer)
{
    json c = cenario(GetParam());
    if (GetParam()) {
        c["answers"] = {{"UpdateCarregaDados", {{"status", 500}, {"body", {{"erro", "falhou"}}}, {"from", 4}}}};
    } else {
        c["answers"] = {{"TFuncoesG.ESelect",
                         {{"status", 500}, {"body", {{"error", "tabela RELATORIO inexistente"}}}, {"from", 4}}}};
    }
    abre(c);
    sincroniza();
    TfmGeraRel *g = escolhe("001");
    ASSERT_NE(g, nullptr);
    g->btnConfirmar->click(); // the third call: answered
    ASSERT_EQ(g->CDSConsRelatorio->recordCount(), 2);

    amb->rec->clear();
    g->btnConfirmar->click(); // the fourth fails
    ASSERT_EQ(amb->rec->texts().size(), 1);
    if (!GetParam()) {
        EXPECT_TRUE(amb->rec->texts()[0].startsWith("Problema em buscar os parâmetros."));
        EXPECT_TRUE(amb->rec->texts()[0].contains("tabela RELATORIO inexistente"));
        EXPECT_EQ(g->CDSConsRelatorio->recordCount(), 2);
    }
    EXPECT_EQ(g->DBGrid1->GetDataSet(), g->CDSConsRelatorio);

    // a failed download keeps the menu (DataSnap: the generator stays open)
    g->close();
    QCoreApplication::processEvents();
    amb->rec->clear();
    sincroniza();
    EXPECT_EQ(amb->rec->texts().size(), 2);
    if (!GetParam()) {
        EXPECT_TRUE(amb->rec->texts()[1].startsWith("Problema em buscar os relatórios."));
    }
    EXPECT_EQ(menu().size(), 4);
    EXPECT_EQ(fm->CDSRelatorio->recordCount(), 2);
}

INSTANTIATE_TEST_SUITE_P(BackEnds, Relatorios, ::testing::Values(true, false), nomeBackEnd);
