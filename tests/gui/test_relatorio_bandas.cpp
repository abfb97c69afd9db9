#include "pdf_poppler.h"

#include "components/RelatorioBandas.h"
#include "platform/DataSet.h"
#include "platform/DialogService.h"
#include "platform/ImprimePdf.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <numeric>
#include <tuple>

using namespace bandas;

namespace {

// Rows of a small stock list, sorted by line and product.
void linhas(DataSet &d, int repete = 1)
{
    d.setFieldDefs({{"LINHA", FieldType::String, 5}, {"PROD", FieldType::String, 10}, {"QTDE", FieldType::Float}});
    d.open();
    for (int r = 0; r < repete; ++r)
        for (auto [linha, prod, qtde] : std::initializer_list<std::tuple<const char *, const char *, double>>{
                 {"L1", "A", 1.0}, {"L1", "A", 2.0}, {"L1", "B", 3.0}, {"L2", "C", 4.5}}) {
            d.append();
            d.fieldByName("LINHA")->setValue(QString(linha).append(QString::number(r)));
            d.fieldByName("PROD")->setValue(QString(prod));
            d.fieldByName("QTDE")->setValue(qtde);
            d.post();
        }
}

Banda banda(double altura, std::vector<Item> itens)
{
    Banda b;
    b.alturaMm = altura;
    b.itens = std::move(itens);
    return b;
}

// A report of two group levels with their sums and a report total.
void monta(Relatorio &r)
{
    r.cabecalhoPagina = banda(8, {PaginaDeTotal({0, 0, 60, 6}, "Folha ", Fonte(9), Qt::AlignLeft)});
    r.rodapePagina = banda(6, {Texto({0, 0, 100, 5}, "rodape da folha")});
    r.grupos.push_back({"LINHA", banda(6, {Campo({0, 0, 80, 5}, "LINHA")}),
                        banda(6, {Texto({0, 0, 60, 5}, "total da linha"), Soma({60, 0, 30, 5}, "QTDE", 0, "0.0")})});
    r.grupos.push_back({"PROD", banda(6, {Campo({10, 0, 80, 5}, "PROD")}),
                        banda(6, {Texto({10, 0, 50, 5}, "total do produto"), Soma({60, 0, 30, 5}, "QTDE", 1, "0.0")})});
    r.dados = banda(5, {Campo({20, 0, 30, 5}, "QTDE", Fonte(9), "0.00", Qt::AlignRight)});
    r.rodapeDados = banda(6, {Texto({0, 0, 60, 5}, "total geral"), Soma({60, 0, 30, 5}, "QTDE", -1, "0.0")});
}

// The non-blank lines of a text, blanks squeezed.
QStringList linhasDe(const QString &texto)
{
    QStringList v;
    for (QString l : texto.split('\n')) {
        l = l.simplified();
        if (!l.isEmpty())
            v << l;
    }
    return v;
}

} // namespace

TEST(RelatorioBandas, NestedGroupsOpenAndCloseOnTheirKeysWithTheirSums)
{
    DataSet d;
    linhas(d);
    Relatorio r;
    monta(r);
    r.DefineLinhas(d);
    QTemporaryDir dir;
    const QString pdf = dir.filePath("grupos.pdf");
    ASSERT_TRUE(r.ExportaPdf(pdf));
    EXPECT_EQ(linhasDe(poppler::texto(pdf)), (QStringList{
                                                  "Folha 1/1",
                                                  "L10",
                                                  "A",
                                                  "1,00",
                                                  "2,00",
                                                  "total do produto 3,0",
                                                  "B",
                                                  "3,00",
                                                  "total do produto 3,0",
                                                  "total da linha 6,0",
                                                  "L20",
                                                  "C",
                                                  "4,50",
                                                  "total do produto 4,5",
                                                  "total da linha 4,5",
                                                  "total geral 10,5",
                                                  "rodape da folha",
                                              }));
}

