#include "components/XRDBGridExporta.h"

#include "platform/Cp1252.h"
#include "platform/DataSet.h"
#include "platform/Formats.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QXmlStreamWriter>

#include <xlsxwriter.h>

#include <algorithm>
#include <cmath>
#include <functional>

namespace xrexporta {

namespace {

void ParaCadaRegistro(DataSet &ds, const std::function<void()> &fn)
{
    ds.first();
    while (!ds.eof()) {
        fn();
        ds.next();
    }
}

QString Texto(const DataSet &ds, int i) { return ds.field(i)->displayText(); }

// CR LF, a lone CR and a lone LF each count as one line break.
QString TrocaQuebras(const QString &s, const QString &por)
{
    if (!s.contains(QLatin1Char('\r')) && !s.contains(QLatin1Char('\n')))
        return s;
    QString r;
    r.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c == QLatin1Char('\r')) {
            if (i + 1 < s.size() && s.at(i + 1) == QLatin1Char('\n'))
                ++i;
            r += por;
        } else if (c == QLatin1Char('\n')) {
            r += por;
        } else {
            r += c;
        }
    }
    return r;
}

bool InicioNomeXML(char32_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' ||
           (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) ||
           (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

bool CaractereNomeXML(char32_t c)
{
    return InicioNomeXML(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

QString EscapaHTML(const QString &s)
{
    QString r;
    r.reserve(s.size());
    for (const QChar c : s) {
        switch (c.unicode()) {
        case '&': r += QLatin1String("&amp;"); break;
        case '<': r += QLatin1String("&lt;"); break;
        case '>': r += QLatin1String("&gt;"); break;
        case '"': r += QLatin1String("&quot;"); break;
        default: r += c;
        }
    }
    return TrocaQuebras(r, QStringLiteral("<br>"));
}

QByteArray EscapaRTF(const QString &s)
{
    QByteArray r;
    r.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const ushort u = s.at(i).unicode();
        if (u == '\\' || u == '{' || u == '}') {
            r += '\\';
            r += char(u);
        } else if (u == '\r' || u == '\n') {
            if (u == '\r' && i + 1 < s.size() && s.at(i + 1) == QLatin1Char('\n'))
                ++i;
            r += "\\line ";
        } else if (u == '\t') {
            r += "\\tab ";
        } else if (u < 0x80) {
            r += char(u);
        } else {
            // \uN takes a signed 16-bit number; "?" is what old readers show
            r += "\\u" + QByteArray::number(int(short(u))) + '?';
        }
    }
    return r;
}

} // namespace

QStringList TextoParaLista(const QString &texto, const QString &sep)
{
    QStringList r;
    if (sep.isEmpty()) {
        if (!texto.isEmpty())
            r << texto;
        return r;
    }
    qsizetype ini = 0;
    for (;;) {
        const qsizetype p = texto.indexOf(sep, ini);
        if (p < 0)
            break;
        r << texto.mid(ini, p - ini);
        ini = p + sep.size();
    }
    if (ini < texto.size())
        r << texto.mid(ini);
    return r;
}

QString ComExtensao(const QString &nome, const QString &ext)
{
    return nome.contains(ext, Qt::CaseSensitive) ? nome : nome + ext;
}

QString RotuloCampo(const DataSet &ds, int field)
{
    const Field *f = ds.field(field);
    return f->displayLabel.isEmpty() ? f->fieldName() : f->displayLabel;
}

bool NomeXMLValido(const QString &nome)
{
    const QList<uint> cps = nome.toUcs4();
    if (cps.isEmpty() || !InicioNomeXML(cps.front()))
        return false;
    return std::all_of(cps.begin() + 1, cps.end(), [](uint c) { return CaractereNomeXML(c); });
}

QByteArray ExportaTXT(DataSet &ds)
{
    const int n = ds.fieldCount();
    QString linha;
    QByteArray out;
    for (int i = 0; i < n; ++i)
        linha += RotuloCampo(ds, i) + QLatin1Char(';');
    out += toCp1252(linha) + "\r\n";
    ParaCadaRegistro(ds, [&] {
        linha.clear();
        for (int i = 0; i < n; ++i)
            linha += TrocaQuebras(Texto(ds, i), QStringLiteral("*13*")) + QLatin1Char(';');
        out += toCp1252(linha) + "\r\n";
    });
    return out;
}

QByteArray ExportaXML(DataSet &ds)
{
    const int n = ds.fieldCount();
    QStringList nomes;
    for (int i = 0; i < n; ++i) {
        nomes << RotuloCampo(ds, i);
        if (!NomeXMLValido(nomes.back()))
            throw ErroExportacao(QStringLiteral("O título \"%1\" do campo %2 não é um nome válido em XML.")
                                     .arg(nomes.back(), ds.field(i)->fieldName()));
    }
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(2);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("DataSet"));
    ParaCadaRegistro(ds, [&] {
        w.writeStartElement(QStringLiteral("row"));
        for (int i = 0; i < n; ++i) {
            // a raw CR would be read back as a plain line feed
            const QStringList partes = Texto(ds, i).split(QLatin1Char('\r'));
            w.writeStartElement(nomes[i]);
            for (qsizetype p = 0; p < partes.size(); ++p) {
                if (p > 0)
                    w.writeEntityReference(QStringLiteral("#13"));
                w.writeCharacters(partes[p]);
            }
            w.writeEndElement();
        }
        w.writeEndElement();
    });
    w.writeEndElement();
    w.writeEndDocument();
    return out;
}

QByteArray ExportaHTML(DataSet &ds)
{
    const int n = ds.fieldCount();
    QString s = QStringLiteral("<table border=\"1\">\r\n<tr>");
    for (int i = 0; i < n; ++i)
        s += QLatin1String("<th>") + EscapaHTML(RotuloCampo(ds, i)) + QLatin1String("</th>");
    s += QLatin1String("</tr>\r\n");
    ParaCadaRegistro(ds, [&] {
        s += QLatin1String("<tr>");
        for (int i = 0; i < n; ++i)
            s += QLatin1String("<td>") + EscapaHTML(Texto(ds, i)) + QLatin1String("</td>");
        s += QLatin1String("</tr>\r\n");
    });
    s += QLatin1String("</table>\r\n");
    return QByteArray("\xEF\xBB\xBF") + s.toUtf8();
}

QByteArray ExportaRTF(DataSet &ds)
{
    const int n = ds.fieldCount();
    // A4 text width with 2 cm margins, shared by the columns
    const int largura = 9638 / std::max(n, 1);
    QByteArray linhaDef = "\\trowd\\trgaph70";
    for (int i = 1; i <= n; ++i)
        linhaDef += "\\clbrdrt\\brdrs\\clbrdrl\\brdrs\\clbrdrb\\brdrs\\clbrdrr\\brdrs\\cellx" +
                    QByteArray::number(largura * i);
    linhaDef += '\n';
    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs18\n";
    auto linha = [&](const std::function<QString(int)> &texto) {
        out += linhaDef;
        for (int i = 0; i < n; ++i)
            out += "\\pard\\intbl " + EscapaRTF(texto(i)) + "\\cell\n";
        out += "\\row\n";
    };
    linha([&](int i) { return ds.field(i)->fieldName(); });
    ParaCadaRegistro(ds, [&] { linha([&](int i) { return Texto(ds, i); }); });
    out += "\\pard\\par\n}\n";
    return out;
}

QString NomePlanilha(const QString &arquivo)
{
    QString nome = QFileInfo(arquivo).fileName();
    static const QString proibidos = QStringLiteral("[]:*?/\\");
    nome.removeIf([](QChar c) { return proibidos.contains(c); });
    // an apostrophe may neither open nor close a sheet name
    while (nome.startsWith(QLatin1Char('\'')))
        nome.remove(0, 1);
    nome = nome.left(31);
    while (nome.endsWith(QLatin1Char('\'')))
        nome.chop(1);
    return nome.trimmed().isEmpty() ? QStringLiteral("Plan1") : nome;
}

void ExportaXLSX(DataSet &ds, const std::vector<ColunaPlanilha> &colunas, const QString &caminho,
                 const QString &nomePlanilha)
{
    // built under a temporary name so a failure never leaves a partial file
    const QString temp = caminho + QStringLiteral(".part");
    QFile::remove(temp);
    lxw_workbook *wb = workbook_new(QFile::encodeName(temp).constData());
    if (!wb)
        throw ErroExportacao(QStringLiteral("Não foi possível criar o arquivo %1.").arg(caminho));
    const auto falha = [&](const QString &msg) {
        workbook_close(wb);
        QFile::remove(temp);
        throw ErroExportacao(msg);
    };
    lxw_worksheet *ws = workbook_add_worksheet(wb, nomePlanilha.toUtf8().constData());
    if (!ws)
        falha(QStringLiteral("Nome de planilha inválido: %1").arg(nomePlanilha));
    lxw_format *fmtTexto = workbook_add_format(wb);
    format_set_num_format(fmtTexto, "@");
    lxw_format *fmtData = workbook_add_format(wb);
    format_set_num_format(fmtData, "dd/mm/yyyy");

    std::vector<int> campos;
    std::vector<int> larguras;
    for (const ColunaPlanilha &c : colunas) {
        campos.push_back(ds.fieldIndex(c.campo));
        larguras.push_back(int(c.titulo.size()));
        worksheet_write_string(ws, 0, lxw_col_t(campos.size() - 1), c.titulo.toUtf8().constData(), nullptr);
    }
    const QDate base(1899, 12, 30);
    lxw_row_t linha = 0;
    ParaCadaRegistro(ds, [&] {
        ++linha;
        for (size_t c = 0; c < campos.size(); ++c) {
            if (campos[c] < 0)
                continue;
            const Field *f = ds.field(campos[c]);
            const QString t = f->displayText();
            larguras[c] = std::max(larguras[c], int(t.size()));
            const auto col = lxw_col_t(c);
            const FieldType tipo = f->dataType();
            if (tipo == FieldType::Date || tipo == FieldType::DateTime || tipo == FieldType::Time) {
                QDateTime dt;
                if (!f->isNull())
                    dt = tipo == FieldType::Time ? QDateTime(base, f->asTime()) : f->asDateTime();
                if (!t.trimmed().isEmpty() && dt.isValid() && dt.date() > base) {
                    lxw_datetime x{dt.date().year(), dt.date().month(), dt.date().day(), dt.time().hour(),
                                   dt.time().minute(), dt.time().second() + dt.time().msec() / 1000.0};
                    worksheet_write_datetime(ws, linha, col, &x, fmtData);
                } else {
                    worksheet_write_string(ws, linha, col, t.toUtf8().constData(), nullptr);
                }
            } else if (tipo == FieldType::String || tipo == FieldType::Memo) {
                worksheet_write_string(ws, linha, col, t.toUtf8().constData(), fmtTexto);
            } else {
                double v = 0;
                if (!f->isNull() && isNumericType(tipo))
                    v = f->asFloat();
                if ((!f->isNull() && isNumericType(tipo)) || fmt::tryStrToFloat(t, v))
                    worksheet_write_number(ws, linha, col, QString::number(v, 'f', 5).toDouble(), nullptr);
                else if (!t.isEmpty())
                    worksheet_write_string(ws, linha, col, t.toUtf8().constData(), nullptr);
            }
        }
    });
    for (size_t c = 0; c < larguras.size(); ++c)
        worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c), std::clamp(larguras[c] + 2, 8, 60), nullptr);
    const lxw_error err = workbook_close(wb);
    if (err != LXW_NO_ERROR) {
        QFile::remove(temp);
        throw ErroExportacao(QString::fromUtf8(lxw_strerror(err)));
    }
    QFile::remove(caminho);
    if (!QFile::rename(temp, caminho)) {
        QFile::remove(temp);
        throw ErroExportacao(QStringLiteral("Não foi possível gravar o arquivo %1.").arg(caminho));
    }
}

