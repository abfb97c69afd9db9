#include "test_pedido_fixture.h"

#include "data/XRQuery.h"
#include "data/untSelectsRep.h"
#include "components/XRDBGrid.h"
#include "windows/nucleo/Aplicacao.h"
#include "windows/pedido/regras/ItensPedido.h"
#include "windows/pedido/regras/PedidoControlador.h"
#include "windows/pedido/regras/RegrasPedido.h"

#include <QApplication>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

const QDate hoje(2026, 3, 10);

// Products of table SUL: P100 in two tiers (up to 10 at 20, up to 999 at 18,
// list 25), P200 without a list price, P300 whose size G has no tier, P400
// outside the table.
class ItensTest : public PedidoDbTest {
public:
    void SetUp() override
    {
        PedidoDbTest::SetUp();
        for (const char *s : {
                 "INSERT INTO PRODUTO (PROD_CODI, PROD_DESC, PROD_COLECAO, PROD_LINHA, PROD_DESCLINHA, "
                 "PROD_DT_ENTREGA) VALUES ('P100', 'CAMISA', 'C1', 'L1', 'Camisaria', '2026-03-20')",
                 "INSERT INTO PRODUTO (PROD_CODI, PROD_DESC, PROD_COLECAO, PROD_LINHA, PROD_DESCLINHA) "
                 "VALUES ('P200', 'CALCA', 'C2', 'L2', 'Jeans')",
                 "INSERT INTO PRODUTO (PROD_CODI, PROD_DESC, PROD_COLECAO, PROD_DT_ENTREGA) "
                 "VALUES ('P300', 'SAIA', 'C1', '2026-01-02')",
                 "INSERT INTO PRODUTO (PROD_CODI, PROD_DESC) VALUES ('P400', 'BONE')",
                 "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_DSCOR, PAIT_TAM, PAIT_IDESGOTADO, PAIT_QTDE) "
                 "VALUES ('P100', 'AZ', 'Azul', 'M', 'N', 7)",
                 "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_DSCOR, PAIT_TAM, PAIT_IDESGOTADO, PAIT_QTDE) "
                 "VALUES ('P100', 'VM', 'Vermelho', 'G', 'N', 3)",
                 "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_DSCOR, PAIT_TAM, PAIT_IDESGOTADO, PAIT_QTDE) "
                 "VALUES ('P200', 'VD', 'Verde', 'P', 'N', 0)",
                 "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_DSCOR, PAIT_TAM, PAIT_IDESGOTADO, PAIT_FAIXA_TAM) "
                 "VALUES ('P300', 'PT', 'Preto', 'G', 'N', 'GG')",
                 "INSERT INTO TABPRE_PRODUTO (PREC_PRODUTO, PREC_TABELA, PREC_FAIXA, PREC_QTDMAXIMA, PREC_PRECO, "
                 "PREC_PRECO_ORI, PREC_FAIXA_TAM) VALUES ('P100', 'SUL', 2, 999, 18, 25, 'UU')",
                 "INSERT INTO TABPRE_PRODUTO (PREC_PRODUTO, PREC_TABELA, PREC_FAIXA, PREC_QTDMAXIMA, PREC_PRECO, "
                 "PREC_PRECO_ORI, PREC_FAIXA_TAM) VALUES ('P100', 'SUL', 1, 10, 20, 25, 'UU')",
                 "INSERT INTO TABPRE_PRODUTO (PREC_PRODUTO, PREC_TABELA, PREC_FAIXA, PREC_QTDMAXIMA, PREC_PRECO, "
                 "PREC_PRECO_ORI, PREC_FAIXA_TAM) VALUES ('P200', 'SUL', 1, 999, 10, 0, 'UU')",
                 "INSERT INTO TABPRE_PRODUTO (PREC_PRODUTO, PREC_TABELA, PREC_FAIXA, PREC_QTDMAXIMA, PREC_PRECO, "
                 "PREC_PRECO_ORI, PREC_FAIXA_TAM) VALUES ('P300', 'SUL', 1, 999, 30, 30, 'UU')",
             })
            sql(QString::fromUtf8(s));
        c = std::make_unique<PedidoControlador>(dm.get());
        c->hoje = [] { return hoje; };
        c->tabela = QStringLiteral("SUL");
        c->condicao = QStringLiteral("306090");
        c->numero = QStringLiteral("00050");
        i = std::make_unique<ItensPedido>(*c, *dm);
        rec->clear();
    }
    void TearDown() override
    {
        i.reset();
        c.reset();
        PedidoDbTest::TearDown();
    }

