#pragma once

#include "components/untTelaSimples.h"

// The notice window the program body creates; nothing shows it.
class TfmAviso : public TfmTelaSimples {
    Q_OBJECT
public:
    explicit TfmAviso(QWidget *dono = nullptr);
};

extern TfmAviso *fmAviso;
