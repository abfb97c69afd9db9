#include "components/QtDialogService.h"

#include "data/UntScriptsRep.h"
#include "data/XRFuncoesDB.h"
#include "data/untDMRepres.h"
#include "platform/DialogService.h"
#include "windows/Aplicacao.h"
#include "windows/UntAviso.h"
#include "windows/WindowRegistry.h"
#include "windows/untLogin.h"
#include "windows/untPrincipal.h"

#include <QScreen>

#include <memory>

int main(int argc, char **argv)
{
    TAplicacao app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("ORVAN ZID"));
    setDialogService(std::make_unique<QtDialogService>());
    DefineProvedorFormAtivo(NomeFormAtivo);
    InstalaAtualizaBase();
    InstalaConsultasJanelas();

    // Made in this order, destroyed in the reverse one: the main window
    // goes before the module whose connection it may still use.
    std::unique_ptr<TDMRepres> dm;
    std::unique_ptr<TfmPrincipal> principal;
    std::unique_ptr<TfmLogin> login;
    std::unique_ptr<TfmAviso> aviso;
    int resultado = 0;
    try {
        dm = std::make_unique<TDMRepres>();
        principal = std::make_unique<TfmPrincipal>();
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
