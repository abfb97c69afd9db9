#include "data/XRQuery.h"

#include "data/XRDatabase.h"
#include "data/XRFuncoesDB.h"
#include "data/XRTransaction.h"
#include "data/XRTraduzSQL.h"
#include "platform/fb/FbApi.h"
#include "platform/fb/FbWatchdog.h"

#include <QDebug>
#include <QEventLoop>
#include <QThread>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace {
std::atomic<int> g_tempoLimiteFB{60000};
std::atomic<int> g_tempoLimiteOutros{30000};
std::atomic<int> g_intervaloTentativa{1000};


// "COMMIT" / "ROLLBACK" typed as statements belong to the transaction.
enum class Controle { Nenhum, Commit, CommitRetain, Rollback, RollbackRetain };

Controle controleTransacao(const QString &texto)
{
    QString t = texto.simplified().toUpper();
    if (t.endsWith(';'))
        t.chop(1);
    t = t.trimmed();
    t.replace(QLatin1String(" WORK"), QString());
    if (t == QLatin1String("COMMIT"))
        return Controle::Commit;
    if (t == QLatin1String("COMMIT RETAIN"))
        return Controle::CommitRetain;
    if (t == QLatin1String("ROLLBACK"))
        return Controle::Rollback;
    if (t == QLatin1String("ROLLBACK RETAIN"))
        return Controle::RollbackRetain;
    return Controle::Nenhum;
}
} // namespace

QString MensagemExcecao(const std::exception &e)
{
    if (auto *db = dynamic_cast<const EDatabaseError *>(&e))
        return db->message();
    if (auto *f = dynamic_cast<const fb::Error *>(&e))
        return f->message();
    return QString::fromUtf8(e.what());
}

// ---------------------------------------------------------------- TSQLStrings

void TSQLStrings::Clear()
{
    m_lines.clear();
    m_acrescentou = false;
    m_changed();
}

void TSQLStrings::Add(const QString &line)
{
    // a line with breaks counts as several lines, as in a string list
    if (!line.contains(QLatin1Char('\n')) && !line.contains(QLatin1Char('\r')))
        m_lines << line; // the usual case: one line, no copies
    else {
        QString t = line;
        t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        m_lines << t.split('\n');
    }
    m_acrescentou = true;
    m_changed();
}

void TSQLStrings::SetText(const QString &text)
{
    m_lines.clear();
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (t.endsWith('\n'))
        t.chop(1);
    if (!text.isEmpty())
        m_lines = t.split('\n');
    m_acrescentou = false;
    m_changed();
}

QString TSQLStrings::Text() const
{
    qsizetype tamanho = 0;
    for (const QString &l : m_lines)
        tamanho += l.size() + 2;
    QString s;
    s.reserve(tamanho);
    for (const QString &l : m_lines) {
        s += l;
        s += QLatin1String("\r\n");
    }
    return s;
}

// ---------------------------------------------------------------- TXRCustomQuery

TXRCustomQuery::TXRCustomQuery(QObject *owner)
    : DataSet(owner)
    , m_sql([this] { RebuildParams(); })
{
}

TXRCustomQuery::~TXRCustomQuery() = default;

void TXRCustomQuery::SetDatabase(TXRDatabase *db)
{
    FDatabase = db;
    if (db)
        FConnection = db;
}

QString TXRCustomQuery::Driver() const { return FDatabase ? FDatabase->DriverName : QString(); }

void TXRCustomQuery::RebuildParams()
{
    if (m_sql.Acrescentou()) {
        // a parameter of the text so far stays in the longer text
        m_paramsPendentes = true;
        return;
    }
    ConstroiParams();
}

void TXRCustomQuery::ConfereParams() const
{
    if (m_paramsPendentes)
        ConstroiParams();
}

