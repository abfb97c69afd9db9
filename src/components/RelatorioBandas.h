#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QMarginsF>
#include <QPageSize>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class DataSet;
class QPainter;
class QPagedPaintDevice;
class QWidget;

// A small banded report drawn with QPainter.
//
// Use: fill a Relatorio's bands with items, hand it the rows (any DataSet,
// read once into the report), optionally a group key per group level, then
// show it (Visualiza), or write it (ExportaPdf, ExportaJpeg, ExportaRtf),
// print it (Imprime) or mail it (EnviaEMail).
//
//   bandas::Relatorio r;
//   r.titulo = "Estoque";
//   r.cabecalhoPagina.alturaMm = 12;
//   r.cabecalhoPagina.itens.push_back(bandas::Texto({0, 0, 200, 8}, "Estoque", bandas::Fonte(14, true)));
//   r.cabecalhoPagina.itens.push_back(bandas::PaginaDeTotal({150, 0, 50, 5}, "Pág.: ", bandas::Fonte(9)));
//   r.grupos.push_back({"LINHA", cabecalhoDaLinha, rodapeDaLinha});
//   r.dados.alturaMm = 5;
//   r.dados.itens.push_back(bandas::Campo({0, 0, 40, 5}, "CODIGO", bandas::Fonte(8)));
//   r.dados.itens.push_back(bandas::Soma({150, 0, 30, 5}, "QTDE", 0, "#,##0", bandas::Fonte(8, true)));
//   r.DefineLinhas(consulta);
//   r.Visualiza(this);
//
// Every position is in millimetres from the band's top left corner inside
// the page margins; fonts are in points. Rows come in the order the data
// source gives them: sort them by the group keys first. Pages are laid out
// once (band heights, stretched memos, page breaks) and then drawn, so "page
// x of y" knows y.
namespace bandas {

// DejaVu Sans: metrics that are the same on every machine.
QFont Fonte(double pontos, bool negrito = false, bool sublinhado = false);
// DejaVu Sans Mono: columns of text laid out by blanks line up.
QFont FonteMono(double pontos, bool negrito = false);

struct Linhas;

// What an item reads while the report is drawn.
class Contexto {
public:
    // A field of the current row (null when the report has no rows).
    QVariant Campo(const QString &nome) const;
    // Value formatted: numbers with the mask ("#,##0.00"), dates dd/MM/yyyy.
    QString Texto(const QString &nome, const QString &mascara = {}) const;
    // Sum of a field registered by a Soma item: nivel -1 for the whole
    // report so far, 0.. for the current group of that level (outer first).
    double Soma(const QString &campo, int nivel = -1) const;
    int Pagina() const { return m_pagina; }
    int TotalPaginas() const { return m_total; }
    int Linha() const { return m_linha; } // 0-based row; -1 without rows

private:
    friend class Relatorio;
    const Linhas *m_linhas = nullptr;
    const std::vector<QString> *m_somados = nullptr;
    const double *m_somas = nullptr; // [nivel + 1][campo]
    int m_niveis = 0;
    int m_linha = -1;
    int m_pagina = 0;
    int m_total = 0;
};

using TextoFn = std::function<QString(const Contexto &)>;

struct Item {
    enum class Tipo { Texto, Regua, Figura };
    Tipo tipo = Tipo::Texto;
    QRectF mm;        // inside the band; a rule runs along the top edge
    TextoFn texto;
    QFont fonte = Fonte(9);
    int alinhamento = Qt::AlignLeft | Qt::AlignVCenter;
    QColor cor = Qt::black;
    bool estica = false;          // memo: wraps and grows down, the band with it
    Qt::PenStyle traco = Qt::SolidLine;
    double espessuraMm = 0.2;
    QImage figura;                // drawn inside mm, keeping its proportions
    QString somaCampo;            // set by Soma(): this field is summed
};

// Fixed text.
Item Texto(const QRectF &mm, const QString &texto, const QFont &fonte = Fonte(9),
           int alinhamento = Qt::AlignLeft | Qt::AlignVCenter);
// A field of the current row, numbers formatted with mascara.
Item Campo(const QRectF &mm, const QString &campo, const QFont &fonte = Fonte(9), const QString &mascara = {},
           int alinhamento = Qt::AlignLeft | Qt::AlignVCenter);
// Any text computed from the context.
Item Calculado(const QRectF &mm, TextoFn texto, const QFont &fonte = Fonte(9),
               int alinhamento = Qt::AlignLeft | Qt::AlignVCenter);
// The sum of campo over the group of level nivel (-1: the report).
Item Soma(const QRectF &mm, const QString &campo, int nivel, const QString &mascara, const QFont &fonte = Fonte(9),
          int alinhamento = Qt::AlignRight | Qt::AlignVCenter);
// prefixo + page + "/" + pages.
Item PaginaDeTotal(const QRectF &mm, const QString &prefixo, const QFont &fonte = Fonte(9),
                   int alinhamento = Qt::AlignRight | Qt::AlignVCenter);
// Text wrapped to the item's width; the band grows to hold it.
Item Memo(const QRectF &mm, TextoFn texto, const QFont &fonte = Fonte(9));
// A horizontal rule at yMm from xMm to xMm + larguraMm.
Item Regua(double yMm, double xMm, double larguraMm, Qt::PenStyle traco = Qt::SolidLine);
Item Figura(const QRectF &mm, const QImage &figura);

struct Banda {
    double alturaMm = 0; // 0 with no items: the band is left out
    std::vector<Item> itens;
    bool Vazia() const { return itens.empty() && alturaMm <= 0; }
};

// A group level: a header when the key field changes, a footer before it
// changes again and at the end. Levels nest, outer first.
struct Grupo {
    QString campo;
    Banda cabecalho;
    Banda rodape;
    bool mesmoSemLinhas = false; // printed once even when there are no rows
};

// Draws under everything else on each page; paginaPx is the whole sheet.
using Fundo = std::function<void(QPainter &, const QRectF &paginaPx, int pagina)>;

class Relatorio {
public:
    Relatorio();
    ~Relatorio();
    Relatorio(const Relatorio &) = delete;
    Relatorio &operator=(const Relatorio &) = delete;

