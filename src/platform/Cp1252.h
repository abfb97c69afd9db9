#pragma once

#include <QByteArray>
#include <QString>

// Windows-1252, the 8-bit code page of the program's files and binary text
// blobs. The five unassigned bytes keep their Latin-1 code points so any
// byte string survives a round trip; characters outside the page become '?'.
QString fromCp1252(const QByteArray &bytes);
QByteArray toCp1252(const QString &text);
// One code point's byte; '?' when the page has no place for it.
char toCp1252Char(char32_t cp);
