#include "components/uConfig.h"

#include "components/XRCurrencyEdit.h"
#include "components/XRDBGrid.h"
#include "platform/DataSet.h"
#include "platform/DialogService.h"
#include "platform/Formats.h"

#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QButtonGroup>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QColorDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QPainter>
#include <QPieSeries>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include <array>
#include <climits>
#include <cmath>

namespace {

struct NomeCor {
    const char *nome;
    QRgb bgr; // as stored: $00BBGGRR
};

constexpr std::array<NomeCor, 20> kCores{{
    {"clBlack", 0x000000},   {"clMaroon", 0x000080}, {"clGreen", 0x008000},    {"clOlive", 0x008080},
    {"clNavy", 0x800000},    {"clPurple", 0x800080}, {"clTeal", 0x808000},     {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},  {"clRed", 0x0000FF},    {"clLime", 0x00FF00},     {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},    {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00},    {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6}, {"clCream", 0xF0FBFF}, {"clMedGray", 0xA4A0A0},
}};

QRgb paraBgr(const QColor &c)
{
    return QRgb(c.red()) | QRgb(c.green()) << 8 | QRgb(c.blue()) << 16;
}

QColor deBgr(quint32 v)
{
    return QColor(int(v & 0xFF), int(v >> 8 & 0xFF), int(v >> 16 & 0xFF));
}

const char *const kMeses[10] = {"Janeiro", "Fevereiro", "Março",  "Abril",    "Maio",
                                "Junho",   "Julho",     "Agosto", "Setembro", "Outubro"};
constexpr int kValores1[10] = {8, 9, 9, 10, 8, 10, 11, 10, 11, 10};
constexpr int kValores2[10] = {10, 11, 10, 11, 10, 8, 10, 9, 9, 8};

enum Estilo { BarraVertical, BarraHorizontal, Pizza, Linha, Area, BarraELinha };

// The Cor column shows the colour itself; a colour is chosen, never typed.
class CorDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QColor cor;
        if (StringToColor(index.data(Qt::DisplayRole).toString(), cor)) {
            p->fillRect(option.rect, cor);
            return;
        }
        QStyledItemDelegate::paint(p, option, index);
    }
    QWidget *createEditor(QWidget *, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        return nullptr;
    }
};

// The definitions are bars and lines with both present (scanning stops at
// the first that is neither).
bool SoBarrasELinhas(const TSeries &series)
{
    bool barra = false;
    bool linha = false;
    for (int i = 0; i < series.Count(); ++i) {
        const TStyle s = series.Items(i).Style;
        if (s == TStyle::wtpBar)
            barra = true;
        else if (s == TStyle::wtpLine)
            linha = true;
        else
            return false;
    }
    return barra && linha;
}

int numeroOu(const QString &texto, int padrao)
{
    bool ok = false;
    const int v = texto.trimmed().toInt(&ok);
    return ok ? v : padrao;
}

double realOu(const QString &texto, double padrao)
{
    double v = 0;
    return fmt::tryStrToFloat(texto, v) ? v : padrao;
}

} // namespace

QString ColorToString(const QColor &cor)
{
    const QRgb bgr = paraBgr(cor);
    for (const NomeCor &c : kCores)
        if (c.bgr == bgr)
            return QString::fromLatin1(c.nome);
    return QStringLiteral("$%1").arg(bgr, 8, 16, QLatin1Char('0')).toUpper();
}

bool StringToColor(const QString &nome, QColor &cor)
{
    const QString t = nome.trimmed();
    for (const NomeCor &c : kCores) {
        if (t.compare(QLatin1String(c.nome), Qt::CaseInsensitive) == 0) {
            cor = deBgr(c.bgr);
            return true;
        }
    }
    bool ok = false;
    const quint32 v = t.startsWith(u'$') ? t.mid(1).toUInt(&ok, 16) : t.toUInt(&ok, 10);
    if (!ok || v > 0xFFFFFF)
        return false;
    cor = deBgr(v);
    return true;
}

