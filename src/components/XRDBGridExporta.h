#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <stdexcept>
#include <vector>

class DataSet;

// File formats of the grid's exports and its text import, free of widgets so
// they can be driven by tests and benchmarks. Every writer walks the dataset
// from its first record and leaves the cursor at its end.
namespace xrexporta {

// The pieces of text between occurrences of sep; empty pieces between two
// separators are kept, the rest after the last one only when not empty.
QStringList TextoParaLista(const QString &texto, const QString &sep);

// Appends ext when the name does not contain it anywhere (case-sensitive).
QString ComExtensao(const QString &nome, const QString &ext);

// The title a field shows: its display label, or its name.
QString RotuloCampo(const DataSet &ds, int field);

// An XML 1.0 element name (no namespace checks).
bool NomeXMLValido(const QString &nome);

// A failure the user reads as it stands.
class ErroExportacao : public std::runtime_error {
public:
    explicit ErroExportacao(const QString &msg) : std::runtime_error(msg.toStdString()), m_msg(msg) {}
    const QString &mensagem() const { return m_msg; }

private:
    QString m_msg;
};

// ";" after each value, Windows-1252, CR LF; line breaks inside a value
// become "*13*" so a record stays on one line.
QByteArray ExportaTXT(DataSet &ds);
// UTF-8 with a declaration. Throws ErroExportacao when a label is no XML name.
QByteArray ExportaXML(DataSet &ds);
// One table, UTF-8 with a byte-order mark, nothing around it.
QByteArray ExportaHTML(DataSet &ds);
// An RTF document holding one table: field names, then display texts.
QByteArray ExportaRTF(DataSet &ds);
constexpr int MaxColunasDOC = 63;

struct ColunaPlanilha {
    QString campo;
    QString titulo;
};
// Excel sheet name from a file name: no folder, no forbidden characters, at
// most 31 characters, never empty.
QString NomePlanilha(const QString &arquivo);
// Writes an .xlsx file at caminho; on failure no file is left behind and
// ErroExportacao is thrown.
void ExportaXLSX(DataSet &ds, const std::vector<ColunaPlanilha> &colunas, const QString &caminho,
                 const QString &nomePlanilha);

// Writes the whole content or nothing (a temporary file renamed at the end).
void GravaArquivo(const QString &caminho, const QByteArray &conteudo);

// Text import: a byte-order mark selects the encoding, otherwise Windows-1252.
QStringList LinhasDoArquivo(const QByteArray &bytes);
// Appends one record per line after the first (which names the fields).
// A line the dataset refuses cancels its own record and throws ErroExportacao
// naming the line; the lines before it stay. Returns the records appended.
int ImportaLinhas(DataSet &ds, const QStringList &linhas);

} // namespace xrexporta