    DataSet &itens() { return c->CDSItens; }
    QString txt(const char *campo) { return itens().fieldByName(QLatin1String(campo))->asString(); }
    double num(const char *campo) { return itens().fieldByName(QLatin1String(campo))->asFloat(); }

    // Types a value into the current line's column and presses a key there.
    ItensPedido::Efeito digita(const char *campo, const QVariant &valor, int &key)
    {
        if (itens().state() == DataSet::State::Browse)
            itens().edit();
        itens().fieldByName(QLatin1String(campo))->setValue(valor);
        return i->Tecla(QLatin1String(campo), key, false);
    }
    ItensPedido::Efeito tab(const char *campo, const QVariant &valor)
    {
        key = Qt::Key_Tab;
        return digita(campo, valor, key);
    }

    // A new line typed up to its size and quantity with Tab.
    void linha(const char *codigo, const char *cor, const char *tam, double qtde)
    {
        if (itens().state() != DataSet::State::Browse)
            itens().post();
        itens().append();
        tab("Codigo", QString::fromLatin1(codigo));
        tab("Cor", QString::fromLatin1(cor));
        tab("Tam", QString::fromLatin1(tam));
        tab("Qtde", qtde);
    }

    int key = 0;
    std::unique_ptr<PedidoControlador> c;
    std::unique_ptr<ItensPedido> i;
};

TEST_F(ItensTest, ProductCodeColumn)
{
    struct Caso {
        QString digitado, mensagem, codigo, descricao;
        bool engolida, parou;
    } casos[] = {
        {"", "Produto Inválido.", "", "", true, false},
        {"p999", "Produto Inválido.", "", "", true, false},
        {"p100", "", "P100", "CAMISA", false, false},
        {"P400", "Produto P400 não pertence a Tabela de Preço SUL", "", "", true, true},
    };
    for (const Caso &k : casos) {
        SCOPED_TRACE(k.digitado.toStdString());
        itens().emptyTable();
        rec->clear();
        itens().append();
        itens().fieldByName("Cor")->setAsString("AZ");
        itens().fieldByName("Desconto")->setAsFloat(5);
        const auto e = tab("Codigo", k.digitado);
        EXPECT_EQ(rec->texts(), k.mensagem.isEmpty() ? QStringList{} : QStringList{k.mensagem});
        EXPECT_EQ(key == 0, k.engolida);
        EXPECT_EQ(e.parar, k.parou);
        EXPECT_EQ(txt("Codigo"), k.codigo);
        EXPECT_EQ(txt("Descricao"), k.descricao);
        if (k.mensagem == "Produto Inválido.") {
            EXPECT_EQ(txt("Cor"), "");
            EXPECT_DOUBLE_EQ(num("Desconto"), 0);
            EXPECT_TRUE(itens().fieldByName("QtdeEst")->isNull()); // no stock read for a cleared code
        }
    }
    // the accepted product: its line, collection, delivery date and stock
    itens().emptyTable();
    itens().append();
    tab("Codigo", "P100");
    EXPECT_EQ(txt("Linha"), "L1");
    EXPECT_EQ(txt("DescLinha"), "Camisaria");
    EXPECT_EQ(txt("Colecao"), "C1");
    EXPECT_EQ(itens().fieldByName("DtEntrega")->asDate(), QDate(2026, 3, 20));
    EXPECT_EQ(itens().fieldByName("QtdeEst")->asInteger(), 7);
    EXPECT_EQ(itens().state(), DataSet::State::Edit);
    // a product date already past becomes today
    itens().post();
    itens().append();
    tab("Codigo", "P300");
    EXPECT_EQ(itens().fieldByName("DtEntrega")->asDate(), hoje);
}

