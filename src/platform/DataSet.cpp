#include "platform/DataSet.h"

#include <algorithm>
#include <cmath>

EDatabaseError::EDatabaseError(const QString &message)
    : std::runtime_error(message.toStdString())
    , m_message(message)
{
}

QString fieldTypeName(FieldType t)
{
    switch (t) {
    case FieldType::Unknown: return QStringLiteral("Unknown");
    case FieldType::String: return QStringLiteral("String");
    case FieldType::SmallInt: return QStringLiteral("SmallInt");
    case FieldType::Integer: return QStringLiteral("Integer");
    case FieldType::LargeInt: return QStringLiteral("LargeInt");
    case FieldType::Float: return QStringLiteral("Float");
    case FieldType::Bcd: return QStringLiteral("Bcd");
    case FieldType::Boolean: return QStringLiteral("Boolean");
    case FieldType::Date: return QStringLiteral("Date");
    case FieldType::Time: return QStringLiteral("Time");
    case FieldType::DateTime: return QStringLiteral("DateTime");
    case FieldType::Blob: return QStringLiteral("Blob");
    case FieldType::Memo: return QStringLiteral("Memo");
    }
    return QStringLiteral("Unknown");
}

QVariant coerceToFieldType(const QVariant &v, FieldType type)
{
    if (!v.isValid() || v.isNull())
        return QVariant();
    switch (type) {
    case FieldType::String:
    case FieldType::Memo:
        if (v.typeId() == QMetaType::QByteArray)
            return QString::fromUtf8(v.toByteArray());
        return v.toString();
    case FieldType::SmallInt:
    case FieldType::Integer: {
        if (v.typeId() == QMetaType::Double)
            return int(std::llround(v.toDouble()));
        bool ok = false;
        const int i = v.toInt(&ok);
        return ok ? QVariant(i) : QVariant();
    }
    case FieldType::LargeInt: {
        if (v.typeId() == QMetaType::Double)
            return qint64(std::llround(v.toDouble()));
        bool ok = false;
        const qint64 i = v.toLongLong(&ok);
        return ok ? QVariant(i) : QVariant();
    }
    case FieldType::Float:
    case FieldType::Bcd: {
        bool ok = false;
        const double d = v.toDouble(&ok);
        return ok ? QVariant(d) : QVariant();
    }
    case FieldType::Boolean:
        return v.toBool();
    case FieldType::Date:
        if (v.typeId() == QMetaType::QDateTime)
            return v.toDateTime().date();
        return v.toDate();
    case FieldType::Time:
        if (v.typeId() == QMetaType::QDateTime)
            return v.toDateTime().time();
        return v.toTime();
    case FieldType::DateTime:
        if (v.typeId() == QMetaType::QDate)
            return QDateTime(v.toDate(), QTime(0, 0));
        return v.toDateTime();
    case FieldType::Blob:
        if (v.typeId() == QMetaType::QString)
            return v.toString().toUtf8();
        return v.toByteArray();
    case FieldType::Unknown:
        return v;
    }
    return v;
}

// ---------------------------------------------------------------- Field

Field::Field(DataSet *owner, int index)
    : m_owner(owner)
    , m_index(index)
{
}

const QString &Field::fieldName() const { return m_owner->fieldDefs()[size_t(m_index)].name; }
FieldType Field::dataType() const { return m_owner->fieldDefs()[size_t(m_index)].type; }
int Field::size() const { return m_owner->fieldDefs()[size_t(m_index)].size; }
int Field::scale() const { return m_owner->fieldDefs()[size_t(m_index)].scale; }

QVariant Field::value() const { return m_owner->currentValue(m_index); }
void Field::setValue(const QVariant &v) { m_owner->setCurrentValue(m_index, v); }
bool Field::isNull() const
{
    const QVariant v = value();
    return !v.isValid() || v.isNull();
}
void Field::clear() { setValue(QVariant()); }

QString Field::asString() const
{
    const QVariant v = value();
    if (!v.isValid() || v.isNull())
        return QString();
    switch (v.typeId()) {
    case QMetaType::QByteArray:
        return QString::fromUtf8(v.toByteArray());
    case QMetaType::QDate:
        return v.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    case QMetaType::QTime:
        return v.toTime().toString(QStringLiteral("HH:mm:ss"));
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        if (dt.time() == QTime(0, 0))
            return dt.date().toString(QStringLiteral("dd/MM/yyyy"));
        return dt.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    }
    case QMetaType::Double: {
        // pt-BR decimal comma, shortest round-trip form
        QString s = QString::number(v.toDouble(), 'g', 15);
        s.replace('.', ',');
        return s;
    }
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return v.toString();
    }
}

int Field::asInteger() const
{
    const QVariant v = value();
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::Double)
        return int(std::llround(v.toDouble()));
    if (v.typeId() == QMetaType::QString) {
        bool ok = false;
        const int i = v.toString().trimmed().toInt(&ok);
        if (!ok)
            throw DataSetError(QStringLiteral("'%1' is not a valid integer value").arg(v.toString()));
        return i;
    }
    return v.toInt();
}

