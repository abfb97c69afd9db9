#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTime>

#include <memory>
#include <vector>

class DataSet;
class TXRDatabase;
namespace fb {
class Attachment;
class Transaction;
} // namespace fb

// The lines that read a table's fields for the console's tree: CAMPO,
// FIELD_NAME (the type as text), TAMANHO, precision and scale.
QStringList LinhasCamposTabela(const QString &tabela);
// A field's node in the tree.
QString TextoNoCampo(const QString &campo, const QString &tipo);
// The history's heading of a run.
QString CabecalhoHistorico(const QTime &hora);
// The message of a failed run.
QString MensagemFalhaSQL(const QString &erro);

struct TTabelaEstrutura {
    QString tabela;      // as the catalogue gives it, blank-padded
    QStringList campos;  // node texts
};

// What a run did.
struct TResultadoConsole {
    bool ok = true;
    QString erro;          // the failing statement's error
    int executados = 0;    // statements run without failure
    bool mostrouLinhas = false;
};

// The SQL console's work: a transaction of its own on the module's
// connection, so that its statements are kept or undone only by its own
// commit and rollback, and nothing another window commits or rolls back
// touches them (nor the other way round). Dropped work is rolled back.
class TConsoleSQL {
public:
    explicit TConsoleSQL(TXRDatabase *db);
    ~TConsoleSQL();
    TConsoleSQL(const TConsoleSQL &) = delete;
    TConsoleSQL &operator=(const TConsoleSQL &) = delete;

    // The user tables with their fields.
    std::vector<TTabelaEstrutura> Estrutura();

    // Runs the statements of the text in order, split at ";" outside quotes
    // and comments, blank ones skipped; the first failure ends the run.
    // Each statement is told by the engine's own type: the rows of the last
    // query go into linhas (closed at the start of the run); COMMIT and
    // ROLLBACK typed as SQL act as the console's buttons.
    TResultadoConsole Executa(const QString &texto, DataSet &linhas);

    // Keeps the console's work; the transaction goes on.
    void Commit();
    // Undoes the console's work not committed yet.
    void Rollback();
    bool EmTransacao() const;

private:
    fb::Transaction &Transacao();
    // Forgets a transaction whose connection has gone, without calling it.
    bool ConexaoMudou() const;
    void Executa(const QString &comando, DataSet &linhas, TResultadoConsole &r);

    QPointer<TXRDatabase> m_db;
    fb::Attachment *m_att = nullptr;
    std::unique_ptr<fb::Transaction> m_tra;
};
