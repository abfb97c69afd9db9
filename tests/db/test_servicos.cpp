#include "TestDb.h"

#include "data/UntScriptsRep.h"
#include "data/untDMRepres.h"
#include "platform/Cp1252.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ServicosTest : public ::testing::Test {
protected:
    // before any fixture sets the executable's folder
    static void SetUpTestSuite() { upgradedTemplate(); }
    void SetUp() override { reinicia(); }

    // A fresh copy of the upgraded database and a module started on it.
    void reinicia()
    {
        dm.reset();
        installTemplate(inst, upgradedTemplate());
        dm = std::make_unique<TDMRepres>(TDMRepresGanchos{});
        ASSERT_TRUE(dm->XRDtRepres->Connected());
    }

    void sql(const QString &texto) { execSql(*dm->XRDtRepres, texto); }
    QVariant valor(const QString &texto) { return scalar(*dm->XRDtRepres, texto); }

    ScratchInstall inst;
    ScopedDialogRecorder rec;
    std::unique_ptr<TDMRepres> dm;
};

TEST_F(ServicosTest, LoginCheckMatchesUserWithoutCaseThroughTheFirstRow)
{
    struct Caso {
        const char *usuario;
        const char *senha;
        int esperado;
    };
    const Caso casos[] = {
        {"Ana", "Segredo", 0},
        {"ana ", "  sEGREDO ", 0}, // exact look-up misses, the first row matches
        {"Ana", "outra", 2},
        {"ANA", "outra", 2},
        {"Bia", "Segredo", 1},
        {"O'Neil", "x'; DELETE FROM CONFIG", 1},
        {"", "", 1},
    };
    for (const Caso &c : casos)
        EXPECT_EQ(dm->ConfereSenha(c.usuario, c.senha), c.esperado) << c.usuario << "/" << c.senha;
    EXPECT_FALSE(dm->XRQSenha->active());
    EXPECT_EQ(dm->BuscaNomeRep(), "Ana");
    EXPECT_EQ(dm->BuscaCodRep(), "001");

    sql("DELETE FROM CONFIG");
    EXPECT_EQ(dm->ConfereSenha("Ana", "Segredo"), 1);
    EXPECT_EQ(dm->BuscaNomeRep(), "");
    EXPECT_EQ(dm->BuscaCodRep(), "-999");
    EXPECT_EQ(dm->BuscaNrRefer(), 0);
}

TEST_F(ServicosTest, LoginMessages)
{
    const std::pair<int, const char *> casos[] = {
        {1, "Usuário inválido!"},
        {2, "Senha inválida!"},
        {3, "Problema no acesso do Representante!\rUsuário não pertence ao Representante!"},
        {4, "Problema no acesso do Representante!\r     Usuário não está Ativo!\rFavor entrar em contato com a Empresa!"},
        {0, "Erro desconhecido"},
        {5, "Erro desconhecido"},
    };
    for (const auto &[codigo, texto] : casos)
        EXPECT_EQ(TDMRepres::MensErroLogin(codigo), QString::fromUtf8(texto)) << codigo;
}

TEST_F(ServicosTest, ConfigReadsAndCatalogueTest)
{
    EXPECT_EQ(dm->BuscaNrRefer(), 0); // NULL
    sql("UPDATE CONFIG SET NRREFER = 3");
    EXPECT_EQ(dm->BuscaNrRefer(), 3);

    EXPECT_FALSE(dm->CampoExiste("CONFIG", "CODREP"));
    EXPECT_FALSE(dm->CampoExiste("PA_ITEN", "PAIT_BLOQUEIA_EST"));
    EXPECT_TRUE(dm->CampoExiste("CONFIG", "NAO_EXISTE"));
    EXPECT_TRUE(dm->CampoExiste("TABELA_QUE_NAO_EXISTE", "CODREP"));
    EXPECT_TRUE(dm->CampoExiste("config", "codrep")); // catalogue names are upper case

    dm->SetCargaInvalida("001");
    EXPECT_EQ(valor("SELECT NRULTCONFIG FROM CONFIG").toInt(), -1);
}

