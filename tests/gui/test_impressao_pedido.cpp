#include "pdf_poppler.h"
#include "test_pedido_fixture.h"

#include "components/RelatorioBandas.h"
#include "windows/nucleo/Aplicacao.h"
#include "windows/pedido/regras/RegrasPedido.h"
#include "windows/pedido/untImpressaoPedido.h"

#include <QBuffer>
#include <QCheckBox>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

namespace {

using bandas::Relatorio;

// The light grey "ABERTO" across the page: pdftotext breaks a slanted word
// into pieces, so the page is looked at instead. Open pages have some 15,000
// such pixels at 40 dpi, closed ones about 1,000 (anti-aliased edges).
bool marcaAberto(const QString &pdf, int pagina)
{
    const int n = poppler::pixelsCinza(pdf, pagina, 195, 215);
    EXPECT_GE(n, 0) << "pdftoppm";
    return n > 6000;
}

// What the hooked preview saw: the report as a PDF, and the mail it sent.
struct Previa {
    QString pdf;
    QString titulo;
    int chamadas = 0;
    QString programa;
    QStringList argumentos;
};

// The order window over order 00006 (open, 9,5% off) and 00012 (closed, no
// lines), with the company, the representative and the customer's e-mail.
class ImpressaoTest : public PedidoDbTest {
protected:
    void SetUp() override
    {
        ReiniciaAplicacao();
        PedidoDbTest::SetUp();
        sql("INSERT INTO EMPRESA (EMP_PAT, EMP_NOME, EMP_ENDERECO, EMP_BAIRRO, EMP_CIDADE, EMP_ESTADO, EMP_TELEFONE, "
            "EMP_EMAIL) VALUES ('1', 'Malharia Aurora', 'Rua das Flores 10', 'Centro', 'Blumenau', 'SC', "
            "'4733330000', 'vendas@aurora.test')");
        sql("UPDATE CONFIG SET CODREP = '77', NMREPRESENTANTE = 'Ana Souza', DSEMAIL = 'ana@rep.test', "
            "NRFONE = '4799990000'");
        sql("UPDATE CLIENTE SET CLI_MAIL = 'compras@lojaazul.test', CLI_CNPJ = '12.345.678/0001-90' "
            "WHERE CLI_CODI = '00001'");
        sql("UPDATE PEDIDO SET PED_OBSE = 'Entregar pela manha' WHERE PED_NUME = '00006'");
        struct L {
            int item;
            const char *codigo, *cor, *ds, *tam, *qtde;
            int pos;
        } const itens[] = {
            {1, "P1", "AZ", "Azul", "M", "3", 2},   {2, "P2", "AZ", "Azul", "M", "2", 2},
            {3, "P1", "AZ", "Azul", "G", "2.5", 3}, {4, "P2", "VD", "Verde", "GG", "1", 4},
            {5, "P2", "VD", "Verde", "P", "4", 1},
        };
        for (const L &l : itens) {
            sql(QString("INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_DSCOR, PAIT_TAM, PAIT_IDESGOTADO, PAIT_QTDE, "
                        "PAIT_POS_TAM) VALUES ('%1', '%2', '%3', '%4', 'N', 99, %5)")
                    .arg(l.codigo, l.cor, l.ds, l.tam)
                    .arg(l.pos));
            sql(QString("INSERT INTO PED_ITEN (PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI, PEDIT_COR, PEDIT_TAM, PEDIT_QTDE, "
                        "PEDIT_PREC, PEDIT_PREC_ORI) VALUES ('00006', %1, '%2', '%3', '%4', %5, 10, 10)")
                    .arg(l.item)
                    .arg(l.codigo, l.cor, l.tam, l.qtde));
        }
        janela = AbrePedidoPelaBarra(principal);
        ASSERT_NE(janela, nullptr);
        anterior = Relatorio::InstalaVisualizador([this](Relatorio &r, QWidget *) {
            ++visto.chamadas;
            visto.titulo = r.titulo;
            visto.pdf = dir.filePath(QString("visto%1.pdf").arg(visto.chamadas));
            EXPECT_TRUE(r.ExportaPdf(visto.pdf));
            r.EnviaEMail();
        });
        lancadorAnterior = Relatorio::InstalaLancador([this](const QString &programa, const QStringList &args) {
            visto.programa = programa;
            visto.argumentos = args;
            return true;
        });
        rec->clear();
    }
    void TearDown() override
    {
        Relatorio::InstalaVisualizador(anterior);
        Relatorio::InstalaLancador(lancadorAnterior);
        FechaPedidoEPrincipal(principal);
        PedidoDbTest::TearDown();
        ReiniciaAplicacao();
    }

