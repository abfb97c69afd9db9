#include "components/XRDBFilterDialog.h"

#include "components/DBFilterDialog.h"
#include "components/XRDBGrid.h"

// The window is made when first asked for: every grid has one of these, and
// few are ever shown.
TXRDBFilterDialog::TXRDBFilterDialog(QObject *owner)
    : QObject(owner)
{
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
