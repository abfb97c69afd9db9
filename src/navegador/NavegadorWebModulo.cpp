// The web view module: the only code that links the web engine. Loaded by
// components/NavegadorWeb.cpp when a web tile first shows a page.
#include "components/NavegadorWeb.h"

#include <QDir>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {
// A tile is no place for script errors.
class PaginaSilenciosa : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int, const QString &) override {}
};

QWidget *Cria(QWidget *pai, const QString &nome, std::function<void(bool)> aoCarregar)
{
    auto *v = new QWebEngineView(pai);
    v->setObjectName(nome);
    v->setPage(new PaginaSilenciosa(v));
    v->setContextMenuPolicy(Qt::NoContextMenu);
    QObject::connect(v, &QWebEngineView::loadFinished, v, [aoCarregar](bool ok) {
        if (aoCarregar)
            aoCarregar(ok);
    });
    return v;
}

void Carrega(QWidget *navegador, const QString &pagina, const QString &caminho)
{
    auto *v = qobject_cast<QWebEngineView *>(navegador);
    if (!v)
        return;
    // setHtml sends the text as UTF-8, as the page's meta tag says
    v->setHtml(pagina, QUrl::fromLocalFile(QDir(caminho).absolutePath() + u'/'));
}

const XrModuloNavegador kModulo{kVersaoModuloNavegador, &Cria, &Carrega};
} // namespace

extern "C" Q_DECL_EXPORT const XrModuloNavegador *xr_navegador()
{
    return &kModulo;
}
