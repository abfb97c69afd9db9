#pragma once

#include <QString>
#include <QStringList>

// General helpers shared by windows and server modules. Pure functions here;
// the look-ups against the local database live beside the module.

// "'" + text + "'" with embedded quotes doubled.
QString QuotedStr(const QString& texto);

// MD5 of the text as 32 upper-case hex digits. Each UTF-16 unit outside
// 7-bit ASCII is hashed as "?", as the server's copy was made.
QString GeraMD5(const QString& texto);

// Quoted like QuotedStr: values typed by users go into SQL, so quotes are
// always doubled.
QString Aspas(const QString& texto);

// 15 significant digits, decimal point, no grouping; exponent form ("1E20",
// "1E-5") only for very large or small values. Never depends on the locale.
QString FloatParaSQL(double valor);

// The characters of "1234567890ISENTO" in the text, in their order.
QString SomenteNumeros(const QString& texto);

bool ValidaCNPJ(const QString& texto);
bool ValidaCPF(const QString& texto);
// Syntax only; an empty text passes.
bool ValidaEmail(const QString& texto);

// Garment sizes in selling order: BP BM BG, K sizes, numbers, PP P M G GG,
// then the rest as listed.
void OrdenaTamanhos(QStringList& lista);

// Left zeros up to the width; a longer number is returned whole.
QString ZerosEsquerda(int valor, int largura);

// Appends each line and one blank to resultado (not cleared first).
void ListaParaTexto(const QStringList& lista, QString& resultado);

// Parameterised INSERT of the given columns (":" + column), appended to
// resultado through ListaParaTexto.
void MontaInsert(const QString& tabela, const QStringList& campos, QString& resultado);

// " 1=1 " + " and field like value" per pair; both lists ";"-separated, the
// values already quoted. Throws std::invalid_argument when the counts differ.
QString MontaFiltroLike(const QString& campos, const QString& valores);

// ---------------------------------------------------------------------------
// Look-ups against the local database (module connection) and hooks the GUI
// installs. Implemented in UntFuncoesDB.cpp.
// ---------------------------------------------------------------------------

#include <QVariant>

#include <functional>

// True when a row of the table has every field equal to its value. Fields
// and values separated by "," (or ";"); values are SQL literals as Aspas
// makes them. Separators, "%" and "_" inside a quoted value are plain
// characters. On an error shows "Erro: " + message and answers false.
bool ExisteRegistro(const QString& tabela, const QString& campos, const QString& valores);

// The values of a list of SQL literals separated by "," (or ";"), unquoted
// ('' -> '). Separators inside quotes belong to the value.
QStringList ValoresDaListaSQL(const QString& lista);

// Highest numeric code of the field plus one, left-padded with zeros to the
// width; codes that are not whole numbers are ignored.
QString ProximoCodigo(const QString& tabela, const QString& campo, int largura);

// The field of the first row whose key equals the value; an invalid variant
// when there is none.
QVariant BuscaValorCampo(const QString& campo, const QString& tabela, const QString& campoChave,
                         const QString& valorChave);

// Wait cursor on or off; does nothing until the GUI installs its handler.
void CursorEspera(bool espera);
void InstalaCursorEspera(std::function<void(bool)> handler);

// The operating system's connection state, without sending anything.
// False with "Não há conexão com a Internet" in mensagem when offline.
bool VerificaInternet(QString& mensagem);

// Whether a window of the class is open: the window registry answers for
// the component name (class name after its first "T"); false with no registry.
bool FormAberto(const QString& classe);
void InstalaFormAberto(std::function<bool(const QString& nomeComponente)> consulta);
