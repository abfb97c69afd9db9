#include "ImprimePdf.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <mutex>

namespace impressao {

namespace {
std::mutex g_trava;
Impressora g_impressora;

QString ComCaminho(const QString& texto, const QString& arquivoPdf)
{
    return texto + QStringLiteral("\nArquivo: ") + QFileInfo(arquivoPdf).absoluteFilePath();
}
}  // namespace

Impressora InstalaImpressora(Impressora impressora)
{
    std::lock_guard<std::mutex> trava(g_trava);
    std::swap(g_impressora, impressora);
    return impressora;
}

Resultado ImprimePdf(const QString& arquivoPdf)
{
    Impressora atual;
    {
        std::lock_guard<std::mutex> trava(g_trava);
        atual = g_impressora;
    }
    if (!QFileInfo::exists(arquivoPdf))
        return {false, ComCaminho(QStringLiteral("Arquivo para impressão não encontrado."), arquivoPdf)};
    return atual ? atual(arquivoPdf) : ImprimeComSistema(arquivoPdf);
}

Resultado ImprimeComSistema(const QString& arquivoPdf, int esperaMs)
{
    const QString lp = QStandardPaths::findExecutable(QStringLiteral("lp"));
    if (lp.isEmpty()) {
        const QString visualizador = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        if (visualizador.isEmpty() ||
            !QProcess::startDetached(visualizador, {QFileInfo(arquivoPdf).absoluteFilePath()}))
            return {false, ComCaminho(QStringLiteral("Nenhum comando de impressão encontrado."), arquivoPdf)};
        return {true, {}};
    }
    QProcess processo;
    processo.start(lp, {QStringLiteral("--"), QFileInfo(arquivoPdf).absoluteFilePath()});
    if (!processo.waitForStarted(esperaMs))
        return {false, ComCaminho(QStringLiteral("Erro ao imprimir: ") + processo.errorString(), arquivoPdf)};
    if (!processo.waitForFinished(esperaMs)) {
        processo.kill();
        processo.waitForFinished(1000);
        return {false, ComCaminho(QStringLiteral("Erro ao imprimir: o comando de impressão não respondeu."),
                                  arquivoPdf)};
    }
    if (processo.exitStatus() != QProcess::NormalExit || processo.exitCode() != 0) {
        QString erro = QString::fromLocal8Bit(processo.readAllStandardError()).trimmed();
        if (erro.isEmpty())
            erro = QStringLiteral("código de saída %1").arg(processo.exitCode());
        return {false, ComCaminho(QStringLiteral("Erro ao imprimir: ") + erro, arquivoPdf)};
    }
    return {true, {}};
}

}  // namespace impressao
