#include "components/XRWidgetTrabalho.h"

#include "data/XRDatabase.h"
#include "data/XRQuery.h"
#include "data/XRTransaction.h"
#include "data/XRTraduzSQL.h"
#include "platform/fb/FbApi.h"
#include "platform/fb/FbWatchdog.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <algorithm>
#include <set>

TConexaoWidget TConexaoWidget::De(const TXRCustomDatabase &db)
{
    TConexaoWidget c;
    c.DriverName = db.DriverName;
    c.DatabaseName = db.DatabaseName();
    c.Database = db.Database;
    c.HostName = db.HostName;
    c.User = db.User;
    c.Password = db.Password;
    c.Port = db.Port;
    return c;
}

// ---------------------------------------------------------------- TControleTrabalho

void TControleTrabalho::Liga(fb::Attachment *att)
{
    std::lock_guard lock(m_mutex);
    m_att = att;
    if (m_cancelado)
        throw EAbort();
}

void TControleTrabalho::Desliga()
{
    std::lock_guard lock(m_mutex);
    m_att = nullptr;
}

void TControleTrabalho::Cancela()
{
    std::lock_guard lock(m_mutex);
    m_cancelado = true;
    if (m_att)
        m_att->cancelOperation();
}

bool TControleTrabalho::Cancelado() const
{
    std::lock_guard lock(m_mutex);
    return m_cancelado;
}

// ---------------------------------------------------------------- TTransDataSet

void TTransDataSet::CriaCampos()
{
    if (!TabelaOrigem || !TabelaDestino)
        throw EDatabaseError(QStringLiteral("Tabelas de origem e destino são necessárias."));
    if (!TabelaOrigem->active())
        TabelaOrigem->open();
    TabelaDestino->close();
    TabelaDestino->setIndexFieldNames(QString());
    std::vector<FieldDef> defs;
    for (FieldDef d : TabelaOrigem->fieldDefs()) {
        if (isTextType(d.type) && d.type == FieldType::String && d.size == 0)
            d.size = 1;
        d.required = false;
        defs.push_back(d);
    }
    TabelaDestino->setFieldDefs(defs);
}

void TTransDataSet::TransfereDados()
{
    if (!TabelaOrigem || !TabelaDestino)
        throw EDatabaseError(QStringLiteral("Tabelas de origem e destino são necessárias."));
    const int n = TabelaOrigem->recordCount();
    const int campos = TabelaDestino->fieldCount();
    std::vector<Row> linhas;
    linhas.reserve(std::size_t(n));
    for (int r = 0; r < n; ++r) {
        const Row &origem = TabelaOrigem->rowAt(r);
        Row destino(static_cast<std::size_t>(campos));
        for (int c = 0; c < campos && c < int(origem.size()); ++c)
            destino[std::size_t(c)] = coerceToFieldType(origem[std::size_t(c)], TabelaDestino->fieldDefs()[std::size_t(c)].type);
        linhas.push_back(std::move(destino));
    }
    if (!TabelaDestino->active())
        TabelaDestino->open();
    TabelaDestino->setRows(std::move(linhas));
}

// ---------------------------------------------------------------- grouping

namespace {
double comoNumero(const QVariant &v) { return v.isNull() || !v.isValid() ? 0.0 : v.toDouble(); }
} // namespace

void AgrupaDados(DataSet &cds, const QString &campo, const std::vector<TColunaAgrupamento> &colunas)
{
    const int f = cds.fieldByName(campo)->index();
    struct Coluna {
        int indice;
        QString codigo;
    };
    std::vector<Coluna> cols;
    bool segundaPassada = false;
    for (const TColunaAgrupamento &c : colunas) {
        const int i = cds.fieldByName(c.Campo)->index();
        segundaPassada = segundaPassada || c.Codigo != QLatin1String("S");
        if (i != f)
            cols.push_back({i, c.Codigo});
    }
    const std::vector<FieldDef> defs = cds.fieldDefs();
    std::vector<Row> linhas;
    for (int r = 0; r < cds.recordCount(); ++r)
        linhas.push_back(cds.rowAt(r));
    std::stable_sort(linhas.begin(), linhas.end(), [f](const Row &a, const Row &b) {
        return compareFieldValues(a[std::size_t(f)], b[std::size_t(f)]) < 0;
    });

    std::vector<Row> grupos;
    std::size_t inicio = 0;
    while (inicio < linhas.size()) {
        std::size_t fim = inicio + 1;
        while (fim < linhas.size() && compareFieldValues(linhas[fim][std::size_t(f)], linhas[inicio][std::size_t(f)]) == 0)
            ++fim;
        Row g(defs.size());
        g[std::size_t(f)] = linhas[inicio][std::size_t(f)];
        const double qtde = double(fim - inicio);
        for (const Coluna &c : cols) {
            const std::size_t i = std::size_t(c.indice);
            const FieldType tipo = defs[i].type;
            QVariant v;
            if (c.codigo == QLatin1String("S") || c.codigo == QLatin1String("M")) {
                double soma = 0;
                for (std::size_t k = inicio; k < fim; ++k)
                    soma += comoNumero(linhas[k][i]);
                v = (segundaPassada && c.codigo == QLatin1String("M")) ? soma / qtde : soma;
            } else if (segundaPassada && c.codigo == QLatin1String("C")) {
                v = qtde;
            } else if (segundaPassada && (c.codigo == QLatin1String("I") || c.codigo == QLatin1String("A"))) {
                const bool menor = c.codigo == QLatin1String("I");
                v = linhas[inicio][i];
                for (std::size_t k = inicio + 1; k < fim; ++k) {
                    const int cmp = compareFieldValues(linhas[k][i], v);
                    if (menor ? cmp < 0 : cmp >= 0)
                        v = linhas[k][i];
                }
            }
            g[i] = coerceToFieldType(v, tipo);
        }
        grupos.push_back(std::move(g));
        inicio = fim;
    }
    cds.setRows(std::move(grupos));
}