class AtualizaConfigTest : public ServicosTest {
protected:
    void SetUp() override
    {
        ServicosTest::SetUp();
        prepara();
    }
    void prepara()
    {
        sql("UPDATE CONFIG SET DTDEENTREGA = '01/01/2000', DTATEENTREGA = '12/31/2050', IDDIGCOLECAO = 'X', "
            "QTDEMAXITEM = 99, DSEMAIL = 'antigo@x.com', NRFONE = '000'");
        dm->sCodRep = "001";
        dm->iConfig = 7;
        dm->dData = QDateTime(QDate(2026, 3, 4), QTime(10, 0));
        dm->hHora = QDateTime(QDate(2026, 3, 4), QTime(15, 16, 17));
        dm->dDtValidade = QDateTime(QDate(2026, 12, 31), QTime());
        dm->eVlrMinimo = 12.5;
        dm->eVlrMinimoPed = 300.25;
        dm->iNrRefer = 2;
        dm->sNmRep = "João D'Ávila";
        dm->sIdBloq = "S";
        dm->sIdDigPreco = "S";
        dm->sIdCliEmailObr = "S";
        dm->sIdRelEstoque = "S";
        dm->sIdImgProduto = "N";
        dm->sObservacao = "Atenção: preços válidos";
        dm->dDtDeEntrega = QDateTime(QDate(2026, 4, 1), QTime());
        dm->dDtAteEntrega = QDateTime(QDate(2026, 6, 30), QTime());
        dm->sIdDigColecao = "S";
        dm->eQtdeMaxItem = 500;
    }
    QString texto(const char *coluna) { return valor(QString("SELECT %1 FROM CONFIG").arg(coluna)).toString(); }
};

TEST_F(AtualizaConfigTest, OptionalColumnsFollowServerAndClientVersions)
{
    struct Caso {
        int servidor;
        int cliente;
        bool entrega;
        bool colecao;
        bool qtdeMax;
    };
    const Caso casos[] = {
        {1, 2032, false, false, false},
        {2, 2033, true, true, false},
        {4, 2032, true, false, true},
    };
    for (const Caso &c : casos) {
        reinicia();
        prepara();
        SCOPED_TRACE(c.servidor * 10000 + c.cliente);
        EXPECT_TRUE(dm->AtualizaConfig(c.servidor, c.cliente));
        EXPECT_TRUE(rec->texts().isEmpty());
        EXPECT_EQ(valor("SELECT NRULTCONFIG FROM CONFIG").toInt(), 7);
        EXPECT_EQ(valor("SELECT DTULTSINCRONIZACAO FROM CONFIG").toDate(), QDate(2026, 3, 4));
        EXPECT_EQ(valor("SELECT HRULTSINCRONIZACAO FROM CONFIG").toTime(), QTime(15, 16, 17));
        EXPECT_EQ(valor("SELECT DTVALIDADE FROM CONFIG").toDate(), QDate(2026, 12, 31));
        EXPECT_DOUBLE_EQ(valor("SELECT VLMINIMOPED FROM CONFIG").toDouble(), 300.25);
        EXPECT_EQ(texto("NMREPRESENTANTE"), QString::fromUtf8("João D'Ávila"));
        EXPECT_EQ(valor("SELECT CAST(OBSERVACAO AS VARCHAR(100) CHARACTER SET OCTETS) FROM CONFIG").toByteArray(),
                  toCp1252("Atenção: preços válidos"));
        EXPECT_EQ(valor("SELECT DTDEENTREGA FROM CONFIG").toDate(), c.entrega ? QDate(2026, 4, 1) : QDate(2000, 1, 1));
        EXPECT_EQ(valor("SELECT DTATEENTREGA FROM CONFIG").toDate(),
                  c.entrega ? QDate(2026, 6, 30) : QDate(2050, 12, 31));
        EXPECT_EQ(texto("IDDIGCOLECAO"), c.colecao ? "S" : "X");
        EXPECT_DOUBLE_EQ(valor("SELECT QTDEMAXITEM FROM CONFIG").toDouble(), c.qtdeMax ? 500 : 99);
        // the transaction was committed: another connection sees it
        auto outra = inst.connect();
        EXPECT_EQ(scalar(*outra, "SELECT NRULTCONFIG FROM CONFIG").toInt(), 7);
    }
}

