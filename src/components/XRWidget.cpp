#include "components/XRWidget.h"

#include "components/XRDBGrid.h"
#include "components/XRWidgetBarra.h"
#include "components/XRWidgetGrafico.h"
#include "components/XRWidgetWeb.h"
#include "components/uConfig.h"
#include "components/uFiltro.h"
#include "data/XRDatabase.h"
#include "data/XRQuery.h"
#include "platform/DialogService.h"

#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTimer>
#include <QToolButton>
#include <QtConcurrent/QtConcurrentRun>

// ---------------------------------------------------------------- pure helpers

TBordaWidget BordaWidget(const QRect &r, const QPoint &p)
{
    const int l = r.left();
    const int t = r.top();
    const int rt = l + r.width();
    const int b = t + r.height();
    const int x = p.x();
    const int y = p.y();
    if (x - l <= 5) {
        if (y - t <= 5)
            return TBordaWidget::TopoEsquerda;
        if (b - y <= 5)
            return TBordaWidget::BaseEsquerda;
        return TBordaWidget::Esquerda;
    }
    if (rt - x <= 5) {
        if (y - t <= 5)
            return TBordaWidget::TopoDireita;
        if (b - y <= 5)
            return TBordaWidget::BaseDireita;
        return TBordaWidget::Direita;
    }
    if (y - t <= 4)
        return TBordaWidget::Topo;
    if (b - y <= 4)
        return TBordaWidget::Base;
    return TBordaWidget::Nenhuma;
}

QRect RedimensionaWidget(const QRect &inicial, TBordaWidget borda, const QPoint &d)
{
    int l = inicial.left();
    int t = inicial.top();
    int r = inicial.left() + inicial.width();
    int b = inicial.top() + inicial.height();
    switch (borda) {
    case TBordaWidget::Esquerda: l += d.x(); break;
    case TBordaWidget::Direita: r += d.x(); break;
    case TBordaWidget::Topo: t += d.y(); break;
    case TBordaWidget::Base: b += d.y(); break;
    case TBordaWidget::TopoEsquerda: l += d.x(), t += d.y(); break;
    case TBordaWidget::TopoDireita: r += d.x(), t += d.y(); break;
    case TBordaWidget::BaseEsquerda: l += d.x(), b += d.y(); break;
    case TBordaWidget::BaseDireita: r += d.x(), b += d.y(); break;
    case TBordaWidget::Nenhuma: break;
    }
    // never smaller than the title and the button handle
    constexpr int kMinimo = 60;
    if (r - l < kMinimo) {
        if (borda == TBordaWidget::Esquerda || borda == TBordaWidget::TopoEsquerda || borda == TBordaWidget::BaseEsquerda)
            l = r - kMinimo;
        else
            r = l + kMinimo;
    }
    if (b - t < kMinimo) {
        if (borda == TBordaWidget::Topo || borda == TBordaWidget::TopoEsquerda || borda == TBordaWidget::TopoDireita)
            t = b - kMinimo;
        else
            b = t + kMinimo;
    }
    return QRect(l, t, r - l, b - t);
}

double CalculaPercentual(double todo, double parte) { return todo == 0 ? 0.0 : parte * 100.0 / todo; }

// ---------------------------------------------------------------- construction

TXRWidget::TXRWidget(QWidget *parent)
    : QWidget(parent)
    , FSQL(std::make_unique<TSQLStrings>([this] { SQLChange(); }))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    FClientColor = palette().color(QPalette::Base);
    FColor = FClientColor;
    CriaPopupAtualiza();

    oTimer = new QTimer(this);
    oTimer->setObjectName(QStringLiteral("oTimer"));
    oTimer->setInterval(100);
    connect(oTimer, &QTimer::timeout, this, &TXRWidget::MostraPopupAtualiza);

    oTimerAtualiza = new QTimer(this);
    oTimerAtualiza->setObjectName(QStringLiteral("oTimerThread"));
    oTimerAtualiza->setTimerType(Qt::PreciseTimer);
    connect(oTimerAtualiza, &QTimer::timeout, this, &TXRWidget::AtualizaWidget);

    oCategory = new TBarraWidget(this);
    oCategory->OnClick = [this](TWButton b) { BotaoAcao(b); };
    oCategory->OnRefreshMouse = [this](bool pressionado) {
        if (pressionado) {
            HoraIni = Relogio();
            oTimer->start();
        } else {
            oTimer->stop();
        }
    };

    oQry = new TXRQuery(this);
    oCds = new DataSet(this);
    oGrid = new TXRDBGrid(this);
    oGrid->hide();
    oGrid->setProperty("tag", 1);
    oDBChart = new TGraficoWidget(this);
    oDBChart->hide();
    oDBChart->setProperty("tag", 1);

    m_watcher = new QFutureWatcher<TResultadoWidget>(this);
    connect(m_watcher, &QFutureWatcherBase::finished, this, &TXRWidget::FimTrabalho);

    FButtons = {TWButton::btFilter, TWButton::btRefresh, TWButton::btMinimize, TWButton::btChart};
    resize(280, 170);
    AjustaBotoes();
}

