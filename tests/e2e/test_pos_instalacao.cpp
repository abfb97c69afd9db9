// The first-run window against the fake back office, through both back-ends.
#include "PortaLivre.h"
#include "TestDb.h"

#include "LigacaoServidores.h"
#include "data/UntScriptsRep.h"
#include "data/XRFuncoesDB.h"
#include "data/untDMRepres.h"
#include "sync/untDMCRemoto.h"
#include "windows/nucleo/Aplicacao.h"
#include "windows/principal/UntPosInstal.h"

#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryFile>
#include <QTimer>

#include <map>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using nlohmann::json;

namespace {

// A server process that prints its port on its first line.
class Servidor {
public:
    Servidor(const QString &programa, const QStringList &args)
    {
        m_proc.setWorkingDirectory(QStringLiteral(XR_TEST_SOURCE_DIR));
        m_proc.start(programa, args);
        if (m_proc.waitForStarted(5000) && m_proc.waitForReadyRead(15000))
            porta = m_proc.readLine().trimmed().toInt();
        if (porta == 0)
            ADD_FAILURE() << "server did not start: " << m_proc.readAllStandardError().toStdString();
    }
    ~Servidor()
    {
        m_proc.kill();
        m_proc.waitForFinished(5000);
    }
    int porta = 0;

private:
    QProcess m_proc;
};

// The fake back office with a scenario of its own.
class Fake {
public:
    explicit Fake(const json &cenario)
    {
        m_arquivo.open();
        m_arquivo.write(QByteArray::fromStdString(cenario.dump()));
        m_arquivo.flush();
        servidor = std::make_unique<Servidor>(
            QStringLiteral("/usr/bin/python3"),
            QStringList{QStringLiteral(XR_TEST_SOURCE_DIR "/tests/fake/fake_back_office.py"), m_arquivo.fileName(),
                        QStringLiteral("60")});
    }
    int porta() const { return servidor->porta; }
    // Requests received for a key ("UpdateLogin", "TServerMethods1.Login").
    int pedidos() const
    {
        QProcess curl;
        curl.start(QStringLiteral("/usr/bin/python3"),
                   {QStringLiteral("-c"),
                    QStringLiteral("import urllib.request;print(urllib.request.urlopen('http://127.0.0.1:%1/__requests')"
                                   ".read().decode())")
                        .arg(porta())});
        curl.waitForFinished(10000);
        const auto lista = json::parse(curl.readAllStandardOutput().toStdString(), nullptr, false);
        // the request list itself is not counted: it is not made by the client
        return lista.is_array() ? int(lista.size()) : -1;
    }

private:
    QTemporaryFile m_arquivo;
    std::unique_ptr<Servidor> servidor;
};

const json kRepresentantes = json::array({{{"codrep", "001"}, {"usuario", "ANA"}, {"senha", "SEGREDO"}},
                                          {{"codrep", "002"}, {"usuario", "BIA"}, {"senha", "O'HARA"}}});

// Scenario whose JSON connection test fails, so the run uses DataSnap.
json cenario(bool rest, json extra = json::object())
{
    json c = {{"representantes", kRepresentantes}};
    if (!rest)
        c["answers"] = {{"TesteConexao", {{"status", 500}}}};
    c.update(extra);
    return c;
}

class PrimeiraExecucao : public ::testing::TestWithParam<bool> {
protected:
    PrimeiraExecucao()
    {
        ReiniciaAplicacao();
        inst.writeFile(QStringLiteral("XR.ini"), "[Banco]\r\nBase=REPRESEN.FDB\r\n");
        dmc.TimeoutMs = 5000;
        cm.DSRestConnection->TimeoutMs = 5000;
        TDMRepresGanchos g;
        g.RetornaConexaoRest = [] { return DMComunicacao && DMComunicacao->RetornaConexao(true); };
        dm = std::make_unique<TDMRepres>(g);
        TFmPosInstall::InstalaVerificaInternet([](QString &) { return true; });
    }
    ~PrimeiraExecucao() override
    {
        TFmPosInstall::InstalaVerificaInternet({});
        ReiniciaAplicacao();
    }

    void preenche(TFmPosInstall &j, const QString &servidor, const QString &porta, const QString &codRep,
                  const QString &usuario, const QString &senha)
    {
        j.EdtServidor->setText(servidor);
        j.EdtPorta->setText(porta);
        j.EdtCodRep->setText(codRep);
        j.EdtUsuario->setText(usuario);
        j.EdtSenha->setText(senha);
    }
    int linhasConfig() { return scalar(*dm->XRDtRepres, QStringLiteral("SELECT COUNT(*) FROM CONFIG")).toInt(); }