TFmWidConfig::TFmWidConfig(TXRWidget *widget, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint),
      FWidget(widget)
{
    setObjectName(QStringLiteral("FmWidConfig"));
    setWindowTitle(QStringLiteral("Configurações"));
    resize(544, 392);
    ColorDialog1 = [this](const QColor &inicial) { return QColorDialog::getColor(inicial, this); };
    CriaControles();
}

TFmWidConfig::~TFmWidConfig() = default;

void TFmWidConfig::CriaControles()
{
    auto *grupoTitulo = new QGroupBox(QStringLiteral("Título do Widget"), this);
    EdtTitulo = new QLineEdit(grupoTitulo);
    EdtTitulo->setObjectName(QStringLiteral("EdtTitulo"));
    EdtTitulo->setAlignment(Qt::AlignCenter);
    (new QVBoxLayout(grupoTitulo))->addWidget(EdtTitulo);

    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    TsGrafico = CriaPaginaGrafico();
    TsGauge = CriaPaginaGauge();
    PageControl->addTab(TsGrafico, QStringLiteral("Gráfico"));
    PageControl->addTab(TsGauge, QStringLiteral("Indicador"));

    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2 = new QPushButton(QStringLiteral("Cancelar"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn1->setAutoDefault(false);
    BitBtn2->setAutoDefault(false);
    auto *botoes = new QHBoxLayout;
    botoes->addStretch();
    botoes->addWidget(BitBtn1);
    botoes->addWidget(BitBtn2);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(grupoTitulo);
    layout->addWidget(PageControl, 1);
    layout->addLayout(botoes);

    connect(BitBtn1, &QPushButton::clicked, this, &TFmWidConfig::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TFmWidConfig::BitBtn2Click);
}

QWidget *TFmWidConfig::CriaPaginaGrafico()
{
    auto *pagina = new QWidget;
    pagina->setObjectName(QStringLiteral("TsGrafico"));
    auto *grupoValores = new QGroupBox(QStringLiteral("Valores"), pagina);
    ClValores = new QListWidget(grupoValores);
    ClValores->setObjectName(QStringLiteral("ClValores"));
    (new QVBoxLayout(grupoValores))->addWidget(ClValores);

    RgEstilo = new QGroupBox(QStringLiteral("Estilo"), pagina);
    RgEstilo->setObjectName(QStringLiteral("RgEstilo"));
    m_estilos = new QButtonGroup(this);
    auto *grade = new QGridLayout(RgEstilo);
    const QStringList itens{"Barra Vertical", "Barra Horizontal", "Pizza", "Linha", "Área", "Barra e Linha"};
    for (int i = 0; i < itens.size(); ++i) {
        auto *r = new QRadioButton(itens[i], RgEstilo);
        r->setObjectName(QStringLiteral("RgEstilo%1").arg(i));
        m_estilos->addButton(r, i);
        grade->addWidget(r, i / 3, i % 3);
    }
    connect(m_estilos, &QButtonGroup::idClicked, this, [this](int) { RgEstiloClick(); });

    EdPontosPagina = new QSpinBox(pagina);
    EdPontosPagina->setObjectName(QStringLiteral("EdPontosPagina"));
    EdPontosPagina->setRange(INT_MIN, INT_MAX);
    cbLegenda = new QCheckBox(QStringLiteral("Legenda"), pagina);
    cbLegenda->setObjectName(QStringLiteral("cbLegenda"));
    cbValores = new QCheckBox(QStringLiteral("Valores"), pagina);
    cbValores->setObjectName(QStringLiteral("cbValores"));
    connect(cbLegenda, &QCheckBox::toggled, this, [this] { AjustaExemplo(); });
    connect(cbValores, &QCheckBox::toggled, this, [this] { AjustaExemplo(); });
    connect(EdPontosPagina, &QSpinBox::valueChanged, this, [this] { AjustaExemplo(); });

    auto *chart = new QChart;
    chart->setTitle(QStringLiteral("Exemplo"));
    Chart1 = new QChartView(chart, pagina);
    Chart1->setObjectName(QStringLiteral("Chart1"));

    auto *opcoes = new QHBoxLayout;
    opcoes->addWidget(new QLabel(QStringLiteral("Pontos por página"), pagina));
    opcoes->addWidget(EdPontosPagina);
    opcoes->addWidget(cbLegenda);
    opcoes->addWidget(cbValores);
    auto *direita = new QVBoxLayout;
    direita->addWidget(RgEstilo);
    direita->addLayout(opcoes);
    direita->addWidget(Chart1, 1);
    auto *layout = new QHBoxLayout(pagina);
    layout->addWidget(grupoValores);
    layout->addLayout(direita, 2);
    return pagina;
}

QWidget *TFmWidConfig::CriaPaginaGauge()
{
    auto *pagina = new QWidget;
    pagina->setObjectName(QStringLiteral("TsGauge"));
    auto *grupoSessoes = new QGroupBox(QStringLiteral("Sessões do Gauge"), pagina);
    TbGauge = new DataSet(this);
    TbGauge->setObjectName(QStringLiteral("TbGauge"));
    TbGauge->setFieldDefs({{QStringLiteral("Valor"), FieldType::Float, 0}, {QStringLiteral("Cor"), FieldType::String, 10}});
    DbgGauge = new TXRDBGrid(grupoSessoes);
    DbgGauge->setObjectName(QStringLiteral("DbgGauge"));
    DbgGauge->SetDataSet(TbGauge);
    DbgGauge->AddColumn(QStringLiteral("Valor"), QStringLiteral("% Inicial"))->Width = 48;
    DbgGauge->AddColumn(QStringLiteral("Cor"), QStringLiteral("Cor"));
    DbgGauge->LayoutChanged();
    DbgGauge->setItemDelegateForColumn(1, new CorDelegate(DbgGauge));
    DbgGauge->OnDblClick = [this](TXRDBGrid *) { DbgGaugeDblClick(); };
    (new QVBoxLayout(grupoSessoes))->addWidget(DbgGauge);

    auto *grupoConfig = new QGroupBox(QStringLiteral("Configurações do Gauge"), pagina);
    LblQtLegenda = new QLabel(QStringLiteral("Qtde. Legendas"), grupoConfig);
    EdtQtLegenda = new QLineEdit(grupoConfig);
    EdtQtLegenda->setObjectName(QStringLiteral("EdtQtLegenda"));
    EdtQtLegenda->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), EdtQtLegenda));
    cbTemLegenda = new QCheckBox(QStringLiteral("Tem Legenda"), grupoConfig);
    cbTemLegenda->setObjectName(QStringLiteral("cbTemLegenda"));
    CbPercento = new QCheckBox(QStringLiteral("Percentual"), grupoConfig);
    CbPercento->setObjectName(QStringLiteral("CbPercento"));
    EdtMascara = new QLineEdit(QStringLiteral("#0.00"), grupoConfig);
    EdtMascara->setObjectName(QStringLiteral("EdtMascara"));
    connect(EdtMascara, &QLineEdit::editingFinished, this, &TFmWidConfig::EdtMascaraExit);

    auto *grupoIntervalo = new QGroupBox(QStringLiteral("Intervalo"), grupoConfig);
    EdtMinimo = new TXRCurrEdit(grupoIntervalo);
    EdtMinimo->setObjectName(QStringLiteral("EdtMinimo"));
    EdtMaximo = new TXRCurrEdit(grupoIntervalo);
    EdtMaximo->setObjectName(QStringLiteral("EdtMaximo"));
    for (TXRCurrEdit *e : {EdtMinimo, EdtMaximo}) {
        e->SetDecimalPlaces(2);
        e->SetDisplayFormat(QStringLiteral("#0.00"));
    }
    auto *intervalo = new QGridLayout(grupoIntervalo);
    intervalo->addWidget(new QLabel(QStringLiteral("Mínimo"), grupoIntervalo), 0, 0);
    intervalo->addWidget(EdtMinimo, 0, 1);
    intervalo->addWidget(new QLabel(QStringLiteral("Máximo"), grupoIntervalo), 1, 0);
    intervalo->addWidget(EdtMaximo, 1, 1);

    auto *config = new QGridLayout(grupoConfig);
    config->addWidget(LblQtLegenda, 0, 0);
    config->addWidget(EdtQtLegenda, 0, 1);
    config->addWidget(cbTemLegenda, 1, 0, 1, 2);
    config->addWidget(CbPercento, 2, 0, 1, 2);
    config->addWidget(new QLabel(QStringLiteral("Máscara"), grupoConfig), 3, 0);
    config->addWidget(EdtMascara, 3, 1);
    config->addWidget(grupoIntervalo, 4, 0, 1, 2);

    auto *layout = new QHBoxLayout(pagina);
    layout->addWidget(grupoSessoes);
    layout->addWidget(grupoConfig);
    return pagina;
}

