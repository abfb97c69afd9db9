#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include <functional>
#include <vector>

// Settings a tile keeps per kind group: the gauge and card, the web gauge,
// the chart and the web chart. Plain data; the chart's setters reach the
// drawn chart through hooks the tile installs.

enum class TStyle { wtpArea, wtpArrow, wtpBar, wtpFastLine, wtpGantt, wtpHorizontalBar, wtpLine, wtpPie, wtpPoint, wtpShape };

enum class TBarStyle {
    bsRectangle,
    bsPyramid,
    bsInvPyramid,
    bsCilinder,
    bsEllipse,
    bsArrow,
    bsRectGradient,
    bsCone,
    bsBevel,
    bsSlantCube,
    bsDiamond,
    bsInvArrow,
    bsInvCone,
    bsCustom,
    bsRoundRectangle
};

class TSeriesItem {
public:
    QString Vision;
    bool Visible = false;
    QString FieldX; // values
    QString FieldY; // labels
    TStyle Style = TStyle::wtpArea;
    QColor Color;
    TBarStyle BarStyle = TBarStyle::bsRectangle;
    int Tag = 0;
    bool ColorEachPoint = false;

    // Copies the title only.
    void Assign(const TSeriesItem &other) { Vision = other.Vision; }
    static QString DisplayName(int index) { return QStringLiteral("Item %1").arg(index); }
};

class TSeries {
public:
    TSeriesItem &Add();
    TSeriesItem &Insert(int index);
    TSeriesItem &Items(int index) { return m_items.at(std::size_t(index)); }
    const TSeriesItem &Items(int index) const { return m_items.at(std::size_t(index)); }
    int Count() const { return int(m_items.size()); }
    void Clear() { m_items.clear(); }

private:
    std::vector<TSeriesItem> m_items;
};

class TSessionsItem {
public:
    QColor Color;
    int PercentStart = 0;
    // Copies the colour only.
    void Assign(const TSessionsItem &other) { Color = other.Color; }
    static QString DisplayName(int index) { return QStringLiteral("Item %1").arg(index); }
};

class TSessions {
public:
    TSessionsItem &Add();
    TSessionsItem &Insert(int index);
    TSessionsItem &Items(int index) { return m_items.at(std::size_t(index)); }
    const TSessionsItem &Items(int index) const { return m_items.at(std::size_t(index)); }
    int Count() const { return int(m_items.size()); }
    void Clear() { m_items.clear(); }

private:
    std::vector<TSessionsItem> m_items;
};

// Gauge and value card.
class TGauge {
public:
    bool Card = false;
    double MinValue = 0;
    double MaxValue = 0;
    QString MaskValues = QStringLiteral("#0.00");
    double Value = 0;
    bool PercentFormat = false;
    int LegendsQuantity = 0;
    const TSessions &Sessions() const { return FSessions; }
    TSessions &Sessions() { return FSessions; }
    void SetSessions(const TSessions &s) { FSessions = s; }

    // Copies the range, the mask and the bands.
    void Assign(const TGauge &other);

private:
    TSessions FSessions;
};

class TWebGauge : public TGauge {
public:
    void Assign(const TWebGauge &other) { TGauge::Assign(other); }
};

// Hooks of the drawn chart; empty while none is drawn.
struct TChartDesenhado {
    std::function<void(bool)> Legenda;
    std::function<void(bool)> Valores;
    std::function<void(int)> PontosPagina;
    std::function<void(bool)> Rodape;
};

class TChart {
public:
    TChart();

    bool Legenda() const { return FLegenda; }
    void SetLegenda(bool v);
    bool Valores() const { return FValores; }
    void SetValores(bool v);
    int PontosPagina() const { return FPontosPagina; }
    void SetPontosPagina(int v);
    bool Rodape() const { return FRodape; }
    void SetRodape(bool v);
    int Angulo = 0;
    QFont Font;
    const TSeries &Series() const { return FSeries; }
    TSeries &Series() { return FSeries; }
    void SetSeries(const TSeries &s) { FSeries = s; }

    // Copies the legend, values and points-per-page switches and the series.
    void Assign(const TChart &other);

    // The drawn chart's reference; the tile sets and clears it.
    TChartDesenhado oChart;

private:
    bool FLegenda = false;
    bool FValores = false;
    int FPontosPagina = 0;
    bool FRodape = true;
    TSeries FSeries;
};

class TWebChart {
public:
    TWebChart();
    bool Legenda = false;
    bool Valores = false;
    bool Rodape = true;
    int Angulo = 0;
    int PontosPagina = 0;
    QFont Font;
    QString Estilo;
    int CodEstilo = 0;
    QString Dados;
    QString Categories;
    TSeries Series;

    void Assign(const TWebChart &other);
};
