#pragma once

#include "components/untFormXRSkin.h"

class QLabel;

// The borderless, half-transparent wait window with one centred text.
class TfmMensagem : public TfmXRSkin {
    Q_OBJECT
public:
    explicit TfmMensagem(QWidget *dono = nullptr);

    // The one wait window all callers share: made on first use, then reused.
    static TfmMensagem &Compartilhada();

    QLabel *LMensagem;
    int FWidthOri = 0;
    int FHeigthOri = 0;

protected:
    void FormShow() override;

private:
    void FormCreate();
};
