// The grid's exports against writing the same lines straight to a file:
// 100 000 rows of 8 fields to text and to a spreadsheet, 20 000 to a PDF.
// The baseline formats each stored value with the same text function and
// writes the lines through a buffered file, with no dataset cursor, no field
// objects and no export frame. Prints milliseconds (best of three runs).
#include "components/XRDBGridExporta.h"
#include "components/XRDBGridImprime.h"
#include "platform/Cp1252.h"
#include "platform/DataSet.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

const std::vector<FieldDef> kCampos = {{"CODIGO", FieldType::Integer},     {"NOME", FieldType::String, 40},
                                       {"CIDADE", FieldType::String, 30},  {"UF", FieldType::String, 2},
                                       {"VALOR", FieldType::Float},        {"QTDE", FieldType::Float},
                                       {"DATA", FieldType::Date},          {"REFERENCIA", FieldType::String, 10}};

std::vector<Row> linhas(int n)
{
    static const char *cidades[] = {"São Paulo", "Lins", "Natal", "Ribeirão Preto", "Maceió"};
    std::vector<Row> rows;
    rows.reserve(size_t(n));
    for (int i = 0; i < n; ++i)
        rows.push_back({i + 1, QStringLiteral("CLIENTE %1 LTDA").arg(i), QString::fromUtf8(cidades[i % 5]),
                        QStringLiteral("SP"), i * 1.25, double(i % 17), QDate(2024, 1, 1).addDays(i % 365),
                        QStringLiteral("%1").arg(i % 1000, 5, 10, QLatin1Char('0'))});
    return rows;
}

qint64 melhor(const std::function<void()> &fn)
{
    qint64 m = -1;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        t.start();
        fn();
        const qint64 e = t.elapsed();
        m = m < 0 ? e : std::min(m, e);
    }
    return m;
}

void direto(const std::vector<Row> &rows, const QString &caminho)
{
    QFile f(caminho);
    if (!f.open(QIODevice::WriteOnly))
        std::abort();
    QString linha;
    for (const FieldDef &d : kCampos)
        linha += d.name + QLatin1Char(';');
    f.write(toCp1252(linha) + "\r\n");
    for (const Row &r : rows) {
        linha.clear();
        for (size_t i = 0; i < kCampos.size(); ++i)
            linha += Field::displayTextOf(r[i], kCampos[i].type, QString()) + QLatin1Char(';');
        f.write(toCp1252(linha) + "\r\n");
    }
    f.close();
}

QByteArray le(const QString &caminho)
{
    QFile f(caminho);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const int n = 100000;
    const std::vector<Row> rows = linhas(n);
    DataSet ds;
    ds.setFieldDefs(kCampos);
    ds.setRows(rows);
    ds.open();

    const QString base = dir.filePath("direto.txt");
    const QString txt = dir.filePath("exporta.txt");
    const qint64 tBase = melhor([&] { direto(rows, base); });
    const qint64 tTxt = melhor([&] { xrexporta::GravaArquivo(txt, xrexporta::ExportaTXT(ds)); });
    const QByteArray bytes = le(txt);
    const bool iguais = le(base) == bytes;
    // for scale: the finished bytes alone, written in one go
    const qint64 tBytes = melhor([&] {
        QFile f(dir.filePath("bytes.txt"));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            std::abort();
    });

    std::vector<xrexporta::ColunaPlanilha> colunas;
    for (const FieldDef &d : kCampos)
        colunas.push_back({d.name, d.name});
    const qint64 tXlsx = melhor(
        [&] { xrexporta::ExportaXLSX(ds, colunas, dir.filePath("exporta.xlsx"), QStringLiteral("Plan1")); });

    // the printout: the page layout and the PDF, as the grid's print does
    const int np = 20000;
    std::vector<QStringList> textos;
    textos.reserve(size_t(np));
    for (int i = 0; i < np; ++i) {
        QStringList l;
        for (size_t c = 0; c < kCampos.size(); ++c)
            l << Field::displayTextOf(rows[size_t(i)][c], kCampos[c].type, QString());
        textos.push_back(l);
    }
    const impressaograde::Fontes fontes(QFont(QStringLiteral("DejaVu Sans"), 8));
    size_t paginas = 0;
    const qint64 tPdf = melhor([&] {
        impressaograde::Documento doc;
        const QSize s = impressaograde::TamanhoPagina(false);
        doc.W = s.width();
        doc.H = s.height();
        doc.F = fontes.F;
        doc.titulo = QStringLiteral("Clientes");
        doc.data = QStringLiteral("10/03/2025");
        doc.rodape = QStringLiteral("ORVAN ZID");
        for (const FieldDef &d : kCampos)
            doc.colunas.push_back({d.name, 86});
        doc.linhas = textos;
        const auto pags = impressaograde::MontaPaginas(doc, impressaograde::MedidaPdf(fontes));
        paginas = pags.size();
        impressaograde::GravaPdf(dir.filePath("exporta.pdf"), false, fontes, Qt::black, pags, QImage());
    });

    std::printf("rows: %d x %zu fields (pdf: %d rows, %zu pages)\n", n, kCampos.size(), np, paginas);
    std::printf("baseline (same lines straight to a file): %lld ms\n", static_cast<long long>(tBase));
    std::printf("the finished bytes alone (%lld KB): %lld ms\n", static_cast<long long>(bytes.size() / 1024),
                static_cast<long long>(tBytes));
    std::printf("txt export: %lld ms (%.2fx baseline, same bytes: %s)\n", static_cast<long long>(tTxt),
                tBase > 0 ? double(tTxt) / double(tBase) : 0.0, iguais ? "yes" : "NO");
    std::printf("xlsx export: %lld ms\n", static_cast<long long>(tXlsx));
    std::printf("pdf print: %lld ms\n", static_cast<long long>(tPdf));
    return iguais ? 0 : 1;
}
