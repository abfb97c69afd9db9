#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// The web view a web-kind tile shows its page in. Kept behind plain QWidget
// pointers so the tile's headers need no web engine.
//
// The view lives in the module "xr_navegador", loaded on first use: linking
// the web engine into the program would cost every start, web tile or not.

// A silent view (script messages are dropped) parented to pai; aoCarregar
// gets the end of every page load. Without the module: a label saying so,
// and every load ends as failed.
QWidget *CriaNavegadorWeb(QWidget *pai, const QString &nome, std::function<void(bool)> aoCarregar);

// Shows the page text; its file references resolve under caminho. Returns at
// once: the end of the load comes through aoCarregar.
void CarregaHTML(QWidget *navegador, const QString &pagina, const QString &caminho);

// As CriaNavegadorWeb, the module looked for in these folders only.
QWidget *CriaNavegadorWeb(QWidget *pai, const QString &nome, std::function<void(bool)> aoCarregar,
                          const QStringList &pastas);

// Where the module is looked for: the executable's folder, then the build's.
QStringList PastasModuloNavegador();

extern const char *const kSemNavegadorWeb;

// What the module hands over, through its one C-linkage entry point
// "xr_navegador" (both sides are built together, so C++ types may cross).
struct XrModuloNavegador {
    int versao;
    QWidget *(*cria)(QWidget *pai, const QString &nome, std::function<void(bool)> aoCarregar);
    void (*carrega)(QWidget *navegador, const QString &pagina, const QString &caminho);
};
inline constexpr int kVersaoModuloNavegador = 1;
using XrFabricaNavegador = const XrModuloNavegador *(*)();
