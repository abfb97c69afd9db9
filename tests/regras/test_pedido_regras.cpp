#include "windows/pedido/regras/RegrasPedido.h"

#include "platform/DataSet.h"
#include "platform/DialogService.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

struct Linha {
    QString codigo, tam;
    double qtde, preco, precoOrig, desconto = 0, descontoValor = 0;
};

void enche(DataSet &ds, const std::vector<Linha> &linhas)
{
    ds.setFieldDefs(CamposItensPedido());
    ds.open();
    for (const Linha &l : linhas) {
        ds.append();
        ds.fieldByName("Codigo")->setAsString(l.codigo);
        ds.fieldByName("Tam")->setAsString(l.tam);
        ds.fieldByName("Qtde")->setAsFloat(l.qtde);
        ds.fieldByName("Preco")->setAsFloat(l.preco);
        ds.fieldByName("PrecoOrig")->setAsFloat(l.precoOrig);
        ds.fieldByName("Valor")->setAsFloat(l.qtde * l.preco);
        ds.fieldByName("Desconto")->setAsFloat(l.desconto);
        ds.fieldByName("DescontoValor")->setAsFloat(l.descontoValor);
        ds.post();
    }
}

double valor(DataSet &ds, int recNo, const char *campo)
{
    ds.setRecNo(recNo);
    return ds.fieldByName(campo)->asFloat();
}

// Table prices: "A" costs 10 (list 12), anything else has no price.
struct PrecosFalsos {
    std::vector<double> totaisPedidos;
    FontePrecos fonte()
    {
        FontePrecos f;
        f.preco = [this](const QString &c, const QString &, const QString &, double q) {
            totaisPedidos.push_back(q);
            return c == "A" ? 10.0 : 0.0;
        };
        f.precoOri = [](const QString &c, const QString &, const QString &, double, double p) {
            return c == "A" ? 12.0 : p;
        };
        return f;
    }
};

} // namespace

TEST(RegrasPedido, PriceFactorOfACondition)
{
    struct Caso {
        int parcelas, dias, prazo;
        double taxa, esperado;
    } casos[] = {
        {3, 30, 30, 2, 1.04}, // 60 days average at 2 % a month
        {3, 30, 30, 0, 1.00},
        {1, 0, 30, 3, 1.03},
        {2, 15, 0, 1.5, 1.00}, // 7.5 days: 1.00375
        {4, 30, 0, 3, 1.05},   // 45 days: 1.045 rounds up
    };
    for (const Caso &c : casos)
        EXPECT_DOUBLE_EQ(CalculaTaxa(c.parcelas, c.dias, c.prazo, c.taxa), c.esperado)
            << c.parcelas << "/" << c.dias << "/" << c.prazo << "/" << c.taxa;
}

TEST(RegrasPedido, UnifiedDiscount)
{
    struct Caso {
        QString texto;
        double esperado;
    } casos[] = {
        {"010+05+0+0", 14.50}, {"08+05", 12.60}, {"0+0+0+0", 0},
        {"010,5+0+0+0", 10.50}, {"05 +0", 5.00}, {"033,333+033,333+033,333", 70.37},
    };
    for (const Caso &c : casos)
        EXPECT_DOUBLE_EQ(DescontoUnificado(c.texto), c.esperado) << c.texto.toStdString();
    EXPECT_THROW(DescontoUnificado("0-5+0"), std::invalid_argument);
}

TEST(RegrasPedido, LineDiscountAndPriceFromPrices)
{
    EXPECT_DOUBLE_EQ(DescontoDosPrecos(9, 12), 25);
    EXPECT_DOUBLE_EQ(DescontoDosPrecos(11.999, 12), 0); // 0.008 % counts as none
    EXPECT_DOUBLE_EQ(DescontoDosPrecos(10, 0.004), 0);  // no list price, no discount
    EXPECT_DOUBLE_EQ(DescontoDosPrecos(10, 12), 16.67);
    EXPECT_DOUBLE_EQ(DescontoValorLinha(3, 10, 12), 6);
    EXPECT_DOUBLE_EQ(PrecoDoDesconto(12.48, 10), 11.23);
}

