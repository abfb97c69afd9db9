#include "windows/relatorios/JanelasRelatorios.h"

#include "windows/nucleo/WindowRegistry.h"
#include "windows/relatorios/untRelEstoque.h"
#include "windows/relatorios/untRelatorio.h"

void RegistraJanelasRelatorios(IServidorConsultas *servidor, TOpcoesRelatorios opcoes)
{
    const int pausa = opcoes.pausaEsperaMs;
    RegisterClass(
        QStringLiteral("TfmGeraRel"), [servidor, pausa](QWidget *dono) { return new TfmGeraRel(dono, servidor, pausa); },
        [](QWidget *janela) {
            auto *gerador = qobject_cast<TfmGeraRel *>(janela);
            auto *principal = dynamic_cast<IRelatoriosPrincipal *>(JanelaPrincipal());
            if (gerador && principal)
                gerador->PreparaRelatorio(*principal);
        });
    RegisterClass(QStringLiteral("TfmRelEstoque"), [servidor, opcoes](QWidget *dono) {
        return new TfmRelEstoque(dono, servidor, opcoes.pausaEsperaMs, opcoes.verificaInternet);
    });
}
