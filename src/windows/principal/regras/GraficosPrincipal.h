#pragma once

#include <QDate>
#include <QList>
#include <QPair>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <array>

// The dashboard's seven tiles over the local orders of the last 365 days.
enum class TGrafico { Produto, Cliente, Cidade, VlrTotPed, QtdeCliComp, MedCliComp, Mes };
constexpr int kNumGraficos = 7;

struct TDefGrafico {
    TGrafico grafico;
    const char *nome;   // component name
    const char *titulo;
};

// In the order their SQL is built: the six fixed texts, the month last.
const std::array<TDefGrafico, kNumGraficos> &DefinicoesGraficos();

// The SQL lines of one of the six fixed tiles (not Mes).
QStringList LinhasGrafico(TGrafico grafico);

// "JAN." ... "DEZ."; empty outside 1..12.
QString AbreviaMes(int mes);

// The twelve (month, year) pairs the month tile shows, oldest first,
// ending with hoje's month.
QList<QPair<int, int>> MesesGrafico(const QDate &hoje);

// The month tile's SQL: one block per month of MesesGrafico(hoje).
QStringList LinhasGraficoMes(const QDate &hoje);

// Where each tile goes (indexed by TGrafico) for a screen of that size, a
// taskbar of that height and a status bar of that height.
std::array<QRect, kNumGraficos> PosicoesGraficos(QSize tela, int alturaBarraTarefas, int alturaSBar);