TEST(RegrasPedido, OrderDiscountFields)
{
    using Foco = ResultadoDesconto::Foco;
    const QString antes = "Antes de conceder Desconto do Pedido, deve-se informar a Condição de Pagamento";
    const QString invalido = "Desconto inválido. Informe um valor entre 0 e 99,99.";
    struct Caso {
        std::array<QString, 4> campos;
        bool semCondicao;
        double descMax;
        QString fCampo;
        std::array<QString, 4> camposDepois;
        double unificado;
        bool aceito;
        Foco foco;
        int campo;
        QString mensagem;
    } casos[] = {
        {{"10", "5", "", ""}, false, 0, "2", {"10", "5", "", ""}, 14.50, true, Foco::Nenhum, 0, ""},
        {{"8", "5", "", ""}, false, 12.6, "2", {"8", "5", "", ""}, 12.60, true, Foco::Nenhum, 0, ""},
        {{"10", "", "", ""}, true, 0, "1", {"0", "0", "0", "0"}, 0, false, Foco::Condicao, 0, antes},
        {{"", "", "", ""}, true, 0, "1", {"", "", "", ""}, 0, true, Foco::Nenhum, 0, ""},
        {{"8", "5", "", ""}, false, 10, "2", {"8", "0", "", ""}, 8.00, false, Foco::Campo, 2,
         "Desconto do Pedido acima do permitido (máx: 10,00%)"},
        {{"8", "5", "", ""}, false, 10, "5", {"8", "5", "", ""}, 12.60, false, Foco::Unificado, 0,
         "Desconto do Pedido acima do permitido (máx: 10,00%)"},
        {{"5", "-5", "", ""}, false, 0, "2", {"5", "0", "", ""}, 5.00, false, Foco::Campo, 2, invalido},
        {{"100", "", "", ""}, false, 0, "1", {"0", "", "", ""}, 0, false, Foco::Campo, 1, invalido},
        {{"", "", "x", ""}, false, 0, "3", {"", "", "0", ""}, 0, false, Foco::Campo, 3, invalido},
    };
    for (const Caso &c : casos) {
        SCOPED_TRACE(QString(c.campos[0] + "|" + c.campos[1] + "|" + c.campos[2] + " max " + QString::number(c.descMax))
                         .toStdString());
        ScopedDialogRecorder rec;
        DescontosPedido d;
        d.campos = c.campos;
        const ResultadoDesconto r = CalculaDesconto(d, c.semCondicao, c.descMax, c.fCampo);
        EXPECT_EQ(d.campos, c.camposDepois);
        EXPECT_DOUBLE_EQ(d.unificado, c.unificado);
        EXPECT_EQ(r.aceito, c.aceito);
        EXPECT_EQ(r.foco, c.foco);
        EXPECT_EQ(r.campo, c.campo);
        const auto entradas = rec->entries();
        if (c.mensagem.isEmpty()) {
            EXPECT_TRUE(entradas.empty());
        } else {
            ASSERT_EQ(entradas.size(), 1u);
            EXPECT_EQ(entradas[0].text, c.mensagem);
            EXPECT_EQ(entradas[0].title, "Cadastro de Pedidos");
            EXPECT_EQ(entradas[0].icon, MsgIcon::Information);
        }
    }
}

TEST(RegrasPedido, Totals)
{
    struct Caso {
        std::vector<Linha> linhas;
        double descPedido;
        TotaisPedido esperado;
    } casos[] = {
        {{{"A", "P", 3, 10, 12, 16.67, 6}}, 10, {3, 36, 9, 27}},
        {{}, 10, {0, 0, 0, 0}},
        // line values are rounded one by one, the order discount once
        {{{"A", "P", 1, 10.005, 10.005}, {"B", "M", 2, 1.0025, 1.5, 0, 0.99}}, 0, {3, 13.005, 0.99, 12.02}},
        {{{"A", "P", 1, 10.01, 10.01}, {"B", "M", 2, 1.0025, 1.5, 0, 0.99}}, 5, {3, 13.01, 1.59, 11.42}},
    };
    for (const Caso &c : casos) {
        DataSet itens;
        enche(itens, c.linhas);
        if (itens.recordCount() > 1)
            itens.setRecNo(2);
        const int pos = itens.recNo();
        const TotaisPedido t = GeraTotais(itens, c.descPedido);
        EXPECT_DOUBLE_EQ(t.qtde, c.esperado.qtde);
        EXPECT_NEAR(t.bruto, c.esperado.bruto, 1e-9);
        EXPECT_NEAR(t.desconto, c.esperado.desconto, 1e-9);
        EXPECT_NEAR(t.liquido, c.esperado.liquido, 1e-9);
        EXPECT_EQ(itens.recNo(), pos);
    }
}

