#pragma once

#include "components/untTelaSimples.h"
#include "sync/EnvioPedidosControle.h"

class QAction;
class QDateEdit;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class TPesquisa;
class TXRDBGrid;

// "Envio de Pedido": ticks closed, unsent orders and sends them as one batch.
class TfmEnvioPedidos : public TfmTelaSimples {
    Q_OBJECT
public:
    explicit TfmEnvioPedidos(QWidget *dono = nullptr);

    TEnvioPedidosControle &Controle() { return m_c; }
    DataSet *CDSPedidos() { return &m_c.CDSPedidos; }

    QDateEdit *EdtEmiIni, *EdtEmiFim;
    QLineEdit *edtCodCli, *edtNomeCli;
    TPesquisa *PqCliente;
    QLabel *LbLote;
    QPushButton *BtnConsultar, *btnSincronizar;
    QProgressBar *pbEnvio;
    TXRDBGrid *DBGPadrao;
    QMenu *pmEnvioPed;
    QAction *ConsiderarEnviado;

    void AtualizaListaPedidos();
    void BtnConsultarClick();
    void btnSincronizarClick();
    void ConsiderarEnviadoClick();
    void pmEnvioPedPopup();
    void edtCodCliChange();

protected:
    void FormShow() override;
    void FormClose(TCloseAction &action) override;

private:
    void CriaControles();
    void MostraRejeitados(const QStringList &linhas);

    TEnvioPedidosControle m_c;
};

// The program body registers the window as "TfmEnvioPedidos" (the registry
// lives with the windows, which never reach sync).
