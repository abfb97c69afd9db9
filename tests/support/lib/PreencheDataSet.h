#pragma once

#include "platform/DataSet.h"

#include <vector>

// Gives a dataset new columns and rows, open on its first row, as a query
// the tiles read would leave it.
inline void preenche(DataSet &ds, const std::vector<FieldDef> &defs, const std::vector<Row> &linhas)
{
    ds.close();
    ds.setFieldDefs(defs);
    ds.open();
    ds.setRows(linhas);
    ds.first();
}
