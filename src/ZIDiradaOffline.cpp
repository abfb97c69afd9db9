#include "components/QtDialogService.h"

#include "data/UntScriptsRep.h"
#include "data/XRFuncoesDB.h"
#include "data/untDMRepres.h"
#include "platform/DialogService.h"
#include "sync/EscolhaRetaguarda.h"
#include "sync/untCargas.h"
#include "sync/untDMComunicacao.h"
#include "sync/untDMRemoto.h"
#include "windows/nucleo/InterfacesJanelas.h"
#include "windows/nucleo/Aplicacao.h"
#include "windows/nucleo/UntAviso.h"
#include "windows/nucleo/WindowRegistry.h"
#include "windows/principal/untLogin.h"
#include "windows/pedido/untPedido.h"
#include "windows/principal/untPrincipal.h"

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
} // namespace

int main(int argc, char **argv)
{
    TAplicacao app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("ORVAN ZID"));
    setDialogService(std::make_unique<QtDialogService>());
    DefineProvedorFormAtivo(NomeFormAtivo);
    InstalaAtualizaBase();
    InstalaConsultasJanelas();
    RegistraJanelaPedido();
    RegisterClass(QStringLiteral("TfmCargas"), CriaJanelaCargas);
    InstalaEscolhaRetaguarda();

    // Made in this order, destroyed in the reverse one: the main window
    // goes before the module whose connection it may still use.
    std::unique_ptr<TClientModule1> clientModule;
    std::unique_ptr<TDMComunicacao> comunicacao;
    EnderecoDoCliente<TClientModule1> enderecoDataSnap(ClientModule1);
    EnderecoDoCliente<TDMComunicacao> enderecoRest(DMComunicacao);
    std::unique_ptr<TDMRepres> dm;
    std::unique_ptr<TfmPrincipal> principal;
    std::unique_ptr<TfmLogin> login;
    std::unique_ptr<TfmAviso> aviso;
    int resultado = 0;
    try {
        clientModule = std::make_unique<TClientModule1>();
        comunicacao = std::make_unique<TDMComunicacao>();
        dm = std::make_unique<TDMRepres>();
        principal = std::make_unique<TfmPrincipal>();
        principal->DefineServidores({&enderecoDataSnap, &enderecoRest});
        login = std::make_unique<TfmLogin>();
        fmLogin = login.get();
        aviso = std::make_unique<TfmAviso>();
        fmAviso = aviso.get();

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
    fmAviso = nullptr;
    fmLogin = nullptr;
    return resultado;
}