TXRWidget::~TXRWidget()
{
    // the job keeps only copies; without the watcher nothing comes back
    oTimerAtualiza->stop();
    m_watcher->disconnect(this);
    FChart.oChart = {};
}

void TXRWidget::CriaPopupAtualiza()
{
    FPopupAtualiza = new QMenu(this);
    FPopupAtualiza->setObjectName(QStringLiteral("FPopupAtualiza"));
    const std::pair<const char *, int> itens[] = {{"Desligar", 0},     {"01 minuto", 1}, {"05 minutos", 5},
                                                  {"15 minutos", 15}, {"30 minutos", 30}, {"01 hora", 60},
                                                  {"04 horas", 240}};
    for (const auto &[texto, tag] : itens) {
        QAction *a = FPopupAtualiza->addAction(QString::fromUtf8(texto));
        a->setCheckable(true);
        a->setData(tag);
        a->setChecked(tag == 0);
        connect(a, &QAction::triggered, this, [this, tag] {
            SetTimer(tag);
            oCategory->SetExpandida(false);
        });
    }
}

// ---------------------------------------------------------------- properties

void TXRWidget::SetTitle(const QString &v)
{
    FTitle = v;
    if (v.trimmed() != TituloTempoLimite())
        FTitleOrig = v;
}

void TXRWidget::SetSQL(const QStringList &linhas)
{
    FSQL->SetText(linhas.join('\n'));
}

void TXRWidget::SQLChange()
{
    oQry->SQL().SetText(FSQL->Text());
    TParamsWidget novos;
    for (const auto &p : oQry->Params()) {
        TParamWidget w;
        w.Name = p->Name;
        w.Value = p->Value;
        novos.push_back(w);
    }
    FParams = std::move(novos);
}

void TXRWidget::SetKind(TXRKind k)
{
    FKind = k;
    const bool gaugeSemCartao = (k == TXRKind::wdGauge || k == TXRKind::wdWebGauge) && !FGauge.Card;
    if (k == TXRKind::wdChart || k == TXRKind::wdWebChart || gaugeSemCartao)
        FButtons.insert(TWButton::btChart);
    else
        FButtons.remove(TWButton::btChart);
    if (k == TXRKind::wdChart)
        FButtons.insert(TWButton::btReport);
    AjustaBotoes();
}

void TXRWidget::SetButtons(const TWButtons &b)
{
    if (b == FButtons)
        return;
    FButtons = b;
    AjustaBotoes();
}

void TXRWidget::SetArquivo(const QString &v)
{
    FArquivo = v;
    if (v.isEmpty())
        FButtons.remove(TWButton::btReport);
    else
        FButtons.insert(TWButton::btReport);
    AjustaBotoes();
}

void TXRWidget::SetCaption(const QString &v)
{
    if (v != FCaption) {
        FCaption = v;
        update();
    }
}

void TXRWidget::SetAlignment(Qt::Alignment a)
{
    if (a != FAlignment) {
        FAlignment = a;
        update();
    }
}

void TXRWidget::SetBorderColor(const QColor &c)
{
    if (c != FBorderColor) {
        FBorderColor = c;
        update();
    }
}

void TXRWidget::SetClientColor(const QColor &c)
{
    if (c != FClientColor) {
        FClientColor = c;
        update();
    }
}

