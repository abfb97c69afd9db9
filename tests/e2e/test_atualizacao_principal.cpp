// The update window handing over to the main window, as the program body wires them.
#include "../gui/test_shell_fixture.h"

#include "platform/AppPaths.h"
#include "platform/DialogService.h"
#include "sync/untAtualizacao.h"
#include "windows/principal/regras/EstadoFTP.h"
#include "windows/principal/regras/RegrasPrincipal.h"
#include "windows/principal/untPrincipal.h"

#include "fake_ftp_fixture.h"

#include <QFileInfo>
#include <QPointer>

using namespace ftpteste;

namespace {

const QString kPergDownload = QStringLiteral("Existe uma versão atualizada disponível!\rDeseja fazer o download?");

// Mirrors the program body's wiring of the two windows.
TGanchosAtualizacao ganchosDoPrograma()
{
    TGanchosAtualizacao g;
    g.VerificaInternet = [](QString &) { return true; };
    g.Versao = [] { return QStringLiteral("1.0.20.33"); };
    g.BaixouPrincipal = [] { return fmPrincipal && fmPrincipal->bBaixou(); };
    g.DefineBaixouPrincipal = [](bool v) {
        if (fmPrincipal)
            fmPrincipal->SetbBaixou(v);
    };
    g.DefineAtualizarPrincipal = [](bool v) {
        if (fmPrincipal)
            fmPrincipal->SetbAtualizar(v);
    };
    g.LigaFTP = [](std::function<void()> encerra) -> TGanchosAtualizacao::TPublicaFTP {
        auto estado = std::make_shared<TEstadoFTP>(std::move(encerra));
        if (fmPrincipal)
            fmPrincipal->IdFTP = estado;
        return [estado](bool conectado, int tempoMs, bool progresso) {
            estado->SetConectado(conectado);
            estado->SetTempoConexaoMs(tempoMs);
            estado->SetProgressoLigado(progresso);
        };
    };
    g.DesligaFTP = [] {
        if (fmPrincipal)
            fmPrincipal->IdFTP.reset();
    };
    g.TerminaAplicacao = [] { TerminaAplicacao(); };
    return g;
}

TGanchosPrincipal loginAceito()
{
    TGanchosPrincipal g;
    g.Login = [](QWidget *) { return true; };
    return g;
}

class AmbienteFtp {
public:
    explicit AmbienteFtp(int porta)
    {
        qputenv("XR_FTP_HOST", "127.0.0.1");
        qputenv("XR_FTP_PORT", QByteArray::number(porta));
    }
    ~AmbienteFtp()
    {
        qunsetenv("XR_FTP_HOST");
        qunsetenv("XR_FTP_PORT");
    }
};

} // namespace

TEST(AtualizacaoPrincipal, AnswerNoKeepsTheProgramRunningAndTheSwapHappensAtExit)
{
    FakeFtp ftp;
    ASSERT_NE(ftp.porta, 0);
    ftp.publica("1.0.21.0", pacoteValido());
    AmbienteFtp env(ftp.porta);
    InstalacaoTeste instalacao;
    ScopedDialogRecorder rec;
    // the running program as the main window sees it: a copy of a small executable
    const QString exe = instalacao.inst.path(QFileInfo(apppaths::executablePath()).fileName());
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/true"), exe));
    const auto modo = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
        | QFileDevice::ExeGroup;
    QFile::setPermissions(exe, modo);
    {
        TfmPrincipal fm(loginAceito());
        rec->pushAnswer(MsgResult::Yes);
        rec->pushAnswer(MsgResult::No);
        QPointer<TfmAtualizacao> janela = new TfmAtualizacao(&fm, ganchosDoPrograma());
        ASSERT_TRUE(fm.IdFTP);
        janela->BuscaAtualizacao();
        ASSERT_TRUE(esperaAte([&janela] { return janela.isNull(); }));
        EXPECT_TRUE(fm.bBaixou());
        EXPECT_FALSE(fm.bAtualizar());
        EXPECT_FALSE(fm.IdFTP) << "the FTP reference goes with the window";
        EXPECT_FALSE(AplicacaoTerminada());
        EXPECT_EQ(le(exe), le(QStringLiteral("/bin/true"))) << "nothing is swapped while running";
        EXPECT_TRUE(QFile::exists(instalacao.inst.path(kPacote)));
    }
    EXPECT_EQ(le(exe), le(QStringLiteral("/bin/false")));
    EXPECT_EQ(QFileInfo(exe).permissions() & ~QFileDevice::Permissions(0x0700), modo);
    EXPECT_EQ(le(exe + QStringLiteral(".old")), le(QStringLiteral("/bin/true")));
    EXPECT_FALSE(QFile::exists(instalacao.inst.path(kPacote)));
}

namespace {
// The user closes the main window while the update question is on screen
// and agrees to close during the FTP session.
class FechaPrincipalNaPergunta : public DialogRecorder {
public:
    QPointer<QWidget> principal;
    MsgResult messageBox(const QString &text, const QString &title, MsgButtons buttons, MsgIcon icon,
                         int defaultButton) override
    {
        DialogRecorder::messageBox(text, title, buttons, icon, defaultButton);
        if (text == kPergDownload && principal)
            principal->close();
        return MsgResult::Yes;
    }
};
} // namespace

TEST(AtualizacaoPrincipal, ClosingTheProgramDuringTheSessionStopsTheWorkerWithoutDeadlock)
{
    FakeFtp ftp;
    ASSERT_NE(ftp.porta, 0);
    ftp.publica("1.0.21.0", pacoteValido());
    AmbienteFtp env(ftp.porta);
    InstalacaoTeste instalacao;
    auto servico = std::make_unique<FechaPrincipalNaPergunta>();
    FechaPrincipalNaPergunta *dialogos = servico.get();
    auto anterior = setDialogService(std::move(servico));
    {
        TfmPrincipal fm(loginAceito());
        dialogos->principal = &fm;
        new TfmAtualizacao(&fm, ganchosDoPrograma());
        fmAtualizacao->BuscaAtualizacao();
        EXPECT_TRUE(esperaAte([] { return AplicacaoTerminada(); }));
        // the program body's shutdown: the update window first
        delete fmAtualizacao;
        EXPECT_EQ(fmAtualizacao, nullptr);
        EXPECT_FALSE(fm.bBaixou());
        EXPECT_FALSE(fm.IdFTP);
    }
    const QStringList textos = dialogos->texts();
    setDialogService(std::move(anterior));
    EXPECT_EQ(textos, (QStringList{kPergDownload, kMsgConexaoFTP}));
    EXPECT_EQ(ftp.conta(QStringLiteral("SIZE /Atualizacao/Versao/ZEVIVEDE/ORVAN ZID.zipVO")), 0);
    EXPECT_FALSE(QFile::exists(instalacao.inst.path(kPacote)));
}
