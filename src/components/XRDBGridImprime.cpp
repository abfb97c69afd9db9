#include "components/XRDBGridImprime.h"

#include "components/XRDBGrid.h"
#include "data/XRTable.h"
#include "platform/DialogService.h"
#include "platform/Formats.h"
#include "platform/ImprimePdf.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>

namespace impressaograde {

namespace {

constexpr int kResolucao = 96;
constexpr int kMargem = 25;

// Top of the first text line of a page.
int PrimeiraLinha(int F) { return F + 78; }

void Texto(Pagina &p, Fonte f, int x, int y, const QString &t)
{
    if (t.isEmpty())
        return;
    Operacao op;
    op.tipo = Operacao::Tipo::Texto;
    op.fonte = f;
    op.p1 = QPoint(x, y);
    op.texto = t;
    p.ops.push_back(std::move(op));
}

void IniciaPagina(std::vector<Pagina> &paginas, const Documento &d, const Medida &mede)
{
    paginas.emplace_back();
    Pagina &p = paginas.back();
    const int W = d.W, H = d.H, F = d.F;
    const int meio = (W - 50) / 2;
    if (d.temEmpresa) {
        if (d.temLogo) {
            Operacao op;
            op.tipo = Operacao::Tipo::Imagem;
            op.retangulo = QRect(QPoint(25, 25), QPoint(115, 75));
            p.ops.push_back(op);
        }
        Texto(p, Fonte::Cabecalho, meio - mede(Fonte::Cabecalho, d.empresa) / 2, 25, d.empresa);
    }
    Texto(p, Fonte::Cabecalho, meio - mede(Fonte::Cabecalho, d.titulo) / 2, (F + 4) + 35, d.titulo);

    int x = kMargem;
    for (const Coluna &c : d.colunas) {
        const auto medeTitulo = [&](const QString &s) { return mede(Fonte::Titulo, s); };
        Texto(p, Fonte::Titulo, x, 75, AjustaTexto(c.titulo.trimmed(), c.largura, x, W, medeTitulo));
        x += c.largura + 2;
    }

    Operacao linha;
    linha.tipo = Operacao::Tipo::Linha;
    linha.p1 = QPoint(kMargem, H - F - 26);
    linha.p2 = QPoint(W - kMargem, H - F - 26);
    p.ops.push_back(linha);
    Texto(p, Fonte::Rodape, W - mede(Fonte::Rodape, d.rodape) - kMargem, H - F - 25, d.rodape);

    Texto(p, Fonte::Rodape, W - mede(Fonte::Rodape, d.data) - kMargem, 25, d.data);
    const QString pag = QStringLiteral("Pág.: ") + QString::number(paginas.size());
    Texto(p, Fonte::Rodape, W - mede(Fonte::Rodape, pag) - kMargem, F + 30, pag);
}

} // namespace

QSize TamanhoPagina(bool paisagem)
{
    const QSize s = QPageSize(QPageSize::A4).sizePixels(kResolucao);
    return paisagem ? s.transposed() : s;
}

QString AjustaTexto(const QString &texto, int largura, int x, int W, const std::function<int(const QString &)> &mede)
{
    QString t = texto;
    if (t.isEmpty())
        return t;
    if (largura < mede(t)) {
        const int primeiro = mede(t.left(1));
        const int n = primeiro > 0 ? largura / primeiro : 0;
        if (n > 0)
            t = t.left(n + 5);
    }
    // stops at the empty text: a column past the margin prints nothing
    while (!t.isEmpty() && (mede(t) > largura || x + mede(t) > W - kMargem))
        t.chop(1);
    return t;
}

std::vector<Pagina> MontaPaginas(const Documento &d, const Medida &mede)
{
    std::vector<Pagina> paginas;
    IniciaPagina(paginas, d, mede);
    const auto medeCelula = [&](const QString &s) { return mede(Fonte::Celula, s); };
    int y = PrimeiraLinha(d.F);
    for (size_t r = 0; r < d.linhas.size(); ++r) {
        const QStringList &linha = d.linhas[r];
        int x = kMargem;
        for (size_t c = 0; c < d.colunas.size(); ++c) {
            const int largura = d.colunas[c].largura;
            const QString t = c < size_t(linha.size()) ? linha[qsizetype(c)] : QString();
            Texto(paginas.back(), Fonte::Celula, x, y, AjustaTexto(t, largura, x, d.W, medeCelula));
            x += largura + 2;
        }
        y += d.F + 3;
        if (y >= d.H - 2 * d.F - 32 && r + 1 < d.linhas.size()) {
            IniciaPagina(paginas, d, mede);
            y = PrimeiraLinha(d.F);
        }
    }
    return paginas;
}

Fontes::Fontes(const QFont &grade)
    : celula(grade)
{
    F = grade.pointSize() > 0 ? grade.pointSize() : int(std::lround(grade.pointSizeF()));
    if (F <= 0)
        F = 8;
    celula.setPointSize(F);
    titulo = celula;
    titulo.setBold(true);
    titulo.setPointSize(std::max(1, F - 1));
    cabecalho = celula;
    cabecalho.setBold(true);
    cabecalho.setPointSize(F + 4);
    rodape = celula;
    rodape.setItalic(true);
    rodape.setPointSize(std::max(1, F - 1));
}

const QFont &Fontes::fonte(Fonte f) const
{
    switch (f) {
    case Fonte::Titulo: return titulo;
    case Fonte::Cabecalho: return cabecalho;
    case Fonte::Rodape: return rodape;
    case Fonte::Celula: break;
    }
    return celula;
}

namespace {

void Configura(QPdfWriter &w, bool paisagem)
{
    w.setResolution(kResolucao);
    w.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), paisagem ? QPageLayout::Landscape : QPageLayout::Portrait,
                                QMarginsF(0, 0, 0, 0)));
    w.setCreator(QStringLiteral("ORVAN ZID"));
}

} // namespace

