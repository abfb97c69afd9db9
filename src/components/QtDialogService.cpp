#include "components/QtDialogService.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include <functional>
#include <map>

namespace {
void naThreadDaInterface(const std::function<void()> &f)
{
    if (!qApp || QThread::currentThread() == qApp->thread()) {
        f();
        return;
    }
    QMetaObject::invokeMethod(qApp, f, Qt::BlockingQueuedConnection);
}

QWidget *janelaMae() { return QApplication::activeWindow(); }

QMessageBox::Icon iconeQt(MsgIcon icone)
{
    switch (icone) {
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Warning: return QMessageBox::Warning;
    case MsgIcon::Error: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::ButtonRole papel(MsgResult botao)
{
    switch (botao) {
    case MsgResult::Ok:
    case MsgResult::Yes:
    case MsgResult::Retry: return QMessageBox::AcceptRole;
    case MsgResult::No: return QMessageBox::NoRole;
    case MsgResult::Cancel:
    case MsgResult::Abort: return QMessageBox::RejectRole;
    case MsgResult::Ignore: return QMessageBox::ActionRole;
    }
    return QMessageBox::ActionRole;
}

QString tituloPadrao() { return QApplication::applicationDisplayName(); }
} // namespace

QString TextoBotao(MsgResult botao)
{
    switch (botao) {
    case MsgResult::Ok: return QStringLiteral("OK");
    case MsgResult::Cancel: return QStringLiteral("Cancelar");
    case MsgResult::Abort: return QStringLiteral("Abortar");
    case MsgResult::Retry: return QStringLiteral("Repetir");
    case MsgResult::Ignore: return QStringLiteral("Ignorar");
    case MsgResult::Yes: return QStringLiteral("Sim");
    case MsgResult::No: return QStringLiteral("Não");
    }
    return QString();
}

QString FiltroQt(const QString &filtro)
{
    if (!filtro.contains('|'))
        return filtro;
    const QStringList partes = filtro.split('|');
    QStringList saida;
    for (int i = 0; i + 1 < partes.size(); i += 2) {
        QString mascaras = partes[i + 1];
        mascaras.replace(';', ' ');
        saida << partes[i] + QStringLiteral(" (") + mascaras + ')';
    }
    return saida.join(QStringLiteral(";;"));
}

void QtDialogService::showMessage(const QString &text)
{
    naThreadDaInterface([&] {
        QMessageBox box(QMessageBox::NoIcon, tituloPadrao(), text, QMessageBox::NoButton, janelaMae());
        box.addButton(TextoBotao(MsgResult::Ok), QMessageBox::AcceptRole);
        box.exec();
    });
}

MsgResult QtDialogService::messageBox(const QString &text, const QString &title, MsgButtons buttons, MsgIcon icon,
                                      int defaultButton)
{
    MsgResult resposta = defaultAnswer(buttons, defaultButton);
    naThreadDaInterface([&] {
        QMessageBox box(iconeQt(icon), title.isEmpty() ? tituloPadrao() : title, text, QMessageBox::NoButton,
                        janelaMae());
        std::map<QAbstractButton *, MsgResult> mapa;
        const std::vector<MsgResult> resultados = buttonResults(buttons);
        QPushButton *padrao = nullptr;
        QPushButton *escape = nullptr;
        for (std::size_t i = 0; i < resultados.size(); ++i) {
            QPushButton *b = box.addButton(TextoBotao(resultados[i]), papel(resultados[i]));
            mapa[b] = resultados[i];
            if (int(i) + 1 == defaultButton)
                padrao = b;
            if (resultados[i] == MsgResult::Cancel || resultados[i] == MsgResult::No)
                escape = b;
        }
        if (!padrao)
            padrao = qobject_cast<QPushButton *>(mapa.begin()->first);
        box.setDefaultButton(padrao);
        box.setEscapeButton(escape ? escape : (resultados.size() == 1 ? padrao : nullptr));
        box.exec();
        auto it = mapa.find(box.clickedButton());
        if (it != mapa.end())
            resposta = it->second;
    });
    return resposta;
}

bool QtDialogService::inputQuery(const QString &title, const QString &prompt, QString &value, bool password)
{
    bool ok = false;
    naThreadDaInterface([&] {
        QInputDialog dlg(janelaMae());
        dlg.setWindowTitle(title);
        dlg.setLabelText(prompt);
        dlg.setTextValue(value);
        dlg.setTextEchoMode(password ? QLineEdit::Password : QLineEdit::Normal);
        dlg.setOkButtonText(TextoBotao(MsgResult::Ok));
        dlg.setCancelButtonText(TextoBotao(MsgResult::Cancel));
        ok = dlg.exec() == QDialog::Accepted;
        if (ok)
            value = dlg.textValue();
    });
    return ok;
}

QString QtDialogService::openFileName(const QString &title, const QString &filter, const QString &dir)
{
    QString nome;
    naThreadDaInterface([&] { nome = QFileDialog::getOpenFileName(janelaMae(), title, dir, FiltroQt(filter)); });
    return nome;
}

QString QtDialogService::saveFileName(const QString &title, const QString &filter, const QString &dir)
{
    QString nome;
    naThreadDaInterface([&] { nome = QFileDialog::getSaveFileName(janelaMae(), title, dir, FiltroQt(filter)); });
    return nome;
}