TEST_F(AtualizaConfigTest, EmailAndPhoneOnlyWhenGiven)
{
    struct Caso {
        const char *email;
        const char *fone;
        const char *emailFinal;
        const char *foneFinal;
    };
    const Caso casos[] = {
        {"  ", "", "antigo@x.com", "000"},
        {"", "(11) 5555-0000", "antigo@x.com", "(11) 5555-0000"},
        {"o'neil@x.com", "", "o'neil@x.com", "000"},
        {"a@b.com", "123", "a@b.com", "123"},
    };
    for (const Caso &c : casos) {
        reinicia();
        prepara();
        dm->sDsEmail = c.email;
        dm->sNrFone = c.fone;
        EXPECT_TRUE(dm->AtualizaConfig(1, 2032)) << c.email << "/" << c.fone;
        EXPECT_EQ(texto("DSEMAIL"), c.emailFinal);
        EXPECT_EQ(texto("NRFONE"), c.foneFinal);
    }
}

TEST_F(AtualizaConfigTest, FirstStatementFailingIsShownAndAnswersFalse)
{
    dm->sIdDigPreco = "SS"; // does not fit VARCHAR(1)
    dm->sNrFone = "123";
    EXPECT_FALSE(dm->AtualizaConfig(4, 2033));
    ASSERT_EQ(rec->texts().size(), 1);
    EXPECT_EQ(rec->entries()[0].kind, "message");
    EXPECT_TRUE(valor("SELECT NRULTCONFIG FROM CONFIG").isNull());
    EXPECT_EQ(texto("NRFONE"), "123");
}

class LoteTest : public ServicosTest {
protected:
    void SetUp() override
    {
        ServicosTest::SetUp();
        sql("UPDATE CONFIG SET NRLOTE = 4");
        for (const char *n : {"00001", "00002", "00003"})
            sql(QString("INSERT INTO PEDIDO (PED_NUME, PED_IDFECHADO) VALUES ('%1', 'S')").arg(n));
    }
    QStringList marcados()
    {
        TXRQuery q;
        q.SetDatabase(dm->XRDtRepres);
        q.SQL().Add("SELECT PED_NUME, PED_NRLOTE, PED_DTSINCRONIZACAO, PED_HRSINCRONIZACAO FROM PEDIDO "
                    "WHERE PED_NRLOTE IS NOT NULL ORDER BY PED_NUME");
        q.Open();
        QStringList r;
        for (q.first(); !q.eof(); q.next())
            r << q.field(0)->asString() + "|" + q.field(1)->asString() + "|"
                    + q.field(2)->asDate().toString(Qt::ISODate) + "|" + q.field(3)->asTime().toString(Qt::ISODate);
        return r;
    }
    const QDateTime data{QDate(2026, 5, 6), QTime(0, 0)};
    const QDateTime hora{QDate(1899, 12, 30), QTime(8, 9, 10)};
};

TEST_F(LoteTest, MarksTheListedOrdersAndAdvancesTheBatch)
{
    EXPECT_TRUE(dm->AtualizaLote("001", 5, "'00001','00003'", data, hora));
    EXPECT_TRUE(rec->texts().isEmpty());
    EXPECT_EQ(marcados(), (QStringList{"00001|5|2026-05-06|08:09:10", "00003|5|2026-05-06|08:09:10"}));
    EXPECT_EQ(valor("SELECT NRLOTE FROM CONFIG").toInt(), 5);
    auto outra = inst.connect();
    EXPECT_EQ(scalar(*outra, "SELECT NRLOTE FROM CONFIG").toInt(), 5);
}

TEST_F(LoteTest, BadNumbersInTheListMarkOnlyWhatTheyName)
{
    sql("INSERT INTO PEDIDO (PED_NUME) VALUES ('0''2')");
    EXPECT_TRUE(dm->AtualizaLote("001", 5, "'0''2', '00002'", data, hora));
    EXPECT_EQ(marcados(), (QStringList{"0'2|5|2026-05-06|08:09:10", "00002|5|2026-05-06|08:09:10"}));

    // text that tries to leave the list is just a number that matches nothing
    EXPECT_TRUE(dm->AtualizaLote("001", 6, "'00001') OR (1=1", data, hora));
    EXPECT_EQ(valor("SELECT COUNT(*) FROM PEDIDO WHERE PED_NRLOTE = 6").toInt(), 0);
}

