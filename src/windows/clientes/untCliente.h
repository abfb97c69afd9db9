#pragma once

#include "components/untTelaSimples.h"
#include "windows/clientes/regras/RegrasCliente.h"

#include <memory>

class DataSet;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class TPesquisa;
class TXRDBGrid;
class TConsultaSegundoPlano;

// Search, view, create, change and delete the local customers and their
// contacts.
class TfmCliente : public TfmTelaSimples {
    Q_OBJECT
public:
    explicit TfmCliente(QWidget *dono = nullptr);
    ~TfmCliente() override;

    QTabWidget *PgCliente;
    QWidget *TsAcesso, *TsManutencao, *TsContatos;
    QWidget *PnManutencao, *PnNavegacao, *PnConfirma;
    QPushButton *BtnIncluir, *BtnAlterar, *BtnExcluir, *BtnConsultar, *BtnSair, *BtnConfirmar, *BtnDesistir;

    // Maintenance
    QLineEdit *DBCodigo;
    QDateEdit *DBCadastro;
    QRadioButton *RbFisica, *RbJuridica;
    QLineEdit *DBNome, *DBFantasia, *DBCnpj, *DBInscricao, *DBTelefone, *DBEMail, *DBCep, *DBCidade;
    QComboBox *CBUf;
    QLineEdit *DBEndereco, *DBNumero, *DBComplemento, *DBBairro, *DBDias, *DBPrzMedio;
    QPlainTextEdit *DBObservacao;
    QRadioButton *RbNaoTransmitido, *RbTransmitido, *RbNaoTransmitir;

    // Contacts
    DataSet *CDSContato;
    TXRDBGrid *GridContato;
    QPlainTextEdit *MemoContato;

    // Search
    QDateEdit *EdtDe, *EdtAte;
    QLineEdit *EdtCodCli, *EdtCnpjBusca, *EdtFantasiaBusca, *EdtTelefoneBusca, *EdtEmailBusca, *EdtCidadeBusca;
    QLabel *LblNomeCli;
    QComboBox *CBUfBusca;
    TPesquisa *PqCliente, *PqConsulta;
    QPushButton *BtnConsultarBusca, *BtnFecharBusca;
    DataSet *QConsulta; // the search's rows
    TConsultaSegundoPlano *Consulta;
    TXRDBGrid *GridConsulta;

    bool EmEdicao() const { return m_edicao; }
    // A search is still running.
    bool Consultando() const;
    void ModoConsulta(bool consulta);
    void LimpaTela();
    void CarregaCliente(const QString &codigo);

    void BtnIncluirClick();
    void BtnAlterarClick();
    void BtnDesistirClick();
    void BtnExcluirClick();
    void BtnConfirmarClick();
    void BtnConsultarBuscaClick();
    void GridConsultaDblClick();
    void TipoClick();

protected:
    void FormShow() override;
    void FormClose(TCloseAction &action) override;
    bool eventFilter(QObject *obj, QEvent *event) override;

private:
    void CriaManutencao(QWidget *pagina);
    void CriaContatos(QWidget *pagina);
    void CriaAcesso(QWidget *pagina);
    void CriaBarras();
    void Liga();
    void TrocaPagina(int indice);
    TDadosCliente LeTela() const;
    void MostraDados(const TDadosCliente &c);
    bool SaiEmail();
    bool SaiCnpj();
    void TeclaContato(int &tecla);
    void MostraTextoContato();
    void Aviso(const QString &texto);
    QWidget *CampoPorNome(const QString &nome) const;

    bool m_edicao = false;
    bool m_trocandoPagina = false;
    std::unique_ptr<DataSet> m_contatos;
    std::unique_ptr<DataSet> m_resultado;

signals:
    // The rows of the newest search are shown.
    void ConsultaConcluida();
};

void RegistraJanelaCliente();
