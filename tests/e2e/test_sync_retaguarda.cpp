// Both server clients against the fake back office on loopback.
#include "PortaLivre.h"
#include "FakeBackOffice.h"
#include "TestDb.h"

#include "data/untDMRepres.h"
#include "platform/net/Base64.h"
#include "platform/net/HttpClient.h"
#include "sync/EscolhaRetaguarda.h"
#include "sync/untDMComunicacao.h"
#include "sync/untDMRemoto.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryFile>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>

using nlohmann::json;
using nlohmann::ordered_json;

namespace {

const char *const kToken = "d1c0b2e9f4a7d5c8b6e3f0a1c9d2e7b4";

std::string cabecalho(const json &req, const std::string &nome)
{
    for (const auto &h : req["headers"])
        if (QString::fromStdString(h[0]).compare(QString::fromStdString(nome), Qt::CaseInsensitive) == 0)
            return h[1];
    return "<none>";
}

// A scratch install with the upgraded columns the clients read and write.
class BaseLocal {
public:
    BaseLocal()
    {
        {
            auto db = inst.connect();
            const char *ddl[] = {
                "INSERT INTO CONFIG (CODREP, NMUSUARIO, DSSENHA) VALUES ('001', 'ANA', 'X')",
                "ALTER TABLE PEDIDO ADD PED_IDFECHADO VARCHAR(1)",
                "ALTER TABLE PEDIDO ADD PED_TABPRZ VARCHAR(4)",
                "ALTER TABLE PEDIDO ADD PED_MD5 VARCHAR(32)",
                "ALTER TABLE PED_ITEN ADD PEDIT_PREC_ORI NUMERIC(13,5)",
                "ALTER TABLE PED_ITEN ADD PEDIT_DT_ENTREGA DATE",
                "ALTER TABLE CONTATO_CLI ADD CONT_CNPJ VARCHAR(18)",
                "CREATE TABLE EMPRESA (EMP_PAT VARCHAR(4) NOT NULL PRIMARY KEY, EMP_NOME VARCHAR(80),"
                " EMP_ESTADO VARCHAR(2), EMP_CEP VARCHAR(8), EMP_TELEFONE VARCHAR(14), EMP_BAIRRO VARCHAR(20),"
                " EMP_NUMERO VARCHAR(5), EMP_CIDADE VARCHAR(30), EMP_EMAIL VARCHAR(50), EMP_ENDERECO VARCHAR(40),"
                " EMP_LOGO BLOB SEGMENT SIZE 1024)",
            };
            for (const char *s : ddl) {
                TXRQuery q;
                q.SetDatabase(db.get());
                q.SQL().SetText(QString::fromUtf8(s));
                q.ExecSQL();
                db->Transaction()->Commit();
            }
        }
        inst.writeFile("XR.ini", "[Banco]\r\nBase=REPRESEN.FDB\r\n");
        dm = std::make_unique<TDMRepres>(TDMRepresGanchos{});
    }
    void exec(const QString &sql) { execSql(*dm->XRDtRepres, sql); }
    QVariant valor(const QString &sql) { return scalar(*dm->XRDtRepres, sql); }

    ScratchInstall inst;
    std::unique_ptr<TDMRepres> dm;
};

class SyncRest : public ::testing::Test {
protected:
    void aponta(const FakeBackOffice &f, int timeoutMs = 5000)
    {
        dmc.DsHost = QStringLiteral("127.0.0.1");
        dmc.NrPorta = f.porta;
        dmc.TimeoutMs = timeoutMs;
    }
    ScopedDialogRecorder rec;
    TDMComunicacao dmc;
    TClientModule1 cm;
};

} // namespace

// ------------------------------------------------------------ JSON REST API

