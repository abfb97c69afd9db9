#include "components/RelatorioBandas.h"

#include "platform/DataSet.h"
#include "platform/DialogService.h"
#include "platform/Formats.h"
#include "platform/ImprimePdf.h"

#include <QAction>
#include <QBuffer>
#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QToolBar>

#include <algorithm>
#include <utility>

namespace bandas {

struct Linhas {
    QStringList campos;
    std::vector<QVariantList> valores;
    int Indice(const QString &nome) const
    {
        for (int i = 0; i < campos.size(); ++i)
            if (campos[i].compare(nome, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }
};

namespace {

constexpr double kMmPorPolegada = 25.4;
constexpr double kDpiMedida = 300; // memo heights are measured at this resolution

Relatorio::Visualizador &visualizador()
{
    static Relatorio::Visualizador v;
    return v;
}

Relatorio::Lancador &lancador()
{
    static Relatorio::Lancador l;
    return l;
}

QString formata(const QVariant &v, const QString &mascara)
{
    if (v.isNull() || !v.isValid())
        return QString();
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return mascara.isEmpty() ? fmt::floatToStr(v.toDouble()) : fmt::formatFloat(mascara, v.toDouble());
    case QMetaType::QDate:
        return fmt::formatDate(v.toDate());
    case QMetaType::QDateTime:
        return mascara.isEmpty() ? fmt::formatDate(v.toDateTime().date())
                                 : fmt::formatDateTime(mascara, v.toDateTime());
    default:
        return v.toString();
    }
}

// Text height in mm of a memo wrapped to its width.
double alturaTexto(const Item &it, const QString &texto)
{
    if (texto.isEmpty())
        return 0;
    static QImage referencia = [] {
        QImage i(1, 1, QImage::Format_RGB32);
        i.setDotsPerMeterX(qRound(kDpiMedida / 0.0254));
        i.setDotsPerMeterY(qRound(kDpiMedida / 0.0254));
        return i;
    }();
    const double px = kDpiMedida / kMmPorPolegada;
    const QFontMetricsF fm(it.fonte, &referencia);
    const QRectF r = fm.boundingRect(QRectF(0, 0, it.mm.width() * px, 1e7), Qt::TextWordWrap | it.alinhamento, texto);
    return r.height() / px + 0.5; // a little room: other devices round differently
}

QImage sobreBranco(const QImage &figura)
{
    if (figura.isNull() || !figura.hasAlphaChannel())
        return figura;
    // A PDF would carry the transparency as a second image; paper is white.
    QImage branca(figura.size(), QImage::Format_RGB32);
    branca.fill(Qt::white);
    QPainter p(&branca);
    p.drawImage(0, 0, figura);
    return branca;
}

QString semExtensao(const QString &arquivo, const QString &extensao)
{
    return arquivo.endsWith(extensao, Qt::CaseInsensitive) ? arquivo.left(arquivo.size() - extensao.size()) : arquivo;
}

} // namespace

QFont Fonte(double pontos, bool negrito, bool sublinhado)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(pontos);
    f.setBold(negrito);
    f.setUnderline(sublinhado);
    return f;
}

QFont FonteMono(double pontos, bool negrito)
{
    QFont f(QStringLiteral("DejaVu Sans Mono"));
    f.setStyleHint(QFont::Monospace);
    f.setPointSizeF(pontos);
    f.setBold(negrito);
    return f;
}

QVariant Contexto::Campo(const QString &nome) const
{
    if (!m_linhas || m_linha < 0 || m_linha >= int(m_linhas->valores.size()))
        return QVariant();
    const int i = m_linhas->Indice(nome);
    return i < 0 ? QVariant() : m_linhas->valores[size_t(m_linha)].value(i);
}

QString Contexto::Texto(const QString &nome, const QString &mascara) const { return formata(Campo(nome), mascara); }

double Contexto::Soma(const QString &campo, int nivel) const
{
    if (!m_somados || !m_somas || nivel < -1 || nivel >= m_niveis)
        return 0;
    const auto it = std::find_if(m_somados->begin(), m_somados->end(),
                                 [&](const QString &c) { return c.compare(campo, Qt::CaseInsensitive) == 0; });
    if (it == m_somados->end())
        return 0;
    return m_somas[size_t(nivel + 1) * m_somados->size() + size_t(it - m_somados->begin())];
}

Item Texto(const QRectF &mm, const QString &texto, const QFont &fonte, int alinhamento)
{
    return Calculado(mm, [texto](const Contexto &) { return texto; }, fonte, alinhamento);
}

Item Campo(const QRectF &mm, const QString &campo, const QFont &fonte, const QString &mascara, int alinhamento)
{
    return Calculado(mm, [campo, mascara](const Contexto &c) { return c.Texto(campo, mascara); }, fonte, alinhamento);
}

Item Calculado(const QRectF &mm, TextoFn texto, const QFont &fonte, int alinhamento)
{
    Item it;
    it.mm = mm;
    it.texto = std::move(texto);
    it.fonte = fonte;
    it.alinhamento = alinhamento;
    return it;
}

Item Soma(const QRectF &mm, const QString &campo, int nivel, const QString &mascara, const QFont &fonte,
          int alinhamento)
{
    Item it = Calculado(
        mm, [campo, nivel, mascara](const Contexto &c) { return fmt::formatFloat(mascara, c.Soma(campo, nivel)); },
        fonte, alinhamento);
    it.somaCampo = campo;
    return it;
}

Item PaginaDeTotal(const QRectF &mm, const QString &prefixo, const QFont &fonte, int alinhamento)
{
    return Calculado(
        mm,
        [prefixo](const Contexto &c) {
            QString t = prefixo;
            t += QString::number(c.Pagina());
            t += QLatin1Char('/');
            t += QString::number(c.TotalPaginas());
            return t;
        },
        fonte, alinhamento);
}

Item Memo(const QRectF &mm, TextoFn texto, const QFont &fonte)
{
    Item it = Calculado(mm, std::move(texto), fonte, Qt::AlignLeft | Qt::AlignTop);
    it.estica = true;
    return it;
}

Item Regua(double yMm, double xMm, double larguraMm, Qt::PenStyle traco)
{
    Item it;
    it.tipo = Item::Tipo::Regua;
    it.mm = QRectF(xMm, yMm, larguraMm, 0);
    it.traco = traco;
    return it;
}

Item Figura(const QRectF &mm, const QImage &figura)
{
    Item it;
    it.tipo = Item::Tipo::Figura;
    it.mm = mm;
    it.figura = sobreBranco(figura);
    return it;
}

// ---------------------------------------------------------------------------

namespace {

struct Estado {
    int linha = -1;
    std::vector<double> somas;
};

struct Colocada {
    const Banda *banda = nullptr;
    double yMm = 0; // from the top margin
    double alturaMm = 0;
    int estado = 0;
};

} // namespace

struct Relatorio::Impl {
    Linhas linhas;
    std::vector<QString> somados;
    std::vector<Estado> estados;
    std::vector<std::vector<Colocada>> paginas;
    bool preparado = false;