void TFmWidConfig::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous())
        FormShow();
}

int TFmWidConfig::EstiloSelecionado() const
{
    return m_estilos->checkedId();
}

void TFmWidConfig::SelecionaEstilo(int item)
{
    if (item < 0) {
        // an exclusive group cannot uncheck its last button
        m_estilos->setExclusive(false);
        for (QAbstractButton *b : m_estilos->buttons())
            b->setChecked(false);
        m_estilos->setExclusive(true);
        return;
    }
    if (QAbstractButton *b = m_estilos->button(item))
        b->setChecked(true);
    RgEstiloClick();
}

void TFmWidConfig::MostraSoPagina(QWidget *pagina)
{
    PageControl->setTabVisible(PageControl->indexOf(TsGrafico), pagina == TsGrafico);
    PageControl->setTabVisible(PageControl->indexOf(TsGauge), pagina == TsGauge);
    PageControl->setCurrentWidget(pagina);
}

void TFmWidConfig::FormShow()
{
    bAtualiza = false;
    if (!FWidget)
        return;
    EdtTitulo->setText(FWidget->Title());
    const bool web = FWidget->Kind() == TXRKind::wdWebGauge;
    LblQtLegenda->setVisible(!web);
    EdtQtLegenda->setVisible(!web);
    cbTemLegenda->setVisible(web);
    switch (FWidget->Kind()) {
    case TXRKind::wdWebGauge: CarregaGauge(FWidget->WebGauge(), true); break;
    case TXRKind::wdGauge: CarregaGauge(FWidget->Gauge(), false); break;
    case TXRKind::wdChart: {
        const TChart &c = FWidget->Chart();
        CarregaGrafico(c.Series(), c.Legenda(), c.Valores(), c.PontosPagina());
        break;
    }
    case TXRKind::wdWebChart: {
        const TWebChart &c = FWidget->WebChart();
        CarregaGrafico(c.Series, c.Legenda, c.Valores, c.PontosPagina);
        break;
    }
    default: break;
    }
}

