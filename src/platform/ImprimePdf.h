#pragma once

#include <QString>

#include <functional>

// Hands a finished PDF to the printing system: the print command "lp" when
// the machine has one, else the desktop's viewer, from which the user prints.
// Every printing path of the program goes through here, so tests install a
// recorder instead of printing.
namespace impressao {

struct Resultado
{
    bool ok = false;
    QString mensagem;  // why it failed, with the PDF's path; empty on success
};

using Impressora = std::function<Resultado(const QString& arquivoPdf)>;

// Installs how a PDF is printed and returns the previous way (empty = the default).
Impressora InstalaImpressora(Impressora impressora);

Resultado ImprimePdf(const QString& arquivoPdf);

// The default way, usable on its own: "lp" found in PATH, else "xdg-open".
// The wait for "lp" is bounded; a print command that fails is reported with
// its own message.
Resultado ImprimeComSistema(const QString& arquivoPdf, int esperaMs = 60000);

}  // namespace impressao