qint64 Field::asLargeInt() const
{
    const QVariant v = value();
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::Double)
        return std::llround(v.toDouble());
    return v.toLongLong();
}

double Field::asFloat() const
{
    const QVariant v = value();
    if (v.isNull())
        return 0.0;
    if (v.typeId() == QMetaType::QString) {
        QString s = v.toString().trimmed();
        s.remove('.');
        s.replace(',', '.');
        bool ok = false;
        const double d = s.toDouble(&ok);
        if (!ok)
            throw DataSetError(QStringLiteral("'%1' is not a valid floating point value").arg(v.toString()));
        return d;
    }
    return v.toDouble();
}

bool Field::asBoolean() const
{
    const QVariant v = value();
    if (v.isNull())
        return false;
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed().toUpper();
        return s == QLatin1String("TRUE") || s == QLatin1String("S") || s == QLatin1String("1");
    }
    return v.toBool();
}

QDate Field::asDate() const
{
    const QVariant v = value();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    if (v.typeId() == QMetaType::QString)
        return QDate::fromString(v.toString().trimmed(), QStringLiteral("dd/MM/yyyy"));
    return v.toDate();
}

QTime Field::asTime() const
{
    const QVariant v = value();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().time();
    return v.toTime();
}

QDateTime Field::asDateTime() const
{
    const QVariant v = value();
    if (v.isNull())
        return QDateTime();
    switch (v.typeId()) {
    case QMetaType::QDate:
        return QDateTime(v.toDate(), QTime(0, 0));
    case QMetaType::QTime:
        return QDateTime(QDate(1899, 12, 30), v.toTime());
    default:
        return v.toDateTime();
    }
}

QByteArray Field::asBytes() const
{
    const QVariant v = value();
    if (v.typeId() == QMetaType::QString)
        return v.toString().toUtf8();
    return v.toByteArray();
}

// ---------------------------------------------------------------- DataSet

DataSet::DataSet(QObject *parent)
    : QObject(parent)
    , m_rows(std::make_shared<std::vector<Row>>())
{
}

DataSet::~DataSet() = default;

void DataSet::setFieldDefs(const std::vector<FieldDef> &defs)
{
    m_defs = defs;
    rebuildFields();
    m_rows->clear();
    m_cursor = -1;
    m_eof = m_bof = true;
    emit structureChanged();
}

void DataSet::rebuildFields()
{
    m_fields.clear();
    for (int i = 0; i < int(m_defs.size()); ++i)
        m_fields.push_back(std::make_unique<Field>(this, i));
}

Field *DataSet::field(int index) const
{
    if (index < 0 || index >= int(m_fields.size()))
        throw DataSetError(QStringLiteral("Field index out of range"));
    return m_fields[size_t(index)].get();
}

