#include "windows/nucleo/UntAviso.h"

TfmAviso *fmAviso = nullptr;

TfmAviso::TfmAviso(QWidget *dono)
    : TfmTelaSimples(dono)
{
    setObjectName(QStringLiteral("fmAviso"));
    setWindowTitle(QStringLiteral("AVISO"));
    SetFormStyleMdi(false);
    resize(353, 220);
    FWidthOri = 353;
    FHeigthOri = 220;
    FormCreate();
}
