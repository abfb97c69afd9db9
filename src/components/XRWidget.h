#pragma once

#include "components/XRWidgetConfig.h"
#include "components/XRWidgetTrabalho.h"

#include <QColor>
#include <QDateTime>
#include <QDialog>
#include <QFutureWatcher>
#include <QLabel>
#include <QPointer>
#include <QSet>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class DataSet;
class QChartView;

class QLabel;
class QMenu;
class QTimer;
class QToolButton;
class TXRDatabase;
class TXRDBGrid;
class TXRQuery;
class TSQLStrings;
class TBarraWidget;
class TGraficoWidget;
struct TTileWeb;

enum class TWButton { btFilter, btRefresh, btMinimize, btChart, btReport };
using TWButtons = QSet<TWButton>;

// A statement parameter of a tile: its caption (DataTypeName) and type are
// what the filter and the print subtitle show.
struct TParamWidget {
    enum class Tipo { Desconhecido, Texto, Inteiro, Numero, Data, DataHora };
    QString Name;
    QString DataTypeName;
    Tipo DataType = Tipo::Desconhecido;
    QVariant Value;
};
using TParamsWidget = std::vector<TParamWidget>;

// A column of the inner grid; ImeName carries the aggregation code.
struct TColunaWidget {
    QString FieldName;
    QString Title;
    int Width = 0;
    QString ImeName;
};

// Where a point lies on a tile's frame, for resizing by the edges.
enum class TBordaWidget { Nenhuma, Esquerda, Direita, Topo, Base, TopoEsquerda, TopoDireita, BaseEsquerda, BaseDireita };
// r: the tile in its parent's coordinates; p: the mouse there.
TBordaWidget BordaWidget(const QRect &r, const QPoint &p);
// The tile's new geometry after dragging that edge by delta.
QRect RedimensionaWidget(const QRect &inicial, TBordaWidget borda, const QPoint &delta);

// part * 100 / whole; 0 for a whole of 0.
double CalculaPercentual(double todo, double parte);
// Recolours the black band of a gauge image between the colour bands.
void PintaSessoes(QImage &imagem, const QRect &r, const TSessions &sessoes);

// The dashboard tile: runs one statement in a worker on a connection of its
// own and shows the rows as a value, a grid, a gauge or card, or a chart.
class TXRWidget : public QWidget {
    Q_OBJECT
public:
    explicit TXRWidget(QWidget *parent = nullptr);
    ~TXRWidget() override;

    static QString TituloTempoLimite() { return QStringLiteral("Consulta excedeu o tempo limite."); }

    // Properties
    QString Title() const { return FTitle; }
    void SetTitle(const QString &v);
    QString TitleOrig() const { return FTitleOrig; }
    TSQLStrings &SQL() { return *FSQL; }
    void SetSQL(const QStringList &linhas);
    const TParamsWidget &Params() const { return FParams; }
    TParamsWidget &Params() { return FParams; }
    TXRKind Kind() const { return FKind; }
    void SetKind(TXRKind k);
    QColor FontColor = Qt::black;
    TXRDatabase *DataBase() const { return FDataBase; }
    void SetDataBase(TXRDatabase *db) { FDataBase = db; }
    TWButtons Buttons() const { return FButtons; }
    void SetButtons(const TWButtons &b);
    TGauge &Gauge() { return FGauge; }
    TWebGauge &WebGauge() { return FWebGauge; }
    TChart &Chart() { return FChart; }
    TWebChart &WebChart() { return FWebChart; }
    QWidget *Tray() const { return FTray; }
    void SetTray(QWidget *t) { FTray = t; }
    std::vector<TColunaWidget> &GridColumns() { return FGridColumns; }
    QString Field;
    QString MaskGrid;
    QColor Color() const { return FColor; }
    void SetColor(const QColor &c) { FColor = c; update(); }
    QString Caption() const { return FCaption; }
    void SetCaption(const QString &v);
    Qt::Alignment Alignment() const { return FAlignment; }
    void SetAlignment(Qt::Alignment a);
    QColor BorderColor() const { return FBorderColor; }
    void SetBorderColor(const QColor &c);
    QColor ClientColor() const { return FClientColor; }
    void SetClientColor(const QColor &c);
    int Timer() const { return FTimer; }
    void SetTimer(int minutos);
    QString Arquivo() const { return FArquivo; }
    void SetArquivo(const QString &v);
    int FontSizeGrid() const { return FFontSizeGrid; }
    void SetFontSizeGrid(int v) { FFontSizeGrid = v; }
    bool bFiltroAplicado = false;
    // Folder whose "arquivos/webchart" the web kinds load their scripts from;
    // empty fails their drawing.
    QString caminho = CaminhoPadrao();
    // The statement's time-out in the worker.
    int TempoLimiteMs = 5000;
    // Runs first in every worker job (tests hold jobs with it).
    std::function<void()> AoIniciarTrabalho;
    // The clock of the long press; tests replace it.
    std::function<QDateTime()> Relogio = [] { return QDateTime::currentDateTime(); };
    // Opens the print preview of the chart; tests replace it.
    std::function<void(QChartView *)> AbrePreview;
    // Shows the filter and settings windows modally; tests drive them instead.
    std::function<void(QDialog &)> MostraModal = [](QDialog &d) { d.exec(); };

