#pragma once

#include "platform/DataSet.h"

#include <QDialog>
#include <QPointer>

#include <memory>

class QComboBox;
class QLineEdit;
class QToolButton;
class QPushButton;
class TXRDBFilterDialog;

// The "Filtrar dados" window: up to three conditions kept in TbColunas.
class TFmDBFilterDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFmDBFilterDialog(QWidget *parent = nullptr);
    ~TFmDBFilterDialog() override;

    static const QStringList &Operadores();
    // The expression part of one condition (without its connector).
    static QString Condicao(const QString &fieldName, FieldType type, int operador, const QString &valor);

    QPointer<TXRDBFilterDialog> oDBFilter;
    DataSet *TbColunas() const { return m_tbColunas.get(); }
    QWidget *Painel(int i) const;
    QStringList oListColumns;

    void BitBtn2Click(); // confirm
    void BitBtn3Click(); // cancel
    void Image1Click();
    void Image2Click(int painel);
    void LimpaColunas();

protected:
    void showEvent(QShowEvent *e) override;
    void done(int r) override;

private:
    struct PainelCtl;
    void BuildUi();
    void CarregaPaineis();
    void GravaCampo(int painel, const QString &campo, const QVariant &valor);
    bool Valida(DataSet *ds);

    std::unique_ptr<DataSet> m_tbColunas;
    std::vector<Row> TbOri;
    QString sFiltrosOriginais;
    std::vector<std::unique_ptr<PainelCtl>> m_paineis;
    QStringList m_titulos;
    bool m_carregando = false;
};