TEST_F(SyncRest, EveryOperationSendsItsRequest)
{
    FakeBackOffice f;
    aponta(f);
    DataSet codigos;
    codigos.setFieldDefs({{"CodCli", FieldType::String, 5}, {"CodCliEmp", FieldType::String, 5}});
    codigos.open();
    codigos.appendRow({"00001", "E1"});
    codigos.appendRow({"00002", "E2"});
    DataSet resultado, parametros;
    parametros.setFieldDefs({{"CAMPO", FieldType::String, 20}, {"VALOR", FieldType::String, 20}, {"TIPO", FieldType::String, 20}});
    parametros.open();
    parametros.appendRow({"DtIni", "31/12/2024", "ftDate"});
    QString s;
    int lote = 0;
    QDateTime d, h;

    using Q = std::vector<std::pair<std::string, std::string>>;
    const struct {
        const char *chave;
        std::function<void()> chama;
        const char *metodo;
        Q query;
        const char *corpo; // JSON, or null for GET
    } casos[] = {
        {"TesteConexao", [&] { dmc.RetornaConexao(false); }, "GET", {}, nullptr},
        {"GetVersaoServ", [&] { dmc.GetVersaoServ(); }, "GET", {}, nullptr},
        {"UpdateLogin", [&] { dmc.ConfereSenha("ana", "s&nh a", "001"); }, "GET",
         {{"usuario", "ana"}, {"senha", "s&nh a"}, {"codrep", "001"}}, nullptr},
        {"UpdateDataServidor", [&] { dmc.DataServidor("H"); }, "GET", {{"usuario", "H"}}, nullptr},
        {"GetCfgDisponivel", [&] { dmc.GetCfgDisponivel(7, "001", nullptr, nullptr); }, "GET",
         {{"codrep", "001"}, {"config", "7"}}, nullptr},
        {"CarregaDados", [&] { dmc.CarregaTabelas(7, "001", true); }, "GET",
         {{"recarga_cliente", "TRUE"}, {"config", "7"}, {"codrep", "001"}}, nullptr},
        {"UpdateNomeRepresentante", [&] { dmc.AtualizaNmRepresentante("001"); }, "GET", {{"codrep", "001"}}, nullptr},
        {"AtualizaEmailFone", [&] { dmc.AtualizaEmailFone("001", s); }, "GET", {{"codrep", "001"}}, nullptr},
        {"UpdateAtualizaConfigRepres", [&] { dmc.AtualizaConfigRepres(7, "001"); }, "GET",
         {{"codrep", "001"}, {"config", "7"}}, nullptr},
        {"PostVersaoRepresen", [&] { dmc.PostVersaoRepresen("1.0.0.1", "001"); }, "GET",
         {{"codrep", "001"}, {"versao", "1.0.0.1"}}, nullptr},
        {"ExistePedido", [&] { dmc.ExistePedido("001", "00012", lote, d, h); }, "GET",
         {{"codrep", "001"}, {"pedido", "00012"}}, nullptr},
        {"UpdateRetornaCodCliRep", [&] { dmc.RetornaCodCliRepres(&codigos); }, "POST", {},
         R"([{"CodCliEmp":"E1","CodCli":"00001"},{"CodCliEmp":"E2","CodCli":"00002"}])"},
        {"UpdateCarregaDados", [&] { dmc.BuscaDadosSQL("SELECT 1\r\nFROM X\rWHERE\nA = 'b'", &resultado, &parametros); },
         "POST", {{"dtini", "2024-12-31"}}, R"([{"sql":"SELECT 1 FROM X WHERE A = 'b'"}])"},
        {"executaSQLSelect", [&] { dmc.ExecutaSqlSelect("ERP", "SELECT 'ç'"); }, "POST", {},
         R"([{"baseDados":"ERP","sql":"SELECT 'ç'"}])"},
    };
    for (const auto &c : casos) {
        SCOPED_TRACE(c.chave);
        c.chama();
        const json r = f.ultima(c.chave);
        ASSERT_FALSE(r.is_null());
        EXPECT_EQ(r["method"], c.metodo);
        Q query;
        for (const auto &p : r["query"])
            query.emplace_back(p[0], p[1]);
        EXPECT_EQ(query, c.query);
        EXPECT_EQ(cabecalho(r, "token"), kToken);
        EXPECT_EQ(cabecalho(r, "Accept"), "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8");
        if (c.corpo) {
            // Compared as text of the parsed body so key order counts.
            EXPECT_EQ(ordered_json::parse(r["body"].get<std::string>()).dump(), ordered_json::parse(c.corpo).dump());
            EXPECT_EQ(cabecalho(r, "Content-Type"), "application/json");
            EXPECT_EQ(cabecalho(r, "Access-Control-Allow-Origin"), "*");
            EXPECT_EQ(cabecalho(r, "Access-Control-Allow-Methods"), "PUT, POST, GET, DELETE");
            EXPECT_EQ(cabecalho(r, "Access-Control-Allow-headers"), "accept, authorization, origin");
        }
    }
    EXPECT_EQ(f.de("GetVersaoServ").size(), 2u); // CarregaTabelas asks the version too
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('|').toStdString();
}

TEST_F(SyncRest, AnswersAreReadIntoValues)
{
    const struct {
        json resultado;
        bool conecta;
        int login;
    } casos[] = {
        {true, true, 4},      {"true", true, 4},  {"TRUE", true, 4}, {"yes", false, 4},
        {"FALSE", false, 4},  {3, false, 3},      {"0", false, 0},   {"x", false, 4},
        {nullptr, false, 4},
    };
    for (const auto &c : casos) {
        SCOPED_TRACE(c.resultado.dump());
        FakeBackOffice f(json{{"teste_conexao", c.resultado}, {"login", c.resultado}});
        aponta(f);
        EXPECT_EQ(dmc.RetornaConexao(true), c.conecta);
        EXPECT_EQ(dmc.ConfereSenha("a", "b", "c"), c.login);
    }

    const QString nome = QString::fromUtf8("João \"Zé\" ç ã \\ fim");
    FakeBackOffice f(json{{"nome", nome.toStdString()},
                      {"email", "a@b"},
                      {"fone", "11 9"},
                      {"data", "31/12/2024"},
                      {"hora", "10:20:30"},
                      {"existe_pedido", {{"resultado", "true"}, {"lote", "15"}, {"datasinc", "30/11/2024"}, {"horasinc", "08:09:10"}}}});
    aponta(f);
    EXPECT_EQ(dmc.AtualizaNmRepresentante("1"), nome);
    QString fone;
    EXPECT_EQ(dmc.AtualizaEmailFone("1", fone), "a@b");
    EXPECT_EQ(fone, "11 9");
    EXPECT_EQ(dmc.DataServidor("D"), QDateTime(QDate(2024, 12, 31), QTime(0, 0)));
    EXPECT_EQ(dmc.DataServidor("H").time(), QTime(10, 20, 30));
    int lote = -1;
    QDateTime d, h;
    EXPECT_TRUE(dmc.ExistePedido("1", "2", lote, d, h));
    EXPECT_EQ(lote, 15);
    EXPECT_EQ(d.date(), QDate(2024, 11, 30));
    EXPECT_EQ(h.time(), QTime(8, 9, 10));
    EXPECT_TRUE(rec->texts().isEmpty());
}

TEST_F(SyncRest, MissingAnswersLeaveDefaultsAndOutputs)
{
    FakeBackOffice f(json{{"existe_pedido", {{"resultado", "FALSE"}}},
                      {"answers", {{"UpdateLogin", {{"body", json::array()}}}, {"UpdateDataServidor", {{"body", json::array()}}}}}});
    aponta(f);
    int lote = -1;
    QDateTime d, h;
    EXPECT_FALSE(dmc.ExistePedido("1", "2", lote, d, h));
    EXPECT_EQ(lote, 0);
    EXPECT_EQ(d.date(), QDate::currentDate());
    EXPECT_TRUE(h.time().isValid());
    EXPECT_EQ(dmc.ConfereSenha("a", "b", "c"), 4); // empty answer array
    EXPECT_EQ(dmc.DataServidor("D"), QDateTime(QDate(1899, 12, 30), QTime(0, 0)));

    dmc.NrPorta = portaLivre();
    EXPECT_EQ(dmc.ConfereSenha("a", "b", "c"), 4);
    EXPECT_EQ(rec->texts().size(), 1) << "the unreachable server is reported once";
    lote = 99;
    EXPECT_FALSE(dmc.ExistePedido("1", "2", lote, d, h));
    EXPECT_EQ(lote, 99);
}

