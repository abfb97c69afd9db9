// The update window and its worker against the fake FTP server.
#include "platform/AppPaths.h"
#include "platform/DialogService.h"
#include "sync/untAtualizacao.h"

#include "fake_ftp_fixture.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

using namespace ftpteste;

namespace {

const QString kPergDownload = QStringLiteral("Existe uma versão atualizada disponível!\rDeseja fazer o download?");
const QString kPergConcluido = QStringLiteral("Download concluído!\rDeseja Atualizar?");
const QString kPergFechar = QStringLiteral("O sistema será fechado!Os dados não gravados serão perdidos!\rContinuar?");
const QString kInvalido = QStringLiteral("Pacote de atualização inválido.");
const QString kRemotoPacote = QStringLiteral("/Atualizacao/Versao/ZEVIVEDE/ORVAN ZID.zipVO");

// The program folder, the main window's side of the hand-over and the
// dialogs, all scratch.
class Ambiente {
public:
    explicit Ambiente(int porta)
    {
        apppaths::setExecutableDirOverride(programa.path());
        qputenv("XR_FTP_HOST", "127.0.0.1");
        qputenv("XR_FTP_PORT", QByteArray::number(porta));
    }
    ~Ambiente()
    {
        delete janela.data();
        apppaths::setExecutableDirOverride(QString());
        qunsetenv("XR_FTP_HOST");
        qunsetenv("XR_FTP_PORT");
    }

    TGanchosAtualizacao ganchos()
    {
        TGanchosAtualizacao g;
        g.VerificaInternet = [this](QString &m) {
            if (!internet)
                m = QStringLiteral("Não há conexão com a Internet");
            return internet;
        };
        g.Versao = [] { return QStringLiteral("1.0.20.33"); };
        g.BaixouPrincipal = [this] { return baixouPrincipal.load(); };
        g.DefineBaixouPrincipal = [this](bool v) { baixouPrincipal = v; };
        g.DefineAtualizarPrincipal = [this](bool v) { atualizarPrincipal = v; };
        g.LigaFTP = [this](std::function<void()> encerra) -> TGanchosAtualizacao::TPublicaFTP {
            encerraFTP = std::move(encerra);
            return [this](bool conectado, int, bool progresso) {
                ftpConectado = conectado;
                if (progresso)
                    progressoLigado = true;
            };
        };
        g.DesligaFTP = [this] { encerraFTP = {}; };
        g.TerminaAplicacao = [this] { ++terminou; };
        return g;
    }

    TfmAtualizacao *abre()
    {
        janela = new TfmAtualizacao(nullptr, ganchos());
        janela->show();
        return janela;
    }
    bool fechou() { return esperaAte([this] { return janela.isNull(); }); }
    bool workerParou() { return esperaAte([this] { return janela.isNull() || !janela->ThreadAtiva(); }); }
    QString arquivo(const QString &nome) const { return programa.path() + '/' + nome; }
    bool restos() const
    {
        return QFile::exists(arquivo(kPacote)) || QFile::exists(arquivo(kPacote + QStringLiteral(".part")))
            || QFile::exists(arquivo(QStringLiteral("VersaoVO.Txt")));
    }

    QTemporaryDir programa;
    ScopedDialogRecorder rec;
    QPointer<TfmAtualizacao> janela;
    bool internet = true;
    std::atomic<bool> baixouPrincipal{false};
    bool atualizarPrincipal = false;
    int terminou = 0;
    std::atomic<bool> ftpConectado{false};
    std::atomic<bool> progressoLigado{false};
    std::function<void()> encerraFTP;
};

bool habilitados(TfmAtualizacao *j, bool atualizar, bool cancelar, bool fechar)
{
    return j->BtnAtualizacao->isEnabled() == atualizar && j->btnCancelar->isEnabled() == cancelar
        && j->BtnFechar->isEnabled() == fechar;
}

} // namespace

