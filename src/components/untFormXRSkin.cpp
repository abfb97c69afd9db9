#include "components/untFormXRSkin.h"

#include "platform/AppPaths.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QShowEvent>

#include <algorithm>
#include <vector>

namespace {
std::vector<TfmXRSkin *> &listaSkins()
{
    static std::vector<TfmXRSkin *> lista;
    return lista;
}

void retiraDaLista(TfmXRSkin *f)
{
    auto &l = listaSkins();
    l.erase(std::remove(l.begin(), l.end(), f), l.end());
}
} // namespace

TfmXRSkin::TfmXRSkin(QWidget *dono)
    : QMainWindow(dono, Qt::Window)
    , m_dono(dono)
{
    setObjectName(QStringLiteral("fmXRSkin"));
    setWindowTitle(QStringLiteral("FormXRSkin"));
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(13);
    setFont(f);
    QPalette p = palette();
    p.setColor(QPalette::WindowText, QColor(0x40, 0x40, 0x40));
    setPalette(p);
    listaSkins().push_back(this);
}

TfmXRSkin::~TfmXRSkin() { retiraDaLista(this); }

QString TfmXRSkin::GetVersao(QString &pNumVersao)
{
    pNumVersao = QStringLiteral(XR_VERSION_TEXT);
    const QFileInfo exe(apppaths::executablePath());
    return exe.exists() ? exe.lastModified().date().toString(QStringLiteral("dd/MM/yyyy")) : QString();
}

bool TfmXRSkin::EhFilhoMdi(const QWidget *janela)
{
    auto *skin = qobject_cast<const TfmXRSkin *>(janela);
    if (skin)
        return skin->FormStyleMdi();
    return janela && janela->property("xrMdiChild").toBool();
}

void TfmXRSkin::FormShow()
{
    QString versao;
    GetVersao(versao);
    setWindowTitle(windowTitle() + QStringLiteral(" (") + versao + ')');
}

void TfmXRSkin::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfmXRSkin::hideEvent(QHideEvent *event)
{
    QMainWindow::hideEvent(event);
    if (!event->spontaneous())
        emit Escondida();
}

void TfmXRSkin::closeEvent(QCloseEvent *event)
{
    bool pode = true;
    FormCloseQuery(pode);
    if (!pode) {
        event->ignore();
        return;
    }
    TCloseAction acao = TCloseAction::Hide;
    FormClose(acao);
    if (acao == TCloseAction::None) {
        event->ignore();
        return;
    }
    event->accept();
    if (acao != TCloseAction::Free)
        return;
    // Freed after the event: until then it must not be found as open.
    m_liberada = true;
    retiraDaLista(this);
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        sub->deleteLater();
    else
        deleteLater();
}

void TfmXRSkin::ShowModal()
{
    setWindowModality(Qt::ApplicationModal);
    QPointer<TfmXRSkin> vivo(this);
    QEventLoop loop;
    connect(this, &TfmXRSkin::Escondida, &loop, &QEventLoop::quit);
    connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
    show();
    if (isVisible())
        loop.exec();
    if (vivo)
        setWindowModality(Qt::NonModal);
}

QList<QWidget *> FormsAbertos()
{
    QList<QWidget *> forms;
    for (TfmXRSkin *f : listaSkins()) {
        if (!f->Liberada())
            forms << f;
    }
    const QWidgetList todos = QApplication::allWidgets();
    for (QWidget *w : todos) {
        if (qobject_cast<TfmXRSkin *>(w) || qobject_cast<QMdiSubWindow *>(w))
            continue;
        if (w->isWindow() || qobject_cast<QMdiSubWindow *>(w->parentWidget()))
            forms << w;
    }
    return forms;
}