TEST_F(LoteTest, FailureOfTheSecondStatementLeavesNothingBehind)
{
    sql("CREATE EXCEPTION E_TESTE 'config travada'");
    sql("CREATE TRIGGER TR_TESTE FOR CONFIG BEFORE UPDATE AS BEGIN EXCEPTION E_TESTE; END");

    EXPECT_FALSE(dm->AtualizaLote("001", 5, "'00001','00002'", data, hora));
    ASSERT_EQ(rec->texts().size(), 1);
    EXPECT_TRUE(rec->texts()[0].contains("config travada")) << rec->texts()[0].toStdString();

    // the next write's commit must not make the first half permanent
    dm->XRTransaction->CommitRetaining();
    EXPECT_EQ(marcados(), QStringList{});
    EXPECT_EQ(valor("SELECT NRLOTE FROM CONFIG").toInt(), 4);
}

TEST_F(LoteTest, UnknownRepresentativeMarksNothing)
{
    EXPECT_FALSE(dm->AtualizaLote("999", 5, "'00001'", data, hora));
    ASSERT_EQ(rec->texts().size(), 1);
    EXPECT_TRUE(rec->texts()[0].contains("999"));
    dm->XRTransaction->CommitRetaining();
    EXPECT_EQ(marcados(), QStringList{});
    EXPECT_EQ(valor("SELECT NRLOTE FROM CONFIG").toInt(), 4);
}

TEST_F(ServicosTest, CustomerCodesFromTheServerAreAllOrNothing)
{
    for (const char *c : {"00001", "00002", "00003"})
        sql(QString("INSERT INTO CLIENTE (CLI_CODI, CLI_IDENVIADO) VALUES ('%1', 'N')").arg(c));
    auto codigos = [](std::vector<std::pair<QString, QString>> linhas) {
        auto ds = std::make_unique<DataSet>();
        ds->setFieldDefs({{"CodCliRep", FieldType::String, 5}, {"CodCli", FieldType::String, 20}});
        for (auto &[rep, emp] : linhas)
            ds->appendRow({rep, emp});
        return ds;
    };
    auto enviados = [this] {
        return valor("SELECT LIST(CLI_CODI || '=' || CLI_CODCLIEMP, ',') FROM "
                     "(SELECT CLI_CODI, CLI_CODCLIEMP FROM CLIENTE WHERE CLI_IDENVIADO = 'S' ORDER BY CLI_CODI)")
            .toString();
    };

    auto vazio = codigos({});
    dm->GravaCodCliEmp(vazio.get());
    EXPECT_FALSE(vazio->active());
    EXPECT_EQ(enviados(), "");

    auto falha = codigos({{"00001", "900"}, {"00002", "CODIGO-LONGO-DEMAIS"}});
    EXPECT_THROW(dm->GravaCodCliEmp(falha.get()), EDatabaseError);
    EXPECT_FALSE(falha->active());
    dm->XRTransaction->CommitRetaining();
    EXPECT_EQ(enviados(), "");

    auto ok = codigos({{"00001", "900"}, {"00003", "9'1"}});
    dm->GravaCodCliEmp(ok.get());
    EXPECT_EQ(enviados(), "00001=900,00003=9'1");
}

TEST_F(ServicosTest, CustomerByTaxNumberIgnoresPunctuationBothWays)
{
    sql("INSERT INTO CLIENTE (CLI_CODI, CLI_CNPJ) VALUES ('00001', '11222333000181')");
    sql("INSERT INTO CLIENTE (CLI_CODI, CLI_CNPJ) VALUES ('00002', '44.555.666/0001-72')");
    sql("INSERT INTO CLIENTE (CLI_CODI, CLI_CNPJ) VALUES ('00003', '')");
    const std::pair<const char *, bool> casos[] = {
        {"11.222.333/0001-81", true},
        {"11222333000181", true},
        {"44555666000172", true},
        {" 44.555.666/0001-72 ", true},
        {"44555666000173", false},
        {"", false},
        {"   ", false},
        {"11'222", false},
    };
    for (const auto &[cnpj, achou] : casos)
        EXPECT_EQ(dm->LeClienteCNPJ(cnpj), achou) << cnpj;
    EXPECT_TRUE(rec->texts().isEmpty());
}

