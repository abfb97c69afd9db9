// Drawing of a tile's rows by kind.
#include "components/XRWidget.h"

#include "components/XRDBGrid.h"
#include "components/XRWidgetBarra.h"
#include "components/XRWidgetGrafico.h"
#include "data/XRQuery.h"
#include "platform/DialogService.h"
#include "platform/Formats.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace {
bool ehNumerico(FieldType t) { return t == FieldType::Float || t == FieldType::Bcd; }

const QString kMascara = QStringLiteral("#,##0.00");
} // namespace

void TXRWidget::LimpaControles()
{
    const QObjectList filhos = children();
    for (auto it = filhos.rbegin(); it != filhos.rend(); ++it) {
        auto *w = qobject_cast<QWidget *>(*it);
        if (!w || w->property("tag").toInt() != 1)
            continue;
        if (w == oGrid || w == oDBChart)
            w->hide();
        else
            delete w;
    }
}

void TXRWidget::MontaWidget()
{
    m_desenhando = true;
    LimpaControles();
    if (oWebBrowser && FKind != TXRKind::wdWebGauge && FKind != TXRKind::wdWebChart && FKind != TXRKind::wdWebCard)
        oWebBrowser->hide();
    try {
        switch (FKind) {
        case TXRKind::wdField: MontaCampo(); break;
        case TXRKind::wdGrid: MontaGrade(); break;
        case TXRKind::wdGauge: MontaGauge(); break;
        case TXRKind::wdChart: MontaGrafico(); break;
        case TXRKind::wdWebGauge:
            if (FWebGauge.Sessions().Count() > 0)
                MontaWebGauge();
            break;
        case TXRKind::wdWebChart:
            if (FWebChart.Series.Count() > 0)
                MontaWebChart();
            break;
        case TXRKind::wdWebCard: MontaWebCard(); break;
        }
    } catch (const std::exception &e) {
        setToolTip(QStringLiteral("Erro na criação ") + MensagemExcecao(e));
        m_corTitulo = QColor(255, 0, 0);
        Ocupado(false);
    }
    m_desenhando = false;
    oCategory->raise();
}

// ---------------------------------------------------------------- value

void TXRWidget::MontaCampo()
{
    if (!oCds->active() || oCds->fieldCount() == 0)
        return;
    QString mascara;
    const FieldType tipo = oCds->fieldDefs().front().type;
    if (ehNumerico(tipo))
        mascara = kMascara;
    ::Field *f = Field.isEmpty() ? oCds->field(0) : oCds->fieldByName(Field);
    const QString texto = !mascara.isEmpty() && !f->isNull() ? fmt::formatFloat(mascara, f->asFloat()) : f->asString();

    auto *painel = new QLabel(this);
    painel->setObjectName(QStringLiteral("PanelInfo"));
    painel->setProperty("tag", 1);
    painel->setAutoFillBackground(true);
    QPalette pal = painel->palette();
    pal.setColor(QPalette::Window, FColor);
    pal.setColor(QPalette::WindowText, FontColor);
    painel->setPalette(pal);
    painel->setAlignment(Qt::AlignCenter);
    QFont fonte = painel->font();
    fonte.setPointSize(std::max(1, width() / 10));
    painel->setFont(fonte);
    painel->setText(texto);
    painel->setGeometry(rect().adjusted(1, 1, -1, -1));
    painel->show();
    oPanel = painel;

    auto *rotulo = new QLabel(FCaption, painel);
    rotulo->setPalette(pal);
    QFont fr = rotulo->font();
    fr.setPointSize(std::max(1, width() / 30));
    rotulo->setFont(fr);
    rotulo->setGeometry(20, 20, 190, 30);
    rotulo->show();
    oLabel = rotulo;
    SetTitle(QString());
}

// ---------------------------------------------------------------- grid

