#include "components/XRWidgetWeb.h"

#include "platform/DataSet.h"
#include "platform/Formats.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <cmath>
#include <stdexcept>

namespace {
const QString LFCR = QStringLiteral("\n\r");
const QString kSemArquivos = QStringLiteral("Estrutura de arquivos necessários para montagem dos gráficos não encontrada");
const QString kFonte = QStringLiteral("fontWeight: 'lighter', fontStyle: 'normal', fontSize: '10px', fontFamily: 'Verdana'");

[[noreturn]] void semArquivos(const QString &mensagem) { throw std::runtime_error(mensagem.toStdString()); }

bool ehPizza(const TWebChart &c, const TSeriesItem &s) { return s.Style == TStyle::wtpPie || c.CodEstilo == 2; }

// A row's value as a number; false for null or text that is no number.
bool numeroDoValor(const QVariant &v, double &saida)
{
    if (!v.isValid() || v.isNull())
        return false;
    if (v.typeId() == QMetaType::QString)
        return fmt::tryStrToFloat(v.toString(), saida);
    bool ok = false;
    saida = v.toDouble(&ok);
    return ok;
}

QString textoDoCampo(const DataSet &d, int linha, int coluna)
{
    return Field::displayTextOf(d.valueAt(linha, coluna), d.fieldDefs()[std::size_t(coluna)].type, QString());
}

int colunaDe(const DataSet &d, const QString &nome)
{
    const int i = d.fieldIndex(nome);
    if (i < 0)
        throw DataSetError(QStringLiteral("Field '%1' not found").arg(nome));
    return i;
}

QString urlArquivo(const QString &caminho, const QString &relativo)
{
    return QUrl::fromLocalFile(caminho + QStringLiteral("/arquivos/webchart/") + relativo)
        .toString(QUrl::FullyEncoded)
        .toHtmlEscaped();
}

QString scripts(const QString &caminho, std::initializer_list<const char *> js)
{
    QString s;
    for (const char *f : js)
        s += QStringLiteral("<script src=\"") + urlArquivo(caminho, QStringLiteral("js/") + QLatin1String(f))
            + QStringLiteral("\"></script>\n");
    return s;
}

QString estilos(const QString &caminho, std::initializer_list<const char *> css)
{
    QString s;
    for (const char *f : css)
        s += QStringLiteral("<link rel=\"stylesheet\" href=\"")
            + urlArquivo(caminho, QStringLiteral("css/") + QLatin1String(f)) + QStringLiteral("\">\n");
    return s;
}

QString inicioPagina(const QString &links)
{
    return QStringLiteral("<!DOCTYPE html>\n"
                          "<html lang=\"br\">\n"
                          "<head>\n"
                          "<title></title>\n"
                          "<meta charset=\"utf-8\">\n"
                          "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                          "<meta http-equiv=\"X-UA-Compatible\" content=\"IE=edge\">\n")
        + links;
}

QString scriptInicio()
{
    return QStringLiteral("<script>\n"
                          "document.addEventListener(\"DOMContentLoaded\", function () {\n"
                          "    Highcharts.setOptions({ lang: { decimalPoint: ',', thousandsSep: '.' } });\n");
}

QString rotulos(int rotacao, int y)
{
    return QStringLiteral(", dataLabels: { overflow: 'allow', crop: false, enabled: true, rotation: ") + QString::number(rotacao)
        + QStringLiteral(", y: ") + QString::number(y)
        + QStringLiteral(", align: 'left', format: '{point.y:,.2f}', style: { fontWeight: 'lighter', fontStyle: "
                         "'normal', color: 'black', fontSize: '8px', fontFamily: 'Verdana' } }");
}
} // namespace

QString CaminhoArquivosWeb(const QString &pasta)
{
    if (pasta.isEmpty() || !QFileInfo(QDir(pasta).filePath(QStringLiteral("arquivos/webchart"))).isDir())
        return QString();
    return pasta;
}

