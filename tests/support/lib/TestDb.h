#pragma once

#include "data/XRDatabase.h"
#include "data/XRQuery.h"
#include "data/XRTransaction.h"
#include "platform/DialogService.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A scratch folder playing the executable's folder, holding a fresh copy
// of the shipped database.
class ScratchInstall {
public:
    explicit ScratchInstall(bool withDatabase = true);
    ~ScratchInstall();

    QString dir() const;              // with trailing '/'
    QString path(const QString &name) const;
    QString dbPath() const { return path(QStringLiteral("REPRESEN.FDB")); }
    void writeFile(const QString &name, const QByteArray &content) const;
    QByteArray readFile(const QString &name) const;

    // A connection with its own transaction to the scratch database.
    std::unique_ptr<TXRDatabase> connect() const;

private:
    QTemporaryDir m_tmp;
};

// Runs one statement and commits retaining.
void execSql(TXRDatabase &db, const QString &sql);
// First column of the first row of a query.
QVariant scalar(TXRDatabase &db, const QString &sql);

// A database brought up to date by the program's own upgrade, with one
// CONFIG row ('001', user 'Ana', password 'Segredo') and the seed
// statements run; made once per distinct seed in a test program. Returns
// the template's path.
QString upgradedTemplate(const QStringList &seed = {});

// A fresh copy of a template as the scratch install's REPRESEN.FDB, with an
// XR.ini pointing at it.
void installTemplate(const ScratchInstall &inst, const QString &templatePath);