TEST_F(SyncRest, OfferedConfigurationsFillBothTables)
{
    FakeBackOffice f(json{{"carga", json::array({{{"CONF_DESCRICAO", "Verão"}, {"CONF_DTLIBERACAO", "01-12-2024"}}})},
                      {"configuracao", {{"conf_codigo", 7}, {"conf_descricao", "Inverno"}, {"conf_dtvalidade", "31-01-2025"}}}});
    aponta(f);
    DataSet ult, cfg;
    cfg.setFieldDefs({{"VELHO", FieldType::String, 5}});
    dmc.GetCfgDisponivel(7, "001", &ult, &cfg);
    ASSERT_EQ(ult.recordCount(), 1);
    EXPECT_EQ(ult.fieldByName("CONF_DESCRICAO")->asString(), QString::fromUtf8("Verão"));
    EXPECT_EQ(ult.fieldByName("CONF_DTLIBERACAO")->asString(), "01/12/2024");
    ASSERT_EQ(cfg.fieldNames(), (QStringList{"conf_codigo", "conf_descricao", "conf_dtvalidade"}));
    ASSERT_EQ(cfg.recordCount(), 1);
    EXPECT_EQ(cfg.fieldByName("CONF_CODIGO")->asString(), "7");
    EXPECT_EQ(cfg.fieldByName("CONF_DTVALIDADE")->asString(), "31/01/2025");
}

TEST_F(SyncRest, LoadTablesFollowTheServerVersion)
{
    json dados = json::object();
    for (int i = 0; i < 12; ++i)
        dados[TClientModule1::NomeTabelaCarga(i).toStdString()] = json::array({{{"COL", i}}});
    dados["CONFIG_IMAGEM"] = json::array({{{"cnfimg_config", "7"}, {"cnfimg_imagem", "AAEC/w=="}}, {{"cnfimg_config", "8"}}});
    json semPrazo = dados;
    semPrazo.erase("TABPRZ");

    const struct {
        const char *caso;
        json dados;
        const char *versao;
        int tabelas;
        const char *ultima;
    } casos[] = {
        {"version 8", dados, "8", 11, "TABPRZ"},
        {"version 9", dados, "9", 12, "PRODUTO_ORDEM"},
        {"no TABPRZ", semPrazo, "9", 11, "PRODUTO_ORDEM"},
    };
    for (const auto &c : casos) {
        SCOPED_TRACE(c.caso);
        FakeBackOffice f(json{{"carga_dados", c.dados}, {"versao", c.versao}});
        aponta(f);
        cm.oLstCDS = std::make_unique<TListaCDS>();
        cm.oLstCDS->push_back(std::make_unique<DataSet>()); // left over from an earlier load
        ASSERT_TRUE(dmc.CarregaTabelas(7, "001", false));
        ASSERT_EQ(int(cm.oLstCDS->size()), c.tabelas);
        QStringList nomes;
        for (const auto &t : *cm.oLstCDS)
            nomes << t->objectName();
        EXPECT_EQ(nomes.last(), c.ultima);
        EXPECT_EQ(nomes.indexOf("TABPRZ") >= 0, c.dados.contains("TABPRZ"));
        const DataSet &img = *cm.oLstCDS->at(9);
        ASSERT_EQ(img.objectName(), "CONFIG_IMAGEM");
        ASSERT_EQ(img.recordCount(), 1);
        EXPECT_EQ(img.valueAt(0, 0).toInt(), 7);
        EXPECT_EQ(img.valueAt(0, 1).toByteArray(), QByteArray("\x00\x01\x02\xff", 4));
        EXPECT_EQ(cm.oLstCDS->at(0)->valueAt(0, 0).toString(), "0");
    }
    EXPECT_TRUE(rec->texts().isEmpty());

    FakeBackOffice ruim(json{{"carga_dados", dados}, {"versao", "nove"}});
    aponta(ruim);
    EXPECT_FALSE(dmc.CarregaTabelas(7, "001", false));
    EXPECT_EQ(rec->texts().size(), 1);
}

TEST_F(SyncRest, FaultsGiveOneMessageAndNoPartialWrite)
{
    BaseLocal base;
    const json empresa = {{"emp_pat", "001"}, {"emp_nome", "Empresa"}, {"emp_logo", "AAE="}};
    const struct {
        const char *caso;
        json cenario;
        int mensagens;
    } casos[] = {
        {"HTTP 500", {{"answers", {{"DadosEmpresa", {{"status", 500}, {"body", {{"erro", "falhou"}}}}}}}}, 1},
        {"delay past the time-out", {{"answers", {{"DadosEmpresa", {{"delay", 3}}}}}}, 1},
        {"not JSON", {{"answers", {{"DadosEmpresa", {{"raw", "<html>oops</html>"}}}}}}, 1},
        {"dropped connection", {{"answers", {{"DadosEmpresa", {{"drop", true}}}}}}, 1},
        {"wrong token", {{"token", "outro"}}, 1},
        {"first element not an object", {{"answers", {{"DadosEmpresa", {{"body", json::array({1, 2})}}}}}}, 1},
        {"not an array", {{"answers", {{"DadosEmpresa", {{"body", {{"a", 1}}}}}}}}, 1},
        {"empty array", {{"answers", {{"DadosEmpresa", {{"body", json::array()}}}}}}, 0},
        {"logo not Base64", {{"empresa", {{"emp_pat", "001"}, {"emp_logo", "@@"}}}}, 1},
    };
    for (const auto &c : casos) {
        SCOPED_TRACE(c.caso);
        json cenario = c.cenario;
        if (!cenario.contains("empresa"))
            cenario["empresa"] = empresa;
        FakeBackOffice f(cenario);
        aponta(f, 700);
        rec->clear();
        QElapsedTimer t;
        t.start();
        EXPECT_FALSE(dmc.GravaDadosEmpresa(7));
        EXPECT_LT(t.elapsed(), 2500);
        EXPECT_EQ(rec->texts().size(), c.mensagens) << rec->texts().join('|').toStdString();
        EXPECT_EQ(base.valor("SELECT COUNT(*) FROM EMPRESA").toInt(), 0);
    }
    // The 401 answer names itself.
    FakeBackOffice f(json{{"token", "outro"}});
    aponta(f);
    rec->clear();
    dmc.GetVersaoServ();
    ASSERT_EQ(rec->texts().size(), 1);
    EXPECT_TRUE(rec->texts()[0].contains("401"));
}

