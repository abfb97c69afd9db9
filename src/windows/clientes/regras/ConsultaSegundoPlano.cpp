#include "windows/clientes/regras/ConsultaSegundoPlano.h"

#include "data/XRDatabase.h"
#include "data/XRQuery.h"
#include "data/XRTransaction.h"

#include <exception>

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
    m_ultima = t.geracao;
    {
        std::lock_guard<std::mutex> trava(m_mutex);
        m_tarefa = std::move(t); // a request not started yet is simply replaced
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
        {
            std::unique_lock<std::mutex> trava(m_mutex);
            m_cv.wait(trava, [this] { return m_fim || m_tarefa.has_value(); });
            if (m_fim)
                break;
            t = std::move(*m_tarefa);
            m_tarefa.reset();
        }
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
            {
                TXRQuery q;
                q.SetDatabase(conexao.get());
                for (const QString &l : t.sql)
                    q.SQL().Add(l);
                for (const auto &[nome, valor] : t.parametros)
                    q.ParamByName(nome)->Value = valor;
                q.Open();
                r->campos = q.fieldDefs();
                const int n = q.recordCount();
                r->linhas.reserve(size_t(n));
                for (int i = 0; i < n; ++i)
                    r->linhas.push_back(q.rowAt(i));
                q.Close();
            }
            // a fresh snapshot for the next search
            conexao->Transaction()->Commit();
        } catch (const std::exception &e) {
            r->erro = MensagemExcecao(e);
        } catch (...) {
            r->erro = QStringLiteral("Erro desconhecido");
        }
        if (t.geracao != m_ultima.load())
            continue; // overtaken while it ran: nobody wants these rows
        const int geracao = t.geracao;
        QMetaObject::invokeMethod(this, [this, geracao, r] { Entrega(geracao, r); }, Qt::QueuedConnection);
    }
    conexao.reset();
}

void TConsultaSegundoPlano::Entrega(int geracao, std::shared_ptr<Resultado> r)
{
    if (geracao != m_pedida)
        return; // a newer search is on its way
    m_entregue = geracao;
    if (Pronto)
        Pronto(*r);
    emit Concluida();
}