TEST(RegrasPedido, ConditionChangeRepricesEveryLine)
{
    ScopedDialogRecorder rec;
    PrecosFalsos precos;
    DataSet itens;
    enche(itens, {{"A", "P", 2, 10, 10}, {"A", "M", 1, 10, 10}, {"B", "P", 4, 7, 7}});
    PrecosPedido p;
    p.tabela = "T1";
    DescontosPedido d;

    ASSERT_TRUE(AplicaCondicao(p, d, itens, precos.fonte(), {3, 30, 30, 2, 15}));
    EXPECT_DOUBLE_EQ(p.nTaxa, 1.04);
    EXPECT_DOUBLE_EQ(p.nDescMax, 15);
    // both "A" lines priced for the product's total of 3
    EXPECT_EQ(precos.totaisPedidos, (std::vector<double>{3, 3, 4}));
    for (int rec = 1; rec <= 2; ++rec) {
        EXPECT_DOUBLE_EQ(valor(itens, rec, "Preco"), 10.40);
        EXPECT_DOUBLE_EQ(valor(itens, rec, "PrecoOrig"), 12.48);
    }
    EXPECT_DOUBLE_EQ(valor(itens, 1, "Valor"), 20.80);
    EXPECT_DOUBLE_EQ(valor(itens, 3, "Preco"), 7); // no table price: kept
    EXPECT_DOUBLE_EQ(valor(itens, 3, "Valor"), 28);
    EXPECT_TRUE(rec->entries().empty());

    precos.totaisPedidos.clear();
    ASSERT_TRUE(AplicaCondicao(p, d, itens, precos.fonte(), {3, 30, 30, 2, 0})); // same factor
    EXPECT_TRUE(precos.totaisPedidos.empty());
    EXPECT_DOUBLE_EQ(p.nDescMax, 0);
}

TEST(RegrasPedido, ConditionChangeWithTypedPricesKeepsPrices)
{
    ScopedDialogRecorder rec;
    PrecosFalsos precos;
    DataSet itens;
    enche(itens, {{"A", "P", 2, 9, 9}});
    PrecosPedido p;
    p.digPreco = true;
    DescontosPedido d;
    ASSERT_TRUE(AplicaCondicao(p, d, itens, precos.fonte(), {1, 0, 30, 3, 0}));
    EXPECT_DOUBLE_EQ(p.nTaxa, 1.03);
    EXPECT_DOUBLE_EQ(valor(itens, 1, "Preco"), 9);
    EXPECT_TRUE(precos.totaisPedidos.empty());
}

TEST(RegrasPedido, ConditionChangeRefusedLeavesEveryLineAsItWas)
{
    ScopedDialogRecorder rec;
    PrecosFalsos precos;
    DataSet itens;
    // the first line re-prices fine, the second keeps a 25 % discount
    enche(itens, {{"A", "P", 1, 10, 12, 16.67, 2}, {"B", "P", 1, 9, 12, 25, 3}});
    itens.setRecNo(1);
    itens.edit();
    itens.fieldByName("Qtde")->setAsFloat(2); // a pending edit is kept, not lost
    PrecosPedido p;
    DescontosPedido d;

    EXPECT_FALSE(AplicaCondicao(p, d, itens, precos.fonte(), {3, 30, 30, 2, 20}));
    EXPECT_EQ(rec->texts(), QStringList{"Desconto do Pedido acima do permitido (máx: 20,00%)"});
    EXPECT_DOUBLE_EQ(p.nTaxa, 1);
    EXPECT_DOUBLE_EQ(p.nDescMax, 0);
    EXPECT_EQ(itens.state(), DataSet::State::Browse);
    EXPECT_DOUBLE_EQ(valor(itens, 1, "Qtde"), 2);
    EXPECT_DOUBLE_EQ(valor(itens, 1, "Preco"), 10);
    EXPECT_DOUBLE_EQ(valor(itens, 1, "PrecoOrig"), 12);
    EXPECT_DOUBLE_EQ(valor(itens, 2, "Desconto"), 25);
}

TEST(RegrasPedido, ConditionLimitBelowOrderDiscountZeroesIt)
{
    ScopedDialogRecorder rec;
    PrecosFalsos precos;
    DataSet itens;
    enche(itens, {});
    PrecosPedido p;
    DescontosPedido d;
    d.campos = {"10", "5", "", ""};
    d.unificado = 14.5;
    ASSERT_TRUE(AplicaCondicao(p, d, itens, precos.fonte(), {1, 0, 0, 0, 10}));
    EXPECT_EQ(rec->texts(), QStringList{"Desconto do Pedido maior que Desconto máximo da Condição (máx: 10,00%)\r"
                                        "Desconto do Pedido será zerado"});
    EXPECT_EQ(d.campos, (std::array<QString, 4>{"0", "0", "0", "0"}));
    EXPECT_DOUBLE_EQ(d.unificado, 0);
}

