#include "test_pedido_fixture.h"

#include "components/XRDBGrid.h"
#include "components/untCpoBusca.h"
#include "components/untCpoPesquisa.h"
#include "windows/nucleo/Aplicacao.h"
#include "windows/nucleo/WindowRegistry.h"
#include "windows/pedido/untPedido.h"
#include "windows/principal/untPrincipal.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QCheckBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QRadioButton>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

namespace {

class JanelaPedidoTest : public PedidoDbTest {
protected:
    void SetUp() override
    {
        ReiniciaAplicacao();
        PedidoDbTest::SetUp();
        sql("INSERT INTO PEDIDO (PED_NUME, PED_CCLI, PED_DTEM, PED_DTEN, PED_DTFAT, PED_CONP, PED_PDESC, PED_CIF, "
            "PED_TABPRE, PED_IDFECHADO) VALUES ('00007', '00004', '2026-01-06', '2026-02-01', '2026-01-10', '45', 0, "
            "'0', 'SUL', 'S')");
        sql("INSERT INTO PED_ITEN (PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI, PEDIT_COR, PEDIT_TAM, PEDIT_QTDE, PEDIT_PREC, "
            "PEDIT_PREC_ORI) VALUES ('00006', 1, 'P1', 'AZ', 'M', 3, 10, 12)");
        sql("INSERT INTO PED_ITEN (PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI, PEDIT_COR, PEDIT_TAM, PEDIT_QTDE, PEDIT_PREC, "
            "PEDIT_PREC_ORI) VALUES ('00007', 1, 'P1', 'AZ', 'G', 2, 5, 0)");
        janela = AbrePedidoPelaBarra(principal);
        rec->clear();
    }
    void TearDown() override
    {
        FechaPedidoEPrincipal(principal);
        PedidoDbTest::TearDown();
        ReiniciaAplicacao();
    }

    QStringList coluna(const char *campo)
    {
        QStringList l;
        DataSet *ds = janela->CDSConsulta;
        for (ds->first(); !ds->eof(); ds->next())
            l << ds->fieldByName(campo)->asString();
        return l;
    }

    std::unique_ptr<TfmPrincipal> principal;
    TfmPedido *janela = nullptr;
};

} // namespace

TEST_F(JanelaPedidoTest, OpensFromTheSideBarInBrowseModeAndIncluirStartsAnOrder)
{
    ASSERT_NE(janela, nullptr);
    EXPECT_EQ(fmPedido, janela);
    EXPECT_EQ(janela->windowTitle(), "Cadastro de Pedidos");
    EXPECT_FALSE(janela->EmEdicao());
    EXPECT_FALSE(janela->PnPedidos->isEnabled());
    EXPECT_TRUE(janela->pnConf->isHidden());
    EXPECT_FALSE(janela->btnAltera->isEnabled());
    EXPECT_FALSE(janela->btnExclui->isEnabled());
    EXPECT_EQ(janela->Pedido().NrConfiguracao, 3);

    janela->edtCodCliente->setText("00001");
    QTest::mouseClick(janela->btnNovo, Qt::LeftButton);
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('|').toStdString();
    EXPECT_TRUE(janela->EmEdicao());
    EXPECT_TRUE(janela->PnPedidos->isEnabled());
    EXPECT_TRUE(janela->EdtNumero->isEnabled());
    EXPECT_TRUE(janela->PnManBotoes->isHidden());
    EXPECT_TRUE(janela->pnTotaisPed->isEnabled());
    EXPECT_FALSE(janela->XRDBGrid2->ReadOnly());
    EXPECT_EQ(janela->edtCodCliente->text(), ""); // cleared for the new order
    EXPECT_EQ(janela->dtDt_Emi->date(), QDate::currentDate());
    EXPECT_EQ(janela->edtVen_Fatura->date(), QDate(2000, 1, 1));
    EXPECT_EQ(janela->EdtDesc->text(), "0,00");

    // the page stays on the order while it is edited
    janela->PControlCliente->setCurrentWidget(janela->TabAcesso);
    EXPECT_EQ(janela->PControlCliente->currentWidget(), janela->TabManutencao);

    // closing is refused, and the main window knows an order is being edited
    EXPECT_FALSE(janela->close());
    EXPECT_EQ(rec->texts(), QStringList{"Cancele a edição do Pedido antes de sair"});
    EXPECT_EQ(BuscaForm(QStringLiteral("TfmPedido")), janela);
    rec->clear();
    rec->pushAnswer(MsgResult::No);
    EXPECT_FALSE(principal->close());
    ASSERT_EQ(rec->entries().size(), 1u);
    EXPECT_EQ(rec->entries()[0].buttons, MsgButtons::YesNo);
    EXPECT_TRUE(principal->isVisible());

    rec->clear();
    rec->pushAnswer(MsgResult::No);
    janela->BtnDesistir->click();
    EXPECT_TRUE(janela->EmEdicao());
    rec->pushAnswer(MsgResult::Yes);
    janela->BtnDesistir->click();
    EXPECT_FALSE(janela->EmEdicao());
    EXPECT_FALSE(janela->PnManBotoes->isHidden());
    EXPECT_EQ(rec->texts(), (QStringList{"Deseja realmente cancelar o pedido?", "Deseja realmente cancelar o pedido?"}));
}