QString CorParaHTML(const QColor &c)
{
    return QStringLiteral("#%1%2%3")
        .arg(c.red(), 2, 16, QLatin1Char('0'))
        .arg(c.green(), 2, 16, QLatin1Char('0'))
        .arg(c.blue(), 2, 16, QLatin1Char('0'))
        .toUpper();
}

QString TextoJS(const QString &s)
{
    QString r = QStringLiteral("'");
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        switch (c.unicode()) {
        case '\\': r += QStringLiteral("\\\\"); break;
        case '\'': r += QStringLiteral("\\'"); break;
        case '"': r += QStringLiteral("\\\""); break;
        case '\n': r += QStringLiteral("\\n"); break;
        case '\r': r += QStringLiteral("\\r"); break;
        case 0x2028: r += QStringLiteral("\\u2028"); break;
        case 0x2029: r += QStringLiteral("\\u2029"); break;
        case '/':
            // "</script>" and "<!--" must not end or open anything in the page
            r += i > 0 && s[i - 1] == u'<' ? QStringLiteral("\\/") : QStringLiteral("/");
            break;
        case '!': r += i > 0 && s[i - 1] == u'<' ? QStringLiteral("\\x21") : QStringLiteral("!"); break;
        default:
            if (c.unicode() < 0x20)
                r += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                r += c;
        }
    }
    return r + u'\'';
}

QString NumeroJS(double v)
{
    if (!std::isfinite(v))
        return QStringLiteral("null");
    // the shortest form has no grouping, so the comma is only the decimal one
    return fmt::floatToStr(v).replace(u',', u'.');
}

// ---------------------------------------------------------------- chart pieces

QString OpcaoCorSerie(const TSeriesItem &serie)
{
    if (serie.Style == TStyle::wtpPie)
        return QString();
    if (serie.ColorEachPoint)
        return QStringLiteral("colorByPoint: true,");
    return QStringLiteral("color:") + TextoJS(CorParaHTML(serie.Color)) + u',';
}

QString TipoSerie(const TWebChart &chart, const TSeriesItem &serie)
{
    if (!chart.Estilo.trimmed().isEmpty())
        return QString();
    switch (serie.Style) {
    case TStyle::wtpArea: return QStringLiteral("type: 'area',");
    case TStyle::wtpBar: return QStringLiteral("type: 'column',");
    case TStyle::wtpHorizontalBar: return QStringLiteral("type: 'bar',");
    case TStyle::wtpLine: return QStringLiteral("type: 'line',");
    case TStyle::wtpPie: return QStringLiteral("type: 'pie',");
    case TStyle::wtpPoint: return QStringLiteral("type: 'point',");
    default: return QString();
    }
}

QString OpcaoRotulosSerie(const TWebChart &chart, const TSeriesItem &serie, int linhas, int largura)
{
    if (!chart.Valores)
        return QString();
    const TStyle st = serie.Style;
    const int cod = chart.CodEstilo;
    QString r;
    if (st == TStyle::wtpBar || cod == 0) {
        // a width of exactly 300 falls in neither case
        const bool cabe = chart.Series.Count() == 1 && ((linhas < 6 && largura < 300) || (linhas <= 10 && largura > 300));
        r = cabe ? rotulos(0, -5) : rotulos(-45, -5);
    }
    if (st == TStyle::wtpHorizontalBar || cod == 1)
        r = rotulos(0, 0);
    else if (st == TStyle::wtpLine || cod == 3)
        r = rotulos(-45, -5);
    else if (st == TStyle::wtpArea || cod == 4)
        r = rotulos(-45, -5);
    else if (st == TStyle::wtpPie || cod == 2)
        r = QStringLiteral(", showInLegend: true");
    else if (st == TStyle::wtpPoint)
        r = rotulos(-45, -5);
    return r;
}

