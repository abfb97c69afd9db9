#include "platform/IniFile.h"

#include "platform/Cp1252.h"
#include "platform/DialogService.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

IniFile::SystemCalls& systemCalls()
{
    static IniFile::SystemCalls calls;
    return calls;
}

std::atomic<bool> g_userTold{false};

long callWrite(int fd, const char* data, std::size_t size)
{
    const auto& f = systemCalls().write;
    return f ? f(fd, data, size) : static_cast<long>(::write(fd, data, size));
}

int callSync(int fd)
{
    const auto& f = systemCalls().sync;
    return f ? f(fd) : ::fsync(fd);
}

int callClose(int fd)
{
    const auto& f = systemCalls().close;
    return f ? f(fd) : ::close(fd);
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Section name of a header line; nothing when the line is no header.
std::optional<QString> headerName(const QString& line)
{
    const QString t = line.trimmed();
    const qsizetype close = t.indexOf(u']');
    if (!t.startsWith(u'[') || close < 0)
        return std::nullopt;
    return t.mid(1, close - 1).trimmed();
}

// Key name of a "key=value" line; nothing for comments and other lines.
std::optional<QString> keyName(const QString& line)
{
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
        return std::nullopt;
    const QString key = line.left(eq).trimmed();
    if (key.isEmpty() || key.startsWith(u';') || key.startsWith(u'['))
        return std::nullopt;
    return key;
}

bool isKeyLine(const QString& line, const QString& key)
{
    const auto name = keyName(line);
    return name && sameName(*name, key);
}

QString valueOf(const QString& line)
{
    QString v = line.mid(line.indexOf(u'=') + 1).trimmed();
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v;
}

struct Document
{
    QStringList lines;
    QString eol = QStringLiteral("\r\n");
    bool finalEol = true;

    // [header, end) of the first section with that name; header -1 when absent.
    std::pair<qsizetype, qsizetype> section(const QString& name) const
    {
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const auto h = headerName(lines[i]);
            if (!h || !sameName(*h, name))
                continue;
            qsizetype end = i + 1;
            while (end < lines.size() && !headerName(lines[end]))
                ++end;
            return {i, end};
        }
        return {-1, -1};
    }

    qsizetype keyLine(const QString& sectionName, const QString& key) const
    {
        const auto [begin, end] = section(sectionName);
        for (qsizetype i = begin + 1; begin >= 0 && i < end; ++i) {
            if (isKeyLine(lines[i], key))
                return i;
        }
        return -1;
    }
};

