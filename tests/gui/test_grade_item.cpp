// The grade of one product: cells, tiers, confirm and assortments on a
// seeded database.
#include "test_pedido_fixture.h"

#include "components/XRDBGrid.h"
#include "windows/nucleo/Aplicacao.h"
#include "windows/pedido/regras/GradeItem.h"
#include "windows/pedido/untGradeItem.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include "windows/pedido/regras/PedidoControlador.h"
#include "windows/pedido/regras/RegrasPedido.h"

namespace {

class GradeItemTest : public PedidoDbTest {
protected:
    void SetUp() override
    {
        PedidoDbTest::SetUp();
        for (const char *s : {
                 "INSERT INTO PRODUTO (PROD_CODI, PROD_DESC) VALUES ('P100', 'CAMISA')",
                 "INSERT INTO PRODUTO (PROD_CODI, PROD_DESC) VALUES ('P400', 'MEIA')",
                 "INSERT INTO PRODUTO (PROD_CODI, PROD_DESC) VALUES ('P200', 'CALCA')",
                 "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_DSCOR, PAIT_TAM, PAIT_POS_TAM, PAIT_IDESGOTADO) "
                 "VALUES ('P100', 'AZ', 'AZUL', 'P', 1, 'N')",
                 "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_DSCOR, PAIT_TAM, PAIT_POS_TAM, PAIT_IDESGOTADO) "
                 "VALUES ('P100', 'AZ', 'AZUL', 'M', 2, 'N')",
                 "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_DSCOR, PAIT_TAM, PAIT_POS_TAM, PAIT_IDESGOTADO) "
                 "VALUES ('P100', 'AZ', 'AZUL', 'G', 3, 'S')",
                 "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_DSCOR, PAIT_TAM, PAIT_POS_TAM, PAIT_IDESGOTADO) "
                 "VALUES ('P100', 'VM', 'VERMELHO', 'P', 1, 'N')",
                 "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_DSCOR, PAIT_TAM, PAIT_POS_TAM, PAIT_IDESGOTADO) "
                 "VALUES ('P100', 'VM', 'VERMELHO', 'G', 3, 'N')",
                 "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_DSCOR, PAIT_TAM, PAIT_POS_TAM, PAIT_IDESGOTADO) "
                 "VALUES ('P100', 'A-1', 'ROSA', 'M', 2, 'N')",
                 "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_DSCOR, PAIT_TAM, PAIT_POS_TAM, PAIT_IDESGOTADO) "
                 "VALUES ('P400', 'AZ', 'AZUL', 'P', 1, 'N')",
                 "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_DSCOR, PAIT_TAM, PAIT_POS_TAM, PAIT_IDESGOTADO) "
                 "VALUES ('P400', 'AZ', 'AZUL', 'M', 2, 'N')",
                 "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_DSCOR, PAIT_TAM, PAIT_POS_TAM, PAIT_IDESGOTADO) "
                 "VALUES ('P400', 'VM', 'VERMELHO', 'P', 1, 'N')",
                 "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_DSCOR, PAIT_TAM, PAIT_POS_TAM, PAIT_IDESGOTADO) "
                 "VALUES ('P400', 'VM', 'VERMELHO', 'M', 2, 'N')",
                 // the wider tier first: the smaller covering one must still win
                 "INSERT INTO TABPRE_PRODUTO (PREC_PRODUTO, PREC_TABELA, PREC_FAIXA, PREC_QTDMAXIMA, PREC_PRECO, "
                 "PREC_PRECO_ORI, PREC_FAIXA_TAM) VALUES ('P100', 'SUL', 1, 999, 15, 15, 'UU')",
                 "INSERT INTO TABPRE_PRODUTO (PREC_PRODUTO, PREC_TABELA, PREC_FAIXA, PREC_QTDMAXIMA, PREC_PRECO, "
                 "PREC_PRECO_ORI, PREC_FAIXA_TAM) VALUES ('P100', 'SUL', 2, 10, 20, 20, 'UU')",
                 "INSERT INTO TABPRE_PRODUTO (PREC_PRODUTO, PREC_TABELA, PREC_FAIXA, PREC_QTDMAXIMA, PREC_PRECO, "
                 "PREC_PRECO_ORI, PREC_FAIXA_TAM) VALUES ('P400', 'SUL', 1, 999, 10, 10, 'UU')",
                 "INSERT INTO PRODUTO_ORDEM (COD_CONFIG, COD_PAITEM, COR, TAM, ORDEM) VALUES (3, 'P400', 'AZ', 'P', 6)",
                 "INSERT INTO PRODUTO_ORDEM (COD_CONFIG, COD_PAITEM, COR, TAM, ORDEM) VALUES (3, 'P400', 'VM', 'M', 3)",
                 "INSERT INTO PRODUTO_ORDEM (COD_CONFIG, COD_PAITEM, COR, TAM, ORDEM) VALUES (3, 'P400', 'AZ', 'M', 0)",
                 "UPDATE CONFIG SET DTDEENTREGA = '2026-01-01', DTATEENTREGA = '2030-12-31'",
             })
            sql(s);
        c = std::make_unique<PedidoControlador>(dm.get());
        c->tabela = "SUL";
        c->precos.nTaxa = 1;
    }

