#pragma once

#include <QStringList>

class TXRCustomDatabase;

// Recomputes the selectivity of every index of the tables, so the
// optimizer plans on the rows a bulk write left and not on the old ones.
// Runs on the connection's transaction; the caller commits. Unknown
// tables are skipped; engine failures raise EDatabaseError.
void AtualizaEstatisticas(TXRCustomDatabase &db, const QStringList &tabelas);
