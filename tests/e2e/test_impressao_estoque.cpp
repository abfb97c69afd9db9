// The printed stock report: what a PDF reader finds in it.
#include "../gui/pdf_poppler.h"
#include "RelatoriosFixture.h"

#include "components/RelatorioBandas.h"
#include "windows/relatorios/untImpressaoEstoque.h"
#include "windows/relatorios/untRelEstoque.h"

#include <QBuffer>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace relatorios;
using bandas::Relatorio;

namespace {

QByteArray figura(const char *formato, QColor cor)
{
    QImage img(40, 30, QImage::Format_RGB32);
    img.fill(cor);
    QByteArray dados;
    QBuffer b(&dados);
    b.open(QIODevice::WriteOnly);
    img.save(&b, formato);
    return dados;
}

// P1 (two colours) and P2 with pictures of their own, P3 without any.
json cenario()
{
    const json imagens = json::array(
        {json::array({"P1", {{"b64", figura("JPG", Qt::red).toBase64().toStdString()}}}),
         json::array({"P2", {{"b64", figura("PNG", Qt::blue).toBase64().toStdString()}}})});
    return {{"versao", "9"},
            {"tipo_item", "P"},
            {"por_sql",
             {{{"contem", "FROM DEPOSITO"}, {"select", tabela(R"([["CODIGO","String",4]])", {{"0007"}})}},
              {{"contem", "SUM("},
               {"select",
                tabela(R"([["CODIGO","String",15],["DESCRICAO","String",100],["COR","String",6],
                           ["DESC_COR","String",80],["TAM","String",4],["POSICAO","Integer"],["ESTOQUE","Float"]])",
                       {{"P1", "Camisa", "01", "Azul", "M", 2, 3},
                        {"P1", "Camisa", "01", "Azul", "P", 1, 2},
                        {"P1", "Camisa", "02", "Verde", "M", 2, 4},
                        {"P2", "Calça", "01", "Azul", "38", 1, 5},
                        {"P3", "Meia", "01", "Azul", "U", 1, 1}})},
               {"imagens", tabela(R"([["CODIGO","String",15],["IMAGEM","Blob"]])", imagens)}}}}};
}

const QStringList kSeed = {
    "INSERT INTO EMPRESA (EMP_PAT, EMP_NOME, EMP_ENDERECO, EMP_CIDADE) VALUES ('_001', 'Malharia Aurora', "
    "'Rua das Flores 10', 'Blumenau')",
    "INSERT INTO TABPRECO (TABP_REGIAO, TABP_DESCRICAO) VALUES ('SUL', 'Sul')",
    "UPDATE CONFIG SET NRULTCONFIG = 7, DTHRESTOQUE = '2026-12-10 14:30:05'",
};

} // namespace

