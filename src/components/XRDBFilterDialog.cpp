#include "components/XRDBFilterDialog.h"

#include "components/DBFilterDialog.h"
#include "components/XRDBGrid.h"

TXRDBFilterDialog::TXRDBFilterDialog(QObject *owner)
    : QObject(owner)
{
    Form();
}

TXRDBFilterDialog::~TXRDBFilterDialog() { delete FmFiltro.data(); }

TFmDBFilterDialog *TXRDBFilterDialog::Form()
{
    if (!FmFiltro) {
        FmFiltro = new TFmDBFilterDialog();
        FmFiltro->oDBFilter = this;
    }
    return FmFiltro;
}

bool TXRDBFilterDialog::Execute()
{
    TFmDBFilterDialog *f = Form();
    f->oDBFilter = this;
    return f->exec() == QDialog::Accepted;
}

void TXRDBFilterDialog::EmptyFilter()
{
    if (FmFiltro) {
        FmFiltro->TbColunas()->emptyTable();
        FmFiltro->LimpaColunas();
    }
    DataSet *ds = DBGrid ? DBGrid->GetDataSet() : nullptr;
    if (ds) {
        ds->disableControls();
        try {
            ds->setFiltered(false);
            ds->setFilter(QString());
        } catch (...) {
            ds->enableControls();
            throw;
        }
        ds->enableControls();
    }
    Colunas.clear();
    Campos.clear();
}
