#pragma once

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

// What poppler-utils read from a PDF: the file as another program sees it.
namespace poppler {

inline QString roda(const QString &programa, const QStringList &args)
{
    QProcess p;
    p.start(programa, args);
    if (!p.waitForFinished(30000))
        return QStringLiteral("<%1 did not finish>").arg(programa);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The text of one page (1-based), or of all pages with 0, in layout or in
// reading order (where rotated words stay whole); ligatures as their letters.
inline QString texto(const QString &pdf, int pagina = 0, bool layout = true)
{
    QStringList args;
    if (layout)
        args << QStringLiteral("-layout");
    if (pagina > 0)
        args << QStringLiteral("-f") << QString::number(pagina) << QStringLiteral("-l") << QString::number(pagina);
    return roda(QStringLiteral("pdftotext"), args << pdf << QStringLiteral("-"))
        .normalized(QString::NormalizationForm_KC);
}

inline int paginas(const QString &pdf)
{
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(roda(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// Images listed by pdfimages (soft masks included).
inline int imagens(const QString &pdf)
{
    const QStringList linhas =
        roda(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).split('\n', Qt::SkipEmptyParts);
    return int(linhas.size()) - 2; // two header lines
}

// Pixels of a page drawn at 40 dpi in grey levels lo..hi (0 black, 255 white).
inline int pixelsCinza(const QString &pdf, int pagina, int lo, int hi)
{
    const QString base = pdf + QStringLiteral(".pg");
    roda(QStringLiteral("pdftoppm"), {QStringLiteral("-gray"), QStringLiteral("-r"), QStringLiteral("40"),
                                      QStringLiteral("-singlefile"), QStringLiteral("-f"), QString::number(pagina),
                                      QStringLiteral("-l"), QString::number(pagina), pdf, base});
    const QImage img(base + QStringLiteral(".pgm"));
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (const int g = qGray(img.pixel(x, y)); g >= lo && g <= hi)
                ++n;
    return img.isNull() ? -1 : n;
}

} // namespace poppler