TEST_F(SyncRest, CompanyRecordIsInsertedThenUpdated)
{
    BaseLocal base;
    for (const char *nome : {"Primeira", "Segunda"}) {
        FakeBackOffice f(json{{"empresa", {{"emp_pat", "001"}, {"emp_nome", nome}, {"emp_endereco", "Rua \"A\""},
                                       {"emp_numero", 10}, {"emp_bairro", "Centro"}, {"emp_cidade", "São Paulo"},
                                       {"emp_estado", "SP"}, {"emp_cep", "01000000"}, {"emp_telefone", "1133"},
                                       {"emp_email", "e@x"}, {"emp_logo", base64Encode("\x89PNG logo").toStdString()}}}});
        aponta(f);
        ASSERT_TRUE(dmc.GravaDadosEmpresa(7));
        EXPECT_EQ(f.ultima("DadosEmpresa")["query"], json::array({json::array({"config", "7"})}));
    }
    EXPECT_EQ(base.valor("SELECT COUNT(*) FROM EMPRESA").toInt(), 1);
    EXPECT_EQ(base.valor("SELECT EMP_NOME FROM EMPRESA").toString(), "Segunda");
    EXPECT_EQ(base.valor("SELECT EMP_ENDERECO FROM EMPRESA").toString(), "Rua \"A\"");
    EXPECT_EQ(base.valor("SELECT EMP_CIDADE FROM EMPRESA").toString(), QString::fromUtf8("São Paulo"));
    EXPECT_EQ(base.valor("SELECT EMP_NUMERO FROM EMPRESA").toString(), "10");
    EXPECT_EQ(base.valor("SELECT EMP_LOGO FROM EMPRESA").toByteArray(), QByteArray("\x89PNG logo"));
    EXPECT_TRUE(rec->texts().isEmpty());
}

TEST_F(SyncRest, StockUpdateWritesEveryRowOrNone)
{
    BaseLocal base;
    for (const char *s : {"INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, PAIT_DEPO, PAIT_LOTE, PAIT_QTDE) VALUES ('P1','01','P','1','1',1)",
                          "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, PAIT_DEPO, PAIT_LOTE, PAIT_QTDE) VALUES ('P1','01','M','1','1',1)"})
        base.exec(s);
    const auto estoque = [](json qtdeM) {
        return json{{"estoque", json::array({{{"CODIGO", "P1"}, {"COR", "01"}, {"TAM", "P"}, {"QTDE", 5}},
                                             {{"CODIGO", "P1"}, {"COR", "01"}, {"TAM", "M"}, {"QTDE", qtdeM}}})}};
    };
    const auto soma = [&] { return base.valor("SELECT SUM(PAIT_QTDE) FROM PA_ITEN").toDouble(); };

    {
        FakeBackOffice f(estoque("muito"));
        aponta(f);
        EXPECT_THROW(dmc.AtualizaEstoque(7), EAbort);
        EXPECT_EQ(rec->texts().size(), 1);
        EXPECT_DOUBLE_EQ(soma(), 2) << "the first row must not stay written";
    }
    {
        FakeBackOffice f(json{{"answers", {{"ProdutoEstoqueZID", {{"status", 500}}}}}});
        aponta(f);
        rec->clear();
        EXPECT_THROW(dmc.AtualizaEstoque(7), EAbort);
        EXPECT_EQ(rec->texts().size(), 1);
        EXPECT_DOUBLE_EQ(soma(), 2);
    }
    FakeBackOffice f(estoque("7"));
    aponta(f);
    rec->clear();
    std::vector<std::pair<int, int>> progresso;
    dmc.AtualizaEstoque(7, [&](int p, int m) { progresso.emplace_back(p, m); });
    EXPECT_EQ(base.valor("SELECT PAIT_QTDE FROM PA_ITEN WHERE PAIT_TAM = 'P'").toDouble(), 5);
    EXPECT_EQ(base.valor("SELECT PAIT_QTDE FROM PA_ITEN WHERE PAIT_TAM = 'M'").toDouble(), 7);
    EXPECT_EQ(progresso, (std::vector<std::pair<int, int>>{{0, 2}, {1, 2}, {2, 2}}));
    EXPECT_TRUE(rec->texts().isEmpty());
}

