#pragma once

#include "platform/DataSet.h"

#include <QStringList>

#include <memory>
#include <vector>

// A received load table as the JSON client builds it: every column text.
inline std::unique_ptr<DataSet> TabelaRecebida(const QString &nome, const QStringList &campos,
                                               std::vector<Row> linhas = {})
{
    auto t = std::make_unique<DataSet>();
    t->setObjectName(nome);
    std::vector<FieldDef> defs;
    for (const QString &c : campos)
        defs.push_back({c, FieldType::String, 100, 0, false});
    t->setFieldDefs(defs);
    t->open();
    t->setRows(std::move(linhas));
    return t;
}
