#include "windows/principal/untPrincipal.h"

#include "components/XRUnZip.h"
#include "components/XRWidget.h"
#include "data/XRQuery.h"
#include "platform/AppPaths.h"
#include "platform/DialogService.h"
#include "platform/Formats.h"
#include "platform/IniFile.h"
#include "windows/nucleo/Aplicacao.h"
#include "windows/principal/regras/AtualizacaoSaida.h"
#include "windows/principal/regras/Configuracao.h"
#include "windows/principal/regras/EstadoFTP.h"
#include "windows/principal/regras/RegrasPrincipal.h"
#include "windows/nucleo/WindowRegistry.h"
#include "windows/principal/untLogin.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

TfmPrincipal *fmPrincipal = nullptr;

namespace {
const QColor kCorLateral(0x40, 0x40, 0x40);
const QColor kCorDestaque(0x00, 0x66, 0xFF);

void pintaFundo(QWidget *w, const QColor &cor)
{
    w->setAutoFillBackground(true);
    QPalette p = w->palette();
    p.setColor(QPalette::Window, cor);
    w->setPalette(p);
}

// A picture that keeps its proportions inside whatever room it gets.
class ImagemProporcional : public QLabel {
public:
    using QLabel::QLabel;
    void DefineImagem(const QPixmap &p)
    {
        m_original = p;
        ajusta();
    }

protected:
    void resizeEvent(QResizeEvent *e) override
    {
        QLabel::resizeEvent(e);
        ajusta();
    }

private:
    void ajusta()
    {
        if (m_original.isNull() || width() <= 0 || height() <= 0)
            return;
        // shrunk to fit, never blown up
        const bool cabe = m_original.width() <= width() && m_original.height() <= height();
        setPixmap(cabe ? m_original : m_original.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    QPixmap m_original;
};

QPixmap logoPadrao()
{
    QPixmap p(640, 240);
    p.fill(Qt::transparent);
    QPainter pintor(&p);
    pintor.setRenderHint(QPainter::Antialiasing);
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(96);
    f.setBold(true);
    pintor.setFont(f);
    pintor.setPen(QColor(0xC8, 0xC8, 0xC8));
    pintor.drawText(QRect(0, 0, 640, 150), Qt::AlignCenter, QStringLiteral("ORVAN"));
    pintor.setPen(kCorDestaque);
    f.setPixelSize(64);
    pintor.setFont(f);
    pintor.drawText(QRect(0, 140, 640, 100), Qt::AlignCenter, QStringLiteral("ZID"));
    return p;
}

// The desktop's taskbar height: what the screen keeps from the windows.
int alturaBarraTarefas(const QScreen *tela)
{
    return tela->geometry().height() - tela->availableGeometry().height();
}
} // namespace

TfmPrincipal::TfmPrincipal(TGanchosPrincipal ganchos, QWidget *parent)
    : TfmXRSkin(parent)
    , m_ganchos(std::move(ganchos))
{
    setObjectName(QStringLiteral("fmPrincipal"));
    setWindowTitle(QStringLiteral("ORVAN ZID"));
    fmPrincipal = this;
    DefineJanelaPrincipal(this, [this](QWidget *janela) { AdicionaFilhoMdi(janela); });
    for (std::size_t i = 0; i < m_widgets.size(); ++i) {
        m_widgets[i].nome = QString::fromLatin1(DefinicoesGraficos()[i].nome);
        m_widgets[i].titulo = QString::fromUtf8(DefinicoesGraficos()[i].titulo);
    }
    CriaControles();
    XRUnZip1 = new TXRUnZip(this);
    CriaWidgets();
    if (DMRepres) {
        QryGrafico->SetDatabase(DMRepres->XRDtRepres);
        DMRepres->SetJanelaPrincipal(this);
    }
    FormCreate();
}

TfmPrincipal::~TfmPrincipal()
{
    FormDestroy();
    // a newer main window keeps its own registration
    if (fmPrincipal != this)
        return;
    fmPrincipal = nullptr;
    DefineJanelaPrincipal(nullptr, {});
    if (DMRepres)
        DMRepres->SetJanelaPrincipal(nullptr);
}

void TfmPrincipal::CriaControles()
{
    auto *central = new QWidget(this);
    auto *coluna = new QVBoxLayout(central);
    coluna->setContentsMargins(0, 0, 0, 0);
    coluna->setSpacing(0);
    coluna->addWidget(CriaBarraSuperior());

    auto *linhaAzul = new QWidget(central);
    linhaAzul->setFixedHeight(3);
    pintaFundo(linhaAzul, kCorDestaque);
    coluna->addWidget(linhaAzul);

    auto *corpo = new QWidget(central);
    auto *linha = new QHBoxLayout(corpo);
    linha->setContentsMargins(0, 0, 0, 0);
    linha->setSpacing(0);
    linha->addWidget(CriaBarraLateral());

    // The pictures lie under the MDI area, which paints no background.
    auto *area = new QWidget(corpo);
    auto *camadas = new QGridLayout(area);
    camadas->setContentsMargins(0, 0, 0, 0);
    ImgFundo = new QLabel(area);
    ImgFundo->setObjectName(QStringLiteral("ImgFundo"));
    ImgFundo->setScaledContents(true);
    ImgFundo->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    ImgFundo->hide();
    auto *xr = new ImagemProporcional(area);
    imgFundoXR = xr;
    imgFundoXR->setObjectName(QStringLiteral("imgFundoXR"));
    imgFundoXR->setAlignment(Qt::AlignCenter);
    imgFundoXR->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_logo = logoPadrao();
    xr->DefineImagem(m_logo);
    imgFundoXR->hide();
    MdiArea = new QMdiArea(area);
    MdiArea->setObjectName(QStringLiteral("MdiArea"));
    MdiArea->setBackground(Qt::NoBrush);
    MdiArea->setFrameShape(QFrame::NoFrame);
    MdiArea->viewport()->setAutoFillBackground(false);
    camadas->addWidget(ImgFundo, 0, 0);
    camadas->addWidget(imgFundoXR, 0, 0);
    camadas->addWidget(MdiArea, 0, 0);
    linha->addWidget(area, 1);
    coluna->addWidget(corpo, 1);
    setCentralWidget(central);

    CriaBarraStatus();

    PMenuRelatorio = new QMenu(this);
    PMenuRelatorio->setObjectName(QStringLiteral("PMenuRelatorio"));
    CriaTabelasRelatorio();

    QryGrafico = new TXRQuery(this);
    QryGrafico->setObjectName(QStringLiteral("QryGrafico"));

    TimerBar = new QTimer(this);
    TimerBar->setObjectName(QStringLiteral("TimerBar"));
    TimerBar->setInterval(1000);
    connect(TimerBar, &QTimer::timeout, this, &TfmPrincipal::TimerBarTimer);
    TimerBar->start();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TfmPrincipal::Timer1Timer);

