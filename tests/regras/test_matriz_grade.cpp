#include "windows/pedido/regras/MatrizGrade.h"

#include "platform/DataSet.h"
#include "windows/pedido/regras/RegrasPedido.h"

#include <gtest/gtest.h>

namespace {

struct Linha {
    QString codigo, dsCor, tam;
    double qtde;
};

void enche(DataSet &ds, const std::vector<Linha> &linhas)
{
    ds.setFieldDefs(CamposItensPedido());
    ds.open();
    for (const Linha &l : linhas) {
        ds.append();
        ds.fieldByName("Codigo")->setAsString(l.codigo);
        ds.fieldByName("DsCor")->setAsString(l.dsCor);
        ds.fieldByName("Tam")->setAsString(l.tam);
        ds.fieldByName("Qtde")->setAsFloat(l.qtde);
        ds.post();
    }
}

double celula(const MatrizGrade &m, const QString &cor, const QString &tam)
{
    const auto i = m.cores.indexOf(cor), j = m.tamanhos.indexOf(tam);
    EXPECT_GE(i, 0) << cor.toStdString();
    EXPECT_GE(j, 0) << tam.toStdString();
    return i < 0 || j < 0 ? -1 : m.qtde[std::size_t(i)][std::size_t(j)];
}

} // namespace

TEST(MatrizGrade, CellsRowsColumnsAndTotalsOfTheWholeOrder)
{
    DataSet ds;
    enche(ds, {
                  {"P100", "Azul", "GG", 3},
                  {"P200", "Azul", "GG", 2},   // another product, same cell
                  {"P100", "AZUL", "M", 4},    // same colour written otherwise
                  {"P300", "azul", "m", 1.5},  // and a size in small letters
                  {"P100", "Vermelho", "P", 1},
                  {"P200", "Branco", "G", 2.25}, // a size only this colour has
              });
    ds.setRecNo(3);
    const MatrizGrade m = MontaMatrizGrade(ds);
    EXPECT_EQ(ds.recNo(), 3) << "the order's cursor moved";

    EXPECT_EQ(m.cores, (QStringList{"Azul", "Branco", "Vermelho"}));
    EXPECT_EQ(m.tamanhos, (QStringList{"P", "M", "G", "GG"}));
    EXPECT_DOUBLE_EQ(celula(m, "Azul", "GG"), 5);
    EXPECT_DOUBLE_EQ(celula(m, "Azul", "M"), 5.5);
    EXPECT_DOUBLE_EQ(celula(m, "Azul", "G"), 0);
    EXPECT_DOUBLE_EQ(celula(m, "Branco", "G"), 2.25);
    EXPECT_DOUBLE_EQ(celula(m, "Vermelho", "P"), 1);
    EXPECT_EQ(m.aQtdCor, (std::vector<double>{10.5, 2.25, 1}));
    EXPECT_EQ(m.aQtdTam, (std::vector<double>{1, 5.5, 2.25, 5}));
    EXPECT_DOUBLE_EQ(m.total, 13.75);
}

TEST(MatrizGrade, SizesInGarmentOrderAndNoLines)
{
    DataSet ds;
    enche(ds, {{"A", "X", "GG", 1}, {"A", "X", "G", 1}, {"A", "X", "P", 1}, {"A", "X", "M", 1}, {"A", "X", "10", 1},
               {"A", "X", "2", 1}});
    EXPECT_EQ(MontaMatrizGrade(ds).tamanhos, (QStringList{"2", "10", "P", "M", "G", "GG"}));

    DataSet vazio;
    enche(vazio, {});
    const MatrizGrade m = MontaMatrizGrade(vazio);
    EXPECT_TRUE(m.cores.isEmpty());
    EXPECT_TRUE(m.tamanhos.isEmpty());
    EXPECT_EQ(m.total, 0);
}

TEST(MatrizGrade, QuantityFormat)
{
    const std::pair<double, const char *> casos[] = {
        {2.5, "2,5"}, {0, "0"}, {3, "3"}, {1.25, "1,25"}, {0.125, "0,125"}, {1.0004, "1"}, {1500, "1500"},
    };
    for (const auto &[valor, texto] : casos)
        EXPECT_EQ(FormataQtdeGrade(valor), QString::fromLatin1(texto)) << valor;
}