TEST_F(JanelaPedidoTest, IncluirRefusedByAnIncompleteLoad)
{
    sql("UPDATE CONFIG SET NRULTCONFIG = -1");
    janela->close(); // not editing: it closes
    QTest::mouseClick(principal->pnlPedido, Qt::LeftButton);
    janela = qobject_cast<TfmPedido *>(BuscaForm(QStringLiteral("TfmPedido")));
    ASSERT_NE(janela, nullptr);
    janela->btnNovo->click();
    EXPECT_EQ(rec->texts(),
              QStringList{"A carga de dados está incompleta. Favor baixar a carga novamente para continuar."});
    EXPECT_FALSE(janela->EmEdicao());
}

TEST_F(JanelaPedidoTest, OrderListShowsStatusesAndTotals)
{
    // a placeholder date of sending shows as none; a real one stays
    sql("UPDATE PEDIDO SET PED_DTSINCRONIZACAO = '1899-12-30' WHERE PED_NUME = '00007'");
    sql("UPDATE PEDIDO SET PED_DTSINCRONIZACAO = '2026-01-20' WHERE PED_NUME = '00012'");
    janela->CBStatus->setChecked(false);
    janela->RGOrdemCresc->setChecked(true);
    janela->BtnConsultar->click();
    EXPECT_EQ(coluna("NUMERO"), (QStringList{"00006", "00007", "00012"}));
    EXPECT_EQ(coluna("STATUS"), (QStringList{"Aberto", "Fechado", "Transmitido"}));
    EXPECT_EQ(coluna("SEL"), (QStringList{"N", "N", "N"}));
    EXPECT_EQ(coluna("SINCRONIZACAO"), (QStringList{"", "", "20/01/2026"}));
    EXPECT_EQ(janela->edtQtdeTotPed->text(), "5,00");
    EXPECT_EQ(janela->edtValorTotPed->text(), "46,00"); // 36 gross, and 10 net where no gross
    EXPECT_EQ(janela->edtValorLiqPed->text(), "37,15"); // 30 less 9.5 %, and 10

    // only open orders may be ticked
    DataSet *ds = janela->CDSConsulta;
    for (ds->first(); !ds->eof(); ds->next()) {
        const bool aberto = ds->fieldByName("STATUS")->asString() == "Aberto";
        EXPECT_EQ(janela->FechamentodePedido1->isVisible(), aberto);
        ds->edit();
        if (aberto) {
            ds->fieldByName("SEL")->setAsString("S");
        } else {
            EXPECT_THROW(ds->fieldByName("SEL")->setAsString("S"), EAbort);
            ds->cancel();
        }
        if (ds->state() != DataSet::State::Browse)
            ds->post();
    }
    EXPECT_EQ(coluna("SEL"), (QStringList{"S", "N", "N"}));

    janela->CBStatus->setChecked(true);
    janela->RGOrdemDesc->setChecked(true);
    janela->BtnConsultar->click();
    EXPECT_EQ(coluna("NUMERO"), (QStringList{"00007", "00006"}));

    janela->EdtNum->setText("00099");
    janela->BtnConsultar->click();
    EXPECT_TRUE(ds->isEmpty());
    EXPECT_EQ(janela->edtQtdeTotPed->text(), "0,00");
    EXPECT_EQ(janela->edtValorLiqPed->text(), "0,00");
}

TEST_F(JanelaPedidoTest, OrderListColumnsShowWholeTitlesAndDates)
{
    janela->CBStatus->setChecked(false);
    janela->BtnConsultar->click();
    ASSERT_EQ(janela->CDSConsulta->recordCount(), 3);
    TXRDBGrid *g = janela->DBGrid2;
    QHeaderView *h = g->horizontalHeader();
    const QFontMetrics fm(g->font());
    for (int i = 0; i < g->ColumnCount(); ++i) {
        const TXRColumn *c = g->Column(i);
        SCOPED_TRACE(c->Title.toStdString());
        EXPECT_GE(g->columnWidth(i), h->sectionSizeHint(i));
        if (c->FieldName != "EMISSAO" && c->FieldName != "SINCRONIZACAO")
            continue;
        for (int r = 0; r < g->model()->rowCount(); ++r) {
            const QString texto = g->model()->index(r, i).data().toString();
            // the cell draws its text 2 pixels in from each side of its grid line
            EXPECT_GE(g->columnWidth(i), fm.horizontalAdvance(texto) + 5) << texto.toStdString();
        }
    }
}

