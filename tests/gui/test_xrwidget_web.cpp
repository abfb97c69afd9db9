// Pages of the web tile kinds, as text.
#include "components/XRWidget.h"
#include "components/XRWidgetWeb.h"
#include "platform/DataSet.h"
#include "PreencheDataSet.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

const QString kPasta = QStringLiteral("/opt/painel");

// NOME (labels) and VALOR (values), one row per value.
void vendas(DataSet &ds, const std::vector<std::pair<QString, double>> &linhas)
{
    std::vector<Row> rows;
    for (const auto &[nome, valor] : linhas)
        rows.push_back({nome, valor});
    preenche(ds, {{"NOME", FieldType::String, 40}, {"VALOR", FieldType::Float}}, rows);
}

TSeriesItem &serie(TWebChart &c, const QString &x, TStyle estilo)
{
    TSeriesItem &s = c.Series.Add();
    s.FieldX = x;
    s.FieldY = QStringLiteral("NOME");
    s.Style = estilo;
    s.Color = QColor(255, 0, 16);
    return s;
}

TTileWeb tile(int largura = 400, int altura = 300)
{
    TTileWeb t;
    t.Largura = largura;
    t.Altura = altura;
    t.Caminho = kPasta;
    return t;
}

QString mensagem(const std::function<void()> &f)
{
    try {
        f();
    } catch (const std::runtime_error &e) {
        return QString::fromUtf8(e.what());
    }
    return QStringLiteral("(no error)");
}

} // namespace

// ---------------------------------------------------------------- pieces

TEST(WebPecas, PieCentresLabelStepsAndGaugeHeights)
{
    const std::tuple<int, int, const char *> centros[] = {
        {0, 1, "center:['50%','50%'],"}, {1, 1, "center:['75%','50%'],"},  {1, 2, "center:['75%','50%'],"},
        {2, 1, "center:['100%','50%'],"}, {2, 3, "center:['100%','50%'],"}, {0, 2, "center:['25%','50%'],"},
        {0, 0, ""},  {0, 3, ""}, {1, 3, ""}, {2, 2, ""}, {3, 4, ""}};
    for (const auto &[i, n, esperado] : centros)
        EXPECT_EQ(CentroPizza(i, n), QString::fromLatin1(esperado)) << i << "," << n;

    // 300 to 349 have no step of their own
    const std::pair<int, const char *> passos[] = {{170, "100"}, {171, "125"}, {299, "200"}, {300, "400"},
                                                   {349, "400"}, {350, "225"}, {699, "375"}, {700, "400"}};
    for (const auto &[h, esperado] : passos)
        EXPECT_EQ(PassoRotulosGauge(h), QString::fromLatin1(esperado)) << h;

    // height -> chart height, pane size, reduction; 520 to 569 take the last band
    const std::tuple<int, int, int, int> alturas[] = {{170, 165, 160, 0},     {369, 561, 556, 60},
                                                      {370, 585, 580, 75},    {519, 853, 848, 105},
                                                      {520, 982, 977, 180},   {569, 1056, 1051, 180},
                                                      {570, 952, 947, 120},   {800, 1402, 1397, 180}};
    for (const auto &[h, grafico, painel, reducao] : alturas) {
        EXPECT_EQ(AlturaGauge(h, false), grafico) << h;
        EXPECT_EQ(AlturaGauge(h, true), painel) << h;
        EXPECT_EQ(ReducaoAltura(h), reducao) << h;
    }
}

