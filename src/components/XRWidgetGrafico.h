#pragma once

#include "components/XRWidgetConfig.h"

#include <QChartView>
#include <QStringList>

class DataSet;

// The inner chart of a tile: one series per series definition over the
// rows, the first page of points, value marks in the program's number
// format and the page foot.
class TGraficoWidget : public QChartView {
    Q_OBJECT
public:
    explicit TGraficoWidget(QWidget *parent = nullptr);

    // Rebuilds the chart; throws EDatabaseError for a missing field (the
    // series before it stay).
    void Monta(TChart &cfg, const DataSet &cds, const QString &titulo);
    void LimpaSeries();

    void SetLegenda(bool v);
    void SetValores(bool v);
    void SetPontosPagina(int v);
    void SetRodape(bool v);
    // "Pág. 1 de N"
    QString TextoRodape() const { return m_rodape; }
    bool RodapeVisivel() const { return m_rodapeVisivel; }
    // The value marks drawn, in order.
    QStringList Marcas() const { return m_valoresVisiveis ? m_marcas : QStringList(); }
    // Points per series on the page shown.
    int Pontos(int serie) const;
    int NumSeries() const;
    int PaginaAtual() const { return 1; }
    int NumPaginas() const { return m_paginas; }
    // Subtitle of the print.
    void SetSubtitulo(const QString &s) { m_subtitulo = s; viewport()->update(); }

    static const QList<QColor> &Paleta();

protected:
    void drawForeground(QPainter *painter, const QRectF &rect) override;

private:
    struct Marca {
        QAbstractSeries *serie;
        QPointF ponto;
        QString texto;
    };
    void AtualizaRodape();

    int m_pontosPagina = 0;
    int m_paginas = 1;
    int m_totalLinhas = 0;
    QString m_rodape;
    bool m_rodapeVisivel = true;
    bool m_valoresVisiveis = false;
    QString m_subtitulo;
    QStringList m_marcas;
    std::vector<Marca> m_pontosMarca;
    std::vector<int> m_pontos;
};
