#pragma once

#include "components/untFormXRSkin.h"

class QPushButton;
class QVBoxLayout;

// A recorded size cut to what fits inside the main window.
struct TAjusteTela {
    int largura = 0;
    int altura = 0;
    bool minimizaToolBar = false; // the height had to be cut
};

// largDono/altDono: the main window's outer size; alturaBarra: the height
// of its status bar, 0 when it has none.
TAjusteTela AjustaTamanhoTela(int largOri, int altOri, int largDono, int altDono, int alturaBarra);

// Base of the document windows: an MDI child unless told otherwise, fitted
// into the main window, freed when closed.
class TfmTelaSimples : public TfmXRSkin {
    Q_OBJECT
public:
    explicit TfmTelaSimples(QWidget *dono = nullptr);

    int FWidthOri = 0;
    int FHeigthOri = 0;
    bool FbMinimizaToolBar = false;

    QWidget *PnBotoes;
    QPushButton *BtnFechar;

    // Where descendants put their controls (above PnBotoes).
    QWidget *Corpo() const { return m_corpo; }

    // The fitting into the owner; descendants that want it call it from
    // their constructor after setting FWidthOri/FHeigthOri.
    void FormCreate();

protected:
    void FormShow() override;
    void FormClose(TCloseAction &action) override;
    void BtnFecharClick();

private:
    QWidget *m_corpo;
};

// The owner's component named "sbar" (any letter case), when it has one.
QWidget *BarraDeStatusDoDono(QWidget *dono);