    AEditorSQL = new QAction(this);
    AEditorSQL->setObjectName(QStringLiteral("AEditorSQL"));
    AEditorSQL->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_E));
    AEditorSQL->setShortcutContext(Qt::WindowShortcut);
    addAction(AEditorSQL);
    connect(AEditorSQL, &QAction::triggered, this, &TfmPrincipal::AEditorSQLExecute);
}

QWidget *TfmPrincipal::CriaBarraSuperior()
{
    auto *topo = new QWidget;
    topo->setFixedHeight(40);
    pintaFundo(topo, Qt::white);
    auto *linha = new QHBoxLayout(topo);
    linha->setContentsMargins(8, 0, 8, 0);
    const auto botao = [topo](const char *nome, const QString &texto, const QString &dica) {
        auto *b = new QToolButton(topo);
        b->setObjectName(QString::fromLatin1(nome));
        b->setText(texto);
        b->setToolTip(dica);
        b->setAutoRaise(true);
        b->setCursor(Qt::PointingHandCursor);
        b->setStyleSheet(QStringLiteral("QToolButton { color: #404040; font-size: 22px; border: none; }"));
        return b;
    };
    QToolButton *menu = botao("Menu", QStringLiteral("☰"), QStringLiteral("Menu"));
    QToolButton *fechar = botao("Fechar", QStringLiteral("✕"), QStringLiteral("Fechar"));
    auto *titulo = new QLabel(QStringLiteral("ORVAN ZID"), topo);
    QFont f = titulo->font();
    f.setPixelSize(16);
    f.setBold(true);
    titulo->setFont(f);
    linha->addWidget(menu);
    linha->addSpacing(8);
    linha->addWidget(titulo);
    linha->addStretch(1);
    linha->addWidget(fechar);
    connect(menu, &QToolButton::clicked, this, [this] { pnlLateral->setVisible(!pnlLateral->isVisible()); });
    connect(fechar, &QToolButton::clicked, this, &QWidget::close);
    return topo;
}

