#include "TestDb.h"

#include "platform/AppPaths.h"
#include "data/UntScriptsRep.h"
#include "data/untDMRepres.h"

#include <map>

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

QString upgradedTemplate(const QStringList &seed)
{
    static QTemporaryDir folder;
    static std::map<QString, QString> made;
    const QString key = seed.join(QChar(0));
    if (auto it = made.find(key); it != made.end())
        return it->second;

    const QString previousDir = apppaths::executableDir();
    QString result;
    {
        ScratchInstall inst;
        {
            auto db = inst.connect();
            execSql(*db, "INSERT INTO CONFIG (CODREP, NMUSUARIO, DSSENHA) VALUES ('001', 'Ana', 'Segredo')");
            db->Transaction()->Commit();
        }
        inst.writeFile("XR.ini", "[Banco]\r\nBase=REPRESEN.FDB\r\n");
        {
            ScopedDialogRecorder rec;
            TDMRepresGanchos g;
            g.AtualizaBase = AtualizaBase;
            TDMRepres dm(g);
            EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('\n').toStdString();
            for (const QString &sql : seed)
                execSql(*dm.XRDtRepres, sql);
            dm.XRTransaction->Commit();
        }
        result = folder.filePath(QStringLiteral("modelo%1.FDB").arg(made.size()));
        EXPECT_TRUE(QFile::copy(inst.dbPath(), result));
    }
    // the template is made inside whatever scratch folder a caller set up
    apppaths::setExecutableDirOverride(previousDir == apppaths::executableDir() ? QString() : previousDir);
    made[key] = result;
    return result;
}

void installTemplate(const ScratchInstall &inst, const QString &templatePath)
{
    QFile::remove(inst.dbPath());
    if (!QFile::copy(templatePath, inst.dbPath()))
        ADD_FAILURE() << "cannot copy " << templatePath.toStdString();
    QFile::setPermissions(inst.dbPath(), QFile::ReadOwner | QFile::WriteOwner);
    inst.writeFile("XR.ini", "[Banco]\r\nBase=REPRESEN.FDB\r\n");
}
