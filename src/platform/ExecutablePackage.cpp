#include "platform/ExecutablePackage.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cerrno>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kElfHeadSize = 20;
constexpr qint64 kChunk = 64 * 1024;

struct ElfIdentity {
    unsigned char klass = 0;
    unsigned char data = 0;
    unsigned machine = 0;
    bool operator==(const ElfIdentity &) const = default;
};

std::optional<ElfIdentity> elfIdentity(const QByteArray &head)
{
    if (head.size() < kElfHeadSize || !head.startsWith("\x7f" "ELF"))
        return std::nullopt;
    const auto *b = reinterpret_cast<const unsigned char *>(head.constData());
    ElfIdentity id;
    id.klass = b[4];
    id.data = b[5];
    // e_machine follows e_ident (16 bytes) and e_type (2 bytes)
    id.machine = id.data == 2 ? (unsigned(b[18]) << 8 | b[19]) : (unsigned(b[19]) << 8 | b[18]);
    if ((id.klass != 1 && id.klass != 2) || (id.data != 1 && id.data != 2))
        return std::nullopt;
    return id;
}

std::optional<ElfIdentity> fileIdentity(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return elfIdentity(f.read(kElfHeadSize));
}

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

// Writes everything or reports the errno text.
bool writeAll(int fd, const char *data, size_t size, QString *error)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(error, QString::fromLocal8Bit(std::strerror(errno)));
        data += n;
        size -= size_t(n);
    }
    return true;
}

// Inflates package into fd (or nowhere when fd < 0), checking the stream
// and the executable's identity against reference.
bool inflatePackage(const QString &package, int fd, const QString &reference, QString *error)
{
    const auto wanted = fileIdentity(reference);
    if (!wanted)
        return fail(error, QStringLiteral("%1 is not an executable").arg(reference));
    QFile in(package);
    if (!in.open(QIODevice::ReadOnly))
        return fail(error, QStringLiteral("Cannot read %1: %2").arg(package, in.errorString()));

    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return fail(error, QStringLiteral("Cannot start decompression"));
    struct End {
        z_stream *z;
        ~End() { inflateEnd(z); }
    } end{&z};

    QByteArray head;
    std::array<char, kChunk> out{};
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
        const QByteArray chunk = in.read(kChunk);
        if (chunk.isEmpty())
            return fail(error, in.error() != QFile::NoError ? in.errorString()
                                                            : QStringLiteral("The package is truncated"));
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(chunk.constData()));
        z.avail_in = uInt(chunk.size());
        do {
            z.next_out = reinterpret_cast<Bytef *>(out.data());
            z.avail_out = uInt(out.size());
            rc = inflate(&z, Z_NO_FLUSH);
            if (rc == Z_BUF_ERROR) {
                rc = Z_OK; // needs more input
                break;
            }
            if (rc != Z_OK && rc != Z_STREAM_END)
                return fail(error, QStringLiteral("The package is corrupt: %1")
                                       .arg(QString::fromLatin1(z.msg ? z.msg : zError(rc))));
            const size_t produced = out.size() - z.avail_out;
            if (head.size() < kElfHeadSize)
                head.append(out.data(), qsizetype(std::min<size_t>(produced, size_t(kElfHeadSize - head.size()))));
            if (fd >= 0 && !writeAll(fd, out.data(), produced, error))
                return false;
        } while (rc != Z_STREAM_END && (z.avail_in > 0 || z.avail_out == 0));
        // bytes after the end of the stream mean it is not what was published
        if (rc == Z_STREAM_END && (z.avail_in > 0 || !in.atEnd()))
            return fail(error, QStringLiteral("The package has data after its end"));
    }
    const auto got = elfIdentity(head);
    if (!got || !(*got == *wanted))
        return fail(error, QStringLiteral("The package does not hold an executable for this machine"));
    return true;
}

bool syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace

QString runningExecutable() { return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath(); }

bool verifyExecutablePackage(const QString &package, const QString &reference, QString *error)
{
    return inflatePackage(package, -1, reference, error);
}

bool replaceExecutable(const QString &exe, const QString &package, const QString &reference, QString *error,
                       const SwapFileOps &ops)
{
    const auto rename = [&ops](const QString &from, const QString &to) {
        if (ops.rename)
            return ops.rename(from, to);
        return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
    };
    const QString fresh = exe + QStringLiteral(".new");
    const QString old = exe + QStringLiteral(".old");

    struct stat st {};
    const mode_t mode = ::stat(QFile::encodeName(exe).constData(), &st) == 0 ? (st.st_mode & 07777) : 0755;
    const int fd = ::open(QFile::encodeName(fresh).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return fail(error, QStringLiteral("Cannot create %1: %2").arg(fresh, QString::fromLocal8Bit(std::strerror(errno))));
    bool ok = inflatePackage(package, fd, reference, error);
    if (ok && (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0))
        ok = fail(error, QStringLiteral("Cannot write %1: %2").arg(fresh, QString::fromLocal8Bit(std::strerror(errno))));
    if (::close(fd) != 0 && ok)
        ok = fail(error, QStringLiteral("Cannot write %1: %2").arg(fresh, QString::fromLocal8Bit(std::strerror(errno))));
    if (!ok) {
        QFile::remove(fresh);
        return false;
    }

    QFile::remove(old);
    const bool hadExe = QFileInfo::exists(exe);
    if (hadExe && !rename(exe, old)) {
        QFile::remove(fresh);
        return fail(error, QStringLiteral("Cannot rename %1 to %2").arg(exe, old));
    }
    if (!rename(fresh, exe)) {
        if (hadExe)
            rename(old, exe);
        QFile::remove(fresh);
        return fail(error, QStringLiteral("Cannot rename %1 to %2").arg(fresh, exe));
    }
    syncFolder(QFileInfo(exe).absolutePath());
    QFile::remove(package);
    return true;
}