class PrecoTest : public ServicosTest {
protected:
    void SetUp() override
    {
        ServicosTest::SetUp();
        // size M has no band (UU); size G carries band B1
        sql("INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, PAIT_FAIXA_TAM, PAIT_IDESGOTADO) "
            "VALUES ('P''1', '01', 'M', '', 'N')");
        sql("INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, PAIT_FAIXA_TAM, PAIT_IDESGOTADO) "
            "VALUES ('P''1', '01', 'G', 'B1', 'N')");
        const char *faixas[] = {
            "'UU', 1, 10, 5.00, 6.00",
            "'UU', 2, 50, 4.50, 5.00",
            "'UU', 3, 999, 4.00, NULL",
            "'B1', 1, 999, 7.00, 7.50",
        };
        for (const char *f : faixas)
            sql(QString("INSERT INTO TABPRE_PRODUTO (PREC_PRODUTO, PREC_TABELA, PREC_FAIXA_TAM, PREC_FAIXA, "
                        "PREC_QTDMAXIMA, PREC_PRECO, PREC_PRECO_ORI) VALUES ('P''1', 'T1', %1)")
                    .arg(f));
    }
};

TEST_F(PrecoTest, TierPriceAndItsListPrice)
{
    struct Caso {
        const char *tam;
        double qtd;
        double preco;
        double precoLinha;
        double lista;
    };
    const Caso casos[] = {
        {"M", 10, 5.00, 5.00, 5.00}, // the smallest list price of the covering tiers, not the picked tier's
        {"M", 1, 5.00, 0, 5.00},     // a covering tier without list price does not hide the others
        {"M", 11, 4.50, 4.50, 5.00},
        {"M", 500, 4.00, 3.20, 3.20}, // tier without list price: the line's price
        {"M", 500, 4.00, 0, 0},
        {"M", 1000, 0, 5.00, 5.00}, // no tier at all
        {"G", 10, 7.00, 7.00, 7.50},
        {"P", 10, 0, 0, 0},
    };
    for (const Caso &c : casos) {
        SCOPED_TRACE(std::string(c.tam) + " " + std::to_string(c.qtd));
        EXPECT_DOUBLE_EQ(dm->BuscaPreco("P'1", "T1", c.tam, c.qtd), c.preco);
        EXPECT_DOUBLE_EQ(dm->BuscaPrecoOri("P'1", "T1", c.tam, c.qtd, c.precoLinha), c.lista);
    }
    EXPECT_DOUBLE_EQ(dm->BuscaPreco("P'1", "T2", "M", 1), 0);
}

TEST_F(ServicosTest, AvailableStockLeavesOutSentOrdersAndTheOrderItself)
{
    sql("INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, PAIT_QTDE, PAIT_BLOQUEIA_EST) VALUES ('A', '01', 'M', 10, 'S')");
    sql("INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, PAIT_QTDE) VALUES ('A', '02', 'M', 50)");
    sql("INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, PAIT_QTDE) VALUES ('B''X', '01', 'P', 2)");
    const char *pedidos[] = {"'00001', NULL", "'00002', 0", "'00003', 9", "'0''4', NULL"};
    for (const char *p : pedidos)
        sql(QString("INSERT INTO PEDIDO (PED_NUME, PED_NRLOTE) VALUES (%1)").arg(p));
    const char *itens[] = {
        "'00001', 1, 'A', '01', 'M', 2",    // the order being edited
        "'00002', 1, 'A', '01', 'M', 3",    // another unsent order
        "'00003', 1, 'A', '01', 'M', 4",    // sent
        "'00002', 2, 'B''X', '01', 'P', 5", // more than the stock
    };
    for (const char *i : itens)
        sql(QString("INSERT INTO PED_ITEN (PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI, PEDIT_COR, PEDIT_TAM, PEDIT_QTDE) "
                    "VALUES (%1)")
                .arg(i));

    struct Caso {
        const char *numero;
        const char *codigo;
        const char *cor;
        const char *tam;
        int qtde;
        const char *bloq;
    };
    const Caso casos[] = {
        {"00001", "A", "01", "M", 7, "S"},
        {"0'4", "A", "01", "M", 5, "S"}, // a new order: both unsent orders count
        {"00001", "A", "", "", 7, "S"},  // blank colour and size: the lowest cell
        {"00001", "A", "02", "M", 50, "N"},
        {"00001", "B'X", "01", "P", 0, "N"},
        {"00001", "Z", "01", "M", 0, "N"},
    };
    for (const Caso &c : casos) {
        QString bloq = "?";
        EXPECT_EQ(dm->BuscaQtdeEstoque(c.numero, c.codigo, c.cor, c.tam, bloq), c.qtde) << c.numero << c.codigo << c.cor;
        EXPECT_EQ(bloq, c.bloq) << c.numero << c.codigo << c.cor;
    }
}