void TXRCustomQuery::ConstroiParams() const
{
    m_paramsPendentes = false;
    const QString texto = m_sql.Text();
    // a text built again the same way (a look-up run per line) is parsed once
    if (!texto.isEmpty() && texto != m_textoNomes) {
        m_nomes = fb::parseNamedParams(texto).names;
        m_textoNomes = texto;
    }
    const QStringList nomes = texto.isEmpty() ? QStringList() : m_nomes;
    std::vector<std::unique_ptr<TParam>> params;
    for (const QString &name : nomes) {
        bool exists = false;
        for (const auto &p : params)
            exists = exists || p->Name.compare(name, Qt::CaseInsensitive) == 0;
        if (exists || name.isEmpty())
            continue;
        auto p = std::make_unique<TParam>(name);
        for (const auto &old : m_params)
            if (old->Name.compare(name, Qt::CaseInsensitive) == 0)
                p->Value = old->Value;
        params.push_back(std::move(p));
    }
    m_params = std::move(params);
}

TParam *TXRCustomQuery::FindParam(const QString &name)
{
    ConfereParams();
    for (const auto &p : m_params)
        if (p->Name.compare(name, Qt::CaseInsensitive) == 0)
            return p.get();
    return nullptr;
}

TParam *TXRCustomQuery::ParamByName(const QString &name)
{
    TParam *p = FindParam(name);
    if (!p)
        throw EDatabaseError(QStringLiteral("Parameter '%1' not found").arg(name));
    return p;
}

void TXRCustomQuery::SetActive(bool value)
{
    if (!FDatabase && FConnection)
        FDatabase = FConnection;
    if (value)
        open();
    else
        close();
}

// ---------------------------------------------------------------- TXRQuery

TXRQuery::TXRQuery(QObject *owner)
    : TXRCustomQuery(owner)
{
}

TXRQuery::~TXRQuery()
{
    if (active())
        close();
}

void TXRQuery::SetTempoLimiteMs(int fbMs, int outrosMs)
{
    g_tempoLimiteFB = fbMs;
    g_tempoLimiteOutros = outrosMs;
}

void TXRQuery::SetIntervaloTentativaMs(int ms) { g_intervaloTentativa = ms; }

bool TXRQuery::EhConsulta(const QString &text)
{
    const QString inicio = text.left(6).toUpper();
    return inicio != QLatin1String("UPDATE") && inicio != QLatin1String("INSERT")
        && inicio != QLatin1String("DELETE");
}

void TXRQuery::EnsureDatabase()
{
    if (!FDatabase && FConnection)
        FDatabase = FConnection;
    if (!FDatabase)
        throw EDatabaseError(QStringLiteral("Consulta sem conexão com o banco de dados."));
}

void TXRQuery::Traduz()
{
    const QString texto = m_sql.Text();
    // the cache key is compared exactly: a text that differs only in case
    // may mean something else (quoted values)
    if (m_traduzido && texto == FSQLOriginal)
        return;
    FSQLAnterior = TraduzSQL(texto, Driver());
    FSQLOriginal = texto;
    m_traduzido = true;
}

void TXRQuery::Executa(int timeoutMs)
{
    EnsureDatabase();
    TXRCustomTransaction *tra = FDatabase->Transaction();
    switch (controleTransacao(FSQLAnterior)) {
    case Controle::Commit: tra->Commit(); return;
    case Controle::CommitRetain: tra->CommitRetaining(); return;
    case Controle::Rollback: tra->Rollback(); return;
    case Controle::RollbackRetain: tra->RollbackRetaining(); return;
    case Controle::Nenhum: break;
    }
    fb::Attachment &att = FDatabase->Attachment();
    const std::shared_ptr<fb::Statement> st = Prepara(tra->Engine(), true);
    fb::TimeoutGuard guard(att, timeoutMs);
    try {
        m_rowsAffected = int(st->execute());
        if (st->isQuery())
            st->closeCursor();
    } catch (const fb::Error &e) {
        if (guard.fired())
            throw EDatabaseError(QString::fromLatin1(fb::kTimeoutText) + QStringLiteral(": ") + e.message());
        throw;
    }
}

std::shared_ptr<fb::Statement> TXRQuery::Prepara(fb::Transaction &engine, bool literais)
{
    if (literais) {
        if (const auto l = fb::insertLiteralsAsParams(FSQLAnterior)) {
            std::shared_ptr<fb::Statement> st = engine.prepared(l->sql);
            if (st->paramCount() == l->values.size()) {
                for (int i = 0; i < st->paramCount(); ++i)
                    st->setParam(i, l->values[i]);
                return st;
            }
        }
    }
    std::shared_ptr<fb::Statement> st = engine.prepared(FSQLAnterior);
    // a kept statement still holds the values of its last run
    for (int i = 0; i < st->paramCount(); ++i) {
        const TParam *p = FindParam(st->paramNames()[i]);
        st->setParam(i, p ? p->Value : QVariant());
    }
    return st;
}

