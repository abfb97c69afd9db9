#pragma once

#include "platform/DataSet.h"

#include <QObject>
#include <QStringList>
#include <QVariant>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

class TXRCustomDatabase;
class TXRDatabase;
namespace fb {
class Attachment;
}

// A query run in a worker thread on a connection of its own, so a long
// fetch never freezes the window. One worker lives as long as this object
// and keeps its connection between searches. The rows come back on the
// owner's thread; a newer request makes the rows of older ones be dropped
// and cancels the one still running, as does destroying this object.
class TConsultaSegundoPlano : public QObject {
    Q_OBJECT
public:
    struct Resultado {
        std::vector<FieldDef> campos;
        std::vector<Row> linhas;
        // With EntregaPreparada the rows come here instead, ready for
        // DataSet::adoptRows (campos and linhas stay empty).
        DataSet::PreparedRows preparadas;
        QString erro; // empty when the query ran
    };
    using Parametros = std::vector<std::pair<QString, QVariant>>;

    explicit TConsultaSegundoPlano(QObject *dono = nullptr);
    ~TConsultaSegundoPlano() override; // cancels the running query and waits for the worker

    // origem: the connection whose database is queried (read here only).
    void Executa(const TXRCustomDatabase &origem, const QStringList &sql, const Parametros &parametros);
    // Read by Executa: the worker also builds the dataset's row storage.
    bool EntregaPreparada = false;
    // Frees rows a dataset gave up on the worker, between queries.
    void Descarta(DataSet::PreparedRows linhas);
    // The newest request has not delivered its rows yet.
    bool Ocupada() const { return m_entregue < m_pedida; }

    // Called on the owner's thread with the newest request's result.
    std::function<void(Resultado &)> Pronto;

signals:
    void Concluida();

private:
    struct Conexao {
        QString driver, nome, base, host, usuario, senha;
        int porta = 0;
    };
    struct Tarefa {
        int geracao = 0;
        Conexao conexao;
        QStringList sql;
        Parametros parametros;
        bool preparada = false;
    };
    void Trabalha();
    static void Busca(TXRDatabase &conexao, const Tarefa &t, Resultado &r);
    void Entrega(int geracao, std::shared_ptr<Resultado> r);
    void CancelaEmCurso(); // with m_mutex held

    int m_pedida = 0;   // owner's thread
    int m_entregue = 0; // owner's thread
    std::atomic<int> m_ultima{0};
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::optional<Tarefa> m_tarefa;
    std::vector<DataSet::PreparedRows> m_descarte;
    bool m_fim = false;
    fb::Attachment *m_emCurso = nullptr; // the worker's attachment while a query runs
    bool m_cancelou = false;              // a cancel was sent to m_emCurso
    std::thread m_trabalhador;
};