TEST_F(ItensTest, ColourAndSizeColumns)
{
    itens().append();
    tab("Codigo", "P100");
    tab("Cor", "XX");
    EXPECT_EQ(rec->texts(), QStringList{"Cor Inválida."});
    EXPECT_EQ(key, 0);
    EXPECT_EQ(txt("Cor"), "");

    rec->clear();
    tab("Cor", "VM");
    EXPECT_TRUE(rec->texts().isEmpty());
    EXPECT_EQ(txt("DsCor"), "Vermelho");
    EXPECT_EQ(itens().fieldByName("QtdeEst")->asInteger(), 3);

    const auto e = tab("Tam", "XG");
    EXPECT_EQ(rec->texts(), QStringList{"Tamanho Inválido."});
    EXPECT_TRUE(e.parar);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(txt("Tam"), "");

    // a size of the product in another colour only is accepted here
    rec->clear();
    tab("Tam", "M");
    EXPECT_TRUE(rec->texts().isEmpty());
    EXPECT_DOUBLE_EQ(num("Preco"), 20);
    EXPECT_DOUBLE_EQ(num("PrecoOrig"), 25);
    EXPECT_TRUE(c->oSLCodigos.isEmpty());

    // the look-ups of the three columns
    key = Qt::Key_F4;
    EXPECT_EQ(i->Tecla("Codigo", key, false).pesquisa, "oPqProduto");
    key = Qt::Key_F4;
    const auto cor = i->Tecla("Cor", key, false);
    EXPECT_EQ(cor.pesquisa, "oPqCor");
    EXPECT_EQ(cor.sqlPesquisa, QStringList{SqlCoresDisponiveis("P100", "")});
    key = Qt::Key_F4;
    EXPECT_EQ(i->Tecla("Tam", key, false).sqlPesquisa,
              (QStringList{"SELECT DISTINCT PAIT_TAM ", "FROM PA_ITEN", "WHERE PAIT_CODI = 'P100'",
                           "AND PAIT_IDESGOTADO = 'N'", "AND PAIT_COR = 'VM'"}));
    key = Qt::Key_F4;
    EXPECT_TRUE(i->Tecla("Tam", key, true).pesquisa.isEmpty()); // read-only grid
    key = Qt::Key_Delete;
    i->Tecla("Qtde", key, false);
    EXPECT_EQ(key, 0);
}

TEST_F(ItensTest, TierPricesFollowTheProductTotal)
{
    c->precos.nTaxa = 1.04;
    linha("P100", "AZ", "M", 4);
    EXPECT_DOUBLE_EQ(num("Preco"), 20.80);
    EXPECT_DOUBLE_EQ(num("PrecoOrig"), 26);
    EXPECT_DOUBLE_EQ(num("Valor"), 83.20);
    EXPECT_EQ(itens().state(), DataSet::State::Browse);

    // a second line of the product: 4 + 8 passes the first tier
    linha("P100", "VM", "G", 8);
    EXPECT_DOUBLE_EQ(num("Preco"), 18.72);
    EXPECT_DOUBLE_EQ(c->totais.qtde, 12);

    // no list price: the list price is the line's price, not factored twice
    linha("P200", "VD", "P", 1);
    EXPECT_DOUBLE_EQ(num("Preco"), 10.40);
    EXPECT_DOUBLE_EQ(num("PrecoOrig"), 10.40);
}

TEST_F(ItensTest, ZeroTierPriceUnlocksThePriceOfTheProduct)
{
    linha("P300", "PT", "G", 2);
    EXPECT_DOUBLE_EQ(num("Preco"), 0);
    EXPECT_DOUBLE_EQ(num("PrecoOrig"), 0);
    linha("P300", "PT", "G", 1);
    linha("P100", "AZ", "M", 1);
    EXPECT_EQ(c->oSLCodigos, (QStringList{"P300", "P300"}));
    EXPECT_FALSE(i->PrecoLiberado());
    itens().setRecNo(1);
    EXPECT_TRUE(i->PrecoLiberado());
    itens().setRecNo(2);
    EXPECT_TRUE(i->PrecoLiberado());

    // a typed price on an unlocked line: only the value follows
    tab("Preco", 12.5);
    EXPECT_DOUBLE_EQ(num("Valor"), 12.5);
    EXPECT_DOUBLE_EQ(num("Desconto"), 0);

    rec->pushAnswer(MsgResult::Yes);
    i->ExcluiItem();
    EXPECT_EQ(rec->texts(), QStringList{"Deseja excluir o item corrente?"});
    EXPECT_EQ(itens().recordCount(), 2);
    EXPECT_EQ(c->oSLCodigos, QStringList{"P300"});
    itens().setRecNo(1);
    EXPECT_TRUE(i->PrecoLiberado()); // the code stays while one addition is left

    rec->clear();
    rec->pushAnswer(MsgResult::No);
    i->ExcluiItem();
    EXPECT_EQ(itens().recordCount(), 2);
    itens().emptyTable();
    rec->clear();
    i->ExcluiItem();
    EXPECT_EQ(rec->texts(), QStringList{"Nenhum item para excluir."});
}