void TXRQuery::RegistraFalha(const QString &mensagem)
{
    try {
        GravaLogArquivo(NomeMaquina(), IPLocal(), FDatabase ? FDatabase->NmUsuario : QString(), mensagem);
    } catch (const std::exception &e) {
        // the database error matters more than the log
        qWarning("Falha ao gravar o log de erros: %s", e.what());
    }
}

void TXRQuery::OpenCursor()
{
    EnsureDatabase();
    Traduz();
    if (active())
        return;
    fb::Attachment &att = FDatabase->Attachment();
    const std::shared_ptr<fb::Statement> st = Prepara(FDatabase->Transaction()->Engine(), false);
    if (!st->isQuery())
        throw EDatabaseError(QStringLiteral("O comando não retorna um conjunto de dados."));
    fb::TimeoutGuard guard(att, CommandTimeout);
    try {
        st->execute();
        st->fetchAll(*this);
    } catch (const fb::Error &e) {
        if (guard.fired())
            throw EDatabaseError(QString::fromLatin1(fb::kTimeoutText) + QStringLiteral(": ") + e.message());
        throw;
    }
    DataSet::open();
    first();
}

void TXRQuery::open()
{
    // the generic dataset path: no time-out handling, no statement-kind test
    try {
        OpenCursor();
    } catch (const EDatabaseError &) {
        throw;
    } catch (const std::exception &e) {
        throw EDatabaseError(MensagemExcecao(e));
    }
}

void TXRQuery::Open()
{
    if (!FTimeOutOpen || Driver() == QLatin1String("PG"))
        CommandTimeout = 0;
    try {
        if (EhConsulta(m_sql.Text()))
            OpenCursor();
        else
            ExecSQL();
    } catch (const EAbort &) {
        throw;
    } catch (const std::exception &e) {
        if (Driver() == QLatin1String("PG") && FDatabase && FDatabase->Transaction()->Active()) {
            try {
                FDatabase->Transaction()->RollbackRetaining();
            } catch (...) {
                try {
                    FDatabase->Transaction()->RollbackRetaining();
                } catch (...) {
                }
            }
        }
        throw EDatabaseError(QStringLiteral("Erro XRQuery.Open: ") + MensagemExcecao(e));
    }
}