    Contexto contexto(const Relatorio &r, int estado, int pagina) const
    {
        Contexto c;
        c.m_linhas = &linhas;
        c.m_somados = &somados;
        const Estado &e = estados[size_t(estado)];
        c.m_somas = e.somas.data();
        c.m_niveis = int(r.grupos.size());
        c.m_linha = e.linha;
        c.m_pagina = pagina;
        c.m_total = int(paginas.size());
        return c;
    }
};

Relatorio::Relatorio()
    : d(std::make_unique<Impl>())
{
}

Relatorio::~Relatorio() = default;

void Relatorio::DefineLinhas(DataSet &fonte)
{
    Linhas l;
    for (const FieldDef &f : fonte.fieldDefs())
        l.campos << f.name;
    if (fonte.active()) {
        DataSet c;
        c.cloneCursor(fonte, true);
        l.valores.reserve(size_t(c.recordCount()));
        for (c.first(); !c.eof(); c.next()) {
            QVariantList v;
            v.reserve(c.fieldCount());
            for (int i = 0; i < c.fieldCount(); ++i)
                v << c.field(i)->value();
            l.valores.push_back(std::move(v));
        }
    }
    d->linhas = std::move(l);
    d->preparado = false;
}

static QSizeF tamanhoMm(const QPageSize &pagina, bool paisagem)
{
    const QSizeF s = pagina.size(QPageSize::Millimeter);
    return paisagem ? s.transposed() : s;
}

static double alturaBanda(const Banda &b, const Contexto &c)
{
    double h = b.alturaMm;
    for (const Item &it : b.itens)
        if (it.estica && it.texto)
            h = std::max(h, it.mm.top() + alturaTexto(it, it.texto(c)));
    return h;
}

int Relatorio::Prepara()
{
    Impl &m = *d;
    m.paginas.clear();
    m.estados.clear();
    m.somados.clear();
    auto registra = [&m](const Banda &b) {
        for (const Item &it : b.itens)
            if (!it.somaCampo.isEmpty()
                && std::none_of(m.somados.begin(), m.somados.end(), [&](const QString &s) {
                       return s.compare(it.somaCampo, Qt::CaseInsensitive) == 0;
                   }))
                m.somados.push_back(it.somaCampo);
    };
    for (const Banda *b : {&cabecalhoPagina, &rodapePagina, &dados, &rodapeDados, &filhoRodape})
        registra(*b);
    for (const Grupo &g : grupos) {
        registra(g.cabecalho);
        registra(g.rodape);
    }

    const size_t nSomas = m.somados.size();
    const int niveis = int(grupos.size());
    std::vector<double> somas(size_t(niveis + 1) * nSomas, 0.0);
    std::vector<int> colunaSoma;
    for (const QString &s : m.somados)
        colunaSoma.push_back(m.linhas.Indice(s));
    std::vector<int> colunaChave;
    for (const Grupo &g : grupos)
        colunaChave.push_back(m.linhas.Indice(g.campo));

    auto novoEstado = [&](int linha) {
        m.estados.push_back({linha, somas});
        return int(m.estados.size()) - 1;
    };
    // heights need the page count only through page texts, which never stretch
    auto altura = [&](const Banda &b, int estado) { return alturaBanda(b, m.contexto(*this, estado, 0)); };

    const QSizeF folha = tamanhoMm(pagina, paisagem);
    const double corpo = folha.height() - margensMm.top() - margensMm.bottom();
    const double limite = corpo - (rodapePagina.Vazia() ? 0 : rodapePagina.alturaMm);
    double y = 0;
    double inicioCorpo = 0;

    auto novaPagina = [&](int estado) {
        m.paginas.emplace_back();
        y = 0;
        if (!cabecalhoPagina.Vazia()) {
            const double h = altura(cabecalhoPagina, estado);
            m.paginas.back().push_back({&cabecalhoPagina, 0, h, estado});
            y = h;
        }
        inicioCorpo = y;
    };
    auto coloca = [&](const Banda &b, int estado) {
        if (b.Vazia())
            return;
        const double h = altura(b, estado);
        // a band taller than a page goes on a page of its own, cut at the bottom
        if (y + h > limite + 1e-6 && y > inicioCorpo + 1e-6)
            novaPagina(estado);
        m.paginas.back().push_back({&b, y, h, estado});
        y += h;
    };
    auto chave = [&](int linha, int nivel) {
        const int col = colunaChave[size_t(nivel)];
        return col < 0 ? QString() : m.linhas.valores[size_t(linha)].value(col).toString();
    };

    const int n = int(m.linhas.valores.size());
    novaPagina(novoEstado(n > 0 ? 0 : -1));
    for (int i = 0; i < n; ++i) {
        int muda = i == 0 ? 0 : niveis;
        for (int l = 0; i > 0 && l < niveis; ++l)
            if (chave(i, l) != chave(i - 1, l)) {
                muda = l;
                break;
            }
        if (i > 0 && muda < niveis) {
            const int antes = novoEstado(i - 1);
            for (int l = niveis - 1; l >= muda; --l)
                coloca(grupos[size_t(l)].rodape, antes);
        }
        for (int l = muda; l < niveis; ++l)
            std::fill_n(somas.begin() + std::ptrdiff_t(size_t(l + 1) * nSomas), nSomas, 0.0);
        const QVariantList &linha = m.linhas.valores[size_t(i)];
        for (size_t s = 0; s < nSomas; ++s) {
            const double v = colunaSoma[s] < 0 ? 0.0 : linha.value(colunaSoma[s]).toDouble();
            for (int l = 0; l <= niveis; ++l)
                somas[size_t(l) * nSomas + s] += v;
        }
        const int estado = novoEstado(i);
        for (int l = muda; l < niveis; ++l)
            coloca(grupos[size_t(l)].cabecalho, estado);
        coloca(dados, estado);
    }
    const int fim = novoEstado(n - 1);
    if (n == 0)
        for (const Grupo &g : grupos)
            if (g.mesmoSemLinhas)
                coloca(g.cabecalho, fim);
    for (int l = niveis - 1; l >= 0; --l)
        if (n > 0 || grupos[size_t(l)].mesmoSemLinhas)
            coloca(grupos[size_t(l)].rodape, fim);
    coloca(rodapeDados, fim);
    coloca(filhoRodape, fim);

    if (!rodapePagina.Vazia())
        for (auto &p : m.paginas)
            p.push_back({&rodapePagina, limite, rodapePagina.alturaMm, p.empty() ? 0 : p.back().estado});
    m.preparado = true;
    return int(m.paginas.size());
}

int Relatorio::Paginas() const { return int(d->paginas.size()); }

void Relatorio::PintaPagina(QPainter &p, int indice, double dpi) const
{
    if (indice < 0 || indice >= Paginas())
        return;
    const double px = dpi / kMmPorPolegada;
    const QSizeF folha = tamanhoMm(pagina, paisagem);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (fundo) {
        p.save();
        fundo(p, QRectF(0, 0, folha.width() * px, folha.height() * px), indice + 1);
        p.restore();
    }
    for (const Colocada &c : d->paginas[size_t(indice)]) {
        const Contexto ctx = d->contexto(*this, c.estado, indice + 1);
        const QPointF origem(margensMm.left(), margensMm.top() + c.yMm);
        for (const Item &it : c.banda->itens) {
            QRectF r(origem + it.mm.topLeft(), it.mm.size());
            if (it.estica)
                r.setHeight(c.alturaMm - it.mm.top());
            const QRectF rp(r.x() * px, r.y() * px, r.width() * px, r.height() * px);
            switch (it.tipo) {
            case Item::Tipo::Texto:
                if (!it.texto)
                    break;
                p.setFont(it.fonte);
                p.setPen(it.cor);
                p.drawText(rp, it.alinhamento | (it.estica ? Qt::TextWordWrap : 0), it.texto(ctx));
                break;
            case Item::Tipo::Regua:
                p.setPen(QPen(it.cor, std::max(1.0, it.espessuraMm * px), it.traco));
                p.drawLine(QPointF(rp.left(), rp.top()), QPointF(rp.right(), rp.top()));
                break;
            case Item::Tipo::Figura:
                if (!it.figura.isNull()) {
                    const QSizeF s = QSizeF(it.figura.size()).scaled(rp.size(), Qt::KeepAspectRatio);
                    p.drawImage(QRectF(rp.topLeft(), s), it.figura);
                }
                break;
            }
        }
    }
    p.restore();
}

bool Relatorio::PintaEm(QPagedPaintDevice &dispositivo, double dpi)
{
    if (!d->preparado)
        Prepara();
    QPainter p;
    if (!p.begin(&dispositivo))
        return false;
    for (int i = 0; i < Paginas(); ++i) {
        if (i > 0 && !dispositivo.newPage())
            return false;
        PintaPagina(p, i, dpi);
    }
    return p.end();
}

bool Relatorio::ExportaPdf(const QString &arquivo)
{
    Prepara();
    QPdfWriter w(arquivo);
    w.setPageSize(pagina);
    w.setPageOrientation(paisagem ? QPageLayout::Landscape : QPageLayout::Portrait);
    w.setPageMargins(QMarginsF(0, 0, 0, 0));
    w.setResolution(300);
    w.setTitle(titulo);
    w.setCreator(QCoreApplication::applicationName());
    return PintaEm(w, w.resolution());
}

static QImage imagemPagina(const Relatorio &r, int indice, int dpi, QSizeF folhaMm)
{
    const double px = dpi / kMmPorPolegada;
    QImage img(qRound(folhaMm.width() * px), qRound(folhaMm.height() * px), QImage::Format_RGB32);
    img.setDotsPerMeterX(qRound(dpi / 0.0254));
    img.setDotsPerMeterY(qRound(dpi / 0.0254));
    img.fill(Qt::white);
    QPainter p(&img);
    r.PintaPagina(p, indice, dpi);
    p.end();
    return img;
}

QStringList Relatorio::ExportaJpeg(const QString &arquivo, int dpi)
{
    Prepara();
    const QString base = semExtensao(semExtensao(arquivo, QStringLiteral(".jpg")), QStringLiteral(".jpeg"));
    QStringList feitos;
    for (int i = 0; i < Paginas(); ++i) {
        const QString nome = base + QLatin1Char('_') + QString::number(i + 1) + QStringLiteral(".jpg");
        if (!imagemPagina(*this, i, dpi, tamanhoMm(pagina, paisagem)).save(nome, "JPG", 95))
            return {};
        feitos << nome;
    }
    return feitos;
}

bool Relatorio::ExportaRtf(const QString &arquivo, int dpi)
{
    Prepara();
    constexpr double twipPorMm = 1440.0 / kMmPorPolegada;
    const QSizeF folha = tamanhoMm(pagina, paisagem);
    const double px = dpi / kMmPorPolegada;
    auto tw = [&](double mm) { return QByteArray::number(qRound(mm * twipPorMm)); };
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 DejaVu Sans;}}\\paperw" + tw(folha.width())
                     + "\\paperh" + tw(folha.height()) + "\\margl" + tw(margensMm.left()) + "\\margr"
                     + tw(margensMm.right()) + "\\margt" + tw(margensMm.top()) + "\\margb" + tw(margensMm.bottom())
                     + "\n";
    // the picture is the page inside the margins, so it fits the RTF page
    const QRect dentro(qRound(margensMm.left() * px), qRound(margensMm.top() * px),
                       qRound((folha.width() - margensMm.left() - margensMm.right()) * px),
                       qRound((folha.height() - margensMm.top() - margensMm.bottom()) * px));
    for (int i = 0; i < Paginas(); ++i) {
        const QImage img = imagemPagina(*this, i, dpi, folha).copy(dentro);
        QByteArray png;
        QBuffer buf(&png);
        buf.open(QIODevice::WriteOnly);
        if (!img.save(&buf, "PNG"))
            return false;
        if (i > 0)
            rtf += "\\page\n";
        rtf += "\\pard\\plain{\\pict\\pngblip\\picw" + QByteArray::number(img.width()) + "\\pich"
               + QByteArray::number(img.height()) + "\\picwgoal" + tw(img.width() / px) + "\\pichgoal"
               + tw(img.height() / px) + "\n";
        const QByteArray hex = png.toHex();
        for (qsizetype k = 0; k < hex.size(); k += 128)
            rtf += hex.mid(k, 128) + '\n';
        rtf += "}\n";
    }
    rtf += "}\n";
    QFile f(arquivo);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(rtf) == rtf.size() && f.flush();
}

