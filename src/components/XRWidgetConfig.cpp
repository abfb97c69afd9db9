#include "components/XRWidgetConfig.h"

namespace {
QFont fontePadrao()
{
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSize(8);
    return f;
}
} // namespace

TSeriesItem &TSeries::Add()
{
    m_items.emplace_back();
    m_items.back().Visible = true;
    return m_items.back();
}

TSeriesItem &TSeries::Insert(int index)
{
    const auto pos = m_items.begin() + std::clamp(index, 0, Count());
    return *m_items.emplace(pos);
}

TSessionsItem &TSessions::Add()
{
    m_items.emplace_back();
    return m_items.back();
}

TSessionsItem &TSessions::Insert(int index)
{
    const auto pos = m_items.begin() + std::clamp(index, 0, Count());
    return *m_items.emplace(pos);
}

void TGauge::Assign(const TGauge &other)
{
    MinValue = other.MinValue;
    MaxValue = other.MaxValue;
    MaskValues = other.MaskValues;
    FSessions = other.FSessions;
}

TChart::TChart()
    : Font(fontePadrao())
{
}

void TChart::SetLegenda(bool v)
{
    FLegenda = v;
    if (oChart.Legenda)
        oChart.Legenda(v);
}

void TChart::SetValores(bool v)
{
    FValores = v;
    if (oChart.Valores)
        oChart.Valores(v);
}

void TChart::SetPontosPagina(int v)
{
    FPontosPagina = v;
    if (oChart.PontosPagina)
        oChart.PontosPagina(v);
}

void TChart::SetRodape(bool v)
{
    FRodape = v;
    if (oChart.Rodape)
        oChart.Rodape(v);
}

void TChart::Assign(const TChart &other)
{
    SetLegenda(other.FLegenda);
    SetValores(other.FValores);
    SetPontosPagina(other.FPontosPagina);
    FSeries = other.FSeries;
}

TWebChart::TWebChart()
    : Font(fontePadrao())
{
}

void TWebChart::Assign(const TWebChart &other)
{
    Legenda = other.Legenda;
    Valores = other.Valores;
    PontosPagina = other.PontosPagina;
    Series = other.Series;
}
