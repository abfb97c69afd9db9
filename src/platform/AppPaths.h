#pragma once

#include <QString>

// Where the program lives. Everything the program keeps beside its
// executable (the INI file, the database, the logs) is resolved here, so
// tests can point it at a scratch folder.
namespace apppaths {

// Folder of the running executable, with a trailing '/'.
QString executableDir();

// Full path of the running executable.
QString executablePath();

// Overrides the executable folder (tests); an empty text restores it.
void setExecutableDirOverride(const QString &dir);

// A path relative to the executable's folder, or the path itself when absolute.
QString resolveBesideExecutable(const QString &path);

} // namespace apppaths
