// Loader of the web view module: the web engine is mapped only when a web
// tile first shows a page.
#include "components/NavegadorWeb.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLibrary>
#include <QPointer>
#include <QTimer>
#include <QtDebug>

#ifndef XR_NAVEGADOR_DIR
#define XR_NAVEGADOR_DIR ""
#endif

const char *const kSemNavegadorWeb =
    "Não foi possível carregar o visualizador de páginas web (xr_navegador). Reinstale o programa.";

namespace {

// The engine, loaded after the application started, needs contexts shared
// from the start; setting the flag is all it costs up front.
void CompartilhaContextosGL()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}
Q_CONSTRUCTOR_FUNCTION(CompartilhaContextosGL)

constexpr char kPropModulo[] = "xrModuloNavegador";

const XrModuloNavegador *CarregaModulo(const QStringList &pastas)
{
    QStringList erros;
    for (const QString &pasta : pastas) {
        const QString arquivo = QDir(pasta).filePath(QStringLiteral("xr_navegador.so"));
        if (pasta.isEmpty() || !QFileInfo::exists(arquivo))
            continue;
        // never unloaded: its views and the engine live to the end
        QLibrary lib(arquivo);
        lib.setLoadHints(QLibrary::PreventUnloadHint);
        auto fabrica = reinterpret_cast<XrFabricaNavegador>(lib.resolve("xr_navegador"));
        const XrModuloNavegador *m = fabrica ? fabrica() : nullptr;
        if (m && m->versao == kVersaoModuloNavegador && m->cria && m->carrega)
            return m;
        erros << (fabrica ? arquivo + QStringLiteral(": versão diferente") : lib.errorString());
    }
    qWarning().noquote() << "xr_navegador:" << (erros.isEmpty() ? QStringLiteral("não encontrado em ") + pastas.join(u';')
                                                                 : erros.join(u';'));
    return nullptr;
}

const XrModuloNavegador *ModuloPadrao()
{
    static const XrModuloNavegador *m = CarregaModulo(PastasModuloNavegador());
    return m;
}

// Stands in for the view when the module is missing: says so where the page
// would be, and ends every load as failed.
class SemNavegador : public QLabel {
public:
    SemNavegador(QWidget *pai, std::function<void(bool)> aoCarregar)
        : QLabel(QString::fromUtf8(kSemNavegadorWeb), pai), aoCarregar(std::move(aoCarregar))
    {
        setWordWrap(true);
        setAlignment(Qt::AlignCenter);
    }

    void Falha()
    {
        // as a real load, the end comes later, never inside the caller
        QPointer<SemNavegador> eu(this);
        QTimer::singleShot(0, this, [eu] {
            if (eu && eu->aoCarregar)
                eu->aoCarregar(false);
        });
    }

private:
    std::function<void(bool)> aoCarregar;
};

QWidget *Cria(const XrModuloNavegador *m, QWidget *pai, const QString &nome, std::function<void(bool)> aoCarregar)
{
    QWidget *v = m ? m->cria(pai, nome, std::move(aoCarregar)) : new SemNavegador(pai, std::move(aoCarregar));
    v->setObjectName(nome);
    // the view is driven by the module that made it
    v->setProperty(kPropModulo, QVariant::fromValue(reinterpret_cast<quintptr>(m)));
    return v;
}

} // namespace

QStringList PastasModuloNavegador()
{
    return {QCoreApplication::applicationDirPath(), QString::fromUtf8(XR_NAVEGADOR_DIR)};
}

QWidget *CriaNavegadorWeb(QWidget *pai, const QString &nome, std::function<void(bool)> aoCarregar)
{
    return Cria(ModuloPadrao(), pai, nome, std::move(aoCarregar));
}

QWidget *CriaNavegadorWeb(QWidget *pai, const QString &nome, std::function<void(bool)> aoCarregar,
                          const QStringList &pastas)
{
    return Cria(CarregaModulo(pastas), pai, nome, std::move(aoCarregar));
}

void CarregaHTML(QWidget *navegador, const QString &pagina, const QString &caminho)
{
    if (auto *s = dynamic_cast<SemNavegador *>(navegador)) {
        s->Falha();
        return;
    }
    if (!navegador)
        return;
    if (auto *m = reinterpret_cast<const XrModuloNavegador *>(navegador->property(kPropModulo).value<quintptr>()))
        m->carrega(navegador, pagina, caminho);
}