TEST_F(SyncRest, OrderBatchBodyOfTwoOrders)
{
    BaseLocal base;
    for (const char *s : {
             "INSERT INTO CLIENTE (CLI_CODI, CLI_NOME, CLI_CNPJ, CLI_DTCA, CLI_OBSERVACAO) VALUES ('00001', 'Loja \"Á\"', '12.345.678/0001-90', '2024-01-02', NULL)",
             "INSERT INTO CONTATO_CLI (CONT_CCLI, CONT_ITEM, CONT_NOME, CONT_NASC, CONT_TEXT, CONT_CNPJ) VALUES ('00001', 1, 'Ana', '1990-05-06', 'texto longo', '1')",
             "INSERT INTO CONTATO_CLI (CONT_CCLI, CONT_ITEM, CONT_NOME) VALUES ('00001', 2, 'Bia')",
             "INSERT INTO PEDIDO (PED_NUME, PED_CCLI, PED_DTCA, PED_DTEM, PED_PDESC, PED_CONFIG, PED_MD5, PED_OBSE) VALUES ('00002', '00001', '2024-12-01', '2024-12-02', 2.5, 7, 'ABC', 'obs ç')",
             "INSERT INTO PED_ITEN (PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI, PEDIT_QTDE, PEDIT_PREC, PEDIT_PREC_ORI, PEDIT_DT_ENTREGA) VALUES ('00002', 2, 'P2', 3, 10.5, 11.25, '2025-01-10')",
             "INSERT INTO PEDIDO (PED_NUME, PED_CCLI, PED_DTEM) VALUES ('00001', '00001', '2024-11-30')",
             "INSERT INTO PED_ITEN (PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI, PEDIT_QTDE, PEDIT_PREC) VALUES ('00002', 1, 'P1', 1.5, 20)",
         })
        base.exec(QString::fromUtf8(s));

    FakeBackOffice f(json{{"rejeitados", "'00002'"}, {"codclientes", json::array({{{"CodCliRep", "E9"}, {"CodCli", "00001"}}})}});
    aponta(f);
    QString rejeitados = "antes";
    DataSet codigos;
    ASSERT_TRUE(dmc.CarregaPedidos(" 0 1 ", "'00001', '00002'", 12, rejeitados, &codigos));
    EXPECT_EQ(rejeitados, "'00002'");
    ASSERT_EQ(codigos.recordCount(), 1);
    EXPECT_EQ(codigos.fieldByName("CodCliRep")->asString(), "E9");

    const json r = f.ultima("UpdateEnviaInformacoes");
    EXPECT_EQ(r["method"], "POST");
    EXPECT_EQ(r["rawpath"], "/UpdateEnviaInformacoes?lote=12&codrep=0%201");

    const char *cliente = R"({"cli_codi":"00001","cli_nome":"Loja \"Á\"","cli_fant":null,"cli_cnpj":"12.345.678/0001-90",
        "cli_iest":null,"cli_tele":null,"cli_mail":null,"cli_ende":null,"cli_nend":null,"cli_comp":null,"cli_bair":null,
        "cli_tipo":null,"cli_cep":null,"cli_uf":null,"cli_dtca":"02/01/2024","cli_nomcid":null,"cli_observacao":null,
        "contatos":[
          {"cont_ccli":"00001","cont_item":1.0,"cont_nome":"Ana","cont_fone":null,"cont_mail":null,"cont_nasc":"06/05/1990",
           "cont_tipo":null,"cont_text":"texto longo","cont_obs":null,"cont_cnpj":"1"},
          {"cont_ccli":"00001","cont_item":2.0,"cont_nome":"Bia","cont_fone":null,"cont_mail":null,"cont_nasc":null,
           "cont_tipo":null,"cont_text":null,"cont_obs":null,"cont_cnpj":null}]})";
    const std::string esperado = std::string(R"([
      {"ped_nume":"00001","ped_ccli":"00001","ped_dtca":null,"ped_dtem":"30/11/2024","ped_dten":null,"ped_conp":null,
       "ped_pdesc":null,"ped_cif":null,"ped_obse":null,"ped_tabpre":null,"ped_dtfat":null,"ped_config":null,
       "ped_tabprz":null,"ped_md5":null,"ped_cc_cnpj":"12345678000190","cliente":)") + cliente + R"(,
       "itens":[{"pedit_nume":null,"pedit_item":null,"pedit_codi":null,"pedit_qtde":null,"pedit_cor":null,
                 "pedit_tam":null,"pedit_prec":null,"pedit_tipo":null,"pedit_prec_ori":null,"pedit_dt_entrega":null}]},
      {"ped_nume":"00002","ped_ccli":"00001","ped_dtca":"01/12/2024","ped_dtem":"02/12/2024","ped_dten":null,"ped_conp":null,
       "ped_pdesc":2.5,"ped_cif":null,"ped_obse":"obs ç","ped_tabpre":null,"ped_dtfat":null,"ped_config":7.0,
       "ped_tabprz":null,"ped_md5":"ABC","ped_cc_cnpj":"12345678000190","cliente":)" + cliente + R"(,
       "itens":[{"pedit_nume":"00002","pedit_item":1.0,"pedit_codi":"P1","pedit_qtde":1.5,"pedit_cor":null,
                 "pedit_tam":null,"pedit_prec":20.0,"pedit_tipo":null,"pedit_prec_ori":null,"pedit_dt_entrega":null},
                {"pedit_nume":"00002","pedit_item":2.0,"pedit_codi":"P2","pedit_qtde":3.0,"pedit_cor":null,
                 "pedit_tam":null,"pedit_prec":10.5,"pedit_tipo":null,"pedit_prec_ori":11.25,"pedit_dt_entrega":"10/01/2025"}]}])";
    const ordered_json corpo = ordered_json::parse(r["body"].get<std::string>());
    const ordered_json previsto = ordered_json::parse(esperado);
    // ordered_json compares objects member by member in order.
    EXPECT_EQ(corpo, previsto) << corpo.dump(1);
    EXPECT_TRUE(rec->texts().isEmpty());
}

TEST_F(SyncRest, EmptyCustomerCodesAreNotSent)
{
    FakeBackOffice f;
    aponta(f);
    DataSet vazio;
    vazio.setFieldDefs({{"CodCli", FieldType::String, 5}, {"CodCliEmp", FieldType::String, 5}});
    EXPECT_TRUE(dmc.RetornaCodCliRepres(&vazio));
    EXPECT_TRUE(f.requisicoes().empty());
}

