#pragma once

#include "platform/DataSet.h"

#include <QString>
#include <QStringList>

class TXRDatabase;

// A whole table as a dataset, ordered by IndexFieldNames; writes go
// straight to the table by its key fields.
class TXRCustomTable : public DataSet {
    Q_OBJECT
public:
    explicit TXRCustomTable(QObject *owner = nullptr);

    void SetDatabase(TXRDatabase *db);
    TXRDatabase *Database() const { return FDatabase; }

    QString TableName;
    QString IndexFieldNames;
    QString SchemaName() const { return FSchemaName; }
    bool Carregado() const { return FbCarregado; }
    // Fields flagged as key (from IndexFieldNames on the first open).
    const QStringList &KeyFields() const { return FKeyFields; }

    void open() override;
    // Moves to the last row, then inserts there.
    void Append();
    // Writes the edited or inserted row to the table, then posts it.
    void Post();
    void deleteRecord() override;

protected:
    void OpenCursor();
    void InternalPost();
    void InternalDelete();

private:
    QString Where(const Row &keyRow, QVariantList &values) const;

    TXRDatabase *FDatabase = nullptr;
    bool FbCarregado = false;
    QString FSchemaName;
    QStringList FKeyFields;
};

class TXRTable : public TXRCustomTable {
    Q_OBJECT
public:
    using TXRCustomTable::TXRCustomTable;
    void Append() { TXRCustomTable::Append(); }
};
