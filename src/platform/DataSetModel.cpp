#include "platform/DataSetModel.h"

#include "platform/Formats.h"

#include <QItemSelectionModel>

#include <algorithm>

DataSetModel::DataSetModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void DataSetModel::setDataSet(DataSet *ds)
{
    beginResetModel();
    for (const auto &c : m_conns)
        disconnect(c);
    m_conns.clear();
    m_ds = ds;
    if (ds) {
        m_conns << connect(ds, &DataSet::rowsReset, this, &DataSetModel::onReset);
        m_conns << connect(ds, &DataSet::structureChanged, this, &DataSetModel::onReset);
        m_conns << connect(ds, &DataSet::rowChanged, this, &DataSetModel::onRowChanged);
        m_conns << connect(ds, &DataSet::currentChanged, this, &DataSetModel::onCurrentChanged);
        m_conns << connect(ds, &DataSet::stateChanged, this, &DataSetModel::onStateChanged);
    }
    setColumns(m_fields, m_titles);
    endResetModel();
    m_rowCount = rowCount();
}

void DataSetModel::setColumns(const QStringList &fieldNames, const QStringList &titles)
{
    beginResetModel();
    m_fields = fieldNames;
    m_titles = titles;
    m_fieldIdx.clear();
    if (m_ds) {
        if (m_fields.isEmpty()) {
            for (int i = 0; i < m_ds->fieldCount(); ++i)
                m_fieldIdx.push_back(i);
        } else {
            for (const QString &f : m_fields)
                m_fieldIdx.push_back(m_ds->fieldIndex(f));
        }
    }
    endResetModel();
    m_rowCount = rowCount();
}

QString DataSetModel::columnField(int column) const
{
    const int i = fieldIndexOfColumn(column);
    return i < 0 ? (column < m_fields.size() ? m_fields[column] : QString()) : m_ds->fieldDefs()[size_t(i)].name;
}

int DataSetModel::fieldIndexOfColumn(int column) const
{
    if (!m_ds || column < 0 || column >= int(m_fieldIdx.size()))
        return -1;
    const int i = m_fieldIdx[size_t(column)];
    return i < m_ds->fieldCount() ? i : -1;
}

void DataSetModel::bindSelection(QItemSelectionModel *selection)
{
    if (m_selection)
        disconnect(m_selection, nullptr, this, nullptr);
    m_selection = selection;
    if (selection) {
        connect(selection, &QItemSelectionModel::currentChanged, this, &DataSetModel::onViewCurrentChanged);
        onCurrentChanged(m_ds ? m_ds->recNo() - 1 : -1);
    }
}

int DataSetModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_ds || !m_ds->active())
        return 0;
    return m_ds->recordCount() + (m_ds->state() == DataSet::State::Insert ? 1 : 0);
}

int DataSetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_fieldIdx.size());
}

QVariant DataSetModel::rawValue(int row, int column) const
{
    const int f = fieldIndexOfColumn(column);
    if (f < 0)
        return QVariant();
    const int editPos = m_ds->editPosition();
    if (editPos >= 0) {
        if (row == editPos)
            return m_ds->currentValue(f);
        if (m_ds->state() == DataSet::State::Insert && row > editPos)
            --row;
    }
    return m_ds->valueAt(row, f);
}

QVariant DataSetModel::data(const QModelIndex &index, int role) const
{
    ++dataCalls;
    if (!index.isValid() || !m_ds)
        return QVariant();
    const int f = fieldIndexOfColumn(index.column());
    if (f < 0)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole: {
        const Field *fld = m_ds->field(f);
        return Field::displayTextOf(rawValue(index.row(), index.column()), fld->dataType(), fld->displayFormat);
    }
    case Qt::EditRole:
        return Field::displayTextOf(rawValue(index.row(), index.column()), m_ds->fieldDefs()[size_t(f)].type, {});
    case Qt::TextAlignmentRole:
        if (isNumericType(m_ds->fieldDefs()[size_t(f)].type))
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return QVariant();
    }
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section >= 0 && section < m_titles.size())
        return m_titles[section];
    const int f = fieldIndexOfColumn(section);
    if (f < 0)
        return QVariant();
    const Field *fld = m_ds->field(f);
    return fld->displayLabel.isEmpty() ? fld->fieldName() : fld->displayLabel;
}

Qt::ItemFlags DataSetModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags fl = QAbstractTableModel::flags(index);
    const int f = fieldIndexOfColumn(index.column());
    if (!readOnly && f >= 0 && !m_ds->field(f)->readOnly)
        fl |= Qt::ItemIsEditable;
    return fl;
}