    void linhaPedido(const QString &cod, const QString &cor, const QString &tam, double qtde, double preco)
    {
        DataSet &i = pedidoItens ? *pedidoItens : c->CDSItens;
        i.append();
        i.fieldByName("Codigo")->setAsString(cod);
        i.fieldByName("Cor")->setAsString(cor);
        i.fieldByName("Tam")->setAsString(tam);
        i.fieldByName("Qtde")->setAsFloat(qtde);
        i.fieldByName("Preco")->setAsFloat(preco);
        i.fieldByName("PrecoOrig")->setAsFloat(preco);
        i.fieldByName("Valor")->setAsFloat(qtde * preco);
        i.post();
    }

    std::unique_ptr<GradeItem> abre(const QString &codigo)
    {
        auto g = std::make_unique<GradeItem>(*c, *dm);
        g->FCodigo = codigo;
        g->FTabelaPreco = "SUL";
        g->CDSProdutos.copyRowsFrom(c->CDSItens);
        g->CarregaProduto();
        return g;
    }

    QString celula(GradeItem &g, const QString &cor, const QString &tam)
    {
        return g.linhas[size_t(g.linhaDe(cor))].celulas[g.colunaDe(tam)];
    }
    void digita(GradeItem &g, const QString &cor, const QString &tam, const QString &v)
    {
        g.ValidaQuantidadeCelula(g.linhaDe(cor), g.colunaDe(tam), v);
    }
    double precoDe(GradeItem &g, const QString &cor, const QString &tam)
    {
        EXPECT_TRUE(g.TbItens.locate({"Cor", "Tam"}, {cor, tam})) << cor.toStdString() << tam.toStdString();
        return g.TbItens.fieldByName("Preco")->asFloat();
    }
    int linhas(DataSet &ds, const QString &cod, const QString &cor)
    {
        int n = 0;
        for (ds.first(); !ds.eof(); ds.next())
            n += ds.fieldByName("Codigo")->asString() == cod && ds.fieldByName("Cor")->asString() == cor;
        return n;
    }

    std::unique_ptr<PedidoControlador> c;
    DataSet *pedidoItens = nullptr; // the order window's lines, when one is open
};

} // namespace

TEST_F(GradeItemTest, GridOfColoursAndSizes)
{
    auto g = abre("P100");
    EXPECT_EQ(g->tamanhos, QStringList({"P", "M", "G"}));
    ASSERT_EQ(g->linhas.size(), 4u); // A-1, AZ, VM and the total row
    EXPECT_EQ(g->linhas.back().dsCor, "TOTAL");
    EXPECT_EQ(celula(*g, "AZ", "G"), "Esgotado");
    digita(*g, "A-1", "M", "1");
    EXPECT_EQ(g->TbItens.fieldByName("DsCor")->asString(), "ROSA"); // the code's own "-" is not the separator
    EXPECT_EQ(GradeItem::DescricaoCor("AZ", "AZ - AZUL-CLARO"), "AZUL-CLARO");
}