QWidget *TfmPrincipal::CriaEntradaLateral(const QString &nome, const QString &dica, const QString &simbolo)
{
    auto *painel = new QWidget(pnlLateral);
    painel->setObjectName(nome);
    painel->setFixedSize(50, 50);
    painel->setToolTip(dica);
    painel->setCursor(Qt::PointingHandCursor);
    pintaFundo(painel, kCorLateral);
    auto *imagem = new QLabel(simbolo, painel);
    imagem->setObjectName(QStringLiteral("img") + nome.mid(3));
    imagem->setToolTip(dica);
    imagem->setAlignment(Qt::AlignCenter);
    imagem->setGeometry(0, 0, 50, 50);
    imagem->setStyleSheet(QStringLiteral("QLabel { color: white; font-size: 24px; }"));
    painel->installEventFilter(this);
    return painel;
}

QWidget *TfmPrincipal::CriaBarraLateral()
{
    pnlLateral = new QWidget;
    pnlLateral->setObjectName(QStringLiteral("pnlLateral"));
    pnlLateral->setFixedWidth(50);
    pintaFundo(pnlLateral, kCorLateral);
    auto *coluna = new QVBoxLayout(pnlLateral);
    coluna->setContentsMargins(0, 0, 0, 0);
    coluna->setSpacing(0);
    pnlCliente = CriaEntradaLateral(QStringLiteral("pnlCliente"), QStringLiteral("Cadastro de Clientes"),
                                    QStringLiteral("☺"));
    pnlPedido = CriaEntradaLateral(QStringLiteral("pnlPedido"), QStringLiteral("Cadastro de Pedidos"),
                                   QStringLiteral("✎"));
    pnlCarga = CriaEntradaLateral(QStringLiteral("pnlCarga"), QStringLiteral("Sincronização de Cargas"),
                                  QStringLiteral("⇅"));
    pnlEnvio = CriaEntradaLateral(QStringLiteral("pnlEnvio"), QStringLiteral("Envio de Pedidos"),
                                  QStringLiteral("✉"));
    pnlRelatorio = CriaEntradaLateral(QStringLiteral("pnlRelatorio"), QStringLiteral("Relatórios"),
                                      QStringLiteral("▤"));
    pnlAtt = CriaEntradaLateral(QStringLiteral("pnlAtt"), QStringLiteral("Atualização"), QStringLiteral("⟳"));
    pnlConfig = CriaEntradaLateral(QStringLiteral("pnlConfig"), QStringLiteral("Configurações"),
                                   QStringLiteral("⚙"));
    for (QWidget *p : {pnlCliente, pnlPedido, pnlCarga, pnlEnvio, pnlRelatorio, pnlAtt, pnlConfig})
        coluna->addWidget(p);
    coluna->addStretch(1);

    QWidget *imagemRelatorio = pnlRelatorio->findChild<QLabel *>();
    imagemRelatorio->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(imagemRelatorio, &QWidget::customContextMenuRequested, this,
            [this, imagemRelatorio](const QPoint &pos) { PMenuRelatorio->popup(imagemRelatorio->mapToGlobal(pos)); });
    return pnlLateral;
}