Medida MedidaPdf(const Fontes &fontes)
{
    // widths on the PDF device itself, whatever the screen's resolution
    struct Dispositivo {
        QBuffer buffer;
        std::unique_ptr<QPdfWriter> writer;
        std::vector<QFontMetricsF> metricas;
    };
    auto d = std::make_shared<Dispositivo>();
    d->buffer.open(QIODevice::WriteOnly);
    d->writer = std::make_unique<QPdfWriter>(&d->buffer);
    Configura(*d->writer, false);
    for (Fonte f : {Fonte::Celula, Fonte::Titulo, Fonte::Cabecalho, Fonte::Rodape})
        d->metricas.emplace_back(fontes.fonte(f), d->writer.get());
    return [d](Fonte f, const QString &s) {
        return int(std::ceil(d->metricas[size_t(f)].horizontalAdvance(s)));
    };
}

void GravaPdf(const QString &caminho, bool paisagem, const Fontes &fontes, const QColor &corTexto,
              const std::vector<Pagina> &paginas, const QImage &logo)
{
    QPdfWriter writer(caminho);
    Configura(writer, paisagem);
    writer.setTitle(QFileInfo(caminho).completeBaseName());
    QPainter p;
    if (!p.begin(&writer))
        throw std::runtime_error(
            QStringLiteral("Não foi possível gravar o arquivo %1.").arg(caminho).toStdString());
    for (size_t i = 0; i < paginas.size(); ++i) {
        if (i > 0 && !writer.newPage()) {
            p.end();
            throw std::runtime_error(
                QStringLiteral("Não foi possível gravar o arquivo %1.").arg(caminho).toStdString());
        }
        for (const Operacao &op : paginas[i].ops) {
            switch (op.tipo) {
            case Operacao::Tipo::Texto: {
                const QFont &f = fontes.fonte(op.fonte);
                p.setFont(f);
                p.setPen(corTexto);
                // the layout places a text by its top; the painter by its baseline
                const qreal base = op.p1.y() + QFontMetricsF(f, &writer).ascent();
                p.drawText(QPointF(op.p1.x(), base), op.texto);
                break;
            }
            case Operacao::Tipo::Linha:
                p.setPen(QPen(Qt::black, 1, Qt::SolidLine));
                p.drawLine(op.p1, op.p2);
                break;
            case Operacao::Tipo::Imagem:
                if (!logo.isNull())
                    p.drawImage(QRectF(op.retangulo), logo);
                break;
            }
        }
    }
    if (!p.end())
        throw std::runtime_error(QStringLiteral("Não foi possível gravar o arquivo %1.").arg(caminho).toStdString());
}

} // namespace impressaograde