TEST_F(SyncRest, RemoteSelectRowsBecomeUpperCaseFields)
{
    const std::string longo(251, 'x');
    FakeBackOffice f(json{{"sql_rows", json::array({{{"cod", "1"}, {"obs", longo}, {"valor", 2.5}},
                                                {{"cod", "2"}, {"obs", "curta"}}})}});
    aponta(f);
    DataSet r;
    dmc.BuscaDadosSQL("SELECT", &r, nullptr);
    ASSERT_EQ(r.fieldNames(), (QStringList{"COD", "OBS", "VALOR"}));
    EXPECT_EQ(r.fieldDefs()[1].type, FieldType::Memo);
    ASSERT_EQ(r.recordCount(), 2);
    EXPECT_EQ(r.valueAt(0, 2).toString(), "2.5");
    EXPECT_EQ(r.valueAt(1, 1).toString(), "curta");
    EXPECT_EQ(f.ultima("UpdateCarregaDados")["rawpath"], "/UpdateCarregaDados");

    const auto dados = dmc.ExecutaSqlSelect("CONFIGURADOR", "SELECT");
    ASSERT_TRUE(dados.has_value());
    EXPECT_EQ((*dados)["dados"].size(), 2u);
}

// ------------------------------------------------------------ back-end choice

TEST(SyncEscolha, ChoiceIsMadeOncePerRun)
{
    BaseLocal base;
    base.dm.reset();
    ScopedDialogRecorder rec;
    TDMComunicacao dmc;
    TClientModule1 cm;
    InstalaEscolhaRetaguarda();
    const struct {
        const char *caso;
        json cenario;
        bool servidor;
        bool rest;
    } casos[] = {
        {"TRUE", {{"teste_conexao", "TRUE"}}, true, true},
        {"true literal", {{"teste_conexao", true}}, true, true},
        {"True text", {{"teste_conexao", "True"}}, true, true},
        {"FALSE", {{"teste_conexao", "FALSE"}}, true, false},
        {"HTTP 500", {{"answers", {{"TesteConexao", {{"status", 500}}}}}}, true, false},
        {"not JSON", {{"answers", {{"TesteConexao", {{"raw", "ok"}}}}}}, true, false},
        {"no server", json::object(), false, false},
    };
    for (const auto &c : casos) {
        SCOPED_TRACE(c.caso);
        FakeBackOffice f(c.cenario);
        dmc.DsHost = "127.0.0.1";
        dmc.NrPorta = c.servidor ? f.porta : portaLivre();
        dmc.TimeoutMs = 3000;
        TDMRepres dm; // a new run
        EXPECT_EQ(dm.bConexaoRest(), c.rest);
        EXPECT_EQ(Retaguarda().EhRest(), c.rest);
        EXPECT_EQ(dm.bConexaoRest(), c.rest);
        if (c.servidor) {
            EXPECT_EQ(f.de("TesteConexao").size(), 1u);
        }
    }
    EXPECT_TRUE(rec->texts().isEmpty()) << "the choice is silent";
    TDMRepres::GanchosPadrao().RetornaConexaoRest = nullptr;
}

// ------------------------------------------------------------ DataSnap

namespace {

// Spelled as JSON text: brace lists of two strings would become objects.
json tabela(const std::string &campos, const std::string &linhas)
{
    return {{"fields", json::parse(campos)}, {"rows", json::parse(linhas)}};
}

class SyncDataSnap : public ::testing::Test {
protected:
    void aponta(const FakeBackOffice &f, int timeoutMs = 5000)
    {
        cm.DsHost = "127.0.0.1";
        cm.NrPorta = f.porta;
        cm.DSRestConnection->TimeoutMs = timeoutMs;
    }
    ScopedDialogRecorder rec;
    TClientModule1 cm;
};

} // namespace