void TXRQuery::AbreSemTravar()
{
    EnsureDatabase();
    Traduz();
    if (active())
        return;
    TXRCustomDatabase *db = FDatabase;
    if (!EhConsulta(m_sql.Text()) || Driver() != QLatin1String("FB") || !db->LeitorLivre()
        || db->Transaction()->EscritaPendente()) {
        Open();
        return;
    }
    if (!FTimeOutOpen)
        CommandTimeout = 0;
    const QString texto = FSQLAnterior;
    QVariantList valores;
    for (const QString &nome : fb::parseNamedParams(texto).names) {
        const TParam *p = FindParam(nome);
        valores << (p ? p->Value : QVariant());
    }
    struct Resultado {
        std::unique_ptr<fb::Attachment> leitor;
        bool conectado = false;
        // stored the way this dataset keeps them, built on the worker
        DataSet::PreparedRows linhas;
        QString erro;
        bool falhou = false;
    } r;
    r.leitor = db->TomaLeitor();
    const auto conecta = db->ConectorLeitor();
    const int limite = CommandTimeout;
    QEventLoop laco;
    std::promise<void> fim;
    std::future<void> pronto = fim.get_future();
    std::thread trabalhador([&] {
        try {
            if (!r.leitor)
                r.leitor = conecta();
            r.conectado = true;
            fb::Transaction tra(*r.leitor);
            tra.startReadOnly();
            {
                fb::Statement st(*r.leitor, tra, texto);
                if (!st.isQuery())
                    throw EDatabaseError(QStringLiteral("O comando não retorna um conjunto de dados."));
                for (int i = 0; i < st.paramCount() && i < valores.size(); ++i)
                    st.setParam(i, valores[i]);
                fb::TimeoutGuard guard(*r.leitor, limite);
                try {
                    st.execute();
                    std::vector<FieldDef> campos = fb::fieldDefs(st);
                    r.linhas = DataSet::PreparedRows(std::move(campos), fb::fetchRows(st));
                } catch (const fb::Error &e) {
                    if (guard.fired())
                        throw EDatabaseError(QString::fromLatin1(fb::kTimeoutText) + QStringLiteral(": ") + e.message());
                    throw;
                }
            }
            tra.commit();
        } catch (const std::exception &e) {
            r.falhou = true;
            r.erro = MensagemExcecao(e);
        } catch (...) {
            r.falhou = true;
            r.erro = QStringLiteral("Erro desconhecido");
        }
        fim.set_value();
        QMetaObject::invokeMethod(&laco, [l = &laco] { l->quit(); }, Qt::QueuedConnection);
    });
    // a query done within a frame needs no turn of the event loop
    if (pronto.wait_for(std::chrono::milliseconds(16)) != std::future_status::ready)
        laco.exec(QEventLoop::ExcludeUserInputEvents);
    trabalhador.join();
    const bool conectado = r.conectado;
    db->DevolveLeitor(std::move(r.leitor));
    if (!conectado) {
        // no second connection to be had: this one answers
        Open();
        return;
    }
    if (r.falhou)
        throw EDatabaseError(QStringLiteral("Erro XRQuery.Open: ") + r.erro);
    if (active())
        return; // opened meanwhile by a handler of the event loop
    adoptRows(std::move(r.linhas));
    DataSet::open();
    first();
}

int TXRQuery::TempoLimiteExecucao() const
{
    if (!TempoLimite)
        return 0;
    return Driver() == QLatin1String("FB") ? g_tempoLimiteFB.load() : g_tempoLimiteOutros.load();
}

void TXRQuery::ExecSQL()
{
    EnsureDatabase();
    Traduz();
    CommandTimeout = TempoLimiteExecucao();
    try {
        if (Driver() == QLatin1String("PG"))
            FDatabase->Transaction()->StartTransaction();
        Executa(CommandTimeout);
    } catch (const EAbort &) {
        throw;
    } catch (const std::exception &e) {
        if (Driver() == QLatin1String("PG")) {
            try {
                FDatabase->Transaction()->RollbackRetaining();
            } catch (...) {
            }
        }
        QString mensagem = MensagemExcecao(e);
        RegistraFalha(QStringLiteral("ExecSQL (") + mensagem + QStringLiteral("): ") + FSQLAnterior);
        if (mensagem.toUpper().contains(QLatin1String("TIMEOUT EXPIRED")))
            mensagem = QStringLiteral("ERRO PROVÁVEL DE DEADLOCK :") + QStringLiteral("\r\r") + FSQLAnterior;
        throw EDatabaseError(mensagem);
    }
}

void TXRQuery::TryExecSQL()
{
    EnsureDatabase();
    Traduz();
    CommandTimeout = TempoLimiteExecucao();
    const int limite = 3;
    int n = 0;
    for (;;) {
        if (n > 0)
            QThread::msleep(ulong(g_intervaloTentativa.load()));
        try {
            if (Driver() == QLatin1String("PG"))
                FDatabase->Transaction()->StartTransaction();
            Executa(CommandTimeout);
            return;
        } catch (const EAbort &) {
            throw;
        } catch (const std::exception &e) {
            ++n;
            const QString mensagem = MensagemExcecao(e);
            const QString upper = mensagem.toUpper();
            const bool repete = upper.contains(QLatin1String("TIMEOUT EXPIRED"))
                || upper.contains(QLatin1String("DEADLOCK"));
            if (!repete || n > limite) {
                RegistraFalha(QStringLiteral("TryExecSQL (Tentativa: ") + QString::number(n) + QStringLiteral(") (")
                              + mensagem + QStringLiteral("): ") + FSQLAnterior);
                throw EDatabaseError(mensagem);
            }
        }
    }
}

void TXRQuery::deleteRecord()
{
    if (FBloqueiaDelete)
        throw EAbort();
    DataSet::deleteRecord();
}
