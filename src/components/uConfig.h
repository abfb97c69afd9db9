#pragma once

#include "components/XRWidget.h"

#include <QDialog>
#include <QPointer>

#include <functional>

class DataSet;
class QButtonGroup;
class QCheckBox;
class QChart;
class QChartView;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTabWidget;
class TXRCurrEdit;
class TXRDBGrid;

// Colour names as settings store them: the constant name ("clRed") when the
// colour has one, else "$00BBGGRR". One table serves both ways.
QString ColorToString(const QColor &cor);
// Reads either form (or a decimal number); false when it is neither.
bool StringToColor(const QString &nome, QColor &cor);

// The settings of a tile's current kind (gauge bands and range, or chart
// series, style and switches) and its title.
class TFmWidConfig : public QDialog {
    Q_OBJECT
public:
    explicit TFmWidConfig(TXRWidget *widget, QWidget *parent = nullptr);
    ~TFmWidConfig() override;

    QLineEdit *EdtTitulo = nullptr;
    QTabWidget *PageControl = nullptr;
    QWidget *TsGrafico = nullptr;
    QWidget *TsGauge = nullptr;
    QListWidget *ClValores = nullptr;
    QGroupBox *RgEstilo = nullptr;
    QSpinBox *EdPontosPagina = nullptr;
    QCheckBox *cbLegenda = nullptr;
    QCheckBox *cbValores = nullptr;
    QChartView *Chart1 = nullptr;
    TXRDBGrid *DbgGauge = nullptr;
    DataSet *TbGauge = nullptr;
    QLabel *LblQtLegenda = nullptr;
    QLineEdit *EdtQtLegenda = nullptr;
    QCheckBox *cbTemLegenda = nullptr;
    QCheckBox *CbPercento = nullptr;
    QLineEdit *EdtMascara = nullptr;
    TXRCurrEdit *EdtMinimo = nullptr;
    TXRCurrEdit *EdtMaximo = nullptr;
    QPushButton *BitBtn1 = nullptr;
    QPushButton *BitBtn2 = nullptr;
    bool bAtualiza = false;

    // The colour dialog; tests answer it. An invalid colour is a cancel.
    std::function<QColor(const QColor &inicial)> ColorDialog1;

    // The selected style item, -1 for none.
    int EstiloSelecionado() const;
    void SelecionaEstilo(int item);

    void FormShow();
    void BitBtn1Click();
    void BitBtn2Click();
    void RgEstiloClick();
    void DbgGaugeDblClick();
    void EdtMascaraExit();

protected:
    void showEvent(QShowEvent *e) override;

private:
    void CriaControles();
    QWidget *CriaPaginaGrafico();
    QWidget *CriaPaginaGauge();
    void MostraSoPagina(QWidget *pagina);
    void CarregaGauge(const TGauge &g, bool web);
    void CarregaGrafico(const TSeries &series, bool legenda, bool valores, int pontos);
    bool SessoesEmOrdem();
    void AplicaGauge(TGauge &g, bool web);
    // false when no entry matched a series definition (its message shown)
    bool AplicaVisibilidade(TSeries &series);
    void AplicaEstilo(TSeries &series, TStyle escolhido);
    void AplicaGrafico();
    void AplicaWebChart();
    void PreencheExemplo();
    void AjustaExemplo();

    QPointer<TXRWidget> FWidget;
    QButtonGroup *m_estilos = nullptr;
};
