#include "LigacaoServidores.h"
#include "components/Enter.h"
#include "components/QtDialogService.h"
#include "components/XRWidgetTrabalho.h"

#include "data/UntScriptsRep.h"
#include "data/XRFuncoesDB.h"
#include "data/untDMRepres.h"
#include "platform/DialogService.h"
#include "sync/EscolhaRetaguarda.h"
#include "sync/untAtualizacao.h"
#include "sync/untCargas.h"
#include "sync/untDMComunicacao.h"
#include "sync/untDMRemoto.h"
#include "sync/untEnvioPedidos.h"
#include "windows/nucleo/InterfacesJanelas.h"
#include "windows/nucleo/Aplicacao.h"
#include "windows/clientes/untCliente.h"
#include "windows/editorsql/untEditorSQL.h"
#include "windows/nucleo/UntAviso.h"
#include "windows/nucleo/WindowRegistry.h"
#include "windows/principal/UntPosInstal.h"
#include "windows/principal/untConfig.h"
#include "windows/principal/untLogin.h"
#include "windows/pedido/untPedido.h"
#include "windows/pedido/untGrade.h"
#include "windows/principal/regras/EstadoFTP.h"
#include "windows/principal/untPrincipal.h"
#include "windows/relatorios/JanelasRelatorios.h"

#include <QScreen>

#include <memory>

namespace {
// The main window hands the server address to both back-end clients.
template <typename Cliente>
class EnderecoDoCliente : public IServidorEndereco {
public:
    explicit EnderecoDoCliente(Cliente *&cliente)
        : m_cliente(cliente)
    {
    }
    void SetEndereco(const QString &host, int porta) override
    {
        if (m_cliente) {
            m_cliente->DsHost = host;
            m_cliente->NrPorta = porta;
        }
    }

private:
    Cliente *&m_cliente;
};
// The update window's side of the main window: its flags, its FTP
// reference and the end of the run.
TGanchosAtualizacao GanchosAtualizacao()
{
    TGanchosAtualizacao g;
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
} // namespace

int main(int argc, char **argv)
{
    TAplicacao app(argc, argv);
    InstalaSinaisTermino();
    QApplication::setApplicationDisplayName(QStringLiteral("ORVAN ZID"));
    setDialogService(std::make_unique<QtDialogService>());
    DefineProvedorFormAtivo(NomeFormAtivo);
    InstalaAtualizaBase();
    InstalaConsultasJanelas();
    RegistraJanelaPedido();
    InstalaGradeGeral();
    RegistraJanelaCliente();
    RegistraJanelaEditorSQL();
    RegisterClass(QStringLiteral("TfmCargas"), CriaJanelaCargas);
    InstalaEscolhaRetaguarda();
    const TGanchosAtualizacao ganchosAtualizacao = GanchosAtualizacao();
    RegisterClass(QStringLiteral("TfmAtualizacao"),
                  [ganchosAtualizacao](QWidget *dono) { return new TfmAtualizacao(dono, ganchosAtualizacao); });
    RegisterClass(QStringLiteral("TfmEnvioPedidos"), [](QWidget *dono) { return new TfmEnvioPedidos(dono); });
    ServidorPosInstalProgram servidorPosInstal;
    InstalaPosInstalacao(&servidorPosInstal);
    ServidorConsultasProgram servidorConsultas;
    RegistraJanelasRelatorios(&servidorConsultas);

    // Made in this order, destroyed in the reverse one: the main window
    // goes before the module whose connection it may still use.
    std::unique_ptr<TClientModule1> clientModule;
    std::unique_ptr<TDMComunicacao> comunicacao;
    EnderecoDoCliente<TClientModule1> enderecoDataSnap(ClientModule1);
    EnderecoDoCliente<TDMComunicacao> enderecoRest(DMComunicacao);
    // the settings window gives a saved address to both clients, as the
    // main window does on show
    RegistraJanelaConfig({&enderecoDataSnap, &enderecoRest});
    std::unique_ptr<TDMRepres> dm;
    std::unique_ptr<TfmPrincipal> principal;
    std::unique_ptr<TfmLogin> login;
    std::unique_ptr<TfmAviso> aviso;
    int resultado = 0;
    try {
        clientModule = std::make_unique<TClientModule1>();
        comunicacao = std::make_unique<TDMComunicacao>();
        dm = std::make_unique<TDMRepres>();
        // the engine's client puts in its own handlers when it attaches
        InstalaSinaisTermino();
        // the first-run window closed without a configuration ends the run
        if (AplicacaoTerminada())
            return 0;
        TGanchosPrincipal ganchosPrincipal;
        ganchosPrincipal.VerificaAtualizacao = [] {
            if (fmAtualizacao)
                fmAtualizacao->BuscaAtualizacao();
        };
        principal = std::make_unique<TfmPrincipal>(ganchosPrincipal);
        principal->DefineServidores({&enderecoDataSnap, &enderecoRest});
        principal->DefineServidorRelatorios(&servidorConsultas);
        CriaZVEnterPrincipal(principal.get());
        login = std::make_unique<TfmLogin>();
        fmLogin = login.get();
        aviso = std::make_unique<TfmAviso>();
        fmAviso = aviso.get();
        // made last, hidden until the start-up check or the side bar opens it
        new TfmAtualizacao(principal.get(), ganchosAtualizacao);

        if (!AplicacaoTerminada()) {
            // without a window manager "maximised" means nothing: take the screen
            if (const QScreen *tela = QGuiApplication::primaryScreen())
                principal->setGeometry(tela->availableGeometry());
            principal->showMaximized();
        }
        if (!AplicacaoTerminada())
            resultado = app.exec();
    } catch (...) {
        MostraExcecao(std::current_exception());
        resultado = 1;
    }
    // the update window and its worker go before the main window applies
    // what they downloaded
    delete fmAtualizacao;
    // dashboard statements still running are cancelled before the module
    // and the engine go away
    EncerraTrabalhosWidgets(3000);
    fmAviso = nullptr;
    fmLogin = nullptr;
    return resultado;
}
