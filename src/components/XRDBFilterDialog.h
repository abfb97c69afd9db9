#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

class TXRDBGrid;
class TFmDBFilterDialog;

// The filter a grid offers: conditions typed in a window become a filter
// expression laid over the dataset's own filter.
class TXRDBFilterDialog : public QObject {
    Q_OBJECT
public:
    explicit TXRDBFilterDialog(QObject *owner = nullptr);
    ~TXRDBFilterDialog() override;

    QPointer<TXRDBGrid> DBGrid;
    QString Colunas;     // the whole expression last applied
    QStringList Campos; // "*" + field name + "*" per filtered field

    // Shows the window modally; true when it closed with OK.
    bool Execute();
    void EmptyFilter();
    TFmDBFilterDialog *Form();

private:
    QPointer<TFmDBFilterDialog> FmFiltro;
};