TEST(WebPecas, MasksColoursAndNumbers)
{
    EXPECT_EQ(PrefixoMascara("'R$:' #,##0.00#"), "'R$:' ");
    EXPECT_EQ(CasasDecimaisMascara("'R$:' #,##0.00#"), 2);
    EXPECT_EQ(SufixoMascara("'R$:' #,##0.00#"), "");
    // every character after the point counts, the percent sign included
    EXPECT_EQ(PrefixoMascara("#0.00%"), "");
    EXPECT_EQ(CasasDecimaisMascara("#0.00%"), 3);
    EXPECT_EQ(SufixoMascara("#0.00%"), "%");
    EXPECT_EQ(CasasDecimaisMascara("#,##0"), 0);

    EXPECT_EQ(CorParaHTML(QColor(255, 0, 16)), "#FF0010");
    EXPECT_EQ(CorParaHTML(QColor(0xAB, 0xCD, 0xEF)), "#ABCDEF");
    EXPECT_EQ(NumeroJS(1234.5), "1234.5");
    EXPECT_EQ(NumeroJS(-0.25), "-0.25");
    EXPECT_EQ(NumeroJS(1e20), "1E20");

    EXPECT_EQ(TextoJS("D'ÁVILA"), "'D\\'ÁVILA'");
    EXPECT_EQ(TextoJS("a\\b\"c\nd\re"), "'a\\\\b\\\"c\\nd\\re'");
    EXPECT_EQ(TextoJS("</script><!--"), "'<\\/script><\\x21--'");
    EXPECT_EQ(TextoJS("1/2"), "'1/2'");
}

// ---------------------------------------------------------------- web chart

TEST(WebChartPagina, TwoPiesShareTheChartAtAQuarterAndThreeQuarters)
{
    DataSet ds;
    preenche(ds, {{"NOME", FieldType::String, 40}, {"A", FieldType::Float}, {"B", FieldType::Float}},
             {{"Norte", 1.0, 3.0}, {"Sul", 2.0, 4.0}});
    TWebChart c;
    serie(c, "A", TStyle::wtpPie);
    serie(c, "B", TStyle::wtpPie);
    c.Legenda = true;
    const QString pagina = PaginaWebChart(c, ds, tile());
    EXPECT_EQ(c.Dados, "{ type: 'pie', size: '100%', center:['25%','50%'], name: 'NOME',  colorByPoint: true, \n\r"
                       "  data: [\n\r"
                       "{ name: 'Norte', y: 1, sliced: true  }\n\r"
                       ",{ name: 'Sul', y: 2, sliced: true  }\n\r"
                       "]},{ type: 'pie', size: '100%', center:['75%','50%'], name: 'NOME',  colorByPoint: true, \n\r"
                       "  data: [\n\r"
                       "{ name: 'Norte', y: 3, sliced: true  }\n\r"
                       ",{ name: 'Sul', y: 4, sliced: true  }\n\r"
                       "]}]");
    EXPECT_EQ(c.Categories, "  series: [ ");
    EXPECT_TRUE(c.Estilo.startsWith("chart: { plotBackgroundColor: null,  plotBorderWidth: null,  plotShadow: false,  "
                                    "type: 'pie', },\n\r tooltip: { pointFormat: '{series.name}: "
                                    "{point.percentage:.2f}%'"));
    EXPECT_TRUE(pagina.contains("      legend:{enabled: true,"));
    EXPECT_TRUE(pagina.contains("\n        series: [ \n      { type: 'pie'"));

    c.Legenda = false;
    EXPECT_TRUE(PaginaWebChart(c, ds, tile()).contains("      legend:{enabled: false},\n"));
}

TEST(WebChartPagina, PointsPerPageLimitTheSeriesButNotTheAxis)
{
    std::vector<std::pair<QString, double>> linhas;
    for (int i = 1; i <= 12; ++i)
        linhas.emplace_back(QStringLiteral("M%1").arg(i), i * 10.0 + (i == 3 ? 1224.5 : 0));
    DataSet ds;
    vendas(ds, linhas);
    TWebChart c;
    c.CodEstilo = 3; // line: both axis limits are written
    serie(c, "VALOR", TStyle::wtpLine);
    c.PontosPagina = 5;
    PaginaWebChart(c, ds, tile());
    EXPECT_EQ(c.Dados, " series: [\n\r{color:'#FF0010', type: 'line', name: 'VALOR', data:[10,20,1254.5,40,50] }] ");
    EXPECT_TRUE(c.Categories.startsWith(" xAxis: { categories: ['M1','M2','M3','M4','M5'], title: { text: '' } }  , "
                                        "yAxis: { min: 10, max: 1354.5, title: { text: 'NOME', align: 'center' }, "
                                        "labels: { overflow: 'justify',  formatter: function () { \r"))
        << c.Categories.toStdString();

    // all twelve rows decide the limits: the largest is the twelfth
    linhas[11].second = 5000;
    vendas(ds, linhas);
    PaginaWebChart(c, ds, tile());
    EXPECT_TRUE(c.Categories.contains("max: 5100,"));

    c.PontosPagina = 0;
    PaginaWebChart(c, ds, tile());
    EXPECT_TRUE(c.Dados.contains("data:[10,20,1254.5,40,50,60,70,80,90,100,110,5000]"));
}

