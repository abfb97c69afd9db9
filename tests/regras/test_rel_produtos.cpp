#include "windows/pedido/regras/RegrasPedido.h"
#include "windows/pedido/regras/RelProdutos.h"

#include <gtest/gtest.h>

#include <QHash>

using namespace impressao_pedido;

namespace {

struct Linha {
    const char *codigo, *cor, *tam;
    double qtde, preco;
};

void itensDe(DataSet &d, std::initializer_list<Linha> linhas)
{
    d.setFieldDefs(CamposItensPedido());
    d.open();
    for (const Linha &l : linhas) {
        d.append();
        d.fieldByName("Codigo")->setValue(QString(l.codigo));
        d.fieldByName("Descricao")->setValue(QString("Produto ").append(l.codigo));
        d.fieldByName("Cor")->setValue(QString(l.cor));
        d.fieldByName("DsCor")->setValue(QString("Cor ").append(l.cor));
        d.fieldByName("Tam")->setValue(QString(l.tam));
        d.fieldByName("Qtde")->setValue(l.qtde);
        d.fieldByName("Preco")->setValue(l.preco);
        d.fieldByName("Valor")->setValue(l.qtde * l.preco);
        d.post();
    }
}

// Sizes of each product as PA_ITEN would list them, in garment order.
TamanhosProduto tamanhos(QHash<QString, QStringList> porProduto)
{
    return [porProduto](const QString &codigo) { return porProduto.value(codigo); };
}

struct RowRel {
    QString codigo, cor, dsTamanho, dsQuantidade;
    double quantidade, preco, valor;
};

std::vector<RowRel> linhasDe(DataSet &rel)
{
    std::vector<RowRel> v;
    for (rel.first(); !rel.eof(); rel.next())
        v.push_back({rel.fieldByName("Codigo")->asString(), rel.fieldByName("CdCor")->asString(),
                     rel.fieldByName("DsTamanho")->asString(), rel.fieldByName("DsQuantidade")->asString(),
                     rel.fieldByName("Quantidade")->asFloat(), rel.fieldByName("Preco")->asFloat(),
                     rel.fieldByName("Valor")->asFloat()});
    return v;
}

} // namespace

TEST(RelProdutos, SizesAndQuantitiesSitInFiveCharacterSlots)
{
    // sizes P, M, G; 10 of P and 5 of G; M unused shows 0
    DataSet itens;
    itensDe(itens, {{"P1", "AZ", "G", 5, 10}, {"P1", "AZ", "P", 10, 10}});
    DataSet rel;
    MontaRelProdutos(itens, tamanhos({{"P1", {"P", "M", "G"}}}), rel);
    const auto v = linhasDe(rel);
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].dsTamanho.left(15), "P    M    G    ");
    EXPECT_EQ(v[0].dsQuantidade.left(15), "10   0    5    ");
    EXPECT_TRUE(v[0].dsQuantidade.mid(15).trimmed().isEmpty());
    EXPECT_EQ(v[0].quantidade, 15);
    EXPECT_DOUBLE_EQ(v[0].valor, 150);
    EXPECT_DOUBLE_EQ(v[0].preco, 10);
}

TEST(RelProdutos, RowsPerCodeColourAndPriceSizesOnlyOnTheFirst)
{
    // entered out of order; a fraction and a size cut to four characters
    DataSet itens;
    itensDe(itens, {{"P2", "VD", "U", 1, 3},
                             {"P1", "VD", "M", 2.5, 12},
                             {"P1", "AZ", "M", 3, 12},
                             {"P1", "AZ", "M", 1, 10},
                             {"P1", "AZ", "EXGG", 2, 10}});
    DataSet rel;
    MontaRelProdutos(itens, tamanhos({{"P1", {"M", "EXGGG"}}, {"P2", {"U"}}}), rel);
    const auto v = linhasDe(rel);
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(v[0].codigo + v[0].cor, "P1AZ");
    EXPECT_DOUBLE_EQ(v[0].preco, 10);
    EXPECT_EQ(v[0].dsTamanho.left(10), "M    EXGG ");
    EXPECT_EQ(v[0].dsQuantidade.left(10), "1    2    ");
    EXPECT_EQ(v[0].quantidade, 3);
    EXPECT_EQ(v[1].codigo + v[1].cor, "P1AZ");
    EXPECT_DOUBLE_EQ(v[1].preco, 12);
    EXPECT_TRUE(v[1].dsTamanho.isEmpty()); // the same product: sizes once
    EXPECT_EQ(v[1].dsQuantidade.left(10), "3    0    ");
    EXPECT_DOUBLE_EQ(v[1].valor, 36);
    EXPECT_EQ(v[2].codigo + v[2].cor, "P1VD");
    EXPECT_TRUE(v[2].dsTamanho.isEmpty());
    EXPECT_EQ(v[2].dsQuantidade.left(10), "2,5  0    ");
    EXPECT_EQ(v[3].codigo, "P2");
    EXPECT_EQ(v[3].dsTamanho.left(5), "U    ");
}

TEST(RelProdutos, AnOrderWithoutLinesGivesNoRows)
{
    DataSet vazio;
    itensDe(vazio, {});
    DataSet rel;
    MontaRelProdutos(vazio, tamanhos({}), rel);
    EXPECT_TRUE(rel.active());
    EXPECT_EQ(rel.recordCount(), 0);
}

TEST(RelProdutos, DiscountIsRoundedLikeTheOrderWindow)
{
    struct {
        double soma, pdesc, desconto;
    } const casos[] = {{125, 9.5, 11.88}, {10.10, 5, 0.51}, {100, 0, 0}, {0, 10, 0}};
    for (const auto &c : casos)
        EXPECT_DOUBLE_EQ(DescontoImpresso(c.soma, c.pdesc), c.desconto) << c.soma << " " << c.pdesc;
}
