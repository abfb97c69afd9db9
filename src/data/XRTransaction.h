#pragma once

#include <QObject>
#include <QString>

#include <memory>

namespace fb {
class Transaction;
}
class TXRCustomDatabase;

// The transaction of a connection: starts by itself with the first
// statement, ends only by an explicit commit or rollback, and is rolled
// back when the connection goes away.
class TXRCustomTransaction : public QObject {
    Q_OBJECT
public:
    explicit TXRCustomTransaction(QObject *owner = nullptr);
    ~TXRCustomTransaction() override;

    void SetConnection(TXRCustomDatabase *db);
    TXRCustomDatabase *Connection() const { return m_db; }

    bool Active() const;
    // Something written since the last commit or rollback: other
    // connections do not see it yet.
    bool EscritaPendente() const;
    void StartTransaction();
    void Commit();
    void CommitRetaining();
    void Rollback();
    void RollbackRetaining();

    // Savepoints keep a multi-statement write all-or-nothing inside the
    // long-running transaction.
    void Savepoint(const QString &name);
    void ReleaseSavepoint(const QString &name);
    void RollbackToSavepoint(const QString &name);

    // While held (holds nest), Commit and CommitRetaining do nothing: a
    // write made of several services' steps commits once at its end, and
    // a rollback then undoes all of it.
    void RetemCommits() { ++m_retencoes; }
    void LiberaCommits()
    {
        if (m_retencoes > 0)
            --m_retencoes;
    }
    bool CommitsRetidos() const { return m_retencoes > 0; }

    // The engine transaction, started when needed. Throws when unconnected.
    fb::Transaction &Engine();

    // Called by the connection when it connects or disconnects.
    void ConnectionChanged(bool connected);

private:
    TXRCustomDatabase *m_db = nullptr;
    std::unique_ptr<fb::Transaction> m_tra;
    int m_retencoes = 0;
};

class TXRTransaction : public TXRCustomTransaction {
    Q_OBJECT
public:
    using TXRCustomTransaction::TXRCustomTransaction;
};

// Holds the commits of a transaction for the life of the object.
class RetencaoCommits {
public:
    explicit RetencaoCommits(TXRCustomTransaction &tra)
        : m_tra(tra)
    {
        m_tra.RetemCommits();
    }
    ~RetencaoCommits() { m_tra.LiberaCommits(); }
    RetencaoCommits(const RetencaoCommits &) = delete;
    RetencaoCommits &operator=(const RetencaoCommits &) = delete;

private:
    TXRCustomTransaction &m_tra;
};

// Runs a block of writes all-or-nothing: rolled back to the savepoint
// unless Release() is called.
class SavepointGuard {
public:
    SavepointGuard(TXRCustomTransaction &tra, const QString &name);
    ~SavepointGuard();
    void Release();

private:
    TXRCustomTransaction &m_tra;
    QString m_name;
    bool m_done = false;
};
