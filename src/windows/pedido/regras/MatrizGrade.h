#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class DataSet;

// The order's item lines as a colour x size matrix of quantities.
struct MatrizGrade {
    QStringList cores;                   // rows, alphabetical
    QStringList tamanhos;                // columns, in garment order
    std::vector<std::vector<double>> qtde; // [cor][tamanho]
    std::vector<double> aQtdCor;         // row totals
    std::vector<double> aQtdTam;         // column totals
    double total = 0;
};

// Walks the lines ("DsCor", "Tam", "Qtde") with a cursor of its own. Colours
// and sizes that differ only in letter case are one row or column, and their
// cells sum all such lines.
MatrizGrade MontaMatrizGrade(DataSet &itens);

// "0.###" in the program's number format: "2,5", "0".
QString FormataQtdeGrade(double valor);
