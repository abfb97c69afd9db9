#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// Widget-free rules of the server-defined reports: the download texts, the
// version check, the parameter screen's layout and the values sent.
namespace relatorio {

// The report definitions and their parameters of this client (TIPO_REL 'V').
QString SqlRelatorios();
QString SqlParametros();

// The server's version text as a whole number; none when it is not one.
std::optional<int> VersaoServidor(const QString &texto);
// Reports need a server above version 4; anything unreadable is too old.
bool VersaoCompativel(const QString &texto);

// A table or column name the server sent that may go into local SQL:
// letters, digits, "_" and "$" only, not empty.
bool IdentificadorSimples(const QString &nome);

// The report's own text as it goes to the server: "\" removed and every
// upper-case "WHERE" opened with "1 = 1 AND " (the filters append to it).
QString SqlDoRelatorio(const QString &codigoSql);

// A parameter row as the screen builder sees it.
struct TParametroTela {
    QString campo;
    int tipo = 0;
    QString tabBusca;
    QString cpoCod;
    QString cpoDesc;
};

// Whether the row gets a look-up: a look-up table is named and every name
// that goes into the local search is a plain identifier.
bool TemPesquisa(const TParametroTela &p);

// Where one parameter's controls go (tops in pixels; lefts are fixed:
// label 10, edit 125, look-up 245, description 270).
struct TPosicaoParametro {
    int topo = 0;
    bool rotulo = false;   // label at topo + 5
    bool edit = false;     // edit of any kind at topo
    bool pesquisa = false; // look-up button and description at topo
};

struct TLayoutParametros {
    std::vector<TPosicaoParametro> itens; // one per row, in row order
    int alturaPainel = 0;
    int topoFechar = 0;
    int topoConfirmar = 0;
};

inline constexpr int kEsquerdaRotulo = 10;
inline constexpr int kEsquerdaEdit = 125;
inline constexpr int kEsquerdaPesquisa = 245;
inline constexpr int kEsquerdaDescricao = 270;

TLayoutParametros LayoutParametros(const std::vector<TParametroTela> &parametros);

// The kind of control a parameter's value is read from.
enum class TControleValor { Nenhum, Texto, Numero, Data };

// One row of the values sent with the report.
struct TValorParametro {
    QString campo;
    QString valor;
    QString tipo; // "", "ftDate", "ftFloat", "ftString"
};

// The value row of one parameter. CODREP parameters carry the
// representative's code whatever the control; a date that is not one is
// today, a number that is not one is 0.
TValorParametro ValorParametro(const QString &campo, int tipo, TControleValor controle, const QString &texto,
                               const QString &codRep, const QDate &hoje);

bool EhParametroCodRep(const QString &campo);

// The JSON back-end gets one more "CODREP" row when a CODREP parameter
// exists and the report text asks for ":CODREP" in any letter case.
bool PrecisaLinhaCodRep(const std::vector<TValorParametro> &valores, const QString &sql);

} // namespace relatorio
