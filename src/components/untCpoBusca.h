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
class TConsultaSegundoPlano;
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
    // Starts the search on a connection of its own and returns; the rows
    // replace the shown ones when they arrive, unless a newer search was
    // started meanwhile.
    void ExecutaBusca(const QString &sql, const QString &ordem, const QString &texto);
    // A search started has not shown its rows (or its failure) yet.
    bool Buscando() const;
    // Runs the event loop until the current search is shown, at most
    // limiteMs; false when it is still running.
    bool AguardaBusca(int limiteMs = 10000);
    void FiltraLocal();
    void Timer1Timer();
    void Confirma(bool marcaAtual);
    QString ListaSelecao(const QString &Campo) const;
    QString CampoBusca() const; // current search column

    // Stored search definitions and their registration window.
    QString ResolveTabela(const QString &sql);
    bool VerificaAcesso(const QString &classe, const QString &usuario);
    void AbreCadastro(const QString &pacote, const QString &classe);
    void AplicaVisual(QWidget *form);

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
    QString vForm; // registration window class of the stored definition
    QString vbpl;  // its package name: kept, windows here are all built in

    TXRQuery *QryBusca;
    TXRQuery *QryAux;
    TXRQuery *QryDbLocal;
    TXRQuery *QryAcesso;
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
    // The stored definition of vTabela: its SELECT (table names resolved)
    // and captions; false when there is none.
    bool LeDefinicaoGravada(QString &sql, QStringList &titulos);
    void RecebeBusca(std::vector<FieldDef> &campos, std::vector<Row> &linhas, const QString &erro);
    void LocalizaTabela();
    void CriaTabelaSelecao();
    void MontaColunas();
    void CbCaptionChange(int index);
    void TituloClick(int column);
    void MostraFalha(const std::exception &e);
    void MostraFalha(const QString &texto);
    DataSet *Mostrado() const;

    bool m_confirmado = false;
    bool m_carregando = false;
    TConsultaSegundoPlano *m_busca;
    QStringList m_linhasPedidas; // the statement of the newest search
    bool m_localizaTabela = false; // the first rows position the button's table
};

// The last search form opened.
extern QPointer<TfrmCpoBusca> frmCpoBusca;
