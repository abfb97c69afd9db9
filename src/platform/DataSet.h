#pragma once

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVariant>

#include <functional>
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
bool isNumericType(FieldType t);
bool isTextType(FieldType t); // String, Memo, Blob: compared as text
bool isDateType(FieldType t); // Date, DateTime

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
    bool isBlob() const;

    QVariant value() const;
    // Runs onValidate (an exception there keeps the old value), then onChange.
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

    // The value as a grid shows it: numbers and dates through displayFormat
    // when one is set.
    QString displayText() const;
    static QString displayTextOf(const QVariant &v, FieldType type, const QString &displayFormat);

    QString displayFormat;
    QString displayLabel;
    bool visible = true;
    bool readOnly = false;
    std::function<void(Field &)> onValidate;
    std::function<void(Field &)> onChange;

private:
    DataSet *m_owner;
    int m_index;
};

// Converts a value to the storage form of a field type (QString for
// strings, qint64/int for integers, double for Float/Bcd, QDate/QTime/QDateTime,
// QByteArray for Blob, QString for Memo). Null stays null.
QVariant coerceToFieldType(const QVariant &v, FieldType type);

// Orders two stored values of one field: null first, then by value.
int compareFieldValues(const QVariant &a, const QVariant &b);

using Row = std::vector<QVariant>;
using Bookmark = qint64; // 0 is no record

class FilterExpression;

// A named sort: field lists separated by ";".
struct IndexDef {
    QString name;
    QString fields;
    QString descFields;
};

class DataSet : public QObject {
    Q_OBJECT
    struct Store;

public:
    enum class State { Inactive, Browse, Edit, Insert };
    using Event = std::function<void(DataSet &)>;

    // Field definitions and rows in a dataset's own storage, built on any
    // thread, so a dataset can take them in O(1) (adoptRows). Touching one
    // from two threads at once is not safe.
    class PreparedRows {
    public:
        PreparedRows();
        // Each row is sized to the definitions, as setRows does.
        PreparedRows(std::vector<FieldDef> defs, std::vector<Row> rows);
        PreparedRows(PreparedRows &&) noexcept;
        PreparedRows &operator=(PreparedRows &&) noexcept;
        ~PreparedRows();
        const std::vector<FieldDef> &fieldDefs() const { return m_defs; }
        int rowCount() const;

    private:
        friend class DataSet;
        std::vector<FieldDef> m_defs;
        std::shared_ptr<Store> m_store;
    };

    explicit DataSet(QObject *parent = nullptr);
    ~DataSet() override;

    // Structure. New definitions detach this dataset from rows shared with clones.
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

    // Cursor over the rows this dataset sees (after its filter and order).
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

    Bookmark bookmark() const;
    bool bookmarkValid(Bookmark b) const;
    void gotoBookmark(Bookmark b); // throws when the record is gone or hidden

    // Editing
    void append();
    void insert(); // before the current record
    void edit();
    void post();
    void postIfEditing(); // posts only an edit or insert in progress
    void cancel();
    virtual void deleteRecord();
    // While the edited or inserted record sits among the rows, its position (0-based); -1 otherwise.
    int editPosition() const { return m_state == State::Browse || m_state == State::Inactive ? -1 : m_editPos; }
    // A field was set since the edit or insert started (values set by onNewRecord do not count).
    bool modified() const { return m_modified; }

    // Views are told nothing while disabled; enabling tells them once.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disabled > 0; }

    // Filtering by an expression (see FilterExpression). Switching a filter
    // on with a malformed text throws EDatabaseError and leaves it off.
    void setFilter(const QString &text);
    const QString &filter() const { return m_filterText; }
    void setFiltered(bool on);
    bool filtered() const { return m_filtered; }

    // Ordering: a named index or a plain list of fields (ascending).
    void addIndex(const QString &name, const QString &fields, const QString &descFields = QString());
    void deleteIndexes();
    const std::vector<IndexDef> &indexDefs() const { return m_indexDefs; }
    const IndexDef *findIndex(const QString &name) const;
    void setIndexName(const QString &name);
    const QString &indexName() const { return m_indexName; }
    void setIndexFieldNames(const QString &fields);
    const QString &indexFieldNames() const { return m_indexFieldNames; }

    // Shares the rows of source with a cursor of its own; without
    // keepSettings the filter and order start empty.
    void cloneCursor(DataSet &source, bool keepSettings = false);

    // Bulk access for loaders and views; row indexes are positions in this
    // dataset's view.
    void appendRow(Row row);
    const Row &rowAt(int index) const;
    QVariant valueAt(int row, int column) const;
    void setRows(std::vector<Row> rows);
    // Replaces the rows with a copy of source's stored rows, fields matched
    // by name (fields source lacks stay null).
    void copyRowsFrom(const DataSet &source);
    void emptyTable();
    // Same as setFieldDefs(prepared's definitions) then setRows(its rows),
    // signals included, without copying a row. Returns what this dataset
    // held (clones keep their share), so the caller can free it elsewhere.
    PreparedRows adoptRows(PreparedRows prepared);

    // Field access through the current row (or the edit buffer).
    QVariant currentValue(int column) const;
    void setCurrentValue(int column, const QVariant &v);

    // Events; an EAbort thrown by a before-event cancels the operation.
    Event beforeInsert, afterInsert, beforeEdit, afterEdit, beforePost, afterPost, beforeCancel, afterCancel,
        beforeDelete, afterDelete, beforeScroll, afterScroll, onNewRecord;

signals:
    void structureChanged();
    void rowsReset();
    void currentChanged(int row);
    void rowChanged(int row);
    void stateChanged();

protected:
    void requireActive() const;
    void rebuildFields();

private:
    struct StoredRow;
    friend struct Store;

    void setCursor(int index);
    void moveTo(int index); // navigation: posts, fires scroll events
    void startInsert(int position);
    void rebuildView(); // refilters and resorts the shared rows
    // Puts one changed row where rebuildView would, without resorting the
    // rest; false when the view must be rebuilt instead.
    bool placeRow(StoredRow *row);
    // The row with that id changed, arrived or left: the view follows.
    void followRow(qint64 id);
    // Switches the order, keeping the current row; a failing order is undone.
    void applyOrder(const QString &indexName, const QString &fields);
    void storeChanged(qint64 changedId, bool structural); // another sharer changed the rows
    void notifySharers(qint64 changedId, bool structural);
    void attach(std::shared_ptr<Store> store);
    void resetStructure(std::vector<FieldDef> defs, std::shared_ptr<Store> store);
    void rowsReplaced(); // the view, cursor and views after new rows
    bool ordered() const;
    bool hasFilter() const { return m_filtered && m_filterExpr; }
    int positionOf(qint64 id) const;
    void fire(const Event &e);
    void emitReset();
    void emitCurrent();
    void emitState();

    std::vector<FieldDef> m_defs;
    std::vector<std::unique_ptr<Field>> m_fields;
    std::shared_ptr<Store> m_store;
    std::vector<StoredRow *> m_view;
    int m_cursor = -1;
    bool m_eof = true;
    bool m_bof = true;
    State m_state = State::Inactive;
    Row m_buffer;
    int m_editPos = -1;
    qint64 m_editId = 0;
    bool m_modified = false;
    int m_disabled = 0;
    bool m_pendingReset = false;

    QString m_filterText;
    bool m_filtered = false;
    std::shared_ptr<const FilterExpression> m_filterExpr;
    std::vector<IndexDef> m_indexDefs;
    QString m_indexName;
    QString m_indexFieldNames;
    std::vector<int> m_sortCols;
    std::vector<bool> m_sortDesc;
};