TEST(Versoes, ComparedAsFourWholeNumbers)
{
    const struct {
        const char *publicada;
        TComparacaoVersao esperado;
    } casos[] = {
        {"1.0.20.33", TComparacaoVersao::Igual},
        {" 1.0.20.33 \r\n", TComparacaoVersao::Igual},
        {"1.0.20.32", TComparacaoVersao::MaisAntiga},
        {"0.9.99.99", TComparacaoVersao::MaisAntiga},
        {"1.0.20.34", TComparacaoVersao::MaisNova},
        {"1.0.100.0", TComparacaoVersao::MaisNova}, // not compared as text
        {"abc", TComparacaoVersao::Invalida},
        {"", TComparacaoVersao::Invalida},
        {"1.0.20", TComparacaoVersao::Invalida},
        {"1.0.20.33.1", TComparacaoVersao::Invalida},
        {"1.0.-2.3", TComparacaoVersao::Invalida},
        {"1.0. 2.3", TComparacaoVersao::Invalida},
        {"1.0.20.99999999999", TComparacaoVersao::Invalida},
    };
    for (const auto &c : casos)
        EXPECT_EQ(ComparaVersoes(QString::fromLatin1(c.publicada), QStringLiteral("1.0.20.33")), c.esperado)
            << c.publicada;
}

TEST(Atualizacao, OnlyANewerVersionIsOfferedAndAnUnreadableOneIsReported)
{
    FakeFtp ftp;
    ASSERT_NE(ftp.porta, 0);
    Ambiente amb(ftp.porta);
    const struct {
        const char *versao;
        bool fecha;
        QStringList textos;
    } casos[] = {
        {"1.0.20.33", true, {}},
        {"1.0.20.33 \r\n", true, {}},
        {"1.0.20.33\r\n9.9.9.9\r\n", true, {}},
        {"1.0.20.32", true, {}},
        {"1.0.21.0", true, {kPergDownload}}, // answered No
        {"abc", false, {QStringLiteral("Arquivo de versão inválido no servidor.")}},
    };
    for (const auto &c : casos) {
        SCOPED_TRACE(c.versao);
        amb.rec->clear();
        ftp.limpaLog();
        ftp.publica(c.versao, pacoteValido());
        TfmAtualizacao *j = amb.abre();
        j->BuscaAtualizacao();
        ASSERT_TRUE(amb.workerParou());
        if (c.fecha) {
            EXPECT_TRUE(amb.fechou());
        } else {
            ASSERT_FALSE(amb.janela.isNull());
            EXPECT_TRUE(habilitados(j, true, true, true));
            EXPECT_EQ(j->edtVerAtual->text(), QString::fromLatin1(c.versao));
            EXPECT_EQ(j->edtVerInst->text(), QStringLiteral("1.0.20.33"));
            delete j;
        }
        EXPECT_EQ(amb.rec->texts(), c.textos);
        EXPECT_EQ(ftp.conta(QStringLiteral("RETR /Atualizacao/Versao/ZEVIVEDE/VersaoVO.Txt")), 1);
        EXPECT_EQ(ftp.conta(QStringLiteral("SIZE ") + kRemotoPacote) + ftp.conta(QStringLiteral("RETR ") + kRemotoPacote),
                  0);
        EXPECT_FALSE(amb.restos());
        EXPECT_FALSE(amb.ftpConectado);
    }
}