TEST(RelatorioBandas, PagesBreakBeforeABandThatDoesNotFitAndAMemoStretches)
{
    DataSet d;
    linhas(d, 40); // 160 rows, 120 group headers and footers
    Relatorio r;
    monta(r);
    QString longo;
    for (int i = 1; i <= 60; ++i)
        longo += QString("palavra%1 ").arg(i);
    r.filhoRodape = banda(2, {Memo({0, 0, 40, 5}, [longo](const Contexto &) { return longo; })});
    std::vector<int> fundos;
    r.fundo = [&fundos](QPainter &, const QRectF &, int pagina) { fundos.push_back(pagina); };
    r.DefineLinhas(d);
    QTemporaryDir dir;
    const QString pdf = dir.filePath("longo.pdf");
    ASSERT_TRUE(r.ExportaPdf(pdf));
    const int n = poppler::paginas(pdf);
    ASSERT_GT(n, 3);
    std::vector<int> esperado(static_cast<size_t>(n), 0);
    std::iota(esperado.begin(), esperado.end(), 1);
    EXPECT_EQ(fundos, esperado);
    for (int p = 1; p <= n; ++p) {
        const QStringList l = linhasDe(poppler::texto(pdf, p));
        ASSERT_FALSE(l.isEmpty());
        EXPECT_EQ(l.first(), QString("Folha %1/%2").arg(p).arg(n));
        EXPECT_EQ(l.last(), "rodape da folha") << p;
    }
    // the whole memo, wrapped, after the report total
    const QString todo = poppler::texto(pdf);
    EXPECT_TRUE(linhasDe(todo).contains("total geral 420,0")) << todo.toStdString();
    const QStringList fim = linhasDe(todo.mid(todo.indexOf("total geral")));
    EXPECT_GT(fim.size(), 10);
    for (int i = 1; i <= 60; ++i)
        EXPECT_TRUE(todo.contains(QString("palavra%1 ").arg(i)) || todo.contains(QString("palavra%1\n").arg(i))) << i;
}

TEST(RelatorioBandas, PagesAsJpegAndRtfPicturesAndPrintingGoesToThePrintHelper)
{
    DataSet d;
    linhas(d, 20);
    Relatorio r;
    monta(r);
    r.nomeArquivo = "estoque";
    r.DefineLinhas(d);
    const int n = r.Prepara();
    ASSERT_GE(n, 2);
    QTemporaryDir dir;

    const QStringList jpgs = r.ExportaJpeg(dir.filePath("folha.jpg"), 100);
    ASSERT_EQ(jpgs.size(), n);
    EXPECT_EQ(jpgs.first(), dir.filePath("folha_1.jpg"));
    QImageReader leitor(jpgs.last());
    EXPECT_EQ(leitor.format(), "jpeg");
    EXPECT_EQ(leitor.size(), QSize(827, 1169)); // A4 at 100 dpi

    ASSERT_TRUE(r.ExportaRtf(dir.filePath("folha.rtf"), 72));
    QFile f(dir.filePath("folha.rtf"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray rtf = f.readAll();
    EXPECT_TRUE(rtf.startsWith("{\\rtf1"));
    EXPECT_EQ(rtf.count("\\pngblip"), n);
    EXPECT_EQ(rtf.count("\\page\n"), n - 1);
    EXPECT_TRUE(rtf.contains("89504e470d0a1a0a")); // PNG signature, in hex

    ScopedDialogRecorder rec;
    QString impresso;
    auto anterior = impressao::InstalaImpressora([&impresso](const QString &arquivo) {
        impresso = arquivo;
        return impressao::Resultado{QFile::exists(arquivo) && poppler::paginas(arquivo) > 0, QString()};
    });
    EXPECT_TRUE(r.Imprime());
    EXPECT_TRUE(impresso.endsWith("estoque.pdf")) << impresso.toStdString();
    EXPECT_EQ(poppler::paginas(impresso), n);
    impressao::InstalaImpressora([](const QString &arquivo) {
        return impressao::Resultado{false, "Impressora desligada: " + arquivo};
    });
    EXPECT_FALSE(r.Imprime());
    ASSERT_EQ(rec->texts().size(), 1);
    EXPECT_TRUE(rec->texts().first().startsWith("Impressora desligada: ")) << rec->texts().first().toStdString();
    impressao::InstalaImpressora(anterior);
}