void TXRWidget::SetTimer(int minutos)
{
    FTimer = minutos;
    oTimerAtualiza->stop();
    if (minutos > 0)
        oTimerAtualiza->start(minutos * 60000);
    for (QAction *a : FPopupAtualiza->actions())
        a->setChecked(a->data().toInt() == minutos);
}

bool TXRWidget::TemBotoes() const
{
    return FButtons.contains(TWButton::btFilter) || FButtons.contains(TWButton::btRefresh)
        || FButtons.contains(TWButton::btMinimize) || FButtons.contains(TWButton::btChart);
}

QChartView *TXRWidget::Grafico() const { return oDBChart; }
QWidget *TXRWidget::BarraBotoes() const { return oCategory; }
QToolButton *TXRWidget::Botao(TWButton b) const { return oCategory->Botao(b); }
QString TXRWidget::TextoRodape() const { return oDBChart->TextoRodape(); }
QStringList TXRWidget::MarcasValores() const { return oDBChart->Marcas(); }

// ---------------------------------------------------------------- the bar

void TXRWidget::AjustaBotoes()
{
    m_ajustando = true;
    for (TWButton b : {TWButton::btFilter, TWButton::btRefresh, TWButton::btChart, TWButton::btReport,
                       TWButton::btMinimize})
        oCategory->Mostra(b, FButtons.contains(b));
    oCategory->setVisible(!FButtons.isEmpty());
    Reposiciona();
    oCategory->move(width() - 34, 12);
    oCategory->raise();
    m_ajustando = false;
}

void TXRWidget::BotaoAcao(TWButton b)
{
    switch (b) {
    case TWButton::btFilter: AbreFiltros(); break;
    case TWButton::btRefresh: Atualiza(); break;
    case TWButton::btChart: AbreConfiguracao(); break;
    case TWButton::btReport: ImprimeGrafico(); break;
    case TWButton::btMinimize: Minimiza(); break;
    }
}

void TXRWidget::AbreFiltros()
{
    oCategory->SetExpandida(false);
    if (oQry->SQL().Text().trimmed().isEmpty() || FParams.empty())
        return;
    bFiltroAplicado = false;
    TFFiltros janela(this);
    MostraModal(janela);
    if (janela.bAtualiza) {
        bFiltroAplicado = true;
        Atualiza();
    }
}

void TXRWidget::AbreConfiguracao()
{
    oCategory->SetExpandida(false);
    TFmWidConfig janela(this);
    MostraModal(janela);
    if (janela.bAtualiza)
        Atualiza();
}

void TXRWidget::MostraPopupAtualiza()
{
    if (HoraIni.msecsTo(Relogio()) <= 500)
        return;
    oTimer->stop();
    QToolButton *b = Botao(TWButton::btRefresh);
    FPopupAtualiza->popup(b->mapToGlobal(QPoint(0, b->height())));
}

// ---------------------------------------------------------------- refresh

void TXRWidget::Ocupado(bool status)
{
    m_ocupado = status;
    if (status)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
    update();
}

bool TXRWidget::Trabalhando() const { return m_watcher->isRunning() || m_controle != nullptr; }

void TXRWidget::CriaTituloPai()
{
    delete oLPai;
    auto *l = new QLabel(this);
    l->setObjectName(QStringLiteral("LbPai"));
    l->setAttribute(Qt::WA_TranslucentBackground);
    l->setGeometry(0, 0, width(), 35);
    l->setFont(font());
    l->installEventFilter(this);
    l->show();
    oLPai = l;
    oCategory->raise();
}

bool TXRWidget::IniciaExecucao()
{
    Ocupado(true);
    CriaTituloPai();
    m_corTitulo = Qt::black;
    setToolTip(sHint);
    if (!FDataBase)
        return false;
    oQry->SetDatabase(FDataBase);
    oQry->Close();
    return true;
}

void TXRWidget::Execute()
{
    if (IniciaExecucao()) {
        oQry->SQL().SetText(FSQL->Text());
        for (TParamWidget &p : FParams) {
            if (p.Value.isNull() || !p.Value.isValid()) {
                // written into the design parameter: later refreshes keep this date
                if (p.DataType == TParamWidget::Tipo::Data || p.DataType == TParamWidget::Tipo::DataHora)
                    p.Value = QDate::currentDate();
                else
                    p.Value = QStringLiteral("0");
            }
            if (TParam *q = oQry->FindParam(p.Name))
                q->Value = p.Value;
        }
    }
    IniciaTrabalho();
}