TEST(WebChartPagina, BarLabelsRotateFromWidth300AndStyleText)
{
    DataSet ds;
    vendas(ds, {{"a", 1}, {"b", 2}, {"c", 3}, {"d", 4}, {"e", 5}});
    TWebChart c;
    c.Valores = true;
    serie(c, "VALOR", TStyle::wtpBar);
    PaginaWebChart(c, ds, tile(300));
    EXPECT_TRUE(c.Dados.contains("data:[1,2,3,4,5], dataLabels: { overflow: 'allow', crop: false, enabled: true, "
                                 "rotation: -45, y: -5,"))
        << c.Dados.toStdString();
    EXPECT_TRUE(c.Dados.contains("type: 'column',"));
    EXPECT_TRUE(c.Categories.contains("yAxis: { min: 0,  title:")); // bars: no maximum
    PaginaWebChart(c, ds, tile(299));
    EXPECT_TRUE(c.Dados.contains("rotation: 0, y: -5,"));

    // a style from the settings replaces the series types
    c.Estilo = QStringLiteral(" chart: {  type: 'bar' },");
    const QString pagina = PaginaWebChart(c, ds, tile(299));
    EXPECT_FALSE(c.Dados.contains("type:"));
    EXPECT_TRUE(pagina.contains("\n       chart: {  type: 'bar' },\n"));
}

TEST(WebChartPagina, LabelsAndNamesAreScriptStrings)
{
    DataSet ds;
    vendas(ds, {{"D'ÁVILA", 1234.5}, {"</script><script>alert(1)", 2}, {"linha\nquebrada\\", 3}});
    TWebChart c;
    serie(c, "VALOR", TStyle::wtpBar);
    const QString pagina = PaginaWebChart(c, ds, tile());
    EXPECT_TRUE(c.Categories.contains(
        "categories: ['D\\'ÁVILA','<\\/script><script>alert(1)','linha\\nquebrada\\\\']"));
    EXPECT_TRUE(c.Dados.contains("data:[1234.5,2,3]"));
    // only the page's own script elements end
    EXPECT_EQ(pagina.count("</script>"), 5);
    EXPECT_TRUE(pagina.contains("<meta charset=\"utf-8\">"));
    EXPECT_TRUE(pagina.contains("<script src=\"file:///opt/painel/arquivos/webchart/js/highcharts.js\"></script>"));
    EXPECT_TRUE(pagina.contains("<div style=\"width: 100%; height: 270px;\" id=\"container\"></div>"));

    // a pie's labels go the same way
    TWebChart p;
    serie(p, "VALOR", TStyle::wtpPie);
    PaginaWebChart(p, ds, tile());
    EXPECT_TRUE(p.Dados.contains("{ name: 'D\\'ÁVILA', y: 1234.5, sliced: true  }"));
}

