// The load writer: one received table into the local table of its name.
#include "sync/untDMRemoto.h"

#include "data/XRDatabase.h"
#include "data/XRQuery.h"
#include "data/XRTransaction.h"
#include "data/untDMRepres.h"
#include "platform/Cp1252.h"
#include "platform/DialogService.h"
#include "platform/Formats.h"
#include "platform/fb/FbApi.h"

#include <QElapsedTimer>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>

#include <cmath>
#include <limits>
#include <optional>

namespace {

const QString kCliente = QStringLiteral("CLIENTE");
const QString kContato = QStringLiteral("CONTATO_CLI");

// How often the caller hears about progress while rows are written.
constexpr qint64 kIntervaloProgressoMs = 50;
// Rows deleted per statement when a table is emptied before its load.
constexpr int kFatiaExclusao = 5000;

QString mensagemDe(const std::exception &e)
{
    if (const auto *f = dynamic_cast<const fb::Error *>(&e))
        return f->message();
    if (const auto *d = dynamic_cast<const EDatabaseError *>(&e))
        return d->message();
    return QString::fromUtf8(e.what());
}

// Tax numbers compare without their punctuation; a blank one never matches.
QString cnpjNormalizado(const QVariant &v)
{
    QString s = v.toString();
    s.remove(QLatin1Char('.')).remove(QLatin1Char('-')).remove(QLatin1Char('/')).remove(QLatin1Char(' '));
    return s;
}

// Contact names compare as the engine's TRIM(UPPER(...)) would.
QString nomeNormalizado(const QVariant &v)
{
    QString s = v.toString().toUpper();
    qsizetype ini = 0, fim = s.size();
    while (ini < fim && s[ini] == QLatin1Char(' '))
        ++ini;
    while (fim > ini && s[fim - 1] == QLatin1Char(' '))
        --fim;
    return s.mid(ini, fim - ini);
}

QString chaveContato(const QString &codCli, qint64 item, const QString &nome)
{
    return codCli + QLatin1Char('\x1f') + QString::number(item) + QLatin1Char('\x1f') + nome;
}

// A code made only of digits (outer blanks aside) as its number; codes of
// anything else count as 0, as they do for the next-code rule.
qint64 codigoNumerico(const QString &codigo)
{
    const QString t = codigo.trimmed();
    if (t.isEmpty() || t.size() > 18)
        return 0;
    for (const QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
    return t.toLongLong();
}

bool nomeDeTabelaValido(const QString &nome)
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z][A-Za-z0-9_$]*$"));
    return re.match(nome).hasMatch();
}

// How a received value becomes a value of the local column.
enum class Conversao { Texto, Numero, Data, DataHora, Hora, Binario, Direta };

Conversao conversaoPara(FieldType t)
{
    switch (t) {
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::LargeInt:
    case FieldType::Float:
    case FieldType::Bcd:
        return Conversao::Numero;
    case FieldType::Date:
        return Conversao::Data;
    case FieldType::DateTime:
        return Conversao::DataHora;
    case FieldType::Time:
        return Conversao::Hora;
    case FieldType::Blob:
        return Conversao::Binario;
    case FieldType::String:
    case FieldType::Memo:
        return Conversao::Texto;
    default:
        return Conversao::Direta;
    }
}

// Numbers arrive as JSON writes them ("12.5") or in the local form
// ("1.234,56"). Text that is neither goes to the engine, whose error then
// names the value.
QVariant numeroDeTexto(const QString &texto)
{
    const QString t = texto.trimmed();
    if (t.isEmpty())
        return {};
    bool ok = false;
    const qint64 inteiro = t.toLongLong(&ok);
    if (ok)
        return inteiro;
    const double v = QLocale::c().toDouble(t, &ok);
    if (ok && std::isfinite(v))
        return v;
    double br = 0;
    if (fmt::tryStrToFloat(t, br))
        return br;
    return texto;
}

QVariant dataHoraDeTexto(const QString &texto, Conversao c)
{
    const QString t = texto.trimmed();
    if (t.isEmpty())
        return {};
    QDateTime dt;
    QDate d;
    if (fmt::tryStrToDate(t, d)) {
        dt = QDateTime(d, QTime(0, 0));
    } else {
        static const char *const formatos[] = {"dd/MM/yyyy HH:mm:ss", "dd/MM/yyyy HH:mm", "yyyy-MM-dd HH:mm:ss.zzz",
                                               "yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss.zzz",
                                               "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd"};
        for (const char *f : formatos) {
            dt = QDateTime::fromString(t, QLatin1String(f));
            if (dt.isValid())
                break;
        }
        if (!dt.isValid() && c == Conversao::Hora) {
            for (const char *f : {"H:mm:ss", "H:mm", "H:mm:ss.zzz"}) {
                const QTime h = QTime::fromString(t, QLatin1String(f));
                if (h.isValid())
                    return h;
            }
        }
    }
    if (!dt.isValid())
        return texto;
    if (c == Conversao::Data)
        return dt.date();
    if (c == Conversao::Hora)
        return dt.time();
    return dt;
}

