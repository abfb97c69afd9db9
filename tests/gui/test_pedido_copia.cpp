#include "test_pedido_fixture.h"

#include "windows/nucleo/Aplicacao.h"
#include "windows/pedido/regras/CopiaPedido.h"
#include "windows/pedido/untCopiaPedido.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace {

const QDate hoje(2026, 3, 10);

// Order 00012 (closed, sent, customer 00004) with two items, delivery date
// in the past and invoice date in the future; 00030 the other way round;
// 00040, the highest number, without dates.
class CopiaTest : public PedidoDbTest {
protected:
    void SetUp() override
    {
        PedidoDbTest::SetUp();
        for (const char *s : {
                 "UPDATE PEDIDO SET PED_DTFAT = '2026-04-20', PED_MD5 = 'ABCDEF', PED_OBSE = 'entregar d''manhã', "
                 "PED_DTCA = '2026-01-04', PED_TABPRZ = '60', PED_CONFIG = 2 WHERE PED_NUME = '00012'",
                 "INSERT INTO PEDIDO (PED_NUME, PED_CCLI, PED_DTEM, PED_DTEN, PED_DTFAT, PED_IDFECHADO) "
                 "VALUES ('00030', '00001', '2026-01-05', '2026-05-01', '2026-03-09', 'N')",
                 "INSERT INTO PEDIDO (PED_NUME, PED_CCLI, PED_DTEM, PED_IDFECHADO) VALUES ('00040', '00001', "
                 "'2026-01-05', 'N')",
                 "INSERT INTO PRODUTO (PROD_CODI, PROD_DESC, PROD_DT_ENTREGA) VALUES ('P1', 'CAMISA', '2026-06-15')",
                 "INSERT INTO PRODUTO (PROD_CODI, PROD_DESC) VALUES ('P2', 'CALCA')",
                 "INSERT INTO PED_ITEN (PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI, PEDIT_COR, PEDIT_TAM, PEDIT_QTDE, "
                 "PEDIT_PREC, PEDIT_PREC_ORI, PEDIT_TIPO, PEDIT_DT_ENTREGA) "
                 "VALUES ('00012', 2, 'P2', 'VD', 'G', 1.5, 7.25, 8, 'N', '2026-01-01')",
                 "INSERT INTO PED_ITEN (PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI, PEDIT_COR, PEDIT_TAM, PEDIT_QTDE, "
                 "PEDIT_PREC, PEDIT_PREC_ORI, PEDIT_TIPO, PEDIT_DT_ENTREGA) "
                 "VALUES ('00012', 1, 'P1', 'AZ', 'M', 3, 10, 12, 'N', '2026-01-01')",
             })
            sql(QString::fromUtf8(s));
        copia = std::make_unique<CopiaPedido>(*dm);
        copia->hoje = [] { return hoje; };
    }
    void TearDown() override
    {
        copia.reset();
        PedidoDbTest::TearDown();
    }

    QStringList linhas(const QString &sqlTexto)
    {
        TXRQuery q;
        q.SetDatabase(dm->XRDtRepres);
        q.SQL().Add(sqlTexto);
        q.Open();
        QStringList r;
        for (q.first(); !q.eof(); q.next()) {
            QStringList v;
            for (int k = 0; k < q.fieldCount(); ++k)
                v << (q.field(k)->isNull() ? QStringLiteral("null") : q.field(k)->asString());
            r << v.join('|');
        }
        return r;
    }
    int conta(const char *tabela) { return scalar(*dm->XRDtRepres, QString("SELECT COUNT(*) FROM ") + tabela).toInt(); }
    QString cabecalho(const QString &numero)
    {
        const QStringList l = linhas("SELECT PED_CCLI, PED_DTCA, PED_DTEM, PED_DTEN, PED_DTFAT, PED_CONP, PED_PDESC, "
                                     "PED_CIF, PED_OBSE, PED_TABPRE, PED_CONFIG, PED_TABPRZ, PED_IDFECHADO, PED_MD5, "
                                     "PED_NRLOTE, PED_DTSINCRONIZACAO FROM PEDIDO WHERE PED_NUME = '" + numero + "'");
        return l.value(0);
    }
    QStringList relatorios() const
    {
        QStringList r;
        for (const DialogEntry &e : rec->entries())
            r << e.text + " [" + e.title + (e.icon == MsgIcon::Information ? "/info]" : "]");
        return r;
    }