void TfmPrincipal::CriaBarraStatus()
{
    sBar = new QStatusBar(this);
    sBar->setObjectName(QStringLiteral("sBar"));
    sBar->setSizeGripEnabled(false);
    const int larguras[] = {120, 120, 50};
    for (int i = 0; i < 3; ++i) {
        m_paineis[i] = new QLabel(sBar);
        m_paineis[i]->setObjectName(QStringLiteral("sBarPainel%1").arg(i));
        m_paineis[i]->setMinimumWidth(larguras[i]);
        if (i < 2)
            m_paineis[i]->setFixedWidth(larguras[i]);
        sBar->addWidget(m_paineis[i], i == 2 ? 1 : 0);
    }
    auto *posiciona = new QToolButton(sBar);
    posiciona->setObjectName(QStringLiteral("btnPosicionaWidgets"));
    posiciona->setText(QStringLiteral("⊞"));
    posiciona->setToolTip(QStringLiteral("Reposicionar"));
    posiciona->setAutoRaise(true);
    auto *alterna = new QToolButton(sBar);
    alterna->setObjectName(QStringLiteral("btnVisibilidadeWidgets"));
    alterna->setText(QStringLiteral("◐"));
    alterna->setToolTip(QStringLiteral("Mostrar/Ocultar"));
    alterna->setAutoRaise(true);
    sBar->addPermanentWidget(posiciona);
    sBar->addPermanentWidget(alterna);
    connect(posiciona, &QToolButton::clicked, this, &TfmPrincipal::PosicionaWidgets);
    connect(alterna, &QToolButton::clicked, this, &TfmPrincipal::AlternaWidgets);
    setStatusBar(sBar);
}

QString TfmPrincipal::TextoPainel(int painel) const
{
    return painel >= 0 && painel < 3 ? m_paineis[std::size_t(painel)]->text() : QString();
}

void TfmPrincipal::FormCreate()
{
    const QString pasta = QDir::cleanPath(apppaths::executableDir());
    const QString nome = QFileInfo(apppaths::executablePath()).fileName();
    if (auto restos = RestosInstalacaoAntiga(pasta, nome, QDir::homePath()))
        ApagaRestosInstalacaoAntiga(*restos, pasta, QDir::homePath());

    m_bLogin = false;
    FbAtualizar = false;
    FbBaixou = false;

    if (m_ganchos.Login) {
        m_bLogin = m_ganchos.Login(this);
    } else {
        auto *login = new TfmLogin(this);
        fmLogin = login;
        login->ShowModal();
        m_bLogin = login->FLoginOk;
        delete login;
        fmLogin = nullptr;
    }
    if (m_bLogin)
        m_paineis[2]->setText(QStringLiteral("ORVAN Duzovuve"));
}

void TfmPrincipal::FormDestroy()
{
    // a package downloaded in this run is applied even when the user chose
    // to go on working
    AplicaAtualizacaoSaida(FbAtualizar, FbBaixou, LocalProgramaAtual(), [] {
        if (DMRepres && DMRepres->XRDtRepres->Connected())
            DMRepres->XRDtRepres->Close();
    });
}

void TfmPrincipal::setVisible(bool visible)
{
    // without a login the window never shows: the run ends
    if (visible && !m_bLogin) {
        TerminaAplicacao();
        return;
    }
    TfmXRSkin::setVisible(visible);
}

