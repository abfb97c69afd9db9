#include "data/UntFuncoes.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

TEST(Funcoes, GeraMD5HashesSevenBitAsciiInUpperHex)
{
    struct Caso {
        QString texto;
        const char* md5;
    };
    const Caso casos[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {QString::fromUtf8("ação"), "B4A84869C331443BCBBB49FF63DCA3AA"}, // as "a??o"
        {QString::fromUtf8("a😀"), "DD59FECEDD4C2BF8682C6CC05F051F53"},   // as "a??"
    };
    for (const Caso& c : casos)
        EXPECT_EQ(GeraMD5(c.texto), QLatin1String(c.md5)) << c.texto.toStdString();
}

TEST(Funcoes, QuotingDoublesEmbeddedQuotes)
{
    EXPECT_EQ(QuotedStr(""), "''");
    EXPECT_EQ(QuotedStr("D'Ávila"), QString::fromUtf8("'D''Ávila'"));
    EXPECT_EQ(Aspas("O'Neil's"), "'O''Neil''s'");
}

TEST(Funcoes, FloatParaSQLIgnoresTheLocale)
{
    const QLocale antes;
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    struct Caso {
        double valor;
        const char* texto;
    };
    const Caso casos[] = {
        {1.5, "1.5"},
        {0.1 + 0.2, "0.3"},
        {100, "100"},
        {-2.25, "-2.25"},
        {1234567.891, "1234567.891"},
        {0, "0"},
        {0.0001, "0.0001"},
        {0.0000015, "1.5E-6"},
        {1e20, "1E20"},
        {123456789012345678.0, "1.23456789012346E17"},
        {999999999999999.0, "999999999999999"},
        {1.0 / 3, "0.333333333333333"},
    };
    for (const Caso& c : casos)
        EXPECT_EQ(FloatParaSQL(c.valor), QLatin1String(c.texto)) << c.valor;
    QLocale::setDefault(antes);
}

TEST(Funcoes, SomenteNumerosKeepsDigitsAndIsento)
{
    EXPECT_EQ(SomenteNumeros("12.345.678/0001-95"), "12345678000195");
    EXPECT_EQ(SomenteNumeros("ISENTO"), "ISENTO");
    EXPECT_EQ(SomenteNumeros("Isento x"), "I");
    // Texts longer than 255 characters are read to the end.
    EXPECT_EQ(SomenteNumeros(QString(300, QLatin1Char('a')) + "12"), "12");
}

TEST(Funcoes, TaxNumberCheckDigits)
{
    struct Caso {
        const char* texto;
        bool cnpj;
        bool valido;
    };
    const Caso casos[] = {
        {"11.222.333/0001-81", true, true},
        {"12345678000195", true, true},
        {"11.222.333/0001-82", true, false},
        {"11.222.333/0001-18", true, false},
        {"00000000000000", true, false},
        {"00.000.000/0000-00", true, false},
        {"ISENTO", true, false},
        {"", true, false},
        {"  .   .   /    -", true, false},
        {"1122233300018", true, false},
        {"529.982.247-25", false, true},
        {"12345678909", false, true},
        {"529.982.247-24", false, false},
        {"000.000.000-00", false, false},
        {"   .   .   -  ", false, false},
        {"5299822472", false, false},
        {"", false, false},
    };
    for (const Caso& c : casos) {
        const bool r = c.cnpj ? ValidaCNPJ(c.texto) : ValidaCPF(c.texto);
        EXPECT_EQ(r, c.valido) << c.texto;
    }
}

TEST(Funcoes, ValidaEmail)
{
    struct Caso {
        QString texto;
        bool valido;
    };
    const Caso casos[] = {
        {"", true},
        {"a@b.com", true},
        {"nome.sobrenome@loja-x.com.br", true},
        {"\"a\\\"b\"@x.com", true},
        {QString::fromUtf8("joão@x.com"), true},
        {"a@b", false},
        {"a@1b.com", false},
        {"a..b@x.com", false},
        {"a@b..com", false},
        {"a@b.c-", false},
        {"a@b.com ", false},
        {"@b.com", false},
        {QString::fromUtf8("中@x.com"), false},
        {"\"a\rb\"@x.com", false},
    };
    for (const Caso& c : casos)
        EXPECT_EQ(ValidaEmail(c.texto), c.valido) << c.texto.toStdString();
}

TEST(Funcoes, OrdenaTamanhos)
{
    struct Caso {
        QStringList entrada;
        QStringList saida;
    };
    const Caso casos[] = {
        {{"G", "10", "P", "2", "BM", "K2", "M", "GG", "PP", "U"},
         {"BM", "K2", "2", "10", "PP", "P", "M", "G", "GG", "U"}},
        {{"K10", "k2", "M", "1", "BG", "BP"}, {"BP", "BG", "K2", "K10", "1", "M"}},
        {{"42", "38", "4", "1"}, {"4", "1", "42", "38"}},
        {{"gg", "p", "XG"}, {"P", "GG", "XG"}},
        {{}, {}},
    };
    for (const Caso& c : casos) {
        QStringList l = c.entrada;
        OrdenaTamanhos(l);
        EXPECT_EQ(l, c.saida) << c.entrada.join(',').toStdString();
    }
}

TEST(Funcoes, ZerosEsquerda)
{
    EXPECT_EQ(ZerosEsquerda(1, 5), "00001");
    EXPECT_EQ(ZerosEsquerda(100, 5), "00100");
    EXPECT_EQ(ZerosEsquerda(123456, 5), "123456");
    EXPECT_EQ(ZerosEsquerda(-5, 3), "0-5");
}

TEST(Funcoes, TextBuildersAppend)
{
    QString r = "x";
    ListaParaTexto({}, r);
    EXPECT_EQ(r, "x");
    ListaParaTexto({"A", "B"}, r);
    EXPECT_EQ(r, "xA B ");

    QString ins;
    MontaInsert("PEDIDO", {"PED_NUME", "PED_CCLI", "PED_DTEM"}, ins);
    EXPECT_EQ(ins, "Insert into PEDIDO ( PED_NUME, PED_CCLI, PED_DTEM ) values ( :PED_NUME, "
                   ":PED_CCLI, :PED_DTEM) ");
}

TEST(Funcoes, MontaFiltroLikePairsFieldsAndValues)
{
    EXPECT_EQ(MontaFiltroLike("CLI_CODI;CLI_NOME", "'00001';'A%'"),
              " 1=1  and CLI_CODI like '00001' and CLI_NOME like 'A%'");
    EXPECT_THROW(MontaFiltroLike("A;B", "'1'"), std::invalid_argument);
}
