#include "TestDb.h"

#include "data/UntFuncoes.h"
#include "data/untDMRepres.h"

#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

class FuncoesDBTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        {
            auto db = inst.connect();
            execSql(*db, "INSERT INTO CONFIG (CODREP) VALUES ('001')");
            execSql(*db, "CREATE TABLE CODIGOS (COD VARCHAR(20))");
            db->Transaction()->Commit();
        }
        inst.writeFile("XR.ini", "[Banco]\r\nBase=REPRESEN.FDB\r\n");
        dm = std::make_unique<TDMRepres>(TDMRepresGanchos{});
        ASSERT_TRUE(dm->XRDtRepres->Connected());
        const char *clientes[] = {
            "'00001', '50% OFF', 'SP'",
            "'00002', 'AXB', 'RJ'",
            "'00003', 'D''Ávila', 'MG'",
            "'00004', 'X,Y', 'PR'",
        };
        for (const char *c : clientes)
            sql(QString::fromUtf8("INSERT INTO CLIENTE (CLI_CODI, CLI_NOME, CLI_UF) VALUES (%1)").arg(QString::fromUtf8(c)));
    }
    void sql(const QString &texto) { execSql(*dm->XRDtRepres, texto); }

    ScratchInstall inst;
    ScopedDialogRecorder rec;
    std::unique_ptr<TDMRepres> dm;
};

TEST_F(FuncoesDBTest, ExisteRegistroComparesWholeValues)
{
    struct Caso {
        const char *campos;
        QString valores;
        bool existe;
    };
    const Caso casos[] = {
        {"CLI_CODI", Aspas("00001"), true},
        {"CLI_CODI", Aspas("99999"), false},
        {"CLI_CODI,CLI_NOME", Aspas("00001") + "," + Aspas("50% OFF"), true},
        {"CLI_CODI,CLI_NOME", Aspas("00002") + "," + Aspas("50% OFF"), false},
        {"CLI_NOME", Aspas("5%"), false},  // "%" is not a wildcard
        {"CLI_NOME", Aspas("A_B"), false}, // nor is "_"
        {"CLI_NOME", Aspas("X,Y"), true},  // a comma inside a value is part of it
        {"CLI_NOME,CLI_UF", Aspas("X,Y") + "," + Aspas("PR"), true},
        {"CLI_NOME", Aspas(QString::fromUtf8("D'Ávila")), true},
        {"CLI_NOME", Aspas("x' OR '1'='1"), false},
        {"CLI_CODI,CLI_UF", "'00003','MG'", true},
    };
    for (const Caso &c : casos)
        EXPECT_EQ(ExisteRegistro("CLIENTE", c.campos, c.valores), c.existe) << c.campos << " = " << c.valores.toStdString();
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('\n').toStdString();
}

TEST_F(FuncoesDBTest, ExisteRegistroShowsErrorsAndAnswersFalse)
{
    struct Caso {
        const char *tabela;
        const char *campos;
        QString valores;
    };
    const Caso casos[] = {
        {"CLIENTE", "CLI_CODI,CLI_NOME", Aspas("00001")},
        {"NAO_EXISTE", "CLI_CODI", Aspas("00001")},
    };
    for (const Caso &c : casos) {
        rec->clear();
        EXPECT_FALSE(ExisteRegistro(c.tabela, c.campos, c.valores)) << c.tabela;
        const auto e = rec->entries();
        ASSERT_EQ(e.size(), 1u) << c.tabela;
        EXPECT_EQ(e[0].kind, "box");
        EXPECT_TRUE(e[0].text.startsWith("Erro: ")) << e[0].text.toStdString();
        EXPECT_GT(e[0].text.size(), 6);
        EXPECT_EQ(e[0].title, "Orvan ZID");
        EXPECT_EQ(e[0].icon, MsgIcon::Error);
        EXPECT_EQ(e[0].buttons, MsgButtons::Ok);
    }
}

