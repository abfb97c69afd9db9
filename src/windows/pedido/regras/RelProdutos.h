#pragma once

#include "platform/DataSet.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <vector>

class TDMRepres;

// The printed order: one row per product, colour and price, with the
// product's sizes and the row's quantities laid out in 5-character slots.
namespace impressao_pedido {

// Fields of CDSRelProdutos.
std::vector<FieldDef> CamposRelProdutos();

// Inserts valor at slot k (position 5 x k) of texto, pushing the rest to the
// right; a value longer than five characters runs into the next slot.
void InsereNoSlot(QString &texto, int k, const QString &valor);

// The sizes of a product, each cut to 4 characters, in the given order.
using TamanhosProduto = std::function<QStringList(const QString &codigo)>;

// Fills rel (emptied first) from the order's item lines: rows sorted by code,
// colour and price; sizes only on a product's first row; a size the row does
// not use shows 0. The item cursor is kept.
void MontaRelProdutos(DataSet &itens, const TamanhosProduto &tamanhos, DataSet &rel);

// Sizes of a product from PA_ITEN in garment order (PAIT_POS_TAM).
QStringList TamanhosDoProduto(TDMRepres &dm, const QString &codigo);

// The order's discount on the printout, as the order window computes it.
double DescontoImpresso(double somaValor, double percentual);

// The first row of each of the report's three queries, keys in upper case.
struct DadosImpressao {
    QVariantMap empresa;
    QVariantMap pedido; // empty for an order not yet saved
    QVariantMap representante;
};
DadosImpressao LeDadosImpressao(TDMRepres &dm, const QString &numero, bool fechado);

} // namespace impressao_pedido