QString CentroPizza(int i, int n)
{
    if (i == 0 && n == 1)
        return QStringLiteral("center:['50%','50%'],");
    if (i == 1 && (n == 1 || n == 2))
        return QStringLiteral("center:['75%','50%'],");
    if (i == 2 && (n == 1 || n == 3))
        return QStringLiteral("center:['100%','50%'],");
    if (i == 0 && n == 2)
        return QStringLiteral("center:['25%','50%'],");
    return QString();
}

int AlturaContainerGrafico(int altura) { return altura - 30; }

namespace {
bool eixoDeBarras(const TWebChart &chart, const TSeriesItem &serie)
{
    return serie.Style == TStyle::wtpBar || serie.Style == TStyle::wtpHorizontalBar || chart.CodEstilo == 0
        || chart.CodEstilo == 1;
}
} // namespace

QString OpcaoMaximoEixo(const TWebChart &chart, const TSeriesItem &serie, double maior)
{
    if (eixoDeBarras(chart, serie))
        return QString();
    return QStringLiteral("max: ") + NumeroJS(maior + 100) + u',';
}

QString OpcaoMinimoEixo(const TWebChart &chart, const TSeriesItem &serie, double menor)
{
    if (eixoDeBarras(chart, serie))
        return QStringLiteral("min: 0,");
    return QStringLiteral("min: ") + NumeroJS(menor) + u',';
}

QString FormatadorEixo()
{
    return QStringLiteral(" formatter: function () { \r"
                          " var label = this.axis.defaultLabelFormatter.call(this); \r"
                          " return Highcharts.numberFormat(this.value, 0); \r"
                          " } \r");
}

// ---------------------------------------------------------------- gauge pieces

double PercentualDoMaximo(TWebGauge &gauge, double x)
{
    if (gauge.MaxValue <= 0)
        gauge.MaxValue = 100;
    return x * 100 / gauge.MaxValue;
}

double ValorDoPercentual(TWebGauge &gauge, double p)
{
    if (gauge.MaxValue <= 0)
        gauge.MaxValue = 100;
    return p * gauge.MaxValue / 100;
}

QString SerieGauge(TWebGauge &gauge, double v)
{
    // before the clamp: a maximum of 0 would otherwise pin the first drawing to 0
    if (gauge.MaxValue <= 0)
        gauge.MaxValue = 100;
    if (v > gauge.MaxValue)
        v = gauge.MaxValue;
    gauge.Value = gauge.PercentFormat ? PercentualDoMaximo(gauge, v) : fmt::round2(v);
    return QStringLiteral("{ name: 'Valor', data: [") + QString::number(fmt::round2(gauge.Value), 'f', 2)
        + QStringLiteral("], tooltip: { valueSuffix: '' },dataLabels: { format: '{point.y:,.2f}', y: 5, style: "
                         "{fontWeight: 'lighter',fontStyle: 'normal', fontSize: '10px', fontFamily: 'Verdana' } }}");
}

QString FaixasGauge(TWebGauge &gauge)
{
    QString r;
    const TSessions &faixas = gauge.Sessions();
    for (int k = 0; k < faixas.Count(); ++k) {
        const TSessionsItem &f = faixas.Items(k);
        double de;
        double ate;
        if (gauge.PercentFormat) {
            de = k == 0 ? gauge.MinValue : faixas.Items(k - 1).PercentStart;
            ate = f.PercentStart;
        } else {
            de = k == 0 ? gauge.MinValue : ValorDoPercentual(gauge, faixas.Items(k - 1).PercentStart);
            ate = ValorDoPercentual(gauge, f.PercentStart);
        }
        r += (k == 0 ? QStringLiteral("{ from: ") : QStringLiteral(",{ from: ")) + NumeroJS(de) + QStringLiteral(", to: ")
            + NumeroJS(ate) + QStringLiteral(", color: ") + TextoJS(CorParaHTML(f.Color)) + QStringLiteral(" }");
    }
    return r;
}

