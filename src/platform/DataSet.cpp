#include "platform/DataSet.h"

#include "platform/FilterExpression.h"
#include "platform/Formats.h"

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

bool isNumericType(FieldType t)
{
    return t == FieldType::SmallInt || t == FieldType::Integer || t == FieldType::LargeInt || t == FieldType::Float
        || t == FieldType::Bcd;
}

bool isTextType(FieldType t) { return t == FieldType::String || t == FieldType::Memo || t == FieldType::Blob; }

bool isDateType(FieldType t) { return t == FieldType::Date || t == FieldType::DateTime; }

int compareFieldValues(const QVariant &a, const QVariant &b)
{
    const bool na = !a.isValid() || a.isNull();
    const bool nb = !b.isValid() || b.isNull();
    if (na || nb)
        return na == nb ? 0 : (na ? -1 : 1);
    if (a.typeId() == QMetaType::QString && b.typeId() == QMetaType::QString)
        return a.toString().compare(b.toString());
    const QPartialOrdering o = QVariant::compare(a, b);
    if (o == QPartialOrdering::Less)
        return -1;
    if (o == QPartialOrdering::Greater)
        return 1;
    if (o == QPartialOrdering::Equivalent)
        return 0;
    return a.toString().compare(b.toString());
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
void Field::setValue(const QVariant &v)
{
    if (!onValidate && !onChange) {
        m_owner->setCurrentValue(m_index, v);
        return;
    }
    const QVariant old = value();
    m_owner->setCurrentValue(m_index, v);
    if (onValidate) {
        try {
            onValidate(*this);
        } catch (...) {
            m_owner->setCurrentValue(m_index, old);
            throw;
        }
    }
    if (onChange)
        onChange(*this);
}

bool Field::isBlob() const
{
    const FieldType t = dataType();
    return t == FieldType::Blob || t == FieldType::Memo;
}

QString Field::displayText() const { return displayTextOf(value(), dataType(), displayFormat); }

namespace {

// A stored value as text, pt-BR dates; doubles as the caller writes them.
QString textoDoValor(const QVariant &v, QString (*textoDouble)(double))
{
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
    case QMetaType::Double:
        return textoDouble(v.toDouble());
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return v.toString();
    }
}

} // namespace

QString Field::displayTextOf(const QVariant &v, FieldType type, const QString &displayFormat)
{
    if (!v.isValid() || v.isNull())
        return QString();
    if (!displayFormat.isEmpty()) {
        if (isNumericType(type))
            return fmt::formatFloat(displayFormat, v.toDouble());
        if (type == FieldType::Date)
            return fmt::formatDateTime(displayFormat, v.toDate());
        if (type == FieldType::DateTime)
            return fmt::formatDateTime(displayFormat, v.toDateTime());
        if (type == FieldType::Time)
            return fmt::formatDateTime(displayFormat, QDate(1899, 12, 30), v.toTime());
    }
    return textoDoValor(v, fmt::floatToStr);
}
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
    return textoDoValor(v, [](double d) {
        // pt-BR decimal comma, shortest round-trip form
        QString t = QString::number(d, 'g', 15);
        t.replace('.', ',');
        return t;
    });
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

struct DataSet::StoredRow {
    qint64 id = 0;
    Row values;
};

// Rows shared by a dataset and its clones, in insertion order.
struct DataSet::Store {
    std::vector<std::unique_ptr<StoredRow>> rows;
    qint64 nextId = 1;
    std::vector<DataSet *> users;

    StoredRow *make(Row values, size_t at)
    {
        auto r = std::make_unique<StoredRow>();
        r->id = nextId++;
        r->values = std::move(values);
        StoredRow *raw = r.get();
        rows.insert(rows.begin() + qsizetype(std::min(at, rows.size())), std::move(r));
        return raw;
    }
    qsizetype indexOf(const StoredRow *row) const
    {
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].get() == row)
                return qsizetype(i);
        return -1;
    }
};

DataSet::DataSet(QObject *parent)
    : QObject(parent)
{
    attach(std::make_shared<Store>());
}

DataSet::~DataSet()
{
    if (m_store)
        std::erase(m_store->users, this);
}

void DataSet::attach(std::shared_ptr<Store> store)
{
    if (m_store)
        std::erase(m_store->users, this);
    m_store = std::move(store);
    m_store->users.push_back(this);
}

void DataSet::fire(const Event &e)
{
    if (e)
        e(*this);
}

