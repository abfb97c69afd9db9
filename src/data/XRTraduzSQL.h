#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Rewriting of the program's Firebird-flavoured SQL for the connection's
// dialect ("FB", "Ora" or "PG"). Pure text functions: the query keeps the
// translation cache, and nothing here writes a trace.
//
// Only statement text is rewritten: string literals and quoted names (with
// doubled quotes inside) and comments pass untouched, except that outside
// Firebird a literal that is wholly a date takes the dialect's date form.
//
// Positions are 0-based; -1 means "not found".
// Line breaks may be CR LF or LF alone.

// Columns of a table, in column order and without large-object columns; only
// the Oracle "alias.*" expansion asks for them.
using ColunasTabelaFn = std::function<QStringList(const QString& tabela)>;

// Throws std::invalid_argument when a "HORA[" flag is not a Boolean text.
QString TraduzSQL(const QString& sql, const QString& driver,
                  const ColunasTabelaFn& colunasTabela = {});

// Last stage: date literals, day arithmetic and XR_BLOB.
QString TraduzDatas(const QString& sql, const QString& driver);

// Oracle: comparisons with '' become IS [NOT] NULL (SET assignments stay).
QString TrataVazioOracle(const QString& sql);
// SUBSTRING(e FROM s FOR n) -> SUBSTR(e,s,n).
QString ConverteSubstring(const QString& sql);
// Oracle: drops AS before the alias of a parenthesised expression.
QString TrataAliasAS(const QString& sql);

struct TBaseAlias {
    QString Alias;  // upper-cased
    QString NmBase; // the table behind the alias
};
QList<TBaseAlias> ListaAliases(const QString& sql);
// "." + first column + ", ALIAS.col" ... + " "; "*" when the alias or its
// columns are unknown.
QString ColunasDoAlias(const QString& alias, const QList<TBaseAlias>& aliases,
                       const ColunasTabelaFn& colunasTabela);
// Oracle: alias.* in DISTINCT / GROUP BY queries becomes the alias's columns.
QString ExpandeAsterisco(const QString& sql, const ColunasTabelaFn& colunasTabela);

QString MacroList(const QString& sql, const QString& driver);
// Throws std::invalid_argument when the flag is not a Boolean text.
QString MacroHora(const QString& sql, const QString& driver);
QString MacroWeekNumber(const QString& sql, const QString& driver);
QString MacroFirst(const QString& sql, const QString& driver);

// First call of nome(...) -> (TO_CHAR((...),'formato')).
QString ConverteToChar(const QString& sql, const QString& nome, const QString& formato);

// Position of the ")" that closes the "(" at inicio; parentheses inside
// literals, quoted names and comments do not count.
qsizetype FechaParentese(const QString& x, qsizetype inicio = 0);
// The text after the last blank or comma.
QString UltimaPalavra(const QString& texto);
qsizetype ContaOcorrencias(QChar c, const QString& texto);
// "MM/DD/YYYY" and "MM/DD/YYYY HH:MM:SS" (24:00:00 allowed).
bool ValidaData(const QString& texto);
bool ValidaDataHora(const QString& texto);