TEST(Atualizacao, ADownloadedPackageIsKeptForExitAndOfferedAgainWithoutConnecting)
{
    FakeFtp ftp;
    ASSERT_NE(ftp.porta, 0);
    ftp.publica("1.0.21.0\r\n", pacoteValido());
    Ambiente amb(ftp.porta);
    amb.rec->pushAnswer(MsgResult::Yes);
    amb.rec->pushAnswer(MsgResult::No);
    amb.abre()->BuscaAtualizacao();
    ASSERT_TRUE(amb.fechou()) << amb.rec->texts().join('|').toStdString() << "\n" << ftp.comandos().join('|').toStdString();
    EXPECT_EQ(amb.rec->texts(), (QStringList{kPergDownload, kPergConcluido}));
    EXPECT_EQ(le(amb.arquivo(kPacote)), pacoteValido());
    EXPECT_FALSE(QFile::exists(amb.arquivo(kPacote + QStringLiteral(".part"))));
    EXPECT_TRUE(amb.baixouPrincipal) << "the main window applies it at exit";
    EXPECT_FALSE(amb.atualizarPrincipal);
    EXPECT_EQ(amb.terminou, 0) << "No keeps the program running";
    EXPECT_TRUE(amb.progressoLigado);
    EXPECT_FALSE(amb.ftpConectado);
    EXPECT_EQ(ftp.conta(QStringLiteral("USER")), 1);
    EXPECT_EQ(ftp.conta(QStringLiteral("RETR ") + kRemotoPacote), 1);

    // "&Atualizar" later in the run asks to apply it, without the server
    amb.rec->clear();
    amb.rec->pushAnswer(MsgResult::Yes);
    amb.rec->pushAnswer(MsgResult::Yes);
    TfmAtualizacao *j = amb.abre();
    EXPECT_TRUE(j->bBaixou);
    j->BtnAtualizacao->click();
    ASSERT_TRUE(amb.fechou());
    EXPECT_EQ(amb.rec->texts(), (QStringList{QStringLiteral("Já existe uma atualização baixada. Deseja Atualizar?"),
                                             kPergFechar}));
    EXPECT_TRUE(amb.atualizarPrincipal);
    EXPECT_EQ(amb.terminou, 1);
    EXPECT_EQ(ftp.conta(QStringLiteral("USER")), 1);
}

TEST(Atualizacao, ConnectionFailuresAreShownWithTheButtonsEnabled)
{
    FakeFtp ftp({QStringLiteral("--password"), QStringLiteral("outrasenha99")});
    ASSERT_NE(ftp.porta, 0);
    ftp.publica("1.0.21.0");
    for (const int porta : {ftp.porta, portaLivre()}) {
        SCOPED_TRACE(porta);
        Ambiente amb(porta);
        TfmAtualizacao *j = amb.abre();
        j->BuscaAtualizacao();
        ASSERT_TRUE(amb.workerParou());
        ASSERT_FALSE(amb.janela.isNull());
        const QStringList textos = amb.rec->texts();
        ASSERT_EQ(textos.size(), 1);
        EXPECT_TRUE(textos[0].startsWith(QStringLiteral("Não conseguiu conectar com FTP\r"))) << textos[0].toStdString();
        EXPECT_GT(textos[0].size(), 31) << "the error's own text follows";
        EXPECT_TRUE(habilitados(j, true, true, true));
        EXPECT_FALSE(amb.ftpConectado);
    }
    EXPECT_EQ(ftp.conta(QStringLiteral("RETR")), 0);
}

TEST(Atualizacao, WithoutInternetNothingIsTried)
{
    FakeFtp ftp;
    ASSERT_NE(ftp.porta, 0);
    ftp.publica("1.0.21.0", pacoteValido());
    Ambiente amb(ftp.porta);
    amb.internet = false;
    TfmAtualizacao *j = amb.abre();
    j->BuscaAtualizacao();
    EXPECT_FALSE(j->ThreadAtiva());
    EXPECT_FALSE(j->bResult);
    EXPECT_EQ(amb.rec->texts(), QStringList{QStringLiteral("Não há conexão com a Internet")});
    EXPECT_EQ(amb.rec->entries().at(0).title, QStringLiteral("Atualização"));
    EXPECT_TRUE(j->LProcesso->text().isEmpty());
    QEventLoop l;
    QTimer::singleShot(200, &l, &QEventLoop::quit);
    l.exec();
    EXPECT_TRUE(ftp.comandos().isEmpty());
}

