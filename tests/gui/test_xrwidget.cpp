#include "TestDb.h"
#include "PreencheDataSet.h"

#include "components/XRDBGrid.h"
#include "components/XRWidget.h"
#include "components/XRWidgetBarra.h"
#include "components/XRWidgetGrafico.h"
#include "data/XRDatabase.h"
#include "data/XRQuery.h"
#include "platform/DialogService.h"

#include <QAction>
#include <QChart>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QMouseEvent>
#include <QPieSeries>
#include <QSemaphore>
#include <QThreadPool>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <atomic>

namespace {

// Runs the event loop until the condition holds or the time is up.
bool aguarda(const std::function<bool()> &cond, int ms = 10000)
{
    QElapsedTimer t;
    t.start();
    while (!cond() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return cond();
}

QStringList oferecidos(TXRWidget &w) { return static_cast<TBarraWidget *>(w.BarraBotoes())->Oferecidos(); }

// ---------------------------------------------------------------- buttons and layout

TEST(XRWidgetBotoes, KindArquivoAndButtonsDecideWhatTheBarOffers)
{
    TXRWidget w;
    EXPECT_EQ(oferecidos(w), (QStringList{"btFilter", "btRefresh", "btChart", "btMinimize"}));
    w.SetKind(TXRKind::wdChart);
    EXPECT_EQ(oferecidos(w), (QStringList{"btFilter", "btRefresh", "btChart", "btReport", "btMinimize"}));

    TXRWidget campo;
    campo.SetKind(TXRKind::wdField);
    EXPECT_EQ(oferecidos(campo), (QStringList{"btFilter", "btRefresh", "btMinimize"}));
    campo.SetArquivo(QStringLiteral("relatorio.rep"));
    EXPECT_EQ(oferecidos(campo), (QStringList{"btFilter", "btRefresh", "btReport", "btMinimize"}));
    campo.SetArquivo(QString());
    EXPECT_EQ(oferecidos(campo), (QStringList{"btFilter", "btRefresh", "btMinimize"}));

    TXRWidget cartao;
    cartao.Gauge().Card = true;
    cartao.SetKind(TXRKind::wdGauge);
    cartao.SetButtons({TWButton::btFilter, TWButton::btRefresh, TWButton::btMinimize});
    EXPECT_EQ(oferecidos(cartao), (QStringList{"btFilter", "btRefresh", "btMinimize"}));
    EXPECT_TRUE(cartao.TemBotoes());

    // the print button alone leaves no room for the bar
    cartao.SetButtons({TWButton::btReport});
    EXPECT_FALSE(cartao.TemBotoes());
}

TEST(XRWidgetBotoes, InnerChartAndGridLeaveRoomForTheBarOnlyWhenThereAreButtons)
{
    TXRWidget w;
    w.resize(300, 200);
    w.Reposiciona();
    EXPECT_EQ(w.Grafico()->height(), 200 - 35 - 20);
    EXPECT_EQ(w.Grafico()->width(), 298);
    w.SetButtons({});
    EXPECT_FALSE(w.TemBotoes());
    EXPECT_TRUE(oferecidos(w).isEmpty());
    EXPECT_EQ(w.Grafico()->height(), 200 - 35 - 2);
    EXPECT_EQ(w.Grade()->height(), 200 - 35 - 2);
}

TEST(XRWidgetBotoes, LongPressOnRefreshOpensTheIntervalMenuAfter500ms)
{
    for (const bool comFiltro : {true, false}) {
        SCOPED_TRACE(comFiltro);
        TXRWidget w;
        if (!comFiltro)
            w.SetButtons({TWButton::btRefresh, TWButton::btMinimize});
        QDateTime agora = QDateTime::fromMSecsSinceEpoch(1'000'000);
        w.Relogio = [&agora] { return agora; };
        w.SetTimer(15);
        QToolButton *b = w.Botao(TWButton::btRefresh);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(3, 3), b->mapToGlobal(QPointF(3, 3)), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(b, &press);
        EXPECT_TRUE(w.TimerLongo()->isActive());
        EXPECT_EQ(w.TimerLongo()->interval(), 100);
        agora = agora.addMSecs(500);
        w.MostraPopupAtualiza();
        EXPECT_FALSE(w.PopupAtualiza()->isVisible());
        EXPECT_TRUE(w.TimerLongo()->isActive());
        agora = agora.addMSecs(1);
        w.MostraPopupAtualiza();
        EXPECT_TRUE(w.PopupAtualiza()->isVisible());
        EXPECT_FALSE(w.TimerLongo()->isActive());
        QStringList marcados;
        for (QAction *a : w.PopupAtualiza()->actions())
            if (a->isChecked())
                marcados << a->text();
        EXPECT_EQ(marcados, QStringList{"15 minutos"});
        w.PopupAtualiza()->hide();

        // a release before the time stops the timer: no menu
        QCoreApplication::sendEvent(b, &press);
        QMouseEvent solta(QEvent::MouseButtonRelease, QPointF(3, 3), b->mapToGlobal(QPointF(3, 3)), Qt::LeftButton,
                          Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(b, &solta);
        EXPECT_FALSE(w.TimerLongo()->isActive());
    }
}

TEST(XRWidgetBotoes, TimerIntervalRestartsAndStops)
{
    TXRWidget w;
    w.SetTimer(5);
    EXPECT_TRUE(w.TimerAtualizacao()->isActive());
    EXPECT_EQ(w.TimerAtualizacao()->interval(), 300000);
    aguarda([] { return false; }, 30);
    const int restante = w.TimerAtualizacao()->remainingTime();
    w.SetTimer(5);
    EXPECT_GT(w.TimerAtualizacao()->remainingTime(), restante) << "setting it again restarts the wait";
    w.SetTimer(0);
    EXPECT_FALSE(w.TimerAtualizacao()->isActive());

    w.SetTimer(60);
    QAction *desligar = w.PopupAtualiza()->actions().front();
    EXPECT_EQ(desligar->text(), QStringLiteral("Desligar"));
    EXPECT_FALSE(desligar->isChecked());
    desligar->trigger();
    EXPECT_EQ(w.Timer(), 0);
    EXPECT_FALSE(w.TimerAtualizacao()->isActive());
    EXPECT_TRUE(desligar->isChecked());
}

TEST(XRWidgetBotoes, TimeOutTitleNeverBecomesTheOriginalTitle)
{
    TXRWidget w;
    w.SetTitle(QStringLiteral("Vendas"));
    for (const char *t : {"Consulta excedeu o tempo limite.", "  Consulta excedeu o tempo limite.  "}) {
        w.SetTitle(QString::fromUtf8(t));
        EXPECT_EQ(w.Title(), QString::fromUtf8(t));
        EXPECT_EQ(w.TitleOrig(), QStringLiteral("Vendas"));
    }
    w.SetTitle(QStringLiteral("Consulta excedeu o tempo"));
    EXPECT_EQ(w.TitleOrig(), QStringLiteral("Consulta excedeu o tempo"));
}

TEST(XRWidgetBotoes, EdgeHitTest)
{
    const QRect r(100, 50, 200, 100); // right 300, bottom 150
    const std::tuple<QPoint, TBordaWidget> casos[] = {
        {{105, 55}, TBordaWidget::TopoEsquerda}, {{105, 56}, TBordaWidget::Esquerda},
        {{104, 145}, TBordaWidget::BaseEsquerda}, {{295, 55}, TBordaWidget::TopoDireita},
        {{296, 100}, TBordaWidget::Direita},     {{300, 150}, TBordaWidget::BaseDireita},
        {{200, 54}, TBordaWidget::Topo},         {{200, 55}, TBordaWidget::Nenhuma},
        {{200, 146}, TBordaWidget::Base},        {{200, 145}, TBordaWidget::Nenhuma},
    };
    for (const auto &[p, esperado] : casos) {
        SCOPED_TRACE(QStringLiteral("%1,%2").arg(p.x()).arg(p.y()).toStdString());
        EXPECT_EQ(BordaWidget(r, p), esperado);
    }
    EXPECT_EQ(RedimensionaWidget(r, TBordaWidget::BaseDireita, {10, 20}), QRect(100, 50, 210, 120));
    EXPECT_EQ(RedimensionaWidget(r, TBordaWidget::TopoEsquerda, {10, -5}), QRect(110, 45, 190, 105));
    EXPECT_EQ(RedimensionaWidget(r, TBordaWidget::Esquerda, {500, 0}).width(), 60) << "never below the minimum";
}

TEST(XRWidgetBotoes, TitleDragsTheTileAndEdgesResizeIt)
{
    QWidget pai;
    pai.resize(800, 600);
    TXRWidget w(&pai);
    w.setGeometry(100, 100, 280, 170);
    w.Execute(); // builds the title label; without a connection nothing is queried
    QWidget *titulo = w.TituloPai();
    ASSERT_TRUE(titulo);
    int movendo = 0;
    int moveu = 0;
    w.OnMoving = [&movendo](TXRWidget *) { ++movendo; };
    w.OnAfterMove = [&moveu](TXRWidget *) { ++moveu; };
    const auto envia = [](QWidget *alvo, QEvent::Type tipo, QPoint local) {
        QMouseEvent e(tipo, QPointF(local), QPointF(alvo->mapToGlobal(local)), Qt::LeftButton,
                      tipo == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(alvo, &e);
    };
    envia(titulo, QEvent::MouseButtonPress, {100, 15});
    envia(titulo, QEvent::MouseMove, {130, 35});
    envia(titulo, QEvent::MouseButtonRelease, {130, 35});
    EXPECT_EQ(w.pos(), QPoint(130, 120));
    EXPECT_EQ(movendo, 1);
    EXPECT_EQ(moveu, 1);

    // the bottom-right corner drags the size
    const QPoint canto(w.width() - 2, w.height() - 2);
    envia(&w, QEvent::MouseButtonPress, canto);
    envia(&w, QEvent::MouseMove, canto + QPoint(40, 30));
    envia(&w, QEvent::MouseButtonRelease, canto + QPoint(40, 30));
    EXPECT_EQ(w.geometry(), QRect(130, 120, 320, 200));
}

TEST(XRWidgetBotoes, MinimiseWithoutTrayAsksAndKeepsTheTileOnNo)
{
    ScopedDialogRecorder rec;
    QPointer<TXRWidget> w = new TXRWidget;
    rec->pushAnswer(MsgResult::No);
    w->Minimiza();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(w);
    EXPECT_EQ(rec->texts(), QStringList{"Tem certeza que deseja eliminar esse Widget?"});
    rec->pushAnswer(MsgResult::Yes);
    w->Minimiza();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());

    // with a tray it hides and a tray button brings it back
    QWidget tray;
    tray.resize(200, 24);
    TXRWidget t;
    t.SetTitle(QStringLiteral("Vendas"));
    t.SetTray(&tray);
    t.show();
    t.Minimiza();
    EXPECT_FALSE(t.isVisible());
    auto *b = tray.findChild<QToolButton *>();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->toolTip(), QStringLiteral("Vendas"));
    b->click();
    EXPECT_TRUE(t.isVisible());
}

TEST(XRWidgetBotoes, RefreshButtonOnABlankStatementDoesNothing)
{
    TXRWidget w;
    w.SetKind(TXRKind::wdField);
    w.SQL().SetText(QStringLiteral("   "));
    w.Botao(TWButton::btRefresh)->click();
    EXPECT_FALSE(w.EstaOcupado());
    EXPECT_FALSE(w.TituloPai());
    w.SQL().SetText(QStringLiteral("SELECT 1 FROM RDB$DATABASE"));
    w.Botao(TWButton::btRefresh)->click();
    EXPECT_TRUE(w.TituloPai()) << "the refresh rebuilt the title label";
}

TEST(XRWidgetBotoes, PrintDoesNothingOutsideCharts)
{
    int previas = 0;
    TXRWidget w;
    w.SetKind(TXRKind::wdGrid);
    w.AbrePreview = [&previas](QChartView *) { ++previas; };
    w.ImprimeGrafico();
    EXPECT_EQ(previas, 0);
}

// ---------------------------------------------------------------- grouping

struct CasoAgrupa {
    const char *codigo;
    std::vector<QVariant> esperado; // VALOR per group A, B
};

TEST(XRWidgetAgrupamento, CodesAggregatePerGroupInAscendingOrder)
{
    const std::vector<FieldDef> defs{{"GRUPO", FieldType::String, 20}, {"VALOR", FieldType::Float}, {"OUTRO", FieldType::Integer}};
    const std::vector<Row> linhas{{"B'x", 4.0, 1}, {"A", 1.0, 2}, {"B'x", 6.0, 3}, {"A", 3.0, 4}, {"A", QVariant(), 5}};
    const CasoAgrupa casos[] = {
        {"S", {4.0, 10.0}},   {"M", {4.0 / 3, 5.0}}, {"C", {3.0, 2.0}},
        {"I", {QVariant(), 4.0}}, {"A", {3.0, 6.0}},   {"", {QVariant(), QVariant()}},
    };
    for (const CasoAgrupa &c : casos) {
        SCOPED_TRACE(c.codigo);
        DataSet ds;
        preenche(ds, defs, linhas);
        AgrupaDados(ds, QStringLiteral("GRUPO"), {{QStringLiteral("VALOR"), QString::fromLatin1(c.codigo)}});
        ASSERT_EQ(ds.recordCount(), 2);
        EXPECT_EQ(ds.valueAt(0, 0), QVariant(QStringLiteral("A")));
        EXPECT_EQ(ds.valueAt(1, 0), QVariant(QStringLiteral("B'x")));
        for (int g = 0; g < 2; ++g) {
            const QVariant v = ds.valueAt(g, 1);
            if (c.esperado[std::size_t(g)].isNull())
                EXPECT_TRUE(v.isNull()) << g;
            else
                EXPECT_NEAR(v.toDouble(), c.esperado[std::size_t(g)].toDouble(), 1e-9) << g;
        }
        EXPECT_TRUE(ds.valueAt(0, 2).isNull()) << "a field of no column stays empty";
    }
    DataSet ds;
    preenche(ds, defs, linhas);
    EXPECT_THROW(AgrupaDados(ds, QStringLiteral("FALTA"), {}), EDatabaseError);
}

// ---------------------------------------------------------------- drawing

TEST(XRWidgetDesenho, ValueCardAndGaugeTexts)
{
    TXRWidget w;
    w.resize(300, 200);
    w.SetTitle(QStringLiteral("Total"));
    w.SetKind(TXRKind::wdField);
    preenche(*w.Dados(), {{"VALOR", FieldType::Float}}, {{1234.5}});
    w.MontaWidget();
    ASSERT_TRUE(w.Painel());
    EXPECT_EQ(w.Painel()->objectName(), QStringLiteral("PanelInfo"));
    EXPECT_EQ(w.Painel()->text(), QStringLiteral("1.234,50"));
    EXPECT_TRUE(w.Title().isEmpty());
    EXPECT_TRUE(w.TitleOrig().isEmpty());

    struct Caso {
        const char *mascara;
        bool percentual;
        double min, max, valor;
        const char *texto;
    };
    const Caso casos[] = {
        {"'R$:' #,##0.00#", false, 0, 0, 1500, "R$: 1.500,00"},
        {"0", true, 0, 200, 50, "25"},
        {"0", true, 100, 100, 50, "0"},
    };
    for (const Caso &c : casos) {
        SCOPED_TRACE(c.mascara);
        TXRWidget cartao;
        cartao.resize(300, 200);
        cartao.Gauge().Card = true;
        cartao.SetKind(TXRKind::wdGauge);
        cartao.Gauge().MaskValues = QString::fromUtf8(c.mascara);
        cartao.Gauge().PercentFormat = c.percentual;
        cartao.Gauge().MinValue = c.min;
        cartao.Gauge().MaxValue = c.max;
        cartao.Gauge().Value = c.valor;
        cartao.MontaWidget();
        ASSERT_TRUE(cartao.Rotulo());
        EXPECT_EQ(cartao.Rotulo()->text(), QString::fromUtf8(c.texto));
        EXPECT_EQ(cartao.Gauge().Value, c.valor);
    }
}

TEST(XRWidgetDesenho, SemicircleNeedleIsClampedAndLeavesTheValueAlone)
{
    struct Caso {
        double min, max, valor, angulo;
    };
    const Caso casos[] = {{0, 100, -50, 0}, {0, 100, 150, M_PI}, {10, 10, 30, 0}, {0, 100, 50, M_PI / 2}};
    for (const Caso &c : casos) {
        SCOPED_TRACE(c.valor);
        TXRWidget w;
        w.setObjectName(QStringLiteral("wg"));
        w.resize(300, 200);
        w.SetKind(TXRKind::wdGauge);
        w.Gauge().MinValue = c.min;
        w.Gauge().MaxValue = c.max;
        w.Gauge().Value = c.valor;
        w.Gauge().LegendsQuantity = 3;
        w.MontaWidget();
        ASSERT_TRUE(w.Imagem());
        EXPECT_EQ(w.Imagem()->objectName(), QStringLiteral("imgwg"));
        EXPECT_NEAR(w.Imagem()->property("angulo").toDouble(), c.angulo, 1e-9);
        EXPECT_EQ(w.Gauge().Value, c.valor);
    }
}

TEST(XRWidgetDesenho, BandsShadeTheBlackBandColumnByColumn)
{
    // a black band crossing every column, white above and below
    QImage img(300, 100, QImage::Format_RGB32);
    img.fill(Qt::white);
    for (int x = 0; x < 300; ++x)
        for (int y = 40; y < 50; ++y)
            img.setPixel(x, y, qRgb(0, 0, 0));
    TSessions s;
    s.Add().Color = QColor(255, 0, 0);
    s.Items(0).PercentStart = 0;
    TSessionsItem &verde = s.Add();
    verde.Color = QColor(0, 255, 0);
    verde.PercentStart = 100;
    PintaSessoes(img, img.rect(), s);
    EXPECT_EQ(img.pixelColor(0, 45), QColor(0, 0, 0)) << "left of the first start stays black";
    const QColor c1 = img.pixelColor(1, 45);
    EXPECT_EQ(c1, QColor(255 + int(std::trunc(1 / 300.0 * -255)), int(std::trunc(1 / 300.0 * 255)), 0));
    const QColor c150 = img.pixelColor(150, 45);
    EXPECT_EQ(c150, QColor(255 - 127, 127, 0));
    const QColor c299 = img.pixelColor(299, 45);
    EXPECT_EQ(c299, QColor(255 - 254, 254, 0));
    EXPECT_EQ(img.pixelColor(150, 39), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(150, 50), QColor(Qt::white));

    // a single band leaves everything black
    QImage so(img.size(), QImage::Format_RGB32);
    so.fill(Qt::black);
    TSessions uma;
    uma.Add().Color = Qt::red;
    PintaSessoes(so, so.rect(), uma);
    EXPECT_EQ(so.pixelColor(150, 45), QColor(Qt::black));
}

TEST(XRWidgetDesenho, ChartPagesPiesAndValueMarks)
{
    TXRWidget w;
    w.resize(500, 300);
    w.SetKind(TXRKind::wdChart);
    TSeriesItem &s = w.Chart().Series().Add();
    s.FieldX = QStringLiteral("VALOR");
    s.FieldY = QStringLiteral("NOME");
    s.Style = TStyle::wtpHorizontalBar;
    s.ColorEachPoint = true;
    w.Chart().SetPontosPagina(10);
    w.Chart().SetValores(true);
    std::vector<Row> linhas;
    for (int i = 0; i < 25; ++i)
        linhas.push_back({QStringLiteral("N%1").arg(i), 1000.5 + i});
    preenche(*w.Dados(), {{"NOME", FieldType::String, 10}, {"VALOR", FieldType::Float}}, linhas);
    w.MontaWidget();
    auto *g = static_cast<TGraficoWidget *>(w.Grafico());
    EXPECT_TRUE(g->isVisibleTo(&w));
    EXPECT_EQ(g->Pontos(0), 10);
    EXPECT_EQ(w.TextoRodape(), QStringLiteral("Pág. 1 de 3"));
    EXPECT_EQ(w.MarcasValores().front(), QStringLiteral("1.000,50"));
    EXPECT_EQ(w.MarcasValores().size(), 10);
    w.Chart().SetValores(false);
    EXPECT_TRUE(w.MarcasValores().isEmpty());

    // a pie of ten rows has ten slices
    w.Chart().Series().Items(0).Style = TStyle::wtpPie;
    w.Chart().SetPontosPagina(0);
    linhas.resize(10);
    preenche(*w.Dados(), {{"NOME", FieldType::String, 10}, {"VALOR", FieldType::Float}}, linhas);
    w.MontaWidget();
    ASSERT_EQ(g->chart()->series().size(), 1);
    auto *pie = qobject_cast<QPieSeries *>(g->chart()->series().front());
    ASSERT_TRUE(pie);
    EXPECT_EQ(pie->count(), 10);
    EXPECT_EQ(w.TextoRodape(), QStringLiteral("Pág. 1 de 1"));

    // no rows: the series exists without points
    preenche(*w.Dados(), {{"NOME", FieldType::String, 10}, {"VALOR", FieldType::Float}}, {});
    w.MontaWidget();
    EXPECT_EQ(g->NumSeries(), 1);
    EXPECT_EQ(g->Pontos(0), 0);
}

TEST(XRWidgetDesenho, AMissingFieldIsReportedAsADrawingError)
{
    for (const TXRKind kind : {TXRKind::wdField, TXRKind::wdChart}) {
        TXRWidget w;
        w.SetKind(kind);
        w.Field = QStringLiteral("NAOEXISTE");
        TSeriesItem &s = w.Chart().Series().Add();
        s.FieldX = QStringLiteral("NAOEXISTE");
        s.FieldY = QStringLiteral("VALOR");
        preenche(*w.Dados(), {{"VALOR", FieldType::Float}}, {{1.0}});
        w.Ocupado(true);
        w.MontaWidget();
        EXPECT_TRUE(w.toolTip().startsWith(QStringLiteral("Erro na criação "))) << w.toolTip().toStdString();
        EXPECT_TRUE(w.toolTip().contains(QStringLiteral("NAOEXISTE")));
        EXPECT_EQ(w.CorTitulo(), QColor(255, 0, 0));
        EXPECT_FALSE(w.EstaOcupado());
    }
}

TEST(XRWidgetDesenho, GridShowsNumbersWithTheMaskAndFitsColumns)
{
    TXRWidget w;
    w.resize(400, 300);
    w.SetKind(TXRKind::wdGrid);
    w.SetFontSizeGrid(12);
    preenche(*w.Dados(), {{"NOME", FieldType::String, 10}, {"VALOR", FieldType::Float}},
             {{QStringLiteral("a"), 5.0}, {QStringLiteral("b"), 123456.78}});
    w.MontaWidget();
    EXPECT_TRUE(w.Grade()->isVisibleTo(&w));
    EXPECT_EQ(w.Grade()->font().pointSize(), 12);
    EXPECT_EQ(w.Dados()->field(1)->displayText(), QStringLiteral("5,00"));
    const QFontMetrics fm(w.Grade()->font());
    EXPECT_GE(w.Grade()->columnWidth(1), fm.horizontalAdvance(QStringLiteral("123.456,78")) + 40);
}

// ---------------------------------------------------------------- refresh on the embedded engine

class XRWidgetBanco : public ::testing::Test {
protected:
    void SetUp() override { db = inst.connect(); }
    void TearDown() override { PoolWidgets()->waitForDone(20000); }
    ScratchInstall inst;
    std::unique_ptr<TXRDatabase> db;
};

TEST_F(XRWidgetBanco, RowsArriveInTheWorkerAndAreDrawnWithTheirTypes)
{
    TXRWidget w;
    w.resize(300, 200);
    w.SetTitle(QStringLiteral("Valor"));
    w.SetDataBase(db.get());
    w.SetKind(TXRKind::wdField);
    w.SQL().SetText(QStringLiteral("SELECT CAST(1234.5 AS DOUBLE PRECISION) AS V, CAST('2024-02-29' AS DATE) AS D, "
                                   "'' AS E FROM RDB$DATABASE"));
    w.Execute();
    EXPECT_TRUE(w.EstaOcupado());
    EXPECT_TRUE(w.Trabalhando());
    ASSERT_TRUE(aguarda([&w] { return !w.Trabalhando(); }));
    EXPECT_FALSE(w.EstaOcupado());
    ASSERT_TRUE(w.Painel()) << w.toolTip().toStdString();
    EXPECT_EQ(w.Painel()->text(), QStringLiteral("1.234,50"));
    EXPECT_EQ(w.Dados()->valueAt(0, 0), QVariant(1234.5));
    EXPECT_EQ(w.Dados()->valueAt(0, 1), QVariant(QDate(2024, 2, 29)));
    EXPECT_EQ(w.Dados()->fieldDefs()[2].size, 1) << "an empty text column gets size 1";
}

TEST_F(XRWidgetBanco, ExecuteDuringAJobRunsOnceMoreWithTheNewestParameters)
{
    std::atomic<int> inicios{0};
    QSemaphore libera;
    TXRWidget w;
    w.SetDataBase(db.get());
    w.SetKind(TXRKind::wdField);
    w.SQL().SetText(QStringLiteral("SELECT CAST(:N AS INTEGER) AS N FROM RDB$DATABASE"));
    w.AoIniciarTrabalho = [&] {
        ++inicios;
        libera.acquire();
    };
    const auto parametro = [](int n) { return TParamsWidget{{QStringLiteral("N"), {}, {}, n}}; };
    w.Execute(parametro(1));
    ASSERT_TRUE(aguarda([&] { return inicios == 1; }));
    w.Execute(parametro(2));
    w.Execute(parametro(3));
    aguarda([] { return false; }, 50);
    EXPECT_EQ(inicios, 1);
    libera.release();
    ASSERT_TRUE(aguarda([&] { return inicios == 2; }));
    libera.release();
    ASSERT_TRUE(aguarda([&w] { return !w.Trabalhando(); }));
    aguarda([] { return false; }, 50);
    EXPECT_EQ(inicios, 2);
    ASSERT_TRUE(w.Painel());
    EXPECT_EQ(w.Painel()->text(), QStringLiteral("3"));
}

TEST_F(XRWidgetBanco, EmptyDateParameterBecomesTodayAndKeepsIt)
{
    TXRWidget w;
    w.SetDataBase(db.get());
    w.SetKind(TXRKind::wdGrid);
    w.SQL().SetText(QStringLiteral("SELECT CAST(:DT AS DATE) AS DT, CAST(:NUM AS VARCHAR(5)) AS NUM FROM RDB$DATABASE"));
    ASSERT_EQ(w.Params().size(), 2u);
    w.Params()[0].DataType = TParamWidget::Tipo::Data;
    w.Execute();
    ASSERT_TRUE(aguarda([&w] { return !w.Trabalhando(); }));
    EXPECT_EQ(w.Params()[0].Value, QVariant(QDate::currentDate()));
    EXPECT_EQ(w.Params()[1].Value, QVariant(QStringLiteral("0")));
    EXPECT_EQ(w.Dados()->valueAt(0, 0), QVariant(QDate::currentDate()));
    EXPECT_EQ(w.Dados()->valueAt(0, 1), QVariant(QStringLiteral("0")));
    w.Params()[0].Value = QVariant();
    w.Params()[0].Value = QDate(2020, 1, 2); // a kept value is not replaced
    w.Execute();
    ASSERT_TRUE(aguarda([&w] { return !w.Trabalhando(); }));
    EXPECT_EQ(w.Dados()->valueAt(0, 0), QVariant(QDate(2020, 1, 2)));
}

TEST_F(XRWidgetBanco, TimeOutShowsTheTimeOutTitleUntilTheNextSuccess)
{
    TXRWidget w;
    w.resize(300, 200);
    w.SetTitle(QStringLiteral("Vendas"));
    w.SetDataBase(db.get());
    w.SetKind(TXRKind::wdGrid);
    w.TempoLimiteMs = 300;
    w.SQL().SetText(QStringLiteral("SELECT COUNT(*) AS N FROM RDB$FIELDS A, RDB$FIELDS B, RDB$FIELDS C"));
    w.Execute();
    ASSERT_TRUE(aguarda([&w] { return !w.Trabalhando(); }, 20000));
    EXPECT_EQ(w.Title(), QStringLiteral("Consulta excedeu o tempo limite."));
    EXPECT_EQ(w.TitleOrig(), QStringLiteral("Vendas"));
    EXPECT_EQ(w.toolTip(), QStringLiteral("Consulta dos dados excedeu o tempo limite. Reveja as configurações."));
    EXPECT_EQ(w.CorTitulo(), QColor(255, 0, 0));
    EXPECT_FALSE(w.Grade()->isVisibleTo(&w));
    EXPECT_FALSE(w.EstaOcupado());

    w.SQL().SetText(QStringLiteral("SELECT 1 AS N FROM RDB$DATABASE"));
    w.Execute();
    ASSERT_TRUE(aguarda([&w] { return !w.Trabalhando(); }));
    EXPECT_EQ(w.Title(), QStringLiteral("Vendas"));
    EXPECT_TRUE(w.toolTip().isEmpty());
    EXPECT_EQ(w.CorTitulo(), QColor(Qt::black));
    EXPECT_TRUE(w.Grade()->isVisibleTo(&w));
}

TEST_F(XRWidgetBanco, AttachFailingTwiceKeepsTheFirstMessageAndFailsWithTheSecond)
{
    TXRDatabase ruim;
    ruim.DriverName = QStringLiteral("FB");
    ruim.Database = inst.path(QStringLiteral("naoexiste.fdb"));
    TXRWidget w;
    w.SetDataBase(&ruim);
    w.SetKind(TXRKind::wdField);
    w.SQL().SetText(QStringLiteral("SELECT 1 FROM RDB$DATABASE"));
    w.Execute();
    ASSERT_TRUE(aguarda([&w] { return !w.Trabalhando(); }));
    EXPECT_TRUE(w.toolTip().startsWith(QStringLiteral("Erro ao abrir a base"))) << w.toolTip().toStdString();
    EXPECT_EQ(w.CorTitulo(), QColor(255, 0, 0));
    EXPECT_FALSE(w.Painel());

    // the next refresh starts from the hint kept at the failure: the first message
    ruim.Database = inst.dbPath();
    w.Execute();
    EXPECT_TRUE(w.toolTip().startsWith(QStringLiteral("Erro ao abrir a base")));
    ASSERT_TRUE(aguarda([&w] { return !w.Trabalhando(); }));
    EXPECT_TRUE(w.Painel());
}

TEST_F(XRWidgetBanco, ATileDestroyedWhileItsJobIsBlockedGetsNothing)
{
    std::atomic<int> inicios{0};
    auto libera = std::make_shared<QSemaphore>();
    auto *w = new TXRWidget;
    int entregas = 0;
    QObject contador;
    QObject::connect(w, &TXRWidget::Atualizado, &contador, [&entregas] { ++entregas; });
    w->SetDataBase(db.get());
    w->SetKind(TXRKind::wdField);
    w->SQL().SetText(QStringLiteral("SELECT 1 AS N FROM RDB$DATABASE"));
    w->AoIniciarTrabalho = [&inicios, libera] {
        ++inicios;
        libera->acquire();
    };
    w->Execute();
    ASSERT_TRUE(aguarda([&] { return inicios == 1; }));
    delete w;
    libera->release();
    EXPECT_TRUE(PoolWidgets()->waitForDone(10000));
    aguarda([] { return false; }, 50);
    EXPECT_EQ(entregas, 0);
}

TEST_F(XRWidgetBanco, GridTileGroupsRowsInTheWorker)
{
    TXRWidget w;
    w.SetDataBase(db.get());
    w.SetKind(TXRKind::wdGrid);
    w.Field = QStringLiteral("G");
    w.GridColumns() = {{QStringLiteral("G"), {}, 0, {}}, {QStringLiteral("V"), {}, 0, QStringLiteral("S")}};
    w.SQL().SetText(QStringLiteral("SELECT 'b' AS G, 2 AS V FROM RDB$DATABASE UNION ALL "
                                   "SELECT 'a', 1 FROM RDB$DATABASE UNION ALL SELECT 'b', 5 FROM RDB$DATABASE"));
    w.Execute();
    ASSERT_TRUE(aguarda([&w] { return !w.Trabalhando(); }));
    ASSERT_EQ(w.Dados()->recordCount(), 2) << w.toolTip().toStdString();
    EXPECT_EQ(w.Dados()->valueAt(0, 0).toString(), QStringLiteral("a"));
    EXPECT_EQ(w.Dados()->valueAt(1, 1).toInt(), 7);

    // other kinds stay ungrouped
    w.SetKind(TXRKind::wdField);
    w.Execute();
    ASSERT_TRUE(aguarda([&w] { return !w.Trabalhando(); }));
    EXPECT_EQ(w.Dados()->recordCount(), 3);
}

} // namespace