// ---------------------------------------------------------------- the grid's printing

namespace {

// A cell as printed: numbers through their display format, the rest as typed.
QString TextoCelula(const Field &f)
{
    if (f.isNull() || f.dataType() == FieldType::Blob)
        return QString();
    const QString t = isNumericType(f.dataType()) && !f.displayFormat.isEmpty() ? f.displayText() : f.asString();
    // one line per record
    return QString(t).replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' ')).trimmed();
}

QImage Logo(const Field *f)
{
    if (!f || f->isNull())
        return QImage();
    return QImage::fromData(f->asBytes());
}

} // namespace

void TXRDBGrid::ExpPDF(bool pbPaisagem)
{
    using namespace impressaograde;
    if (!m_ds || !m_ds->active())
        return;
    QString nome = dialogs().saveFileName(QStringLiteral("Imprimir"), QStringLiteral("Arquivos PDF (*.pdf)"));
    if (nome.isEmpty())
        return;
    if (QFileInfo(nome).suffix().isEmpty())
        nome += QStringLiteral(".pdf");
    const QString kTitulo = QStringLiteral("ORVAN ERP");

    CursorEspera(true);
    const int recNo = m_ds->recNo();
    m_ds->disableControls();
    bool gerado = false;
    impressao::Resultado impresso;
    QString erro;
    try {
        const Fontes fontes(font());
        const QSize pagina = TamanhoPagina(pbPaisagem);
        Documento doc;
        doc.W = pagina.width();
        doc.H = pagina.height();
        doc.F = fontes.F;
        doc.titulo = window()->windowTitle();
        doc.data = fmt::formatDate(QDate::currentDate());
        doc.rodape = QStringLiteral("ORVAN ZID");
        QImage logo;
        if (Empresa && Empresa->active()) {
            doc.temEmpresa = true;
            if (const Field *n = Empresa->findField(QStringLiteral("EMP_NOME")))
                doc.empresa = n->asString();
            logo = Logo(Empresa->findField(QStringLiteral("EMP_LOGO")));
            doc.temLogo = !logo.isNull();
        }
        std::vector<int> campos;
        for (int i = 0; i < ColumnCount(); ++i) {
            const TXRColumn *c = Column(i);
            const bool visivel = c->Visible && !isColumnHidden(i);
            doc.colunas.push_back({c->Title, visivel ? columnWidth(i) : -1});
            campos.push_back(m_ds->fieldIndex(c->FieldName));
        }
        m_ds->last();
        for (m_ds->first(); !m_ds->eof(); m_ds->next()) {
            QStringList linha;
            for (int f : campos)
                linha << (f >= 0 ? TextoCelula(*m_ds->field(f)) : QString());
            doc.linhas.push_back(std::move(linha));
        }
        const std::vector<Pagina> paginas = MontaPaginas(doc, MedidaPdf(fontes));
        GravaPdf(nome, pbPaisagem, fontes, palette().text().color(), paginas, logo);
        gerado = true;
        impresso = impressao::ImprimePdf(nome);
    } catch (const std::exception &e) {
        const auto *db = dynamic_cast<const EDatabaseError *>(&e);
        erro = db ? db->message() : QString::fromUtf8(e.what());
    }
    m_ds->enableControls();
    if (recNo > 0 && recNo <= m_ds->recordCount())
        m_ds->setRecNo(recNo);
    CursorEspera(false);
    if (!gerado)
        dialogs().messageBox(erro, kTitulo, MsgButtons::Ok, MsgIcon::Error);
    else if (!impresso.ok)
        dialogs().messageBox(impresso.mensagem, kTitulo, MsgButtons::Ok, MsgIcon::Error);
    else
        dialogs().messageBox(QStringLiteral("PDF gerado com sucesso."), kTitulo, MsgButtons::Ok, MsgIcon::Information);
}
