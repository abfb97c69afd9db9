#include "windows/nucleo/Aplicacao.h"

#include "data/XRFuncoesDB.h"
#include "platform/DataSet.h"
#include "platform/DialogService.h"
#include "platform/IniFile.h"

#include <QDialog>
#include <QMdiSubWindow>
#include <QPointer>
#include <QSocketNotifier>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace {
std::atomic<bool> g_terminada{false};
std::atomic<bool> g_porSinal{false};

// Write end of the self-pipe; the handler does nothing else, as only
// async-signal-safe calls are allowed there.
int g_pipeSinal = -1;

void AoReceberSinal(int sinal)
{
    const int salvo = errno;
    const char byte = char(sinal);
    [[maybe_unused]] const ssize_t n = ::write(g_pipeSinal, &byte, 1);
    errno = salvo;
}

// Once the run is ending nobody is there to answer: every question gets
// the answer Esc would give, and texts only reach the log.
class TDialogosEncerramento : public DialogService {
public:
    void showMessage(const QString &text) override { qWarning("%s", qUtf8Printable(text)); }
    MsgResult messageBox(const QString &text, const QString &, MsgButtons buttons, MsgIcon, int defaultButton) override
    {
        qWarning("%s", qUtf8Printable(text));
        const std::vector<MsgResult> respostas = buttonResults(buttons);
        for (const MsgResult r : {MsgResult::Cancel, MsgResult::No, MsgResult::Abort})
            if (std::find(respostas.begin(), respostas.end(), r) != respostas.end())
                return r;
        return defaultAnswer(buttons, defaultButton);
    }
    bool inputQuery(const QString &, const QString &, QString &, bool) override { return false; }
    QString openFileName(const QString &, const QString &, const QString &) override { return {}; }
    QString saveFileName(const QString &, const QString &, const QString &) override { return {}; }
};

// A modal box closes as with Esc, so its caller goes the cancelling way; the
// program's own modal windows wait for being hidden, which skips their
// closing questions.
void FechaJanelaModal(QWidget *w)
{
    if (!w->isVisible() || w->windowModality() == Qt::NonModal)
        return;
    if (auto *dlg = qobject_cast<QDialog *>(w))
        dlg->close();
    else
        w->hide();
}

// Windows that come up once the run is ending (a login that was on its way
// when the signal came) go away as soon as their own loop runs.
class TFiltroEncerramento : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *obj, QEvent *event) override
    {
        if (event->type() == QEvent::Show && obj->isWidgetType() && static_cast<QWidget *>(obj)->isWindow()) {
            QPointer<QWidget> w(static_cast<QWidget *>(obj));
            QMetaObject::invokeMethod(
                this,
                [w] {
                    if (w)
                        FechaJanelaModal(w);
                },
                Qt::QueuedConnection);
        }
        return false;
    }
};

void EncerraPorSinal(int sinal)
{
    if (g_porSinal.exchange(true))
        return;
    qWarning("Sinal %d recebido: o programa será encerrado.", sinal);
    // the service in use may be inside a box right now: keep it alive
    static std::unique_ptr<DialogService> anterior;
    anterior = setDialogService(std::make_unique<TDialogosEncerramento>());
    qApp->installEventFilter(new TFiltroEncerramento(qApp));
    const QWidgetList janelas = QApplication::topLevelWidgets();
    for (QWidget *w : janelas)
        FechaJanelaModal(w);
    // exit, not quit: quit would first ask every window to close, and the
    // main window would put its questions; exit leaves every running loop
    g_terminada = true;
    QCoreApplication::exit(0);
}
} // namespace

void InstalaSinaisTermino()
{
    if (g_pipeSinal < 0) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
            qWarning("Sinais de término não instalados: %s", std::strerror(errno));
            return;
        }
        g_pipeSinal = fds[1];
        auto *notificador = new QSocketNotifier(fds[0], QSocketNotifier::Read, qApp);
        QObject::connect(notificador, &QSocketNotifier::activated, qApp, [fd = fds[0]] {
            char sinais[16];
            const ssize_t n = ::read(fd, sinais, sizeof sinais);
            if (n > 0)
                EncerraPorSinal(int(sinais[0]));
        });
    }
    // replaces, without chaining, whatever handler is there: the database
    // client installs its own, which would shut the connection down under
    // a program that goes on running
    struct sigaction acao {};
    acao.sa_handler = AoReceberSinal;
    sigemptyset(&acao.sa_mask);
    acao.sa_flags = SA_RESTART;
    for (const int sinal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sinal, &acao, nullptr);
}

bool TerminadaPorSinal() { return g_porSinal; }

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
    } catch (const IniFile::SaveError &) {
        return QString(); // told once already, when it happened
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
