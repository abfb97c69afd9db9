#pragma once

#include <QString>

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
    explicit IniFile(QString path);

    QString fileName() const;

    QString readString(const QString& section, const QString& key, const QString& def = {}) const;
    // Throws std::runtime_error when the file cannot be read or saved, and
    // std::invalid_argument for an empty key or names/values with line breaks.
    void writeString(const QString& section, const QString& key, const QString& value);

    bool valueExists(const QString& section, const QString& key) const;
    // A section counts only when it holds at least one key, as the Windows
    // API reports it.
    bool sectionExists(const QString& section) const;

private:
    QString m_path;
};