QVariant converte(const QVariant &v, Conversao c, bool recebidoFloat)
{
    if (!v.isValid() || v.isNull())
        return {};
    if (recebidoFloat)
        return v.toDouble();
    const bool texto = v.typeId() == QMetaType::QString;
    switch (c) {
    case Conversao::Numero:
        return texto ? numeroDeTexto(v.toString()) : v;
    case Conversao::Data:
    case Conversao::DataHora:
    case Conversao::Hora:
        // a blank text is no date: null rather than a conversion failure
        return texto ? dataHoraDeTexto(v.toString(), c) : v;
    case Conversao::Binario:
        // text in binary blobs is kept in the program's 8-bit code page
        return texto ? QVariant(toCp1252(v.toString())) : v;
    case Conversao::Texto:
        if (v.typeId() == QMetaType::QDate)
            return fmt::formatDate(v.toDate());
        return v;
    case Conversao::Direta:
        return v;
    }
    return v;
}

// Tells the caller about progress at most every kIntervaloProgressoMs.
class Avisos {
public:
    Avisos(const TProgressoCarga &aviso, int total)
        : m_aviso(aviso)
        , m_total(total)
    {
        m_relogio.start();
    }
    void agora(int posicao)
    {
        if (m_aviso)
            m_aviso(posicao, m_total);
        m_ultimo = m_relogio.elapsed();
    }
    void talvez(int posicao)
    {
        if (m_aviso && m_relogio.elapsed() - m_ultimo >= kIntervaloProgressoMs)
            agora(posicao);
    }

private:
    const TProgressoCarga &m_aviso;
    int m_total;
    QElapsedTimer m_relogio;
    qint64 m_ultimo = 0;
};

struct ColunaLocal {
    QString nome;
    Conversao conversao = Conversao::Direta;
    int origem = -1; // column of the received table, -1 when it lacks it
    bool origemFloat = false;
};

// Local customers and contacts, read once per table instead of a query
// per received row.
struct MapasClientes {
    QHash<QString, QString> porCnpj;      // tax number without punctuation -> local code
    QHash<QString, QString> porCodigoEmp; // server code -> local code (stored rows)
    QHash<QString, QString> novos;        // server code -> local code (this load)
    QSet<QString> contatos;               // local code, item, normalised name
    qint64 maiorCodigo = 0;               // highest all-digit local code, 0 when none

    // Where a key repeats, the lowest local code wins (read unsorted: the
    // engine need not sort the whole table first).
    static void guardaMenor(QHash<QString, QString> &mapa, const QString &chave, const QString &codigo)
    {
        auto it = mapa.find(chave);
        if (it == mapa.end())
            mapa.insert(chave, codigo);
        else if (codigo < *it)
            *it = codigo;
    }
    void leClientes(fb::Attachment &att, fb::Transaction &tra, bool comCnpj, Avisos &avisos)
    {
        fb::Statement q(att, tra, QStringLiteral("SELECT CLI_CODI, CLI_CODCLIEMP, CLI_CNPJ FROM CLIENTE"));
        q.execute();
        Row r;
        while (q.fetch(r)) {
            const QString codigo = r[0].toString();
            maiorCodigo = std::max(maiorCodigo, codigoNumerico(codigo));
            if (!r[1].isNull())
                guardaMenor(porCodigoEmp, r[1].toString(), codigo);
            if (comCnpj) {
                const QString cnpj = cnpjNormalizado(r[2]);
                if (!cnpj.isEmpty())
                    guardaMenor(porCnpj, cnpj, codigo);
            }
            avisos.talvez(0);
        }
    }
    void leContatos(fb::Attachment &att, fb::Transaction &tra, Avisos &avisos)
    {
        fb::Statement q(att, tra, QStringLiteral("SELECT CONT_CCLI, CONT_ITEM, CONT_NOME FROM CONTATO_CLI"));
        q.execute();
        Row r;
        while (q.fetch(r)) {
            avisos.talvez(0);
            if (r[2].isNull())
                continue; // a null name equals nothing
            contatos.insert(chaveContato(r[0].toString(), r[1].toLongLong(), nomeNormalizado(r[2])));
        }
    }
    void leNovos(const DataSet &cods)
    {
        const int cLocal = cods.fieldIndex(QStringLiteral("CodCli"));
        const int cEmp = cods.fieldIndex(QStringLiteral("CodCliEmp"));
        if (!cods.active() || cLocal < 0 || cEmp < 0)
            return;
        for (int i = 0; i < cods.recordCount(); ++i) {
            const QString emp = cods.valueAt(i, cEmp).toString();
            if (!novos.contains(emp))
                novos.insert(emp, cods.valueAt(i, cLocal).toString());
        }
    }
    QString codLocal(const QString &codEmp) const
    {
        const auto n = novos.constFind(codEmp);
        if (n != novos.cend())
            return *n;
        return porCodigoEmp.value(codEmp);
    }
    bool existeContato(const QString &codEmp, qint64 item, const QString &nome) const
    {
        const auto c = porCodigoEmp.constFind(codEmp);
        if (c == porCodigoEmp.cend())
            return true; // no local customer: the contact has nowhere to go
        return contatos.contains(chaveContato(*c, item, nomeNormalizado(nome)));
    }
};