void TFmWidConfig::CarregaGauge(const TGauge &g, bool web)
{
    MostraSoPagina(TsGauge);
    TbGauge->close();
    TbGauge->open();
    for (int i = 0; i < g.Sessions().Count(); ++i) {
        const TSessionsItem &s = g.Sessions().Items(i);
        TbGauge->append();
        TbGauge->fieldByName(QStringLiteral("Valor"))->setValue(double(s.PercentStart));
        TbGauge->fieldByName(QStringLiteral("Cor"))->setValue(ColorToString(s.Color));
        TbGauge->post();
    }
    TbGauge->first();
    EdtQtLegenda->setText(QString::number(g.LegendsQuantity));
    if (web)
        cbTemLegenda->setChecked(g.LegendsQuantity > 0);
    EdtMascara->setText(g.MaskValues);
    EdtMinimo->SetText(fmt::floatToStr(g.MinValue));
    EdtMaximo->SetText(fmt::floatToStr(g.MaxValue));
    CbPercento->setChecked(g.PercentFormat);
    EdtMinimo->SetDisplayFormat(g.MaskValues);
    EdtMaximo->SetDisplayFormat(g.MaskValues);
}

void TFmWidConfig::CarregaGrafico(const TSeries &series, bool legenda, bool valores, int pontos)
{
    MostraSoPagina(TsGrafico);
    int item = -1;
    if (series.Count() > 0) {
        switch (series.Items(0).Style) {
        case TStyle::wtpArea: item = Area; break;
        case TStyle::wtpHorizontalBar: item = BarraHorizontal; break;
        case TStyle::wtpLine: item = Linha; break;
        case TStyle::wtpPie: item = Pizza; break;
        default: item = BarraVertical; break;
        }
        if (series.Count() > 1 && SoBarrasELinhas(series))
            item = BarraELinha;
    }
    SelecionaEstilo(item);
    // One entry per definition, so entry i always belongs to definition i.
    ClValores->clear();
    for (int i = 0; i < series.Count(); ++i) {
        auto *entrada = new QListWidgetItem(series.Items(i).Vision, ClValores);
        entrada->setFlags(entrada->flags() | Qt::ItemIsUserCheckable);
        entrada->setCheckState(series.Items(i).Visible ? Qt::Checked : Qt::Unchecked);
    }
    cbLegenda->setChecked(legenda);
    cbValores->setChecked(valores);
    if (pontos > 0)
        EdPontosPagina->setValue(pontos);
    AjustaExemplo();
}

