#pragma once

#include "components/untTelaSimples.h"
#include "windows/pedido/regras/CopiaPedido.h"

#include <functional>
#include <memory>

class QLineEdit;
class QSpinBox;
class TDMRepres;
class TPesquisa;

// Duplicates the order on display into new, open orders.
class TfmCopiaPedido : public TfmTelaSimples {
    Q_OBJECT
public:
    // The order window's number, customer code and customer name.
    TfmCopiaPedido(QWidget *dono, TDMRepres &dm, const QString &pedido, const QString &codCliente,
                   const QString &nomeCliente);

    QLineEdit *edtPedido, *edtCliente, *edtCodCli, *edtDescCli;
    TPesquisa *PqCliente;
    QSpinBox *EdtCopia;
    QPushButton *BtDuplicar, *BtFechar;

    CopiaPedido &Copia() { return m_copia; }
    const QStringList &FLpedidos() const { return m_copia.FLpedidos; }

    void edtCodCliChange();
    void PqClienteFechaPesquisa(TPesquisa *pq);
    void BtDuplicarClick();
    void BtFecharClick();

    // How the order window shows it; tests replace it to work the window.
    static std::function<void(TfmCopiaPedido &)> ExibeModal;

private:
    CopiaPedido m_copia;
};