TEST_F(GradeItemTest, CellsMakeChangeAndDeleteLines)
{
    auto g = abre("P100");
    struct Caso {
        QString cor, tam, valor;
        int linhas;
        double quantidade, valorTotal;
    } casos[] = {
        {"AZ", "P", "3", 1, 3, 60},        // tier up to 10 at 20
        {"VM", "P", "abc", 1, 3, 60},      // text counts 0: nothing made
        {"VM", "G", "2", 2, 5, 100},
        {"AZ", "G", "4", 2, 5, 100},       // sold out: refused
        {"-999", "P", "9", 2, 5, 100},     // the total row takes nothing
        {"AZ", "P", "0", 1, 2, 40},        // 0 deletes the line
        {"VM", "G", "9", 1, 9, 180},
        {"VM", "G", "12", 1, 12, 180},     // wider tier: 15
    };
    for (const Caso &k : casos) {
        const int l = k.cor == "-999" ? int(g->linhas.size()) - 1 : g->linhaDe(k.cor);
        g->ValidaQuantidadeCelula(l, g->colunaDe(k.tam), k.valor);
        EXPECT_EQ(g->TbItens.recordCount(), k.linhas) << k.cor.toStdString() << k.valor.toStdString();
        EXPECT_DOUBLE_EQ(g->qtdItem, k.quantidade) << k.valor.toStdString();
        EXPECT_DOUBLE_EQ(g->totValor, k.valorTotal) << k.valor.toStdString();
        EXPECT_DOUBLE_EQ(g->linhas.back().total, k.quantidade);
    }
    EXPECT_EQ(celula(*g, "AZ", "G"), "Esgotado");
}

TEST_F(GradeItemTest, TierChangeRepricesUntypedLinesOnly)
{
    auto g = abre("P100");
    digita(*g, "AZ", "P", "5");
    digita(*g, "VM", "G", "2");
    EXPECT_DOUBLE_EQ(precoDe(*g, "AZ", "P"), 20);
    g->TbItens.locate({"Cor", "Tam"}, {"VM", "G"});
    g->TbItens.edit();
    g->TbItens.fieldByName("Preco")->setAsFloat(18);
    g->SaiPreco(); // a typed discount of 10 %
    digita(*g, "VM", "P", "6"); // total 13: the 999 tier
    EXPECT_DOUBLE_EQ(precoDe(*g, "AZ", "P"), 15);
    EXPECT_DOUBLE_EQ(precoDe(*g, "VM", "P"), 15);
    EXPECT_DOUBLE_EQ(precoDe(*g, "VM", "G"), 18);
    EXPECT_DOUBLE_EQ(g->totValor, 5 * 15 + 6 * 15 + 2 * 18);
}

TEST_F(GradeItemTest, ApplyToAllTakesTheFirstLinesPrice)
{
    auto g = abre("P100");
    digita(*g, "AZ", "P", "1");
    digita(*g, "VM", "P", "2");
    g->TbItens.first();
    g->TbItens.edit();
    g->TbItens.fieldByName("Preco")->setAsFloat(16);
    g->TbItens.post();
    g->TbItens.last();
    g->AplicarTodos();
    EXPECT_DOUBLE_EQ(precoDe(*g, "VM", "P"), 16);
    EXPECT_DOUBLE_EQ(g->TbItens.fieldByName("Desconto")->asFloat(), 20);
    EXPECT_DOUBLE_EQ(g->totValor, 48);
    EXPECT_DOUBLE_EQ(g->qtdItem, 3);
}