void TfmPrincipal::FormShow()
{
    if (!m_bLogin) {
        TerminaAplicacao();
        return;
    }
    TfmXRSkin::FormShow();
    if (DMRepres && DMRepres->XRDtRepres->Connected()) {
        DefineServidoresDoConfig();
        DMRepres->BuscaImagemFundo();
        DMRepres->BuscaConfigAcesso();
    }
    Timer1->start();
    try {
        MontaGraficos();
    } catch (...) {
        // a failing tile text leaves the dashboard as it is, without a word
    }
    PosicionaWidgets();
}

void TfmPrincipal::DefineServidoresDoConfig()
{
    TXRQuery *q = DMRepres->XRQEnderecoServ;
    q->Close();
    q->Open();
    if (!q->isEmpty()) {
        q->first();
        const QString host = EnderecoServidorConfig(q->fieldByName(QStringLiteral("DSENDERECOSERV"))->asString(),
                                                    q->fieldByName(QStringLiteral("DSHOSTSERV"))->asString());
        const int porta = q->fieldByName(QStringLiteral("NRPORTASERV"))->asInteger();
        for (IServidorEndereco *s : m_servidores)
            s->SetEndereco(host, porta);
    }
    q->Close();
}

void TfmPrincipal::MontaGraficos()
{
    // Each text is only prepared here: a broken one stops the building, and
    // no query runs in this thread.
    const auto preparaSql = [](TXRQuery &q) {
        TXRDatabase *db = q.Database() ? q.Database() : (DMRepres ? DMRepres->XRDtRepres : nullptr);
        if (!db)
            throw EDatabaseError(QStringLiteral("Consulta sem conexão com o banco de dados."));
        PreparaConsultaWidget(*db, q.SQL().Text());
        QString texto = q.SQL().Text();
        texto.replace('"', '\'');
        return texto;
    };
    const auto daSql = [this](TGrafico g, const QString &texto) {
        TWidgetPainel &w = m_widgets[std::size_t(g)];
        w.sql = texto;
        if (w.widget)
            w.widget->SQL().SetText(texto);
    };
    for (const TDefGrafico &def : DefinicoesGraficos()) {
        if (def.grafico == TGrafico::Mes)
            continue;
        QryGrafico->Close();
        QryGrafico->SQL().Clear();
        for (const QString &l : LinhasGrafico(def.grafico))
            QryGrafico->SQL().Add(l);
        daSql(def.grafico, preparaSql(*QryGrafico));
        QryGrafico->Close();
        QryGrafico->SQL().Clear();
    }
    TXRQuery mes;
    mes.SetDatabase(QryGrafico->Database());
    for (const QString &l : LinhasGraficoMes(QDate::currentDate()))
        mes.SQL().Add(l);
    daSql(TGrafico::Mes, preparaSql(mes));
    ExecutaWidgets();
}

void TfmPrincipal::PosicionaWidgets()
{
    const QScreen *tela = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!tela)
        return;
    const auto posicoes = PosicoesGraficos(tela->geometry().size(), alturaBarraTarefas(tela), sBar->height());
    const bool telaAberta = ExisteTelaAberta();
    for (std::size_t i = 0; i < m_widgets.size(); ++i) {
        m_widgets[i].retangulo = posicoes[i];
        if (TXRWidget *w = m_widgets[i].widget) {
            w->setGeometry(posicoes[i]);
            // open windows stay in front of the dashboard
            if (telaAberta)
                w->lower();
        }
    }
}

void TfmPrincipal::AlternaWidgets()
{
    for (TWidgetPainel &w : m_widgets) {
        w.visivel = !w.visivel;
        if (w.widget)
            w.widget->setVisible(w.visivel);
    }
}

bool TfmPrincipal::ExisteTelaAberta() const
{
    for (const char *classe :
         {"TfmCliente", "TfmPedido", "TfmCargas", "TfmEnvioPedidos", "TfmConfig", "TfmEditorSQL"}) {
        if (BuscaForm(QString::fromLatin1(classe)))
            return true;
    }
    return false;
}