    std::unique_ptr<CopiaPedido> copia;
};

} // namespace

TEST_F(CopiaTest, CopiesOfAClosedSentOrderAreNewOpenOrders)
{
    ASSERT_TRUE(copia->Duplica("00012", "00001", "3"));
    EXPECT_EQ(copia->FLpedidos, (QStringList{"00041", "00042", "00043"}));
    EXPECT_EQ(relatorios(), QStringList{"Pedidos de 00041 até 00043 foram criados [Cópia do Pedido/info]"});
    for (const QString numero : {"00041", "00042", "00043"}) {
        // customer as chosen, emission today, past delivery today, future
        // invoice kept; open, unsent and without fingerprint
        EXPECT_EQ(cabecalho(numero), "00001|04/01/2026|10/03/2026|10/03/2026|20/04/2026|45|0|0|entregar d'manhã|SUL|2|60|"
                                     "N|null|null|null")
            << numero.toStdString();
        // prices as they were; delivery date from the product as it is now
        EXPECT_EQ(linhas("SELECT PEDIT_ITEM, PEDIT_CODI, PEDIT_COR, PEDIT_TAM, PEDIT_QTDE, PEDIT_PREC, PEDIT_PREC_ORI, "
                         "PEDIT_TIPO, PEDIT_DT_ENTREGA FROM PED_ITEN WHERE PEDIT_NUME = '" + numero +
                         "' ORDER BY PEDIT_ITEM"),
                  (QStringList{"1|P1|AZ|M|3|10|12|N|15/06/2026", "2|P2|VD|G|1,5|7,25|8|N|null"}));
    }
    EXPECT_EQ(cabecalho("00012"), "00004|04/01/2026|05/01/2026|01/02/2026|20/04/2026|45|0|0|entregar d'manhã|SUL|2|60|"
                                  "S|ABCDEF|7|11/01/2026");
}

TEST_F(CopiaTest, DeliveryAndInvoiceDates)
{
    const struct {
        const char *pedido, *entrega, *fatura;
    } casos[] = {
        {"00012", "10/03/2026", "20/04/2026"}, // past delivery, future invoice
        {"00030", "01/05/2026", "10/03/2026"}, // future delivery, past invoice
        {"00040", "null", "null"},             // empty dates stay empty
    };
    for (const auto &c : casos) {
        rec->clear();
        ASSERT_TRUE(copia->Duplica(c.pedido, "00001", "1")) << c.pedido;
        ASSERT_EQ(copia->FLpedidos.size(), 1);
        EXPECT_EQ(rec->texts(), QStringList{"Pedido: " + copia->FLpedidos[0] + " criado"});
        EXPECT_EQ(linhas("SELECT PED_DTEN, PED_DTFAT FROM PEDIDO WHERE PED_NUME = '" + copia->FLpedidos[0] + "'"),
                  QStringList{QString(c.entrega) + "|" + c.fatura})
            << c.pedido;
    }
}