TEST_F(ItensTest, ItemDiscountRules)
{
    c->precos.nDescMax = 10;
    linha("P100", "AZ", "M", 2); // 20, list 25: already 20 % off the list

    // a price typed from the list price gives the discount, refused above the limit
    tab("Preco", 23);
    EXPECT_TRUE(rec->texts().isEmpty());
    EXPECT_DOUBLE_EQ(num("Desconto"), 8);
    EXPECT_DOUBLE_EQ(num("DescontoValor"), 4);
    EXPECT_DOUBLE_EQ(num("Valor"), 46);

    const auto e = tab("Desconto", 12.0);
    EXPECT_EQ(rec->texts(), QStringList{"Desconto do Item acima do permitido (Máx: 10,00%)"});
    EXPECT_TRUE(e.parar);
    EXPECT_EQ(key, 0);
    EXPECT_DOUBLE_EQ(num("Desconto"), 0);
    EXPECT_DOUBLE_EQ(num("Preco"), 23);
    EXPECT_EQ(itens().state(), DataSet::State::Browse);

    rec->clear();
    tab("Desconto", 10.0);
    EXPECT_TRUE(rec->texts().isEmpty());
    EXPECT_DOUBLE_EQ(num("Preco"), 22.50);
    EXPECT_DOUBLE_EQ(num("DescontoValor"), 5);
    EXPECT_DOUBLE_EQ(num("Valor"), 45);
    EXPECT_DOUBLE_EQ(c->totais.liquido, 45);

    tab("Desconto", 0.0); // back to the table price
    EXPECT_DOUBLE_EQ(num("Preco"), 20);
    EXPECT_DOUBLE_EQ(num("Valor"), 40);

    // no condition chosen: refused, the focus goes to the condition
    c->condicao.clear();
    const auto semCond = tab("Desconto", 5.0);
    EXPECT_EQ(rec->texts(),
              QStringList{"Antes de conceder Desconto do Item, deve-se informar a Condição de Pagamento"});
    EXPECT_TRUE(semCond.focoCondicao);
    EXPECT_DOUBLE_EQ(num("Desconto"), 0);
    EXPECT_DOUBLE_EQ(num("Preco"), 20);

    key = Qt::Key_Up;
    EXPECT_TRUE(i->Tecla("Preco", key, false).travaPreco);

    // a typed price whose discount is refused: the value and totals follow it
    c->condicao = QStringLiteral("306090");
    rec->clear();
    const auto precoRecusado = tab("Preco", 15.0);
    EXPECT_EQ(rec->texts(), QStringList{"Desconto do Item acima do permitido (Máx: 10,00%)"});
    EXPECT_EQ(key, 0);
    EXPECT_FALSE(precoRecusado.parar);
    EXPECT_DOUBLE_EQ(num("Desconto"), 0);
    EXPECT_DOUBLE_EQ(num("Preco"), 15);
    EXPECT_DOUBLE_EQ(num("Valor"), 30);
    EXPECT_DOUBLE_EQ(num("DescontoValor"), 20);
    EXPECT_DOUBLE_EQ(c->totais.liquido, 30);
}

TEST_F(ItensTest, DiscountAmountGoesWithTheDiscount)
{
    linha("P100", "AZ", "M", 2); // 20, list 25
    tab("Preco", 23);
    ASSERT_DOUBLE_EQ(num("DescontoValor"), 4);

    // the list price typed back: no discount and no amount of one
    tab("Preco", 25);
    EXPECT_DOUBLE_EQ(num("Desconto"), 0);
    EXPECT_DOUBLE_EQ(num("DescontoValor"), 0);
    EXPECT_DOUBLE_EQ(c->totais.desconto, 0);

    // a new quantity re-prices the line from its tier and drops the discount
    tab("Desconto", 10.0);
    ASSERT_DOUBLE_EQ(num("DescontoValor"), 5);
    tab("Qtde", 3.0);
    EXPECT_DOUBLE_EQ(num("Desconto"), 0);
    EXPECT_DOUBLE_EQ(num("DescontoValor"), 0);
    EXPECT_DOUBLE_EQ(c->totais.desconto, 0);
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('|').toStdString();
}

TEST_F(ItensTest, CodesTheDatabaseCannotHoldAreRefusedBeforeTheLookUp)
{
    const struct {
        const char *campo;
        QString digitado, mensagem;
    } casos[] = {
        {"Codigo", QStringLiteral("P\u03A9"),
         QStringLiteral("Produto: o caractere \"\u03A9\" não pode ser gravado. Remova-o para continuar.")},
        {"Cor", QStringLiteral("A\u2713"),
         QStringLiteral("Cor: o caractere \"\u2713\" não pode ser gravado. Remova-o para continuar.")},
        {"Tam", QStringLiteral("M") + QChar(0),
         QStringLiteral("Tam: o texto contém um caractere nulo, que não pode ser gravado.")},
    };
    for (const auto &k : casos) {
        SCOPED_TRACE(k.campo);
        itens().emptyTable();
        itens().append();
        tab("Codigo", "P100");
        tab("Cor", "AZ");
        rec->clear();
        tab(k.campo, k.digitado);
        EXPECT_EQ(rec->texts(), QStringList{k.mensagem});
        EXPECT_EQ(key, 0);
        EXPECT_EQ(txt(k.campo), "");
    }
}