void TfmPrincipal::TimerBarTimer()
{
    const QDateTime agora = QDateTime::currentDateTime();
    m_paineis[0]->setText(QStringLiteral("Data: ") + fmt::formatDate(agora.date()));
    m_paineis[1]->setText(QStringLiteral("Hora: ") + fmt::formatTime(agora.time()));
}

void TfmPrincipal::Timer1Timer()
{
    Timer1->stop();
    const QString ini = TDMRepres::ArquivoIni(apppaths::executableDir());
    if (!ini.isEmpty())
        IniFile(ini).writeString(QStringLiteral("Banco"), QStringLiteral("Data"), fmt::formatDate(QDate::currentDate()));
    AbreForm(QStringLiteral("TfmAtualizacao"));
    if (m_ganchos.VerificaAtualizacao)
        m_ganchos.VerificaAtualizacao();
    if (QWidget *atualizacao = BuscaForm(QStringLiteral("TfmAtualizacao")))
        atualizacao->hide();
}

void TfmPrincipal::AEditorSQLExecute()
{
    if (BuscaForm(QStringLiteral("TfmEditorSQL")))
        return;
    QString resposta;
    if (dialogs().inputQuery(QStringLiteral("EditorSQL"), QStringLiteral("Senha:"), resposta, true)
        && CodigoAcessoEditorSQL(resposta))
        AbreForm(QStringLiteral("TfmEditorSQL"));
}

void TfmPrincipal::pnlRelatorioClick()
{
    if (PMenuRelatorio->isEmpty())
        ConfirmaSincronizacaoRelatorios();
    QWidget *imagem = pnlRelatorio->findChild<QLabel *>();
    PMenuRelatorio->popup(imagem->mapToGlobal(QPoint(imagem->width() / 2, imagem->height() / 2)));
}

void TfmPrincipal::CliqueLateral(QWidget *painel)
{
    if (painel == pnlRelatorio) {
        pnlRelatorioClick();
        return;
    }
    static const std::pair<const char *, const char *> classes[] = {
        {"pnlCliente", "TfmCliente"}, {"pnlPedido", "TfmPedido"}, {"pnlCarga", "TfmCargas"},
        {"pnlEnvio", "TfmEnvioPedidos"}, {"pnlAtt", "TfmAtualizacao"}, {"pnlConfig", "TfmConfig"},
    };
    for (const auto &[nome, classe] : classes) {
        if (painel->objectName() == QLatin1String(nome))
            AbreForm(QString::fromLatin1(classe));
    }
}

void TfmPrincipal::DestacaBotao(QWidget *painel, bool destaca)
{
    pintaFundo(painel, destaca ? kCorDestaque : kCorLateral);
}

bool TfmPrincipal::eventFilter(QObject *obj, QEvent *event)
{
    auto *painel = qobject_cast<QWidget *>(obj);
    if (painel && painel->parentWidget() == pnlLateral) {
        switch (event->type()) {
        case QEvent::Enter: DestacaBotao(painel, true); break;
        case QEvent::Leave: DestacaBotao(painel, false); break;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton
                && painel->rect().contains(static_cast<QMouseEvent *>(event)->position().toPoint())) {
                CliqueLateral(painel);
                return true;
            }
            break;
        default: break;
        }
    }
    return TfmXRSkin::eventFilter(obj, event);
}

bool TfmPrincipal::PedidoEmEdicao() const
{
    const auto *pedido = dynamic_cast<const IPedidoEmEdicao *>(BuscaForm(QStringLiteral("TfmPedido")));
    return pedido && pedido->EmEdicao();
}

void TfmPrincipal::FormCloseQuery(bool &canClose)
{
    canClose = ConfereFechamento(PedidoEmEdicao(), IdFTP.get(), windowTitle());
}

