#pragma once

#include <QString>

#include <cstddef>
#include <functional>
#include <stdexcept>

// An INI file read and written the way the Windows profile API treats it:
// section and key names ignore letter case, values are raw text (a matching
// pair of surrounding quotes is dropped on reading), lines it does not
// understand are kept, the file's CR LF or LF style is kept and the text is
// Windows-1252. The file is read again on every call, so changes made through
// another object or program are seen, and every write saves at once through a
// temporary file, so a failed write leaves the old file whole.
class IniFile
{
public:
    // Thrown when a save fails; the user has already been told and the old
    // file is still there, byte for byte.
    class SaveError : public std::runtime_error
    {
    public:
        using std::runtime_error::runtime_error;
    };

    // The system calls of a save, replaceable so tests can fail them as a
    // full disk would. Each follows its POSIX namesake.
    struct SystemCalls
    {
        std::function<long(int fd, const char* data, std::size_t size)> write;
        std::function<int(int fd)> sync;
        std::function<int(int fd)> close;
    };
    // Installs calls for the saves that follow; empty members use the real ones.
    static void setSystemCalls(SystemCalls calls);
    // The user is told of the first failed save of a run only; this starts a
    // new run (tests).
    static void resetFailureNotice();

    explicit IniFile(QString path);

    QString fileName() const;

    // False, with the reason, when the file exists but cannot be read; a
    // missing file counts as readable (and empty).
    bool readable(QString* error = nullptr) const;

    QString readString(const QString& section, const QString& key, const QString& def = {}) const;
    // Throws std::runtime_error when the file cannot be read, SaveError when
    // it cannot be saved (logged, and shown to the user once a run), and
    // std::invalid_argument for an empty key or names/values with line breaks.
    void writeString(const QString& section, const QString& key, const QString& value);

    bool valueExists(const QString& section, const QString& key) const;
    // A section counts only when it holds at least one key, as the Windows
    // API reports it.
    bool sectionExists(const QString& section) const;

private:
    QString m_path;
};