    ScopedDialogRecorder rec;
    ScratchInstall inst;
    TDMComunicacao dmc;
    TClientModule1 cm;
    std::unique_ptr<TDMRepres> dm;
    ServidorPosInstalProgram servidor;
};

const QString kTitulo = QStringLiteral("Pós-Instalador");

TEST_P(PrimeiraExecucao, MissingFieldsAreNamedAndNothingIsSent)
{
    Fake f(cenario(GetParam()));
    const QString porta = QString::number(f.porta());
    const struct {
        const char *caso;
        QStringList valores; // server, port, representative, user, password
        QString mensagem;
    } casos[] = {
        {"user blank", {"127.0.0.1", porta, "001", "  ", "SEGREDO"},
         QStringLiteral("Favor preencher o seguinte campo: Nome do Usuário")},
        {"all blank", {"", "", "", "", ""},
         QStringLiteral("Favor preencher os seguintes campos: \rCódigo do Representante\rPorta de Comunicação\r"
                        "Senha\rEndereço do Servidor\rNome do Usuário\r")},
    };
    for (const auto &c : casos) {
        SCOPED_TRACE(c.caso);
        rec->clear();
        TFmPosInstall j(*dm, &servidor);
        preenche(j, c.valores[0], c.valores[1], c.valores[2], c.valores[3], c.valores[4]);
        j.BtnGravar->click();
        const auto e = rec->entries();
        ASSERT_EQ(e.size(), 1u);
        EXPECT_EQ(e[0].text, c.mensagem);
        EXPECT_EQ(e[0].title, kTitulo);
        EXPECT_EQ(e[0].icon, MsgIcon::Information);
        EXPECT_FALSE(j.FPosInstall);
    }
    EXPECT_EQ(f.pedidos(), 0);
    EXPECT_EQ(linhasConfig(), 0);
}

TEST_P(PrimeiraExecucao, WithoutInternetNothingIsSentOrStored)
{
    Fake f(cenario(GetParam()));
    TFmPosInstall::InstalaVerificaInternet([](QString &m) {
        m = QStringLiteral("Não há conexão com a Internet");
        return false;
    });
    TFmPosInstall j(*dm, &servidor);
    preenche(j, "127.0.0.1", QString::number(f.porta()), "001", "ANA", "SEGREDO");
    j.BtnGravar->click();
    ASSERT_EQ(rec->texts(), QStringList{QStringLiteral("Não há conexão com a Internet")});
    EXPECT_EQ(rec->entries()[0].title, kTitulo);
    EXPECT_EQ(f.pedidos(), 0);
    EXPECT_EQ(linhasConfig(), 0);
}

TEST_P(PrimeiraExecucao, WrongRepresentativeShowsTheLoginMessage)
{
    Fake f(cenario(GetParam()));
    TFmPosInstall j(*dm, &servidor);
    preenche(j, "127.0.0.1", QString::number(f.porta()), "002", "ANA", "SEGREDO");
    j.BtnGravar->click();
    const auto e = rec->entries();
    ASSERT_EQ(e.size(), 1u) << rec->texts().join('|').toStdString();
    EXPECT_EQ(e[0].text, TDMRepres::MensErroLogin(3));
    EXPECT_EQ(e[0].title, QStringLiteral("Login"));
    EXPECT_EQ(dm->bConexaoRest(), GetParam());
    EXPECT_EQ(linhasConfig(), 0);
    EXPECT_FALSE(j.FPosInstall);
}

TEST_P(PrimeiraExecucao, SuccessWritesTheRowColumnByColumn)
{
    for (const bool comDatas : {false, true}) {
        SCOPED_TRACE(comDatas ? "with delivery dates" : "without delivery dates");
        if (comDatas) {
            dm.reset();
            auto db = inst.connect();
            execSql(*db, QStringLiteral("DELETE FROM CONFIG"));
            execSql(*db, QStringLiteral("ALTER TABLE CONFIG ADD DTDEENTREGA DATE, ADD DTATEENTREGA DATE"));
            db->Transaction()->Commit();
            db.reset();
            TDMRepresGanchos g;
            g.RetornaConexaoRest = [] { return DMComunicacao && DMComunicacao->RetornaConexao(true); };
            dm = std::make_unique<TDMRepres>(g);
        }
        rec->clear();
        Fake f(cenario(GetParam()));
        TFmPosInstall j(*dm, &servidor);
        // a quote in the password is stored as typed
        preenche(j, "127.0.0.1", QString::number(f.porta()), "002", "BIA", "O'HARA");
        j.BtnGravar->click();
        ASSERT_EQ(rec->texts(), QStringList{QStringLiteral("Configuração Concluída com Sucesso")});
        EXPECT_EQ(rec->entries()[0].title, kTitulo);
        EXPECT_TRUE(j.FPosInstall);
        EXPECT_EQ(j.result(), QDialog::Accepted);
        ASSERT_EQ(linhasConfig(), 1);
        auto db = inst.connect(); // another connection sees only committed rows
        const QString porta = QString::number(f.porta());
        const struct {
            const char *coluna;
            QString valor;
        } colunas[] = {
            {"CODREP", "002"}, {"NMUSUARIO", "BIA"}, {"DSENDERECOSERV", "127.0.0.1"}, {"DSHOSTSERV", "127.0.0.1"},
            {"DSSENHA", "O'HARA"}, {"NRPORTASERV", porta}, {"VLMINIMO", "0.00"},
        };
        for (const auto &c : colunas)
            EXPECT_EQ(scalar(*db, QStringLiteral("SELECT CAST(%1 AS VARCHAR(100)) FROM CONFIG").arg(c.coluna)).toString(),
                      c.valor)
                << c.coluna;
        if (comDatas) {
            EXPECT_EQ(scalar(*db, QStringLiteral("SELECT DTDEENTREGA FROM CONFIG")).toDate(), QDate(2000, 1, 1));
            EXPECT_EQ(scalar(*db, QStringLiteral("SELECT DTATEENTREGA FROM CONFIG")).toDate(), QDate(2050, 12, 31));
        }
    }
}

TEST_P(PrimeiraExecucao, PortThatIsNotANumberReachesTheClientsAsZero)
{
    Fake f(cenario(GetParam()));
    TFmPosInstall j(*dm, &servidor);
    preenche(j, "127.0.0.1", QStringLiteral("80a"), "001", "ANA", "SEGREDO");
    j.BtnGravar->click();
    EXPECT_EQ(dmc.NrPorta, 0);
    EXPECT_EQ(dmc.DsHost, QStringLiteral("127.0.0.1"));
    // port 0 answers nothing: the run falls back to DataSnap, which fails
    EXPECT_EQ(cm.NrPorta, 0);
    ASSERT_EQ(rec->entries().size(), 1u);
    EXPECT_TRUE(rec->entries()[0].text.startsWith(QStringLiteral("Erro de Comunicação:\r")));
    EXPECT_EQ(linhasConfig(), 0);
}

INSTANTIATE_TEST_SUITE_P(Retaguardas, PrimeiraExecucao, ::testing::Values(true, false),
                         [](const auto &i) { return i.param ? "Rest" : "DataSnap"; });

TEST_F(PrimeiraExecucao, NoServerShowsTheCommunicationError)
{
    TFmPosInstall j(*dm, &servidor);
    preenche(j, "127.0.0.1", QString::number(portaLivre()), "001", "ANA", "SEGREDO");
    j.BtnGravar->click();
    const auto e = rec->entries();
    ASSERT_EQ(e.size(), 1u) << rec->texts().join('|').toStdString();
    EXPECT_TRUE(e[0].text.startsWith(QStringLiteral("Erro de Comunicação:\r"))) << e[0].text.toStdString();
    EXPECT_GT(e[0].text.size(), QStringLiteral("Erro de Comunicação:\r").size());
    EXPECT_EQ(e[0].title, kTitulo);
    EXPECT_EQ(linhasConfig(), 0);
}

TEST_F(PrimeiraExecucao, FailedInsertShowsItsErrorAndKeepsThePasswordOutOfTheLog)
{
    Fake f(cenario(true));
    execSql(*dm->XRDtRepres, QStringLiteral("INSERT INTO CONFIG (CODREP, NMUSUARIO) VALUES ('002', 'OUTRA')"));
    TFmPosInstall j(*dm, &servidor);
    preenche(j, "127.0.0.1", QString::number(f.porta()), "002", "BIA", "O'HARA");
    j.BtnGravar->click();
    const auto e = rec->entries();
    ASSERT_EQ(e.size(), 2u) << rec->texts().join('|').toStdString();
    EXPECT_EQ(e[0].kind, "message");
    EXPECT_FALSE(e[0].text.isEmpty());
    EXPECT_EQ(e[1].text, QStringLiteral("Erro na Gravação dos Dados"));
    EXPECT_FALSE(j.FPosInstall);
    EXPECT_EQ(j.result(), QDialog::Rejected);
    QFile log(ArquivoLog(NomeMaquina()));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly)) << log.fileName().toStdString();
    const QString texto = QString::fromUtf8(log.readAll());
    EXPECT_TRUE(texto.contains(QStringLiteral("INSERT INTO CONFIG")));
    EXPECT_FALSE(texto.contains(QStringLiteral("O'HARA")));
    EXPECT_FALSE(texto.contains(QStringLiteral("O''HARA")));
}

