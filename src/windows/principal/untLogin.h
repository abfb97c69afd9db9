#pragma once

#include "components/untFormXRSkin.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// Asks for the local user and password against the CONFIG row.
class TfmLogin : public TfmXRSkin {
    Q_OBJECT
public:
    explicit TfmLogin(QWidget *dono = nullptr);

    bool FLoginOk = false;
    int nrTentativas = 0;

    QLineEdit *edtUsuario;
    QLineEdit *edtSenha;
    QPushButton *btnEntrar;
    QLabel *lblAlerta;
    QToolButton *imgFechar;

    void btnEntrarClick();

protected:
    bool eventFilter(QObject *obj, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void CriaControles();
    // Esc and Enter; true when handled.
    bool TeclaDoForm(int tecla);
};

extern TfmLogin *fmLogin;