QString textoInsert(const QString &tabela, const std::vector<ColunaLocal> &colunas)
{
    QStringList l;
    l << QStringLiteral("INSERT INTO ") + tabela + QStringLiteral("(");
    for (size_t i = 0; i < colunas.size(); ++i)
        l << colunas[i].nome + (i + 1 < colunas.size() ? QStringLiteral(",") : QString());
    l << QStringLiteral(") VALUES (");
    for (size_t i = 0; i < colunas.size(); ++i)
        l << QLatin1Char(':') + colunas[i].nome + (i + 1 < colunas.size() ? QStringLiteral(",") : QStringLiteral(")"));
    return l.join(QLatin1Char('\n'));
}

int posicaoDe(const std::vector<ColunaLocal> &colunas, const QString &nome)
{
    for (size_t i = 0; i < colunas.size(); ++i)
        if (colunas[i].nome == nome)
            return int(i);
    return -1;
}

// The stored customer with this server code (the server's text is bound,
// never spliced into the statement).
std::optional<QString> CodigoLocalGravado(const QString &codCliEmp)
{
    TXRQuery q;
    q.SetDatabase(DMRepres->XRDtRepres);
    q.SQL().Add(QStringLiteral("SELECT CLI.CLI_CODI, CLI.CLI_CODCLIEMP"));
    q.SQL().Add(QStringLiteral("FROM CLIENTE CLI"));
    q.SQL().Add(QStringLiteral("WHERE CLI.CLI_CODCLIEMP = :CODCLIEMP"));
    q.ParamByName(QStringLiteral("CODCLIEMP"))->SetAsString(codCliEmp);
    q.Open();
    if (q.isEmpty())
        return std::nullopt;
    return q.fieldByName(QStringLiteral("CLI_CODI"))->asString();
}

} // namespace

bool TClientModule1::LimpaTabela(const QString &pTabela)
{
    try {
        if (!nomeDeTabelaValido(pTabela))
            throw EDatabaseError(QStringLiteral("Nome de tabela inválido: %1").arg(pTabela));
        TXRQuery q;
        q.SetDatabase(DMRepres->XRDtRepres);
        q.SQL().SetText(QStringLiteral("DELETE FROM ") + pTabela);
        q.ExecSQL();
        return true;
    } catch (const std::exception &e) {
        dialogs().showMessage(mensagemDe(e));
        return false;
    }
}

QString TClientModule1::RetornaCodCliLocal(const QString &pCodCliEmp)
{
    MapasClientes m;
    m.leNovos(*CDSCodClientes);
    const QString novo = m.novos.value(pCodCliEmp);
    if (!novo.isEmpty())
        return novo;
    return CodigoLocalGravado(pCodCliEmp).value_or(QString());
}

