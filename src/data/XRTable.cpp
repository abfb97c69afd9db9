#include "data/XRTable.h"

#include "data/XRDatabase.h"
#include "data/XRQuery.h"
#include "data/XRTransaction.h"

namespace {
[[noreturn]] void relanca(const std::exception &e)
{
    throw EDatabaseError(MensagemExcecao(e));
}

QString identificador(const QString &nome)
{
    // names come from the table's own structure or the caller's key list
    QString limpo;
    for (const QChar c : nome)
        if (c.isLetterOrNumber() || c == '_' || c == '$')
            limpo += c;
    return limpo;
}
} // namespace

TXRCustomTable::TXRCustomTable(QObject *owner)
    : DataSet(owner)
{
}

void TXRCustomTable::SetDatabase(TXRDatabase *db)
{
    FDatabase = db;
    FSchemaName = (db && !db->User.trimmed().isEmpty() && db->DriverName == QLatin1String("Ora")) ? db->User : QString();
}

void TXRCustomTable::OpenCursor()
{
    QString indice = IndexFieldNames.trimmed();
    if (indice.size() > 4 && indice.right(4).toUpper() == QLatin1String(" ASC")) {
        indice.chop(4);
        IndexFieldNames = indice;
    }
    if (!FDatabase)
        throw EDatabaseError(QStringLiteral("Tabela sem conexão com o banco de dados."));
    TXRQuery q;
    q.SetDatabase(FDatabase);
    QString sql = QStringLiteral("SELECT * FROM ") + identificador(TableName);
    const QStringList chaves = indice.isEmpty() ? QStringList() : indice.split(';');
    if (!chaves.isEmpty()) {
        QStringList ordem;
        for (const QString &c : chaves)
            ordem << identificador(c);
        sql += QStringLiteral(" ORDER BY ") + ordem.join(QStringLiteral(", "));
    }
    q.SQL().Add(sql);
    q.Open();
    std::vector<Row> rows;
    for (int i = 0; i < q.recordCount(); ++i)
        rows.push_back(q.rowAt(i));
    setFieldDefs(q.fieldDefs());
    setRows(std::move(rows));

    if (!FbCarregado) {
        if (!chaves.isEmpty() && fieldCount() > 0 && FKeyFields.isEmpty()) {
            for (const QString &c : chaves)
                FKeyFields << fieldByName(c)->fieldName();
        }
        FbCarregado = true;
    }
}

void TXRCustomTable::open()
{
    if (active())
        return;
    OpenCursor();
    DataSet::open();
}

void TXRCustomTable::Append()
{
    last();
    append();
}

QString TXRCustomTable::Where(const Row &keyRow, QVariantList &values) const
{
    QStringList partes;
    const QStringList chaves = FKeyFields.isEmpty() ? fieldNames() : FKeyFields;
    for (const QString &k : chaves) {
        const int i = fieldIndex(k);
        const QVariant v = keyRow[size_t(i)];
        if (v.isNull()) {
            partes << identificador(k) + QStringLiteral(" IS NULL");
        } else {
            partes << identificador(k) + QStringLiteral(" = :K") + QString::number(values.size());
            values << v;
        }
    }
    return partes.join(QStringLiteral(" AND "));
}

void TXRCustomTable::InternalPost()
{
    try {
        TXRQuery q;
        q.SetDatabase(FDatabase);
        QVariantList valores;
        Row atual(static_cast<size_t>(fieldCount()));
        for (int i = 0; i < fieldCount(); ++i)
            atual[size_t(i)] = currentValue(i);
        QString sql;
        if (state() == State::Insert) {
            QStringList cols, marcas;
            for (int i = 0; i < fieldCount(); ++i) {
                cols << identificador(fieldDefs()[size_t(i)].name);
                marcas << QStringLiteral(":V") + QString::number(i);
            }
            sql = QStringLiteral("INSERT INTO ") + identificador(TableName) + QStringLiteral(" (") + cols.join(',')
                + QStringLiteral(") VALUES (") + marcas.join(',') + ')';
        } else if (state() == State::Edit) {
            QStringList sets;
            for (int i = 0; i < fieldCount(); ++i)
                sets << identificador(fieldDefs()[size_t(i)].name) + QStringLiteral(" = :V") + QString::number(i);
            sql = QStringLiteral("UPDATE ") + identificador(TableName) + QStringLiteral(" SET ") + sets.join(',')
                + QStringLiteral(" WHERE ") + Where(rowAt(recNo() - 1), valores);
        } else {
            return;
        }
        q.SQL().Add(sql);
        for (int i = 0; i < fieldCount(); ++i)
            q.ParamByName(QStringLiteral("V") + QString::number(i))->Value = atual[size_t(i)];
        for (int k = 0; k < valores.size(); ++k)
            q.ParamByName(QStringLiteral("K") + QString::number(k))->Value = valores[k];
        q.ExecSQL();
    } catch (const std::exception &e) {
        relanca(e);
    }
}

void TXRCustomTable::Post()
{
    InternalPost();
    post();
}

void TXRCustomTable::InternalDelete()
{
    try {
        TXRQuery q;
        q.SetDatabase(FDatabase);
        QVariantList valores;
        q.SQL().Add(QStringLiteral("DELETE FROM ") + identificador(TableName) + QStringLiteral(" WHERE ")
                    + Where(rowAt(recNo() - 1), valores));
        for (int k = 0; k < valores.size(); ++k)
            q.ParamByName(QStringLiteral("K") + QString::number(k))->Value = valores[k];
        q.ExecSQL();
    } catch (const std::exception &e) {
        relanca(e);
    }
}

void TXRCustomTable::deleteRecord()
{
    if (state() == State::Browse && recNo() > 0)
        InternalDelete();
    DataSet::deleteRecord();
}
