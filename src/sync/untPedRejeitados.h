#pragma once

#include "components/untTelaSimples.h"

#include <functional>

class QPlainTextEdit;

// "Pedidos Rejeitados": the server's rejected-order lines, read only.
class TfmPedRejeitados : public TfmTelaSimples {
    Q_OBJECT
public:
    explicit TfmPedRejeitados(QWidget *dono = nullptr);

    QPlainTextEdit *Memo;

    // Shows the window modally; tests replace it so nothing blocks.
    static std::function<void(TfmPedRejeitados &)> ExibeModal;
    void Exibe();
};