TEST_F(GradeItemTest, ConfirmReplacesOnlyTheLinesItShows)
{
    linhaPedido("P200", "VD", "P", 1, 10);
    linhaPedido("P100", "XX", "P", 4, 20); // no such colour: cannot be shown
    linhaPedido("P100", "AZ", "M", 2, 20);
    linhaPedido("", "", "", 0, 0);         // untouched line
    auto g = abre("P100");
    EXPECT_EQ(g->TbItens.recordCount(), 1);
    EXPECT_EQ(celula(*g, "AZ", "M"), "2");
    digita(*g, "VM", "G", "3");
    ASSERT_TRUE(g->Confirmar());
    ASSERT_TRUE(g->Confirmar()); // twice: each line once
    DataSet &i = c->CDSItens;
    EXPECT_EQ(i.recordCount(), 4);
    EXPECT_EQ(linhas(i, "P100", "XX"), 1);
    EXPECT_EQ(linhas(i, "P100", "AZ"), 1);
    EXPECT_EQ(linhas(i, "P100", "VM"), 1);
    EXPECT_EQ(linhas(i, "P200", "VD"), 1);
    EXPECT_DOUBLE_EQ(c->totais.qtde, 10);
}

TEST_F(GradeItemTest, ConfirmChecksStockExcessAndDate)
{
    linhaPedido("P200", "VD", "P", 1, 10);
    auto g = abre("P100");
    g->FDtEntrega = g->dataEntregaMostrada = QDate(2029, 5, 1); // handed over: shown, so kept
    digita(*g, "AZ", "P", "3");
    g->TbItens.edit();
    g->TbItens.fieldByName("BloqueiaEst")->setAsString("S");
    g->TbItens.fieldByName("QtdeEst")->setAsInteger(1);
    g->TbItens.post();
    EXPECT_FALSE(g->Confirmar());
    ASSERT_FALSE(rec->texts().isEmpty());
    EXPECT_TRUE(rec->texts().last().startsWith("Item com estoque insuficiente.\r\n\r\nCódigo: P100\r\nCor: AZ"));
    EXPECT_EQ(c->CDSItens.recordCount(), 1);

    g->TbItens.edit();
    g->TbItens.fieldByName("QtdeEst")->setAsInteger(50);
    g->TbItens.post();
    g->FQtdeMaxGrade = 2;
    rec->pushAnswer(MsgResult::No);
    EXPECT_FALSE(g->Confirmar());
    EXPECT_TRUE(rec->texts().last().startsWith("Existem quantidades superiores a 2."));
    EXPECT_EQ(c->CDSItens.recordCount(), 1);
    rec->pushAnswer(MsgResult::Yes);
    EXPECT_TRUE(g->Confirmar());
    EXPECT_EQ(c->CDSItens.recordCount(), 2);
    c->CDSItens.locate({"Codigo"}, {"P100"});
    EXPECT_EQ(c->CDSItens.fieldByName("DtEntrega")->asDate(), QDate(2029, 5, 1));

    rec->clear();
    EXPECT_FALSE(g->EdtEntregaExit(QDate(2025, 1, 1)));
    EXPECT_EQ(rec->texts(), QStringList{"Data de entrega fora do perído definido."});
}

TEST_F(GradeItemTest, SortirSpreadsOverTheLeastOrderedCells)
{
    auto g = abre("P400");
    rec->pushInput(true, "10");
    g->Sortir();
    EXPECT_EQ(celula(*g, "AZ", "P"), "3");
    EXPECT_EQ(celula(*g, "AZ", "M"), "3");
    EXPECT_EQ(celula(*g, "VM", "P"), "2");
    EXPECT_EQ(celula(*g, "VM", "M"), "2");
    EXPECT_DOUBLE_EQ(g->qtdItem, 10);
    EXPECT_EQ(g->TbItens.recordCount(), 4);
    EXPECT_EQ(rec->entries().front().title, "Quantidade a sortir");
    rec->pushInput(true, "-2");
    g->Sortir();
    EXPECT_EQ(g->TbItens.recordCount(), 0);
    EXPECT_DOUBLE_EQ(g->qtdItem, 0);

    auto p = abre("P100"); // the sold-out cell is never written
    rec->pushInput(true, "7");
    p->Sortir();
    EXPECT_EQ(celula(*p, "AZ", "G"), "Esgotado");
    EXPECT_DOUBLE_EQ(p->qtdItem, 7);
}

