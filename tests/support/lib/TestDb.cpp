#include "TestDb.h"

#include "platform/AppPaths.h"

#include <QFile>

#include <gtest/gtest.h>

ScratchInstall::ScratchInstall(bool withDatabase)
{
    apppaths::setExecutableDirOverride(m_tmp.path());
    if (withDatabase) {
        const bool copied = QFile::copy(QStringLiteral(XR_SHIPPED_DB), dbPath());
        if (!copied)
            ADD_FAILURE() << "cannot copy the shipped database from " << XR_SHIPPED_DB;
        QFile::setPermissions(dbPath(), QFile::ReadOwner | QFile::WriteOwner);
    }
}

ScratchInstall::~ScratchInstall() { apppaths::setExecutableDirOverride(QString()); }

QString ScratchInstall::dir() const { return m_tmp.path() + '/'; }

QString ScratchInstall::path(const QString &name) const { return dir() + name; }

void ScratchInstall::writeFile(const QString &name, const QByteArray &content) const
{
    QFile f(path(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        ADD_FAILURE() << "cannot write " << name.toStdString();
    f.write(content);
}

QByteArray ScratchInstall::readFile(const QString &name) const
{
    QFile f(path(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

std::unique_ptr<TXRDatabase> ScratchInstall::connect() const
{
    auto db = std::make_unique<TXRDatabase>();
    db->DriverName = QStringLiteral("FB");
    db->Database = dbPath();
    db->SetConnected(true);
    return db;
}

void execSql(TXRDatabase &db, const QString &sql)
{
    TXRQuery q;
    q.SetDatabase(&db);
    q.SQL().Add(sql);
    q.ExecSQL();
    db.Transaction()->CommitRetaining();
}

QVariant scalar(TXRDatabase &db, const QString &sql)
{
    TXRQuery q;
    q.SetDatabase(&db);
    q.SQL().Add(sql);
    q.Open();
    return q.isEmpty() ? QVariant() : q.field(0)->value();
}
