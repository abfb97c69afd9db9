// Date typing help: one table per variant of what a key does to text and caret.
#include "platform/TeclasData.h"

#include <gtest/gtest.h>

using namespace teclas_data;

namespace {

const QDate kHoje(2024, 5, 15);

struct Caso {
    const char *texto;
    int cursor;
    int selecao;
    char16_t tecla;
    const char *depois;
    int cursorDepois;
};

void confere(const Caso &c, Variante v)
{
    const Estado e = TrataTeclaData({QString::fromUtf8(c.texto), c.cursor, c.selecao}, QChar(c.tecla), kHoje, v);
    EXPECT_EQ(e.texto, QString::fromUtf8(c.depois)) << c.texto << " caret " << c.cursor << " key " << int(c.tecla);
    EXPECT_EQ(e.cursor, c.cursorDepois) << c.texto << " caret " << c.cursor << " key " << int(c.tecla);
}

} // namespace

TEST(TeclasData, KeysShared)
{
    const Caso casos[] = {
        {"01/02/2024", 2, 0, u'5', "01/52/2024", 4},  // the slash stays, 5 goes over the next one
        {"01/02/2024", 5, 0, u' ', "01/02/ 024", 7},
        {"01/02/2024", 0, 0, u'1', "11/02/2024", 1},
        {"11/02/2024", 1, 0, u'\b', " 1/02/2024", 0}, // Backspace blanks, nothing shifts
        {"01/02/2024", 3, 0, u'\b', "01/02/2024", 2}, // the slash before the caret stays
        {"01/02/2024", 0, 0, u'\b', " 1/02/2024", 0},
        {"01/02/2024", 4, 0, u'/', "01/02/2024", 4},  // a slash off its place is swallowed
        {"01 02/2024", 2, 0, u'/', "01/02/2024", 3},
        {"01/02/2024", 1, 0, u'a', "01/02/2024", 1},  // letters swallowed
        {"01/02/2024", 0, 10, u'3', "3", 1},          // all selected: typed as usual
        {"01/02/2024", 0, 10, u'\b', "", 0},
        {"", 0, 0, u'0', "0", 1},
        {"01/02/2024", 10, 0, u'9', "01/02/2024", 10}, // full: nothing past the year
    };
    for (const auto &c : casos) {
        confere(c, Variante::Filtro);
        confere(c, Variante::Edicao);
    }
    // Eight digits typed into an empty text fill the slashes in.
    for (Variante v : {Variante::Filtro, Variante::Edicao}) {
        Estado e;
        for (char d : std::string("01022023"))
            e = TrataTeclaData(e, QChar(d), kHoje, v);
        EXPECT_EQ(e.texto, "01/02/2023");
        EXPECT_EQ(e.cursor, 10);
    }
}

TEST(TeclasData, KeysThatDifferByVariant)
{
    const Caso filtro[] = {
        {"01/02/2024", 3, 0, u'.', "01/ 2/2024", 3},
        {"31/12/2023", 3, 0, u't', "15/05/2024", 10},
        {"  /  /    ", 0, 0, u'T', "15/05/2024", 10},
    };
    for (const auto &c : filtro)
        confere(c, Variante::Filtro);
    const Caso edicao[] = {
        {"01/02/2024", 3, 0, u'.', "01/ 2/2024", 4},
        {"01/02/2024", 2, 0, u'.', "01/ 2/2024", 4}, // the slash stays
        {"31/12/2023", 3, 0, u't', "31/12/2023", 10},
        {"  /  /    ", 0, 0, u'T', "15/05/2024", 10},
    };
    for (const auto &c : edicao)
        confere(c, Variante::Edicao);
}