TEST_F(FuncoesDBTest, ProximoCodigoTakesTheNumericMaximum)
{
    struct Caso {
        std::vector<const char *> codigos;
        int largura;
        const char *proximo;
    };
    const Caso casos[] = {
        {{}, 5, "00001"},
        {{"00099"}, 5, "00100"},
        {{"9", "10", "00008"}, 5, "00011"},  // text maximum would be "9"
        {{"99999"}, 5, "100000"},            // never cut to the width
        {{"ABC", "00005", "7X", ""}, 5, "00006"}, // codes that are not numbers are left out
        {{"ZZZ"}, 3, "001"},
        {{" 00012 "}, 5, "00013"},
    };
    for (const Caso &c : casos) {
        sql("DELETE FROM CODIGOS");
        for (const char *cod : c.codigos)
            sql(QString("INSERT INTO CODIGOS VALUES ('%1')").arg(cod));
        EXPECT_EQ(ProximoCodigo("CODIGOS", "COD", c.largura), c.proximo) << c.proximo;
    }
    EXPECT_EQ(ProximoCodigo("CLIENTE", "CLI_CODI", 5), "00005");
    EXPECT_THROW(ProximoCodigo("NAO_EXISTE", "COD", 5), EDatabaseError);
}

TEST_F(FuncoesDBTest, BuscaValorCampoQuotesTheKey)
{
    EXPECT_EQ(BuscaValorCampo("CLI_UF", "CLIENTE", "CLI_NOME", QString::fromUtf8("D'Ávila")).toString(), "MG");
    EXPECT_EQ(BuscaValorCampo("CLI_NOME", "CLIENTE", "CLI_CODI", "00004").toString(), "X,Y");
    const QVariant nada = BuscaValorCampo("CLI_NOME", "CLIENTE", "CLI_CODI", "x' OR '1'='1");
    EXPECT_FALSE(nada.isValid());
    EXPECT_EQ(nada.toString(), "");
    EXPECT_THROW(BuscaValorCampo("NAO_EXISTE", "CLIENTE", "CLI_CODI", "00001"), EDatabaseError);
    EXPECT_TRUE(rec->texts().isEmpty());
}

TEST(FuncoesGanchos, CursorEsperaAndFormAbertoUseTheInstalledHooks)
{
    InstalaCursorEspera({});
    CursorEspera(true); // nothing installed: nothing happens
    std::vector<bool> chamadas;
    InstalaCursorEspera([&chamadas](bool e) { chamadas.push_back(e); });
    CursorEspera(true);
    CursorEspera(false);
    InstalaCursorEspera({});
    EXPECT_EQ(chamadas, (std::vector<bool>{true, false}));

    InstalaFormAberto({});
    EXPECT_FALSE(FormAberto("TfmCliente"));
    QStringList perguntas;
    InstalaFormAberto([&perguntas](const QString &nome) {
        perguntas << nome;
        return nome == "fmCliente";
    });
    EXPECT_TRUE(FormAberto("TfmCliente"));
    EXPECT_FALSE(FormAberto("TfmPedido"));
    EXPECT_FALSE(FormAberto("xTfmAviso"));
    EXPECT_TRUE(FormAberto("fmCliente")); // no "T": the name as given
    InstalaFormAberto({});
    EXPECT_EQ(perguntas, (QStringList{"fmCliente", "fmPedido", "fmAviso", "fmCliente"}));
}

TEST(FuncoesRede, VerificaInternetAnswerMatchesItsMessage)
{
    QString mensagem = "antes";
    const bool conectado = VerificaInternet(mensagem);
    EXPECT_EQ(mensagem, conectado ? QString() : QString::fromUtf8("Não há conexão com a Internet"));
}

TEST(FuncoesRede, VerificaInternetIsFalseWithOnlyLoopback)
{
    // a child in a network namespace of its own sees only a loopback that is down
    int canal[2];
    ASSERT_EQ(pipe(canal), 0);
    const pid_t filho = fork();
    ASSERT_GE(filho, 0);
    if (filho == 0) {
        close(canal[0]);
        char r = 's';
        if (unshare(CLONE_NEWUSER | CLONE_NEWNET) == 0) {
            QString mensagem;
            const bool conectado = VerificaInternet(mensagem);
            r = (!conectado && mensagem == QString::fromUtf8("Não há conexão com a Internet")) ? 'f' : 't';
        }
        (void)!write(canal[1], &r, 1);
        _exit(0);
    }
    close(canal[1]);
    char r = 0;
    const ssize_t lidos = read(canal[0], &r, 1);
    close(canal[0]);
    waitpid(filho, nullptr, 0);
    ASSERT_EQ(lidos, 1);
    if (r == 's')
        GTEST_SKIP() << "no permission to make a network namespace here";
    EXPECT_EQ(r, 'f');
}

} // namespace
