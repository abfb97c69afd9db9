#pragma once

#include <QObject>
#include <QString>

// Extracts a zip archive into a folder, flat: every file lands in the
// folder under its base name, replacing a file of that name. Folder and
// link entries are skipped. Each file is written under a temporary name and
// takes its own only when the entry was read whole and its checksum
// matched, so a damaged archive never replaces a good file. Reports
// nothing: a missing or unreadable archive simply extracts nothing.
class TXRUnZip : public QObject {
    Q_OBJECT
public:
    explicit TXRUnZip(QObject *parent = nullptr);

    void UnZipToDir(const QString &AFileName, const QString &ADir);
};