int DataSet::fieldIndex(const QString &name) const
{
    for (int i = 0; i < int(m_defs.size()); ++i)
        if (m_defs[size_t(i)].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

Field *DataSet::findField(const QString &name) const
{
    const int i = fieldIndex(name.trimmed());
    return i < 0 ? nullptr : m_fields[size_t(i)].get();
}

Field *DataSet::fieldByName(const QString &name) const
{
    Field *f = findField(name);
    if (!f)
        throw DataSetError(QStringLiteral("Field '%1' not found").arg(name));
    return f;
}

QStringList DataSet::fieldNames() const
{
    QStringList names;
    for (const auto &d : m_defs)
        names << d.name;
    return names;
}

void DataSet::open()
{
    if (active())
        return;
    m_state = State::Browse;
    setCursor(m_rows->empty() ? -1 : 0);
    emit rowsReset();
}

void DataSet::close()
{
    m_state = State::Inactive;
    m_buffer.clear();
    m_editRow = -1;
    m_cursor = -1;
    m_eof = m_bof = true;
    emit rowsReset();
}

void DataSet::requireActive() const
{
    if (!active())
        throw DataSetError(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

int DataSet::recordCount() const { return active() ? int(m_rows->size()) : 0; }

int DataSet::recNo() const
{
    if (m_state == State::Insert)
        return m_editRow + 1;
    return m_cursor < 0 ? 0 : m_cursor + 1;
}

void DataSet::setCursor(int index)
{
    const int n = int(m_rows->size());
    if (n == 0) {
        m_cursor = -1;
        m_eof = m_bof = true;
    } else {
        m_cursor = std::clamp(index, 0, n - 1);
        m_eof = m_bof = false;
    }
    emit currentChanged(m_cursor);
}

void DataSet::setRecNo(int recNo)
{
    requireActive();
    if (m_state != State::Browse)
        post();
    setCursor(recNo - 1);
}

void DataSet::first()
{
    requireActive();
    if (m_state != State::Browse)
        post();
    setCursor(0);
    m_bof = true;
}

void DataSet::last()
{
    requireActive();
    if (m_state != State::Browse)
        post();
    setCursor(int(m_rows->size()) - 1);
    m_eof = true;
}

void DataSet::next()
{
    requireActive();
    if (m_state != State::Browse)
        post();
    if (m_cursor + 1 >= int(m_rows->size())) {
        m_eof = true;
        return;
    }
    setCursor(m_cursor + 1);
}

void DataSet::prior()
{
    requireActive();
    if (m_state != State::Browse)
        post();
    if (m_cursor <= 0) {
        m_bof = true;
        return;
    }
    setCursor(m_cursor - 1);
}

bool DataSet::locate(const QStringList &fields, const QVariantList &values, bool caseInsensitive)
{
    requireActive();
    std::vector<int> cols;
    for (const QString &f : fields)
        cols.push_back(fieldByName(f)->index());
    for (int r = 0; r < int(m_rows->size()); ++r) {
        bool match = true;
        for (size_t i = 0; i < cols.size() && match; ++i) {
            const QVariant &cell = (*m_rows)[size_t(r)][size_t(cols[i])];
            const QVariant want = i < size_t(values.size()) ? values[int(i)] : QVariant();
            if (cell.isNull() || !want.isValid() || want.isNull()) {
                match = (cell.isNull()) == (!want.isValid() || want.isNull());
            } else if (cell.typeId() == QMetaType::QString || want.typeId() == QMetaType::QString) {
                match = cell.toString().compare(want.toString(),
                            caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0;
            } else {
                match = QVariant::compare(cell, want) == QPartialOrdering::Equivalent;
            }
        }
        if (match) {
            if (m_state != State::Browse)
                post();
            setCursor(r);
            return true;
        }
    }
    return false;
}

void DataSet::append()
{
    requireActive();
    if (m_state != State::Browse)
        post();
    m_buffer.assign(m_defs.size(), QVariant());
    m_editRow = int(m_rows->size());
    m_state = State::Insert;
}

void DataSet::edit()
{
    requireActive();
    if (m_state != State::Browse)
        return;
    if (m_cursor < 0) {
        append();
        return;
    }
    m_buffer = (*m_rows)[size_t(m_cursor)];
    m_editRow = m_cursor;
    m_state = State::Edit;
}

void DataSet::post()
{
    if (m_state == State::Insert) {
        m_rows->insert(m_rows->begin() + m_editRow, m_buffer);
        m_state = State::Browse;
        setCursor(m_editRow);
        emit rowsReset();
    } else if (m_state == State::Edit) {
        (*m_rows)[size_t(m_editRow)] = m_buffer;
        m_state = State::Browse;
        emit rowChanged(m_editRow);
    }
    m_buffer.clear();
    m_editRow = -1;
}

void DataSet::cancel()
{
    if (m_state == State::Insert || m_state == State::Edit) {
        m_state = State::Browse;
        m_buffer.clear();
        m_editRow = -1;
        setCursor(m_cursor);
    }
}

void DataSet::deleteRecord()
{
    requireActive();
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (m_cursor < 0)
        throw DataSetError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    m_state = State::Browse;
    m_rows->erase(m_rows->begin() + m_cursor);
    setCursor(m_cursor);
    emit rowsReset();
}

void DataSet::appendRow(Row row)
{
    row.resize(m_defs.size());
    m_rows->push_back(std::move(row));
    if (active() && m_cursor < 0)
        setCursor(0);
}

const Row &DataSet::rowAt(int index) const { return (*m_rows)[size_t(index)]; }

QVariant DataSet::valueAt(int row, int column) const
{
    if (row < 0 || row >= int(m_rows->size()) || column < 0 || column >= int(m_defs.size()))
        return QVariant();
    return (*m_rows)[size_t(row)][size_t(column)];
}

void DataSet::setRows(std::vector<Row> rows)
{
    for (auto &r : rows)
        r.resize(m_defs.size());
    *m_rows = std::move(rows);
    if (active()) {
        m_state = State::Browse;
        setCursor(m_rows->empty() ? -1 : 0);
        m_bof = true;
    }
    emit rowsReset();
}

void DataSet::emptyTable()
{
    m_rows->clear();
    if (active()) {
        m_state = State::Browse;
        setCursor(-1);
    }
    emit rowsReset();
}

QVariant DataSet::currentValue(int column) const
{
    if (column < 0 || column >= int(m_defs.size()))
        return QVariant();
    if (m_state == State::Insert || m_state == State::Edit)
        return m_buffer[size_t(column)];
    if (m_cursor < 0)
        return QVariant();
    return (*m_rows)[size_t(m_cursor)][size_t(column)];
}

void DataSet::setCurrentValue(int column, const QVariant &v)
{
    requireActive();
    if (m_state == State::Browse)
        throw DataSetError(QStringLiteral("Dataset not in edit or insert mode"));
    m_buffer[size_t(column)] = coerceToFieldType(v, m_defs[size_t(column)].type);
}