// Closed without saving, the run ends before the login and nothing is stored.
TEST(PrimeiraExecucaoPrograma, ClosingUnsavedEndsTheRun)
{
    ScopedDialogRecorder rec;
    ReiniciaAplicacao();
    ScratchInstall inst;
    inst.writeFile(QStringLiteral("XR.ini"), "[Banco]\r\nBase=REPRESEN.FDB\r\n");
    ServidorPosInstalProgram servidor;
    const auto anterior = TDMRepres::GanchosPadrao();
    InstalaPosInstalacao(&servidor);
    bool vista = false;
    QTimer::singleShot(0, [&vista] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *j = qobject_cast<TFmPosInstall *>(w); j && j->isVisible()) {
                vista = true;
                j->BtnFechar->click();
            }
    });
    {
        TDMRepres dm;
        EXPECT_TRUE(vista);
        EXPECT_TRUE(AplicacaoTerminada());
        EXPECT_EQ(scalar(*dm.XRDtRepres, QStringLiteral("SELECT COUNT(*) FROM CONFIG")).toInt(), 0);
    }
    TDMRepres::GanchosPadrao() = anterior;
    ReiniciaAplicacao();
    EXPECT_TRUE(rec->texts().isEmpty());
}

// The sample server started the way the README says answers the
// first-run steps.
TEST_F(PrimeiraExecucao, SampleServerAnswersTheFirstRun)
{
    Servidor exemplo(QStringLiteral(XR_TEST_SOURCE_DIR "/scripts/sample-server"), {QString::number(portaLivre())});
    ASSERT_NE(exemplo.porta, 0);
    TFmPosInstall j(*dm, &servidor);
    preenche(j, "127.0.0.1", QString::number(exemplo.porta), "001", "DEMO", "DEMO123");
    j.BtnGravar->click();
    EXPECT_EQ(rec->texts(), QStringList{QStringLiteral("Configuração Concluída com Sucesso")});
    EXPECT_TRUE(dm->bConexaoRest());
    EXPECT_EQ(scalar(*dm->XRDtRepres, QStringLiteral("SELECT NMUSUARIO FROM CONFIG")).toString(),
              QStringLiteral("DEMO"));

    // its load arrives whole through both back-ends
    dmc.TimeoutMs = 30000;
    cm.DSRestConnection->TimeoutMs = 30000;
    cm.DsHost = QStringLiteral("127.0.0.1");
    cm.NrPorta = exemplo.porta;
    const std::map<QString, int> linhas{{"PRODUTO", 300}, {"CLIENTE", 40}, {"TABPRE_PRODUTO", 1800},
                                        {"PA_ITEN", 3600}, {"CONDICAO", 5}, {"TABPRECO", 2}};
    for (const bool rest : {true, false}) {
        SCOPED_TRACE(rest ? "JSON" : "DataSnap");
        cm.oLstCDS = std::make_unique<TListaCDS>();
        ASSERT_TRUE(rest ? dmc.CarregaTabelas(1, "001", false) : cm.CarregaTabelas(1, "001", false));
        std::map<QString, int> recebidas;
        for (const auto &t : *cm.oLstCDS)
            recebidas[t->objectName()] = t->recordCount();
        for (const auto &[tabela, n] : linhas)
            EXPECT_EQ(recebidas[tabela], n) << tabela.toStdString();
        EXPECT_EQ(recebidas.size(), 12u);
    }

    // and the writer stores it in the local schema, as upgraded at start
    AtualizaBase(*dm);
    for (const auto &t : *cm.oLstCDS)
        ASSERT_TRUE(cm.GravaDados(t.get(), [](int, int) {}, true))
            << t->objectName().toStdString() << ": " << rec->texts().join('|').toStdString();
    for (const auto &[tabela, n] : linhas)
        EXPECT_EQ(scalar(*dm->XRDtRepres, QStringLiteral("SELECT COUNT(*) FROM ") + tabela).toInt(), n)
            << tabela.toStdString();
    EXPECT_EQ(rec->texts(), QStringList{QStringLiteral("Configuração Concluída com Sucesso")});
}

} // namespace