QString MinimoGauge(const TWebGauge &gauge)
{
    return gauge.PercentFormat ? QStringLiteral("0") : NumeroJS(gauge.MinValue);
}

QString MaximoGauge(const TWebGauge &gauge)
{
    return gauge.PercentFormat || gauge.MaxValue <= 0 ? QStringLiteral("100") : NumeroJS(gauge.MaxValue);
}

QString PassoRotulosGauge(int h)
{
    // 300 to 349 fall through to the last step
    if (h <= 170)
        return QStringLiteral("100");
    if (h <= 199)
        return QStringLiteral("125");
    if (h <= 249)
        return QStringLiteral("150");
    if (h <= 275)
        return QStringLiteral("175");
    if (h <= 299)
        return QStringLiteral("200");
    if (h >= 350 && h < 700)
        return QString::number(225 + (h - 350) / 50 * 25);
    return QStringLiteral("400");
}

int AlturaContainerGauge(int altura) { return altura - 20; }

namespace {
// Height bands shared by the gauge offset and the height reduction; 520 to
// 569 has no band of its own and takes the last entry.
int faixaAltura(int h)
{
    if (h <= 170)
        return 0;
    if (h <= 219)
        return 1;
    if (h <= 269)
        return 2;
    if (h <= 320)
        return 3;
    if (h <= 369)
        return 4;
    if (h < 520)
        return 5 + (h - 370) / 50;
    if (h >= 570 && h < 770)
        return 8 + (h - 570) / 50;
    return 12;
}
} // namespace

int AlturaGauge(int altura, bool painel)
{
    static constexpr int deslocamentos[] = {60, 50, 35, 10, -5, -20, -35, -50, -65, -80, -95, -110, -135};
    const int x = altura - deslocamentos[faixaAltura(altura)];
    const int h = x + x / 2;
    return painel ? h - 5 : h;
}

int ReducaoAltura(int altura)
{
    static constexpr int reducoes[] = {0, 15, 30, 45, 60, 75, 90, 105, 120, 135, 150, 165, 180};
    return reducoes[faixaAltura(altura)];
}

namespace {
QString semGradeNemVirgula(QString m) { return m.remove(u'#').remove(u','); }
} // namespace

QString PrefixoMascara(const QString &mascara)
{
    const QString s = semGradeNemVirgula(mascara);
    const qsizetype zero = s.indexOf(u'0');
    return zero < 0 ? s : s.left(zero);
}

QString SufixoMascara(const QString &mascara)
{
    return mascara.contains(u'%') ? QStringLiteral("%") : QString();
}

int CasasDecimaisMascara(const QString &mascara)
{
    const QString s = semGradeNemVirgula(mascara);
    const qsizetype ponto = s.indexOf(u'.');
    const qsizetype limite = std::max<qsizetype>(0, s.size() - 2);
    return int(std::min(limite, s.size() - (ponto + 1)));
}

double ValorGauge(const DataSet &linhas)
{
    if (!linhas.active() || linhas.fieldCount() == 0 || linhas.isEmpty())
        return 0;
    double v = 0;
    return numeroDoValor(linhas.currentValue(0), v) ? v : 0;
}

// ---------------------------------------------------------------- pages