TEST(ImpressaoEstoque, PrintShowsHeaderTotalsAndOnePicturePerProductWithOne)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString pdf;
    QString titulo;
    int chamadas = 0;
    const auto anterior = Relatorio::InstalaVisualizador([&](Relatorio &r, QWidget *) {
        ++chamadas;
        titulo = r.titulo;
        pdf = dir.filePath("estoque.pdf");
        EXPECT_TRUE(r.ExportaPdf(pdf));
    });
    {
        Ambiente amb(false, cenario(), kSeed);
        TfmRelEstoque janela(nullptr, &amb.servidor, 0, [&amb](QString &) { return amb.online; });
        janela.edtColecao->setText("V25");
        janela.btnCarregar->click();
        amb.rec->clear();
        janela.btnImprimir->click();
        EXPECT_TRUE(amb.rec->texts().isEmpty()) << amb.rec->texts().join('|').toStdString();
    }
    Relatorio::InstalaVisualizador(anterior);

    ASSERT_EQ(chamadas, 1);
    EXPECT_EQ(titulo, "Relatório do Estoque");
    const QString t = poppler::texto(pdf);
    EXPECT_TRUE(t.contains("Relatório do Estoque")) << t.toStdString();
    EXPECT_TRUE(t.contains("Posição do Estoque - 10/12/2026 14:30:05")) << t.toStdString();
    EXPECT_TRUE(t.contains("Malharia Aurora"));
    EXPECT_TRUE(t.contains("Rua das Flores 10 - Blumenau"));
    EXPECT_TRUE(t.contains("Pág.: 1/1"));
    EXPECT_EQ(t.count("Total do Produto:"), 3);
    // sizes and quantities in their slots, per colour, with the product sums
    EXPECT_TRUE(t.contains(QRegularExpression(R"(P\s+M)"))) << t.toStdString();
    EXPECT_TRUE(t.contains(QRegularExpression(R"(Azul\s+2\s+3\s+5[.,]0)"))) << t.toStdString();
    EXPECT_TRUE(t.contains(QRegularExpression(R"(Verde\s+0\s+4\s+4[.,]0)"))) << t.toStdString();
    EXPECT_TRUE(t.contains(QRegularExpression(R"(Total do Produto:\s+9[.,]0)"))) << t.toStdString();
    EXPECT_TRUE(t.contains(QRegularExpression(R"(Total do Produto:\s+1[.,]0)"))) << t.toStdString();
    EXPECT_TRUE(t.contains(QRegularExpression(R"(Total Geral:\s+15[.,]0)"))) << t.toStdString();
    EXPECT_TRUE(t.indexOf("Camisa") < t.indexOf("Calça") && t.indexOf("Calça") < t.indexOf("Meia"));
    // P1 and P2 have pictures, P3 none (and no "imagem.jpg" beside the tests)
    EXPECT_EQ(poppler::imagens(pdf), 2);
}

namespace {

// Heights (pt) of the words w as pdftotext -bbox places them.
std::vector<double> alturas(const QString &pdf, const QString &w)
{
    std::vector<double> h;
    const QString html = poppler::roda("pdftotext", {"-bbox", pdf, "-"});
    const QRegularExpression re(R"x(<word xMin="[\d.]+" yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)">)x" +
                                QRegularExpression::escape(w) + "</word>");
    for (auto it = re.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        h.push_back(m.captured(2).toDouble() - m.captured(1).toDouble());
    }
    return h;
}

estoque::TLinhaImpressao linha(const char *codigo, int largura)
{
    estoque::TLinhaImpressao l;
    l.codigo = codigo;
    l.descricao = "Vestido";
    l.dsCor = "Rosa";
    l.dsTamanho = QString(largura, ' ');
    l.dsQuantidade = QString(largura, ' ');
    for (int i = 0; 8 * i + 2 <= largura; ++i) {
        l.dsTamanho.replace(8 * i, 2, "TT");
        l.dsQuantidade.replace(8 * i, 1, "7");
        l.quantidade += 7;
    }
    return l;
}

} // namespace

TEST(ImpressaoEstoque, SlotTextsOverSixtyCharactersPrintSmallerAndBadPicturesAreLeftOut)
{
    auto curto = linha("A1", 58); // what the window builds: 9 points
    auto longo = linha("B2", 70);
    longo.imagem = "not a picture";
    DadosImpressaoEstoque d;
    d.impressoEm = QDateTime(QDate(2026, 12, 11), QTime(9, 0));
    auto r = MontaRelatorioEstoque(d, {curto, longo});
    QTemporaryDir dir;
    const QString pdf = dir.filePath("e.pdf");
    ASSERT_TRUE(r->ExportaPdf(pdf));
    const QString t = poppler::texto(pdf);
    EXPECT_TRUE(t.contains("Posição do Estoque - "));
    EXPECT_TRUE(t.contains(QRegularExpression(R"(Total Geral:\s+119[.,]0)"))) << t.toStdString();
    EXPECT_EQ(poppler::imagens(pdf), 0);
    const auto tam = alturas(pdf, "TT");
    const auto qtd = alturas(pdf, "7");
    ASSERT_EQ(tam.size(), 8u + 9u);
    ASSERT_EQ(qtd.size(), 8u + 9u);
    for (const auto *h : {&tam, &qtd}) {
        const double nove = h->front(), sete = h->back();
        EXPECT_NEAR(sete / nove, 7.0 / 9.0, 0.05) << nove << " " << sete;
    }
}