TEST(Atualizacao, AMissingPackageReportsItsSize)
{
    FakeFtp ftp;
    ASSERT_NE(ftp.porta, 0);
    ftp.publica("1.0.21.0");
    Ambiente amb(ftp.porta);
    amb.rec->pushAnswer(MsgResult::Yes);
    TfmAtualizacao *j = amb.abre();
    j->BuscaAtualizacao();
    ASSERT_TRUE(amb.workerParou());
    ASSERT_FALSE(amb.janela.isNull());
    const QStringList textos = amb.rec->texts();
    ASSERT_EQ(textos.size(), 2);
    EXPECT_TRUE(textos[1].startsWith(QStringLiteral("Erro ao verificar o tamanho do arquivo de download\r")));
    EXPECT_TRUE(j->btnCancelar->isEnabled());
    EXPECT_TRUE(j->BtnFechar->isEnabled());
    EXPECT_FALSE(amb.restos());
}

TEST(Atualizacao, AnUnsoundDownloadIsDeletedAndNotMarked)
{
    const QByteArray bom = pacoteValido();
    QByteArray corrompido = bom;
    corrompido[bom.size() / 2] = char(corrompido[bom.size() / 2] ^ 0x20);
    const struct {
        const char *caso;
        QByteArray pacote;
        QStringList extra;
    } casos[] = {
        {"truncated stream", bom.left(bom.size() - 7), {}},
        {"corrupted byte", corrompido, {}},
        {"not an executable", zlibDeflate(QByteArray(70000, 'x')), {}},
        {"data connection dropped", bom, {QStringLiteral("--drop-after"), QStringLiteral("1500")}},
    };
    for (const auto &c : casos) {
        SCOPED_TRACE(c.caso);
        FakeFtp ftp(c.extra);
        ASSERT_NE(ftp.porta, 0);
        ftp.publica("1.0.21.0", c.pacote);
        Ambiente amb(ftp.porta);
        amb.rec->pushAnswer(MsgResult::Yes);
        TfmAtualizacao *j = amb.abre();
        j->BuscaAtualizacao();
        ASSERT_TRUE(amb.workerParou());
        ASSERT_FALSE(amb.janela.isNull());
        EXPECT_EQ(amb.rec->texts(), (QStringList{kPergDownload, kInvalido}));
        EXPECT_FALSE(j->bBaixou);
        EXPECT_FALSE(amb.restos());
        EXPECT_TRUE(habilitados(j, true, false, true));
        delete j;
        EXPECT_FALSE(amb.baixouPrincipal);
    }
}

TEST(Atualizacao, CancelStopsAThrottledDownloadAndLeavesNothing)
{
    const QByteArray grande = QByteArray(400000, 'z');
    FakeFtp ftp({QStringLiteral("--rate"), QStringLiteral("40000")});
    ASSERT_NE(ftp.porta, 0);
    ftp.publica("1.0.21.0", grande);
    Ambiente amb(ftp.porta);
    TfmAtualizacao *j = amb.abre();

    // not connected yet: nothing happens
    j->btnCancelar->setEnabled(true);
    j->btnCancelar->click();
    EXPECT_EQ(j->LProcesso->text(), QStringLiteral("Status"));
    EXPECT_TRUE(ftp.comandos().isEmpty());

    amb.rec->pushAnswer(MsgResult::Yes);
    j->BuscaAtualizacao();
    ASSERT_TRUE(esperaAte([j] { return j->pbProgresso->value() > 0; }));
    const int primeiro = j->pbProgresso->value();
    EXPECT_EQ(j->pbProgresso->maximum(), grande.size());
    EXPECT_EQ(j->LProcesso->text(), QStringLiteral("Efetuando o download da atualização"));
    ASSERT_TRUE(esperaAte([j, primeiro] { return j->pbProgresso->value() > primeiro + 20000; }));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^0,\\d\\d MB de 0,38 MB$")).match(j->lbKB->text()).hasMatch())
        << j->lbKB->text().toStdString();
    EXPECT_TRUE(habilitados(j, false, true, false));

    j->btnCancelar->click();
    EXPECT_EQ(j->LProcesso->text(), QStringLiteral("Status"));
    EXPECT_EQ(j->pbProgresso->value(), 0);
    EXPECT_TRUE(j->lbKB->text().isEmpty());
    EXPECT_TRUE(j->BtnAtualizacao->isEnabled());
    EXPECT_TRUE(j->BtnFechar->isEnabled());
    ASSERT_TRUE(amb.workerParou());
    esperaAte([] { return false; }, 100);
    EXPECT_EQ(j->pbProgresso->value(), 0) << "no late progress after the cancel";
    EXPECT_EQ(amb.rec->texts(), QStringList{kPergDownload});
    EXPECT_FALSE(amb.restos());
    EXPECT_FALSE(amb.ftpConectado);
    delete j;
    EXPECT_FALSE(amb.baixouPrincipal);
}