namespace {
// One chart series definition's part of the script.
struct TColetaEixo {
    bool temValor = false;
    double maior = 0;
    double menor = 0;
    void Coleta(double v)
    {
        if (!temValor) {
            maior = menor = v;
            temValor = true;
            return;
        }
        if (v > 0 && v > maior)
            maior = v;
        if (v >= 0 && v < menor)
            menor = v;
    }
};

QString valorJS(const DataSet &d, int linha, int coluna, TColetaEixo &eixo)
{
    double v = 0;
    const bool ok = numeroDoValor(d.valueAt(linha, coluna), v);
    eixo.Coleta(ok ? v : 0);
    return ok ? NumeroJS(v) : QStringLiteral("null");
}

void montaPartesChart(TWebChart &c, const DataSet &d, const TTileWeb &tile)
{
    const TSeries &series = c.Series;
    int n = 0;
    for (int i = 0; i < series.Count(); ++i)
        if (ehPizza(c, series.Items(i)) && series.Items(i).Visible)
            ++n;
    const int linhas = d.recordCount();
    const auto mostra = [&](int j) { return c.PontosPagina == 0 || j < c.PontosPagina; };

    QString campoRotulo;
    c.Dados.clear();
    for (int i = 0; i < series.Count(); ++i) {
        if (ehPizza(c, series.Items(i))) {
            c.Dados.clear();
            c.Categories.clear();
        } else {
            c.Dados = QStringLiteral(" series: [");
            c.Categories = QStringLiteral(" xAxis: { categories: [");
            campoRotulo = series.Items(i).FieldY;
        }
    }
    TColetaEixo eixo;
    for (int i = 0; i < series.Count(); ++i) {
        const TSeriesItem &s = series.Items(i);
        const int colX = colunaDe(d, s.FieldX);
        if (ehPizza(c, s)) {
            campoRotulo = s.FieldY;
            const int colY = colunaDe(d, campoRotulo);
            c.Estilo = QStringLiteral("chart: { plotBackgroundColor: null,  plotBorderWidth: null,  plotShadow: false,  "
                                      "type: 'pie', },")
                + LFCR
                + QStringLiteral(" tooltip: { pointFormat: '{series.name}: {point.percentage:.2f}%', style: {") + kFonte
                + QStringLiteral("} }, accessibility: { point: { valueSuffix: '%' } },") + LFCR
                + QStringLiteral(" plotOptions: {  pie: { allowPointSelect: true, cursor: 'pointer' ")
                + OpcaoRotulosSerie(c, s, linhas, tile.Largura)
                + QStringLiteral(", dataLabels: { enabled: true, format: '{point.name}: {point.percentage:.1f} %', "
                                 "style: {")
                + kFonte + QStringLiteral("} } } },") + LFCR;
            c.Categories = QStringLiteral("  series: [ ");
            if (s.Visible) {
                c.Dados += (i == 0 ? QStringLiteral("{ type: 'pie', size: '100%', ")
                                   : QStringLiteral(",{ type: 'pie', size: '100%', "))
                    + CentroPizza(i, n) + QStringLiteral(" name: ") + TextoJS(s.FieldY)
                    + QStringLiteral(",  colorByPoint: true, ") + LFCR + QStringLiteral("  data: [") + LFCR;
            }
            for (int j = 0; j < linhas; ++j) {
                const QString valor = valorJS(d, j, colX, eixo);
                if (s.Visible && mostra(j))
                    c.Dados += (j == 0 ? QStringLiteral("{ name: ") : QStringLiteral(",{ name: "))
                        + TextoJS(textoDoCampo(d, j, colY)) + QStringLiteral(", y: ") + valor
                        + QStringLiteral(", sliced: true  }") + LFCR;
            }
            if (s.Visible)
                c.Dados += QStringLiteral("]}");
            continue;
        }
        const int colY = colunaDe(d, campoRotulo);
        if (s.Visible)
            c.Dados += LFCR
                + (i == 0 ? QString(QStringLiteral("{") + OpcaoCorSerie(s) + u' ' + CentroPizza(0, n))
                          : QString(QStringLiteral(",{") + OpcaoCorSerie(s)))
                + TipoSerie(c, s) + QStringLiteral(" name: ") + TextoJS(s.FieldX) + QStringLiteral(", data:[");
        for (int j = 0; j < linhas; ++j) {
            const QString valor = valorJS(d, j, colX, eixo);
            if (!s.Visible || !mostra(j))
                continue;
            if (i == 0)
                c.Categories += (j == 0 ? QString() : QStringLiteral(",")) + TextoJS(textoDoCampo(d, j, colY));
            c.Dados += (j == 0 ? QString() : QStringLiteral(",")) + valor;
        }
        if (s.Visible)
            c.Dados += u']' + OpcaoRotulosSerie(c, s, linhas, tile.Largura) + QStringLiteral(" }");
    }
    if (n > 0) {
        c.Dados += u']';
        return;
    }
    const TSeriesItem &s0 = series.Items(0);
    c.Categories += QStringLiteral("], title: { text: '' } }  , yAxis: { ") + OpcaoMinimoEixo(c, s0, eixo.menor) + u' '
        + OpcaoMaximoEixo(c, s0, eixo.maior) + QStringLiteral(" title: { text: ") + TextoJS(campoRotulo)
        + QStringLiteral(", align: 'center' }, labels: { overflow: 'justify', ") + FormatadorEixo()
        + QStringLiteral(" } },");
    c.Dados += QStringLiteral("] ");
}
} // namespace