TEST_F(ItensTest, TierPriceComesFromTheLowestTierOnly)
{
    // P100's tiers were stored highest first: the lowest one counts all the same
    c->precos.nTaxa = 1.5;
    const struct {
        const char *tam;
        double total, preco;
    } casos[] = {{"M", 5, 30},  {"M", 9.9, 30}, {"M", 10, 0}, // a total reaching the tier has no price
                 {"M", 11, 0},  // even though the next tier covers it
                 {"M", 1000, 0}, {"G", 1, 30}};
    for (const auto &k : casos) {
        SCOPED_TRACE(std::string(k.tam) + " " + std::to_string(k.total));
        EXPECT_DOUBLE_EQ(i->BuscaPrecoFaixa("P100", "SUL", k.tam, k.total), k.preco);
    }
    EXPECT_DOUBLE_EQ(i->BuscaPrecoFaixa("P300", "SUL", "G", 1), 0);

    // the tier check over the order unlocks what no tier covers
    linha("P100", "AZ", "M", 600);
    linha("P100", "VM", "G", 500);
    linha("P200", "VD", "P", 1);
    c->oSLCodigos.clear();
    i->MontaTotalItem();
    EXPECT_EQ(c->oSLCodigos, (QStringList{"P100", "P100"}));
}

TEST_F(ItensTest, CollectionPerOrder)
{
    c->FbDigColecao = true;
    linha("P100", "AZ", "M", 1);
    EXPECT_EQ(c->FColecao, "C1");
    itens().append();
    const auto e = tab("Codigo", "P200");
    EXPECT_EQ(rec->texts(), QStringList{"Coleção Inválida."});
    EXPECT_TRUE(e.parar);
    EXPECT_EQ(txt("Codigo"), "");
}

TEST_F(ItensTest, LoadedLinesRecomputeTheirDiscount)
{
    sql("INSERT INTO PEDIDO (PED_NUME, PED_CCLI, PED_DTEM, PED_DTEN, PED_DTFAT, PED_CONP, PED_PDESC, PED_CIF, "
        "PED_TABPRE, PED_IDFECHADO) VALUES ('00050', '00001', '2026-03-01', '2026-04-01', '2026-03-05', "
        "'306090', 0, '0', 'SUL', 'N')");
    for (const char *s : {"INSERT INTO PED_ITEN (PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI, PEDIT_COR, PEDIT_TAM, PEDIT_QTDE, "
                          "PEDIT_PREC, PEDIT_PREC_ORI, PEDIT_TIPO, PEDIT_DT_ENTREGA) VALUES "
                          "('00050', 1, 'P100', 'AZ', 'M', 3, 18, 20, 'N', '2026-04-01')",
                          "INSERT INTO PED_ITEN (PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI, PEDIT_COR, PEDIT_TAM, PEDIT_QTDE, "
                          "PEDIT_PREC, PEDIT_PREC_ORI, PEDIT_TIPO) VALUES "
                          "('00050', 2, 'P200', 'VD', 'P', 1, 10, 0, 'N')"})
        sql(QString::fromUtf8(s));
    c->FbLinha = true;
    TXRQuery q;
    q.SetDatabase(dm->XRDtRepres);
    q.SQL().SetText(SqlItensPedido());
    q.ParamByName("PEDIDO")->SetAsString("00050");
    q.Open();
    i->CarregaItens(q);
    ASSERT_EQ(itens().recordCount(), 2);
    itens().first();
    EXPECT_DOUBLE_EQ(num("Desconto"), 10);
    EXPECT_DOUBLE_EQ(num("DescontoValor"), 6);
    EXPECT_DOUBLE_EQ(num("Valor"), 54);
    EXPECT_EQ(txt("DsCor"), "Azul");
    EXPECT_EQ(itens().fieldByName("QtdeEst")->asInteger(), 7);
    itens().next();
    EXPECT_DOUBLE_EQ(num("PrecoOrig"), 10);
    EXPECT_DOUBLE_EQ(num("Desconto"), 0);
    // the summaries were built once, from every loaded line
    EXPECT_EQ(i->TbItensData.recordCount(), 1);
    EXPECT_EQ(i->ValoresPorLinha(),
              (std::vector<std::pair<QString, double>>{{"Camisaria", 54}, {"Jeans", 10}}));
}

