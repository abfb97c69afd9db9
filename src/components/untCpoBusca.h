#pragma once

#include "platform/DataSet.h"

#include <QDialog>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>

class QComboBox;
class QLineEdit;
class QTimer;
class QToolButton;
class QPushButton;
class TPesquisa;
class TXRDBGrid;
class TXRDatabase;
class TXRQuery;
class TXRTable;

// The "Pesquisa Padrão" form over a SELECT text.
class TfrmCpoBusca : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCpoBusca(QWidget *parent = nullptr);
    ~TfrmCpoBusca() override;

    // The statement lines of one search: the SELECT with its WHERE part and
    // the LIKE condition of the search column (types as "ftString", ...).
    static QStringList MontaSQL(const QString &sql, const QStringList &filtro, const QString &coluna,
                                const QString &tipoColuna, const QString &texto, int tipoBusca, const QString &ordem,
                                const QString &driver);
    static QString NomeTipo(FieldType t);
    // Values quoted (quotes doubled), joined by ",", without the very first
    // and last quote: the caller supplies those.
    static QString JuntaSelecao(const QStringList &valores);

    void SetDatabase(TXRDatabase *db);
    void ExecutaBusca(const QString &sql, const QString &ordem, const QString &texto);
    void FiltraLocal();
    void Timer1Timer();
    void Confirma(bool marcaAtual);
    QString ListaSelecao(const QString &Campo) const;
    QString CampoBusca() const; // current search column

    // Handed over by the button.
    QString vTabela;
    QString vChave;
    QString VEmpresa;
    TXRTable *FTable = nullptr;
    QPointer<TPesquisa> fPesquisa;
    std::function<void(TPesquisa *)> EOnFecha;
    bool FMultiCel = false;
    QStringList FWhere;
    QString FSQL;
    QString sTexto;

    TXRQuery *QryBusca;
    TXRQuery *QryAux;
    DataSet *TbBusca;
    TXRDBGrid *DBGrid1;
    QComboBox *CbCaption;
    QComboBox *CbTipo;
    QComboBox *CbChave;
    QComboBox *CbDataTypes;
    QLineEdit *EdtBusca;
    QToolButton *imgConsulta;
    QToolButton *ImgCadastra;
    QPushButton *BitBtn2;
    QPushButton *BitBtn3;
    QTimer *Timer1;

protected:
    void showEvent(QShowEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BuildUi();
    void CarregaDefinicao();
    void CriaTabelaSelecao();
    void MontaColunas();
    void CbCaptionChange(int index);
    void TituloClick(int column);
    void MostraFalha(const std::exception &e);
    DataSet *Mostrado() const;

    bool m_confirmado = false;
    bool m_carregando = false;
};

// The last search form opened.
extern QPointer<TfrmCpoBusca> frmCpoBusca;