TEST_F(GradeItemTest, ProportionalAssortment)
{
    auto g = abre("P400");
    rec->pushInput(true, "10");
    g->SortirProporcoes();
    EXPECT_EQ(rec->texts().last(), "Selecione alguma cor para sortir.");
    for (auto &l : g->linhas)
        if (l.cdCor != "-999")
            l.sel = "S";
    rec->pushInput(true, "10");
    g->SortirProporcoes();
    EXPECT_EQ(celula(*g, "AZ", "P"), "7");
    EXPECT_EQ(celula(*g, "VM", "M"), "3");
    EXPECT_DOUBLE_EQ(g->qtdItem, 10);
    for (auto &l : g->linhas)
        EXPECT_EQ(l.sel, "N");

    sql("DELETE FROM PRODUTO_ORDEM WHERE ORDEM > 0"); // only ORDEM 0 left: ends, places nothing
    g->linhas[0].sel = "S";
    rec->pushInput(true, "5");
    g->SortirProporcoes();
    EXPECT_DOUBLE_EQ(g->qtdItem, 0);
    sql("DELETE FROM PRODUTO_ORDEM");
    g->linhas[0].sel = "S";
    rec->pushInput(true, "5");
    g->SortirProporcoes();
    EXPECT_EQ(rec->texts().last(), "Core(s) sem ordem de sortimento configurado.");
}

namespace {

class GradeJanelaTest : public GradeItemTest {
protected:
    void SetUp() override
    {
        ReiniciaAplicacao();
        GradeItemTest::SetUp();
        janela = AbrePedidoPelaBarra(principal);
        ASSERT_NE(janela, nullptr);
        QApplication::setActiveWindow(principal.get());
        janela->btnNovo->click();
        ASSERT_TRUE(janela->EmEdicao());
        janela->edtCodTab->setText("SUL");
        janela->Pedido().tabela = "SUL";
        pedidoItens = janela->CDSItens();
        rec->clear();
    }
    void TearDown() override
    {
        FechaPedidoEPrincipal(principal);
        GradeItemTest::TearDown();
        ReiniciaAplicacao();
    }

    // Presses F3 in the item grid's product column and runs acao inside the
    // modal grade window, which it then closes.
    void f3(const std::function<void(TfmGradeItem &)> &acao)
    {
        bool aberta = false;
        QTimer::singleShot(0, janela, [&] {
            auto *g = qobject_cast<TfmGradeItem *>(QApplication::activeModalWidget());
            if (!g)
                return;
            aberta = true;
            acao(*g);
            g->BtnFechar->click();
        });
        janela->XRDBGrid2->setFocus();
        janela->XRDBGrid2->SetSelectedIndex(janela->XRDBGrid2->IndexOfColumn(janela->XRDBGrid2->GetColumn("Codigo")));
        QTest::keyClick(janela->XRDBGrid2, Qt::Key_F3);
        EXPECT_TRUE(aberta) << "no grade window";
    }
    static void celula(TfmGradeItem &g, int linha, int tam, const QString &v)
    {
        g.DBGrid1CorTam->item(linha, 2 + tam)->setText(v);
    }

    std::unique_ptr<TfmPrincipal> principal;
    TfmPedido *janela = nullptr;
};

} // namespace