    std::function<void(TXRWidget *)> OnMoving;
    std::function<void(TXRWidget *)> OnAfterMove;

    // Refresh
    void Execute();
    void Execute(const TParamsWidget &oParams);
    void Atualiza();
    void AtualizaWidget();
    bool Trabalhando() const;
    bool TemBotoes() const;
    void Ocupado(bool status);
    bool EstaOcupado() const { return m_ocupado; }
    QColor CorTitulo() const { return m_corTitulo; }

    // Drawing
    void MontaWidget();
    void LimpaControles();
    void Reposiciona();
    void AjustaBotoes();
    void Minimiza();
    void ImprimeGrafico();
    void MostraPopupAtualiza();
    void AjustaColunas(int n);
    void FonteGradeClick();
    void AbreFiltros();
    void AbreConfiguracao();

    // Parts, for the window and tests
    TXRQuery *Query() const { return oQry; }
    DataSet *Dados() const { return oCds; }
    TXRDBGrid *Grade() const { return oGrid; }
    QChartView *Grafico() const;
    QLabel *Rotulo() const { return oLabel; }
    QLabel *Painel() const { return oPanel; }
    QLabel *Imagem() const { return oImage; }
    QWidget *BarraBotoes() const;
    QToolButton *Botao(TWButton b) const;
    QMenu *PopupAtualiza() const { return FPopupAtualiza; }
    QTimer *TimerLongo() const { return oTimer; }
    QTimer *TimerAtualizacao() const { return oTimerAtualiza; }
    QWidget *TituloPai() const { return oLPai; }
    QString TextoRodape() const;
    // The web view of the web kinds; null until one was drawn.
    QWidget *NavegadorWeb() const { return oWebBrowser; }
    // The executable's folder when it holds "arquivos/webchart", else empty.
    static QString CaminhoPadrao();
    // The run's value marks as drawn, per series.
    QStringList MarcasValores() const;

signals:
    // A job's rows were drawn or its failure shown.
    void Atualizado();
    // The web view finished loading a page.
    void PaginaCarregada(bool ok);

protected:
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    bool eventFilter(QObject *obj, QEvent *e) override;

private:
    void CriaPopupAtualiza();
    void CriaTituloPai();
    // The start shared by both refreshes; false without a connection.
    bool IniciaExecucao();
    void IniciaTrabalho();
    void FimTrabalho();
    void Redesenhar(const TResultadoWidget &r);
    void Falha(const QString &mensagem);
    void SQLChange();
    void MontaCampo();
    void MontaGrade();
    void MontaGauge();
    void MontaGrafico();
    void MontaSemicirculo();
    void MontaWebChart();
    void MontaWebGauge();
    void MontaWebCard();
    TTileWeb DadosTileWeb() const;
    QRect AreaNavegador() const;
    void MostraPagina(const QString &pagina);
    void AtualizaRodape();
    QRect AreaAbaixoTitulo(int reducao) const;
    bool AlinhamentoLivre() const { return true; }
    void BotaoAcao(TWButton b);

    QString FTitle;
    QString FTitleOrig;
    std::unique_ptr<TSQLStrings> FSQL;
    TParamsWidget FParams;
    TXRKind FKind = TXRKind::wdWebGauge;
    TXRDatabase *FDataBase = nullptr;
    TWButtons FButtons;
    TGauge FGauge;
    TWebGauge FWebGauge;
    TChart FChart;
    TWebChart FWebChart;
    QPointer<QWidget> FTray;
    std::vector<TColunaWidget> FGridColumns;
    QColor FColor;
    QString FCaption;
    Qt::Alignment FAlignment = Qt::AlignLeft;
    QColor FBorderColor = QColor(0xC0, 0xC0, 0xC0);
    QColor FClientColor;
    int FTimer = 0;
    QString FArquivo;
    int FFontSizeGrid = 0;
    QString sHint;

    TXRQuery *oQry;
    DataSet *oCds;
    TXRDBGrid *oGrid;
    TGraficoWidget *oDBChart;
    QPointer<QLabel> oPanel;
    QPointer<QLabel> oLabel;
    QPointer<QLabel> oImage;
    QPointer<QWidget> oLPai;
    QPointer<QWidget> oWebBrowser;
    TBarraWidget *oCategory;
    QMenu *FPopupAtualiza;
    QTimer *oTimer;
    QTimer *oTimerAtualiza;
    QDateTime HoraIni;
    QFutureWatcher<TResultadoWidget> *m_watcher;
    std::shared_ptr<TControleTrabalho> m_controle;
    bool m_pendente = false;
    bool m_ocupado = false;
    bool m_ajustando = false;
    bool m_desenhando = false;
    QColor m_corTitulo = Qt::black;

    // moving by the title and sizing by the edges
    bool m_arrastando = false;
    QPoint m_posArrasto;
    TBordaWidget m_borda = TBordaWidget::Nenhuma;
    QRect m_geometriaInicial;
    QPoint m_posInicial;
};
