#include "data/XRTraduzSQL.h"

#include "data/XRFuncoesDB.h"

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {

const QString kFB = QStringLiteral("FB");
const QString kOra = QStringLiteral("Ora");
const QString kPG = QStringLiteral("PG");

// Upper case one code unit at a time, so positions stay those of the original
// (QString::toUpper turns "ß" into "SS").
QString Maiusc(const QString& s)
{
    QString r = s;
    for (QChar& c : r)
        c = c.toUpper();
    return r;
}

// Stretches of a statement the rewriting must leave alone: string literals
// and quoted names (doubled quotes inside) and comments. Every value a user
// types travels as a literal, so none of it may be rewritten.
enum class TipoTrecho { Literal, Nome, Comentario };
struct Trecho {
    qsizetype ini; // first character
    qsizetype fim; // one past the last; an unclosed one runs to the end
    TipoTrecho tipo;
    bool fechado;
};

std::vector<Trecho> Trechos(const QString& s)
{
    std::vector<Trecho> r;
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = s[i];
        const QChar prox = i + 1 < n ? s[i + 1] : QChar();
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            qsizetype k = i + 1;
            for (;;) {
                k = s.indexOf(c, k);
                if (k < 0 || k + 1 >= n || s[k + 1] != c)
                    break;
                k += 2; // a doubled quote stays inside
            }
            const qsizetype fim = k < 0 ? n : k + 1;
            r.push_back({i, fim, c == QLatin1Char('"') ? TipoTrecho::Nome : TipoTrecho::Literal, k >= 0});
            i = fim;
        } else if (c == QLatin1Char('-') && prox == QLatin1Char('-')) {
            qsizetype k = i + 2;
            while (k < n && s[k] != QLatin1Char('\r') && s[k] != QLatin1Char('\n'))
                ++k;
            r.push_back({i, k, TipoTrecho::Comentario, true});
            i = k;
        } else if (c == QLatin1Char('/') && prox == QLatin1Char('*')) {
            const qsizetype k = s.indexOf(QLatin1String("*/"), i + 2);
            const qsizetype fim = k < 0 ? n : k + 2;
            r.push_back({i, fim, TipoTrecho::Comentario, k >= 0});
            i = fim;
        } else {
            ++i;
        }
    }
    return r;
}

// Stands for protected text in a mask: no pattern of the rewriting holds it.
constexpr QChar kOculto(0x01);

// The statement with the inside of every protected stretch hidden, same
// length, so a search on the mask finds only statement text and its
// positions hold for the statement itself. The quotes around literals and
// names stay visible ('' is still an empty literal); comments vanish whole.
QString Mascara(const QString& s)
{
    QString m = s;
    for (const Trecho& t : Trechos(s)) {
        qsizetype a = t.ini, b = t.fim;
        if (t.tipo != TipoTrecho::Comentario) {
            ++a;
            if (t.fechado)
                --b;
        }
        for (qsizetype k = a; k < b; ++k)
            m[k] = kOculto;
    }
    return m;
}

// The mask upper-cased, for searches that ignore letter case.
QString Codigo(const QString& s)
{
    return Maiusc(Mascara(s));
}

// Every occurrence in statement text, letter case ignored.
QString TrocaTudo(const QString& texto, const QString& de, const QString& para)
{
    if (de.isEmpty() || !texto.contains(de, Qt::CaseInsensitive))
        return texto;
    const QString up = Codigo(texto);
    const QString alvo = Maiusc(de);
    QString r;
    qsizetype ini = 0;
    qsizetype p;
    while ((p = up.indexOf(alvo, ini)) >= 0) {
        r += QStringView(texto).mid(ini, p - ini);
        r += para;
        ini = p + alvo.size();
    }
    r += QStringView(texto).mid(ini);
    return r;
}

// Line breaks read as blanks; crlf is what a CR LF pair becomes.
QString SemQuebras(const QString& s, const QString& crlf)
{
    QString r = s;
    r.replace(QStringLiteral("\r\n"), crlf);
    r.replace(QLatin1Char('\r'), QLatin1Char(' '));
    r.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return r;
}

// Line breaks of statement text read as blanks (CR LF as one); those inside
// literals stay, and so does the one that ends a "--" comment.
QString SemQuebrasNoCodigo(const QString& s)
{
    QString r;
    qsizetype i = 0;
    auto codigo = [&r, &s](qsizetype de, qsizetype ate) {
        r += SemQuebras(s.mid(de, ate - de), QStringLiteral(" "));
    };
    for (const Trecho& t : Trechos(s)) {
        codigo(i, t.ini);
        r += QStringView(s).mid(t.ini, t.fim - t.ini);
        i = t.fim;
        if (t.tipo == TipoTrecho::Comentario && s[t.ini] == QLatin1Char('-') && i < s.size()) {
            const qsizetype q = QStringView(s).mid(i, 2) == QLatin1String("\r\n") ? 2 : 1;
            r += QStringView(s).mid(i, q);
            i += q;
        }
    }
    codigo(i, s.size());
    return r;
}

