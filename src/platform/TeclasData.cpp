#include "platform/TeclasData.h"

#include "platform/Formats.h"

#include <algorithm>

namespace teclas_data {

namespace {

constexpr int kTamanho = 10; // dd/mm/yyyy

bool aceita(QChar c)
{
    return c == u'\b' || c == u' ' || c == u'.' || c == u'/' || (c >= u'0' && c <= u'9') || c == u'T' ||
           c == u't';
}

bool naBarra(int cursor)
{
    return cursor == 2 || cursor == 5;
}

// Types c over the character at the caret (or after the last one) and moves on.
void sobrescreve(Estado &e, QChar c)
{
    if (e.cursor < e.texto.size()) {
        e.texto[e.cursor] = c;
    } else if (e.texto.size() < kTamanho) {
        e.texto += c;
        e.cursor = int(e.texto.size()) - 1;
    } else {
        return;
    }
    ++e.cursor;
}

} // namespace

Estado TrataTeclaData(const Estado &atual, QChar tecla, const QDate &hoje, Variante variante)
{
    if (!aceita(tecla))
        return atual;
    if (tecla == u'/' && !naBarra(atual.cursor))
        return atual;
    Estado e{atual.texto, std::clamp(atual.cursor, 0, int(atual.texto.size())), 0};
    if (tecla == u'T' || tecla == u't') {
        QDate data = hoje;
        QDate digitada;
        if (variante == Variante::Edicao && fmt::tryStrToDate(atual.texto.trimmed(), digitada))
            data = digitada;
        e.texto = fmt::formatDate(data);
        e.cursor = int(e.texto.size());
        return e;
    }
    // The whole text selected (an empty one too): the key is typed as usual.
    if ((atual.selecao > 0 && atual.selecao >= atual.texto.size()) || atual.texto.isEmpty()) {
        e.texto.clear();
        e.cursor = 0;
        if (tecla != u'\b') {
            e.texto = QString(tecla);
            e.cursor = 1;
        }
        return e;
    }
    if (tecla == u'\b') {
        e.cursor = std::max(0, e.cursor - 1);
        if (!naBarra(e.cursor) && e.cursor < e.texto.size())
            e.texto[e.cursor] = u' ';
        return e;
    }
    if (tecla == u'.') {
        // The edit types a blank through this same filter, so at a slash
        // position the slash is kept and the blank lands after it.
        if (variante == Variante::Edicao)
            return TrataTeclaData(e, u' ', hoje, variante);
        const int antes = e.cursor;
        sobrescreve(e, u' ');
        if (variante == Variante::Filtro)
            e.cursor = antes;
        return e;
    }
    if (naBarra(e.cursor) && tecla != u'/') {
        sobrescreve(e, u'/');
        return TrataTeclaData(e, tecla, hoje, variante);
    }
    sobrescreve(e, tecla);
    return e;
}

} // namespace teclas_data
