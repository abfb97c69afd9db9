#pragma once

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVariant>

#include <memory>
#include <stdexcept>
#include <vector>

// In-memory table of typed fields and rows with a cursor. Query results are
// fetched whole into one; memory tables are the same class.

enum class FieldType {
    Unknown,
    String,
    SmallInt,
    Integer,
    LargeInt,
    Float,
    Bcd, // scaled decimal kept as double, scale in FieldDef
    Boolean,
    Date,
    Time,
    DateTime,
    Blob, // binary
    Memo, // text blob
};

QString fieldTypeName(FieldType t);

struct FieldDef {
    QString name;
    FieldType type = FieldType::String;
    int size = 0;  // characters for strings
    int scale = 0; // decimals for Bcd
    bool required = false;
};

// Failure of a database or dataset operation; what callers catch and show.
class EDatabaseError : public std::runtime_error {
public:
    explicit EDatabaseError(const QString &message);
    const QString &message() const { return m_message; }

private:
    QString m_message;
};
using DataSetError = EDatabaseError;

// Silent abort: stops an operation without any message.
class EAbort : public std::runtime_error {
public:
    EAbort()
        : std::runtime_error("Operation aborted")
    {
    }
};

class DataSet;

// Accessor of one column of the owning dataset's current row.
class Field {
public:
    Field(DataSet *owner, int index);

    const QString &fieldName() const;
    FieldType dataType() const;
    int size() const;
    int scale() const;
    int index() const { return m_index; }
    DataSet *dataSet() const { return m_owner; }

    QVariant value() const;
    void setValue(const QVariant &v);
    bool isNull() const;
    void clear();

    QString asString() const;
    int asInteger() const;
    qint64 asLargeInt() const;
    double asFloat() const;
    bool asBoolean() const;
    QDate asDate() const;
    QTime asTime() const;
    QDateTime asDateTime() const;
    QByteArray asBytes() const;

    void setAsString(const QString &v) { setValue(v); }
    void setAsInteger(int v) { setValue(v); }
    void setAsFloat(double v) { setValue(v); }
    void setAsDateTime(const QDateTime &v) { setValue(v); }

    QString displayFormat;
    QString displayLabel;
    bool visible = true;
    bool readOnly = false;

private:
    DataSet *m_owner;
    int m_index;
};

// Converts a value to the storage form of a field type (QString for
// strings, qint64/int for integers, double for Float/Bcd, QDate/QTime/QDateTime,
// QByteArray for Blob, QString for Memo). Null stays null.
QVariant coerceToFieldType(const QVariant &v, FieldType type);

using Row = std::vector<QVariant>;

class DataSet : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };

    explicit DataSet(QObject *parent = nullptr);
    ~DataSet() override;

    // Structure
    void setFieldDefs(const std::vector<FieldDef> &defs);
    const std::vector<FieldDef> &fieldDefs() const { return m_defs; }
    int fieldCount() const { return int(m_defs.size()); }
    Field *field(int index) const;
    Field *findField(const QString &name) const; // case-insensitive; nullptr when missing
    Field *fieldByName(const QString &name) const; // throws DataSetError when missing
    int fieldIndex(const QString &name) const;   // -1 when missing
    QStringList fieldNames() const;

    // Opening a plain dataset makes an empty table of its definitions.
    virtual void open();
    virtual void close();
    bool active() const { return m_state != State::Inactive; }
    State state() const { return m_state; }

    // Cursor
    int recordCount() const;
    bool isEmpty() const { return recordCount() == 0; }
    int recNo() const; // 1-based; 0 when empty
    void setRecNo(int recNo);
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    void first();
    void last();
    void next();
    void prior();
    bool locate(const QStringList &fields, const QVariantList &values, bool caseInsensitive = false);

    // Editing
    void append();
    void edit();
    void post();
    void cancel();
    virtual void deleteRecord();

    // Bulk access for loaders and views
    void appendRow(Row row);
    const Row &rowAt(int index) const;
    QVariant valueAt(int row, int column) const;
    void setRows(std::vector<Row> rows);
    void emptyTable();

    // Field access through the current row (or the edit buffer).
    QVariant currentValue(int column) const;
    void setCurrentValue(int column, const QVariant &v);

signals:
    void structureChanged();
    void rowsReset();
    void currentChanged(int row);
    void rowChanged(int row);

protected:
    void requireActive() const;
    void rebuildFields();

private:
    void setCursor(int index);

    std::vector<FieldDef> m_defs;
    std::vector<std::unique_ptr<Field>> m_fields;
    std::shared_ptr<std::vector<Row>> m_rows;
    int m_cursor = -1;
    bool m_eof = true;
    bool m_bof = true;
    State m_state = State::Inactive;
    Row m_buffer;
    int m_editRow = -1;
};