    void carrega(bool primeiro)
    {
        janela->CBStatus->setChecked(false);
        janela->RGOrdemCresc->setChecked(true);
        janela->BtnConsultar->click();
        primeiro ? janela->CDSConsulta->first() : janela->CDSConsulta->last();
        janela->DBGrid2DblClick();
    }

    QTemporaryDir dir;
    Previa visto;
    Relatorio::Visualizador anterior;
    Relatorio::Lancador lancadorAnterior;
    std::unique_ptr<TfmPrincipal> principal;
    TfmPedido *janela = nullptr;
};

} // namespace

TEST_F(ImpressaoTest, ImprimirShowsTheOpenOrderWithItsTotalsAndMailsIt)
{
    carrega(true);
    ASSERT_EQ(janela->EdtNumero->text(), "00006");
    ASSERT_TRUE(janela->btnImprime->isVisible() && janela->btnImprime->isEnabled());
    janela->btnImprime->click();
    ASSERT_EQ(visto.chamadas, 1);
    EXPECT_EQ(visto.titulo, "Emissão de Pedido");
    EXPECT_EQ(poppler::paginas(visto.pdf), 1);
    const QString t = poppler::texto(visto.pdf);
    for (const char *esperado :
         {"Malharia Aurora", "Emissão de Pedido", "Rua das Flores 10 - Centro - Blumenau - SC",
          "4733330000 - vendas@aurora.test", "wEspelhoPF", "Pág.: 1/1", "Numero: 00006", "Ped. Cliente: 00001",
          "Emissão: 05/01/2026", "Entrega: 01/02/2026", "Condições Pagt: 30/60/90", "Desconto: 9,50%",
          "Tipo de Frete: FOB", "Cliente: Loja Azul", "CNPJ: 12.345.678/0001-90", "e-mail: compras@lojaazul.test",
          "Representante: 77 - Ana Souza", "e-mail: ana@rep.test", "Entregar pela manha",
          "Documento sem valor fiscal"})
        EXPECT_TRUE(t.contains(QString::fromUtf8(esperado))) << esperado << "\n" << t.toStdString();
    EXPECT_TRUE(marcaAberto(visto.pdf, 1));
    // sizes in garment order, quantities under them
    EXPECT_TRUE(t.contains(QRegularExpression("M +G +Qtde\\. +Preço +Valor"))) << t.toStdString();
    EXPECT_TRUE(t.contains(QRegularExpression("P +M +GG +Qtde\\."))) << t.toStdString();
    EXPECT_TRUE(t.contains(QRegularExpression("Verde +4 +0 +1 +5 +10,00 +50,00"))) << t.toStdString();
    EXPECT_TRUE(t.contains(QRegularExpression("Azul +3 +2,5 +6 +10,00 +55,00"))) << t.toStdString();
    EXPECT_TRUE(t.contains(QRegularExpression("Total do Produto: +6 +55,00"))) << t.toStdString();
    // 125,00 less round2(125 x 9,5%) = 11,88, as the order window shows
    EXPECT_TRUE(t.contains(QRegularExpression("Totais: +13 +125,00"))) << t.toStdString();
    EXPECT_TRUE(t.contains(QRegularExpression("Desconto: +11,88"))) << t.toStdString();
    EXPECT_TRUE(t.contains(QRegularExpression("Total Liquido do Pedido: +113,12"))) << t.toStdString();
    EXPECT_EQ(janela->EdtTotVal->text(), "113,12");

    EXPECT_EQ(visto.programa, "xdg-email");
    ASSERT_EQ(visto.argumentos.size(), 5) << visto.argumentos.join('|').toStdString();
    EXPECT_EQ(visto.argumentos.mid(0, 3), (QStringList{"--subject", "Pedido :00006", "--attach"}));
    EXPECT_TRUE(visto.argumentos[3].endsWith(".pdf") && QFile::exists(visto.argumentos[3]));
    EXPECT_EQ(visto.argumentos[4], "compras@lojaazul.test");
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('|').toStdString();
}

TEST_F(ImpressaoTest, AClosedOrderWithoutLinesPrintsItsHeaderAndZeroTotalsWithoutTheMark)
{
    carrega(false);
    ASSERT_EQ(janela->EdtNumero->text(), "00012");
    janela->btnImprime->click();
    ASSERT_EQ(visto.chamadas, 1);
    const QString t = poppler::texto(visto.pdf);
    EXPECT_TRUE(t.contains("Numero: 00012")) << t.toStdString();
    EXPECT_TRUE(t.contains("Tipo de Frete: CIF")) << t.toStdString();
    EXPECT_TRUE(t.contains(QRegularExpression("Totais: +0 +0,00"))) << t.toStdString();
    EXPECT_TRUE(t.contains(QRegularExpression("Total Liquido do Pedido: +0,00"))) << t.toStdString();
    EXPECT_TRUE(t.contains("Pág.: 1/1")) << t.toStdString();
    EXPECT_FALSE(marcaAberto(visto.pdf, 1));
    EXPECT_FALSE(t.contains("Total do Produto")) << t.toStdString();
}