void TXRWidget::Execute(const TParamsWidget &oParams)
{
    if (IniciaExecucao()) {
        for (const TParamWidget &p : oParams)
            if (TParam *q = oQry->FindParam(p.Name))
                q->Value = p.Value;
    }
    IniciaTrabalho();
}

void TXRWidget::IniciaTrabalho()
{
    if (Trabalhando()) {
        // one job per tile; the newest preparation runs when it ends
        m_pendente = true;
        return;
    }
    if (!FDataBase) {
        Redesenhar(TResultadoWidget{});
        return;
    }
    TTrabalhoWidget t;
    t.Conexao = TConexaoWidget::De(*FDataBase);
    t.SQL = FSQL->Text();
    for (const auto &p : oQry->Params())
        t.Parametros.emplace_back(p->Name, p->Value);
    t.Kind = FKind;
    t.Field = Field;
    for (const TColunaWidget &c : FGridColumns)
        t.Colunas.push_back({c.FieldName, c.ImeName});
    t.TempoLimiteMs = TempoLimiteMs;
    t.AoIniciar = AoIniciarTrabalho;
    auto ctl = std::make_shared<TControleTrabalho>();
    m_controle = ctl;
    RegistraTrabalho(ctl);
    m_watcher->setFuture(QtConcurrent::run(PoolWidgets(), [t, ctl] {
        TResultadoWidget r = ExecutaTrabalhoWidget(t, ctl);
        RemoveTrabalho(ctl);
        return r;
    }));
}

void TXRWidget::FimTrabalho()
{
    const TResultadoWidget r = m_watcher->result();
    m_controle.reset();
    if (!r.PrimeiroErro.isEmpty())
        setToolTip(r.PrimeiroErro);
    if (r.Ok) {
        if (FTitle.trimmed() == TituloTempoLimite() && !FTitleOrig.trimmed().isEmpty()) {
            SetTitle(FTitleOrig);
            setToolTip(QString());
        }
        Redesenhar(r);
    } else {
        Falha(r.Erro);
    }
    if (m_pendente) {
        m_pendente = false;
        Ocupado(true);
        IniciaTrabalho();
    }
    emit Atualizado();
}

void TXRWidget::Redesenhar(const TResultadoWidget &r)
{
    if (FDataBase) {
        oGrid->SetDataSet(nullptr);
        oCds->close();
        oCds->setFieldDefs(r.Campos);
        oCds->open();
        oCds->setRows(r.Linhas);
        oCds->first();
    }
    MontaWidget();
    Ocupado(false);
    update();
}

void TXRWidget::Falha(const QString &mensagem)
{
    m_corTitulo = QColor(255, 0, 0);
    sHint = toolTip();
    if (mensagem.toUpper().contains(QLatin1String("TIMEOUT EXPIRED"))) {
        setToolTip(QStringLiteral("Consulta dos dados excedeu o tempo limite. Reveja as configurações."));
        SetTitle(TituloTempoLimite());
    } else {
        setToolTip(mensagem);
    }
    Ocupado(false);
    LimpaControles();
    update();
}

void TXRWidget::Atualiza()
{
    oCategory->SetExpandida(false);
    if (oQry->SQL().Text().trimmed().isEmpty())
        return;
    AtualizaWidget();
}

void TXRWidget::AtualizaWidget()
{
    if (oCds->active() || bFiltroAplicado) {
        TParamsWidget atuais;
        for (const auto &p : oQry->Params())
            atuais.push_back({p->Name, QString(), TParamWidget::Tipo::Desconhecido, p->Value});
        Execute(atuais);
    } else {
        Execute();
    }
}

// ---------------------------------------------------------------- frame, title and layout

void TXRWidget::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setPen(QPen(FBorderColor, 1));
    p.setBrush(FClientColor);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setPen(m_corTitulo);
    p.setFont(font());
    const QRect r(20, 0, width() - 20 - (TemBotoes() ? 36 : 0), 35);
    const QString texto = p.fontMetrics().elidedText(FTitle, Qt::ElideRight, r.width());
    p.drawText(r, int(FAlignment | Qt::AlignVCenter) | Qt::TextSingleLine, texto);
    if (m_ocupado)
        p.setPen(QPen(QColor(0, 0, 255), 2));
    else
        p.setPen(QPen(FBorderColor, 1));
    p.drawLine(20, 30, width(), 30);
}