bool DataSetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !m_ds || !index.isValid())
        return false;
    const int f = fieldIndexOfColumn(index.column());
    if (f < 0)
        return false;
    try {
        applyEdit(index.row(), f, value);
    } catch (const EAbort &) {
        return false;
    } catch (const std::exception &e) {
        const auto *db = dynamic_cast<const EDatabaseError *>(&e);
        emit errorRaised(db ? db->message() : QString::fromUtf8(e.what()));
        return false;
    }
    return true;
}

void DataSetModel::applyEdit(int row, int f, const QVariant &value)
{
    const QModelIndex index = this->index(row, 0);
    if (m_ds->editPosition() != index.row()) {
        if (m_ds->recNo() != index.row() + 1)
            m_ds->setRecNo(index.row() + 1);
        m_ds->edit();
    }
    QVariant v = value;
    const FieldType t = m_ds->fieldDefs()[size_t(f)].type;
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString();
        if (s.isEmpty() && t != FieldType::String && t != FieldType::Memo)
            v = QVariant();
        else if (isNumericType(t)) {
            double d = 0;
            if (!fmt::tryStrToFloat(s, d))
                throw EDatabaseError(QStringLiteral("'%1' is not a valid floating point value").arg(s));
            v = d;
        } else if (t == FieldType::Date || t == FieldType::DateTime)
        {
            QDate d;
            if (!fmt::tryStrToDate(s, d))
                throw EDatabaseError(QStringLiteral("'%1' is not a valid date").arg(s));
            v = d;
        }
    }
    m_ds->field(f)->setValue(v);
}

void DataSetModel::onReset()
{
    beginResetModel();
    if (m_ds) {
        // fields may have been redefined
        std::vector<int> idx;
        if (m_fields.isEmpty()) {
            for (int i = 0; i < m_ds->fieldCount(); ++i)
                idx.push_back(i);
        } else {
            for (const QString &f : m_fields)
                idx.push_back(m_ds->fieldIndex(f));
        }
        m_fieldIdx = idx;
    }
    endResetModel();
    m_rowCount = rowCount();
    onCurrentChanged(m_ds ? m_ds->recNo() - 1 : -1);
}

void DataSetModel::onStateChanged()
{
    // Starting or ending an edit leaves the rows where they are, and changed
    // values come with their own signals. A reset, or a dataChanged over an
    // open cell editor, would throw away the text typed in it.
    if (rowCount() != m_rowCount || rowCount() == 0) {
        onReset();
        return;
    }
    onCurrentChanged(m_ds ? m_ds->recNo() - 1 : -1);
}

void DataSetModel::onRowChanged(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    emit dataChanged(index(row, 0), index(row, std::max(0, columnCount() - 1)));
}

void DataSetModel::onCurrentChanged(int)
{
    if (!m_selection || m_syncing || !m_ds)
        return;
    const int row = m_ds->recNo() - 1;
    const QModelIndex cur = m_selection->currentIndex();
    if (row < 0 || row >= rowCount() || (cur.isValid() && cur.row() == row))
        return;
    const int column = cur.isValid() ? cur.column() : std::clamp(m_column, 0, std::max(0, columnCount() - 1));
    m_syncing = true;
    m_selection->setCurrentIndex(index(row, column), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_syncing = false;
}

void DataSetModel::onViewCurrentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    if (current.isValid())
        m_column = current.column();
    if (m_syncing || !m_ds || !m_ds->active() || !current.isValid())
        return;
    if (previous.isValid() && previous.row() == current.row())
        return;
    const int editPos = m_ds->editPosition();
    if (editPos == current.row())
        return;
    if (m_ds->recNo() == current.row() + 1 && editPos < 0)
        return;
    m_syncing = true;
    QString error;
    try {
        if (cancelsBlankInsert && !readOnly && m_ds->state() == DataSet::State::Insert && !m_ds->modified()) {
            // the blank row goes away, so rows below it move up one
            const int target = current.row() > editPos ? current.row() - 1 : current.row();
            m_ds->cancel();
            m_ds->setRecNo(target + 1);
        } else {
            m_ds->setRecNo(current.row() + 1);
        }
    } catch (const EAbort &) {
    } catch (const std::exception &e) {
        const auto *db = dynamic_cast<const EDatabaseError *>(&e);
        error = db ? db->message() : QString::fromUtf8(e.what());
    }
    m_syncing = false;
    // a refused move leaves the view on the dataset's record; a reset on the
    // way left the view with no current cell
    const QModelIndex now = m_selection ? m_selection->currentIndex() : QModelIndex();
    if (!now.isValid() || now.row() != m_ds->recNo() - 1 || m_ds->editPosition() >= 0)
        onCurrentChanged(m_ds->recNo() - 1);
    if (!error.isEmpty())
        emit errorRaised(error);
}