QString PaginaWebChart(TWebChart &c, const DataSet &linhas, const TTileWeb &tile)
{
    if (c.Series.Count() == 0 || !linhas.active())
        return QString();
    montaPartesChart(c, linhas, tile);
    if (tile.Caminho.isEmpty())
        semArquivos(kSemArquivos);
    QString p = inicioPagina(
        scripts(tile.Caminho, {"bootstrap.min.js", "jquery.js", "index.js", "highcharts.js"})
        + estilos(tile.Caminho, {"geral.css", "bootstrap.min.css", "highcharts.css", "highcharts.scss"}));
    p += scriptInicio();
    p += QStringLiteral("    const chart = Highcharts.chart('container', {  title: {  text: '' }, \n");
    p += QStringLiteral("  tooltip: { pointFormat: '{series.name}: {point.y:,.2f}' }, \n");
    if (c.Legenda)
        p += QStringLiteral("      legend:{enabled: true, itemStyle: {") + kFonte + QStringLiteral("}},\n");
    else
        p += QStringLiteral("      legend:{enabled: false},\n");
    p += QStringLiteral("      ") + c.Estilo + u'\n';
    p += QStringLiteral("      ") + c.Categories + u'\n';
    p += QStringLiteral("      ") + c.Dados + u'\n';
    p += QStringLiteral("    });\n"
                        "});\n"
                        "</script>\n"
                        "</head>\n"
                        "<body>\n");
    p += QStringLiteral("<div style=\"width: 100%; height: ") + QString::number(AlturaContainerGrafico(tile.Altura))
        + QStringLiteral("px;\" id=\"container\"></div>\n");
    p += QStringLiteral("</body>\n</html>\n");
    return p;
}

