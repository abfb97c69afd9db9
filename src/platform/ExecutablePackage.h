#pragma once

#include <QString>

#include <functional>

// A package holding a new executable: one zlib stream whose inflated
// content is an ELF file. A package is sound when the stream ends properly
// with nothing after it and the content is an executable of the same ELF
// class, byte order and machine as the reference file (normally the
// running program), so a truncated or foreign download never replaces a
// working program.

// The running program's file.
QString runningExecutable();

// Inflates the package without keeping the result. error receives why it
// is not sound.
bool verifyExecutablePackage(const QString &package, const QString &reference, QString *error = nullptr);

// What replaceExecutable does with the file system; tests inject failures.
struct SwapFileOps {
    std::function<bool(const QString &from, const QString &to)> rename;
};

// Replaces exe with the package's content:
// - inflates into exe + ".new" (checked as above, written with fsync, with
//   exe's permissions);
// - removes exe + ".old", renames exe to ".old" and ".new" to exe; when the
//   second rename fails the first one is undone;
// - syncs the folder and only then removes the package.
// Any failure leaves exe as it was, removes ".new", keeps the package and
// gives the reason in error.
bool replaceExecutable(const QString &exe, const QString &package, const QString &reference,
                       QString *error = nullptr, const SwapFileOps &ops = {});
