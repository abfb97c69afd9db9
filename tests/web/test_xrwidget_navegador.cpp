// The web kinds in a real web view, offscreen, over an asset folder made
// here whose chart script only keeps the options it is given.
#include "components/XRWidget.h"
#include "platform/DataSet.h"
#include "PreencheDataSet.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace {

// Our stand-in for the chart library: keeps what the page hands it.
const char *kGraficoFalso = R"(window.opcoes = null;
window.Highcharts = {
  setOptions: function (o) { window.lang = o.lang; },
  numberFormat: function (v) { return '' + v; },
  chart: function (id, o) { window.opcoes = o; return {}; }
};
)";

class WebNavegador : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pasta.isValid());
        ASSERT_TRUE(QDir(pasta.path()).mkpath("arquivos/webchart/js"));
        QFile f(pasta.filePath("arquivos/webchart/js/highcharts.js"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(kGraficoFalso);
    }

    // Draws the tile and waits for its page, at most 20 s.
    QWebEngineView *desenha(TXRWidget &w)
    {
        QSignalSpy carregou(&w, &TXRWidget::PaginaCarregada);
        w.MontaWidget();
        auto *v = qobject_cast<QWebEngineView *>(w.NavegadorWeb());
        if (!v || !carregou.wait(20000) || !carregou.first().at(0).toBool())
            return nullptr;
        return v;
    }

    // Runs a script in the page and returns its result, at most 5 s.
    static QVariant avalia(QWebEngineView *v, const QString &script)
    {
        auto resultado = std::make_shared<std::optional<QVariant>>();
        v->page()->runJavaScript(script, [resultado](const QVariant &r) { *resultado = r; });
        QElapsedTimer t;
        t.start();
        while (!resultado->has_value() && t.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return resultado->value_or(QVariant(QStringLiteral("(no answer)")));
    }

    QTemporaryDir pasta;
};

TEST_F(WebNavegador, CardShowsItsValueAndChartGetsTheLabelsIntact)
{
    TXRWidget card;
    card.setObjectName("Card");
    card.caminho = pasta.path();
    card.SetKind(TXRKind::wdWebCard);
    card.SetCaption("Total <b>");
    card.resize(300, 200);
    card.show();
    preenche(*card.Dados(), {{"TOTAL", FieldType::Float}}, {{1234.5}});
    QWebEngineView *v = desenha(card);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->objectName(), "WebCard");
    EXPECT_TRUE(v->isVisible());
    EXPECT_EQ(avalia(v, "document.querySelector('.value_card').textContent").toString(), "1.234,50");
    EXPECT_EQ(avalia(v, "document.querySelector('.title_card').textContent").toString(), "Total <b>");

    TXRWidget grafico;
    grafico.setObjectName("Grafico");
    grafico.caminho = pasta.path();
    grafico.SetKind(TXRKind::wdWebChart);
    grafico.resize(400, 300);
    grafico.show();
    TSeriesItem &s = grafico.WebChart().Series.Add();
    s.FieldX = "VALOR";
    s.FieldY = "NOME";
    s.Style = TStyle::wtpBar;
    preenche(*grafico.Dados(), {{"NOME", FieldType::String, 40}, {"VALOR", FieldType::Float}},
             {{"D'ÁVILA", 1234.5}, {"</script>", 2.0}});
    v = desenha(grafico);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(avalia(v, "JSON.stringify(window.opcoes.xAxis.categories)").toString(), "[\"D'ÁVILA\",\"</script>\"]");
    EXPECT_EQ(avalia(v, "JSON.stringify(window.opcoes.series[0].data)").toString(), "[1234.5,2]");
    EXPECT_EQ(avalia(v, "window.lang.decimalPoint").toString(), ",");
}

} // namespace