TEST(RegrasPedido, RepricingBeforeSaving)
{
    struct Caso {
        bool digPreco;
        double descMax;
        Linha linha;
        bool ok;
        double preco, precoOrig, desconto, descontoValor, valor;
    } casos[] = {
        // table price with the line's discount applied to the kept list price;
        // the value follows the new price
        {false, 0, {"A", "P", 2, 8, 12, 10, 8}, true, 10.80, 12, 10, 2.40, 21.60},
        {false, 0, {"A", "P", 2, 8, 12, 0, 0}, true, 10, 12, 0, 0, 20},
        // no table price: the price becomes the list price
        {false, 0, {"B", "P", 1, 7, 0, 0, 0}, true, 7, 7, 0, 0, 7},
        {false, 5, {"A", "P", 1, 8, 12, 10, 1.2}, false, 8, 12, 10, 1.2, 8},
        // typed prices: the discount follows the prices
        {true, 0, {"A", "P", 2, 9, 12, 0, 0}, true, 9, 12, 25, 6, 18},
        {true, 20, {"A", "P", 2, 9, 12, 0, 0}, false, 9, 12, 0, 0, 18},
        {true, 20, {"A", "P", 2, 9, 0, 30, 0}, true, 9, 0, 30, 0, 18},
    };
    for (const Caso &c : casos) {
        SCOPED_TRACE(c.linha.codigo.toStdString() + " dig " + std::to_string(c.digPreco));
        ScopedDialogRecorder rec;
        PrecosFalsos precos;
        DataSet itens;
        enche(itens, {c.linha});
        PrecosPedido p;
        p.digPreco = c.digPreco;
        p.nDescMax = c.descMax;
        EXPECT_EQ(RecalculaItensGravacao(p, itens, precos.fonte()), c.ok);
        EXPECT_EQ(rec->entries().size(), c.ok ? 0u : 1u);
        EXPECT_EQ(itens.state(), DataSet::State::Browse);
        EXPECT_DOUBLE_EQ(valor(itens, 1, "Preco"), c.preco);
        EXPECT_DOUBLE_EQ(valor(itens, 1, "PrecoOrig"), c.precoOrig);
        EXPECT_DOUBLE_EQ(valor(itens, 1, "Desconto"), c.desconto);
        EXPECT_DOUBLE_EQ(valor(itens, 1, "DescontoValor"), c.descontoValor);
        EXPECT_DOUBLE_EQ(valor(itens, 1, "Valor"), c.valor);
    }
}

TEST(RegrasPedido, ConditionChangeLeavesNoAmountWithoutADiscount)
{
    ScopedDialogRecorder rec;
    PrecosFalsos precos;
    DataSet itens;
    // an amount left over from a discount taken away earlier
    enche(itens, {{"A", "P", 2, 10, 12, 0, 4}, {"A", "M", 1, 10, 12, 10, 1.2}});
    PrecosPedido p;
    DescontosPedido d;
    ASSERT_TRUE(AplicaCondicao(p, d, itens, precos.fonte(), {3, 30, 30, 2, 0}));
    EXPECT_DOUBLE_EQ(valor(itens, 1, "Desconto"), 0);
    EXPECT_DOUBLE_EQ(valor(itens, 1, "DescontoValor"), 0);
    EXPECT_DOUBLE_EQ(GeraTotais(itens, 0).desconto, 2.08); // the second line's 16,67 % only
}

// Loading an order's lines tells the views once, not once per line.
TEST(RegrasPedido, CopyOfTheLinesRefreshesViewsOnce)
{
    DataSet consulta;
    consulta.setFieldDefs({{QStringLiteral("PEDIT_ITEM"), FieldType::Integer},
                           {QStringLiteral("PEDIT_CODI"), FieldType::String, 20},
                           {QStringLiteral("PEDIT_QTDE"), FieldType::Float},
                           {QStringLiteral("PEDIT_PREC"), FieldType::Float},
                           {QStringLiteral("PEDIT_PREC_ORI"), FieldType::Float}});
    consulta.open();
    for (int i = 1; i <= 40; ++i)
        consulta.appendRow({i, QStringLiteral("P%1").arg(i), 2.0, 9.0, 10.0});
    DataSet itens;
    itens.setFieldDefs(CamposItensPedido());
    itens.open();
    int avisos = 0;
    QObject::connect(&itens, &DataSet::rowsReset, [&] { ++avisos; });
    CopiaItensPedido(consulta, itens);
    EXPECT_EQ(avisos, 1);
    ASSERT_EQ(itens.recordCount(), 40);
    itens.last();
    EXPECT_EQ(itens.fieldByName(QStringLiteral("Codigo"))->asString(), QStringLiteral("P40"));
    EXPECT_DOUBLE_EQ(itens.fieldByName(QStringLiteral("Valor"))->asFloat(), 18.0);
    EXPECT_DOUBLE_EQ(itens.fieldByName(QStringLiteral("Desconto"))->asFloat(), 10.0);
    // a failing copy still gives the views back
    DataSet quebrada;
    EXPECT_ANY_THROW(CopiaItensPedido(quebrada, itens));
    avisos = 0;
    itens.emptyTable();
    EXPECT_GE(avisos, 1);
}
