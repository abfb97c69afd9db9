#include "components/XRDBGrid.h"
#include "components/XRDBGridImprime.h"
#include "data/XRTable.h"
#include "platform/DialogService.h"
#include "platform/ImprimePdf.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QVBoxLayout>

using namespace impressaograde;

namespace {

// Every character 6 wide, "W" 12: widths anyone can work out by hand.
int larguraFixa(const QString &s)
{
    int w = 0;
    for (QChar c : s)
        w += c == QLatin1Char('W') ? 12 : 6;
    return w;
}
const Medida kMedida = [](Fonte, const QString &s) { return larguraFixa(s); };

std::vector<const Operacao *> textos(const Pagina &p, Fonte f)
{
    std::vector<const Operacao *> out;
    for (const Operacao &op : p.ops)
        if (op.tipo == Operacao::Tipo::Texto && op.fonte == f)
            out.push_back(&op);
    return out;
}

const Operacao *texto(const Pagina &p, const QString &t)
{
    for (const Operacao &op : p.ops)
        if (op.tipo == Operacao::Tipo::Texto && op.texto == t)
            return &op;
    return nullptr;
}

Documento documento(int linhas)
{
    Documento d;
    const QSize s = TamanhoPagina(false);
    d.W = s.width();
    d.H = s.height();
    d.F = 8;
    d.titulo = "Clientes";
    d.data = "10/03/2025";
    d.rodape = "ORVAN ZID";
    d.colunas = {{"Código", 60}, {"Nome do cliente", 60}, {"Oculta", -1}, {"Cidade", 100}};
    for (int i = 1; i <= linhas; ++i)
        d.linhas.push_back({QString::number(i), QStringLiteral("Cliente %1").arg(i), "nada", "Lins"});
    return d;
}

QString executa(const QString &programa, const QStringList &args)
{
    QProcess p;
    p.start(programa, args);
    if (!p.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

TEST(GridImpressao, PageSizesOfA4At96Dpi)
{
    EXPECT_EQ(TamanhoPagina(false), QSize(793, 1123)); // 210 x 297 mm
    EXPECT_EQ(TamanhoPagina(true), QSize(1123, 793));
}

TEST(GridImpressao, FittingCutsWithoutEllipsisAndStopsAtTheMargin)
{
    const struct {
        const char *texto;
        int largura, x;
        const char *esperado;
    } casos[] = {
        {"Cliente", 60, 25, "Cliente"},       // fits
        {"Nome do cliente", 60, 25, "Nome do cl"}, // 10 characters of 6
        {"WWWWW", 30, 25, "WW"},              // first character sets the cut, then one by one
        {"abc", -1, 25, ""},                  // a hidden column prints nothing
        {"abc", 100, 760, "a"},               // the right margin (W - 25 = 769) cuts too
        {"abc", 100, 800, ""},                // a column past the margin: nothing, no endless loop
        {"", 50, 25, ""},
    };
    for (const auto &c : casos)
        EXPECT_EQ(AjustaTexto(QString::fromUtf8(c.texto), c.largura, c.x, 794, larguraFixa), QString::fromUtf8(c.esperado))
            << c.texto << " " << c.largura << " " << c.x;
}

TEST(GridImpressao, RowsTitlesAndPagesOfThePortraitLayout)
{
    const Documento d = documento(100);
    const std::vector<Pagina> paginas = MontaPaginas(d, kMedida);
    ASSERT_EQ(paginas.size(), 2u);

    // rows from y 86 every 11; a new page once y reaches H - 48 = 1075
    const auto celulas = textos(paginas[0], Fonte::Celula);
    ASSERT_EQ(celulas.size(), 90u * 3); // the hidden column prints nothing
    EXPECT_EQ(celulas[0]->p1, QPoint(25, 86));
    EXPECT_EQ(celulas[3]->p1, QPoint(25, 97));
    EXPECT_EQ(celulas.back()->p1.y(), 86 + 89 * 11);
    EXPECT_EQ(textos(paginas[1], Fonte::Celula).size(), 10u * 3);
    EXPECT_EQ(textos(paginas[1], Fonte::Celula)[0]->texto, "91");
    EXPECT_EQ(textos(paginas[1], Fonte::Celula)[0]->p1, QPoint(25, 86));

    // x: width + 2 per column; the hidden one (-1) moves the next by 1
    EXPECT_EQ(celulas[1]->p1.x(), 25 + 62);
    EXPECT_EQ(celulas[1]->texto, "Cliente 1");
    EXPECT_EQ(celulas[2]->p1.x(), 25 + 62 + 62 + 1);

    // titles at 75, cut without an ellipsis
    const auto titulos = textos(paginas[0], Fonte::Titulo);
    ASSERT_EQ(titulos.size(), 3u);
    EXPECT_EQ(titulos[0]->p1, QPoint(25, 75));
    EXPECT_EQ(titulos[1]->texto, "Nome do cl");
    EXPECT_EQ(titulos[2]->texto, "Cidade");

    for (size_t i = 0; i < paginas.size(); ++i) {
        const QString pag = QStringLiteral("Pág.: %1").arg(i + 1);
        const Operacao *p = texto(paginas[i], pag);
        ASSERT_TRUE(p) << i;
        EXPECT_EQ(p->p1, QPoint(793 - larguraFixa(pag) - 25, 8 + 30));
        EXPECT_EQ(texto(paginas[i], "10/03/2025")->p1, QPoint(793 - 60 - 25, 25));
        EXPECT_EQ(texto(paginas[i], "ORVAN ZID")->p1, QPoint(793 - 54 - 25, 1123 - 8 - 25));
        EXPECT_EQ(texto(paginas[i], "Clientes")->p1, QPoint((793 - 50) / 2 - 48 / 2, 12 + 35));
        bool linha = false;
        for (const Operacao &op : paginas[i].ops)
            if (op.tipo == Operacao::Tipo::Linha)
                linha = op.p1 == QPoint(25, 1123 - 8 - 26) && op.p2 == QPoint(793 - 25, 1123 - 8 - 26);
        EXPECT_TRUE(linha) << i;
        EXPECT_FALSE(texto(paginas[i], "nada"));
    }

    // exactly a page of rows: no empty page after it
    EXPECT_EQ(MontaPaginas(documento(90), kMedida).size(), 1u);
    EXPECT_EQ(MontaPaginas(documento(91), kMedida).size(), 2u);
    EXPECT_EQ(MontaPaginas(documento(0), kMedida).size(), 1u);
}

TEST(GridImpressao, CompanyLogoAndAColumnPastTheMargin)
{
    Documento d = documento(3);
    d.temEmpresa = true;
    d.temLogo = true;
    d.empresa = "Loja";
    d.colunas.push_back({"Longe", 900}); // starts at 25 + 62 + 62 + 1 + 102 = 252, fits up to 768
    d.colunas.push_back({"Fora", 50});   // starts past the right margin
    for (auto &l : d.linhas)
        l << "x" << "y";
    const Pagina p = MontaPaginas(d, kMedida).front();
    EXPECT_EQ(texto(p, "Loja")->p1, QPoint((793 - 50) / 2 - 12, 25));
    bool imagem = false;
    for (const Operacao &op : p.ops)
        imagem = imagem || (op.tipo == Operacao::Tipo::Imagem && op.retangulo == QRect(QPoint(25, 25), QPoint(115, 75)));
    EXPECT_TRUE(imagem);
    EXPECT_TRUE(texto(p, "Longe"));
    EXPECT_FALSE(texto(p, "Fora"));
    EXPECT_FALSE(texto(p, "y"));
    EXPECT_EQ(textos(p, Fonte::Celula).size(), 3u * 4);

    // landscape: the wider page, the same rule for the rows (H - 48 = 746)
    Documento l = documento(100);
    l.W = 1123;
    l.H = 793;
    const auto paginas = MontaPaginas(l, kMedida);
    ASSERT_EQ(paginas.size(), 2u);
    EXPECT_EQ(textos(paginas[0], Fonte::Celula).size(), 60u * 3);
}

namespace {

struct PdfFixture : ::testing::Test {
    QTemporaryDir dir;
    ScopedDialogRecorder rec;
    QWidget janela;
    TXRDBGrid *grid = new TXRDBGrid(&janela);
    DataSet ds;
    TXRTable empresa;
    QStringList impressos;
    impressao::Resultado resposta{true, {}};
    impressao::Impressora anterior;

    void SetUp() override
    {
        janela.setWindowTitle("Lista de Clientes");
        (new QVBoxLayout(&janela))->addWidget(grid);
        ds.setFieldDefs({{"CODIGO", FieldType::Integer}, {"NOME", FieldType::String, 30},
                         {"VALOR", FieldType::Float}, {"OBS", FieldType::String, 20}});
        std::vector<Row> linhas;
        for (int i = 1; i <= 100; ++i)
            linhas.push_back({i, QStringLiteral("Cliente %1").arg(i, 3, 10, QLatin1Char('0')), i * 1000.5, "oculta"});
        ds.setRows(linhas);
        ds.open();
        ds.field(2)->displayFormat = "#,##0.00";
        grid->SetDataSet(&ds);
        grid->setFont(QFont("DejaVu Sans", 8));
        grid->Column(0)->Title = "Código";
        grid->Column(1)->Title = "Nome do Cliente";
        grid->Column(2)->Title = "Valor";
        grid->Column(3)->Visible = false;
        for (int i = 0; i < 3; ++i)
            grid->Column(i)->Width = 120;
        grid->LayoutChanged();
        janela.resize(600, 400);
        janela.show();

        QImage logo(40, 20, QImage::Format_RGB32);
        logo.fill(Qt::red);
        QByteArray png;
        QBuffer b(&png);
        b.open(QIODevice::WriteOnly);
        logo.save(&b, "PNG");
        empresa.setFieldDefs({{"EMP_NOME", FieldType::String, 40}, {"EMP_LOGO", FieldType::Blob}});
        empresa.setRows({{"Comercial Exemplo Ltda", png}});
        empresa.DataSet::open();

        anterior = impressao::InstalaImpressora([this](const QString &arquivo) {
            impressos << arquivo;
            return resposta;
        });
        ds.setRecNo(37);
    }
    void TearDown() override { impressao::InstalaImpressora(anterior); }

    bool sucesso() const { return rec->texts().contains("PDF gerado com sucesso."); }
};

} // namespace

TEST_F(PdfFixture, HundredRecordsWithCompanyAndLogo)
{
    grid->Empresa = &empresa;
    rec->pushFile(dir.filePath("clientes"));
    grid->ExpPDFRetrato();

    const QString pdf = dir.filePath("clientes.pdf");
    ASSERT_TRUE(QFile::exists(pdf));
    EXPECT_EQ(impressos, QStringList({pdf}));
    EXPECT_TRUE(sucesso());
    EXPECT_EQ(rec->entries().back().title, "ORVAN ERP");
    EXPECT_EQ(rec->entries().back().icon, MsgIcon::Information);
    EXPECT_EQ(ds.recNo(), 37);
    EXPECT_FALSE(ds.controlsDisabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    const QString info = executa("pdfinfo", {pdf});
    EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+2\\n"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression("Page size:\\s+59[0-9](\\.\\d+)? x 84[0-9]"))) << info.toStdString();
    const QString texto = executa("pdftotext", {"-layout", pdf, "-"});
    for (const char *esperado : {"Comercial Exemplo Ltda", "Lista de Clientes", "Código", "Nome do Cliente", "Valor",
                                 "Pág.: 1", "Pág.: 2", "ORVAN ZID", "Cliente 001", "Cliente 100", "100.050,00"})
        EXPECT_TRUE(texto.contains(QString::fromUtf8(esperado))) << esperado;
    EXPECT_FALSE(texto.contains("oculta"));
    EXPECT_FALSE(texto.contains("Pág.: 3"));
    // the record after the last one on page 1 opens page 2
    const qsizetype quebra = texto.indexOf(QChar('\f'));
    ASSERT_GT(quebra, 0);
    EXPECT_TRUE(texto.left(quebra).contains("Cliente 090"));
    EXPECT_FALSE(texto.left(quebra).contains("Cliente 091"));
    EXPECT_TRUE(executa("pdfimages", {"-list", pdf}).contains("image")) << "the logo";
}

TEST_F(PdfFixture, LandscapeWithoutCompany)
{
    rec->pushFile(dir.filePath("deitado.pdf"));
    grid->ExpPDFPaisagem();
    const QString pdf = dir.filePath("deitado.pdf");
    const QString info = executa("pdfinfo", {pdf});
    EXPECT_TRUE(info.contains(QRegularExpression("Page size:\\s+84[0-9](\\.\\d+)? x 59[0-9]"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+2\\n"))) << info.toStdString();
    EXPECT_FALSE(executa("pdftotext", {pdf, "-"}).contains("Comercial"));
    EXPECT_TRUE(sucesso());
}

TEST_F(PdfFixture, CancelFailingPrinterAndRenderError)
{
    // cancelled: nothing at all
    grid->ExpPDFRetrato();
    EXPECT_TRUE(impressos.isEmpty());
    EXPECT_EQ(rec->entries().size(), 1u);

    // the print command fails: its message with the file, no success
    resposta = {false, "Erro ao imprimir: sem impressora\nArquivo: " + dir.filePath("a.pdf")};
    rec->clear();
    rec->pushFile(dir.filePath("a.pdf"));
    grid->ExpPDFRetrato();
    EXPECT_EQ(impressos.size(), 1);
    EXPECT_FALSE(sucesso());
    ASSERT_FALSE(rec->entries().empty());
    EXPECT_EQ(rec->entries().back().icon, MsgIcon::Error);
    EXPECT_TRUE(rec->entries().back().text.contains("sem impressora"));
    EXPECT_TRUE(rec->entries().back().text.contains(dir.filePath("a.pdf")));

    // the file cannot be written: an error, controls and position back, nothing printed
    rec->clear();
    rec->pushFile(dir.filePath("nao/existe/b.pdf"));
    grid->ExpPDFRetrato();
    EXPECT_EQ(impressos.size(), 1);
    EXPECT_FALSE(sucesso());
    ASSERT_EQ(rec->entries().size(), 2u);
    EXPECT_EQ(rec->entries().back().icon, MsgIcon::Error);
    EXPECT_TRUE(rec->entries().back().text.contains("b.pdf"));
    EXPECT_FALSE(ds.controlsDisabled());
    EXPECT_EQ(ds.recNo(), 37);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