TEST_F(SyncDataSnap, EveryMethodSendsItsUrlAndReadsItsResult)
{
    FakeBackOffice f(json{{"login", 3},
                      {"versao", "17"},
                      {"rejeitados", "'00003'"},
                      {"ds_existe", json::array({15, "2024-11-30 00:00:00.000", "1899-12-30 08:09:10.000", true})},
                      {"ds_codclientes", tabela(R"([["CodCliRep","String",5],["CodCli","String",5]])", R"([["E9","00001"]])")},
                      {"ds_select", tabela(R"([["A","Integer"]])", "[[1],[2]]")}});
    aponta(f);
    auto *sm = cm.ServerMethods1Client();
    auto *fg = cm.FuncoesGClient();
    DataSet lista;
    lista.setFieldDefs({{"X", FieldType::String, 3}});
    lista.open();
    lista.appendRow({"abc"});
    const QByteArray listaJson = encodeDataSetList({{"PEDIDO", &lista}});
    QString texto;
    NamedDataSets saida;
    int lote = 0;
    QDateTime d, h;

    const struct {
        const char *chave;
        std::function<void()> chama;
        const char *metodo;
        const char *caminho;
        int listasNoCorpo;
    } casos[] = {
        {"TServerMethods1.GetVersaoServ", [&] { EXPECT_EQ(sm->GetVersaoServ(), "17"); }, "GET",
         "/datasnap/rest/TServerMethods1/GetVersaoServ", 0},
        {"TServerMethods1.TesteConexao", [&] { EXPECT_TRUE(cm.RetornaConexao()); }, "GET",
         "/datasnap/rest/TServerMethods1/TesteConexao", 0},
        {"TServerMethods1.Login", [&] { EXPECT_EQ(cm.ConfereSenha("ana maria", "a/b", "001"), 3); }, "GET",
         "/datasnap/rest/TServerMethods1/Login/ana%20maria/a%2Fb/001/0", 0},
        {"TServerMethods1.GetCfgDisponivel", [&] { cm.GetCfgDisponivel(7, "001", nullptr, nullptr); }, "GET",
         "/datasnap/rest/TServerMethods1/GetCfgDisponivel/7/001", 0},
        {"TServerMethods1.CarregaDadosConfig", [&] { EXPECT_TRUE(cm.CarregaTabelas(7, "001", true)); }, "GET",
         "/datasnap/rest/TServerMethods1/CarregaDadosConfig/7/001/true", 0},
        {"TServerMethods1.RetornaCodCliRepres", [&] { EXPECT_TRUE(sm->RetornaCodCliRepres(listaJson)); }, "POST",
         "/datasnap/rest/TServerMethods1/%22RetornaCodCliRepres%22", 1},
        {"TServerMethods1.DataServidor",
         [&] { EXPECT_EQ(sm->DataServidor("D"), QDateTime(QDate(2024, 12, 31), QTime(10, 20, 30))); }, "GET",
         "/datasnap/rest/TServerMethods1/DataServidor/D", 0},
        {"TServerMethods1.AtualizaConfigRepres", [&] { EXPECT_TRUE(sm->AtualizaConfigRepres(7, "001")); }, "GET",
         "/datasnap/rest/TServerMethods1/AtualizaConfigRepres/7/001", 0},
        {"TServerMethods1.AtualizaNmRepresentante",
         [&] { EXPECT_EQ(sm->AtualizaNmRepresentante("001"), "REPRESENTANTE TESTE"); }, "GET",
         "/datasnap/rest/TServerMethods1/AtualizaNmRepresentante/001", 0},
        {"TServerMethods1.AtualizaEmailFone",
         [&] {
             EXPECT_EQ(sm->AtualizaEmailFone("001", texto), "rep@exemplo.com");
             EXPECT_EQ(texto, "1199990000");
         },
         "GET", "/datasnap/rest/TServerMethods1/AtualizaEmailFone/001", 0},
        {"TServerMethods1.CarregaPedidos",
         [&] {
             EXPECT_TRUE(sm->CarregaPedidos("001", 12, listaJson, texto, saida));
             EXPECT_EQ(texto, "'00003'");
             ASSERT_EQ(saida.size(), 1u);
             EXPECT_EQ(saida[0].second->valueAt(0, 0).toString(), "E9");
         },
         "POST", "/datasnap/rest/TServerMethods1/%22CarregaPedidos%22/001/12", 1},
        {"TServerMethods1.DadosEmpresa", [&] { EXPECT_EQ(sm->DadosEmpresa(7).size(), 1u); }, "GET",
         "/datasnap/rest/TServerMethods1/DadosEmpresa/7", 0},
        {"TServerMethods1.ExistePedido",
         [&] {
             EXPECT_TRUE(sm->ExistePedido("001", "00012", lote, d, h));
             EXPECT_EQ(lote, 15);
             EXPECT_EQ(d.date(), QDate(2024, 11, 30));
             EXPECT_EQ(h.time(), QTime(8, 9, 10));
         },
         "GET", "/datasnap/rest/TServerMethods1/ExistePedido/001/00012", 0},
        {"TServerMethods1.SetVersaoRepres", [&] { sm->SetVersaoRepres("1.0.0.1"); }, "GET",
         "/datasnap/rest/TServerMethods1/SetVersaoRepres/1.0.0.1", 0},
        {"TServerMethods1.GetVersaoRepresen", [&] { sm->GetVersaoRepresen("1.0.0.1", "001"); }, "GET",
         "/datasnap/rest/TServerMethods1/GetVersaoRepresen/1.0.0.1/001", 0},
        {"TFuncoesG.BuscaTipoItem", [&] { EXPECT_EQ(fg->BuscaTipoItem(7), "G"); }, "GET",
         "/datasnap/rest/TFuncoesG/BuscaTipoItem/7", 0},
        {"TFuncoesG.ESelect",
         [&] {
             const auto r = fg->ESelect("SELECT * FROM T WHERE A = 'x/y?'", texto, false, "", "", std::nullopt);
             ASSERT_EQ(r.size(), 1u);
             EXPECT_EQ(r[0].first, "SELECT");
             EXPECT_EQ(r[0].second->recordCount(), 2);
         },
         "POST", "/datasnap/rest/TFuncoesG/%22ESelect%22/SELECT%20%2A%20FROM%20T%20WHERE%20A%20%3D%20%27x%2Fy%3F%27/false//",
         0},
    };
    for (const auto &c : casos) {
        SCOPED_TRACE(c.chave);
        c.chama();
        const json r = f.ultima(c.chave);
        ASSERT_FALSE(r.is_null());
        EXPECT_EQ(r["method"], c.metodo);
        EXPECT_EQ(r["rawpath"], c.caminho);
        EXPECT_EQ(cabecalho(r, "Accept"), "application/JSON");
        EXPECT_EQ(cabecalho(r, "Content-Type"), "text/plain;charset=UTF-8");
        EXPECT_EQ(cabecalho(r, "If-Modified-Since"), "Mon, 1 Oct 1990 05:00:00 GMT");
        EXPECT_EQ(cabecalho(r, "Pragma"), "<none>");
        if (c.listasNoCorpo) {
            ASSERT_EQ(r["datasets"].size(), 1u);
            EXPECT_EQ(r["datasets"][0][0][0], "PEDIDO");
            EXPECT_EQ(r["datasets"][0][0][1]["rows"], json::array({json::array({"abc"})}));
        }
    }
    EXPECT_EQ(f.ultima("TFuncoesG.ESelect")["body"], "null");
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('|').toStdString();
}

TEST_F(SyncDataSnap, SessionIsKeptUntilTheServerExpiresIt)
{
    FakeBackOffice f(json{{"session", "S1"},
                      {"answers", {{"TServerMethods1.GetCfgDisponivel",
                                    {{"status", 500}, {"times", 1}, {"body", {{"SessionExpired", "Sessão expirada"}}}}}}}});
    aponta(f);
    cm.RetornaConexao();
    cm.RetornaConexao();
    DataSet ult, cfg;
    ult.setFieldDefs({{"MANTIDO", FieldType::String, 5}});
    ult.open();
    ult.appendRow({"x"});
    cm.GetCfgDisponivel(1, "001", &ult, &cfg);
    ASSERT_EQ(rec->texts(), QStringList{QString::fromUtf8("Erro na Consulta de Cargas: Sessão expirada")});
    EXPECT_EQ(ult.recordCount(), 1) << "the targets keep what they had";
    cm.ServerMethods1Client()->GetVersaoServ();

    const auto reqs = f.requisicoes();
    ASSERT_EQ(reqs.size(), 4u);
    EXPECT_EQ(cabecalho(reqs[0], "Pragma"), "<none>");
    EXPECT_EQ(cabecalho(reqs[1], "Pragma"), "dssession=S1");
    EXPECT_EQ(cabecalho(reqs[2], "Pragma"), "dssession=S1");
    EXPECT_EQ(cabecalho(reqs[3], "Pragma"), "<none>");
}