QString PaginaWebGauge(TWebGauge &g, const DataSet &linhas, const TTileWeb &tile)
{
    if (g.Sessions().Count() == 0)
        return QString();
    if (tile.Caminho.isEmpty())
        semArquivos(kSemArquivos + u'.');
    const int h = tile.Altura;
    QString p = inicioPagina(
        scripts(tile.Caminho, {"bootstrap.min.js", "jquery.js", "highcharts.js", "highcharts-more.js", "index.js"})
        + estilos(tile.Caminho, {"geral.css"}));
    p += scriptInicio();
    p += QStringLiteral("     Highcharts.chart('container', { \n");
    p += QStringLiteral("  chart: { type: 'gauge', height: ") + QString::number(AlturaGauge(h, false))
        + QStringLiteral(", plotBackgroundColor: null, plotBackgroundImage: null, plotBorderWidth: 0, plotShadow: false },\n");
    p += QStringLiteral("  title: { text: '' },\n");
    p += QStringLiteral("  tooltip: { pointFormat: '{series.name}: {point.y:,.2f}' },\n");
    p += QStringLiteral("  pane: { startAngle: -90, endAngle: 90, background: null, size: ")
        + QString::number(AlturaGauge(h, true)) + QStringLiteral(" },\n");
    p += QStringLiteral("  yAxis: { min: ") + MinimoGauge(g) + QStringLiteral(", max: ") + MaximoGauge(g)
        + QStringLiteral(", lineWidth: 0, tickPixelInterval: 1, tickWidth: 0, tickPosition: 'outside', tickLength: 5, "
                         "tickColor: '#FFF',\n");
    if (g.LegendsQuantity < 1)
        p += QStringLiteral("  labels: {enabled:false}, \n");
    else
        p += QStringLiteral("  labels: { enabled: true, step: ") + PassoRotulosGauge(h)
            + QStringLiteral(", formatter: function () { return ") + TextoJS(PrefixoMascara(g.MaskValues))
            + QStringLiteral("+Highcharts.numberFormat(this.value, ") + QString::number(CasasDecimaisMascara(g.MaskValues))
            + QStringLiteral(")+") + TextoJS(SufixoMascara(g.MaskValues)) + QStringLiteral("; }, style: {") + kFonte
            + QStringLiteral(", color: '#000'} },\n");
    p += QStringLiteral("  title: { text: '' },\n");
    p += QStringLiteral("  plotBands: [") + FaixasGauge(g) + QStringLiteral("], \n");
    p += QStringLiteral("  },\n");
    p += QStringLiteral("  series: [") + SerieGauge(g, ValorGauge(linhas)) + QStringLiteral("] \n");
    p += QStringLiteral("    });\n"
                        "});\n"
                        "</script>\n"
                        "</head>\n"
                        "<body>\n");
    p += QStringLiteral("<div style=\"width: 100%; height: ") + QString::number(AlturaContainerGauge(h))
        + QStringLiteral("px;\"id=\"container\"></div>\n");
    p += QStringLiteral("</body>\n</html>\n");
    return p;
}

namespace {
int divisorValor(qsizetype tamanho)
{
    if (tamanho >= 1 && tamanho <= 12)
        return 5 + int((tamanho - 1) / 3);
    return 9;
}
} // namespace

QString PaginaWebCard(const DataSet &linhas, const TTileWeb &tile)
{
    if (!linhas.active() || linhas.fieldCount() == 0)
        return QString();
    QString mascara;
    switch (linhas.fieldDefs().front().type) {
    case FieldType::Float:
    case FieldType::Bcd: mascara = QStringLiteral("#,##0.00"); break;
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::LargeInt: mascara = QStringLiteral("#,##0"); break;
    default: break;
    }
    const Field *f = tile.Campo.isEmpty() ? linhas.field(0) : linhas.fieldByName(tile.Campo);
    const QString texto = !mascara.isEmpty() && !f->isNull() ? fmt::formatFloat(mascara, f->asFloat()) : f->asString();
    if (tile.Caminho.isEmpty())
        semArquivos(kSemArquivos);
    QString p = inicioPagina(scripts(tile.Caminho, {"bootstrap.min.js", "jquery.js", "index.js"})
                             + estilos(tile.Caminho, {"geral.css"}));
    p += QStringLiteral("</head>\n<body>\n");
    p += QStringLiteral("<div style=\"color: ") + CorParaHTML(tile.CorFonte) + QStringLiteral("; background-color: ")
        + CorParaHTML(tile.Cor) + QStringLiteral("; height: ") + QString::number(tile.Altura - 30)
        + QStringLiteral("px;\" class=\"container_card\">\n");
    p += QStringLiteral("<div style=\"font-size: ") + QString::number(tile.Largura / 30)
        + QStringLiteral("px;\" class=\"title_card\">") + tile.Caption.toHtmlEscaped() + QStringLiteral("</div>\n");
    p += QStringLiteral("<div style=\"font-size: ") + QString::number(tile.Largura / divisorValor(texto.size()))
        + QStringLiteral("px;\" class=\"value_card\">") + texto.toHtmlEscaped() + QStringLiteral("</div>\n");
    p += QStringLiteral("</div>\n</body>\n</html>\n");
    return p;
}