QString Aspeia(const QString& s)
{
    QString r = s;
    r.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + r + QLatin1Char('\'');
}

bool EhBranco(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

// Index of the "(" that follows pos, blanks allowed in between; -1 otherwise.
qsizetype AbreDepois(const QString& t, qsizetype pos)
{
    while (pos < t.size() && EhBranco(t[pos]))
        ++pos;
    return pos < t.size() && t[pos] == QLatin1Char('(') ? pos : -1;
}

// Replaces each call nome(...) (letter case ignored) by fn(argument text).
// Calls without a matching ")" are left as they are.
template <typename Fn>
QString ReescreveChamadas(const QString& sql, const QString& nome, Fn fn, bool exato = false)
{
    if (exato && !sql.contains(nome))
        return sql;
    QString t = sql;
    qsizetype de = 0;
    for (;;) {
        const qsizetype p = exato ? Mascara(t).indexOf(nome, de) : Codigo(t).indexOf(Maiusc(nome), de);
        if (p < 0)
            break;
        const qsizetype a = AbreDepois(t, p + nome.size());
        const qsizetype f = a < 0 ? -1 : FechaParentese(t, a);
        if (f < 0) {
            de = p + 1;
            continue;
        }
        const QString r = fn(t.mid(a + 1, f - a - 1));
        t.replace(p, f - p + 1, r);
        de = p + r.size();
    }
    return t;
}

// Only the first call, and only when "(" follows the name directly.
template <typename Fn>
QString ReescrevePrimeira(const QString& sql, const QString& nome, Fn fn)
{
    const qsizetype p = Codigo(sql).indexOf(Maiusc(nome));
    if (p < 0)
        return sql;
    const qsizetype a = p + nome.size();
    if (a >= sql.size() || sql[a] != QLatin1Char('('))
        return sql;
    const qsizetype f = FechaParentese(sql, a);
    if (f < 0)
        return sql;
    const std::optional<QString> r = fn(sql.mid(a + 1, f - a - 1), sql.mid(a, f - a + 1));
    if (!r)
        return sql;
    return sql.left(p) + *r + sql.mid(f + 1);
}

// Macro scan: each "abre ... ]" becomes fn(content). An occurrence that does
// not parse stays as written; without a closing "]" the scan ends.
template <typename Fn>
QString ExpandeMacro(const QString& sql, const QString& abre, Fn fn)
{
    if (!sql.contains(abre))
        return sql; // nothing to look at, inside literals or out
    QString t = sql;
    qsizetype de = 0;
    qsizetype p;
    for (;;) {
        const QString m = Mascara(t);
        p = m.indexOf(abre, de);
        if (p < 0)
            break;
        const qsizetype fecha = m.indexOf(QLatin1Char(']'), p + abre.size());
        if (fecha < 0)
            break;
        const std::optional<QString> r = fn(t.mid(p + abre.size(), fecha - p - abre.size()));
        if (!r) {
            de = p + 1;
            continue;
        }
        // Identical macros further on give the same text, so one at a time
        // equals replacing them all; resuming after the result never rescans it.
        t.replace(p, fecha - p + 1, *r);
        de = p + r->size();
    }
    return t;
}

bool LeBooleano(const QString& texto)
{
    const QString s = texto.trimmed();
    bool ok = false;
    const double v = QString(s).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    if (ok)
        return v != 0;
    if (s.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (s.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0)
        return false;
    throw std::invalid_argument(
        QString("'" + texto + "' is not a valid boolean value").toStdString());
}

bool IniciaCom(const QString& s, std::initializer_list<const char*> prefixos)
{
    for (const char* p : prefixos)
        if (s.startsWith(QLatin1String(p)))
            return true;
    return false;
}

// A part of a date literal: digits only (blanks trimmed), empty reads as 0.
std::optional<int> Parte(const QString& texto, qsizetype ini, qsizetype n)
{
    const QString s = texto.mid(ini, n).trimmed();
    int v = 0;
    for (QChar c : s) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        v = v * 10 + (c.unicode() - '0');
    }
    return v;
}

struct DataHora {
    int ano = 0, mes = 0, dia = 0, hora = 0, minuto = 0, segundo = 0;
};

std::optional<DataHora> LeData(const QString& texto, bool comHora)
{
    if (texto.size() < (comHora ? 19 : 10))
        return std::nullopt;
    const auto mes = Parte(texto, 0, 2), dia = Parte(texto, 3, 2), ano = Parte(texto, 6, 4);
    if (!mes || !dia || !ano || *ano < 1 || *ano > 9999 || *mes < 1 || *mes > 12)
        return std::nullopt;
    static const int kDias[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool bissexto = (*ano % 4 == 0 && *ano % 100 != 0) || *ano % 400 == 0;
    const int maxDia = kDias[*mes - 1] + (*mes == 2 && bissexto ? 1 : 0);
    if (*dia < 1 || *dia > maxDia)
        return std::nullopt;
    DataHora d{*ano, *mes, *dia};
    if (!comHora)
        return d;
    const auto h = Parte(texto, 11, 2), mi = Parte(texto, 14, 2), s = Parte(texto, 17, 2);
    if (!h || !mi || !s)
        return std::nullopt;
    const bool valida = (*h < 24 && *mi < 60 && *s < 60) || (*h == 24 && *mi == 0 && *s == 0);
    if (!valida)
        return std::nullopt;
    d.hora = *h;
    d.minuto = *mi;
    d.segundo = *s;
    return d;
}

// The dialect's form of a "MM/DD/YYYY[ HH:MM:SS]" literal, if it is one.
std::optional<QString> ConverteLiteral(const QString& cand, const QString& driver)
{
    if (ContaOcorrencias(QLatin1Char('/'), cand) != 2)
        return std::nullopt;
    const bool comHora = cand.size() == 19 && cand.contains(QLatin1Char(':'));
    if (cand.size() != 10 && !comHora)
        return std::nullopt;
    const auto d = LeData(cand, comHora);
    if (!d)
        return std::nullopt;
    QString r;
    if (driver == kPG)
        r = QString::number(d->ano) + "-" + QString::number(d->mes) + "-" + QString::number(d->dia);
    else if (driver == kOra)
        r = PreencheZeros(d->dia, 2) + "/" + PreencheZeros(d->mes, 2) + "/" +
            QString::number(d->ano);
    else
        return std::nullopt;
    if (comHora)
        r += " " + QString::number(d->hora) + ":" + QString::number(d->minuto) + ":" +
             QString::number(d->segundo);
    return r;
}

// Each closed string literal of r wrapped in CAST(... AS DATE).
QString LiteraisComoData(const QString& r)
{
    QString saida;
    qsizetype ini = 0;
    for (const Trecho& t : Trechos(r)) {
        if (t.tipo != TipoTrecho::Literal || !t.fechado)
            continue;
        saida += QStringView(r).mid(ini, t.ini - ini);
        saida += "CAST(" + r.mid(t.ini, t.fim - t.ini) + " AS DATE)";
        ini = t.fim;
    }
    saida += QStringView(r).mid(ini);
    return saida;
}

// Commas of statement text outside nested parentheses become "-".
QString VirgulasParaMenos(QString r)
{
    const QString m = Mascara(r);
    int nivel = 0;
    for (qsizetype i = 0; i < m.size(); ++i) {
        if (m[i] == QLatin1Char('('))
            ++nivel;
        else if (m[i] == QLatin1Char(')'))
            --nivel;
        else if (m[i] == QLatin1Char(',') && nivel == 0)
            r[i] = QLatin1Char('-');
    }
    return r;
}

// Each date literal of the statement in the dialect's form; other literals,
// and dates that are only part of a literal, stay as written.
QString ConverteDatas(const QString& sql, const QString& driver)
{
    QString saida;
    qsizetype ini = 0;
    for (const Trecho& t : Trechos(sql)) {
        if (t.tipo != TipoTrecho::Literal || !t.fechado)
            continue;
        const QString conteudo = sql.mid(t.ini + 1, t.fim - t.ini - 2);
        const QString cand = conteudo.trimmed();
        const auto novo = ConverteLiteral(cand, driver);
        if (!novo)
            continue;
        const qsizetype branco = conteudo.indexOf(cand);
        saida += QStringView(sql).mid(ini, t.ini + 1 + branco - ini);
        saida += *novo;
        ini = t.ini + 1 + branco + cand.size();
    }
    saida += QStringView(sql).mid(ini);
    return saida;
}

QString ConvertePosition(const QString& sql)
{
    QString t = sql;
    const QString up = Codigo(t);
    if (!up.contains(QLatin1String("POSITION(")) && !up.contains(QLatin1String("POSITION (")))
        return t;
    t = TrocaTudo(t, QStringLiteral("POSITION ("), QStringLiteral("POSITION("));
    const QString abre = QStringLiteral("POSITION(");
    qsizetype de = 0;
    qsizetype p;
    while ((p = Mascara(t).indexOf(abre, de)) >= 0) {
        const qsizetype a = p + abre.size() - 1;
        const qsizetype f = FechaParentese(t, a);
        if (f < 0) {
            de = p + 1;
            continue;
        }
        const QString s = t.mid(a + 1, f - a - 1);
        QString x, y;
        const qsizetype virgula = Mascara(s).indexOf(QLatin1Char(','));
        if (virgula >= 0) {
            x = s.left(virgula);
            y = s.mid(virgula + 1);
        } else {
            const qsizetype in = Codigo(s).indexOf(QLatin1String(" IN "));
            if (in < 0) {
                de = p + 1;
                continue;
            }
            x = s.left(in);
            y = s.mid(in + 4);
        }
        t.replace(p, f - p + 1, "INSTR(" + y + "," + x + ")");
        de = p; // a nested POSITION in the arguments comes next
    }
    return t;
}

// The UDF rewrites shared by Oracle and PostgreSQL; nvl is "NVL(" or "COALESCE(".
QString ConverteUDFs(const QString& sql, const QString& nvl, const QString& copy)
{
    QString t = sql;
    if (!Codigo(t).contains(QLatin1String("UDF_")))
        return t;
    t = TrocaTudo(t, QStringLiteral("UDF_STRIP"), QStringLiteral("REPLACE"));
    t = TrocaTudo(t, QStringLiteral("UDF_ROUNDDEC"), QStringLiteral("ROUND"));
    t = ReescrevePrimeira(t, QStringLiteral("UDF_MINUTESBETWEEN"),
                          [](const QString& args, const QString&) -> std::optional<QString> {
                              const qsizetype v = Mascara(args).indexOf(QLatin1Char(','));
                              if (v < 0)
                                  return std::nullopt;
                              return "(extract(MINUTE FROM " + args.left(v) + " - " +
                                     args.mid(v + 1) + " ))";
                          });
    t = ReescrevePrimeira(t, QStringLiteral("UDF_NVL"),
                          [&nvl](const QString& args, const QString&) -> std::optional<QString> {
                              return nvl + args + ",0)";
                          });
    t = ConverteToChar(t, QStringLiteral("UDF_HOUR"), QStringLiteral("HH24"));
    t = ConverteToChar(t, QStringLiteral("UDF_MINUTE"), QStringLiteral("MI"));
    t = ConverteToChar(t, QStringLiteral("UDF_DAYNAME"), QStringLiteral("DAY"));
    t = ConverteToChar(t, QStringLiteral("UDF_DAYNAME"), QStringLiteral("DAY"));
    return TrocaTudo(t, QStringLiteral("udf_copy"), copy);
}

std::optional<QString> ExpandeList(const QString& i, const QString& driver)
{
    // Searches on the mask: its only quotes are those around literals.
    const QString m = Mascara(i);
    const qsizetype virgula = m.indexOf(QLatin1Char(','));
    if (virgula < 0)
        return std::nullopt;
    const QString expr = i.left(virgula);
    const qsizetype q1 = m.indexOf(QLatin1Char('\''), virgula);
    const qsizetype q2 = q1 < 0 ? -1 : m.indexOf(QLatin1Char('\''), q1 + 1);
    if (q2 < 0)
        return std::nullopt;
    const QString sep = i.mid(q1 + 1, q2 - q1 - 1).replace(QStringLiteral("''"), QStringLiteral("'"));
    const qsizetype v2 = m.indexOf(QLatin1Char(','), q2 + 1);
    const QString ordem = v2 < 0 ? QString() : i.mid(v2 + 1);
    if (driver == kFB)
        return "LIST(" + expr + ", " + Aspeia(sep) + ")";
    if (driver == kPG)
        return "STRING_AGG(" + expr + ", " + Aspeia(sep) + ")";
    if (driver == kOra)
        return "REGEXP_REPLACE( REGEXP_REPLACE( XMLAGG(XMLELEMENT(E," +
               TrocaTudo(expr, QStringLiteral("DISTINCT"), QString()) + "," + Aspeia(sep) +
               ").EXTRACT(" + Aspeia(QStringLiteral("//text()")) + ") ORDER BY " + ordem +
               ").GETCLOBVAL() ," + Aspeia("([^" + sep + "]+)(" + sep + "\\1)*(" + sep + "|$)") +
               ", " + Aspeia(QStringLiteral("\\1\\3")) + ") ," + Aspeia("(" + sep + sep + ")") +
               "," + Aspeia(QString()) + ") ";
    return std::nullopt; // no list form known for other engines
}

// Position of the one-letter literal 'letra' in s at or after de; m is the mask of s.
qsizetype AchaMarca(const QString& s, const QString& m, QChar letra, qsizetype de)
{
    const QString oculta = QLatin1Char('\'') + kOculto + QLatin1Char('\'');
    for (qsizetype p = m.indexOf(oculta, de); p >= 0; p = m.indexOf(oculta, p + 1))
        if (s[p + 1] == letra)
            return p;
    return -1;
}

std::optional<QString> ExpandeFirst(const QString& conteudo, const QString& driver)
{
    const QString i = SemQuebrasNoCodigo(conteudo);
    const QString m = Mascara(i);
    const qsizetype ab = m.indexOf(QLatin1Char('('));
    const qsizetype fe = m.lastIndexOf(QLatin1Char(')'));
    if (ab < 0 || fe < ab)
        return std::nullopt;
    const QString q = i.mid(ab + 1, fe - ab - 1).trimmed();
    // The mode mark and the count follow the query; a quoted 'E' inside the
    // query must not count.
    const qsizetype marcaE = AchaMarca(i, m, QLatin1Char('E'), fe);
    const bool modoE = marcaE >= 0;
    const qsizetype marca = modoE ? marcaE : AchaMarca(i, m, QLatin1Char('I'), fe);
    const qsizetype vn =
        marca >= 0 ? m.indexOf(QLatin1Char(','), marca + 3) : m.lastIndexOf(QLatin1Char(','));
    if (vn < fe)
        return std::nullopt;
    const QString n = i.mid(vn + 1).trimmed();
    const qsizetype vt = m.indexOf(QLatin1Char(','), fe);
    const QString cauda = i.mid(fe + 1, vt - fe - 1).trimmed();

    if (driver == kFB)
        return "SELECT FIRST " + n + " " + q.mid(6);
    if (driver == kOra) {
        if (modoE)
            return "SELECT * FROM (" + q + ") WHERE ROWNUM <= " + n;
        const QString c = "ROWNUM <= " + n;
        const QString uq = Codigo(q);
        const qsizetype w = uq.indexOf(QLatin1String("WHERE"));
        if (w >= 0)
            return q.left(w + 5) + " " + c + " AND " + q.mid(w + 5);
        qsizetype g = uq.indexOf(QLatin1String("GROUP BY"));
        if (g < 0)
            g = uq.indexOf(QLatin1String("ORDER BY"));
        if (g >= 0)
            return q.left(g) + " WHERE  " + c + " " + q.mid(g);
        return q + " WHERE " + c;
    }
    if (driver == kPG) {
        if (modoE)
            return "SELECT * FROM (" + q + " LIMIT " + n + ") " + cauda;
        const QString c = "LIMIT " + n;
        const QString mq = Mascara(q);
        const qsizetype w = mq.indexOf(QLatin1String("WHERE"));
        if (w >= 0)
            return q.left(w) + " WHERE " + q.mid(w + 5) + " " + c;
        qsizetype g = mq.indexOf(QLatin1String("GROUP BY"));
        if (g < 0)
            g = mq.indexOf(QLatin1String("ORDER BY"));
        if (g >= 0)
            return q.left(g) + " " + q.mid(g) + " " + c;
        return q + " " + c;
    }
    return q;
}

} // namespace

qsizetype FechaParentese(const QString& x, qsizetype inicio)
{
    // Parentheses inside literals, quoted names and comments do not count.
    const QString m = Mascara(x);
    int nivel = 1;
    for (qsizetype i = inicio + 1; i < m.size(); ++i) {
        if (m[i] == QLatin1Char('('))
            ++nivel;
        else if (m[i] == QLatin1Char(')') && --nivel == 0)
            return i;
    }
    return -1;
}

QString UltimaPalavra(const QString& texto)
{
    const qsizetype p =
        std::max(texto.lastIndexOf(QLatin1Char(' ')), texto.lastIndexOf(QLatin1Char(',')));
    return texto.mid(p + 1);
}

qsizetype ContaOcorrencias(QChar c, const QString& texto)
{
    return texto.count(c);
}

bool ValidaData(const QString& texto)
{
    return LeData(texto, false).has_value();
}

bool ValidaDataHora(const QString& texto)
{
    return LeData(texto, true).has_value();
}

QString TrataVazioOracle(const QString& sql)
{
    QString t = TrocaTudo(sql, QStringLiteral("<> ''"), QStringLiteral(" IS NOT NULL "));
    t = TrocaTudo(t, QStringLiteral("<>''"), QStringLiteral(" IS NOT NULL "));
    if (!SemQuebras(Mascara(t), QStringLiteral(" ")).contains(QLatin1String("''")))
        return t;

    QString antes, quebra;
    const QString up = Codigo(t);
    const bool comando =
        (up.contains(QLatin1String("UPDATE")) && up.contains(QLatin1String("SET"))) ||
        (up.contains(QLatin1String("DELETE")) && up.contains(QLatin1String("FROM")));
    if (comando && up.contains(QLatin1String("WHERE"))) {
        // Only the WHERE part is rewritten, so a SET col = '' stays an assignment.
        const qsizetype w = up.indexOf(QLatin1String("WHERE"));
        antes = t.left(w);
        t = t.mid(w);
        for (const char* fim : {"\r\n", "\n", "\r"}) {
            if (t.endsWith(QLatin1String(fim))) {
                quebra = QLatin1String(fim);
                t.chop(quebra.size());
                break;
            }
        }
    }
    // Each pass removes one "=", so this ends.
    for (;;) {
        // On the mask, '' is an empty literal, never a doubled quote.
        const QString m = Mascara(t);
        qsizetype tam = 4;
        qsizetype p = m.indexOf(QLatin1String("= ''"));
        if (p < 0) {
            tam = 3;
            p = m.indexOf(QLatin1String("=''"));
        }
        if (p < 0)
            break;
        if (p > 0 && (t[p - 1] == QLatin1Char('>') || t[p - 1] == QLatin1Char('<')))
            t.replace(p - 1, tam + 1, QStringLiteral(" IS NOT NULL "));
        else
            t.replace(p, tam, QStringLiteral(" IS NULL "));
    }
    return antes + t + quebra;
}

QString ConverteSubstring(const QString& sql)
{
    QString t = sql;
    qsizetype de = 0;
    for (;;) {
        const QString up = Codigo(t);
        const qsizetype p = up.indexOf(QLatin1String("SUBSTRING"), de);
        if (p < 0)
            break;
        // Searching on after p (not from the start) also handles a nested
        // SUBSTRING and never loops on one that cannot be converted.
        de = p + 1;
        const qsizetype r = p + 9;
        const qsizetype from = up.indexOf(QLatin1String(" FROM "), r);
        const qsizetype para = from < 0 ? -1 : up.indexOf(QLatin1String(" FOR "), from + 6);
        if (para < 0)
            continue;
        t = t.left(p) + "SUBSTR" + t.mid(r, from - r) + "," + t.mid(from + 6, para - from - 6) +
            "," + t.mid(para + 5);
    }
    return t;
}

QString TrataAliasAS(const QString& sql)
{
    QString t = sql;
    QString up = Codigo(t);
    qsizetype de = 0;
    for (;;) {
        const qsizetype p = up.indexOf(QLatin1String("AS"), de);
        if (p < 1 || p >= t.size() - 2)
            break;
        qsizetype b = p - 1;
        while (b >= 0 && EhBranco(up[b]))
            --b;
        const bool aposParentese = b >= 0 && up[b] == QLatin1Char(')');
        const QChar depois = t[p + 2];
        const bool separado = EhBranco(depois) || depois == QLatin1Char('(');
        const QString resto = Maiusc(SemQuebras(t.mid(p + 2), QStringLiteral(" "))).trimmed();
        const bool ehCast =
            IniciaCom(resto, {"DECIMAL", "INTEGER", "VARCHAR", "NUMERIC", "DATE", "TIME"});
        if (aposParentese && separado && !ehCast) {
            t.remove(p, 2);
            up.remove(p, 2);
            de = p;
        } else {
            // Kept in its own letter case: rewriting it would also change
            // words and literals that merely contain "as".
            de = p + 2;
        }
    }
    return t;
}

QList<TBaseAlias> ListaAliases(const QString& sql)
{
    // Line breaks become blanks one for one, so the text and its mask keep
    // the same positions; keywords are searched on the mask.
    const QString todo = Maiusc(SemQuebras(sql, QStringLiteral("  ")));
    const QString mascara = Maiusc(SemQuebras(Mascara(sql), QStringLiteral("  ")));
    qsizetype ini = 0, fim = mascara.size();
    while (ini < fim && mascara[ini].isSpace())
        ++ini;
    while (fim > ini && mascara[fim - 1].isSpace())
        --fim;
    const QString s = todo.mid(ini, fim - ini);
    const QString m = mascara.mid(ini, fim - ini);
    QList<TBaseAlias> lista;
    auto palavra = [&s, &m](qsizetype& i) {
        while (i < m.size() && m[i] == QLatin1Char(' '))
            ++i;
        const qsizetype ini = i;
        while (i < m.size() && m[i] != QLatin1Char(' '))
            ++i;
        return s.mid(ini, i - ini);
    };
    qsizetype pos = 0;
    for (;;) {
        const qsizetype f = m.indexOf(QLatin1String(" FROM "), pos);
        const qsizetype j = m.indexOf(QLatin1String(" JOIN "), pos);
        const qsizetype p = f < 0 ? j : (j < 0 ? f : std::min(f, j));
        if (p < 0)
            break;
        qsizetype i = p + 6;
        const QString tabela = palavra(i);
        const QString alias = palavra(i);
        if (!alias.isEmpty())
            lista.append({alias, tabela});
        pos = i;
    }
    return lista;
}

QString ColunasDoAlias(const QString& alias, const QList<TBaseAlias>& aliases,
                       const ColunasTabelaFn& colunasTabela)
{
    const QString star = QStringLiteral("*");
    if (!colunasTabela)
        return star;
    const QString chave = Maiusc(alias);
    for (const TBaseAlias& a : aliases) {
        if (a.Alias != chave)
            continue;
        const QStringList colunas = colunasTabela(a.NmBase);
        if (colunas.isEmpty())
            return star;
        QString r = "." + colunas.first().trimmed();
        for (qsizetype i = 1; i < colunas.size(); ++i)
            r += ", " + chave + "." + colunas[i].trimmed();
        return r + " ";
    }
    return star;
}

QString ExpandeAsterisco(const QString& sql, const ColunasTabelaFn& colunasTabela)
{
    const QString up = Codigo(sql);
    const bool agrupa =
        up.contains(QLatin1String("DISTINCT")) || up.contains(QLatin1String("GROUP BY"));
    if (!agrupa || !up.contains(QLatin1String(".*")))
        return sql;
    const QList<TBaseAlias> aliases = ListaAliases(sql);
    QString t = sql;
    qsizetype de = 0;
    qsizetype p;
    while ((p = Mascara(t).indexOf(QLatin1String(".*"), de)) >= 0) {
        const QString alias =
            Maiusc(UltimaPalavra(SemQuebras(t.left(p), QStringLiteral("  ")).trimmed()));
        const QString colunas = ColunasDoAlias(alias, aliases, colunasTabela);
        if (colunas == QLatin1String("*")) {
            // Unknown alias: "X.*" stays rather than becoming "X*".
            de = p + 2;
            continue;
        }
        t.replace(p, 2, colunas);
        de = p + colunas.size();
    }
    return t;
}

QString ConverteToChar(const QString& sql, const QString& nome, const QString& formato)
{
    return ReescrevePrimeira(
        sql, nome, [&formato](const QString&, const QString& argumento) -> std::optional<QString> {
            return "(TO_CHAR(" + argumento + "," + Aspeia(formato) + "))";
        });
}

QString MacroList(const QString& sql, const QString& driver)
{
    return ExpandeMacro(sql, QStringLiteral("LIST["),
                        [&driver](const QString& i) { return ExpandeList(i, driver); });
}

QString MacroHora(const QString& sql, const QString& driver)
{
    return ExpandeMacro(
        sql, QStringLiteral("HORA["), [&driver](const QString& i) -> std::optional<QString> {
            const qsizetype v = Mascara(i).indexOf(QLatin1Char(','));
            if (v < 0)
                return std::nullopt;
            const QString expr = i.left(v);
            const bool flag = LeBooleano(i.mid(v + 1)); // a bad flag fails on every engine
            if (driver == kFB && !flag)
                return expr.mid(10).trimmed();
            return expr;
        });
}

QString MacroWeekNumber(const QString& sql, const QString& driver)
{
    return ExpandeMacro(sql, QStringLiteral("WEEK_NUMBER["),
                        [&driver](const QString& i) -> std::optional<QString> {
                            const QString e = i.trimmed();
                            if (driver == kFB)
                                return "EXTRACT(WEEK FROM " + e + ")";
                            return "TO_CHAR(" + e + "," + Aspeia(QStringLiteral("IW")) + ")";
                        });
}

QString MacroFirst(const QString& sql, const QString& driver)
{
    return ExpandeMacro(sql, QStringLiteral("FIRST["),
                        [&driver](const QString& i) { return ExpandeFirst(i, driver); });
}

QString TraduzDatas(const QString& sql, const QString& driver)
{
    QString t = sql;
    if (driver != kFB) {
        t = ConverteDatas(t, driver);
        if (Codigo(t).contains(QLatin1String("UDF_"))) {
            const QString dif = QStringLiteral("DIFERENCAENTREDATAS");
            t = TrocaTudo(t, QStringLiteral("UDF_DAYSPAN"), dif);
            t = TrocaTudo(t, QStringLiteral("UDF_DAYSBETWEEN"), dif);
            t = ReescreveChamadas(t, dif, [](const QString& args) -> QString {
                return "CAST(" + LiteraisComoData(VirgulasParaMenos(args)) + " AS INTEGER)";
            });
            t = ReescreveChamadas(
                t, QStringLiteral("UDF_WEEKDAY"), [](const QString& args) -> QString {
                    return "CAST(TO_CHAR(" + LiteraisComoData(args) + ", 'D') AS INTEGER)-1";
                });
        }
    }

    t = TrocaTudo(t, QStringLiteral("dbms_lob.substr"), QStringLiteral("XR_BLOB"));
    const bool oracle = driver == kOra;
    return ReescreveChamadas(
        t, QStringLiteral("XR_BLOB"),
        [oracle](const QString& arg) -> QString {
            return oracle ? QString("dbms_lob.substr(" + arg + ") ") : arg;
        },
        true);
}

namespace {

// One pass over the raw text, literals included, so it can only err towards
// the careful path: every mark holds "[" or starts one of these words.
bool PodeTerMarca(const QString& sql)
{
    static const QLatin1String kInicios[] = {QLatin1String("DESCENDING"), QLatin1String("UDF_"),
                                             QLatin1String("XR_BLOB"), QLatin1String("DBMS_LOB.SUBSTR")};
    const QStringView v(sql);
    for (qsizetype i = 0; i < v.size(); ++i) {
        const char16_t ch = v[i].unicode();
        if (ch == u'[')
            return true;
        const char16_t up = (ch >= u'a' && ch <= u'z') ? char16_t(ch - 32) : ch;
        if (up != u'D' && up != u'U' && up != u'X')
            continue;
        for (const QLatin1String& m : kInicios)
            if (m.front() == QLatin1Char(char(up)) && v.sliced(i).startsWith(m, Qt::CaseInsensitive))
                return true;
    }
    return false;
}

} // namespace

QString TraduzSQL(const QString& sql, const QString& driver, const ColunasTabelaFn& colunasTabela)
{
    if (driver == kFB) {
        // Most statements hold none of the marks Firebird needs rewritten:
        // one look at the statement text spares every stage.
        if (!PodeTerMarca(sql))
            return sql;
        const QString up = Codigo(sql);
        static const char* const kMarcas[] = {"DESCENDING", "UDF_", "LIST[", "HORA[",
                                              "WEEK_NUMBER[", "FIRST[", "XR_BLOB", "DBMS_LOB.SUBSTR"};
        if (std::none_of(std::begin(kMarcas), std::end(kMarcas),
                         [&up](const char* m) { return up.contains(QLatin1String(m)); }))
            return sql;
    }
    QString t = TrocaTudo(sql, QStringLiteral("DESCENDING"), QStringLiteral("DESC"));

    if (Codigo(t).contains(QLatin1String("UDF_"))) {
        static const std::pair<const char*, const char*> kUdf[] = {
            {"udf_len", "char_length"},
            {"udf_trim", "trim"},
            {"udf_replace", "replace"},
            {"UDF_DAY(", "EXTRACT(DAY FROM "},
            {"UDF_MONTH(", "EXTRACT(MONTH FROM "},
            {"UDF_YEAR(", "EXTRACT(YEAR FROM "},
            {"UDF_TRUNC", "TRUNC"},
            {"UDF_UPPER", "UPPER"},
        };
        for (const auto& [de, para] : kUdf)
            t = TrocaTudo(t, QLatin1String(de), QLatin1String(para));
    }

    if (driver.contains(kOra)) {
        t = TrataVazioOracle(t);
        static const std::pair<const char*, const char*> kOracle[] = {
            {"current_date", "sysdate"},
            {"current_timestamp", "current_time"},
            {"current_time", "current_timestamp"},
            {"char_length", "length"},
            {"coalesce", "nvl"},
            {"ASCII_CHAR", "CHR"},
        };
        for (const auto& [de, para] : kOracle)
            t = TrocaTudo(t, QLatin1String(de), QLatin1String(para));
        t = ConverteSubstring(t);
        t = ConverteUDFs(t, QStringLiteral("NVL("), QStringLiteral("substr"));
        if (Codigo(t).contains(QLatin1String("SELECT")))
            t = ExpandeAsterisco(TrataAliasAS(t), colunasTabela);
        t = ConvertePosition(t);
    }

    if (driver.contains(kPG)) {
        t = TrocaTudo(t, QStringLiteral("ASCII_CHAR"), QStringLiteral("CHR"));
        t = ConverteSubstring(t);
        t = ConverteUDFs(t, QStringLiteral("COALESCE("), QStringLiteral("SUBSTRING"));
    }

    t = MacroList(t, driver);
    t = MacroHora(t, driver);
    t = MacroWeekNumber(t, driver);
    t = MacroFirst(t, driver);
    return TraduzDatas(t, driver);
}
