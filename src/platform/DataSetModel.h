#pragma once

#include "platform/DataSet.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QStringList>

class QItemSelectionModel;

// Shows a dataset in a view. Painting reads rows by position and never moves
// the dataset's cursor; with a selection model bound, the view's current row
// and the cursor follow each other, so leaving an edited row posts it. After
// a reset the view's current cell is the dataset's record in the column that
// was current before.
class DataSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DataSetModel(QObject *parent = nullptr);

    void setDataSet(DataSet *ds);
    DataSet *dataSet() const { return m_ds; }

    // Field names shown as columns, in order; empty means every field.
    void setColumns(const QStringList &fieldNames, const QStringList &titles = {});
    QString columnField(int column) const;
    int fieldIndexOfColumn(int column) const; // -1 when the column names no field

    void bindSelection(QItemSelectionModel *selection);
    // The view's current column, remembered while the view has no current cell.
    int lastColumn() const { return m_column; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // The stored value at a view row, the edit buffer for the row being edited.
    QVariant rawValue(int row, int column) const;
    // The dataset record number a view row stands for.
    int recNoOfRow(int row) const { return row + 1; }

    bool readOnly = false;
    // Leaving an inserted record nobody has typed into cancels it instead of
    // posting a blank one.
    bool cancelsBlankInsert = false;
    // Counts data() calls; read by the benchmark.
    mutable qint64 dataCalls = 0;

signals:
    // A failure while following the view (a refused post); the widget shows it.
    void errorRaised(const QString &message);

private:
    void applyEdit(int row, int field, const QVariant &value);
    void onReset();
    void onStateChanged();
    void onRowChanged(int row);
    void onCurrentChanged(int row);
    void onViewCurrentChanged(const QModelIndex &current, const QModelIndex &previous);

    QPointer<DataSet> m_ds;
    QStringList m_fields;
    QStringList m_titles;
    std::vector<int> m_fieldIdx;
    QPointer<QItemSelectionModel> m_selection;
    bool m_syncing = false;
    int m_column = 0;   // the view's current column, kept across resets
    int m_rowCount = 0; // rows the views were last told about
    QList<QMetaObject::Connection> m_conns;
};
