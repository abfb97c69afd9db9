#pragma once

#include "components/XRWidgetConfig.h"

#include <QColor>
#include <QString>

class DataSet;

// Pages of the web tile kinds (chart, gauge, card), built as text from the
// tile's settings and rows. No widget here: the tile shows the text.
// Numbers in the scripts are written with a point whatever the format
// settings; line breaks inside the generated script parts are LF CR.

// What a page needs of its tile.
struct TTileWeb {
    int Largura = 0;
    int Altura = 0;
    // Folder holding "arquivos/webchart"; empty fails the drawing.
    QString Caminho;
    // Card only.
    QString Caption;
    QColor Cor;
    QColor CorFonte;
    QString Campo;
};

// The folder whose "arquivos/webchart" the pages load from: the given folder
// when it holds one, else empty.
QString CaminhoArquivosWeb(const QString &pasta);

// "#RRGGBB".
QString CorParaHTML(const QColor &c);
// A JavaScript string in single quotes, safe inside a script element.
QString TextoJS(const QString &s);
// A number as a script reads it: "1234.5"; "null" when not finite.
QString NumeroJS(double v);

// ---- chart pieces
QString OpcaoCorSerie(const TSeriesItem &serie);
QString TipoSerie(const TWebChart &chart, const TSeriesItem &serie);
QString OpcaoRotulosSerie(const TWebChart &chart, const TSeriesItem &serie, int linhas, int largura);
QString CentroPizza(int i, int n);
int AlturaContainerGrafico(int altura);
QString OpcaoMaximoEixo(const TWebChart &chart, const TSeriesItem &serie, double maior);
QString OpcaoMinimoEixo(const TWebChart &chart, const TSeriesItem &serie, double menor);
QString FormatadorEixo();

// ---- gauge pieces
// Writes the value it shows into gauge.Value (and may set MaxValue).
QString SerieGauge(TWebGauge &gauge, double valor);
double PercentualDoMaximo(TWebGauge &gauge, double x);
double ValorDoPercentual(TWebGauge &gauge, double p);
QString FaixasGauge(TWebGauge &gauge);
QString MinimoGauge(const TWebGauge &gauge);
QString MaximoGauge(const TWebGauge &gauge);
QString PassoRotulosGauge(int altura);
int AlturaContainerGauge(int altura);
// The chart height, or with painel the pane size.
int AlturaGauge(int altura, bool painel);
QString PrefixoMascara(const QString &mascara);
QString SufixoMascara(const QString &mascara);
int CasasDecimaisMascara(const QString &mascara);
// How much a web gauge taller than wide loses below its width.
int ReducaoAltura(int altura);

// The value a gauge shows: the first field of the current row, 0 without rows.
double ValorGauge(const DataSet &linhas);

// ---- pages
// Each returns the page, or an empty text when there is nothing to draw
// (no definitions, no bands, no rows). An empty tile.Caminho throws
// std::runtime_error with the message the tile shows.
// The chart writes its Dados, Estilo and Categories; the gauge its Value.
QString PaginaWebChart(TWebChart &chart, const DataSet &linhas, const TTileWeb &tile);
QString PaginaWebGauge(TWebGauge &gauge, const DataSet &linhas, const TTileWeb &tile);
QString PaginaWebCard(const DataSet &linhas, const TTileWeb &tile);
