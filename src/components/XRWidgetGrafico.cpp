#include "components/XRWidgetGrafico.h"

#include "platform/DataSet.h"
#include "platform/Formats.h"

#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QHorizontalStackedBarSeries>
#include <QLegend>
#include <QLineSeries>
#include <QPainter>
#include <QPieSeries>
#include <QPieSlice>
#include <QScatterSeries>
#include <QSplineSeries>
#include <QStackedBarSeries>
#include <QValueAxis>

#include <cmath>

namespace {
QColor bgr(unsigned v) { return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF)); }

const QString kMascaraValores = QStringLiteral("#,##0.00");
} // namespace

const QList<QColor> &TGraficoWidget::Paleta()
{
    static const QList<QColor> p{bgr(0x9CBC1A), bgr(0x404040), bgr(0x3C4CE7), bgr(0x227EE6),
                                 bgr(0x0FC4F1), bgr(0xDB9834), bgr(0xB6599B), bgr(0xA6A595)};
    return p;
}

TGraficoWidget::TGraficoWidget(QWidget *parent)
    : QChartView(parent)
{
    setRenderHint(QPainter::Antialiasing);
    auto *c = new QChart;
    c->setBackgroundBrush(Qt::white);
    c->setBackgroundRoundness(0);
    c->setMargins(QMargins(5, 0, 5, 5));
    c->legend()->hide();
    setChart(c);
}

void TGraficoWidget::LimpaSeries()
{
    chart()->removeAllSeries();
    for (QAbstractAxis *a : chart()->axes())
        chart()->removeAxis(a), delete a;
    m_marcas.clear();
    m_pontosMarca.clear();
    m_pontos.clear();
}

int TGraficoWidget::Pontos(int serie) const
{
    return serie >= 0 && serie < int(m_pontos.size()) ? m_pontos[std::size_t(serie)] : 0;
}

int TGraficoWidget::NumSeries() const { return int(chart()->series().size()); }

void TGraficoWidget::SetLegenda(bool v) { chart()->legend()->setVisible(v); }

void TGraficoWidget::SetValores(bool v)
{
    m_valoresVisiveis = v;
    for (QAbstractSeries *s : chart()->series())
        if (auto *pie = qobject_cast<QPieSeries *>(s))
            pie->setLabelsVisible(v);
    viewport()->update();
}

void TGraficoWidget::SetPontosPagina(int v)
{
    m_pontosPagina = v;
    AtualizaRodape();
}

void TGraficoWidget::SetRodape(bool v)
{
    m_rodapeVisivel = v;
    viewport()->update();
}

void TGraficoWidget::AtualizaRodape()
{
    m_paginas = m_pontosPagina > 0 ? std::max(1, (m_totalLinhas + m_pontosPagina - 1) / m_pontosPagina) : 1;
    m_rodape = QStringLiteral("Pág. ") + QString::number(PaginaAtual()) + QStringLiteral(" de ")
        + QString::number(m_paginas);
    viewport()->update();
}