static QString arquivoTemporario(const Relatorio &r)
{
    const QString pasta = QDir::temp().filePath(QStringLiteral("zid-relatorios"));
    QDir().mkpath(pasta);
    QString nome = r.nomeArquivo.isEmpty() ? QStringLiteral("relatorio") : r.nomeArquivo;
    nome.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.-]")), QStringLiteral("_"));
    return QDir(pasta).filePath(nome + QStringLiteral(".pdf"));
}

bool Relatorio::Imprime()
{
    const QString pdf = arquivoTemporario(*this);
    if (!ExportaPdf(pdf)) {
        dialogs().showMessage(QStringLiteral("Não foi possível gravar o arquivo ") + pdf);
        return false;
    }
    const impressao::Resultado r = impressao::ImprimePdf(pdf);
    if (!r.ok)
        dialogs().showMessage(r.mensagem);
    return r.ok;
}

bool Relatorio::EnviaEMail()
{
    const QString pdf = arquivoTemporario(*this);
    if (!ExportaPdf(pdf)) {
        dialogs().showMessage(QStringLiteral("Não foi possível gravar o arquivo ") + pdf);
        return false;
    }
    QStringList args{QStringLiteral("--subject"), emailAssunto, QStringLiteral("--attach"), pdf};
    if (!emailPara.trimmed().isEmpty())
        args << emailPara.trimmed();
    const Lancador &l = lancador();
    const bool ok = l ? l(QStringLiteral("xdg-email"), args)
                      : QProcess::startDetached(QStringLiteral("xdg-email"), args);
    if (!ok)
        dialogs().showMessage(QStringLiteral("Não foi possível abrir o programa de e-mail (xdg-email)."));
    return ok;
}

