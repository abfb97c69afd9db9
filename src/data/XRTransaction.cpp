#include "data/XRTransaction.h"

#include "data/XRDatabase.h"
#include "platform/fb/FbApi.h"

namespace {
[[noreturn]] void rethrow(const std::exception &e)
{
    if (auto *f = dynamic_cast<const fb::Error *>(&e))
        throw EDatabaseError(f->message());
    throw EDatabaseError(QString::fromUtf8(e.what()));
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

fb::Transaction &TXRCustomTransaction::Engine()
{
    if (!m_db || !m_db->Connected())
        throw EDatabaseError(QStringLiteral("Conexão com o banco de dados não está aberta."));
    if (!m_tra)
        m_tra = std::make_unique<fb::Transaction>(m_db->Attachment());
    try {
        m_tra->start();
    } catch (const std::exception &e) {
        rethrow(e);
    }
    return *m_tra;
}

void TXRCustomTransaction::StartTransaction() { Engine(); }

void TXRCustomTransaction::Commit()
{
    if (!Active())
        return;
    try {
        m_tra->commit();
    } catch (const std::exception &e) {
        rethrow(e);
    }
}

void TXRCustomTransaction::CommitRetaining()
{
    if (!Active())
        return;
    try {
        m_tra->commitRetaining();
    } catch (const std::exception &e) {
        rethrow(e);
    }
}

void TXRCustomTransaction::Rollback()
{
    if (!Active())
        return;
    try {
        m_tra->rollback();
    } catch (const std::exception &e) {
        rethrow(e);
    }
}

void TXRCustomTransaction::RollbackRetaining()
{
    if (!Active())
        return;
    try {
        m_tra->rollbackRetaining();
    } catch (const std::exception &e) {
        rethrow(e);
    }
}

void TXRCustomTransaction::Savepoint(const QString &name)
{
    try {
        Engine().savepoint(name);
    } catch (const EDatabaseError &) {
        throw;
    } catch (const std::exception &e) {
        rethrow(e);
    }
}

void TXRCustomTransaction::ReleaseSavepoint(const QString &name)
{
    try {
        Engine().releaseSavepoint(name);
    } catch (const EDatabaseError &) {
        throw;
    } catch (const std::exception &e) {
        rethrow(e);
    }
}

void TXRCustomTransaction::RollbackToSavepoint(const QString &name)
{
    try {
        Engine().rollbackToSavepoint(name);
    } catch (const EDatabaseError &) {
        throw;
    } catch (const std::exception &e) {
        rethrow(e);
    }
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