void TFmWidConfig::RgEstiloClick()
{
    QChart *chart = Chart1->chart();
    chart->removeAllSeries();
    for (QAbstractAxis *a : chart->axes())
        chart->removeAxis(a), delete a;
    PreencheExemplo();
    AjustaExemplo();
}

void TFmWidConfig::PreencheExemplo()
{
    QChart *chart = Chart1->chart();
    QStringList meses;
    for (const char *m : kMeses)
        meses << QString::fromUtf8(m);
    const int item = EstiloSelecionado();
    auto linha = [](const int (&y)[10]) {
        auto *s = new QLineSeries;
        for (int i = 0; i < 10; ++i)
            s->append(i, y[i]);
        return s;
    };
    auto barras = [&meses](QAbstractBarSeries *s, const int (&y)[10]) {
        auto *set = new QBarSet(QString());
        for (int i = 0; i < 10; ++i)
            *set << y[i];
        s->append(set);
        return s;
    };
    if (item == Pizza) {
        auto *s = new QPieSeries;
        for (int i = 0; i < 10; ++i)
            s->append(meses[i], kValores1[i]);
        chart->addSeries(s);
        return;
    }
    QList<QAbstractSeries *> series;
    switch (item) {
    case BarraHorizontal: series << barras(new QHorizontalBarSeries, kValores1); break;
    case Linha: series << linha(kValores1); break;
    case Area: series << new QAreaSeries(linha(kValores1)); break;
    case BarraELinha: series << barras(new QBarSeries, kValores1) << linha(kValores2); break;
    default: series << barras(new QBarSeries, kValores1); break;
    }
    auto *categorias = new QBarCategoryAxis;
    categorias->append(meses);
    categorias->setLabelsAngle(-90);
    auto *valores = new QValueAxis;
    const bool horizontal = item == BarraHorizontal;
    chart->addAxis(categorias, horizontal ? Qt::AlignLeft : Qt::AlignBottom);
    chart->addAxis(valores, horizontal ? Qt::AlignBottom : Qt::AlignLeft);
    for (QAbstractSeries *s : series) {
        chart->addSeries(s);
        if (qobject_cast<QAbstractBarSeries *>(s)) {
            s->attachAxis(categorias);
        } else {
            // lines run on x 0..9 under the category labels
            auto *x = new QValueAxis;
            x->setRange(0, 9);
            x->setVisible(false);
            chart->addAxis(x, Qt::AlignBottom);
            s->attachAxis(x);
        }
        s->attachAxis(valores);
    }
    valores->setRange(0, 12);
}

