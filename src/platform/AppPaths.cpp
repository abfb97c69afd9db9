#include "platform/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMutex>

namespace apppaths {
namespace {
QMutex g_mutex;
QString g_override;

QString withSlash(QString dir)
{
    dir = QDir::fromNativeSeparators(dir);
    if (!dir.endsWith('/'))
        dir += '/';
    return dir;
}
} // namespace

QString executablePath()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
}

QString executableDir()
{
    {
        QMutexLocker lock(&g_mutex);
        if (!g_override.isEmpty())
            return g_override;
    }
    return withSlash(QFileInfo(executablePath()).absolutePath());
}

void setExecutableDirOverride(const QString &dir)
{
    QMutexLocker lock(&g_mutex);
    g_override = dir.isEmpty() ? QString() : withSlash(dir);
}

QString resolveBesideExecutable(const QString &path)
{
    const QString p = QDir::fromNativeSeparators(path.trimmed());
    if (p.isEmpty() || QDir::isAbsolutePath(p))
        return p;
    return QDir::cleanPath(executableDir() + p);
}

} // namespace apppaths