TEST_F(ItensTest, SummariesPerDeliveryDateAndProductLine)
{
    c->FbLinha = false; // as in a database whose products have no line
    const QDate a(2026, 4, 1), b(2026, 3, 15);
    int n = 0;
    for (const auto &[data, codigo, linhaProd] : {std::tuple{a, "P100", "Camisaria"}, std::tuple{b, "P200", "Jeans"},
                                                  std::tuple{a, "P100", "Camisaria"}, std::tuple{QDate(), "P300", ""}}) {
        itens().append();
        itens().fieldByName("Codigo")->setAsString(codigo);
        itens().fieldByName("DescLinha")->setAsString(linhaProd);
        itens().fieldByName("Qtde")->setAsFloat(++n);
        itens().fieldByName("Valor")->setAsFloat(10.0 * n);
        if (data.isValid())
            itens().fieldByName("DtEntrega")->setValue(data);
        itens().post();
    }
    // equal dates make one row, in date order; undated lines are left out
    DataSet &d = i->TbItensData;
    ASSERT_EQ(d.recordCount(), 2);
    d.first();
    EXPECT_EQ(d.fieldByName("Data")->asDate(), b);
    EXPECT_DOUBLE_EQ(d.fieldByName("Qtde")->asFloat(), 2);
    d.next();
    EXPECT_EQ(d.fieldByName("Data")->asDate(), a);
    EXPECT_DOUBLE_EQ(d.fieldByName("Qtde")->asFloat(), 4);
    EXPECT_DOUBLE_EQ(d.fieldByName("Valor")->asFloat(), 40);
    EXPECT_EQ(itens().recNo(), 4); // the cursor stays on the line

    // without product lines the chart is never filled
    EXPECT_EQ(i->CDSItensGrafico.recordCount(), 0);
    c->FbLinha = true;
    i->AtualizaGrafico();
    EXPECT_EQ(i->ValoresPorLinha(),
              (std::vector<std::pair<QString, double>>{{"Camisaria", 40}, {"Jeans", 20}, {"", 40}}));

    for (int k = 0; k < 4; ++k)
        rec->pushAnswer(MsgResult::Yes);
    for (int k = 0; k < 4; ++k)
        i->ExcluiItem();
    EXPECT_EQ(d.recordCount(), 0);
    EXPECT_EQ(i->CDSItensGrafico.recordCount(), 0);
}

TEST_F(ItensTest, ProductLinesAreAskedOfTheDatabaseOnceOnFirstNeed)
{
    ASSERT_FALSE(c->FbLinha.has_value());
    // a line picked from the look-up keeps its product line: some product has one
    itens().append();
    const std::map<QString, QVariant> escolha{{"PROD_CODI", "P100"}, {"PROD_COLECAO", "C1"}, {"PROD_LINHA", "L1"},
                                              {"PROD_DESCLINHA", "Camisaria"}};
    i->FechaPesquisaItem("oPqProduto", [&escolha](const QString &campo) { return escolha.at(campo); });
    EXPECT_EQ(txt("Linha"), "L1");
    EXPECT_EQ(c->FbLinha, std::optional<bool>(true));
    // asked once per window: a later change of the products is not seen
    sql("UPDATE PRODUTO SET PROD_LINHA = NULL");
    EXPECT_TRUE(c->TemLinha());
    PedidoControlador outro(dm.get());
    EXPECT_FALSE(outro.TemLinha());
}

TEST_F(ItensTest, LookUpChoiceAndMatrixCheck)
{
    c->FbLinha = false; // as in a database whose products have no line
    itens().append();
    const std::map<QString, QVariant> escolha{{"PROD_CODI", "P100"},   {"PROD_COLECAO", "C1"}, {"PROD_LINHA", "L1"},
                                              {"PROD_DESCLINHA", "X"}, {"PAIT_COR", "AZ"},     {"PAIT_TAM", "M"}};
    auto valor = [&escolha](const QString &campo) { return escolha.at(campo); };
    i->FechaPesquisaItem("oPqProduto", valor);
    EXPECT_EQ(txt("Codigo"), "P100");
    EXPECT_EQ(txt("Linha"), "");
    i->FechaPesquisaItem("oPqCor", valor);
    EXPECT_EQ(txt("Cor"), "AZ");
    EXPECT_EQ(itens().state(), DataSet::State::Browse);

    EXPECT_FALSE(i->PodeAbrirGradeGeral());
    EXPECT_EQ(rec->texts(), QStringList{"Existem Produtos sem Cor/Tam. Impossível abrir a Grade."});
    i->FechaPesquisaItem("oPqTam", valor);
    EXPECT_TRUE(i->PodeAbrirGradeGeral());
}

} // namespace

