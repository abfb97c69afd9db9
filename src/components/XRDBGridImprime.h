#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// The grid's printout: a page layout free of any device (positions in pixels
// at 96 dpi on A4), and one renderer that draws it onto a PDF file.
namespace impressaograde {

// The A4 drawing surface in 96-dpi pixels, in the chosen orientation.
QSize TamanhoPagina(bool paisagem);

enum class Fonte {
    Celula,    // the grid's font
    Titulo,    // column titles: bold, one point smaller
    Cabecalho, // company and window caption: bold, four points larger
    Rodape,    // footer, date and page number: italic, one point smaller
};

// Text widths in each of the printout's fonts.
using Medida = std::function<int(Fonte, const QString &)>;

struct Coluna {
    QString titulo;
    int largura = 0; // -1: a hidden column
};

struct Documento {
    int W = 0;
    int H = 0;
    int F = 8; // the grid font's size in points, used as a length
    bool temEmpresa = false;
    bool temLogo = false;
    QString empresa;
    QString titulo;  // the window's caption
    QString data;    // today's date as printed
    QString rodape;  // the footer line
    std::vector<Coluna> colunas;
    std::vector<QStringList> linhas; // one text per column, hidden ones included
};

struct Operacao {
    enum class Tipo { Texto, Linha, Imagem };
    Tipo tipo = Tipo::Texto;
    Fonte fonte = Fonte::Celula;
    QPoint p1; // text: top-left; line: start
    QPoint p2; // line: end
    QRect retangulo; // image
    QString texto;
};

struct Pagina {
    std::vector<Operacao> ops;
};

// Cuts a text to a column: first to about as many characters as the column
// holds, then one character at a time until it fits the column and the right
// margin. Gives an empty text when nothing fits (a hidden column, a column
// past the margin).
QString AjustaTexto(const QString &texto, int largura, int x, int W, const std::function<int(const QString &)> &mede);

std::vector<Pagina> MontaPaginas(const Documento &doc, const Medida &mede);

// The printout's fonts, derived from the grid's font.
struct Fontes {
    explicit Fontes(const QFont &grade);
    QFont celula, titulo, cabecalho, rodape;
    const QFont &fonte(Fonte f) const;
    int F = 8;
};

// Draws the pages into a PDF at caminho; A4, 96 dpi, no margins.
// Throws std::runtime_error when the file cannot be written.
void GravaPdf(const QString &caminho, bool paisagem, const Fontes &fontes, const QColor &corTexto,
              const std::vector<Pagina> &paginas, const QImage &logo);

// Widths measured the way GravaPdf draws them.
Medida MedidaPdf(const Fontes &fontes);

} // namespace impressaograde
