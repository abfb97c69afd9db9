#pragma once

#include "windows/pedido/regras/GradeItem.h"
#include "windows/pedido/untPedido.h"

#include <QDialog>

#include <memory>

class QAction;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableWidget;
class TXRDBGrid;

// One product of the order typed as a colour x size grid; modal, closed only
// through "&Fechar".
class TfmGradeItem : public QDialog {
    Q_OBJECT
public:
    TfmGradeItem(TfmPedido &pedido, const EntregaGradeItem &dados, QWidget *dono = nullptr);
    ~TfmGradeItem() override;

    GradeItem &Regras() { return *m_g; }

    QLineEdit *edtCodigo, *edtDescricao, *EdtQtdItem, *EdtTotValor;
    QPushButton *PqProduto, *btnConfirmar, *BtnFechar;
    QDateEdit *EdtEntrega;
    QTableWidget *DBGrid1CorTam;
    TXRDBGrid *spSkinDBGrid1;
    QComboBox *cbPrecos;
    QMenu *PMGridCor, *PMGridItens;
    QAction *Sortir1, *SortirProporcoes, *AplicarTodos;

    void edtCodigoChange();
    void edtCodigoExit();
    void PqProdutoClick();
    void EdtEntregaExit();
    void btnConfirmarClick();
    void BtnFecharClick();
    void Sortir1Click();
    void SortirProporcoesClick();
    void AplicarTodosClick();

protected:
    void reject() override {} // no Esc and no title-bar close
    bool eventFilter(QObject *obj, QEvent *event) override;

private:
    void cria();
    void conecta();
    void mostraGrade();
    void mostraTotais();
    void atualizaCelulas();
    void celulaMudou(int linha, int coluna);
    // Tab in the last size column: on to the next colour row's first
    // editable cell, or to "Confirmar" after the last one. False elsewhere.
    bool tabNaGrade();

    TfmPedido &m_pedido;
    std::unique_ptr<GradeItem> m_g;
    bool m_mostrando = false;
};

// Puts the grade window behind the order window's "Grade Itens" and F3.
void InstalaGradeItem();
