// Creates a database file from a DDL script: makedb <script.sql> <target.fdb>
// The target is rebuilt from scratch (a build artefact, never a user's file).
#include "platform/fb/FbApi.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: makedb <script.sql> <target.fdb>\n");
        return 2;
    }
    const QString script = QString::fromLocal8Bit(argv[1]);
    const QString target = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
    QFile f(script);
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "makedb: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString text = QString::fromUtf8(f.readAll());
    // a private scratch name: parallel builds may run this at once
    const QString tmp = target + "." + QString::number(QCoreApplication::applicationPid()) + ".tmp";
    QFile::remove(tmp);
    try {
        fb::ConnectParams p;
        p.database = tmp;
        fb::Attachment::createDatabase(p, 4096, QStringLiteral("WIN1252"));
        auto att = fb::Attachment::connect(p);
        fb::Transaction tra(*att);
        for (const QString &stmt : fb::splitScript(text)) {
            fb::executeImmediate(*att, tra, stmt);
            tra.commitRetaining();
        }
        tra.commit();
        att->detach();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "makedb: %s\n", e.what());
        QFile::remove(tmp);
        return 1;
    }
    QFile::remove(target);
    if (!QFile::rename(tmp, target)) {
        std::fprintf(stderr, "makedb: cannot move the new database into place\n");
        return 1;
    }
    return 0;
}