Relatorio::Visualizador Relatorio::InstalaVisualizador(Visualizador v)
{
    return std::exchange(visualizador(), std::move(v));
}

Relatorio::Lancador Relatorio::InstalaLancador(Lancador l) { return std::exchange(lancador(), std::move(l)); }

namespace {

void exporta(Relatorio &r, QWidget *pai, const QString &filtro, const std::function<bool(const QString &)> &grava)
{
    Q_UNUSED(pai);
    const QString arquivo = dialogs().saveFileName(QStringLiteral("Exportar"), filtro, r.nomeArquivo);
    if (arquivo.isEmpty())
        return;
    if (!grava(arquivo))
        dialogs().showMessage(QStringLiteral("Não foi possível gravar o arquivo ") + arquivo);
}

void previa(Relatorio &r, QWidget *pai)
{
    r.Prepara();
    QPrinter impressora(QPrinter::HighResolution);
    impressora.setPageSize(r.pagina);
    impressora.setPageOrientation(r.paisagem ? QPageLayout::Landscape : QPageLayout::Portrait);
    impressora.setFullPage(true);
    QPrintPreviewDialog dlg(&impressora, pai);
    dlg.setWindowTitle(r.titulo);
    QObject::connect(&dlg, &QPrintPreviewDialog::paintRequested, &dlg,
                     [&r](QPrinter *pr) { r.PintaEm(*pr, pr->resolution()); });
    // Printing goes through the program's print helper, like every other print.
    if (auto *barra = dlg.findChild<QToolBar *>()) {
        for (QAction *a : barra->actions()) {
            const QString t = a->text().remove(QLatin1Char('&'));
            if (t == QCoreApplication::translate("QPrintPreviewDialog", "Print")
                || t == QCoreApplication::translate("QPrintPreviewDialog", "Page setup"))
                a->setVisible(false);
        }
        barra->addSeparator();
        auto acao = [&](const QString &texto, std::function<void()> f) {
            QAction *a = barra->addAction(texto);
            QObject::connect(a, &QAction::triggered, &dlg, std::move(f));
        };
        acao(QStringLiteral("Imprimir"), [&r] { r.Imprime(); });
        acao(QStringLiteral("PDF"), [&r, pai] {
            exporta(r, pai, QStringLiteral("PDF (*.pdf)"), [&r](const QString &a) { return r.ExportaPdf(a); });
        });
        acao(QStringLiteral("RTF"), [&r, pai] {
            exporta(r, pai, QStringLiteral("RTF (*.rtf *.doc)"), [&r](const QString &a) { return r.ExportaRtf(a); });
        });
        acao(QStringLiteral("JPEG"), [&r, pai] {
            exporta(r, pai, QStringLiteral("JPEG (*.jpg)"),
                    [&r](const QString &a) { return !r.ExportaJpeg(a).isEmpty(); });
        });
        acao(QStringLiteral("E-mail"), [&r] { r.EnviaEMail(); });
    }
    dlg.exec();
}

} // namespace

void Relatorio::Visualiza(QWidget *pai)
{
    if (const Visualizador &v = visualizador())
        v(*this, pai);
    else
        previa(*this, pai);
}

} // namespace bandas
