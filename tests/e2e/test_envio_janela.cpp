// The real window "Envio de Pedido", offscreen, opened from the main window's
// side bar and sending two ticked orders to the fake back office.
#include "EnvioFixture.h"

#include "components/XRDBGrid.h"
#include "sync/untEnvioPedidos.h"
#include "sync/untPedRejeitados.h"
#include "windows/nucleo/WindowRegistry.h"
#include "windows/principal/untPrincipal.h"

#include <QAction>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace envio;

namespace {

void clicaSel(TXRDBGrid *grade, int linha)
{
    QTest::mouseClick(grade->viewport(), Qt::LeftButton, {},
                      grade->visualRect(grade->Model()->index(linha, 0)).center());
}

} // namespace

TEST(EnvioJanela, TwoTickedOrdersSentThroughTheWindow)
{
    FakeLoja fake(json{{"versao", "17"}, {"rejeitar", {{"00005", "sem limite"}}}});
    Instalacao base(true, fake.porta);
    ScopedDialogRecorder rec;
    base.sql("INSERT INTO PEDIDO (PED_NUME, PED_CCLI, PED_DTCA, PED_IDFECHADO, PED_MD5) "
             "VALUES ('00007', '00002', '2026-01-07', 'S', 'MD5C')");
    QStringList memo;
    const auto anterior = TfmPedRejeitados::ExibeModal;
    TfmPedRejeitados::ExibeModal = [&](TfmPedRejeitados &j) {
        memo << j.windowTitle().left(18) << j.Memo->toPlainText();
        EXPECT_TRUE(j.Memo->isReadOnly());
    };

    RegisterClass(QStringLiteral("TfmEnvioPedidos"), [](QWidget *dono) { return new TfmEnvioPedidos(dono); });
    TGanchosPrincipal g;
    g.Login = [](QWidget *) { return true; };
    auto principal = std::make_unique<TfmPrincipal>(g);
    principal->show();
    QTest::mouseClick(principal->pnlEnvio, Qt::LeftButton);
    auto *janela = qobject_cast<TfmEnvioPedidos *>(BuscaForm(QStringLiteral("TfmEnvioPedidos")));
    ASSERT_NE(janela, nullptr);
    EXPECT_TRUE(janela->windowTitle().startsWith(QStringLiteral("Envio de Pedido")));
    EXPECT_EQ(janela->LbLote->text(), QStringLiteral("Número do Lote de Envio 8"));
    EXPECT_EQ(janela->CDSPedidos()->recordCount(), 3);

    // the list takes no rows from the user
    EXPECT_THROW(janela->CDSPedidos()->append(), EAbort);
    EXPECT_EQ(janela->CDSPedidos()->recordCount(), 3);

    janela->edtCodCli->setText(QStringLiteral("00002"));
    EXPECT_EQ(janela->edtNomeCli->text(), QStringLiteral("Loja Roxa"));
    janela->edtCodCli->clear();

    clicaSel(janela->DBGPadrao, 0);
    clicaSel(janela->DBGPadrao, 1);
    rec->pushAnswer(MsgResult::Yes);
    QTest::mouseClick(janela->btnSincronizar, Qt::LeftButton);

    EXPECT_TRUE(rec->texts().contains(
        QStringLiteral("Envio de Pedidos efetuado com Sucesso!\rPorém, contém Pedidos Rejeitados!")))
        << rec->texts().join(" | ").toStdString();
    EXPECT_EQ(memo, (QStringList{"Pedidos Rejeitados", "Pedido Rejeitado: 00005 - sem limite"}));
    EXPECT_EQ(janela->LbLote->text(), QStringLiteral("Número do Lote de Envio 9"));
    EXPECT_EQ(janela->CDSPedidos()->recordCount(), 2);
    EXPECT_TRUE(janela->btnSincronizar->isEnabled());
    EXPECT_EQ(base.valor("SELECT PED_NRLOTE FROM PEDIDO WHERE PED_NUME = '00003'").toInt(), 8);
    ASSERT_EQ(fake.loja().size(), 1u);
    EXPECT_EQ(fake.loja()[0]["pedido"], "00003");

    // the customer filter and the dates take effect on "&Consultar" only
    janela->edtCodCli->setText(QStringLiteral("00002"));
    EXPECT_EQ(janela->CDSPedidos()->recordCount(), 2);
    QTest::mouseClick(janela->BtnConsultar, Qt::LeftButton);
    EXPECT_EQ(janela->CDSPedidos()->recordCount(), 2);
    janela->EdtEmiFim->setDate(QDate(2026, 1, 6));
    QTest::mouseClick(janela->BtnConsultar, Qt::LeftButton);
    EXPECT_EQ(janela->CDSPedidos()->recordCount(), 1);
    janela->pmEnvioPedPopup();
    EXPECT_TRUE(janela->ConsiderarEnviado->isEnabled());
    janela->EdtEmiFim->setDate(QDate(2000, 1, 2));
    QTest::mouseClick(janela->BtnConsultar, Qt::LeftButton);
    janela->pmEnvioPedPopup();
    EXPECT_FALSE(janela->ConsiderarEnviado->isEnabled());

    principal.reset();
    UnRegisterClass(QStringLiteral("TfmEnvioPedidos"));
    TfmPedRejeitados::ExibeModal = anterior;
}
