#pragma once

#include <QDate>
#include <QString>

// Typing help for a dd/mm/yyyy text: digits overwrite, the slashes at
// positions 2 and 5 fill themselves in, Backspace and Delete blank a
// character instead of shifting the rest, and "t" puts a date in.
namespace teclas_data {

// The two edits that use it differ only in these.
enum class Variante {
    // Delete/"." leaves the caret where it was; "t" is always today.
    Filtro,
    // Delete/"." types a blank (a slash stays in place); "t" keeps a date
    // already typed.
    Edicao,
};

struct Estado {
    QString texto;
    int cursor = 0;  // caret, 0-based; the start of the selection when there is one
    int selecao = 0; // selected characters from the caret
};

// The state after the key. Backspace comes as u'\b' and the Delete key as
// u'.'; a swallowed key gives the same text and caret back.
Estado TrataTeclaData(const Estado &atual, QChar tecla, const QDate &hoje, Variante variante);

} // namespace teclas_data