QRect TXRWidget::AreaAbaixoTitulo(int reducao) const
{
    const int topo = 35;
    int altura = height() - topo;
    if (altura > reducao)
        altura -= reducao;
    else
        altura -= 2;
    return QRect(1, topo, width() - 2, std::max(0, altura));
}

void TXRWidget::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    if (oLPai)
        oLPai->setGeometry(0, 0, width(), 35);
    Reposiciona();
    oCategory->move(width() - 34, 12);
}

void TXRWidget::Reposiciona()
{
    if (!m_ajustando && !m_desenhando) {
        m_ajustando = true;
        AjustaBotoes();
        m_ajustando = false;
    }
    const QRect area = AreaAbaixoTitulo(TemBotoes() ? 20 : 2);
    for (QWidget *w : {static_cast<QWidget *>(oGrid), static_cast<QWidget *>(oDBChart)}) {
        w->setGeometry(area);
        w->raise();
    }
    oCategory->raise();
    if (m_desenhando)
        return;
    switch (FKind) {
    case TXRKind::wdGauge:
        if (oCds->active() || oImage || oLabel)
            MontaWidget();
        // a gauge is never taller than wide
        if (height() > width())
            resize(width(), width());
        break;
    case TXRKind::wdField:
        if (oPanel) {
            QFont f = oPanel->font();
            f.setPointSize(std::max(1, width() / 10));
            oPanel->setFont(f);
            if (oLabel) {
                QFont fl = oLabel->font();
                fl.setPointSize(std::max(1, width() / 30));
                oLabel->setFont(fl);
            }
        }
        break;
    case TXRKind::wdWebChart:
    case TXRKind::wdWebCard:
        MontaWidget();
        if (height() > width())
            resize(width(), width());
        break;
    case TXRKind::wdWebGauge:
        MontaWidget();
        if (height() > width())
            resize(width(), std::max(1, width() - ReducaoAltura(height())));
        break;
    default: break;
    }
    if (oWebBrowser)
        oWebBrowser->setGeometry(AreaNavegador());
}

// ---------------------------------------------------------------- moving and sizing

bool TXRWidget::eventFilter(QObject *obj, QEvent *e)
{
    if (obj == oLPai) {
        switch (e->type()) {
        case QEvent::MouseButtonPress: {
            auto *me = static_cast<QMouseEvent *>(e);
            const QPoint local = mapFromGlobal(me->globalPosition().toPoint());
            if (BordaWidget(rect(), local) != TBordaWidget::Nenhuma) {
                mousePressEvent(me);
                return true;
            }
            m_arrastando = true;
            m_posArrasto = me->globalPosition().toPoint();
            raise();
            return true;
        }
        case QEvent::MouseMove: {
            auto *me = static_cast<QMouseEvent *>(e);
            if (m_borda != TBordaWidget::Nenhuma) {
                mouseMoveEvent(me);
                return true;
            }
            if (m_arrastando) {
                const QPoint agora = me->globalPosition().toPoint();
                move(pos() + (agora - m_posArrasto));
                m_posArrasto = agora;
                if (OnMoving)
                    OnMoving(this);
            } else {
                const QPoint local = mapFromGlobal(me->globalPosition().toPoint());
                mouseMoveEvent(me);
                if (BordaWidget(rect(), local) == TBordaWidget::Nenhuma)
                    oLPai->setCursor(Qt::SizeAllCursor);
                else
                    oLPai->setCursor(cursor());
            }
            return true;
        }
        case QEvent::MouseButtonRelease:
            if (m_borda != TBordaWidget::Nenhuma) {
                mouseReleaseEvent(static_cast<QMouseEvent *>(e));
                return true;
            }
            m_arrastando = false;
            if (OnAfterMove)
                OnAfterMove(this);
            return true;
        default: break;
        }
    }
    return QWidget::eventFilter(obj, e);
}