TEST(Atualizacao, ADownloadErrorIsShownAndLeavesNoPartialFile)
{
    FakeFtp ftp({QStringLiteral("--rate"), QStringLiteral("40000")});
    ASSERT_NE(ftp.porta, 0);
    ftp.publica("1.0.21.0", QByteArray(400000, 'z'));
    Ambiente amb(ftp.porta);
    amb.rec->pushAnswer(MsgResult::Yes);
    TfmAtualizacao *j = amb.abre();
    j->BuscaAtualizacao();
    ASSERT_TRUE(esperaAte([j] { return j->pbProgresso->value() > 0; }));
    ftp.mata();
    ASSERT_TRUE(amb.workerParou());
    ASSERT_FALSE(amb.janela.isNull());
    const QStringList textos = amb.rec->texts();
    ASSERT_EQ(textos.size(), 2);
    EXPECT_TRUE(textos[1].startsWith(QStringLiteral("Erro ao efetuar o download da atualização\r")))
        << textos[1].toStdString();
    EXPECT_GT(textos[1].size(), 42);
    EXPECT_TRUE(j->BtnAtualizacao->isEnabled());
    EXPECT_TRUE(j->BtnFechar->isEnabled());
    EXPECT_FALSE(j->bBaixou);
    EXPECT_FALSE(amb.restos());
}

namespace {
// Closes the window while a question is on screen, as a user could.
class FechaNaPergunta : public DialogRecorder {
public:
    QPointer<QWidget> janela;
    MsgResult messageBox(const QString &text, const QString &title, MsgButtons buttons, MsgIcon icon,
                         int defaultButton) override
    {
        DialogRecorder::messageBox(text, title, buttons, icon, defaultButton);
        if (janela)
            janela->close();
        return MsgResult::Yes;
    }
};
} // namespace

TEST(Atualizacao, ClosingTheWindowDuringTheTransferOrAQuestionEndsCleanly)
{
    FakeFtp ftp({QStringLiteral("--rate"), QStringLiteral("40000")});
    ASSERT_NE(ftp.porta, 0);
    ftp.publica("1.0.21.0", QByteArray(400000, 'z'));
    {
        Ambiente amb(ftp.porta);
        amb.rec->pushAnswer(MsgResult::Yes);
        TfmAtualizacao *j = amb.abre();
        j->BuscaAtualizacao();
        ASSERT_TRUE(esperaAte([j] { return j->pbProgresso->value() > 0; }));
        QElapsedTimer t;
        t.start();
        j->close();
        ASSERT_TRUE(amb.fechou());
        EXPECT_LT(t.elapsed(), 5000);
        EXPECT_FALSE(amb.restos());
        EXPECT_FALSE(amb.baixouPrincipal);
    }
    {
        Ambiente amb(ftp.porta);
        auto fechador = std::make_unique<FechaNaPergunta>();
        FechaNaPergunta *f = fechador.get();
        auto anterior = setDialogService(std::move(fechador));
        ftp.limpaLog();
        TfmAtualizacao *j = amb.abre();
        f->janela = j;
        j->BuscaAtualizacao();
        const bool fechou = amb.fechou();
        setDialogService(std::move(anterior));
        ASSERT_TRUE(fechou);
        EXPECT_EQ(ftp.conta(QStringLiteral("SIZE ") + kRemotoPacote), 0) << "a dropped question is a No";
        EXPECT_FALSE(amb.restos());
    }
}
