#pragma once

#include "components/untFormXRSkin.h"
#include "data/untDMRepres.h"
#include "windows/principal/regras/GraficosPrincipal.h"
#include "windows/nucleo/InterfacesJanelas.h"

#include <array>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QStatusBar;
class QTimer;
class QToolButton;
class TEstadoFTP;
class TXRQuery;
class TXRUnZip;
class TXRWidget;

// What the main window calls that lives elsewhere; empty ones are skipped.
struct TGanchosPrincipal {
    // The login run while the window is made; true when it succeeded.
    // Empty: the login window, shown modally.
    std::function<bool(QWidget *dono)> Login;
    // The automatic update check, run after the update window was opened.
    std::function<void()> VerificaAtualizacao;
    // Fills the reports menu from the server.
    std::function<void()> SincronizaRelatorios;
};

// One dashboard tile: its SQL, its place and the tile itself.
struct TWidgetPainel {
    QString nome;
    QString titulo;
    QString sql;
    QRect retangulo;
    bool visivel = true;
    TXRWidget *widget = nullptr;
};

class TfmPrincipal : public TfmXRSkin, public IJanelaPrincipalRepres, public IRelatoriosPrincipal {
    Q_OBJECT
public:
    explicit TfmPrincipal(TGanchosPrincipal ganchos = {}, QWidget *parent = nullptr);
    ~TfmPrincipal() override;

    bool bLogin() const { return m_bLogin; }
    bool bAtualizar() const { return FbAtualizar; }
    void SetbAtualizar(bool v) { FbAtualizar = v; }
    bool bBaixou() const { return FbBaixou; }
    void SetbBaixou(bool v) { FbBaixou = v; }

    // Code of the report chosen in the reports menu.
    QString FRelatorio;
    // The update window's FTP session while that window exists.
    std::shared_ptr<TEstadoFTP> IdFTP;

    // The server clients that get the address from CONFIG on show.
    void DefineServidores(std::vector<IServidorEndereco *> servidores) { m_servidores = std::move(servidores); }

    // Puts a window opened by class name into the MDI area.
    void AdicionaFilhoMdi(QWidget *janela);

    QMdiArea *MdiArea;
    QStatusBar *sBar;
    QLabel *ImgFundo;
    QLabel *imgFundoXR;
    QWidget *pnlLateral;
    QWidget *pnlCliente;
    QWidget *pnlPedido;
    QWidget *pnlCarga;
    QWidget *pnlEnvio;
    QWidget *pnlRelatorio;
    QWidget *pnlAtt;
    QWidget *pnlConfig;
    QMenu *PMenuRelatorio;
    TXRQuery *QryGrafico;
    TXRUnZip *XRUnZip1;
    QTimer *TimerBar;
    QTimer *Timer1;
    QAction *AEditorSQL;

    QString TextoPainel(int painel) const;
    const std::array<TWidgetPainel, kNumGraficos> &Widgets() const { return m_widgets; }
    TXRWidget *Widget(TGrafico g) const { return m_widgets[std::size_t(g)].widget; }

    void TimerBarTimer();
    void Timer1Timer();
    void AEditorSQLExecute();
    // Builds and test-runs the tiles' SQL; throws at the first failing text.
    void MontaGraficos();
    void PosicionaWidgets();
    void AlternaWidgets();
    bool ExisteTelaAberta() const;
    void pnlRelatorioClick();

    // The local-database module's view of this window.
    void MostraImagemPadrao(bool visivel) override;
    bool MostraImagemFundo(const QByteArray &jpeg) override;
    void LimpaImagemFundo() override;
    void EscondeRelatorio() override;

    void setVisible(bool visible) override;

    // Reports menu: the definitions downloaded from the server, kept for the run.
    DataSet *CDSRelatorio;
    DataSet *CDSRelParam;
    // Pause after each wait-window text, in milliseconds.
    int PausaEsperaMs = 1000;
    void DefineServidorRelatorios(IServidorConsultas *servidor) { m_servidorRelatorios = servidor; }
    void SincronizaRelatorios();
    void ConfirmaSincronizacaoRelatorios();
    void ItemRelatorioClick(QAction *item);
    DataSet *TabelaRelatorios() override { return CDSRelatorio; }
    DataSet *TabelaParametros() override { return CDSRelParam; }
    QString RelatorioEscolhido() const override { return FRelatorio; }

protected:
    void FormShow() override;
    void FormCloseQuery(bool &canClose) override;
    void FormClose(TCloseAction &action) override;
    bool eventFilter(QObject *obj, QEvent *event) override;

private:
    void FormCreate();
    void FormDestroy();
    void CriaWidgets();
    void ConfiguraWidget(TGrafico g, TXRWidget *w);
    void ExecutaWidgets();
    void CriaControles();
    QWidget *CriaBarraSuperior();
    QWidget *CriaBarraLateral();
    QWidget *CriaEntradaLateral(const QString &nome, const QString &dica, const QString &simbolo);
    void CriaBarraStatus();
    void DestacaBotao(QWidget *painel, bool destaca);
    void CliqueLateral(QWidget *painel);
    void DefineServidoresDoConfig();
    bool PedidoEmEdicao() const;

    TGanchosPrincipal m_ganchos;
    IServidorConsultas *m_servidorRelatorios = nullptr;
    void CriaTabelasRelatorio();
    bool BaixaTabelaRelatorio(const QString &sql, DataSet &destino, bool definicoes, const QString &falha);
    void MontaMenuRelatorios();
    std::vector<IServidorEndereco *> m_servidores;
    bool m_bLogin = false;
    bool FbAtualizar = false;
    bool FbBaixou = false;
    std::array<QLabel *, 3> m_paineis{};
    std::array<TWidgetPainel, kNumGraficos> m_widgets;
    QPixmap m_logo;
};

extern TfmPrincipal *fmPrincipal;
