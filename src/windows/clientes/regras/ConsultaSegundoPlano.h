#pragma once

#include "platform/DataSet.h"

#include <QObject>

#include <atomic>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

class TXRCustomDatabase;
class TXRDatabase;

// A query run on a connection of its own in a worker thread, so a long
// fetch never freezes the window. The rows come back on the owner's
// thread; a newer request makes the rows of older ones be dropped.
class TConsultaSegundoPlano : public QObject {
    Q_OBJECT
public:
    struct Resultado {
        std::vector<FieldDef> campos;
        std::vector<Row> linhas;
        QString erro; // empty when the query ran
    };
    using Parametros = std::vector<std::pair<QString, QVariant>>;

    explicit TConsultaSegundoPlano(QObject *dono = nullptr);
    ~TConsultaSegundoPlano() override; // waits for the running queries

    // origem: the connection whose database is queried (read here only).
    void Executa(const TXRCustomDatabase &origem, const QStringList &sql, const Parametros &parametros);
    bool Ocupada() const { return m_pendentes > 0; }

    // Called on the owner's thread with the newest request's result.
    std::function<void(Resultado &)> Pronto;

signals:
    void Concluida();

private:
    void Entrega(int geracao, std::shared_ptr<Resultado> r);
    void RecolheTerminadas();

    // The worker's connection, kept between searches; one query at a time.
    std::mutex m_conexaoMutex;
    std::unique_ptr<TXRDatabase> m_conexao;
    std::atomic<int> m_geracao{0};
    int m_pendentes = 0;
    struct Tarefa {
        std::thread t;
        std::shared_ptr<std::atomic<bool>> terminou;
    };
    std::vector<Tarefa> m_tarefas;
};
