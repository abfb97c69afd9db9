#include "windows/clientes/regras/ConsultaSegundoPlano.h"

#include "data/XRDatabase.h"
#include "data/XRQuery.h"
#include "data/XRTransaction.h"

#include <atomic>
#include <exception>

TConsultaSegundoPlano::TConsultaSegundoPlano(QObject *dono)
    : QObject(dono)
{
}

TConsultaSegundoPlano::~TConsultaSegundoPlano()
{
    for (Tarefa &t : m_tarefas)
        if (t.t.joinable())
            t.t.join();
    m_conexao.reset();
}

void TConsultaSegundoPlano::RecolheTerminadas()
{
    for (auto it = m_tarefas.begin(); it != m_tarefas.end();) {
        if (it->terminou->load()) {
            it->t.join();
            it = m_tarefas.erase(it);
        } else {
            ++it;
        }
    }
}

void TConsultaSegundoPlano::Executa(const TXRCustomDatabase &origem, const QStringList &sql, const Parametros &parametros)
{
    RecolheTerminadas();
    const int geracao = ++m_geracao;
    ++m_pendentes;
    // what the worker needs, copied here: it touches nothing of this thread
    struct Conexao {
        QString driver, nome, base, host, usuario, senha;
        int porta = 0;
    };
    const Conexao c{origem.DriverName, origem.DatabaseName(), origem.Database, origem.HostName,
                    origem.User, origem.Password, origem.Port};
    auto terminou = std::make_shared<std::atomic<bool>>(false);
    std::thread t([this, geracao, c, sql, parametros, terminou] {
        auto r = std::make_shared<Resultado>();
        try {
            std::lock_guard<std::mutex> trava(m_conexaoMutex);
            // overtaken while waiting for the connection: nobody wants these rows
            if (geracao != m_geracao.load())
                throw EAbort();
            if (!m_conexao || !m_conexao->Connected() || m_conexao->DatabaseName() != c.nome) {
                TXRDatabase modelo;
                modelo.DriverName = c.driver;
                modelo.SetDatabaseName(c.nome);
                modelo.Database = c.base;
                modelo.HostName = c.host;
                modelo.Port = c.porta;
                modelo.User = c.usuario;
                modelo.Password = c.senha;
                m_conexao = std::make_unique<TXRDatabase>();
                m_conexao->GetDatabase(&modelo);
            }
            {
                TXRQuery q;
                q.SetDatabase(m_conexao.get());
                for (const QString &l : sql)
                    q.SQL().Add(l);
                for (const auto &[nome, valor] : parametros)
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
            m_conexao->Transaction()->Commit();
        } catch (const EAbort &) {
        } catch (const std::exception &e) {
            r->erro = MensagemExcecao(e);
        } catch (...) {
            r->erro = QStringLiteral("Erro desconhecido");
        }
        QMetaObject::invokeMethod(this, [this, geracao, r] { Entrega(geracao, r); }, Qt::QueuedConnection);
        terminou->store(true);
    });
    m_tarefas.push_back({std::move(t), terminou});
}

void TConsultaSegundoPlano::Entrega(int geracao, std::shared_ptr<Resultado> r)
{
    --m_pendentes;
    if (geracao != m_geracao)
        return; // a newer search is on its way
    if (Pronto)
        Pronto(*r);
    emit Concluida();
}