void GravaArquivo(const QString &caminho, const QByteArray &conteudo)
{
    QSaveFile f(caminho);
    if (!f.open(QIODevice::WriteOnly) || f.write(conteudo) != conteudo.size() || !f.commit())
        throw ErroExportacao(QStringLiteral("Não foi possível gravar o arquivo %1: %2").arg(caminho, f.errorString()));
}

QStringList LinhasDoArquivo(const QByteArray &bytes)
{
    QString texto;
    if (const auto enc = QStringConverter::encodingForData(bytes)) {
        QStringDecoder dec(*enc);
        texto = dec(bytes);
        if (texto.startsWith(QChar(0xFEFF)))
            texto.remove(0, 1);
    } else {
        texto = fromCp1252(bytes);
    }
    texto.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    texto.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList linhas = texto.split(QLatin1Char('\n'));
    if (!linhas.isEmpty() && linhas.back().isEmpty())
        linhas.removeLast();
    return linhas;
}

namespace {

// The text typed into a field, read the way the grid shows it.
void DefineTexto(Field &f, const QString &texto)
{
    if (texto.isEmpty()) {
        f.clear();
        return;
    }
    const auto recusa = [&] {
        throw ErroExportacao(QStringLiteral("'%1' não é um valor válido para o campo %2.").arg(texto, f.fieldName()));
    };
    const FieldType tipo = f.dataType();
    if (isNumericType(tipo)) {
        double v = 0;
        if (!fmt::tryStrToFloat(texto, v))
            recusa();
        if ((tipo == FieldType::SmallInt || tipo == FieldType::Integer || tipo == FieldType::LargeInt) &&
            v != std::floor(v))
            recusa();
        f.setValue(v);
    } else if (tipo == FieldType::Date || tipo == FieldType::DateTime) {
        QDateTime dt = QDateTime::fromString(texto, QStringLiteral("dd/MM/yyyy HH:mm:ss"));
        if (!dt.isValid()) {
            QDate d;
            if (!fmt::tryStrToDate(texto, d))
                recusa();
            dt = QDateTime(d, QTime(0, 0));
        }
        f.setValue(dt);
    } else if (tipo == FieldType::Time) {
        QTime t = QTime::fromString(texto, QStringLiteral("HH:mm:ss"));
        if (!t.isValid())
            t = QTime::fromString(texto, QStringLiteral("HH:mm"));
        if (!t.isValid())
            recusa();
        f.setValue(t);
    } else if (tipo == FieldType::Boolean) {
        if (texto.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            f.setValue(true);
        else if (texto.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            f.setValue(false);
        else
            recusa();
    } else {
        f.setAsString(texto);
    }
}

} // namespace

int ImportaLinhas(DataSet &ds, const QStringList &linhas)
{
    if (linhas.isEmpty())
        return 0;
    const QString sep = QStringLiteral(";");
    const QStringList nomes = TextoParaLista(linhas.front(), sep);
    int importados = 0;
    for (qsizetype l = 1; l < linhas.size(); ++l) {
        const QStringList valores = TextoParaLista(linhas[l], sep);
        const auto erro = [&](const QString &motivo) {
            return ErroExportacao(QStringLiteral("Importação interrompida na linha %1 do arquivo:\r%2")
                                      .arg(l + 1)
                                      .arg(motivo));
        };
        if (valores.size() > nomes.size())
            throw erro(QStringLiteral("a linha tem %1 valores e a primeira linha nomeia %2 campos.")
                           .arg(valores.size())
                           .arg(nomes.size()));
        ds.append();
        bool algum = false;
        try {
            for (qsizetype j = 0; j < valores.size(); ++j) {
                Field *f = ds.findField(nomes[j]);
                if (!f)
                    continue;
                DefineTexto(*f, QString(valores[j]).replace(QLatin1String("*13*"), QLatin1String("\r\n")));
                algum = true;
            }
            if (algum) {
                ds.post();
                ++importados;
            } else {
                ds.cancel();
            }
        } catch (const ErroExportacao &e) {
            ds.cancel();
            throw erro(e.mensagem());
        } catch (const EDatabaseError &e) {
            ds.cancel();
            throw erro(e.message());
        }
    }
    return importados;
}

} // namespace xrexporta
