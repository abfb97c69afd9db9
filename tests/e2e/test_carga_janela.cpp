// The load window against the fake back office, on both back-ends.
#include "FakeBackOffice.h"
#include "TestDb.h"

#include "components/untTelaSimples.h"
#include "data/XRTransaction.h"
#include "data/untDMRepres.h"
#include "platform/DialogService.h"
#include "platform/net/Base64.h"
#include "sync/untCargas.h"
#include "sync/untDMComunicacao.h"
#include "sync/untDMRemoto.h"
#include "windows/nucleo/WindowRegistry.h"
#include "windows/principal/untPrincipal.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QCoreApplication>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <memory>

using nlohmann::json;

namespace {

const char *const kConcluida = "Sincronização Concluída";

QString baseJanela()
{
    return upgradedTemplate({
        "UPDATE CONFIG SET NRULTCONFIG = 3, NMREPRESENTANTE = 'Antigo', NRREFER = 4, IDDIGCOLECAO = 'X', "
        "QTDEMAXITEM = 77, DTDEENTREGA = '2020-01-01', DTATEENTREGA = '2020-01-31', NRFONE = NULL, DSEMAIL = NULL",
        "INSERT INTO CLIENTE (CLI_CODI, CLI_NOME, CLI_CNPJ, CLI_IDENVIADO, CLI_CODCLIEMP) "
        "VALUES ('00040', 'Loja Antiga', '12345678000190', 'S', 'E40')",
        "INSERT INTO PRODUTO (PROD_CODI, PROD_DESC) VALUES ('P1', 'Velho')",
        "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, PAIT_QTDE) VALUES ('P1', '01', 'M', 3)",
        "INSERT INTO TABPRZ (TABP_PRAZO, TABP_DESCRICAO) VALUES ('30', '30 dias')",
        "INSERT INTO EMPRESA (EMP_PAT, EMP_NOME) VALUES ('0001', 'Empresa Velha')",
    });
}

// The catalogue as the JSON API sends it.
json catalogoJson(int linhasGrade = 1)
{
    json grade = json::array();
    for (int i = 0; i < linhasGrade; ++i)
        grade.push_back({{"PAIT_CODI", "P9"}, {"PAIT_COR", std::to_string(i / 1000)}, {"PAIT_TAM", std::to_string(i % 1000)}, {"PAIT_QTDE", "5"}});
    return {
        {"PRODUTO", {{{"PROD_CODI", "P9"}, {"PROD_DESC", "Novo"}, {"PROD_PESO", "1.25"}}}},
        {"COLECAO", {{{"COL_COLECAO", "V25"}, {"COL_DESCRICAO", "Verão"}}}},
        {"CONDICAO", {{{"COND_CODCOND", "30"}, {"COND_DESCRICAO", "30 dias"}, {"COND_TAXA", "1.5"}}}},
        {"COTAS", {{{"COT_COLECAO", "V25"}, {"COT_PRODUTO", "P9"}, {"COT_QTDE", "10"}}}},
        {"TABPRECO", {{{"TABP_REGIAO", "SUL"}, {"TABP_DESCRICAO", "Sul"}}}},
        {"TABPRE_PRODUTO",
         {{{"PREC_PRODUTO", "P9"}, {"PREC_TABELA", "SUL"}, {"PREC_FAIXA", "1"}, {"PREC_QTDMAXIMA", "999"}, {"PREC_PRECO", "10.5"}}}},
        {"CLIENTE",
         {{{"CLI_CODI", "E40"}, {"CLI_CNPJ", "12.345.678/0001-90"}, {"CLI_NOME", "Loja Renovada"}},
          {{"CLI_CODI", "E60"}, {"CLI_CNPJ", "11.111.111/0001-11"}, {"CLI_NOME", "Cliente Novo"}}}},
        {"CONTATO_CLI", {{{"CONT_CCLI", "E60"}, {"CONT_ITEM", "1"}, {"CONT_NOME", "D'Ávila"}}}},
        {"PA_ITEN", grade},
        {"CONFIG_IMAGEM", {{{"cnfimg_config", "7"}, {"cnfimg_imagem", "AAEC/w=="}}}},
        {"TABPRZ", {{{"TABP_PRAZO", "60"}, {"TABP_DESCRICAO", "60 dias"}}}},
        {"PRODUTO_ORDEM", {{{"COD_CONFIG", "7"}, {"COD_PAITEM", "P9"}, {"COR", "01"}, {"TAM", "0"}, {"ORDEM", "1"}}}},
    };
}

json configuracaoJson(const char *codigo = "7")
{
    return {{"conf_codigo", codigo},          {"conf_descricao", "Verão 2025"},  {"conf_dtliberacao", "01-12-2024"},
            {"conf_dtvalidade", "31-01-2025"}, {"conf_vlrminimo", "150.5"},      {"conf_vlrminimoped", "80"},
            {"conf_idbloqpeddtsup", "S"},      {"conf_nrrefer", "12"},           {"conf_iddigpreco", "S"},
            {"conf_idcliemailobr", "S"},       {"conf_idrelestoque", "S"},       {"conf_idimgproduto", "S"},
            {"conf_observacao", "Obs"},        {"conf_dtdeentrega", "01-02-2025"}, {"conf_dtateentrega", "28-02-2025"},
            {"conf_iddigcolecao", "S"},        {"conf_qtdemaxitem", "500"}};
}

json cenarioJson(const char *versao = "9", int linhasGrade = 1)
{
    return {{"versao", versao},
            {"carga_dados", catalogoJson(linhasGrade)},
            {"configuracao", configuracaoJson()},
            {"carga", json::array({{{"CONF_DESCRICAO", "Inverno"}}})},
            {"empresa", {{"emp_pat", "0001"}, {"emp_nome", "Empresa Nova"}, {"emp_logo", "iVBORw0KGgo="}}}};
}

json tabela(const char *campos, const char *linhas) { return {{"fields", json::parse(campos)}, {"rows", json::parse(linhas)}}; }

// The catalogue as the DataSnap server sends it: typed datasets, in load order.
json cenarioDataSnap(const char *versao)
{
    return {
        {"versao", versao},
        {"ds_cfgdisponivel",
         tabela(R"([["CONF_CODIGO","Integer"],["CONF_DESCRICAO","String",30],["CONF_DTVALIDADE","Date"],
                   ["CONF_VLRMINIMO","Float"],["CONF_IDBLOQPEDDTSUP","String",1],["CONF_DTDEENTREGA","Date"],
                   ["CONF_DTATEENTREGA","Date"],["CONF_QTDEMAXITEM","Float"],["CONF_IDDIGCOLECAO","String",1]])",
                R"([[7,"Verão",  "2025-01-31", 150.5, "N", "2025-02-01", "2025-02-28", 300, "S"]])")},
        {"ds_carga",
         json::array({json::array({"PRODUTO", tabela(R"([["PROD_CODI","String",15],["PROD_DESC","String",100]])", R"([["P9","Novo"]])")}),
                      json::array({"COLECAO", tabela(R"([["COL_COLECAO","String",4]])", R"([["V25"]])")}),
                      json::array({"CONDICAO", tabela(R"([["COND_CODCOND","String",10],["COND_TAXA","Float"]])", R"([["30",1.5]])")}),
                      json::array({"COTAS", tabela(R"([["COT_COLECAO","String",4],["COT_QTDE","Float"]])", R"([["V25",10]])")}),
                      json::array({"TABPRECO", tabela(R"([["TABP_REGIAO","String",10]])", R"([["SUL"]])")}),
                      json::array({"TABPRE_PRODUTO", tabela(R"([["PREC_PRODUTO","String",15],["PREC_TABELA","String",10],["PREC_FAIXA","Integer"]])",
                                                            R"([["P9","SUL",1]])")}),
                      json::array({"CLIENTE", tabela(R"([["CLI_CODI","String",10],["CLI_CNPJ","String",18],["CLI_NOME","String",100],["CLI_DTCA","Date"]])",
                                                     R"([["E40","12.345.678/0001-90","Loja Renovada","2024-02-01"],["E60","","Cliente Novo",null]])")}),
                      json::array({"CONTATO_CLI", tabela(R"([["CONT_CCLI","String",10],["CONT_ITEM","Integer"],["CONT_NOME","String",80]])",
                                                         R"([["E60",1,"D'Ávila"]])")})})},
        {"ds_empresa", tabela(R"([["EMP_PAT","String",4],["EMP_NOME","String",80],["EMP_LOGO","Blob"]])",
                              R"([["0001","Empresa DS",{"b64":"AAEC"}]])")},
    };
}

// One row per line, the columns joined: a whole table's state as text.
QString estado(TXRDatabase &db, const QString &tabela)
{
    TXRQuery q;
    q.SetDatabase(&db);
    q.SQL().SetText("SELECT * FROM " + tabela);
    q.Open();
    QStringList linhas;
    for (q.first(); !q.eof(); q.next()) {
        QStringList l;
        for (int i = 0; i < q.fieldCount(); ++i)
            l << (q.field(i)->isNull() ? QStringLiteral("<null>") : q.field(i)->asString());
        linhas << l.join('|');
    }
    linhas.sort();
    return tabela + ":\n" + linhas.join('\n');
}

const QStringList kTabelasMestre = {"PRODUTO", "COLECAO", "CONDICAO", "COTAS", "TABPRECO", "TABPRE_PRODUTO", "CLIENTE",
                                    "CONTATO_CLI", "PA_ITEN", "CONFIG_IMAGEM", "TABPRZ", "PRODUTO_ORDEM", "EMPRESA",
                                    "CONFIG"};

// The local database, both clients and the fake, for one back-end.
class Ambiente {
public:
    Ambiente(bool rest, const json &cenario)
        : fake(cenario)
    {
        installTemplate(inst, baseJanela());
        dmc.DsHost = cm.DsHost = QStringLiteral("127.0.0.1");
        dmc.NrPorta = cm.NrPorta = fake.porta;
        dmc.TimeoutMs = 10000;
        TDMRepresGanchos g;
        g.RetornaConexaoRest = [rest] { return rest; };
        dm = std::make_unique<TDMRepres>(g);
        rec->clear();
    }
    ~Ambiente()
    {
        delete janela.data();
        dm.reset();
    }

    TfmCargas *abre(const QString &versao = QStringLiteral("1.0.20.33"))
    {
        janela = new TfmCargas();
        janela->SetVersaoPrograma(versao);
        janela->show();
        QCoreApplication::processEvents();
        return janela.data();
    }
    // "&Sincronizar" answered Yes.
    void sincroniza()
    {
        rec->pushAnswer(MsgResult::Yes);
        janela->btnSincronizar->click();
    }
    QString estadoMestre()
    {
        auto db = inst.connect();
        QStringList partes;
        for (const QString &t : kTabelasMestre)
            partes << estado(*db, t);
        return partes.join('\n');
    }
    QVariant valor(const QString &sql)
    {
        auto db = inst.connect();
        return scalar(*db, sql);
    }
    void sql(const QString &texto)
    {
        execSql(*dm->XRDtRepres, texto);
        dm->XRTransaction->Commit();
    }

    ScratchInstall inst;
    ScopedDialogRecorder rec;
    FakeBackOffice fake;
    TDMComunicacao dmc;
    TClientModule1 cm;
    std::unique_ptr<TDMRepres> dm;
    QPointer<TfmCargas> janela;
};

} // namespace

TEST(CargaJanela, JsonLoadWritesTablesConfigAndCompany)
{
    Ambiente a(true, cenarioJson("9"));
    a.dm->sIdCargaCliente = "S";
    TfmCargas *w = a.abre("1.0.20.33");
    ASSERT_TRUE(w->bConexao) << a.rec->texts().join('|').toStdString();
    EXPECT_EQ(w->windowTitle().left(21), "Verificação de Cargas");
    EXPECT_TRUE(w->chkRecarregarClientes->isChecked());
    EXPECT_EQ(w->CDSCfgDisponivel->recordCount(), 1);
    EXPECT_EQ(w->iVersaoServ, 9);
    ASSERT_EQ(a.fake.de("PostVersaoRepresen").size(), 1u);

    a.sincroniza();
    EXPECT_EQ(a.rec->texts().last(), kConcluida) << a.rec->texts().join('|').toStdString();
    EXPECT_EQ(a.rec->texts().size(), 2) << a.rec->texts().join('|').toStdString(); // the question and the end

    // CONFIG, column by column
    const struct {
        const char *coluna;
        QVariant esperado;
    } config[] = {
        {"NRULTCONFIG", 7},
        {"DTULTSINCRONIZACAO", QDate(2024, 12, 31)},
        {"HRULTSINCRONIZACAO", QTime(10, 20, 30)},
        {"VLMINIMO", 150.5},
        {"VLMINIMOPED", 80.0},
        {"DTVALIDADE", QDate(2025, 1, 31)},
        {"NRREFER", 12},
        {"NMREPRESENTANTE", "REPRESENTANTE TESTE"},
        {"IDDIGPRECO", "S"},
        {"IDCLIEMAILOBR", "S"},
        {"IDRELESTOQUE", "S"},
        {"IDIMGPRODUTO", "S"},
        {"IDBLOQPEDDTSUP", "S"},
        {"DTDEENTREGA", QDate(2025, 2, 1)},
        {"DTATEENTREGA", QDate(2025, 2, 28)},
        {"IDDIGCOLECAO", "S"},
        {"QTDEMAXITEM", 500.0},
        {"DSEMAIL", "rep@exemplo.com"},
        {"NRFONE", "1199990000"},
    };
    for (const auto &c : config) {
        SCOPED_TRACE(c.coluna);
        const QVariant v = a.valor(QStringLiteral("SELECT %1 FROM CONFIG").arg(c.coluna));
        if (c.esperado.typeId() == QMetaType::QDate)
            EXPECT_EQ(v.toDate(), c.esperado.toDate());
        else if (c.esperado.typeId() == QMetaType::QTime)
            EXPECT_EQ(v.toTime(), c.esperado.toTime());
        else if (c.esperado.typeId() == QMetaType::Double)
            EXPECT_DOUBLE_EQ(v.toDouble(), c.esperado.toDouble());
        else
            EXPECT_EQ(v.toString(), c.esperado.toString());
    }

    EXPECT_EQ(a.valor("SELECT LIST(PROD_CODI) FROM PRODUTO").toString(), "P9");
    EXPECT_EQ(a.valor("SELECT CLI_NOME FROM CLIENTE WHERE CLI_CODI = '00040'").toString(), "Loja Renovada");
    EXPECT_EQ(a.valor("SELECT CLI_CODCLIEMP FROM CLIENTE WHERE CLI_CODI = '00041'").toString(), "E60");
    EXPECT_EQ(a.valor("SELECT CONT_CCLI FROM CONTATO_CLI WHERE CONT_NOME = 'D''Ávila'").toString(), "00041");
    EXPECT_EQ(a.valor("SELECT LIST(TABP_PRAZO) FROM TABPRZ").toString(), "60");
    EXPECT_EQ(a.valor("SELECT EMP_NOME FROM EMPRESA").toString(), "Empresa Nova");
    EXPECT_EQ(a.valor("SELECT EMP_LOGO FROM EMPRESA").toByteArray(), base64Decode("iVBORw0KGgo="));
    EXPECT_EQ(a.valor("SELECT CNFIMG_IMAGEM FROM CONFIG_IMAGEM").toByteArray(), QByteArray("\x00\x01\x02\xff", 4));

    // the new customer's code went back to the server; the reload box was sent
    const json codigos = json::parse(a.fake.ultima("UpdateRetornaCodCliRep")["body"].get<std::string>());
    EXPECT_EQ(codigos, json::parse(R"([{"CodCliEmp":"E60","CodCli":"00041"}])"));
    EXPECT_EQ(a.fake.ultima("CarregaDados")["query"][0], json::array({"recarga_cliente", "TRUE"}));
    EXPECT_EQ(a.fake.de("AtualizaEmailFone").size(), 1u);
    EXPECT_EQ(a.fake.de("UpdateAtualizaConfigRepres").size(), 1u);
    EXPECT_EQ(w->edtCarga->text(), "7");

    // the box is remembered when the window closes
    w->chkRecarregarClientes->setChecked(false);
    w->close();
    QCoreApplication::processEvents();
    EXPECT_EQ(a.dm->sIdCargaCliente, "N");
}

TEST(CargaJanela, ServerVersionsGateTheConfigColumns)
{
    const struct {
        const char *caso;
        bool rest;
        json cenario;
        const char *versaoPrograma;
        const char *fone; // stored before the load
        const char *colecao, *maxItem, *deEntrega, *nrRefer, *digPreco;
        size_t pedidosVersao, pedidosFone;
    } casos[] = {
        {"DataSnap v4, program 2.0.3.1", false, cenarioDataSnap("4"), "2.0.3.1", "5555", "X", "300", "2025-02-01", "0",
         "N", 1, 0},
        {"JSON v1, program 1.0.2.32", true, cenarioJson("1"), "1.0.2.32", nullptr, "S", "77", "2020-01-01", "12", "S", 0,
         1},
        {"JSON v3", true, cenarioJson("3"), "1.0.20.33", nullptr, "S", "77", "2025-02-01", "12", "S", 1, 1},
    };
    for (const auto &c : casos) {
        SCOPED_TRACE(c.caso);
        Ambiente a(c.rest, c.cenario);
        if (c.fone)
            a.sql(QStringLiteral("UPDATE CONFIG SET NRFONE = '%1'").arg(c.fone));
        TfmCargas *w = a.abre(c.versaoPrograma);
        ASSERT_TRUE(w->bConexao) << a.rec->texts().join('|').toStdString();
        a.sincroniza();
        EXPECT_EQ(a.rec->texts().last(), kConcluida) << a.rec->texts().join('|').toStdString();
        EXPECT_EQ(a.valor("SELECT NRULTCONFIG FROM CONFIG").toInt(), 7);
        EXPECT_EQ(a.valor("SELECT IDDIGCOLECAO FROM CONFIG").toString(), c.colecao);
        EXPECT_EQ(a.valor("SELECT CAST(QTDEMAXITEM AS INTEGER) FROM CONFIG").toString(), c.maxItem);
        EXPECT_EQ(a.valor("SELECT DTDEENTREGA FROM CONFIG").toDate(), QDate::fromString(c.deEntrega, Qt::ISODate));
        EXPECT_EQ(a.valor("SELECT NRREFER FROM CONFIG").toString(), c.nrRefer);
        EXPECT_EQ(a.valor("SELECT IDDIGPRECO FROM CONFIG").toString(), c.digPreco);
        EXPECT_EQ(a.valor("SELECT CLI_NOME FROM CLIENTE WHERE CLI_CODI = '00040'").toString(), "Loja Renovada");
        EXPECT_EQ(a.valor("SELECT CONT_CCLI FROM CONTATO_CLI WHERE CONT_NOME = 'D''Ávila'").toString(), "00041");
        const size_t versao = c.rest ? a.fake.de("PostVersaoRepresen").size()
                                     : a.fake.de("TServerMethods1.GetVersaoRepresen").size();
        EXPECT_EQ(versao, c.pedidosVersao);
        const size_t fone = c.rest ? a.fake.de("AtualizaEmailFone").size()
                                   : a.fake.de("TServerMethods1.AtualizaEmailFone").size();
        EXPECT_EQ(fone, c.pedidosFone);
    }
}

TEST(CargaJanela, ASecondLoadInTheSameWindowWritesEachTableOnce)
{
    for (const bool rest : {true, false}) {
        SCOPED_TRACE(rest ? "JSON" : "DataSnap");
        Ambiente a(rest, rest ? cenarioJson("9") : cenarioDataSnap("4"));
        TfmCargas *w = a.abre();
        ASSERT_TRUE(w->bConexao);
        a.sincroniza();
        const QString depoisDaPrimeira = a.estadoMestre();
        a.sincroniza();
        EXPECT_EQ(a.rec->texts().filter(kConcluida).size(), 2) << a.rec->texts().join('|').toStdString();
        if (rest) {
            EXPECT_EQ(a.estadoMestre().toStdString(), depoisDaPrimeira.toStdString());
            continue;
        }
        // a customer without a tax number comes again as a new one; nothing else doubles
        EXPECT_EQ(a.valor("SELECT COUNT(*) FROM COTAS").toInt(), 1);
        EXPECT_EQ(a.valor("SELECT COUNT(*) FROM PRODUTO").toInt(), 1);
        EXPECT_EQ(a.valor("SELECT COUNT(*) FROM CLIENTE").toInt(), 3);
        EXPECT_EQ(a.valor("SELECT COUNT(*) FROM CONTATO_CLI").toInt(), 1);
    }
}

TEST(CargaJanela, AFailedLoadLeavesEverythingAsBefore)
{
    const char *const kGravacao = "Erro na Gravação das Informações da Carga";
    const char *const kRetorno = "Erro no Retorno dos Códigos dos Cliente no Representante";
    const char *const kFinal = "Erro na Gravação Final da Carga";
    const struct {
        const char *caso;
        json respostas;
        QStringList preparo; // local DDL
        const char *mensagem;
        bool novosDadosFicam;
    } casos[] = {
        {"tables not received", {{"CarregaDados", {{"status", 500}}}}, {}, "Erro na Leitura das Informações do Servidor para Carga", false},
        {"ninth table refused by a trigger", json::object(),
         {"CREATE EXCEPTION E_CARGA_TESTE 'grade recusada'",
          "CREATE TRIGGER T_CARGA_TESTE FOR PA_ITEN BEFORE INSERT AS BEGIN EXCEPTION E_CARGA_TESTE; END"},
         kGravacao, false},
        {"codes refused", {{"UpdateRetornaCodCliRep", {{"body", json::array({{{"resultado", "FALSE"}}})}}}}, {}, kRetorno, false},
        {"company refused", {{"DadosEmpresa", {{"status", 500}}}}, {}, kRetorno, false},
        {"CONFIG not written", json::object(),
         {"CREATE EXCEPTION E_CONFIG_TESTE 'config recusada'",
          "CREATE TRIGGER T_CONFIG_TESTE FOR CONFIG BEFORE UPDATE AS BEGIN "
          "IF (NEW.NRULTCONFIG > 0) THEN EXCEPTION E_CONFIG_TESTE; END"},
         kFinal, false},
        {"configuration not confirmed", {{"UpdateAtualizaConfigRepres", {{"body", json::array({{{"resultado", "FALSE"}}})}}}}, {},
         kFinal, true},
    };
    for (const auto &c : casos) {
        SCOPED_TRACE(c.caso);
        json cenario = cenarioJson("9");
        cenario["answers"] = c.respostas;
        Ambiente a(true, cenario);
        // an unsent order: a retry of the same configuration must stay possible
        a.sql("INSERT INTO PEDIDO (PED_NUME, PED_CCLI, PED_NRLOTE) VALUES ('00001', '00040', NULL)");
        a.sql("UPDATE CONFIG SET NRULTCONFIG = 7");
        for (const QString &ddl : c.preparo)
            a.sql(ddl);
        const QString antes = a.estadoMestre();
        TfmCargas *w = a.abre();
        ASSERT_TRUE(w->bConexao);
        a.sincroniza();
        ASSERT_FALSE(a.rec->texts().isEmpty());
        EXPECT_EQ(a.rec->texts().last(), c.mensagem) << a.rec->texts().join('|').toStdString();
        EXPECT_EQ(a.rec->entries().back().title, w->windowTitle());
        if (c.novosDadosFicam) {
            EXPECT_EQ(a.valor("SELECT LIST(PROD_CODI) FROM PRODUTO").toString(), "P9");
            EXPECT_EQ(a.valor("SELECT NRULTCONFIG FROM CONFIG").toInt(), 7);
            continue;
        }
        EXPECT_EQ(a.estadoMestre().toStdString(), antes.toStdString());
        // the same configuration again is allowed with the unsent order
        a.rec->clear();
        a.rec->pushAnswer(MsgResult::No);
        w->btnSincronizar->click();
        ASSERT_EQ(a.rec->texts().size(), 1);
        EXPECT_EQ(a.rec->texts()[0], "Confirma a Sincronização?");
    }
}

TEST(CargaJanela, RefusalsBeforeAnythingIsWritten)
{
    Ambiente a(true, cenarioJson("9"));
    TfmCargas *w = a.abre();
    ASSERT_TRUE(w->bConexao);
    const QString antes = a.estadoMestre();

    // the order window is open
    InstalaConsultasJanelas();
    {
        TfmTelaSimples pedido;
        pedido.setObjectName("fmPedido");
        pedido.show();
        a.rec->clear();
        w->btnSincronizar->click();
        w->BtnEstoque->click();
        EXPECT_EQ(a.rec->texts(), QStringList(2, "Favor fechar o cadastro de pedido para fazer a sincronização."));
        EXPECT_EQ(a.rec->entries()[0].title, w->windowTitle());
        EXPECT_EQ(a.rec->entries()[0].icon, MsgIcon::Information);
    }

    // another configuration with one unsent, still open order
    a.sql("INSERT INTO PEDIDO (PED_NUME, PED_CCLI, PED_IDFECHADO, PED_NRLOTE) VALUES ('00001', '00040', 'N', 0)");
    a.rec->clear();
    w->btnSincronizar->click();
    EXPECT_EQ(a.rec->texts(), QStringList{"Existem pedidos não enviados. Impossível continuar."});
    // no answer given to the question: nothing happens
    a.sql("UPDATE PEDIDO SET PED_NRLOTE = 5");
    a.rec->clear();
    w->btnSincronizar->click();
    EXPECT_EQ(a.rec->texts(), QStringList{"Confirma a Sincronização?"});
    EXPECT_EQ(a.rec->entries()[0].defaultButton, 2);
    a.sql("UPDATE PEDIDO SET PED_NRLOTE = NULL");
    EXPECT_EQ(a.estadoMestre(), antes);
    EXPECT_EQ(a.fake.de("CarregaDados").size(), 0u);

    // stock update without a loaded configuration
    a.sql("UPDATE CONFIG SET NRULTCONFIG = NULL");
    delete w;
    a.rec->clear();
    w = a.abre();
    w->BtnEstoque->click();
    EXPECT_EQ(a.rec->texts(), QStringList{"Carga de dados inválida."});
}

TEST(CargaJanela, OpeningWithoutOfferOrWithABadVersion)
{
    {
        json cenario = cenarioJson("9");
        cenario["configuracao"] = json::object();
        Ambiente a(true, cenario);
        TfmCargas *w = a.abre();
        EXPECT_EQ(a.rec->texts(), QStringList{"Sem sincronizações disponíveis."});
        EXPECT_FALSE(w->btnSincronizar->isEnabled());
    }
    {
        Ambiente a(true, cenarioJson("nove"));
        const QString antes = a.estadoMestre();
        a.abre();
        QCoreApplication::processEvents();
        EXPECT_TRUE(a.janela.isNull() || !a.janela->isVisible()) << "closes itself when shown";
        EXPECT_EQ(a.rec->texts(), QStringList{"'nove' is not a valid integer value"});
        EXPECT_EQ(a.estadoMestre(), antes);
    }
    {
        // a version that stops being a number between opening and loading
        json cenario = cenarioJson("nove");
        cenario["answers"] = {{"GetVersaoServ", {{"body", json::array({{{"resultado", "9"}}})}, {"times", 1}}}};
        Ambiente a(true, cenario);
        const QString antes = a.estadoMestre();
        TfmCargas *w = a.abre();
        ASSERT_TRUE(w->bConexao);
        a.sincroniza();
        EXPECT_EQ(a.rec->texts(), (QStringList{"Confirma a Sincronização?", "'nove' is not a valid integer value"}));
        EXPECT_EQ(a.fake.de("CarregaDados").size(), 0u);
        EXPECT_EQ(a.estadoMestre(), antes);
    }
    {
        json cenario = cenarioJson("9");
        cenario["login"] = 3;
        Ambiente a(false, cenario);
        a.abre();
        EXPECT_EQ(a.rec->texts(), QStringList{TDMRepres::MensErroLogin(3)});
    }
}

TEST(CargaJanela, TheEventLoopRunsDuringALoad)
{
    // enough rows that writing them outlasts several progress intervals
    Ambiente a(true, cenarioJson("9", 20000));
    TfmCargas *w = a.abre();
    ASSERT_TRUE(w->bConexao);
    int durante = 0;
    QTimer relogio;
    relogio.setInterval(5);
    QObject::connect(&relogio, &QTimer::timeout, w, [&durante, w] {
        if (w->Carregando())
            ++durante;
    });
    relogio.start();
    std::vector<int> valores;
    QObject::connect(w->ProgressBar1, &QProgressBar::valueChanged, w, [&valores, w](int v) {
        if (w->Carregando() && v > 0 && v < w->ProgressBar1->maximum())
            valores.push_back(v);
    });
    // closing asked for during the load waits for its end
    bool abertaAposFechar = false;
    QTimer::singleShot(0, w, [w, &abertaAposFechar] {
        QTimer *t = new QTimer(w);
        QObject::connect(t, &QTimer::timeout, w, [w, t, &abertaAposFechar] {
            if (!w->Carregando())
                return;
            t->stop();
            w->close();
            abertaAposFechar = w->isVisible();
        });
        t->start(1);
    });
    a.sincroniza();
    EXPECT_EQ(a.rec->texts().last(), kConcluida) << a.rec->texts().join('|').toStdString();
    EXPECT_EQ(a.valor("SELECT COUNT(*) FROM PA_ITEN").toInt(), 20000);
    EXPECT_GT(durante, 0) << "a timer started before the load fires during it";
    EXPECT_FALSE(valores.empty()) << "the bar moves between the ends of a table";
    EXPECT_TRUE(abertaAposFechar);
    QCoreApplication::processEvents();
    EXPECT_TRUE(a.janela.isNull() || !a.janela->isVisible()) << "closed once the load ended";
}

TEST(CargaJanela, ServerDateWithoutAnswerTakesTheLocalClock)
{
    json cenario = cenarioJson("9");
    cenario["answers"] = {{"UpdateDataServidor", {{"body", json::array()}}}};
    Ambiente a(true, cenario);
    TfmCargas *w = a.abre();
    ASSERT_TRUE(w->bConexao);
    const QDate hoje = QDate::currentDate();
    a.sincroniza();
    EXPECT_EQ(a.rec->texts().last(), kConcluida) << a.rec->texts().join('|').toStdString();
    EXPECT_EQ(a.valor("SELECT DTULTSINCRONIZACAO FROM CONFIG").toDate(), hoje);
    EXPECT_FALSE(a.valor("SELECT HRULTSINCRONIZACAO FROM CONFIG").isNull());
    QByteArray log;
    for (const QString &f : QDir(a.inst.path("Logs")).entryList(QDir::Files))
        log += a.inst.readFile("Logs/" + f);
    EXPECT_TRUE(log.contains("Data do servidor sem resposta")) << log.toStdString();
}

TEST(CargaJanela, TheSideBarOpensItByClassName)
{
    Ambiente a(true, cenarioJson("9"));
    RegisterClass(QStringLiteral("TfmCargas"), CriaJanelaCargas);
    TGanchosPrincipal g;
    g.Login = [](QWidget *) { return true; };
    auto principal = std::make_unique<TfmPrincipal>(g);
    principal->show();
    QTest::mouseClick(principal->pnlCarga, Qt::LeftButton);
    QCoreApplication::processEvents();
    auto *w = qobject_cast<TfmCargas *>(BuscaForm(QStringLiteral("TfmCargas")));
    ASSERT_NE(w, nullptr);
    a.janela = w;
    auto *sub = qobject_cast<QMdiSubWindow *>(w->parentWidget());
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(sub->isMaximized());
    EXPECT_EQ(w->CDSCfgDisponivel->recordCount(), 1);
    w->BtFechar->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(BuscaForm(QStringLiteral("TfmCargas")), nullptr);
    UnRegisterClass(QStringLiteral("TfmCargas"));
}

TEST(CargaJanela, StockOnlyReportsSuccessWhenWritten)
{
    for (const bool falha : {false, true}) {
        SCOPED_TRACE(falha ? "server error" : "stock received");
        json cenario = cenarioJson("9");
        cenario["estoque"] = json::array({{{"CODIGO", "P1"}, {"COR", "01"}, {"TAM", "M"}, {"QTDE", "8"}}});
        if (falha)
            cenario["answers"] = {{"ProdutoEstoqueZID", {{"status", 500}}}};
        Ambiente a(false, cenario); // "Estoque" always uses the JSON API
        TfmCargas *w = a.abre();
        ASSERT_TRUE(w->bConexao);
        a.rec->clear();
        a.rec->pushAnswer(MsgResult::Yes);
        w->BtnEstoque->click();
        ASSERT_FALSE(a.rec->texts().isEmpty());
        EXPECT_EQ(a.rec->texts().contains(kConcluida), !falha) << a.rec->texts().join('|').toStdString();
        EXPECT_EQ(a.valor("SELECT PAIT_QTDE FROM PA_ITEN WHERE PAIT_CODI = 'P1'").toInt(), falha ? 3 : 8);
    }
}

// Both loads leave the grade's indexes planned on its rows as they are
// now: the most selective index of n distinct lines says 1/n.
TEST(CargaJanela, LoadsLeaveTrueIndexStatistics)
{
    const QString menor =
        QStringLiteral("SELECT MIN(RDB$STATISTICS) FROM RDB$INDICES WHERE RDB$RELATION_NAME = 'PA_ITEN'");
    {
        SCOPED_TRACE("catalogue");
        Ambiente a(true, cenarioJson("9", 40));
        TfmCargas *w = a.abre();
        ASSERT_TRUE(w->bConexao);
        ASSERT_DOUBLE_EQ(a.valor(menor).toDouble(), 1.0); // the one line it held
        a.sincroniza();
        ASSERT_EQ(a.valor("SELECT COUNT(*) FROM PA_ITEN").toInt(), 40);
        // counted while the old line was still there: 1/41
        EXPECT_NEAR(a.valor(menor).toDouble(), 1.0 / 40, 0.002);
    }
    {
        SCOPED_TRACE("stock");
        json cenario = cenarioJson("9");
        cenario["estoque"] = json::array({{{"CODIGO", "P1"}, {"COR", "01"}, {"TAM", "M"}, {"QTDE", "8"}}});
        Ambiente a(false, cenario);
        TfmCargas *w = a.abre();
        ASSERT_TRUE(w->bConexao);
        a.sql("INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, PAIT_QTDE) "
              "SELECT FIRST 9 'S' || ROW_NUMBER() OVER (), '01', 'M', 0 FROM RDB$TYPES");
        ASSERT_DOUBLE_EQ(a.valor(menor).toDouble(), 1.0); // not recomputed by the insert
        a.rec->pushAnswer(MsgResult::Yes);
        w->BtnEstoque->click();
        ASSERT_TRUE(a.rec->texts().contains(kConcluida)) << a.rec->texts().join('|').toStdString();
        EXPECT_NEAR(a.valor(menor).toDouble(), 1.0 / 10, 1e-6);
    }
}