TEST(WebChartPagina, NothingWithoutDefinitionsOrRowsAndNoFolderFails)
{
    DataSet vazio;
    TWebChart c;
    serie(c, "VALOR", TStyle::wtpBar);
    EXPECT_TRUE(PaginaWebChart(c, vazio, tile()).isEmpty());
    DataSet ds;
    vendas(ds, {{"a", 1}});
    TWebChart sem;
    EXPECT_TRUE(PaginaWebChart(sem, ds, tile()).isEmpty());

    TTileWeb t = tile();
    t.Caminho.clear();
    EXPECT_EQ(mensagem([&] { PaginaWebChart(c, ds, t); }),
              "Estrutura de arquivos necessários para montagem dos gráficos não encontrada");
    // the script parts were written before the failure
    EXPECT_EQ(c.Dados, " series: [\n\r{color:'#FF0010', type: 'column', name: 'VALOR', data:[1] }] ");
    EXPECT_EQ(mensagem([&] { PaginaWebCard(ds, t); }),
              "Estrutura de arquivos necessários para montagem dos gráficos não encontrada");
    TWebGauge g;
    g.Sessions().Add().PercentStart = 100;
    EXPECT_EQ(mensagem([&] { PaginaWebGauge(g, ds, t); }),
              "Estrutura de arquivos necessários para montagem dos gráficos não encontrada.");
}

// ---------------------------------------------------------------- web gauge

TEST(WebGaugePagina, PercentGaugeWithoutMaximumReadsTheRowsItHolds)
{
    DataSet ds;
    preenche(ds, {{"TOTAL", FieldType::Float}}, {{42.0}});
    TWebGauge g;
    g.PercentFormat = true;
    g.MaxValue = 0;
    g.Sessions().Add().PercentStart = 50;
    g.Sessions().Items(0).Color = Qt::red;
    g.Sessions().Add().PercentStart = 100;
    g.Sessions().Items(1).Color = QColor(0, 128, 0);
    const QString pagina = PaginaWebGauge(g, ds, tile(300, 300));
    EXPECT_EQ(g.MaxValue, 100.0);
    // clamped after the maximum became 100, not to 0
    EXPECT_EQ(g.Value, 42.0);
    EXPECT_TRUE(pagina.contains("series: [{ name: 'Valor', data: [42.00], tooltip: { valueSuffix: '' },"));
    EXPECT_TRUE(pagina.contains("plotBands: [{ from: 0, to: 50, color: '#FF0000' },{ from: 50, to: 100, color: "
                                "'#008000' }], "));
    EXPECT_TRUE(pagina.contains("yAxis: { min: 0, max: 100,"));
    EXPECT_TRUE(pagina.contains("labels: {enabled:false}, "));
    EXPECT_TRUE(pagina.contains("chart: { type: 'gauge', height: 435,"));
    EXPECT_TRUE(pagina.contains("size: 430 }"));
    EXPECT_TRUE(pagina.contains("<div style=\"width: 100%; height: 280px;\"id=\"container\"></div>"));

    // above the maximum: lowered to it; without percent the bands scale to it
    preenche(ds, {{"TOTAL", FieldType::Float}}, {{1234.567}});
    TWebGauge v;
    v.MaxValue = 1000;
    v.MinValue = 10;
    v.Sessions().Add().PercentStart = 25;
    v.Sessions().Add().PercentStart = 100;
    const QString p2 = PaginaWebGauge(v, ds, tile(300, 300));
    EXPECT_EQ(v.Value, 1000.0);
    EXPECT_TRUE(p2.contains("data: [1000.00]"));
    EXPECT_TRUE(p2.contains("plotBands: [{ from: 10, to: 250, color: '#000000' },{ from: 250, to: 1000,"));
    EXPECT_TRUE(p2.contains("yAxis: { min: 10, max: 1000,"));

    // no rows: the gauge shows 0
    DataSet vazio;
    PaginaWebGauge(v, vazio, tile(300, 300));
    EXPECT_EQ(v.Value, 0.0);
}

TEST(WebGaugePagina, LabelFormatterFromTheMask)
{
    DataSet ds;
    preenche(ds, {{"TOTAL", FieldType::Float}}, {{5.0}});
    TWebGauge g;
    g.Sessions().Add().PercentStart = 100;
    g.LegendsQuantity = 2;
    g.MaskValues = QStringLiteral("'R$:' #,##0.00#");
    EXPECT_TRUE(PaginaWebGauge(g, ds, tile(300, 300))
                    .contains("labels: { enabled: true, step: 400, formatter: function () { return "
                              "'\\'R$:\\' '+Highcharts.numberFormat(this.value, 2)+''; },"));
    g.MaskValues = QStringLiteral("#0.00%");
    EXPECT_TRUE(PaginaWebGauge(g, ds, tile(300, 260))
                    .contains("step: 175, formatter: function () { return ''+Highcharts.numberFormat(this.value, "
                              "3)+'%'; },"));
}