namespace {

// The real window, typed into with the keyboard.
class DigitacaoTest : public ItensTest {
protected:
    void SetUp() override
    {
        ReiniciaAplicacao();
        ItensTest::SetUp();
        sql("UPDATE CONFIG SET DTDEENTREGA = CURRENT_DATE - 10, DTATEENTREGA = CURRENT_DATE + 60");
        // P100's list price is 25 % above its table price: room for that discount
        sql("UPDATE CONDICAO SET COND_DESCMAX = 25 WHERE COND_CODCOND = '306090'");
        janela = AbrePedidoPelaBarra(principal);
        ASSERT_NE(janela, nullptr);
        QApplication::setActiveWindow(principal.get());
        rec->clear();
    }
    void TearDown() override
    {
        FechaPedidoEPrincipal(principal);
        ItensTest::TearDown();
        ReiniciaAplicacao();
    }

    static QWidget *foco() { return QApplication::focusWidget(); }
    static void tecla(Qt::Key k) { QTest::keyClick(foco(), k); }
    static void digita(const QString &texto)
    {
        for (const QChar ch : texto)
            QTest::keyClick(foco(), ch.toLatin1());
    }
    // Types the cells of a line from the product column on, Tab after each.
    static void linhaDigitada(const QStringList &celulas)
    {
        for (const QString &c : celulas) {
            if (!c.isEmpty())
                digita(c);
            tecla(Qt::Key_Tab);
        }
    }
    QString campoAtual() const
    {
        const TXRColumn *c = janela->XRDBGrid2->ColunaSelecionada();
        return c ? c->FieldName : QString();
    }

    std::unique_ptr<TfmPrincipal> principal;
    TfmPedido *janela = nullptr;
};

} // namespace

TEST_F(DigitacaoTest, TheWindowAsksForProductLinesOnceItShows)
{
    // the scan of the products waits for the event loop, not for the window to open
    QCoreApplication::processEvents();
    EXPECT_EQ(janela->Pedido().FbLinha, std::optional<bool>(true));
}

TEST_F(DigitacaoTest, AWholeOrderTypedAndConfirmed)
{
    janela->btnNovo->click();
    ASSERT_TRUE(janela->EmEdicao());
    const QDate hojeReal = QDate::currentDate();
    janela->edtVen_Fatura->setDate(hojeReal.addDays(5));
    janela->EdtEntrega->setDate(hojeReal.addDays(30));

    janela->edtCodCliente->setFocus();
    digita("00001");
    janela->edtCodTab->setFocus();
    digita("SUL");
    janela->edtCodCond->setFocus();
    digita("306090");
    janela->XRDBGrid2->setFocus();
    QCoreApplication::processEvents();
    ASSERT_TRUE(rec->texts().isEmpty()) << rec->texts().join('|').toStdString();
    EXPECT_EQ(janela->Pedido().precos.nTaxa, 1.04);
    ASSERT_EQ(campoAtual(), "Codigo");

    // code, description, colour, its name, size, quantity, list price,
    // discount, net price, value, stock: the last Tab starts a new line
    linhaDigitada({"p100", "", "AZ", "", "M", "2", "", "", "", "", ""});
    ASSERT_TRUE(rec->texts().isEmpty()) << rec->texts().join('|').toStdString();
    EXPECT_EQ(janela->CDSItens()->recordCount(), 1);
    EXPECT_EQ(campoAtual(), "Codigo");
    EXPECT_EQ(janela->EdtTotQtde->text(), "2,00");

    linhaDigitada({"P200", "", "XX"});
    EXPECT_EQ(rec->texts(), QStringList{"Cor Inválida."});
    EXPECT_EQ(campoAtual(), "Cor"); // the key was swallowed
    rec->clear();
    linhaDigitada({"VD", "", "P", "3"});
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('|').toStdString();
    EXPECT_EQ(campoAtual(), "PrecoOrig");
    EXPECT_EQ(janela->EdtTotQtde->text(), "5,00");
    EXPECT_EQ(janela->EdtTotVal->text(), "72,80");
    EXPECT_EQ(janela->Itens().TbItensData.recordCount(), 1);
    EXPECT_TRUE(janela->XRDBGrid2->GetColumn("Preco")->ReadOnly); // both products have a table price

    QTest::mouseClick(janela->BtnConfirmar, Qt::LeftButton);
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('|').toStdString();
    EXPECT_FALSE(janela->EmEdicao());
    TXRQuery q;
    q.SetDatabase(dm->XRDtRepres);
    q.SQL().Add("SELECT P.PED_CCLI, P.PED_TABPRE, P.PED_CONP, I.PEDIT_CODI, I.PEDIT_COR, I.PEDIT_TAM, I.PEDIT_QTDE, "
                "I.PEDIT_PREC, I.PEDIT_PREC_ORI, I.PEDIT_DT_ENTREGA FROM PEDIDO P "
                "JOIN PED_ITEN I ON I.PEDIT_NUME = P.PED_NUME WHERE P.PED_NUME = '" + janela->EdtNumero->text() +
                "' ORDER BY I.PEDIT_ITEM");
    q.Open();
    QStringList linhas;
    for (q.first(); !q.eof(); q.next()) {
        QStringList v;
        for (int k = 0; k < q.fieldCount(); ++k)
            v << q.field(k)->asString();
        linhas << v.join('|');
    }
    const QString hoje = hojeReal.toString("dd/MM/yyyy");
    EXPECT_EQ(linhas.join(" / ").toStdString(),
              QString("00001|SUL|306090|P100|AZ|M|2|20,8|26|" + hoje + " / 00001|SUL|306090|P200|VD|P|3|10,4|10,4|" + hoje)
                  .toStdString());
}

