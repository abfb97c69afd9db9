#include "windows/nucleo/Aplicacao.h"

#include "data/XRFuncoesDB.h"
#include "platform/DataSet.h"
#include "platform/DialogService.h"

#include <QMdiSubWindow>

#include <atomic>

namespace {
std::atomic<bool> g_terminada{false};
}

void TerminaAplicacao()
{
    g_terminada = true;
    QCoreApplication::quit();
}

bool AplicacaoTerminada() { return g_terminada; }

void ReiniciaAplicacao() { g_terminada = false; }

QString TextoExcecao(std::exception_ptr erro)
{
    QString texto;
    try {
        std::rethrow_exception(erro);
    } catch (const EAbort &) {
        return QString();
    } catch (const EDatabaseError &e) {
        texto = e.message();
    } catch (const EInOutError &e) {
        texto = e.message();
    } catch (const std::exception &e) {
        texto = QString::fromUtf8(e.what());
    } catch (...) {
        texto = QStringLiteral("Erro desconhecido");
    }
    // the same closing point the original error box put on its texts
    if (!texto.isEmpty() && texto.back() > QLatin1Char('.'))
        texto += '.';
    return texto;
}

void MostraExcecao(std::exception_ptr erro)
{
    const QString texto = TextoExcecao(erro);
    if (texto.isEmpty())
        return;
    dialogs().messageBox(texto, QGuiApplication::applicationDisplayName(), MsgButtons::Ok, MsgIcon::Error);
}

QString NomeFormAtivo()
{
    QWidget *w = QApplication::focusWidget();
    if (!w)
        w = QApplication::activeWindow();
    for (; w; w = w->parentWidget()) {
        if (qobject_cast<QMdiSubWindow *>(w->parentWidget()) || w->isWindow())
            return w->objectName();
    }
    return QString();
}

bool TAplicacao::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        MostraExcecao(std::current_exception());
    }
    return false;
}