TEST_F(ServicosTest, CustomerLookUps)
{
    sql("INSERT INTO CLIENTE (CLI_CODI, CLI_NOME, CLI_NOMCID, CLI_IDSTATUS, CLI_ENDE, CLI_NEND, CLI_BAIR, CLI_CEP, "
        "CLI_CNPJ, CLI_IEST, CLI_NRDIAS, CLI_MAIL) VALUES ('0''1', 'Loja D''Ávila', 'Itu', NULL, 'Rua A', '10', "
        "'Centro', '13300000', '11222333000181', 'ISENTO', 15, 'loja@x.com')");
    sql("INSERT INTO CLIENTE (CLI_CODI, CLI_NOME, CLI_IDSTATUS) VALUES ('00002', 'Bloqueado', 'B')");

    QString nome = "antes", cidade = "antes", status, ende, num, bairro, cep, cnpj, iest;
    EXPECT_EQ(dm->BuscaDadosAdic("0'1", nome, cidade, status, ende, num, bairro, cep, cnpj, iest), 15);
    EXPECT_EQ(QStringList({nome, cidade, status, ende, num, bairro, cep, cnpj, iest}),
              QStringList({QString::fromUtf8("Loja D'Ávila"), "Itu", "S", "Rua A", "10", "Centro", "13300000",
                           "11222333000181", "ISENTO"}));

    EXPECT_EQ(dm->BuscaDadosAdic("00002", nome, cidade, status, ende, num, bairro, cep, cnpj, iest), 0); // NULL days
    EXPECT_EQ(status, "B");

    nome = "antes";
    cidade = "antes";
    status = "N";
    EXPECT_EQ(dm->BuscaDadosAdic("99999", nome, cidade, status, ende, num, bairro, cep, cnpj, iest), 0);
    EXPECT_EQ(nome, "antes");
    EXPECT_EQ(cidade, "");
    EXPECT_EQ(status, "S");

    EXPECT_EQ(dm->BuscaEMailCliente("0'1"), "loja@x.com");
    EXPECT_EQ(dm->BuscaEMailCliente("99999"), "");
}

TEST_F(ServicosTest, GradePositionsAndColoursInStock)
{
    sql("INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, PAIT_POS_TAM, PAIT_IDESGOTADO) VALUES ('A''1', '01', 'M', 2, 'S')");
    sql("INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, PAIT_POS_TAM, PAIT_IDESGOTADO) VALUES ('A''1', '02', 'M', NULL, 'N')");
    sql("INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, PAIT_IDESGOTADO) VALUES ('B', '01', 'M', 'S')");
    struct Caso {
        const char *produto;
        bool posicao;
        bool cores;
    };
    const Caso casos[] = {{"A'1", true, true}, {"B", false, false}, {"NENHUM", false, false}};
    for (const Caso &c : casos) {
        EXPECT_EQ(dm->VerPosicaoTam(c.produto), c.posicao) << c.produto;
        EXPECT_EQ(dm->CoresOK(c.produto), c.cores) << c.produto;
    }
}

} // namespace