// Legend, marks and points per page of the preview follow the controls.
void TFmWidConfig::AjustaExemplo()
{
    QChart *chart = Chart1->chart();
    chart->legend()->setVisible(cbLegenda->isChecked());
    const bool marcas = cbValores->isChecked();
    for (QAbstractSeries *s : chart->series()) {
        if (auto *b = qobject_cast<QAbstractBarSeries *>(s))
            b->setLabelsVisible(marcas);
        else if (auto *l = qobject_cast<QLineSeries *>(s))
            l->setPointLabelsVisible(marcas);
        else if (auto *a = qobject_cast<QAreaSeries *>(s))
            a->setPointLabelsVisible(marcas);
        else if (auto *p = qobject_cast<QPieSeries *>(s))
            p->setLabelsVisible(marcas);
    }
    const int pontos = EdPontosPagina->value();
    for (QAbstractAxis *a : chart->axes(Qt::Horizontal | Qt::Vertical)) {
        if (auto *c = qobject_cast<QBarCategoryAxis *>(a)) {
            if (pontos > 0 && pontos < c->count())
                c->setRange(c->at(0), c->at(pontos - 1));
            else if (c->count() > 0)
                c->setRange(c->at(0), c->at(c->count() - 1));
        }
    }
}

void TFmWidConfig::DbgGaugeDblClick()
{
    TXRColumn *coluna = DbgGauge->Column(DbgGauge->SelectedIndex());
    if (!coluna || coluna->FieldName != QLatin1String("Cor") || !TbGauge->active() || TbGauge->isEmpty())
        return;
    QColor inicial;
    StringToColor(TbGauge->fieldByName(QStringLiteral("Cor"))->asString(), inicial);
    const QColor cor = ColorDialog1(inicial);
    if (!cor.isValid())
        return;
    TbGauge->edit();
    TbGauge->fieldByName(QStringLiteral("Cor"))->setValue(ColorToString(cor));
    TbGauge->post();
}

void TFmWidConfig::EdtMascaraExit()
{
    EdtMinimo->SetDisplayFormat(EdtMascara->text());
    EdtMaximo->SetDisplayFormat(EdtMascara->text());
}

bool TFmWidConfig::SessoesEmOrdem()
{
    TbGauge->postIfEditing();
    long anterior = LONG_MIN;
    for (int i = 0; i < TbGauge->recordCount(); ++i) {
        const long v = std::lround(TbGauge->valueAt(i, 0).toDouble());
        if (v < anterior) {
            dialogs().messageBox(QStringLiteral("Os valores das sessões do Gauge devem estar em ordem crescente."),
                                 QStringLiteral("Atenção"), MsgButtons::Ok, MsgIcon::Information);
            return false;
        }
        anterior = v;
    }
    return true;
}

void TFmWidConfig::AplicaGauge(TGauge &g, bool web)
{
    g.Sessions().Clear();
    for (int i = 0; i < TbGauge->recordCount(); ++i) {
        TSessionsItem &s = g.Sessions().Add();
        s.PercentStart = int(std::lround(TbGauge->valueAt(i, 0).toDouble()));
        QColor cor;
        StringToColor(TbGauge->valueAt(i, 1).toString(), cor);
        s.Color = cor;
    }
    g.MinValue = realOu(EdtMinimo->Text(), 0);
    g.MaxValue = realOu(EdtMaximo->Text(), 100);
    if (web)
        g.LegendsQuantity = cbTemLegenda->isChecked() ? 1 : 0;
    else
        g.LegendsQuantity = numeroOu(EdtQtLegenda->text(), 3);
    g.MaskValues = EdtMascara->text();
    g.PercentFormat = CbPercento->isChecked();
}