// ---------------------------------------------------------------- the worker

namespace {
void abreConexao(TXRDatabase &db, const TConexaoWidget &c)
{
    TXRDatabase origem;
    origem.DriverName = c.DriverName;
    origem.SetDatabaseName(c.DatabaseName);
    origem.Database = c.Database;
    origem.HostName = c.HostName;
    origem.User = c.User;
    origem.Password = c.Password;
    origem.Port = c.Port;
    db.GetDatabase(&origem);
}

void executa(const TTrabalhoWidget &t, TControleTrabalho &ctl, TResultadoWidget &r)
{
    TXRDatabase db;
    try {
        abreConexao(db, t.Conexao);
    } catch (const std::exception &e) {
        r.PrimeiroErro = MensagemExcecao(e);
        abreConexao(db, t.Conexao);
    }
    fb::Attachment &att = db.Attachment();
    ctl.Liga(&att);
    struct Solta {
        TControleTrabalho &c;
        ~Solta() { c.Desliga(); }
    } solta{ctl};

    DataSet origem;
    {
        fb::Transaction tra(att);
        tra.startReadOnly();
        fb::Statement st(att, tra, TraduzSQL(t.SQL, t.Conexao.DriverName));
        for (const auto &[nome, valor] : t.Parametros)
            st.setParam(nome, valor);
        fb::TimeoutGuard guarda(att, t.TempoLimiteMs);
        try {
            st.execute();
            st.fetchAll(origem);
            st.closeCursor();
        } catch (const fb::Error &e) {
            if (guarda.fired())
                throw EDatabaseError(QString::fromLatin1(fb::kTimeoutText) + QStringLiteral(": ") + e.message());
            throw;
        }
        origem.open();
    }
    if (ctl.Cancelado())
        throw EAbort();

    DataSet destino;
    TTransDataSet copia;
    copia.TabelaOrigem = &origem;
    copia.TabelaDestino = &destino;
    copia.CriaCampos();
    copia.TransfereDados();
    if ((t.Kind == TXRKind::wdGrid || t.Kind == TXRKind::wdChart) && !t.Field.isEmpty())
        AgrupaDados(destino, t.Field, t.Colunas);
    r.Campos = destino.fieldDefs();
    for (int i = 0; i < destino.recordCount(); ++i)
        r.Linhas.push_back(destino.rowAt(i));
    r.Ok = true;
}
} // namespace

TResultadoWidget ExecutaTrabalhoWidget(const TTrabalhoWidget &trabalho, const std::shared_ptr<TControleTrabalho> &ctl)
{
    TResultadoWidget r;
    try {
        if (trabalho.AoIniciar)
            trabalho.AoIniciar();
        executa(trabalho, *ctl, r);
    } catch (const EAbort &) {
        r.Ok = false;
        r.Erro = QStringLiteral("Operation aborted");
    } catch (const std::exception &e) {
        r.Ok = false;
        r.Erro = MensagemExcecao(e);
    } catch (...) {
        r.Ok = false;
        r.Erro = QStringLiteral("Erro desconhecido.");
    }
    if (!r.Ok) {
        r.Campos.clear();
        r.Linhas.clear();
    }
    return r;
}

void PreparaConsultaWidget(TXRCustomDatabase &db, const QString &sql)
{
    try {
        fb::Statement st(db.Attachment(), db.Transaction()->Engine(), TraduzSQL(sql, db.DriverName));
    } catch (const EDatabaseError &) {
        throw;
    } catch (const std::exception &e) {
        throw EDatabaseError(MensagemExcecao(e));
    }
}

// ---------------------------------------------------------------- the pool and the exit

namespace {
struct Registro {
    std::mutex mutex;
    std::set<std::shared_ptr<TControleTrabalho>> trabalhos;
};
// Never destroyed: a job may still end while the program exits.
Registro &registro()
{
    static auto *r = new Registro;
    return *r;
}
} // namespace

QThreadPool *PoolWidgets()
{
    static QThreadPool *pool = [] {
        auto *p = new QThreadPool;
        p->setMaxThreadCount(std::max(8, QThread::idealThreadCount()));
        p->setExpiryTimeout(30000);
        // whatever exit path the program takes, no job outlives the
        // application object (and the engine behind it)
        qAddPostRoutine([] { EncerraTrabalhosWidgets(10000); });
        return p;
    }();
    return pool;
}

void RegistraTrabalho(const std::shared_ptr<TControleTrabalho> &ctl)
{
    std::lock_guard lock(registro().mutex);
    registro().trabalhos.insert(ctl);
}

void RemoveTrabalho(const std::shared_ptr<TControleTrabalho> &ctl)
{
    std::lock_guard lock(registro().mutex);
    registro().trabalhos.erase(ctl);
}

bool EncerraTrabalhosWidgets(int esperaMs)
{
    {
        std::lock_guard lock(registro().mutex);
        for (const auto &t : registro().trabalhos)
            t->Cancela();
    }
    return PoolWidgets()->waitForDone(esperaMs);
}
