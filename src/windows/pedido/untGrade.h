#pragma once

#include "components/untTelaSimples.h"

#include <QString>

#include <functional>

class DataSet;
class QTableWidget;
class TfmPedido;

// The open order as a read-only colour x size matrix with totals.
class TfmGrade : public TfmTelaSimples {
    Q_OBJECT
public:
    // itens: the order's item lines, read when the window is shown.
    TfmGrade(QWidget *dono, DataSet &itens);

    QTableWidget *StgGrade;
    bool FbGradeGeral = true; // every product of the order together

    void MontaGrade(const QString &codigo);
    void StgGradeSelectCell(int coluna, int linha, bool &podeSelecionar) const;

    // How the order window shows it; tests replace it to look inside.
    static std::function<void(TfmGrade &)> ExibeModal;

protected:
    void FormShow() override;

private:
    DataSet &m_itens;
    QString m_codigo;
};

// Puts the matrix behind the order window's "G&rade".
void InstalaGradeGeral();