bool TClientModule1::ExisteContato(const QString &pCodCliEmp, int pItem, const QString &pNome)
{
    const std::optional<QString> codigo = CodigoLocalGravado(pCodCliEmp);
    if (!codigo)
        return true;
    TXRQuery cont;
    cont.SetDatabase(DMRepres->XRDtRepres);
    cont.SQL().Add(QStringLiteral("SELECT 1 FROM CONTATO_CLI CC "));
    cont.SQL().Add(QStringLiteral("WHERE CC.CONT_CCLI = :CODCLI"));
    cont.SQL().Add(QStringLiteral("AND CC.CONT_ITEM = :ITEM"));
    cont.SQL().Add(QStringLiteral("AND TRIM(UPPER(CC.CONT_NOME)) = :NOME"));
    cont.ParamByName(QStringLiteral("CODCLI"))->SetAsString(*codigo);
    cont.ParamByName(QStringLiteral("ITEM"))->SetAsInteger(pItem);
    cont.ParamByName(QStringLiteral("NOME"))->SetAsString(nomeNormalizado(pNome));
    cont.Open();
    return !cont.isEmpty();
}

bool TClientModule1::GravaDados(DataSet *pCDSDados, const TProgressoCarga &pBarraProgresso, bool pbCargaNormal)
{
    (void)pbCargaNormal; // the server already chose which customers to send
    const QString nome = pCDSDados->objectName().trimmed().toUpper();
    if (!nomeDeTabelaValido(nome)) {
        dialogs().showMessage(QStringLiteral("Nome de tabela inválido: %1").arg(nome));
        return false;
    }
    const bool ehPrazo = nome == QLatin1String("TABPRZ");
    // An empty price-term list means "no terms": the local ones go too.
    if (ehPrazo && !LimpaTabela(nome))
        return false;
    if (!pCDSDados->active())
        pCDSDados->open();
    const int total = pCDSDados->recordCount();
    if (total == 0)
        return true;

    const bool ehCliente = nome == kCliente;
    const bool ehContato = nome == kContato;
    int proximo = 0;
    try {
        if (ehCliente) {
            if (!CDSCodClientes->active())
                CDSCodClientes->open();
            CDSCodClientes->emptyTable();
        }
    } catch (const std::exception &e) {
        dialogs().showMessage(mensagemDe(e));
        return false;
    }
    if (!ehCliente && !ehContato && !ehPrazo) {
        // Emptied in slices, so a large table does not hold the window still.
        try {
            TXRDatabase *db = DMRepres->XRDtRepres;
            fb::Statement apaga(db->Attachment(), db->Transaction()->Engine(),
                                QStringLiteral("DELETE FROM ") + nome + QStringLiteral(" ROWS %1").arg(kFatiaExclusao));
            Avisos avisos(pBarraProgresso, total);
            while (apaga.execute() >= unsigned(kFatiaExclusao))
                avisos.talvez(0);
        } catch (const std::exception &e) {
            dialogs().showMessage(mensagemDe(e));
            return false;
        }
    }

    try {
        TXRDatabase *db = DMRepres->XRDtRepres;
        fb::Attachment &att = db->Attachment();
        fb::Transaction &tra = db->Transaction()->Engine();

        std::vector<ColunaLocal> colunas;
        {
            fb::Statement estrutura(att, tra, QStringLiteral("SELECT * FROM ") + nome + QStringLiteral(" where 1 = 2"));
            for (const fb::Column &c : estrutura.columns()) {
                ColunaLocal col;
                col.nome = (c.field.isEmpty() ? c.name : c.field).trimmed();
                col.conversao = conversaoPara(fb::fieldDefFor(c).type);
                col.origem = pCDSDados->fieldIndex(col.nome);
                col.origemFloat
                    = col.origem >= 0 && pCDSDados->fieldDefs()[size_t(col.origem)].type == FieldType::Float;
                colunas.push_back(col);
            }
        }
        fb::Statement insere(att, tra, textoInsert(nome, colunas));

        const int pCodi = ehCliente ? posicaoDe(colunas, QStringLiteral("CLI_CODI")) : -1;
        const int pCodEmp = ehCliente ? posicaoDe(colunas, QStringLiteral("CLI_CODCLIEMP")) : -1;
        const int pCcli = ehContato ? posicaoDe(colunas, QStringLiteral("CONT_CCLI")) : -1;
        const int pFaixa = nome == QLatin1String("TABPRE_PRODUTO") ? posicaoDe(colunas, QStringLiteral("PREC_FAIXA_TAM")) : -1;
        const int pVlrMin = nome == QLatin1String("TABPRECO") ? posicaoDe(colunas, QStringLiteral("TABP_VLRMINIMO")) : -1;
        const int rCnpj = ehCliente ? pCDSDados->fieldIndex(QStringLiteral("CLI_CNPJ")) : -1;
        const int rCodi = ehCliente ? pCDSDados->fieldIndex(QStringLiteral("CLI_CODI")) : -1;
        const int rCcli = ehContato ? pCDSDados->fieldIndex(QStringLiteral("CONT_CCLI")) : -1;
        const int rItem = ehContato ? pCDSDados->fieldIndex(QStringLiteral("CONT_ITEM")) : -1;
        const int rNome = ehContato ? pCDSDados->fieldIndex(QStringLiteral("CONT_NOME")) : -1;

        // A matched customer gets only what the server sent: its local
        // code, tax number, server code and local-only columns stay.
        Avisos avisos(pBarraProgresso, total);
        avisos.agora(0);
        std::unique_ptr<fb::Statement> atualiza;
        std::vector<int> colunasUpdate;
        MapasClientes mapas;
        if (ehCliente) {
            mapas.leClientes(att, tra, rCnpj >= 0, avisos);
            // the next code comes from the same reading of the table
            proximo = mapas.maiorCodigo < std::numeric_limits<int>::max() ? int(mapas.maiorCodigo + 1) : 0;
            if (proximo == 0) {
                dialogs().showMessage(QStringLiteral("Erro na Leitura do próximo código do Cliente"));
                return false;
            }
            QStringList l{QStringLiteral("UPDATE CLIENTE SET")};
            for (size_t i = 0; i < colunas.size(); ++i) {
                const QString &n = colunas[i].nome;
                if (colunas[i].origem < 0 || n == QLatin1String("CLI_CODI") || n == QLatin1String("CLI_CNPJ")
                    || n == QLatin1String("CLI_CODCLIEMP"))
                    continue;
                l << (colunasUpdate.empty() ? QString() : QStringLiteral(",")) + n + QStringLiteral(" = :") + n;
                colunasUpdate.push_back(int(i));
            }
            l << QStringLiteral("WHERE CLI_CODI = :CLI_CODI");
            if (!colunasUpdate.empty())
                atualiza = std::make_unique<fb::Statement>(att, tra, l.join(QLatin1Char('\n')));
        } else if (ehContato) {
            mapas.leClientes(att, tra, false, avisos);
            mapas.leContatos(att, tra, avisos);
            mapas.leNovos(*CDSCodClientes);
        }

        for (int r = 0; r < total; ++r) {
            const Row &linha = pCDSDados->rowAt(r);
            const auto recebido = [&linha](int c) { return c >= 0 ? linha[size_t(c)] : QVariant(); };

            if (ehContato
                && mapas.existeContato(recebido(rCcli).toString(), numeroDeTexto(recebido(rItem).toString()).toLongLong(),
                                       recebido(rNome).toString())) {
                // already stored, or of a customer this representative lacks
            } else if (const QString codLocal = rCnpj >= 0 ? mapas.porCnpj.value(cnpjNormalizado(recebido(rCnpj)))
                                                           : QString();
                       !codLocal.isEmpty()) {
                if (atualiza) {
                    for (size_t k = 0; k < colunasUpdate.size(); ++k) {
                        const ColunaLocal &c = colunas[size_t(colunasUpdate[k])];
                        atualiza->setParam(int(k), converte(linha[size_t(c.origem)], c.conversao, c.origemFloat));
                    }
                    atualiza->setParam(int(colunasUpdate.size()), codLocal);
                    atualiza->execute();
                }
            } else {
                for (size_t i = 0; i < colunas.size(); ++i) {
                    const ColunaLocal &c = colunas[i];
                    QVariant v;
                    if (c.origem >= 0)
                        v = converte(linha[size_t(c.origem)], c.conversao, c.origemFloat);
                    else if (int(i) == pVlrMin)
                        v = 0;
                    if (int(i) == pFaixa && (!v.isValid() || v.isNull()))
                        v = QStringLiteral("UU");
                    insere.setParam(int(i), v);
                }
                if (ehContato && pCcli >= 0)
                    insere.setParam(pCcli, mapas.codLocal(recebido(rCcli).toString()));
                if (ehCliente) {
                    const QString codigo = QString::number(proximo).rightJustified(5, QLatin1Char('0'));
                    const QString codEmp = recebido(rCodi).toString();
                    if (pCodi >= 0)
                        insere.setParam(pCodi, codigo);
                    if (pCodEmp >= 0)
                        insere.setParam(pCodEmp, rCodi >= 0 ? recebido(rCodi) : QVariant());
                    CDSCodClientes->appendRow({codigo, codEmp});
                    ++proximo;
                }
                insere.execute();
            }

            avisos.talvez(r + 1);
        }
        avisos.agora(total);
        db->Transaction()->CommitRetaining();
        return true;
    } catch (const std::exception &e) {
        dialogs().showMessage(mensagemDe(e));
        return false;
    }
}
