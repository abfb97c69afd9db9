#pragma once

#include "components/untTelaSimples.h"
#include "platform/DataSet.h"

#include <QPointer>
#include <QVariant>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class TXRDBGrid;

// "Verificação de Cargas": loads the back office's master data for the
// representative, or only its stock quantities.
class TfmCargas : public TfmTelaSimples {
    Q_OBJECT
public:
    explicit TfmCargas(QWidget *dono = nullptr);
    ~TfmCargas() override;

    bool bConexao = false;
    int iVersaoServ = 0;

    DataSet *CDSUltimo;
    DataSet *CDSUltSincr;
    DataSet *CDSCfgDisponivel;

    QGroupBox *gbUltimaSincronizacao;
    QLineEdit *edtCarga;
    QLineEdit *edtSincronizacao;
    QLineEdit *edtHora;
    QLineEdit *edtDescricao;
    QLineEdit *edtLiberacao;
    QLineEdit *edtValidade;
    TXRDBGrid *grdCfgDisponivel;
    QCheckBox *chkRecarregarClientes;
    QPushButton *btnSincronizar;
    QPushButton *BtnEstoque;
    QPushButton *BtFechar;
    QProgressBar *ProgressBar1;

    void btnSincronizarClick();
    void BtnEstoqueClick();
    void BtFecharClick();

    // A load or stock update is being written.
    bool Carregando() const { return m_carregando; }
    // The program version ("a.b.c.d") reported and gated on; the
    // executable's own unless set.
    QString VersaoPrograma() const { return m_versao; }
    void SetVersaoPrograma(const QString &versao) { m_versao = versao; }

protected:
    void FormShow() override;
    void FormClose(TCloseAction &action) override;

private:
    void CriaControles();
    void FormCreate();
    QVariant ValorConfig(const QString &nome, char tipo) const;
    void CarregaUltimaSincronizacao();
    void MostraUltimaSincronizacao();
    bool GravaTabelasCarga();
    // Everything a load writes, as one unit committed at its end; false
    // after the failed step's message, with the unit rolled back.
    bool GravaCarga(const QString &codRep, int config);
    // The unit's steps; the failed step's message, empty when all went well.
    QString GravaUnidadeCarga(const QString &codRep, int config);
    // The representative's data and the offered configuration into CONFIG.
    bool GravaConfiguracao(const QString &codRep, int config);
    void Informa(const QString &texto);
    bool Confirma();
    bool PedidoAberto();
    // Bar moved, repainted and the event loop run (user input held back).
    void Progresso(int posicao, int maximo);

    QString m_versao;
    bool m_carregando = false;
};

// What the window registry makes for the class name "TfmCargas".
QWidget *CriaJanelaCargas(QWidget *dono);