void TGraficoWidget::Monta(TChart &cfg, const DataSet &cds, const QString &titulo)
{
    Q_UNUSED(titulo);
    LimpaSeries();
    QChart *c = chart();
    c->setTitle(QString());
    m_subtitulo.clear();
    m_valoresVisiveis = cfg.Valores();
    m_pontosPagina = cfg.PontosPagina();
    m_rodapeVisivel = cfg.Rodape();
    m_totalLinhas = cds.recordCount();
    c->legend()->setVisible(cfg.Legenda());
    QFont fonte = cfg.Font;
    fonte.setPointSize(8);
    const int n = m_pontosPagina > 0 ? std::min(m_totalLinhas, m_pontosPagina) : m_totalLinhas;
    AtualizaRodape();

    auto *eixoCat = new QBarCategoryAxis;
    auto *eixoVal = new QValueAxis;
    for (QAbstractAxis *a : {static_cast<QAbstractAxis *>(eixoCat), static_cast<QAbstractAxis *>(eixoVal)}) {
        a->setGridLineVisible(false);
        a->setLabelsFont(fonte);
        a->setLabelsColor(Qt::black);
    }
    eixoCat->setLabelsAngle(-cfg.Angulo);
    eixoVal->setLabelFormat(QStringLiteral("%.0f"));
    QStringList rotulos;
    double maximo = 0;
    double minimo = 0;
    bool horizontal = false;
    bool usaEixos = false;
    for (int s = 0; s < cfg.Series().Count(); ++s) {
        const TSeriesItem &def = cfg.Series().Items(s);
        const int fx = cds.fieldByName(def.FieldX)->index();
        const int fy = cds.fieldByName(def.FieldY)->index();
        const FieldType tipoY = cds.fieldDefs()[std::size_t(fy)].type;
        QStringList rotulosSerie;
        QList<double> valores;
        for (int r = 0; r < n; ++r) {
            const QVariant vy = cds.valueAt(r, fy);
            rotulosSerie << Field::displayTextOf(vy, tipoY, QString());
            const QVariant vx = cds.valueAt(r, fx);
            valores << (vx.isNull() ? 0.0 : vx.toDouble());
        }
        m_pontos.push_back(int(valores.size()));
        if (rotulos.isEmpty())
            rotulos = rotulosSerie;
        QColor cor = def.Color.isValid() ? def.Color : Paleta()[s % Paleta().size()];
        QAbstractSeries *serie = nullptr;
        switch (def.Style) {
        case TStyle::wtpPie: {
            auto *pie = new QPieSeries;
            for (int i = 0; i < valores.size(); ++i) {
                const QString marca = fmt::formatFloat(kMascaraValores, valores[i]);
                QPieSlice *fatia = pie->append(rotulosSerie[i] + ' ' + marca, valores[i]);
                fatia->setColor(Paleta()[i % Paleta().size()]);
                fatia->setLabelFont(QFont(QStringLiteral("Tahoma"), 7));
                m_marcas << marca;
            }
            pie->setLabelsVisible(m_valoresVisiveis);
            serie = pie;
            break;
        }
        case TStyle::wtpBar:
        case TStyle::wtpArrow:
        case TStyle::wtpShape:
        case TStyle::wtpHorizontalBar:
        case TStyle::wtpGantt: {
            horizontal = def.Style == TStyle::wtpHorizontalBar || def.Style == TStyle::wtpGantt;
            QAbstractBarSeries *barras = horizontal ? static_cast<QAbstractBarSeries *>(new QHorizontalStackedBarSeries)
                                                    : static_cast<QAbstractBarSeries *>(new QStackedBarSeries);
            if (def.ColorEachPoint) {
                // one set per point, each with its own colour at its own place
                for (int i = 0; i < valores.size(); ++i) {
                    auto *set = new QBarSet(rotulosSerie[i]);
                    for (int k = 0; k < valores.size(); ++k)
                        *set << (k == i ? valores[i] : 0.0);
                    set->setColor(Paleta()[i % Paleta().size()]);
                    set->setBorderColor(Qt::transparent);
                    barras->append(set);
                }
            } else {
                auto *set = new QBarSet(def.Vision);
                for (double v : valores)
                    *set << v;
                set->setColor(cor);
                set->setBorderColor(Qt::transparent);
                barras->append(set);
            }
            barras->setBarWidth(0.7);
            serie = barras;
            usaEixos = true;
            break;
        }
        case TStyle::wtpArea:
        case TStyle::wtpLine:
        case TStyle::wtpFastLine:
        case TStyle::wtpPoint: {
            QXYSeries *linha = nullptr;
            if (def.Style == TStyle::wtpPoint)
                linha = new QScatterSeries;
            else if (def.Style == TStyle::wtpFastLine)
                linha = new QLineSeries;
            else
                linha = new QSplineSeries;
            for (int i = 0; i < valores.size(); ++i)
                linha->append(i, valores[i]);
            QPen caneta(cor);
            caneta.setWidth(def.Style == TStyle::wtpLine || def.Style == TStyle::wtpFastLine ? 5 : 2);
            linha->setPen(caneta);
            linha->setColor(cor);
            if (def.Style == TStyle::wtpArea) {
                auto *area = new QAreaSeries(linha);
                area->setColor(cor);
                serie = area;
            } else {
                serie = linha;
            }
            usaEixos = true;
            break;
        }
        }
        serie->setName(def.Vision);
        serie->setVisible(def.Visible);
        c->addSeries(serie);
        if (def.Style != TStyle::wtpPie) {
            for (int i = 0; i < valores.size(); ++i) {
                const QString marca = fmt::formatFloat(kMascaraValores, valores[i]);
                m_marcas << marca;
                m_pontosMarca.push_back({serie, QPointF(i, valores[i]), marca});
                maximo = std::max(maximo, valores[i]);
                minimo = std::min(minimo, valores[i]);
            }
        }
    }
    if (usaEixos) {
        eixoCat->append(rotulos);
        eixoVal->setRange(minimo, maximo > minimo ? maximo * 1.15 : minimo + 1);
        c->addAxis(eixoCat, horizontal ? Qt::AlignLeft : Qt::AlignBottom);
        c->addAxis(eixoVal, horizontal ? Qt::AlignBottom : Qt::AlignLeft);
        for (QAbstractSeries *s : c->series()) {
            if (qobject_cast<QPieSeries *>(s))
                continue;
            s->attachAxis(eixoCat);
            s->attachAxis(eixoVal);
        }
    } else {
        delete eixoCat;
        delete eixoVal;
    }
    viewport()->update();
}

void TGraficoWidget::drawForeground(QPainter *painter, const QRectF &rect)
{
    QChartView::drawForeground(painter, rect);
    painter->save();
    if (m_valoresVisiveis) {
        painter->setFont(QFont(QStringLiteral("Tahoma"), 7));
        painter->setPen(Qt::black);
        for (const Marca &m : m_pontosMarca) {
            if (!m.serie->isVisible())
                continue;
            const bool horizontal = qobject_cast<QHorizontalStackedBarSeries *>(m.serie) != nullptr;
            const QPointF ponto = horizontal ? QPointF(m.ponto.y(), m.ponto.x()) : m.ponto;
            const QPointF p = chart()->mapToScene(chart()->mapToPosition(ponto, m.serie));
            painter->save();
            painter->translate(p + QPointF(2, -4));
            if (!horizontal)
                painter->rotate(-45);
            painter->drawText(QPointF(0, 0), m.texto);
            painter->restore();
        }
    }
    if (!m_subtitulo.isEmpty()) {
        QFont f(QStringLiteral("Tahoma"));
        f.setPointSize(6);
        painter->setFont(f);
        painter->drawText(QRectF(8, 2, width() - 16, 14), Qt::AlignLeft, m_subtitulo);
    }
    if (m_rodapeVisivel) {
        painter->setFont(QFont(QStringLiteral("Tahoma"), 7));
        painter->setPen(QColor(0, 0, 0, 180));
        painter->drawText(QRectF(0, height() - 14, width() - 6, 14), Qt::AlignRight | Qt::AlignVCenter, m_rodape);
    }
    painter->restore();
}
