#pragma once

#include <QHash>
#include <QString>

#include <array>
#include <functional>
#include <vector>

class DataSet;
class TDMRepres;
struct FieldDef;

// Money rules of an order: prices of the lines, order discounts and totals.
// No widgets here; the order window maps its controls onto these values.

extern const QString TituloPedido; // caption and message title of the order window

// The line fields of the order item table, in order.
std::vector<FieldDef> CamposItensPedido();

// Appends the saved lines of an order (its item query) to itens, with the
// discount each line's prices imply.
void CopiaItensPedido(DataSet &query, DataSet &itens);

// Price factor of a payment condition; pnTaxa is a monthly percentage.
double CalculaTaxa(int pnParcelas, int pnDiasInter, int pnPrzInicial, double pnTaxa);

// Unified percentage of percentages joined by "+" ("010+05" -> 14.5).
// Throws std::invalid_argument when a part is not a number.
double DescontoUnificado(const QString &sDescontos);

// Table prices of a product size for a total quantity (the database's look-ups).
struct FontePrecos {
    std::function<double(const QString &codigo, const QString &tabela, const QString &tam, double qtde)> preco;
    std::function<double(const QString &codigo, const QString &tabela, const QString &tam, double qtde,
                         double preco)>
        precoOri;
};
FontePrecos FontePrecosDe(TDMRepres &dm);

// Discount of a line from its prices: 0 when at most 0.01, else rounded.
double DescontoDosPrecos(double preco, double precoOrig);
// Rounded discount amount of a line.
double DescontoValorLinha(double qtde, double preco, double precoOrig);
// Net price from the undiscounted price and a discount.
double PrecoDoDesconto(double precoOrig, double desconto);
// Price of a line for the total quantity of its product, times the factor.
double PrecoLinha(const FontePrecos &f, const QString &codigo, const QString &tabela, const QString &tam,
                  double totalProduto, double nTaxa);
// Undiscounted price of a line, times the factor; the line's price when the
// table has no list price.
double PrecoOrigLinha(const FontePrecos &f, const QString &codigo, const QString &tabela, const QString &tam,
                      double qtde, double preco, double nTaxa);
// Sum of Qtde of every line with this product code.
double TotalProduto(DataSet &itens, const QString &codigo);
// The same for every product code of the lines, in one pass.
QHash<QString, double> TotaisPorProduto(DataSet &itens);

struct TotaisPedido {
    double qtde = 0;
    double bruto = 0;
    double desconto = 0;
    double liquido = 0;
};
// Totals of the lines less the order discount; the cursor of itens is kept.
TotaisPedido GeraTotais(DataSet &itens, double descontoPedido);

// The four typed order discounts and the unified one computed from them.
struct DescontosPedido {
    std::array<QString, 4> campos; // texts of the four fields, pt-BR numbers
    double unificado = 0;

    void zera();
    // "0" + field1 + "+0" + field2 ..., so an empty field reads as 0.
    QString texto() const;
};

struct ResultadoDesconto {
    enum class Foco { Nenhum, Condicao, Campo, Unificado };
    bool aceito = true;         // the unified discount stands; totals are to be recomputed
    Foco foco = Foco::Nenhum;
    int campo = 0;              // 1..4 with Foco::Campo
};

// Recomputes the unified discount after leaving field fCampo ("1".."4", "5"
// for the unified one) and checks it against the condition's limit.
ResultadoDesconto CalculaDesconto(DescontosPedido &d, bool condicaoVazia, double nDescMax, const QString &fCampo);

// The figures of a payment condition that matter for prices.
struct CondicaoPreco {
    int parcelas = 0;
    int diasIntervalo = 0;
    int prazoInicial = 0;
    double taxa = 0;
    double descMax = 0;
};

// State of an order the condition change works on.
struct PrecosPedido {
    double nTaxa = 1;
    double nDescMax = 0;
    bool digPreco = false; // prices may be typed: lines keep theirs
    QString tabela;
};

// Applies a new payment condition: new factor, all lines re-priced or none,
// new limit, and the order discount zeroed when above it. False (nothing
// changed) when a re-priced line's discount exceeds the new limit.
bool AplicaCondicao(PrecosPedido &p, DescontosPedido &d, DataSet &itens, const FontePrecos &f,
                    const CondicaoPreco &c);

// Re-pricing before an order is saved; false (lines unchanged) when a line's
// discount exceeds the limit.
bool RecalculaItensGravacao(const PrecosPedido &p, DataSet &itens, const FontePrecos &f);