Document parse(const QByteArray& bytes)
{
    Document doc;
    if (bytes.isEmpty())
        return doc;
    const QString text = fromCp1252(bytes);
    const qsizetype lf = text.indexOf(u'\n');
    if (lf >= 0 && (lf == 0 || text[lf - 1] != u'\r'))
        doc.eol = QStringLiteral("\n");
    doc.lines = text.split(u'\n');
    doc.finalEol = text.endsWith(u'\n');
    if (doc.finalEol)
        doc.lines.removeLast();
    for (QString& line : doc.lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    return doc;
}

// A missing file reads as empty; one that exists but cannot be read must not
// be taken for empty, or the next write would wipe it.
bool load(const QString& path, Document& doc, QString& error)
{
    QFile file(path);
    if (!file.exists()) {
        doc = Document();
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return false;
    }
    doc = parse(file.readAll());
    return true;
}

Document loadForReading(const QString& path)
{
    Document doc;
    QString error;
    if (!load(path, doc, error))
        return Document();
    return doc;
}

// Writes the whole text to a temporary file beside the target, checks every
// write, the flush to disk and the close, and only then renames it over the
// target; any failure removes the temporary file and leaves the target alone.
// A full disk must never turn the settings into an empty file.
bool writeAtomically(const QString& path, const QByteArray& bytes, QString& error)
{
    const QFileInfo target(path);
    const QByteArray finalName = QFile::encodeName(target.absoluteFilePath());
    QByteArray tempName = finalName + ".XXXXXX";
    const int fd = ::mkstemp(tempName.data());
    if (fd < 0) {
        error = systemError();
        return false;
    }
    struct stat old;
    mode_t mode = 0644;
    if (::stat(finalName.constData(), &old) == 0)
        mode = old.st_mode & 07777;
    ::fchmod(fd, mode);

    auto fail = [&](bool closeIt) {
        error = systemError();
        if (closeIt)
            ::close(fd);
        ::unlink(tempName.constData());
        return false;
    };
    const char* data = bytes.constData();
    std::size_t left = static_cast<std::size_t>(bytes.size());
    while (left > 0) {
        const long n = callWrite(fd, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return fail(true);
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    if (callSync(fd) != 0)
        return fail(true);
    if (callClose(fd) != 0)
        return fail(false);
    if (::rename(tempName.constData(), finalName.constData()) != 0)
        return fail(false);
    return true;
}

void save(const QString& path, const Document& doc)
{
    QString text = doc.lines.join(doc.eol);
    if (doc.finalEol && !doc.lines.isEmpty())
        text += doc.eol;
    QString error;
    if (writeAtomically(path, toCp1252(text), error))
        return;
    const QString message = QStringLiteral("Cannot save the settings file \"%1\": %2").arg(path, error);
    qWarning("%s", qUtf8Printable(message));
    if (!g_userTold.exchange(true)) {
        dialogs().showMessage(
            QStringLiteral("Não foi possível gravar o arquivo de configuração \"%1\" (%2). "
                           "O arquivo anterior foi mantido e as alterações de configuração "
                           "desta sessão não serão salvas.")
                .arg(QDir::toNativeSeparators(path), error));
    }
    throw IniFile::SaveError(message.toStdString());
}

bool hasLineBreak(const QString& s)
{
    return s.contains(u'\n') || s.contains(u'\r');
}

} // namespace

IniFile::IniFile(QString path)
    : m_path(std::move(path))
{
}

void IniFile::setSystemCalls(SystemCalls calls)
{
    systemCalls() = std::move(calls);
}

void IniFile::resetFailureNotice()
{
    g_userTold = false;
}

QString IniFile::fileName() const
{
    return m_path;
}

bool IniFile::readable(QString* error) const
{
    Document doc;
    QString reason;
    const bool ok = load(m_path, doc, reason);
    if (!ok && error)
        *error = reason;
    return ok;
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const
{
    const Document doc = loadForReading(m_path);
    const qsizetype line = doc.keyLine(section, key);
    return line < 0 ? def : valueOf(doc.lines[line]);
}

bool IniFile::valueExists(const QString& section, const QString& key) const
{
    return loadForReading(m_path).keyLine(section, key) >= 0;
}

bool IniFile::sectionExists(const QString& section) const
{
    const Document doc = loadForReading(m_path);
    const auto [begin, end] = doc.section(section);
    for (qsizetype i = begin + 1; begin >= 0 && i < end; ++i) {
        if (keyName(doc.lines[i]))
            return true;
    }
    return false;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    if (key.trimmed().isEmpty() || key.contains(u'=') || section.contains(u']') || hasLineBreak(section)
        || hasLineBreak(key) || hasLineBreak(value)) {
        throw std::invalid_argument(
            QStringLiteral("Invalid settings entry [%1] %2").arg(section, key).toStdString());
    }

    Document doc;
    QString error;
    if (!load(m_path, doc, error)) {
        throw std::runtime_error(
            QStringLiteral("Cannot read the settings file \"%1\": %2").arg(m_path, error).toStdString());
    }

    const qsizetype existing = doc.keyLine(section, key);
    if (existing >= 0) {
        doc.lines[existing] = *keyName(doc.lines[existing]) + u'=' + value;
    } else {
        const QString entry = key.trimmed() + u'=' + value;
        const auto [begin, end] = doc.section(section);
        if (begin >= 0) {
            // After the section's last non-blank line, so the blank line
            // before the next section stays where it was.
            qsizetype at = end;
            while (at > begin + 1 && doc.lines[at - 1].trimmed().isEmpty())
                --at;
            doc.lines.insert(at, entry);
        } else {
            if (!doc.lines.isEmpty() && !doc.lines.last().trimmed().isEmpty())
                doc.lines.append(QString());
            doc.lines.append(u'[' + section.trimmed() + u']');
            doc.lines.append(entry);
        }
    }
    save(m_path, doc);
}