bool TFmWidConfig::AplicaVisibilidade(TSeries &series)
{
    bool achou = false;
    for (int i = 0; i < ClValores->count() && i < series.Count(); ++i) {
        const QListWidgetItem *entrada = ClValores->item(i);
        if (entrada->text() == series.Items(i).Vision) {
            series.Items(i).Visible = entrada->checkState() == Qt::Checked;
            achou = true;
        }
    }
    if (!achou)
        dialogs().messageBox(QStringLiteral("É necessário visualizar ao menos um valor."), QStringLiteral("Atenção"),
                             MsgButtons::Ok, MsgIcon::Information);
    return achou;
}

void TFmWidConfig::AplicaEstilo(TSeries &series, TStyle escolhido)
{
    if (EstiloSelecionado() == BarraELinha && series.Count() > 1) {
        if (SoBarrasELinhas(series))
            return;
        for (int i = 0; i < series.Count(); ++i)
            series.Items(i).Style = i == 0 ? TStyle::wtpBar : TStyle::wtpLine;
        return;
    }
    for (int i = 0; i < series.Count(); ++i)
        series.Items(i).Style = escolhido;
}

void TFmWidConfig::AplicaGrafico()
{
    TChart &c = FWidget->Chart();
    if (!AplicaVisibilidade(c.Series()))
        return;
    c.SetLegenda(cbLegenda->isChecked());
    c.SetValores(cbValores->isChecked());
    if (EdPontosPagina->value() > 0)
        c.SetPontosPagina(EdPontosPagina->value());
    TStyle tipo = TStyle::wtpBar;
    switch (EstiloSelecionado()) {
    case BarraHorizontal: tipo = TStyle::wtpHorizontalBar; break;
    case Pizza: tipo = TStyle::wtpPie; break;
    case Linha: tipo = TStyle::wtpLine; break;
    case Area: tipo = TStyle::wtpArea; break;
    default: break;
    }
    AplicaEstilo(c.Series(), tipo);
}

void TFmWidConfig::AplicaWebChart()
{
    TWebChart &c = FWidget->WebChart();
    if (!AplicaVisibilidade(c.Series))
        return;
    c.Legenda = cbLegenda->isChecked();
    c.Valores = cbValores->isChecked();
    if (EdPontosPagina->value() > 0)
        c.PontosPagina = EdPontosPagina->value();
    const int item = EstiloSelecionado();
    if (item == BarraELinha && c.Series.Count() > 1) {
        c.CodEstilo = 0;
        c.Estilo.clear();
        AplicaEstilo(c.Series, TStyle::wtpBar);
        return;
    }
    static const char *const kTipos[] = {"column", "bar", "pie", "line", "area"};
    const QString tipo = QString::fromLatin1(item >= 0 && item < 5 ? kTipos[item] : "bar");
    c.CodEstilo = item;
    c.Estilo = QStringLiteral(" chart: {  type: '") + tipo + QStringLiteral("' },");
}

void TFmWidConfig::BitBtn1Click()
{
    if (!FWidget)
        return;
    const TXRKind kind = FWidget->Kind();
    const bool gauge = kind == TXRKind::wdGauge || kind == TXRKind::wdWebGauge;
    // Refused bands leave the tile as it was, title included.
    if (gauge && !SessoesEmOrdem())
        return;
    FWidget->SetTitle(EdtTitulo->text());
    switch (kind) {
    case TXRKind::wdWebGauge: AplicaGauge(FWidget->WebGauge(), true); break;
    case TXRKind::wdGauge: AplicaGauge(FWidget->Gauge(), false); break;
    case TXRKind::wdChart: AplicaGrafico(); break;
    case TXRKind::wdWebChart: AplicaWebChart(); break;
    default: break;
    }
    bAtualiza = true;
    accept();
}

void TFmWidConfig::BitBtn2Click()
{
    reject();
}
