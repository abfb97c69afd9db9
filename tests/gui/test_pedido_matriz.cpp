#include "test_pedido_fixture.h"

#include "windows/nucleo/Aplicacao.h"
#include "windows/pedido/regras/RegrasPedido.h"
#include "windows/pedido/untCopiaPedido.h"
#include "windows/pedido/untGrade.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>

namespace {

// Every row of the grid, cells joined by "|"; "*" marks a cell that can be picked.
QStringList textos(const QTableWidget *t)
{
    QStringList linhas;
    for (int i = 0; i < t->rowCount(); ++i) {
        QStringList v;
        for (int j = 0; j < t->columnCount(); ++j) {
            const QTableWidgetItem *c = t->item(i, j);
            v << (c ? c->text() + (c->flags() & Qt::ItemIsSelectable ? "*" : "") : QStringLiteral("?"));
        }
        linhas << v.join('|');
    }
    return linhas;
}

// The order window over order 00006, whose lines have two products sharing
// a colour written in two ways.
class MatrizTest : public PedidoDbTest {
protected:
    void SetUp() override
    {
        ReiniciaAplicacao();
        PedidoDbTest::SetUp();
        struct L {
            int item;
            const char *codigo, *cor, *ds, *tam, *qtde;
        } const itens[] = {
            {1, "P1", "AZ", "Azul", "M", "3"},   {2, "P2", "AZ", "AZUL", "M", "2"}, {3, "P1", "AZ", "Azul", "G", "2.5"},
            {4, "P2", "VD", "Verde", "GG", "1"}, {5, "P2", "VD", "Verde", "P", "4"},
        };
        for (const L &l : itens) {
            sql(QString("INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_DSCOR, PAIT_TAM, PAIT_IDESGOTADO, PAIT_QTDE) "
                        "VALUES ('%1', '%2', '%3', '%4', 'N', 99)")
                    .arg(l.codigo, l.cor, l.ds, l.tam));
            sql(QString("INSERT INTO PED_ITEN (PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI, PEDIT_COR, PEDIT_TAM, PEDIT_QTDE, "
                        "PEDIT_PREC, PEDIT_PREC_ORI) VALUES ('00006', %1, '%2', '%3', '%4', %5, 10, 10)")
                    .arg(l.item)
                    .arg(l.codigo, l.cor, l.tam, l.qtde));
        }
        janela = AbrePedidoPelaBarra(principal);
        ASSERT_NE(janela, nullptr);
        rec->clear();
    }
    void TearDown() override
    {
        TfmPedido::AbreGradeGeral = nullptr;
        TfmGrade::ExibeModal = [](TfmGrade &j) { j.ShowModal(); };
        TfmCopiaPedido::ExibeModal = [](TfmCopiaPedido &j) { j.ShowModal(); };
        FechaPedidoEPrincipal(principal);
        PedidoDbTest::TearDown();
        ReiniciaAplicacao();
    }

    // Loads the first (00006) or last (00012) order of the list.
    void carrega(bool primeiro)
    {
        janela->CBStatus->setChecked(false);
        janela->RGOrdemCresc->setChecked(true);
        janela->BtnConsultar->click();
        primeiro ? janela->CDSConsulta->first() : janela->CDSConsulta->last();
        janela->DBGrid2DblClick();
    }

    std::unique_ptr<TfmPrincipal> principal;
    TfmPedido *janela = nullptr;
};

} // namespace

TEST_F(MatrizTest, GradeShowsTheWholeOrderAsColoursBySizes)
{
    InstalaGradeGeral();
    QStringList visto;
    QString titulo;
    bool ultimaLinha = true, ultimaColuna = true, celula = false;
    TfmGrade::ExibeModal = [&](TfmGrade &g) {
        g.show();
        titulo = g.windowTitle();
        visto = textos(g.StgGrade);
        g.StgGradeSelectCell(1, g.StgGrade->rowCount() - 1, ultimaLinha);
        g.StgGradeSelectCell(g.StgGrade->columnCount() - 1, 1, ultimaColuna);
        g.StgGradeSelectCell(1, 1, celula);
        g.BtnFechar->click();
        EXPECT_FALSE(g.isVisible());
    };
    carrega(true);
    ASSERT_EQ(janela->EdtNumero->text(), "00006");
    janela->btnAltera->click();
    ASSERT_TRUE(janela->btnGradeGeral->isEnabled());
    janela->btnGradeGeral->click();

    EXPECT_TRUE(titulo.startsWith("Grade")) << titulo.toStdString(); // the version follows
    EXPECT_EQ(visto, (QStringList{
                         "Cor|P|M|G|GG|Total",
                         "Azul|0*|5*|2,5*|0*|7,5",
                         "Verde|4*|0*|0*|1*|5",
                         "Total|4|5|2,5|1|12,5",
                     }));
    EXPECT_FALSE(ultimaLinha);
    EXPECT_FALSE(ultimaColuna);
    EXPECT_TRUE(celula);
    EXPECT_EQ(janela->CDSItens()->recordCount(), 5); // nothing written back
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('|').toStdString();
}

TEST_F(MatrizTest, GradeOfAnOrderWithoutLines)
{
    DataSet vazio;
    vazio.setFieldDefs(CamposItensPedido());
    vazio.open();
    auto *g = new TfmGrade(nullptr, vazio);
    g->show();
    EXPECT_EQ(textos(g->StgGrade), (QStringList{"Cor|Total", "Total|0"}));
    delete g;
}

TEST_F(MatrizTest, DuplicarCopiesTheOrderOnDisplay)
{
    QStringList campos;
    bool fechou = false;
    TfmCopiaPedido::ExibeModal = [&](TfmCopiaPedido &j) {
        j.show();
        campos << j.edtPedido->text() << j.edtCodCli->text() << j.edtDescCli->text() << j.EdtCopia->text();
        j.edtCodCli->setText("00001");
        j.EdtCopia->setValue(2);
        j.BtDuplicar->click();
        fechou = !j.isVisible();
    };
    carrega(false);
    ASSERT_EQ(janela->EdtNumero->text(), "00012");
    janela->btnCopia->click();
    EXPECT_EQ(campos, (QStringList{"00012", "00004", "Loja Verde", "1"}));
    EXPECT_TRUE(fechou);
    EXPECT_EQ(rec->texts(), QStringList{"Pedidos de 00013 até 00014 foram criados"});
    EXPECT_EQ(scalar(*dm->XRDtRepres, "SELECT COUNT(*) FROM PEDIDO WHERE PED_NUME IN ('00013', '00014') AND "
                                      "PED_CCLI = '00001' AND PED_IDFECHADO = 'N'")
                  .toInt(),
              2);
}

TEST_F(MatrizTest, DuplicarRefusedByAnIncompleteLoad)
{
    sql("UPDATE CONFIG SET NRULTCONFIG = -1");
    janela->close();
    QTest::mouseClick(principal->pnlPedido, Qt::LeftButton);
    janela = qobject_cast<TfmPedido *>(BuscaForm(QStringLiteral("TfmPedido")));
    ASSERT_NE(janela, nullptr);
    bool aberta = false;
    TfmCopiaPedido::ExibeModal = [&](TfmCopiaPedido &) { aberta = true; };
    carrega(true);
    rec->clear();
    janela->btnCopia->click();
    EXPECT_FALSE(aberta);
    EXPECT_EQ(rec->texts(),
              QStringList{"A carga de dados está incompleta. Favor baixar a carga novamente para continuar."});
}
