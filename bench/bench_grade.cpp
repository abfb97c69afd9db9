// The grade window's "Sortir" over 40 colours x 12 sizes (1,000 and 10,000
// pieces) and the order printout written as a PDF (200 and 2,000 rows), on a
// scratch copy of the upgraded database. Prints each run's cost per piece or
// per row and the large run's cost against the small one (goal: within 1.5x).
#include "MedidasBench.h"
#include "TestDb.h"

#include "data/untDMRepres.h"
#include "platform/DialogService.h"
#include "windows/pedido/regras/GradeItem.h"
#include "windows/pedido/regras/PedidoControlador.h"
#include "windows/pedido/regras/RegrasPedido.h"
#include "windows/pedido/regras/RelProdutos.h"
#include "windows/pedido/untImpressaoPedido.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <sched.h>

namespace {

using medidas::mediana;
using medidas::processadores;

constexpr int kCores = 40;
constexpr int kTamanhos = 12;
constexpr int kRepeticoes = 3;

QString cor(int i) { return QStringLiteral("C%1").arg(i, 2, 10, QLatin1Char('0')); }
QString tamanho(int i) { return QStringLiteral("T%1").arg(i, 2, 10, QLatin1Char('0')); }

QStringList sementes()
{
    QStringList s{
        "UPDATE CONFIG SET NRULTCONFIG = 3, DTVALIDADE = CURRENT_DATE + 30, DTDEENTREGA = '2026-01-01', "
        "DTATEENTREGA = '2030-12-31'",
        "INSERT INTO PRODUTO (PROD_CODI, PROD_DESC) VALUES ('G1', 'CAMISETA')",
        "INSERT INTO TABPRE_PRODUTO (PREC_PRODUTO, PREC_TABELA, PREC_FAIXA, PREC_QTDMAXIMA, PREC_PRECO, "
        "PREC_PRECO_ORI, PREC_FAIXA_TAM) VALUES ('G1', 'SUL', 1, 99999, 12.5, 12.5, 'UU')",
    };
    for (int c = 0; c < kCores; ++c)
        for (int t = 0; t < kTamanhos; ++t)
            s << QStringLiteral("INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_DSCOR, PAIT_TAM, PAIT_POS_TAM, "
                                "PAIT_IDESGOTADO, PAIT_QTDE) VALUES ('G1', '%1', 'COR %1', '%2', %3, 'N', 999999)")
                     .arg(cor(c), tamanho(t))
                     .arg(t + 1);
    return s;
}

int falha(const char *oque, const QStringList &dialogos = {})
{
    std::fprintf(stderr, "FAILED: %s\n", oque);
    for (const QString &t : dialogos)
        std::fprintf(stderr, "  dialog: %s\n", qPrintable(t));
    return 1;
}

// Milliseconds of one "Sortir" of n pieces on a freshly loaded grade.
double sortir(TDMRepres &dm, ScopedDialogRecorder &rec, int n, bool &ok)
{
    PedidoControlador c(&dm);
    c.tabela = QStringLiteral("SUL");
    c.precos.nTaxa = 1;
    GradeItem g(c, dm);
    g.FCodigo = QStringLiteral("G1");
    g.FTabelaPreco = QStringLiteral("SUL");
    g.CarregaProduto();
    rec->clear();
    rec->pushInput(true, QString::number(n));
    QElapsedTimer t;
    t.start();
    g.Sortir();
    const double ms = t.nsecsElapsed() / 1e6;
    ok = g.qtdItem == n && g.TbItens.recordCount() == kCores * kTamanhos && rec->texts().size() <= 1;
    return ms;
}

// An order whose printout has the given number of rows: products of 10
// colours, one size each.
void itensDoPedido(DataSet &itens, int linhas)
{
    itens.setFieldDefs(CamposItensPedido());
    itens.open();
    for (int i = 0; i < linhas; ++i) {
        itens.append();
        itens.fieldByName(QStringLiteral("Codigo"))->setAsString(QStringLiteral("P%1").arg(i / 10, 4, 10, QLatin1Char('0')));
        itens.fieldByName(QStringLiteral("Descricao"))->setAsString(QStringLiteral("PRODUTO %1").arg(i / 10));
        itens.fieldByName(QStringLiteral("Cor"))->setAsString(cor(i % 10));
        itens.fieldByName(QStringLiteral("DsCor"))->setAsString(QStringLiteral("COR %1").arg(i % 10));
        itens.fieldByName(QStringLiteral("Tam"))->setAsString(tamanho(i % kTamanhos));
        itens.fieldByName(QStringLiteral("Qtde"))->setAsFloat(1 + i % 5);
        itens.fieldByName(QStringLiteral("Preco"))->setAsFloat(9.9);
        itens.fieldByName(QStringLiteral("Valor"))->setAsFloat((1 + i % 5) * 9.9);
        itens.post();
    }
}

// Milliseconds from the order lines to the written PDF.
double relatorio(int linhas, const QString &pdf, int &paginas, bool &ok)
{
    DataSet itens;
    itensDoPedido(itens, linhas);
    QStringList tams;
    for (int t = 0; t < kTamanhos; ++t)
        tams << tamanho(t);
    impressao_pedido::DadosImpressao d;
    d.empresa = {{QStringLiteral("EMP_NOME"), QStringLiteral("Malharia")}};
    d.pedido = {{QStringLiteral("PED_NUME"), QStringLiteral("00001")}, {QStringLiteral("PED_PDESC"), 5.0}};
    QElapsedTimer t;
    t.start();
    DataSet rel;
    impressao_pedido::MontaRelProdutos(itens, [&tams](const QString &) { return tams; }, rel);
    auto r = MontaRelatorioPedido(d, rel, false, QDateTime::currentDateTime());
    ok = r->ExportaPdf(pdf) && rel.recordCount() == linhas;
    paginas = r->Paginas();
    return t.nsecsElapsed() / 1e6;
}

struct Medida {
    const char *nome;
    int unidades;
    std::vector<double> ms;
    double porUnidade() const { return mediana(ms) / unidades; }
};

int executa()
{
    const QString modelo = upgradedTemplate(sementes());
    ScratchInstall inst;
    installTemplate(inst, modelo);
    if (::testing::UnitTest::GetInstance()->ad_hoc_test_result().Failed())
        return falha("preparing the scratch database");
    ScopedDialogRecorder rec;
    TDMRepres dm{TDMRepresGanchos{}};
    if (!dm.XRDtRepres->Connected())
        return falha("connecting to the scratch database");

    Medida s1{"Sortir 1,000 pieces", 1000, {}}, s2{"Sortir 10,000 pieces", 10000, {}};
    Medida r1{"PDF of 200 rows", 200, {}}, r2{"PDF of 2,000 rows", 2000, {}};
    QTemporaryDir dir;
    int paginas200 = 0, paginas2000 = 0;
    bool ok = false;
    sortir(dm, rec, 10, ok); // warm-up: first statement preparations
    for (int r = 0; r < kRepeticoes; ++r) {
        for (Medida *m : {&s1, &s2}) {
            m->ms.push_back(sortir(dm, rec, m->unidades, ok));
            if (!ok)
                return falha("Sortir did not place every piece on every cell", rec->texts());
        }
        r1.ms.push_back(relatorio(200, dir.filePath(QStringLiteral("p200.pdf")), paginas200, ok));
        if (!ok)
            return falha("the 200-row report");
        r2.ms.push_back(relatorio(2000, dir.filePath(QStringLiteral("p2000.pdf")), paginas2000, ok));
        if (!ok)
            return falha("the 2,000-row report");
    }

    std::printf("grade %d colours x %d sizes; %d runs each (median), nproc %d\n", kCores, kTamanhos, kRepeticoes,
                processadores());
    std::printf("%-24s %10s %14s\n", "step", "median ms", "us per unit");
    for (const Medida *m : {&s1, &s2, &r1, &r2})
        std::printf("%-24s %10.1f %14.2f\n", m->nome, mediana(m->ms), m->porUnidade() * 1000);
    std::printf("report pages: %d (200 rows), %d (2,000 rows)\n", paginas200, paginas2000);
    const double fs = s2.porUnidade() / s1.porUnidade(), fr = r2.porUnidade() / r1.porUnidade();
    std::printf("large vs small per unit: Sortir %.2fx, report %.2fx (goal <= 1.5x): %s\n", fs, fr,
                fs <= 1.5 && fr <= 1.5 ? "met" : "NOT met");
    return 0;
}

} // namespace

int main(int argc, char **argv) { return medidas::executaOffscreen(argc, argv, executa); }