TEST_F(DigitacaoTest, GridKeysButtonsAndTheGradeHandOver)
{
    EntregaGradeItem recebido;
    int linhasRecebidas = -1;
    TfmPedido::AbreGradeItem = [&](TfmPedido &, EntregaGradeItem &d) {
        recebido = d;
        linhasRecebidas = d.CDSProdutos->recordCount();
        recebido.CDSProdutos = nullptr;
    };
    struct Desinstala {
        ~Desinstala() { TfmPedido::AbreGradeItem = nullptr; }
    } desinstala;
    janela->btnNovo->click();
    EXPECT_TRUE(janela->GradeItens1->isEnabled());
    EXPECT_FALSE(janela->btnGradeGeral->isEnabled()); // no matrix window installed
    janela->edtCodTab->setText("SUL");
    janela->Pedido().FbDigColecao = true;
    janela->XRDBGrid2->setFocus();
    linhaDigitada({"P300", "", "PT", "", "G", "2"}); // no tier for size G: price 0, typed
    ASSERT_TRUE(rec->texts().isEmpty()) << rec->texts().join('|').toStdString();
    tecla(Qt::Key_Tab); // list price
    tecla(Qt::Key_Tab); // discount
    ASSERT_EQ(campoAtual(), "Preco");
    EXPECT_FALSE(janela->XRDBGrid2->GetColumn("Preco")->ReadOnly); // unlocked for this product
    digita("7,5");
    tecla(Qt::Key_Tab);
    EXPECT_DOUBLE_EQ(janela->CDSItens()->fieldByName("Valor")->asFloat(), 15);
    EXPECT_EQ(janela->EdtTotVal->text(), "15,00");

    // a new line nothing was typed into is never stored by the column rules
    tecla(Qt::Key_Down);
    EXPECT_EQ(janela->CDSItens()->state(), DataSet::State::Insert);
    auto coluna = [this](const char *campo) {
        janela->XRDBGrid2->SetSelectedIndex(janela->XRDBGrid2->IndexOfColumn(janela->XRDBGrid2->GetColumn(campo)));
    };
    coluna("Desconto");
    tecla(Qt::Key_Down);
    tecla(Qt::Key_Down);
    coluna("Qtde");
    tecla(Qt::Key_Tab);
    coluna("Codigo");
    tecla(Qt::Key_F3);
    tecla(Qt::Key_Up);
    EXPECT_EQ(janela->CDSItens()->recordCount(), 1);
    EXPECT_NE(janela->CDSItens()->state(), DataSet::State::Insert);
    EXPECT_EQ(linhasRecebidas, -1);

    // Delete never deletes a line from the keyboard; F3 hands the line over
    janela->XRDBGrid2->setCurrentIndex(janela->XRDBGrid2->model()->index(0, 0));
    tecla(Qt::Key_Delete);
    EXPECT_EQ(janela->CDSItens()->recordCount(), 1);
    tecla(Qt::Key_F3);
    EXPECT_EQ(linhasRecebidas, 1);
    EXPECT_EQ(recebido.FCodigo, "P300");
    EXPECT_EQ(recebido.FColecao, "C1");
    EXPECT_EQ(recebido.FTabelaPreco, "SUL");
    EXPECT_EQ(recebido.FDtEntrega, QDate::currentDate());
    EXPECT_EQ(janela->Pedido().oSLCodigos, (QStringList{"P300", "P300"})); // the tier check after it

    rec->pushAnswer(MsgResult::Yes);
    janela->btnExcluiItem->click();
    EXPECT_EQ(rec->texts(), QStringList{"Deseja excluir o item corrente?"});
    EXPECT_EQ(janela->CDSItens()->recordCount(), 0);
    EXPECT_EQ(janela->EdtTotVal->text(), "0,00");
    EXPECT_EQ(janela->Pedido().oSLCodigos, QStringList{"P300"});
}