void TfmPrincipal::FormClose(TCloseAction &action)
{
    (void)action;
    TerminaAplicacao();
}

void TfmPrincipal::AdicionaFilhoMdi(QWidget *janela)
{
    QMdiSubWindow *sub = MdiArea->addSubWindow(janela);
    sub->setObjectName(janela->objectName() + QStringLiteral("Moldura"));
}

void TfmPrincipal::MostraImagemPadrao(bool visivel) { imgFundoXR->setVisible(visivel); }

bool TfmPrincipal::MostraImagemFundo(const QByteArray &jpeg)
{
    QPixmap p;
    if (!p.loadFromData(jpeg))
        return false;
    ImgFundo->setPixmap(p);
    ImgFundo->show();
    return true;
}

void TfmPrincipal::LimpaImagemFundo()
{
    ImgFundo->clear();
    ImgFundo->hide();
}

void TfmPrincipal::EscondeRelatorio() { pnlRelatorio->hide(); }

// ---------------------------------------------------------------- dashboard tiles

void TfmPrincipal::CriaWidgets()
{
    for (const TDefGrafico &def : DefinicoesGraficos()) {
        // behind the MDI windows: children of the area's viewport, lowered
        auto *w = new TXRWidget(MdiArea->viewport());
        w->setObjectName(QString::fromLatin1(def.nome));
        ConfiguraWidget(def.grafico, w);
        w->lower();
        m_widgets[std::size_t(def.grafico)].widget = w;
    }
}

void TfmPrincipal::ConfiguraWidget(TGrafico g, TXRWidget *w)
{
    w->SetTitle(QString::fromUtf8(DefinicoesGraficos()[std::size_t(g)].titulo));
    w->SetAlignment(Qt::AlignLeft);
    if (DMRepres)
        w->SetDataBase(DMRepres->XRDtRepres);
    const auto grafico = [w](TStyle estilo, const char *campoY, int pontos, bool legenda, bool corPorPonto) {
        w->SetKind(TXRKind::wdChart);
        TSeriesItem &s = w->Chart().Series().Add();
        s.FieldX = QStringLiteral("VALOR");
        s.FieldY = QString::fromLatin1(campoY);
        s.Style = estilo;
        s.ColorEachPoint = corPorPonto;
        w->Chart().SetPontosPagina(pontos);
        w->Chart().SetLegenda(legenda);
    };
    const auto cartao = [w](const QString &mascara) {
        w->Gauge().Card = true;
        w->Gauge().MaskValues = mascara;
        w->SetKind(TXRKind::wdGauge);
        w->SetButtons({TWButton::btFilter, TWButton::btRefresh, TWButton::btMinimize});
    };
    switch (g) {
    case TGrafico::Produto: grafico(TStyle::wtpHorizontalBar, "PRODUTO", 10, false, true); break;
    case TGrafico::Cliente: grafico(TStyle::wtpHorizontalBar, "CLIENTE", 10, false, true); break;
    case TGrafico::Cidade: grafico(TStyle::wtpPie, "CIDADE", 10, true, true); break;
    case TGrafico::Mes: grafico(TStyle::wtpLine, "MES", 12, false, false); break;
    case TGrafico::VlrTotPed: cartao(QStringLiteral("'R$:' #,##0.00#")); break;
    case TGrafico::QtdeCliComp: cartao(QStringLiteral("0")); break;
    case TGrafico::MedCliComp: cartao(QStringLiteral("'R$:' #,##0.00#")); break;
    }
}

void TfmPrincipal::ExecutaWidgets()
{
    for (TGrafico g : {TGrafico::MedCliComp, TGrafico::QtdeCliComp, TGrafico::VlrTotPed, TGrafico::Produto,
                       TGrafico::Cliente, TGrafico::Mes, TGrafico::Cidade}) {
        if (TXRWidget *w = m_widgets[std::size_t(g)].widget)
            w->Execute();
    }
}
