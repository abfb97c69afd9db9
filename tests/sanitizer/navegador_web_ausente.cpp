// The sanitizer build leaves the web engine out: the web kinds get no view
// here and draw nothing. Their pages are tested in the GUI tests.
#include "components/NavegadorWeb.h"

QWidget *CriaNavegadorWeb(QWidget *, const QString &, std::function<void(bool)>) { return nullptr; }

void CarregaHTML(QWidget *, const QString &, const QString &) {}
