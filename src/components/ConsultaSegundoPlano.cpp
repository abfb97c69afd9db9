#include "components/ConsultaSegundoPlano.h"

#include "data/XRDatabase.h"
#include "data/XRQuery.h"
#include "data/XRTransaction.h"
#include "data/XRTraduzSQL.h"
#include "platform/fb/FbApi.h"

#include <exception>

namespace {

// A failed or cancelled query leaves its transaction to be thrown away, so
// the next search starts on a fresh snapshot.
void Desfaz(TXRDatabase *conexao)
{
    try {
        if (conexao && conexao->Connected())
            conexao->Transaction()->Rollback();
    } catch (...) {
    }
}

} // namespace

TConsultaSegundoPlano::TConsultaSegundoPlano(QObject *dono)
    : QObject(dono)
    , m_trabalhador([this] { Trabalha(); })
{
}

TConsultaSegundoPlano::~TConsultaSegundoPlano()
{
    {
        std::lock_guard<std::mutex> trava(m_mutex);
        m_fim = true;
        m_tarefa.reset();
        CancelaEmCurso(); // closing a window never waits for a long fetch
    }
    m_cv.notify_all();
    m_trabalhador.join();
}

void TConsultaSegundoPlano::Executa(const TXRCustomDatabase &origem, const QStringList &sql, const Parametros &parametros)
{
    Tarefa t;
    t.geracao = ++m_pedida;
    // what the worker needs, copied here: it touches nothing of this thread
    t.conexao = {origem.DriverName, origem.DatabaseName(), origem.Database, origem.HostName,
                 origem.User,       origem.Password,       origem.Port};
    t.sql = sql;
    t.parametros = parametros;
    t.preparada = EntregaPreparada;
    m_ultima = t.geracao;
    {
        std::lock_guard<std::mutex> trava(m_mutex);
        m_tarefa = std::move(t); // a request not started yet is simply replaced
        CancelaEmCurso();
    }
    m_cv.notify_all();
}

void TConsultaSegundoPlano::Trabalha()
{
    // the connection is made, used and closed in this thread only
    std::unique_ptr<TXRDatabase> conexao;
    QString nomeConexao;
    for (;;) {
        Tarefa t;
        std::vector<DataSet::PreparedRows> descarte;
        {
            std::unique_lock<std::mutex> trava(m_mutex);
            m_cv.wait(trava, [this] { return m_fim || m_tarefa.has_value() || !m_descarte.empty(); });
            if (m_fim)
                break;
            descarte.swap(m_descarte);
            if (m_tarefa) {
                t = std::move(*m_tarefa);
                m_tarefa.reset();
            }
        }
        descarte.clear(); // the old rows are freed here, not on the window's thread
        if (t.geracao == 0)
            continue; // only rows to free
        auto r = std::make_shared<Resultado>();
        try {
            if (!conexao || !conexao->Connected() || nomeConexao != t.conexao.nome) {
                TXRDatabase modelo;
                modelo.DriverName = t.conexao.driver;
                modelo.SetDatabaseName(t.conexao.nome);
                modelo.Database = t.conexao.base;
                modelo.HostName = t.conexao.host;
                modelo.Port = t.conexao.porta;
                modelo.User = t.conexao.usuario;
                modelo.Password = t.conexao.senha;
                conexao.reset();
                conexao = std::make_unique<TXRDatabase>();
                conexao->GetDatabase(&modelo);
                nomeConexao = t.conexao.nome;
            }
            if (t.geracao != m_ultima.load())
                continue; // overtaken while connecting
            {
                std::lock_guard<std::mutex> trava(m_mutex);
                m_emCurso = &conexao->Attachment();
            }
            struct FimDaConsulta {
                TConsultaSegundoPlano *dono;
                TXRDatabase *conexao;
                ~FimDaConsulta()
                {
                    bool cancelou = false;
                    {
                        std::lock_guard<std::mutex> trava(dono->m_mutex);
                        dono->m_emCurso = nullptr;
                        cancelou = std::exchange(dono->m_cancelou, false);
                    }
                    // a cancel that came after the fetch must not hit the next statement
                    if (cancelou)
                        conexao->Attachment().resetCancel();
                }
            };
            {
                FimDaConsulta fim{this, conexao.get()};
                Busca(*conexao, t, *r);
            }
            // a fresh snapshot for the next search
            conexao->Transaction()->Commit();
            if (t.preparada)
                r->preparadas = DataSet::PreparedRows(std::exchange(r->campos, {}), std::exchange(r->linhas, {}));
        } catch (const std::exception &e) {
            r->erro = MensagemExcecao(e);
            Desfaz(conexao.get());
        } catch (...) {
            r->erro = QStringLiteral("Erro desconhecido");
            Desfaz(conexao.get());
        }
        if (t.geracao != m_ultima.load())
            continue; // overtaken while it ran: nobody wants these rows
        const int geracao = t.geracao;
        QMetaObject::invokeMethod(this, [this, geracao, r] { Entrega(geracao, r); }, Qt::QueuedConnection);
    }
    conexao.reset();
}

void TConsultaSegundoPlano::Busca(TXRDatabase &conexao, const Tarefa &t, Resultado &r)
{
    // the rows go straight from the cursor into the result: a dataset in
    // between would only be copied and thrown away
    try {
        QString texto;
        for (const QString &l : t.sql)
            texto += l + QStringLiteral("\r\n");
        fb::Statement st(conexao.Attachment(), conexao.Transaction()->Engine(),
                         TraduzSQL(texto, conexao.DriverName));
        if (!st.isQuery())
            throw EDatabaseError(QStringLiteral("O comando não retorna um conjunto de dados."));
        for (const auto &[nome, valor] : t.parametros)
            st.setParam(nome, valor);
        st.execute();
        for (const fb::Column &c : st.columns())
            r.campos.push_back(fb::fieldDefFor(c));
        Row linha;
        while (st.fetch(linha))
            r.linhas.push_back(std::move(linha));
    } catch (const std::exception &e) {
        // worded as the query component words a failed opening
        throw EDatabaseError(QStringLiteral("Erro XRQuery.Open: ") + MensagemExcecao(e));
    }
}

void TConsultaSegundoPlano::Descarta(DataSet::PreparedRows linhas)
{
    {
        std::lock_guard<std::mutex> trava(m_mutex);
        m_descarte.push_back(std::move(linhas));
    }
    m_cv.notify_all();
}

void TConsultaSegundoPlano::CancelaEmCurso()
{
    if (m_emCurso && !m_cancelou) {
        m_emCurso->cancelOperation();
        m_cancelou = true;
    }
}

void TConsultaSegundoPlano::Entrega(int geracao, std::shared_ptr<Resultado> r)
{
    if (geracao != m_pedida) { // a newer search is on its way
        if (r->preparadas.rowCount() > 0)
            Descarta(std::move(r->preparadas));
        return;
    }
    m_entregue = geracao;
    if (Pronto)
        Pronto(*r);
    emit Concluida();
}
