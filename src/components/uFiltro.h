#pragma once

#include "components/XRWidget.h"

#include <QDialog>
#include <QPointer>

class DataSet;
class Field;
class QPushButton;
class TXRDBGrid;

// The parameter values of a tile's statement: each parameter with its
// caption, the operator in front of it in the SQL and its value. OK writes
// the values into the tile query; the tile then refreshes with them.
class TFFiltros : public QDialog {
    Q_OBJECT
public:
    explicit TFFiltros(TXRWidget *widget, QWidget *parent = nullptr);
    ~TFFiltros() override;

    // The operator written just before ":name" in the SQL ("" when absent).
    static QString OperadorDe(const QString &sql, const QString &nome);

    TXRDBGrid *DbgFiltros = nullptr;
    DataSet *CdsFiltros = nullptr;
    QPushButton *BtnOK = nullptr;
    QPushButton *BtnRestaurar = nullptr;
    QPushButton *BtnDesistir = nullptr;
    QPushButton *BtnFechar = nullptr;
    bool bAtualiza = false;

    void FormShow();
    void BtnOKClick();
    void BtnRestaurarClick();
    void BtnDesistirClick();
    void BtnFecharClick();

    // Today for the "t" key; tests pin it.
    std::function<QDate()> Hoje = [] { return QDate::currentDate(); };

protected:
    void showEvent(QShowEvent *e) override;
    bool eventFilter(QObject *obj, QEvent *e) override;

private:
    void CriaControles();
    void CdsFiltrosFiltroValidate(Field &f);
    const TParamWidget *ParametroDe(const QString &nome) const;
    bool LinhaDeData() const;
    bool TrataTeclaData(QObject *editor, QKeyEvent *e);

    QPointer<TXRWidget> FWidget;
    TParamsWidget FParams;
    bool m_preenchendo = false;
};