void DataSet::emitReset()
{
    if (m_disabled > 0) {
        m_pendingReset = true;
        return;
    }
    emit rowsReset();
}

void DataSet::emitCurrent()
{
    if (m_disabled > 0) {
        m_pendingReset = true;
        return;
    }
    emit currentChanged(m_cursor);
}

void DataSet::emitState()
{
    if (m_disabled > 0) {
        m_pendingReset = true;
        return;
    }
    emit stateChanged();
}

void DataSet::disableControls() { ++m_disabled; }

void DataSet::enableControls()
{
    if (m_disabled > 0)
        --m_disabled;
    if (m_disabled == 0 && m_pendingReset) {
        m_pendingReset = false;
        emit rowsReset();
        emit currentChanged(m_cursor);
    }
}

void DataSet::setFieldDefs(const std::vector<FieldDef> &defs) { resetStructure(defs, std::make_shared<Store>()); }

void DataSet::resetStructure(std::vector<FieldDef> defs, std::shared_ptr<Store> store)
{
    m_defs = std::move(defs);
    rebuildFields();
    attach(std::move(store));
    m_view.clear();
    m_filterExpr.reset();
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
    // names are nearly always asked as they were defined: the exact match
    // is cheap and comes first
    for (int i = 0; i < int(m_defs.size()); ++i)
        if (m_defs[size_t(i)].name == name)
            return i;
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

bool DataSet::ordered() const { return !m_indexName.isEmpty() || !m_indexFieldNames.trimmed().isEmpty(); }

int DataSet::positionOf(qint64 id) const
{
    if (id == 0)
        return -1;
    for (size_t i = 0; i < m_view.size(); ++i)
        if (m_view[i]->id == id)
            return int(i);
    return -1;
}

void DataSet::rebuildView()
{
    if (m_filtered && !m_filterText.trimmed().isEmpty() && !m_filterExpr)
        m_filterExpr = FilterExpression::compile(m_filterText, m_defs);

    m_sortCols.clear();
    m_sortDesc.clear();
    QString fields, desc;
    if (!m_indexName.isEmpty()) {
        if (const IndexDef *d = findIndex(m_indexName)) {
            fields = d->fields;
            desc = d->descFields;
        }
    } else {
        fields = m_indexFieldNames;
    }
    const QStringList descList = desc.split(';', Qt::SkipEmptyParts);
    for (const QString &raw : fields.split(';', Qt::SkipEmptyParts)) {
        const QString name = raw.trimmed();
        if (name.isEmpty())
            continue;
        m_sortCols.push_back(fieldByName(name)->index());
        bool d = false;
        for (const QString &x : descList)
            d = d || x.trimmed().compare(name, Qt::CaseInsensitive) == 0;
        m_sortDesc.push_back(d);
    }

    m_view.clear();
    m_view.reserve(m_store->rows.size());
    const FilterExpression *f = hasFilter() ? m_filterExpr.get() : nullptr;
    for (const auto &r : m_store->rows)
        if (!f || f->matches(r->values))
            m_view.push_back(r.get());
    if (!m_sortCols.empty()) {
        std::stable_sort(m_view.begin(), m_view.end(), [this](const StoredRow *a, const StoredRow *b) {
            for (size_t i = 0; i < m_sortCols.size(); ++i) {
                const size_t c = size_t(m_sortCols[i]);
                const int cmp = compareFieldValues(a->values[c], b->values[c]);
                if (cmp != 0)
                    return m_sortDesc[i] ? cmp > 0 : cmp < 0;
            }
            return false;
        });
    }
}

bool DataSet::placeRow(StoredRow *row)
{
    if (m_filtered && !m_filterText.trimmed().isEmpty() && !m_filterExpr)
        return false;
    if (const auto it = std::find(m_view.begin(), m_view.end(), row); it != m_view.end())
        m_view.erase(it);
    if (hasFilter() && !m_filterExpr->matches(row->values))
        return true;
    // the view is in key order, ties in store order: the row goes after
    // every row that sorts before it
    const qsizetype onde = m_store->indexOf(row);
    const auto antes = [&](const StoredRow *a) {
        for (size_t i = 0; i < m_sortCols.size(); ++i) {
            const size_t c = size_t(m_sortCols[i]);
            const int cmp = compareFieldValues(a->values[c], row->values[c]);
            if (cmp != 0)
                return m_sortDesc[i] ? cmp > 0 : cmp < 0;
        }
        return m_store->indexOf(a) < onde;
    };
    m_view.insert(std::partition_point(m_view.begin(), m_view.end(), antes), row);
    return true;
}

void DataSet::followRow(qint64 id)
{
    StoredRow *row = nullptr;
    for (const auto &r : m_store->rows)
        if (r->id == id) {
            row = r.get();
            break;
        }
    if (row) {
        if (!placeRow(row))
            rebuildView();
        return;
    }
    // gone from the store
    if (const int pos = positionOf(id); pos >= 0)
        m_view.erase(m_view.begin() + pos);
}

void DataSet::open()
{
    if (active())
        return;
    rebuildView();
    m_state = State::Browse;
    setCursor(m_view.empty() ? -1 : 0);
    m_bof = true;
    emitReset();
    fire(afterScroll);
}

void DataSet::close()
{
    m_state = State::Inactive;
    m_buffer.clear();
    m_editPos = -1;
    m_modified = false;
    m_cursor = -1;
    m_eof = m_bof = true;
    emitReset();
}

void DataSet::requireActive() const
{
    if (!active())
        throw DataSetError(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

int DataSet::recordCount() const { return active() ? int(m_view.size()) : 0; }

int DataSet::recNo() const
{
    if (m_state == State::Insert)
        return m_editPos + 1;
    return m_cursor < 0 ? 0 : m_cursor + 1;
}

void DataSet::setCursor(int index)
{
    const int n = int(m_view.size());
    if (n == 0) {
        m_cursor = -1;
        m_eof = m_bof = true;
    } else {
        m_cursor = std::clamp(index, 0, n - 1);
        m_eof = m_bof = false;
    }
    emitCurrent();
}

void DataSet::postIfEditing()
{
    if (m_state == State::Edit || m_state == State::Insert)
        post();
}

void DataSet::moveTo(int index)
{
    requireActive();
    postIfEditing();
    fire(beforeScroll);
    setCursor(index);
    fire(afterScroll);
}

void DataSet::setRecNo(int recNo) { moveTo(recNo - 1); }

void DataSet::first()
{
    moveTo(0);
    m_bof = true;
}

void DataSet::last()
{
    moveTo(int(m_view.size()) - 1);
    m_eof = true;
}

void DataSet::next()
{
    requireActive();
    postIfEditing();
    if (m_cursor + 1 >= int(m_view.size())) {
        m_eof = true;
        return;
    }
    moveTo(m_cursor + 1);
}

void DataSet::prior()
{
    requireActive();
    postIfEditing();
    if (m_cursor <= 0) {
        m_bof = true;
        return;
    }
    moveTo(m_cursor - 1);
}

bool DataSet::locate(const QStringList &fields, const QVariantList &values, bool caseInsensitive)
{
    requireActive();
    std::vector<int> cols;
    for (const QString &f : fields)
        cols.push_back(fieldByName(f)->index());
    for (int r = 0; r < int(m_view.size()); ++r) {
        const Row &row = m_view[size_t(r)]->values;
        bool match = true;
        for (size_t i = 0; i < cols.size() && match; ++i) {
            const QVariant &cell = row[size_t(cols[i])];
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
            moveTo(r);
            return true;
        }
    }
    return false;
}

Bookmark DataSet::bookmark() const
{
    if (!active() || m_cursor < 0 || m_cursor >= int(m_view.size()))
        return 0;
    return m_view[size_t(m_cursor)]->id;
}

bool DataSet::bookmarkValid(Bookmark b) const { return active() && positionOf(b) >= 0; }

void DataSet::gotoBookmark(Bookmark b)
{
    requireActive();
    const int pos = positionOf(b);
    if (pos < 0)
        throw DataSetError(QStringLiteral("Record not found"));
    moveTo(pos);
}

void DataSet::startInsert(int position)
{
    fire(beforeInsert);
    m_buffer.assign(m_defs.size(), QVariant());
    m_editPos = position;
    m_editId = 0;
    m_state = State::Insert;
    try {
        fire(onNewRecord);
    } catch (...) {
        m_state = State::Browse;
        m_buffer.clear();
        m_editPos = -1;
        throw;
    }
    m_modified = false;
    emitReset();
    emitState();
    fire(afterInsert);
    fire(afterScroll);
}

void DataSet::append()
{
    requireActive();
    postIfEditing();
    startInsert(int(m_view.size()));
}

void DataSet::insert()
{
    requireActive();
    postIfEditing();
    startInsert(m_cursor < 0 ? 0 : m_cursor);
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
    fire(beforeEdit);
    m_buffer = m_view[size_t(m_cursor)]->values;
    m_editPos = m_cursor;
    m_editId = m_view[size_t(m_cursor)]->id;
    m_state = State::Edit;
    m_modified = false;
    emitState();
    fire(afterEdit);
}

void DataSet::post()
{
    if (m_state != State::Insert && m_state != State::Edit)
        return;
    fire(beforePost);
    qint64 id = 0;
    if (m_state == State::Insert) {
        size_t at = m_store->rows.size();
        if (m_editPos < int(m_view.size()))
            at = size_t(m_store->indexOf(m_view[size_t(m_editPos)]));
        StoredRow *row = m_store->make(std::move(m_buffer), at);
        id = row->id;
        if (ordered() || hasFilter()) {
            if (!placeRow(row))
                rebuildView();
            const int pos = positionOf(id);
            m_state = State::Browse;
            setCursor(pos >= 0 ? pos : m_editPos);
        } else {
            m_view.insert(m_view.begin() + m_editPos, row);
            m_state = State::Browse;
            setCursor(m_editPos);
        }
        emitReset();
        notifySharers(id, true);
    } else {
        StoredRow *row = nullptr;
        if (m_editPos >= 0 && m_editPos < int(m_view.size()) && m_view[size_t(m_editPos)]->id == m_editId)
            row = m_view[size_t(m_editPos)];
        for (size_t i = 0; !row && i < m_store->rows.size(); ++i)
            if (m_store->rows[i]->id == m_editId)
                row = m_store->rows[i].get();
        if (!row)
            throw DataSetError(QStringLiteral("Record not found or changed by another user"));
        row->values = std::move(m_buffer);
        id = row->id;
        m_state = State::Browse;
        if (ordered() || hasFilter()) {
            if (!placeRow(row))
                rebuildView();
            const int pos = positionOf(id);
            setCursor(pos >= 0 ? pos : m_editPos);
            emitReset();
        } else if (m_disabled > 0) {
            m_pendingReset = true;
        } else {
            emit rowChanged(m_editPos);
        }
        notifySharers(id, false);
    }
    m_buffer.clear();
    m_editPos = -1;
    m_editId = 0;
    m_modified = false;
    emitState();
    fire(afterPost);
}

void DataSet::cancel()
{
    if (m_state != State::Insert && m_state != State::Edit)
        return;
    fire(beforeCancel);
    const bool wasInsert = m_state == State::Insert;
    m_state = State::Browse;
    m_buffer.clear();
    m_editPos = -1;
    m_editId = 0;
    m_modified = false;
    setCursor(m_cursor);
    if (wasInsert)
        emitReset();
    else if (m_cursor >= 0 && m_disabled == 0)
        emit rowChanged(m_cursor);
    emitState();
    fire(afterCancel);
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
    fire(beforeDelete);
    if (m_state == State::Edit) {
        m_buffer.clear();
        m_editPos = -1;
        m_editId = 0;
        m_modified = false;
        m_state = State::Browse;
        emitState();
    }
    StoredRow *row = m_view[size_t(m_cursor)];
    const qsizetype at = m_store->indexOf(row);
    // kept alive until the sharers have let go of it
    std::unique_ptr<StoredRow> gone = std::move(m_store->rows[size_t(at)]);
    m_store->rows.erase(m_store->rows.begin() + at);
    m_view.erase(m_view.begin() + m_cursor);
    setCursor(m_cursor);
    emitReset();
    notifySharers(gone->id, true);
    fire(afterDelete);
    fire(afterScroll);
}

void DataSet::notifySharers(qint64 changedId, bool structural)
{
    const std::vector<DataSet *> users = m_store->users;
    for (DataSet *u : users)
        if (u != this)
            u->storeChanged(changedId, structural);
}

void DataSet::storeChanged(qint64 changedId, bool structural)
{
    if (!structural && !ordered() && !hasFilter()) {
        const int pos = positionOf(changedId);
        if (pos >= 0 && active()) {
            if (m_disabled > 0)
                m_pendingReset = true;
            else
                emit rowChanged(pos);
        }
        return;
    }
    const qint64 current = bookmark();
    const int old = m_cursor;
    try {
        if (changedId != 0)
            followRow(changedId);
        else
            rebuildView();
    } catch (const EDatabaseError &) {
        m_view.clear(); // a filter that no longer compiles hides every row
    }
    if (!active())
        return;
    const int pos = positionOf(current);
    setCursor(pos >= 0 ? pos : old);
    emitReset();
}

// ---------------------------------------------------------------- filter, order, clones

void DataSet::setFilter(const QString &text)
{
    if (text == m_filterText)
        return;
    std::shared_ptr<const FilterExpression> expr;
    if (m_filtered && !text.trimmed().isEmpty())
        expr = FilterExpression::compile(text, m_defs);
    m_filterText = text;
    m_filterExpr = expr;
    if (m_filtered && active()) {
        postIfEditing();
        rebuildView();
        setCursor(0);
        m_bof = true;
        emitReset();
    }
}

void DataSet::setFiltered(bool on)
{
    if (on == m_filtered)
        return;
    std::shared_ptr<const FilterExpression> expr;
    if (on && !m_filterText.trimmed().isEmpty())
        expr = FilterExpression::compile(m_filterText, m_defs);
    if (active())
        postIfEditing();
    m_filtered = on;
    m_filterExpr = expr;
    if (active()) {
        rebuildView();
        setCursor(0);
        m_bof = true;
        emitReset();
    }
}

const IndexDef *DataSet::findIndex(const QString &name) const
{
    for (const IndexDef &d : m_indexDefs)
        if (d.name.compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return &d;
    return nullptr;
}

void DataSet::addIndex(const QString &name, const QString &fields, const QString &descFields)
{
    for (IndexDef &d : m_indexDefs) {
        if (d.name.compare(name, Qt::CaseInsensitive) == 0) {
            d.fields = fields;
            d.descFields = descFields;
            return;
        }
    }
    m_indexDefs.push_back(IndexDef{name, fields, descFields});
}

void DataSet::deleteIndexes()
{
    m_indexDefs.clear();
    if (!m_indexName.isEmpty())
        setIndexName(QString());
}

void DataSet::setIndexName(const QString &name)
{
    const QString n = name.trimmed();
    if (!n.isEmpty() && !findIndex(n))
        throw DataSetError(QStringLiteral("Index '%1' not found").arg(n));
    applyOrder(n.isEmpty() ? QString() : findIndex(n)->name, QString());
}

void DataSet::setIndexFieldNames(const QString &fields) { applyOrder(QString(), fields); }

void DataSet::applyOrder(const QString &indexName, const QString &fields)
{
    const QString oldName = m_indexName, oldFields = m_indexFieldNames;
    m_indexName = indexName;
    m_indexFieldNames = fields;
    const qint64 current = bookmark();
    try {
        rebuildView();
    } catch (...) {
        m_indexName = oldName;
        m_indexFieldNames = oldFields;
        rebuildView();
        throw;
    }
    if (active()) {
        const int pos = positionOf(current);
        setCursor(pos >= 0 ? pos : 0);
        emitReset();
    }
}

void DataSet::cloneCursor(DataSet &source, bool keepSettings)
{
    if (&source == this)
        return;
    m_state = State::Inactive;
    m_buffer.clear();
    m_editPos = -1;
    m_modified = false;
    m_defs = source.m_defs;
    rebuildFields();
    for (size_t i = 0; i < m_fields.size(); ++i) {
        m_fields[i]->displayFormat = source.m_fields[i]->displayFormat;
        m_fields[i]->displayLabel = source.m_fields[i]->displayLabel;
    }
    attach(source.m_store);
    if (keepSettings) {
        m_filterText = source.m_filterText;
        m_filtered = source.m_filtered;
        m_filterExpr = source.m_filterExpr;
        m_indexDefs = source.m_indexDefs;
        m_indexName = source.m_indexName;
        m_indexFieldNames = source.m_indexFieldNames;
    } else {
        m_filterText.clear();
        m_filtered = false;
        m_filterExpr.reset();
        m_indexDefs.clear();
        m_indexName.clear();
        m_indexFieldNames.clear();
    }
    rebuildView();
    emit structureChanged();
    if (source.active()) {
        m_state = State::Browse;
        setCursor(0);
        m_bof = true;
    } else {
        m_cursor = -1;
        m_eof = m_bof = true;
    }
    emitReset();
}

// ---------------------------------------------------------------- bulk access

void DataSet::appendRow(Row row)
{
    row.resize(m_defs.size());
    const Bookmark current = bookmark();
    StoredRow *r = m_store->make(std::move(row), m_store->rows.size());
    if (ordered() || hasFilter()) {
        if (!placeRow(r))
            rebuildView();
        if (const int pos = positionOf(current); pos >= 0 && pos != m_cursor)
            setCursor(pos);
    } else
        m_view.push_back(r);
    if (active() && m_cursor < 0 && !m_view.empty())
        setCursor(0);
    if (m_store->users.size() > 1)
        notifySharers(r->id, true);
}

const Row &DataSet::rowAt(int index) const { return m_view[size_t(index)]->values; }

void DataSet::copyRowsFrom(const DataSet &source)
{
    std::vector<int> from;
    for (const FieldDef &d : m_defs)
        from.push_back(source.fieldIndex(d.name));
    std::vector<Row> rows;
    rows.reserve(size_t(source.recordCount()));
    for (int r = 0; r < source.recordCount(); ++r) {
        Row row(m_defs.size());
        for (size_t f = 0; f < from.size(); ++f)
            if (from[f] >= 0)
                row[f] = source.valueAt(r, from[f]);
        rows.push_back(std::move(row));
    }
    setRows(std::move(rows));
}

QVariant DataSet::valueAt(int row, int column) const
{
    if (row < 0 || row >= int(m_view.size()) || column < 0 || column >= int(m_defs.size()))
        return QVariant();
    return m_view[size_t(row)]->values[size_t(column)];
}

void DataSet::setRows(std::vector<Row> rows)
{
    std::vector<std::unique_ptr<StoredRow>> old = std::move(m_store->rows);
    m_store->rows.clear();
    m_store->rows.reserve(rows.size());
    for (auto &r : rows) {
        r.resize(m_defs.size());
        m_store->make(std::move(r), m_store->rows.size());
    }
    rowsReplaced();
}

void DataSet::rowsReplaced()
{
    rebuildView();
    if (active()) {
        m_state = State::Browse;
        m_buffer.clear();
        m_modified = false;
        setCursor(m_view.empty() ? -1 : 0);
        m_bof = true;
    }
    emitReset();
    notifySharers(0, true);
}

void DataSet::emptyTable() { setRows({}); }

DataSet::PreparedRows::PreparedRows() = default;
DataSet::PreparedRows::PreparedRows(PreparedRows &&) noexcept = default;
DataSet::PreparedRows &DataSet::PreparedRows::operator=(PreparedRows &&) noexcept = default;
DataSet::PreparedRows::~PreparedRows() = default;

DataSet::PreparedRows::PreparedRows(std::vector<FieldDef> defs, std::vector<Row> rows)
    : m_defs(std::move(defs))
    , m_store(std::make_shared<Store>())
{
    m_store->rows.reserve(rows.size());
    for (auto &r : rows) {
        r.resize(m_defs.size());
        m_store->make(std::move(r), m_store->rows.size());
    }
}

int DataSet::PreparedRows::rowCount() const { return m_store ? int(m_store->rows.size()) : 0; }

DataSet::PreparedRows DataSet::adoptRows(PreparedRows prepared)
{
    PreparedRows old;
    old.m_defs = m_defs;
    old.m_store = m_store; // kept alive here: the caller decides where it is freed
    std::shared_ptr<Store> store = std::move(prepared.m_store);
    if (!store)
        store = std::make_shared<Store>();
    resetStructure(std::move(prepared.m_defs), std::move(store));
    rowsReplaced();
    return old;
}

QVariant DataSet::currentValue(int column) const
{
    if (column < 0 || column >= int(m_defs.size()))
        return QVariant();
    if (m_state == State::Insert || m_state == State::Edit)
        return m_buffer[size_t(column)];
    if (m_cursor < 0 || m_cursor >= int(m_view.size()))
        return QVariant();
    return m_view[size_t(m_cursor)]->values[size_t(column)];
}

void DataSet::setCurrentValue(int column, const QVariant &v)
{
    requireActive();
    if (m_state == State::Browse)
        throw DataSetError(QStringLiteral("Dataset not in edit or insert mode"));
    if (column < 0 || column >= int(m_defs.size()))
        throw DataSetError(QStringLiteral("Field index out of range"));
    m_buffer[size_t(column)] = coerceToFieldType(v, m_defs[size_t(column)].type);
    m_modified = true;
    if (m_disabled == 0 && m_editPos >= 0)
        emit rowChanged(m_editPos);
}
