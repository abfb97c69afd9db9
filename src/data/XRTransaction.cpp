#include "data/XRTransaction.h"

#include "data/XRDatabase.h"
#include "platform/fb/FbApi.h"

namespace {
// Engine failures leave as the database error callers catch.
template <typename F>
void guarded(F &&f)
{
    try {
        f();
    } catch (const EDatabaseError &) {
        throw;
    } catch (const fb::Error &e) {
        throw EDatabaseError(e.message());
    } catch (const std::exception &e) {
        throw EDatabaseError(QString::fromUtf8(e.what()));
    }
}
} // namespace

TXRCustomTransaction::TXRCustomTransaction(QObject *owner)
    : QObject(owner)
{
}

TXRCustomTransaction::~TXRCustomTransaction()
{
    if (m_db && m_db->Transaction() == this)
        m_db->SetTransaction(nullptr);
}

void TXRCustomTransaction::SetConnection(TXRCustomDatabase *db)
{
    if (m_db == db)
        return;
    ConnectionChanged(false);
    m_db = db;
}

bool TXRCustomTransaction::Active() const { return m_tra && m_tra->active(); }

bool TXRCustomTransaction::EscritaPendente() const { return Active() && m_tra->hasWrites(); }

fb::Transaction &TXRCustomTransaction::Engine()
{
    if (!m_db || !m_db->Connected())
        throw EDatabaseError(QStringLiteral("Conexão com o banco de dados não está aberta."));
    if (!m_tra)
        m_tra = std::make_unique<fb::Transaction>(m_db->Attachment());
    guarded([this] { m_tra->start(); });
    return *m_tra;
}

void TXRCustomTransaction::StartTransaction() { Engine(); }

void TXRCustomTransaction::Commit()
{
    if (!Active() || CommitsRetidos())
        return;
    guarded([this] { m_tra->commit(); });
}

void TXRCustomTransaction::CommitRetaining()
{
    if (!Active() || CommitsRetidos())
        return;
    guarded([this] { m_tra->commitRetaining(); });
}

void TXRCustomTransaction::Rollback()
{
    if (!Active())
        return;
    guarded([this] { m_tra->rollback(); });
}

void TXRCustomTransaction::RollbackRetaining()
{
    if (!Active())
        return;
    guarded([this] { m_tra->rollbackRetaining(); });
}

void TXRCustomTransaction::Savepoint(const QString &name)
{
    guarded([this, &name] { Engine().savepoint(name); });
}

void TXRCustomTransaction::ReleaseSavepoint(const QString &name)
{
    guarded([this, &name] { Engine().releaseSavepoint(name); });
}

void TXRCustomTransaction::RollbackToSavepoint(const QString &name)
{
    guarded([this, &name] { Engine().rollbackToSavepoint(name); });
}

void TXRCustomTransaction::ConnectionChanged(bool connected)
{
    if (connected || !m_tra)
        return;
    try {
        m_tra->rollback();
    } catch (...) {
        // the connection is going away; nothing of this transaction survives
    }
    m_tra.reset();
}

SavepointGuard::SavepointGuard(TXRCustomTransaction &tra, const QString &name)
    : m_tra(tra)
    , m_name(name)
{
    m_tra.Savepoint(m_name);
}

SavepointGuard::~SavepointGuard()
{
    if (m_done)
        return;
    try {
        m_tra.RollbackToSavepoint(m_name);
        m_tra.ReleaseSavepoint(m_name);
    } catch (...) {
        // the caller's exception is already on its way
    }
}

void SavepointGuard::Release()
{
    if (m_done)
        return;
    m_tra.ReleaseSavepoint(m_name);
    m_done = true;
}