namespace {

impressao_pedido::DadosImpressao dadosFixos()
{
    impressao_pedido::DadosImpressao d;
    d.empresa = {{"EMP_NOME", "Malharia Aurora"}};
    d.pedido = {{"PED_NUME", "00031"}, {"PED_PDESC", 10.0}, {"PED_CIF", "0"}};
    d.representante = {{"CODREP", "77"}, {"OBSERVACAO", QByteArray("Pre\xe7os sujeitos a altera\xe7\xe3o")}};
    return d;
}

} // namespace

TEST(ImpressaoPedidoRelatorio, ALongOrderRunsOverPagesNumberedOfTheTotal)
{
    DataSet itens;
    itens.setFieldDefs(CamposItensPedido());
    itens.open();
    for (int p = 0; p < 60; ++p)
        for (const char *tam : {"P", "M"}) {
            itens.append();
            itens.fieldByName("Codigo")->setValue(QString("R%1").arg(p, 3, 10, QChar('0')));
            itens.fieldByName("Cor")->setValue(QString("AZ"));
            itens.fieldByName("DsCor")->setValue(QString("Azul"));
            itens.fieldByName("Tam")->setValue(QString(tam));
            itens.fieldByName("Qtde")->setValue(2.0);
            itens.fieldByName("Preco")->setValue(1.5);
            itens.fieldByName("Valor")->setValue(3.0);
            itens.post();
        }
    DataSet rel;
    impressao_pedido::MontaRelProdutos(itens, [](const QString &) { return QStringList{"P", "M"}; }, rel);
    auto r = MontaRelatorioPedido(dadosFixos(), rel, true, QDateTime(QDate(2026, 3, 4), QTime(10, 20, 30)));
    QTemporaryDir dir;
    const QString pdf = dir.filePath("longo.pdf");
    ASSERT_TRUE(r->ExportaPdf(pdf));
    const int n = poppler::paginas(pdf);
    ASSERT_GE(n, 3);
    EXPECT_EQ(r->Paginas(), n);
    const QString p2 = poppler::texto(pdf, 2);
    EXPECT_TRUE(p2.contains(QString("Pág.: 2/%1").arg(n))) << p2.toStdString();
    EXPECT_TRUE(p2.contains("04/03/26") && p2.contains("10:20:30")) << p2.toStdString();
    EXPECT_FALSE(p2.contains("Numero: 00031")) << "the order header opens the report only";
    const QString ultima = poppler::texto(pdf, n);
    const QString todo = poppler::texto(pdf);
    // 60 products x 4 pieces x 1,50; 10% off
    EXPECT_TRUE(todo.contains(QRegularExpression("Totais: +240 +360,00"))) << todo.toStdString();
    EXPECT_TRUE(todo.contains(QRegularExpression("Total Liquido do Pedido: +324,00"))) << todo.toStdString();
    EXPECT_TRUE(ultima.contains(QString::fromUtf8("Preços sujeitos a alteração"))) << ultima.toStdString();
    EXPECT_FALSE(marcaAberto(pdf, 1));
    EXPECT_FALSE(marcaAberto(pdf, n));
    EXPECT_EQ(poppler::imagens(pdf), 0);
}

TEST(ImpressaoPedidoRelatorio, TheCompanyLogoIsTheOneImageAndAnOpenOrderIsMarked)
{
    QImage logo(120, 60, QImage::Format_ARGB32);
    logo.fill(Qt::transparent);
    QPainter(&logo).fillRect(10, 10, 100, 40, Qt::darkBlue);
    QByteArray png;
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    ASSERT_TRUE(logo.save(&buf, "PNG"));
    auto d = dadosFixos();
    d.empresa.insert("EMP_LOGO", png);

    DataSet vazio;
    vazio.setFieldDefs(CamposItensPedido());
    vazio.open();
    DataSet rel;
    impressao_pedido::MontaRelProdutos(vazio, [](const QString &) { return QStringList(); }, rel);
    auto r = MontaRelatorioPedido(d, rel, false, QDateTime::currentDateTime());
    QTemporaryDir dir;
    const QString pdf = dir.filePath("logo.pdf");
    ASSERT_TRUE(r->ExportaPdf(pdf));
    EXPECT_EQ(poppler::imagens(pdf), 1);
    EXPECT_TRUE(marcaAberto(pdf, 1));
}
