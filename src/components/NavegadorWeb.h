#pragma once

#include <QString>

#include <functional>

class QWidget;

// The web view a web-kind tile shows its page in. Kept behind plain QWidget
// pointers so the tile's headers need no web engine.

// A silent view (script messages are dropped) parented to pai; aoCarregar
// gets the end of every page load.
QWidget *CriaNavegadorWeb(QWidget *pai, const QString &nome, std::function<void(bool)> aoCarregar);

// Shows the page text; its file references resolve under caminho. Returns at
// once: the end of the load comes through aoCarregar.
void CarregaHTML(QWidget *navegador, const QString &pagina, const QString &caminho);