namespace {
Qt::CursorShape cursorDaBorda(TBordaWidget b)
{
    switch (b) {
    case TBordaWidget::Esquerda:
    case TBordaWidget::Direita: return Qt::SizeHorCursor;
    case TBordaWidget::Topo:
    case TBordaWidget::Base: return Qt::SizeVerCursor;
    case TBordaWidget::TopoEsquerda:
    case TBordaWidget::BaseDireita: return Qt::SizeFDiagCursor;
    case TBordaWidget::TopoDireita:
    case TBordaWidget::BaseEsquerda: return Qt::SizeBDiagCursor;
    case TBordaWidget::Nenhuma: break;
    }
    return Qt::ArrowCursor;
}
} // namespace

void TXRWidget::mousePressEvent(QMouseEvent *e)
{
    const QPoint local = mapFromGlobal(e->globalPosition().toPoint());
    m_borda = e->button() == Qt::LeftButton ? BordaWidget(rect(), local) : TBordaWidget::Nenhuma;
    if (m_borda != TBordaWidget::Nenhuma) {
        m_geometriaInicial = geometry();
        m_posInicial = e->globalPosition().toPoint();
        raise();
    }
    QWidget::mousePressEvent(e);
}

void TXRWidget::mouseMoveEvent(QMouseEvent *e)
{
    if (m_borda != TBordaWidget::Nenhuma) {
        setGeometry(RedimensionaWidget(m_geometriaInicial, m_borda, e->globalPosition().toPoint() - m_posInicial));
        return;
    }
    if (!m_ocupado) {
        const TBordaWidget b = BordaWidget(rect(), mapFromGlobal(e->globalPosition().toPoint()));
        if (b == TBordaWidget::Nenhuma)
            unsetCursor();
        else
            setCursor(cursorDaBorda(b));
    }
    QWidget::mouseMoveEvent(e);
}

void TXRWidget::mouseReleaseEvent(QMouseEvent *e)
{
    m_borda = TBordaWidget::Nenhuma;
    QWidget::mouseReleaseEvent(e);
}

// ---------------------------------------------------------------- print and minimise

void TXRWidget::ImprimeGrafico()
{
    if (FKind != TXRKind::wdChart || !oDBChart->isVisible())
        return;
    oDBChart->chart()->setTitle(FTitle);
    QString sub;
    const auto &params = oQry->Params();
    for (std::size_t i = 0; i < params.size(); ++i) {
        const QString rotulo = i < FParams.size() && !FParams[i].DataTypeName.isEmpty() ? FParams[i].DataTypeName
                                                                                         : params[i]->Name;
        sub += QStringLiteral(" / ") + rotulo + QStringLiteral(": ") + params[i]->Value.toString();
    }
    oDBChart->SetSubtitulo(sub.mid(3));
    if (AbrePreview) {
        AbrePreview(oDBChart);
    } else {
        QPrinter impressora(QPrinter::HighResolution);
        impressora.setPageMargins(QMarginsF(2, 2, 2, 2), QPageLayout::Millimeter);
        QPrintPreviewDialog dlg(&impressora, this);
        connect(&dlg, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter *p) {
            QPainter pintor(p);
            oDBChart->render(&pintor);
        });
        dlg.exec();
    }
    oDBChart->chart()->setTitle(QString());
    oDBChart->SetSubtitulo(QString());
}

void TXRWidget::Minimiza()
{
    if (FTray) {
        hide();
        auto *b = new QToolButton(FTray);
        b->setObjectName(QStringLiteral("btTray") + objectName());
        b->setAutoRaise(true);
        b->setToolTip(FTitle);
        b->setIcon(TBarraWidget::Icone(4));
        const bool deitado = FTray->width() > FTray->height();
        b->setFixedSize(24, 24);
        if (deitado)
            b->move(FTray->findChildren<QToolButton *>(QString(), Qt::FindDirectChildrenOnly).size() * 24 - 24, 0);
        else
            b->move(0, FTray->findChildren<QToolButton *>(QString(), Qt::FindDirectChildrenOnly).size() * 24 - 24);
        b->show();
        QPointer<TXRWidget> eu(this);
        connect(b, &QToolButton::clicked, b, [eu, b] {
            if (eu)
                eu->show();
            b->deleteLater();
        });
        return;
    }
    if (dialogs().messageBox(QStringLiteral("Tem certeza que deseja eliminar esse Widget?"), QStringLiteral("ORVAN ERP"),
                             MsgButtons::YesNo, MsgIcon::Question, 2)
        == MsgResult::Yes)
        deleteLater();
}