TEST_F(JanelaPedidoTest, CodeAndFilterBoxesTakeOnlyWhatTheDatabaseHolds)
{
    janela->btnNovo->click();
    ASSERT_TRUE(janela->EmEdicao());
    for (QLineEdit *e : {janela->edtCodCliente, janela->edtCodTab, janela->edtCodCli, janela->edtCidade}) {
        SCOPED_TRACE(e->objectName().toStdString());
        e->clear();
        for (const QString &t : {QStringLiteral("0"), QStringLiteral("\u03A9"), QStringLiteral("\u00C7")}) {
            QKeyEvent tecla(QEvent::KeyPress, 0, Qt::NoModifier, t);
            QApplication::sendEvent(e, &tecla);
        }
        e->insert(QStringLiteral("\u2713")); // a paste
        EXPECT_EQ(e->text(), QStringLiteral("0\u00C7"));
    }
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('|').toStdString();
    rec->pushAnswer(MsgResult::Yes);
    janela->BtnDesistir->click();
}

TEST_F(JanelaPedidoTest, LoadingFromTheList)
{
    janela->CBStatus->setChecked(false);
    janela->RGOrdemCresc->setChecked(true);
    janela->BtnConsultar->click();
    DataSet *ds = janela->CDSConsulta;

    janela->edtDesc2->setText("5");
    ds->first();
    janela->DBGrid2DblClick();
    EXPECT_EQ(janela->PControlCliente->currentWidget(), janela->TabManutencao);
    EXPECT_EQ(janela->EdtNumero->text(), "00006");
    EXPECT_EQ(janela->edtCodCliente->text(), "00001");
    EXPECT_EQ(janela->edtDescCliente->text(), "Loja Azul");
    EXPECT_EQ(janela->edtInfCliSituacao->text(), "Liberado");
    EXPECT_EQ(janela->EdtDesc->text(), "9,50");
    EXPECT_EQ(janela->edtDesc1->text(), "9,50");
    EXPECT_EQ(janela->edtDesc2->text(), "");
    EXPECT_EQ(janela->edtSincStatus->text(), "Aberto");
    EXPECT_EQ(janela->CDSItens()->recordCount(), 1);
    EXPECT_EQ(janela->EdtTotQtde->text(), "3,00");
    EXPECT_EQ(janela->EdtVAlBruto->text(), "36,00");
    EXPECT_EQ(janela->EdtTotDesc->text(), "8,85"); // 6.00 from the line, 2.85 from the order
    EXPECT_EQ(janela->EdtTotVal->text(), "27,15");
    EXPECT_TRUE(janela->btnAltera->isEnabled());
    EXPECT_TRUE(janela->btnExclui->isEnabled());
    EXPECT_FALSE(janela->CBFechado->isChecked());

    ds->last();
    janela->DBGrid2DblClick();
    EXPECT_EQ(janela->EdtNumero->text(), "00012");
    EXPECT_FALSE(janela->EmEdicao());
    EXPECT_FALSE(janela->btnAltera->isEnabled());
    EXPECT_FALSE(janela->btnExclui->isEnabled());
    EXPECT_TRUE(janela->CBFechado->isChecked());
    EXPECT_FALSE(janela->CBFechado->isEnabled());
    EXPECT_EQ(janela->CDSItens()->recordCount(), 0);
    EXPECT_EQ(janela->EdtTotVal->text(), "0,00");
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('|').toStdString();
}

TEST_F(JanelaPedidoTest, ConditionSearchListsOnlyTheCustomersConditions)
{
    janela->btnNovo->click();
    janela->edtCodCliente->setText("00001");
    janela->Pedido().cliente = "00001";
    ASSERT_TRUE(janela->Pedido().edtCodClienteExit());
    // the window's look-up takes its lines from the order when shown again
    janela->edtCodCond->setText("X");
    janela->edtCodCond->setText("");
    TfrmCpoBusca *f = janela->PqCondicao->CriaPesquisa();
    EXPECT_TRUE(f->FSQL.endsWith("WHERE COND_CODCOND IN ('306090')")) << f->FSQL.toStdString();
    delete f;
}

TEST_F(JanelaPedidoTest, LeavingTheCustomerFieldChecksIt)
{
    QApplication::setActiveWindow(principal.get());
    janela->btnNovo->click();
    janela->edtCodTab->setText("SUL"); // an empty table would open its search on leaving
    struct Caso {
        QWidget *destino;
        QStringList mensagens;
    } casos[] = {
        {janela->edtCodTab, {"Cliente Bloqueado."}},
        {janela->BtnDesistir, {}}, // abandoning the order checks nothing
    };
    for (const Caso &k : casos) {
        rec->clear();
        janela->edtCodCliente->setFocus();
        ASSERT_TRUE(janela->edtCodCliente->hasFocus());
        janela->edtCodCliente->setText("00002");
        k.destino->setFocus();
        QCoreApplication::processEvents();
        EXPECT_EQ(rec->texts(), k.mensagens);
        EXPECT_EQ(janela->edtInfCliSituacao->text(), "Bloqueado");
        if (!k.mensagens.isEmpty()) {
            EXPECT_TRUE(janela->edtCodCliente->hasFocus()); // put back on the field
        }
    }
}