    QString titulo;      // preview caption and the exported file's title
    QString nomeArquivo; // suggested name of exported files, without extension
    QPageSize pagina{QPageSize::A4};
    bool paisagem = false;
    QMarginsF margensMm{5, 5, 5, 5};

    Banda cabecalhoPagina;
    Banda rodapePagina;
    std::vector<Grupo> grupos;
    Banda dados;        // once per row
    Banda rodapeDados;  // after the rows: report totals
    Banda filhoRodape;  // right below rodapeDados
    Fundo fundo;

    // The mail program's fields for EnviaEMail.
    QString emailPara;
    QString emailAssunto;

    // Reads the rows (the source's cursor is left where it was).
    void DefineLinhas(DataSet &fonte);

    // Lays out the pages; called by every output. Returns the page count.
    int Prepara();
    int Paginas() const;
    // Draws page indice (0-based) on a painter whose device has the given
    // resolution, the sheet's top left corner at the origin.
    void PintaPagina(QPainter &p, int indice, double dpi) const;
    // Draws every page on a paged device (printer, PDF writer).
    bool PintaEm(QPagedPaintDevice &dispositivo, double dpi);

    bool ExportaPdf(const QString &arquivo);
    // One JPEG (quality 95) per page: "<arquivo without .jpg>_<n>.jpg";
    // returns the files written, empty on failure.
    QStringList ExportaJpeg(const QString &arquivo, int dpi = 150);
    // An RTF document with each page as a PNG picture.
    bool ExportaRtf(const QString &arquivo, int dpi = 150);
    // The PDF handed to the print helper; failures are shown.
    bool Imprime();
    // The desktop's mail program with the PDF attached.
    bool EnviaEMail();
    // Preview window with print, export and mail; returns when it closes.
    void Visualiza(QWidget *pai);

    // Tests replace the preview and the program launcher; each returns the
    // previous one (empty = the default).
    using Visualizador = std::function<void(Relatorio &, QWidget *pai)>;
    static Visualizador InstalaVisualizador(Visualizador v);
    using Lancador = std::function<bool(const QString &programa, const QStringList &argumentos)>;
    static Lancador InstalaLancador(Lancador l);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace bandas