TEST_F(SyncDataSnap, ErrorAnswersShowContextAndMessage)
{
    FakeBackOffice f(json{{"answers", {{"TServerMethods1.GetCfgDisponivel", {{"status", 500}, {"raw", "falha geral"}}},
                                   {"TServerMethods1.CarregaDadosConfig", {{"status", 500}, {"body", {{"error", "sem carga"}}}}}}}});
    aponta(f);
    cm.GetCfgDisponivel(1, "001", nullptr, nullptr);
    EXPECT_FALSE(cm.CarregaTabelas(1, "001", false));
    EXPECT_EQ(rec->texts(), (QStringList{"Erro na Consulta de Cargas: falha geral", "sem carga"}));
    ASSERT_TRUE(cm.oLstCDS);
    EXPECT_TRUE(cm.oLstCDS->empty());
}

TEST_F(SyncDataSnap, LoadTablesAreNamedByPositionIncludingTheTwelfth)
{
    json carga = json::array();
    for (int i = 0; i < 12; ++i)
        carga.push_back(json::array({"", tabela(R"([["COL","Integer"]])", "[[" + std::to_string(i) + "]]")}));
    FakeBackOffice f(json{{"ds_carga", carga}, {"ds_cfgdisponivel", tabela(R"([["CONF_CODIGO","Integer"],["CONF_DESCRICAO","String",20]])", R"([[7,"Verão"]])")},
                      {"ds_ultsincr", tabela(R"([["CONF_DESCRICAO","String",20]])", "[]")}});
    aponta(f);
    cm.oLstCDS = std::make_unique<TListaCDS>();
    cm.oLstCDS->push_back(std::make_unique<DataSet>());
    ASSERT_TRUE(cm.CarregaTabelas(7, "001", false));
    ASSERT_EQ(cm.oLstCDS->size(), 12u);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(cm.oLstCDS->at(size_t(i))->objectName(), TClientModule1::NomeTabelaCarga(i));
        EXPECT_EQ(cm.oLstCDS->at(size_t(i))->valueAt(0, 0).toInt(), i);
    }
    EXPECT_EQ(cm.oLstCDS->back()->objectName(), "PRODUTO_ORDEM");

    DataSet ult, cfg;
    cm.GetCfgDisponivel(1, "001", &ult, &cfg);
    ASSERT_EQ(cfg.recordCount(), 1);
    EXPECT_EQ(cfg.fieldByName("CONF_DESCRICAO")->asString(), QString::fromUtf8("Verão"));
    EXPECT_TRUE(ult.active());
    EXPECT_EQ(ult.recordCount(), 0);
    cm.LimpaLista();
    EXPECT_FALSE(cm.oLstCDS);
}

TEST_F(SyncDataSnap, TransportFaultsReachTheCallerWithinTheTimeOut)
{
    FakeBackOffice f(json{{"answers", {{"TServerMethods1.CarregaDadosConfig", {{"delay", 3}}},
                                   {"TServerMethods1.TesteConexao", {{"drop", true}}}}}});
    aponta(f, 600);
    QElapsedTimer t;
    t.start();
    EXPECT_THROW(cm.CarregaTabelas(1, "001", false), NetError);
    EXPECT_LT(t.elapsed(), 2500);
    EXPECT_THROW(cm.RetornaConexao(), NetError);
    EXPECT_TRUE(rec->texts().isEmpty()) << "the caller shows these";
}

TEST_F(SyncDataSnap, AddressChangesTakeEffectAtTheNextCall)
{
    FakeBackOffice a(json{{"versao", "1"}}), b(json{{"versao", "2"}});
    aponta(a);
    EXPECT_EQ(cm.ServerMethods1Client()->GetVersaoServ(), "1");
    cm.NrPorta = b.porta;
    EXPECT_EQ(cm.ServerMethods1Client()->GetVersaoServ(), "2");
}

TEST_F(SyncDataSnap, CustomerCodesAndCompanyTravelAsDatasets)
{
    BaseLocal base;
    FakeBackOffice f(json{{"ds_empresa", tabela(R"([["EMP_PAT","String",4],["EMP_NOME","String",80],["EMP_CIDADE","String",30],["EMP_LOGO","Blob"]])",
                                            R"([["001","Empresa \"X\"","Maringá",{"b64":"AAEC"}]])")}});
    aponta(f);
    cm.CDSCodClientes->appendRow({"00001", "E1"});
    cm.CDSCodClientes->appendRow({"00002", "E2"});
    EXPECT_TRUE(cm.RetornaCodCliRepres(cm.CDSCodClientes));
    const json r = f.ultima("TServerMethods1.RetornaCodCliRepres");
    ASSERT_EQ(r["datasets"].size(), 1u);
    EXPECT_EQ(r["datasets"][0][0][0], "");
    EXPECT_EQ(r["datasets"][0][0][1]["rows"], json::parse(R"([["00001","E1"],["00002","E2"]])"));

    ASSERT_TRUE(cm.GravaDadosEmpresa(7));
    EXPECT_EQ(base.valor("SELECT EMP_NOME FROM EMPRESA WHERE EMP_PAT = '001'").toString(), "Empresa \"X\"");
    EXPECT_EQ(base.valor("SELECT EMP_CIDADE FROM EMPRESA").toString(), QString::fromUtf8("Maringá"));
    EXPECT_EQ(base.valor("SELECT EMP_LOGO FROM EMPRESA").toByteArray(), QByteArray("\x00\x01\x02", 3));
    EXPECT_TRUE(rec->texts().isEmpty());
}