void TXRWidget::MontaGrade()
{
    for (int i = 0; i < oCds->fieldCount(); ++i)
        if (ehNumerico(oCds->fieldDefs()[std::size_t(i)].type))
            oCds->field(i)->displayFormat = kMascara;
    if (!MaskGrid.trimmed().isEmpty())
        for (int i = 0; i < oCds->fieldCount(); ++i)
            if (oCds->fieldDefs()[std::size_t(i)].type == FieldType::Float)
                oCds->field(i)->displayFormat = MaskGrid;
    oGrid->setObjectName(QStringLiteral("dbg") + objectName());
    oGrid->setFrameShape(QFrame::NoFrame);
    oGrid->SetDataSet(oCds);
    oGrid->ClearColumns();
    for (const TColunaWidget &c : FGridColumns) {
        TXRColumn *col = oGrid->AddColumn(c.FieldName, c.Title);
        col->Width = c.Width;
    }
    oGrid->SetRowSelect(true);
    oGrid->SetReadOnly(true);
    oGrid->setShowGrid(false);
    oGrid->SetOrdenacao(true);
    oGrid->Zeb_Cor1 = Qt::white;
    oGrid->Zeb_Cor2 = QColor(0xF0, 0xF0, 0xF0);
    oGrid->SetZebrado(true);
    oGrid->SetDestacarLinha(true);
    oGrid->DestL_Cor = QColor(0xD8, 0xD8, 0xD8);
    QFont titulo = oGrid->horizontalHeader()->font();
    titulo.setBold(true);
    oGrid->horizontalHeader()->setFont(titulo);
    const int tamanho = oGrid->font().pointSize();
    if (FFontSizeGrid >= tamanho) {
        QFont f = oGrid->font();
        f.setPointSize(FFontSizeGrid);
        oGrid->setFont(f);
        titulo.setPointSize(FFontSizeGrid);
        oGrid->horizontalHeader()->setFont(titulo);
    } else if (FFontSizeGrid == 0) {
        FFontSizeGrid = tamanho;
    }
    oGrid->LayoutChanged();
    Reposiciona();
    oGrid->show();
    AjustaColunas(FFontSizeGrid);
    oGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    oGrid->disconnect(this);
    connect(oGrid, &QWidget::customContextMenuRequested, this, [this](const QPoint &p) {
        QMenu menu;
        menu.addAction(QStringLiteral("Alterar tamanho da fonte"), this, &TXRWidget::FonteGradeClick);
        menu.exec(oGrid->viewport()->mapToGlobal(p));
    });
}

void TXRWidget::AjustaColunas(int n)
{
    if (!oCds->active())
        return;
    const QFontMetrics fm(oGrid->font());
    for (int i = 0; i < oCds->fieldCount(); ++i) {
        if (!ehNumerico(oCds->fieldDefs()[std::size_t(i)].type))
            continue;
        // the widest text is the one of the largest value
        QVariant maior;
        for (int r = 0; r < oCds->recordCount(); ++r)
            if (compareFieldValues(oCds->valueAt(r, i), maior) > 0)
                maior = oCds->valueAt(r, i);
        const QString texto = Field::displayTextOf(maior, oCds->fieldDefs()[std::size_t(i)].type,
                                                   oCds->field(i)->displayFormat);
        const int largura = std::max(64, fm.horizontalAdvance(texto) + 7 * (n - 8) + 12);
        const int coluna = oGrid->ColumnCount() > 0 ? -1 : i;
        int visual = coluna;
        for (int c = 0; c < oGrid->ColumnCount(); ++c)
            if (oGrid->Column(c)->FieldName.compare(oCds->fieldDefs()[std::size_t(i)].name, Qt::CaseInsensitive) == 0)
                visual = c;
        if (visual >= 0 && visual < oGrid->model()->columnCount())
            oGrid->setColumnWidth(visual, std::max(largura, oGrid->columnWidth(visual)));
    }
}