TEST_F(CopiaTest, NothingToCopyOrNoSuchCustomer)
{
    const struct {
        const char *pedido, *cliente, *copias, *mensagem;
        bool fecha;
    } casos[] = {
        {"00012", "00001", "0", "Nenhum Pedido  foi criado", true},
        {"00012", "00001", "", "Nenhum Pedido  foi criado", true},
        {"00012", "00001", "x", "Nenhum Pedido  foi criado", true},
        {"99999", "00001", "2", "Nenhum Pedido  foi criado", true},
        {"00012", "", "2", "Cliente não encontrado.", false},
        {"00012", "   ", "2", "Cliente não encontrado.", false},
        {"00012", "99999", "2", "Cliente não encontrado.", false},
        {"00012", "0000'", "2", "Cliente não encontrado.", false},
    };
    const int pedidos = conta("PEDIDO"), itens = conta("PED_ITEN");
    for (const auto &c : casos) {
        rec->clear();
        EXPECT_EQ(copia->Duplica(c.pedido, c.cliente, c.copias), c.fecha) << c.cliente << "/" << c.copias;
        EXPECT_EQ(rec->texts(), QStringList{QString::fromUtf8(c.mensagem)}) << c.cliente << "/" << c.copias;
        EXPECT_TRUE(copia->FLpedidos.isEmpty());
    }
    EXPECT_EQ(conta("PEDIDO"), pedidos);
    EXPECT_EQ(conta("PED_ITEN"), itens);
}

TEST_F(CopiaTest, AFailingItemOfTheSecondCopyLeavesNoCopy)
{
    // a stray item already holds the second copy's first line
    sql("INSERT INTO PED_ITEN (PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI, PEDIT_QTDE) VALUES ('00042', 1, 'P9', 1)");
    const QStringList pedidos = linhas("SELECT PED_NUME, PED_IDFECHADO FROM PEDIDO ORDER BY PED_NUME");
    const QStringList itens = linhas("SELECT PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI FROM PED_ITEN ORDER BY 1, 2");

    EXPECT_FALSE(copia->Duplica("00012", "00001", "3"));
    ASSERT_EQ(rec->entries().size(), 1u);
    EXPECT_EQ(rec->entries()[0].icon, MsgIcon::Error);
    EXPECT_FALSE(rec->entries()[0].text.isEmpty());
    EXPECT_TRUE(copia->FLpedidos.isEmpty());

    // nothing of the first copy survives a later commit either
    dm->XRTransaction->CommitRetaining();
    EXPECT_EQ(linhas("SELECT PED_NUME, PED_IDFECHADO FROM PEDIDO ORDER BY PED_NUME"), pedidos);
    EXPECT_EQ(linhas("SELECT PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI FROM PED_ITEN ORDER BY 1, 2"), itens);

    // the next try, once the stray line is gone, numbers from 00041 again
    sql("DELETE FROM PED_ITEN WHERE PEDIT_NUME = '00042'");
    rec->clear();
    EXPECT_TRUE(copia->Duplica("00012", "00001", "2"));
    EXPECT_EQ(rec->texts(), QStringList{"Pedidos de 00041 até 00042 foram criados"});
}

TEST_F(CopiaTest, CustomerNameFollowsTheCode)
{
    TfmCopiaPedido janela(nullptr, *dm, "00012", "00004", "Loja Verde");
    EXPECT_EQ(janela.windowTitle(), "Cópia do Pedido");
    EXPECT_EQ(janela.edtPedido->text(), "00012");
    EXPECT_TRUE(janela.edtPedido->isReadOnly());
    EXPECT_EQ(janela.edtCliente->text(), "Loja Verde");
    EXPECT_EQ(janela.edtDescCli->text(), "Loja Verde");
    EXPECT_FALSE(janela.edtDescCli->isEnabled());
    EXPECT_EQ(janela.EdtCopia->value(), 1);
    EXPECT_EQ(janela.EdtCopia->maximum(), 99);
    janela.edtCodCli->setText("00001");
    EXPECT_EQ(janela.edtDescCli->text(), "Loja Azul");
    janela.edtCodCli->setText("99999");
    EXPECT_EQ(janela.edtDescCli->text(), "");
    janela.edtCodCli->setText("00002");
    janela.edtCodCli->setText("");
    EXPECT_EQ(janela.edtDescCli->text(), "Loja Roxa"); // a blank code leaves the name
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('|').toStdString();
}
