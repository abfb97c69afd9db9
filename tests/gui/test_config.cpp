// The tile settings window through its objectNames and the dialog recorder.
#include "TestDb.h"

#include "components/XRCurrencyEdit.h"
#include "components/XRDBGrid.h"
#include "components/XRWidget.h"
#include "components/uConfig.h"
#include "platform/DataSet.h"
#include "platform/DialogService.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include <gtest/gtest.h>

namespace {

struct Resultado {
    bool abriu = false;
    int atualizacoes = 0;
};

// Opens the settings window on the tile and runs `passos` on it.
Resultado abre(TXRWidget &w, const std::function<void(TFmWidConfig &)> &passos)
{
    Resultado r;
    const auto conn = QObject::connect(&w, &TXRWidget::Atualizado, [&r] { ++r.atualizacoes; });
    w.MostraModal = [&](QDialog &d) {
        r.abriu = true;
        auto &f = dynamic_cast<TFmWidConfig &>(d);
        f.show();
        passos(f);
        f.close();
    };
    w.AbreConfiguracao();
    QElapsedTimer t;
    t.start();
    while (w.Trabalhando() && t.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QObject::disconnect(conn);
    return r;
}

void banda(TGauge &g, int inicio, const QColor &cor)
{
    TSessionsItem &s = g.Sessions().Add();
    s.PercentStart = inicio;
    s.Color = cor;
}

void setValor(DataSet &ds, int linha, double v)
{
    ds.setRecNo(linha + 1);
    ds.edit();
    ds.fieldByName("Valor")->setValue(v);
    ds.post();
}

TSeriesItem &serie(TSeries &s, const char *visao, const char *campo, TStyle estilo)
{
    TSeriesItem &i = s.Add();
    i.Vision = visao;
    i.FieldX = campo;
    i.Style = estilo;
    i.Visible = true;
    return i;
}

} // namespace

TEST(ConfigCores, NamesBothWaysThroughOneTable)
{
    EXPECT_EQ(ColorToString(QColor(255, 0, 0)), "clRed");
    EXPECT_EQ(ColorToString(QColor(0, 0, 255)), "clBlue");
    EXPECT_EQ(ColorToString(QColor(0x12, 0x34, 0x56)), "$00563412");
    QColor c;
    ASSERT_TRUE(StringToColor("clRed", c));
    EXPECT_EQ(c, QColor(255, 0, 0));
    ASSERT_TRUE(StringToColor("$00563412", c));
    EXPECT_EQ(c, QColor(0x12, 0x34, 0x56));
    EXPECT_FALSE(StringToColor("vermelho", c));
    for (const char *nome : {"clBlack", "clYellow", "clLime", "clSilver", "clCream", "$00ABCDEF"}) {
        ASSERT_TRUE(StringToColor(nome, c)) << nome;
        EXPECT_EQ(ColorToString(c), nome);
    }
}

TEST(ConfigGauge, BandsInOrderAreAppliedAndOutOfOrderKeepTheTileAsItWas)
{
    ScopedDialogRecorder rec;
    TXRWidget w;
    w.SetKind(TXRKind::wdGauge);
    w.SetTitle("Vendas");
    banda(w.Gauge(), 0, Qt::red);
    banda(w.Gauge(), 50, Qt::yellow);
    banda(w.Gauge(), 100, Qt::green);
    w.Gauge().MinValue = 5;
    w.Gauge().MaxValue = 200;

    // 0 / 60 / 50 refused: message, window open, title and bands unchanged
    Resultado r = abre(w, [&rec](TFmWidConfig &f) {
        EXPECT_FALSE(f.PageControl->isTabVisible(f.PageControl->indexOf(f.TsGrafico)));
        EXPECT_TRUE(f.PageControl->isTabVisible(f.PageControl->indexOf(f.TsGauge)));
        EXPECT_EQ(f.TbGauge->recordCount(), 3);
        EXPECT_EQ(f.TbGauge->valueAt(0, 1).toString(), "clRed");
        EXPECT_EQ(f.EdtMinimo->Text(), "5");
        EXPECT_EQ(f.EdtMaximo->text(), "200,00");
        f.EdtTitulo->setText("Outro");
        setValor(*f.TbGauge, 1, 60);
        setValor(*f.TbGauge, 2, 50);
        f.BitBtn1->click();
        EXPECT_TRUE(f.isVisible());
        EXPECT_FALSE(f.bAtualiza);
        ASSERT_EQ(rec->entries().size(), 1u);
        EXPECT_EQ(rec->entries()[0].text, "Os valores das sessões do Gauge devem estar em ordem crescente.");
        EXPECT_EQ(rec->entries()[0].title, "Atenção");
    });
    EXPECT_TRUE(r.abriu);
    EXPECT_EQ(w.Title(), "Vendas");
    EXPECT_EQ(w.Gauge().Sessions().Items(1).PercentStart, 50);

    // equal values accepted; non-numbers give 0, 100 and 3
    rec->clear();
    abre(w, [](TFmWidConfig &f) {
        f.EdtTitulo->setText("Outro");
        EXPECT_EQ(f.TbGauge->valueAt(2, 0).toDouble(), 100.0);
        setValor(*f.TbGauge, 1, 100);
        f.EdtQtLegenda->setText("");
        f.EdtMinimo->setText("-");
        f.EdtMaximo->setText("");
        f.BitBtn1->click();
        EXPECT_TRUE(f.bAtualiza);
    });
    EXPECT_TRUE(rec->entries().empty());
    EXPECT_EQ(w.Title(), "Outro");
    ASSERT_EQ(w.Gauge().Sessions().Count(), 3);
    EXPECT_EQ(w.Gauge().Sessions().Items(1).PercentStart, 100);
    EXPECT_EQ(w.Gauge().Sessions().Items(1).Color, QColor(Qt::yellow));
    EXPECT_EQ(w.Gauge().MinValue, 0.0);
    EXPECT_EQ(w.Gauge().LegendsQuantity, 3);
}

TEST(ConfigGauge, ColourIsChosenInTheDialogNeverTyped)
{
    TXRWidget w;
    w.SetKind(TXRKind::wdWebGauge);
    banda(w.WebGauge(), 0, Qt::red);
    w.WebGauge().LegendsQuantity = 2;
    abre(w, [](TFmWidConfig &f) {
        EXPECT_TRUE(f.cbTemLegenda->isChecked());
        EXPECT_FALSE(f.EdtQtLegenda->isVisibleTo(&f));
        QColor inicial;
        f.ColorDialog1 = [&inicial](const QColor &c) {
            inicial = c;
            return QColor(0, 0, 255);
        };
        f.DbgGauge->setCurrentIndex(f.DbgGauge->model()->index(0, 1));
        f.DbgGaugeDblClick();
        EXPECT_EQ(inicial, QColor(Qt::red));
        EXPECT_EQ(f.TbGauge->valueAt(0, 1).toString(), "clBlue");
        EXPECT_FALSE(f.DbgGauge->itemDelegateForColumn(1)->createEditor(f.DbgGauge, {}, f.DbgGauge->model()->index(0, 1)));
        f.cbTemLegenda->setChecked(false);
        f.BitBtn1->click();
    });
    EXPECT_EQ(w.WebGauge().Sessions().Items(0).Color, QColor(0, 0, 255));
    EXPECT_EQ(w.WebGauge().LegendsQuantity, 0);
}

TEST(ConfigGrafico, BarAndLineOpensOnItsItemAndPieAppliesToBoth)
{
    TXRWidget w;
    w.SetKind(TXRKind::wdChart);
    serie(w.Chart().Series(), "Vendas", "V", TStyle::wtpBar);
    serie(w.Chart().Series(), "Meta", "M", TStyle::wtpLine);
    abre(w, [](TFmWidConfig &f) {
        EXPECT_EQ(f.EstiloSelecionado(), 5);
        EXPECT_EQ(f.ClValores->count(), 2);
        f.SelecionaEstilo(2);
        f.cbLegenda->setChecked(true);
        f.BitBtn1->click();
    });
    EXPECT_EQ(w.Chart().Series().Items(0).Style, TStyle::wtpPie);
    EXPECT_EQ(w.Chart().Series().Items(1).Style, TStyle::wtpPie);
    EXPECT_TRUE(w.Chart().Legenda());

    TXRWidget um;
    um.SetKind(TXRKind::wdChart);
    serie(um.Chart().Series(), "Vendas", "V", TStyle::wtpLine);
    abre(um, [](TFmWidConfig &f) {
        EXPECT_EQ(f.EstiloSelecionado(), 3);
        f.SelecionaEstilo(5);
        f.BitBtn1->click();
    });
    EXPECT_EQ(um.Chart().Series().Items(0).Style, TStyle::wtpBar);
}

TEST(ConfigGrafico, EachDefinitionHasItsEntryEvenWithTheSameField)
{
    TXRWidget w;
    w.SetKind(TXRKind::wdChart);
    serie(w.Chart().Series(), "Vendas", "V", TStyle::wtpBar);
    serie(w.Chart().Series(), "Vendas 2023", "V", TStyle::wtpBar);
    serie(w.Chart().Series(), "Meta", "M", TStyle::wtpBar);
    abre(w, [](TFmWidConfig &f) {
        ASSERT_EQ(f.ClValores->count(), 3);
        EXPECT_EQ(f.ClValores->item(1)->text(), "Vendas 2023");
        f.ClValores->item(1)->setCheckState(Qt::Unchecked);
        f.ClValores->item(2)->setCheckState(Qt::Unchecked);
        f.BitBtn1->click();
    });
    EXPECT_TRUE(w.Chart().Series().Items(0).Visible);
    EXPECT_FALSE(w.Chart().Series().Items(1).Visible);
    EXPECT_FALSE(w.Chart().Series().Items(2).Visible);
}

TEST(ConfigGrafico, NoDefinitionsAllUntickedAndCancel)
{
    ScopedDialogRecorder rec;
    TXRWidget vazio;
    vazio.SetKind(TXRKind::wdWebChart);
    abre(vazio, [](TFmWidConfig &f) {
        EXPECT_EQ(f.EstiloSelecionado(), -1);
        EXPECT_EQ(f.ClValores->count(), 0);
        f.BitBtn1->click();
        EXPECT_TRUE(f.bAtualiza);
        EXPECT_FALSE(f.isVisible());
    });
    ASSERT_EQ(rec->entries().size(), 1u);
    EXPECT_EQ(rec->entries()[0].text, "É necessário visualizar ao menos um valor.");

    rec->clear();
    TXRWidget w;
    w.SetKind(TXRKind::wdWebChart);
    w.SetTitle("Antes");
    serie(w.WebChart().Series, "A", "A", TStyle::wtpBar);
    serie(w.WebChart().Series, "B", "B", TStyle::wtpBar);
    abre(w, [](TFmWidConfig &f) {
        f.ClValores->item(0)->setCheckState(Qt::Unchecked);
        f.ClValores->item(1)->setCheckState(Qt::Unchecked);
        f.SelecionaEstilo(1);
        f.BitBtn1->click();
    });
    EXPECT_TRUE(rec->entries().empty());
    EXPECT_FALSE(w.WebChart().Series.Items(0).Visible);
    EXPECT_FALSE(w.WebChart().Series.Items(1).Visible);
    EXPECT_EQ(w.WebChart().Estilo, " chart: {  type: 'bar' },");
    EXPECT_EQ(w.WebChart().CodEstilo, 1);

    abre(w, [](TFmWidConfig &f) {
        f.EdtTitulo->setText("Depois");
        f.ClValores->item(0)->setCheckState(Qt::Checked);
        f.SelecionaEstilo(2);
        f.BitBtn2->click();
        EXPECT_FALSE(f.bAtualiza);
    });
    EXPECT_EQ(w.Title(), "Antes");
    EXPECT_FALSE(w.WebChart().Series.Items(0).Visible);
    EXPECT_EQ(w.WebChart().CodEstilo, 1);
}

TEST(ConfigAtualiza, OkRefreshesTheTileAndCancelDoesNot)
{
    ScratchInstall inst;
    auto db = inst.connect();
    TXRWidget w;
    w.SetDataBase(db.get());
    w.SetKind(TXRKind::wdGauge);
    w.SQL().SetText("SELECT 1 AS N FROM RDB$DATABASE");
    w.Execute();
    QElapsedTimer t;
    t.start();
    while (w.Trabalhando() && t.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_FALSE(w.Trabalhando());
    EXPECT_EQ(abre(w, [](TFmWidConfig &f) { f.BitBtn2->click(); }).atualizacoes, 0);
    EXPECT_EQ(abre(w, [](TFmWidConfig &f) { f.BitBtn1->click(); }).atualizacoes, 1);
    PoolWidgets()->waitForDone(20000);
}