namespace {
// The font-size dialog: 8 to 60.
bool alteraFonteGrade(QWidget *pai, const QString &titulo, const QString &prompt, int &valor)
{
    QDialog dlg(pai);
    dlg.setObjectName(QStringLiteral("dlgFonteGrade"));
    dlg.setWindowTitle(titulo);
    auto *coluna = new QVBoxLayout(&dlg);
    auto *rotulo = new QLabel(prompt, &dlg);
    rotulo->setWordWrap(true);
    auto *spin = new QSpinBox(&dlg);
    spin->setObjectName(QStringLiteral("spnTamanho"));
    spin->setRange(8, 60);
    spin->setValue(valor);
    auto *botoes = new QDialogButtonBox(&dlg);
    botoes->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    botoes->addButton(QStringLiteral("&Cancelar"), QDialogButtonBox::RejectRole);
    QObject::connect(botoes, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(botoes, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    coluna->addWidget(rotulo);
    coluna->addWidget(spin);
    coluna->addWidget(botoes);
    spin->selectAll();
    if (dlg.exec() != QDialog::Accepted)
        return false;
    valor = spin->value();
    return true;
}
} // namespace

void TXRWidget::FonteGradeClick()
{
    int valor = oGrid->font().pointSize();
    if (!alteraFonteGrade(this, QStringLiteral("Alterar tamanho da fonte."), QStringLiteral("Tamanho da fonte:"), valor))
        return;
    QFont f = oGrid->font();
    f.setPointSize(valor);
    oGrid->setFont(f);
    QFont t = oGrid->horizontalHeader()->font();
    t.setPointSize(valor);
    oGrid->horizontalHeader()->setFont(t);
    FFontSizeGrid = valor;
    AjustaColunas(valor);
    oGrid->viewport()->update();
}

// ---------------------------------------------------------------- gauge and card

void PintaSessoes(QImage &imagem, const QRect &r, const TSessions &sessoes)
{
    if (sessoes.Count() < 2)
        return;
    const bool colunas = imagem.width() > imagem.height();
    const int d = std::max(imagem.width(), imagem.height());
    const QRgb preto = qRgb(0, 0, 0);
    const auto pinta = [&](int linha, const QColor &cor) {
        // the first run of black pixels across that column (or row)
        const int limite = colunas ? std::min(r.bottom(), imagem.height() - 1) : std::min(r.right(), imagem.width() - 1);
        if (linha < 0 || linha >= (colunas ? imagem.width() : imagem.height()))
            return false;
        const auto pixel = [&](int k) -> QRgb { return colunas ? imagem.pixel(linha, k) : imagem.pixel(k, linha); };
        int k = 0;
        while (k <= limite && (pixel(k) & 0xFFFFFF) != (preto & 0xFFFFFF))
            ++k;
        int fim = k;
        while (fim <= limite && (pixel(fim) & 0xFFFFFF) == (preto & 0xFFFFFF))
            ++fim;
        if (k > limite || fim > limite)
            return false; // no run, or it reaches the bottom: left black
        for (int j = k; j < fim; ++j) {
            if (colunas)
                imagem.setPixel(linha, j, cor.rgb());
            else
                imagem.setPixel(j, linha, cor.rgb());
        }
        return true;
    };
    for (int k = 1; k < sessoes.Count(); ++k) {
        const TSessionsItem &s0 = sessoes.Items(k - 1);
        const TSessionsItem &s1 = sessoes.Items(k);
        const int a = int(std::trunc(s0.PercentStart / 100.0 * d));
        const int b = int(std::trunc(s1.PercentStart / 100.0 * d));
        for (int x = a + 1; x <= b - 1; ++x) {
            const double t = double(x - a) / double(b - a);
            const QColor c(s0.Color.red() + int(std::trunc(t * (s1.Color.red() - s0.Color.red()))),
                           s0.Color.green() + int(std::trunc(t * (s1.Color.green() - s0.Color.green()))),
                           s0.Color.blue() + int(std::trunc(t * (s1.Color.blue() - s0.Color.blue()))));
            pinta(x, c);
        }
        if (!pinta(b, s1.Color))
            continue;
    }
}

void TXRWidget::MontaGauge()
{
    const double salvo = FGauge.Value;
    struct Restaura {
        TGauge &g;
        double v;
        ~Restaura() { g.Value = v; }
    } restaura{FGauge, salvo};
    if (FDataBase && oCds->active() && oCds->fieldCount() > 0 && !oCds->isEmpty()) {
        ::Field *f = Field.isEmpty() ? oCds->field(0) : oCds->fieldByName(Field);
        FGauge.Value = f->asFloat();
    }
    if (FGauge.Card) {
        delete oLabel;
        auto *cartao = new QLabel(this);
        cartao->setObjectName(QStringLiteral("lblCartao"));
        cartao->setProperty("tag", 1);
        cartao->setAutoFillBackground(true);
        QPalette pal = cartao->palette();
        pal.setColor(QPalette::Window, FClientColor);
        pal.setColor(QPalette::WindowText, FontColor);
        cartao->setPalette(pal);
        const double valor = FGauge.PercentFormat
            ? CalculaPercentual(FGauge.MaxValue - FGauge.MinValue, FGauge.Value - FGauge.MinValue)
            : FGauge.Value;
        cartao->setText(fmt::formatFloat(FGauge.MaskValues, valor));
        QFont f(QStringLiteral("Verdana"));
        f.setPointSize(20);
        cartao->setFont(f);
        cartao->setAlignment(Qt::AlignCenter);
        cartao->setGeometry(AreaAbaixoTitulo(TemBotoes() ? 25 : 2));
        cartao->show();
        oLabel = cartao;
        return;
    }
    MontaSemicirculo();
}

void TXRWidget::MontaSemicirculo()
{
    const QRect area = AreaAbaixoTitulo(TemBotoes() ? 20 : 2);
    if (area.width() < 20 || area.height() < 20)
        return;
    const double faixa = FGauge.MaxValue - FGauge.MinValue;
    QImage img(area.size(), QImage::Format_RGB32);
    img.fill(Qt::white);
    const int L = 0, T = 0, Rt = img.width() - 1, B = img.height() - 1;
    const double valor = std::clamp(FGauge.Value, std::min(FGauge.MinValue, FGauge.MaxValue),
                                    std::max(FGauge.MinValue, FGauge.MaxValue));
    const double h = CalculaPercentual(faixa, valor - FGauge.MinValue) / 100.0 * M_PI;
    {
        // the band, without anti-aliasing so its pixels are pure black
        QPainter p(&img);
        p.setPen(QPen(Qt::black, 16));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRect(L + 8, T + 8, Rt - L - 16, 2 * (B - T - 8) - 1));
    }
    PintaSessoes(img, QRect(L, T, Rt - L + 1, B - T + 1), FGauge.Sessions());
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QString texto = fmt::formatFloat(
        FGauge.MaskValues, FGauge.PercentFormat ? CalculaPercentual(faixa, valor - FGauge.MinValue) : valor);
    const double cx = img.width() / 2;
    const double cy = B - 20;
    const QPointF ponta((1 - std::cos(h)) * cx, (1 - std::sin(h)) * (B - 1));
    const QPointF c1(std::round(std::cos(h + 2 * M_PI / 3) * 4.5 + cx), std::round(std::sin(h + 2 * M_PI / 3) * 4.5 + cy));
    const QPointF c2(std::round(std::cos(h + 4 * M_PI / 3) * 4.5 + cx), std::round(std::sin(h + 4 * M_PI / 3) * 4.5 + cy));
    QPainterPath agulha;
    agulha.moveTo(std::round(ponta.x()), std::round(ponta.y()));
    agulha.lineTo(c1);
    agulha.lineTo(c2);
    agulha.closeSubpath();
    p.setPen(QPen(Qt::black, 0));
    p.setBrush(Qt::black);
    p.drawPath(agulha);
    p.drawEllipse(QPointF(cx, cy), 10, 10);
    p.setPen(Qt::black);
    const QFontMetrics fm(p.font());
    p.drawText(QPoint(((Rt - L + 1) - fm.horizontalAdvance(texto)) / 2, (B - T + 1) - fm.descent()), texto);
    if (FGauge.LegendsQuantity > 0) {
        QFont f = p.font();
        f.setPointSize(std::max(1, f.pointSize() - 1));
        p.setFont(f);
        const QFontMetrics fl(f);
        const QString minimo = fmt::formatFloat(FGauge.MaskValues, FGauge.PercentFormat ? 0 : FGauge.MinValue);
        p.drawText(QPoint(12, B - fl.descent()), minimo);
        const double passo = faixa / (FGauge.LegendsQuantity + 1);
        for (int i = 1; i <= FGauge.LegendsQuantity; ++i) {
            const double pct = CalculaPercentual(faixa, i * passo);
            const double a = pct / 100.0 * M_PI;
            const QString t = fmt::formatFloat(FGauge.MaskValues, FGauge.PercentFormat ? pct : FGauge.MinValue + i * passo);
            p.drawText(QPoint(int(std::round((1 - 0.85 * std::cos(a)) * cx)) - fl.horizontalAdvance(t) / 2,
                              int(std::round((1 - 0.98 * std::sin(a)) * (B - 1))) + fl.ascent()),
                       t);
        }
        const QString maximo = fmt::formatFloat(FGauge.MaskValues, FGauge.PercentFormat ? 100 : FGauge.MaxValue);
        p.drawText(QPoint(Rt - fl.horizontalAdvance(maximo) - 12, B - fl.descent()), maximo);
    }
    p.end();
    auto *imagem = new QLabel(this);
    imagem->setObjectName(QStringLiteral("img") + objectName());
    imagem->setProperty("tag", 1);
    imagem->setProperty("angulo", h);
    imagem->setPixmap(QPixmap::fromImage(img));
    imagem->setGeometry(area);
    imagem->show();
    oImage = imagem;
}

// ---------------------------------------------------------------- chart

void TXRWidget::MontaGrafico()
{
    oDBChart->setObjectName(QStringLiteral("dbc") + objectName());
    oDBChart->setGeometry(AreaAbaixoTitulo(TemBotoes() ? 25 : 2));
    oDBChart->show();
    FChart.oChart.Legenda = [this](bool v) { oDBChart->SetLegenda(v); };
    FChart.oChart.Valores = [this](bool v) { oDBChart->SetValores(v); };
    FChart.oChart.PontosPagina = [this](int v) { oDBChart->SetPontosPagina(v); };
    FChart.oChart.Rodape = [this](bool v) { oDBChart->SetRodape(v); };
    Reposiciona();
    oDBChart->Monta(FChart, *oCds, FTitle);
}