TEST_F(GradeJanelaTest, F3OpensTheLinesProductAndConfirmWritesTheOrder)
{
    DataSet &itens = *janela->CDSItens();
    itens.cancel();
    linhaPedido("P100", "AZ", "P", 2, 20);
    f3([&](TfmGradeItem &g) {
        EXPECT_EQ(g.windowTitle(), "Grade Itens");
        EXPECT_EQ(g.edtCodigo->text(), "P100");
        EXPECT_EQ(g.edtDescricao->text(), "CAMISA");
        EXPECT_EQ(g.DBGrid1CorTam->item(1, 1)->text(), "AZ - AZUL");
        EXPECT_EQ(g.DBGrid1CorTam->item(1, 2)->text(), "2");
        celula(g, 2, 2, "3"); // VERMELHO, G
        EXPECT_EQ(g.EdtQtdItem->text(), "5,00");
        EXPECT_EQ(g.EdtTotValor->text(), "100,00");
        EXPECT_EQ(itens.recordCount(), 1); // nothing reaches the order before "Confirmar"
        g.btnConfirmar->click();
        EXPECT_EQ(itens.recordCount(), 2);
    });
    EXPECT_EQ(itens.recordCount(), 2);
    EXPECT_EQ(linhas(itens, "P100", "VM"), 1);
    EXPECT_DOUBLE_EQ(janela->Pedido().totais.qtde, 5);
    EXPECT_DOUBLE_EQ(janela->Pedido().totais.liquido, 100);
    EXPECT_EQ(janela->EdtTotVal->text(), "100,00");
}

TEST_F(GradeJanelaTest, F3OnANewOrdersUntouchedLineOpensABlankGrade)
{
    ASSERT_TRUE(janela->CDSItens()->isEmpty());
    f3([&](TfmGradeItem &g) {
        EXPECT_TRUE(g.edtCodigo->text().isEmpty());
        EXPECT_EQ(janela->CDSItens()->recordCount(), 1); // the untouched line was committed
        g.edtCodigo->setText("P400");
        g.edtCodigoExit();
        ASSERT_EQ(g.Regras().FCodigo, "P400");
        celula(g, 0, 0, "4");
        g.btnConfirmar->click();
    });
    DataSet &itens = *janela->CDSItens();
    EXPECT_EQ(itens.recordCount(), 1); // the blank line went, the typed one came
    itens.first();
    EXPECT_EQ(itens.fieldByName("Codigo")->asString(), "P400");
    EXPECT_DOUBLE_EQ(itens.fieldByName("Qtde")->asFloat(), 4);
}

TEST_F(GradeJanelaTest, TabInTheLastSizeColumnGoesOnToTheNextColourRow)
{
    DataSet &itens = *janela->CDSItens();
    itens.cancel();
    linhaPedido("P100", "AZ", "P", 2, 20);
    f3([&](TfmGradeItem &g) {
        QTableWidget *t = g.DBGrid1CorTam;
        ASSERT_EQ(t->item(1, 1)->text(), "AZ - AZUL");
        ASSERT_EQ(t->item(1, 4)->text(), "Esgotado");
        t->setFocus();
        // a middle column steps to the next one
        t->setCurrentCell(1, 2);
        QTest::keyClick(t, Qt::Key_Tab);
        EXPECT_EQ(t->currentColumn(), 3);
        // the last size column of a row: the next row's first editable cell
        t->setCurrentCell(0, 4);
        QTest::keyClick(t, Qt::Key_Tab);
        EXPECT_EQ(t->currentRow(), 1);
        EXPECT_EQ(t->currentColumn(), 2);
        // typing in the last size cell of the last colour row: kept, then "Confirmar"
        t->setCurrentCell(2, 4);
        t->editItem(t->item(2, 4));
        auto *editor = t->viewport()->findChild<QLineEdit *>();
        ASSERT_NE(editor, nullptr);
        QTest::keyClicks(editor, "3");
        QTest::keyClick(editor, Qt::Key_Tab);
        EXPECT_EQ(t->item(2, 4)->text(), "3");
        EXPECT_EQ(g.EdtQtdItem->text(), "5,00");
        EXPECT_EQ(g.focusWidget(), g.btnConfirmar);
    });
}