// ---------------------------------------------------------------- web card

TEST(WebCardPagina, DivisorByTextLengthAndHtmlText)
{
    const std::pair<QString, int> casos[] = {
        {"", 9}, {"abc", 5}, {"abcd", 6}, {"abcdefghi", 7}, {"abcdefghijkl", 8}, {"abcdefghijklm", 9}};
    for (const auto &[texto, divisor] : casos) {
        DataSet ds;
        preenche(ds, {{"NOME", FieldType::String, 40}}, {{texto.isEmpty() ? QVariant() : QVariant(texto)}});
        TTileWeb t = tile(360, 200);
        const QString pagina = PaginaWebCard(ds, t);
        EXPECT_TRUE(pagina.contains(QStringLiteral("<div style=\"font-size: %1px;\" class=\"value_card\">%2</div>")
                                        .arg(360 / divisor)
                                        .arg(texto)))
            << texto.toStdString();
    }

    DataSet ds;
    preenche(ds, {{"TOTAL", FieldType::Float}, {"QTD", FieldType::Integer}}, {{1234.5, 1234567}});
    TTileWeb t = tile(300, 200);
    t.Caption = QStringLiteral("<b>D'ÁVILA & Cia</b>");
    t.Cor = QColor(0, 0, 255);
    t.CorFonte = Qt::white;
    const QString pagina = PaginaWebCard(ds, t);
    EXPECT_TRUE(pagina.contains("<div style=\"color: #FFFFFF; background-color: #0000FF; height: 170px;\" "
                                "class=\"container_card\">"));
    EXPECT_TRUE(pagina.contains("<div style=\"font-size: 10px;\" class=\"title_card\">&lt;b&gt;D'ÁVILA &amp; "
                                "Cia&lt;/b&gt;</div>"));
    EXPECT_TRUE(pagina.contains("class=\"value_card\">1.234,50</div>"));
    EXPECT_FALSE(pagina.contains("<script>"));
    // the first field's type picks the mask, whichever field is shown
    t.Campo = QStringLiteral("QTD");
    EXPECT_TRUE(PaginaWebCard(ds, t).contains("class=\"value_card\">1.234.567,00</div>"));
    preenche(ds, {{"QTD", FieldType::Integer}}, {{1234567}});
    EXPECT_TRUE(PaginaWebCard(ds, t).contains("class=\"value_card\">1.234.567</div>"));

    DataSet inativo;
    EXPECT_TRUE(PaginaWebCard(inativo, t).isEmpty());
}

// ---------------------------------------------------------------- the tile

TEST(WebTile, GaugeTallerThanWideLosesItsReductionAndWithoutFolderShowsTheError)
{
    TXRWidget w;
    w.caminho.clear();
    w.WebGauge().Sessions().Add().PercentStart = 100;
    w.resize(300, 400);
    w.Reposiciona();
    EXPECT_EQ(w.height(), 300 - ReducaoAltura(400));
    EXPECT_EQ(w.toolTip(), "Erro na criação Estrutura de arquivos necessários para montagem dos gráficos não encontrada.");
    EXPECT_EQ(w.CorTitulo(), QColor(255, 0, 0));
    EXPECT_EQ(w.NavegadorWeb(), nullptr);

    TXRWidget card;
    card.caminho.clear();
    card.SetKind(TXRKind::wdWebCard);
    card.SetTitle("Vendas");
    preenche(*card.Dados(), {{"TOTAL", FieldType::Float}}, {{1.0}});
    card.resize(200, 260);
    card.Reposiciona();
    EXPECT_EQ(card.height(), 200);
    EXPECT_EQ(card.Title(), "");
    EXPECT_EQ(card.TitleOrig(), "Vendas");
    EXPECT_EQ(card.toolTip(), "Erro na criação Estrutura de arquivos necessários para montagem dos gráficos não encontrada");
}
