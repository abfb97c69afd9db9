#pragma once

#include <QString>
#include <QVariant>

class DataSet;

// What the order units share to read and write line fields and to speak to
// the user, titled like the order window.
namespace pedido {

void aviso(const QString &texto);
// Yes/No with No as the default; true for Yes.
bool pergunta(const QString &texto);

QString txt(const DataSet &ds, const char *campo);
double num(const DataSet &ds, const char *campo); // null reads 0
void poe(DataSet &ds, const char *campo, const QVariant &v);
void poe(DataSet &ds, const char *campo, double v);

// Why a column of maximo characters of the local database (Windows-1252
// text) cannot hold texto, named after the field the user knows; empty when
// it can.
QString TextoRecusado(const QString &campo, const QString &texto, int maximo);

// The same, shown to the user; false when refused.
bool TextoAceito(const QString &campo, const QString &texto, int maximo);

// What the observation column holds.
constexpr int kMaxObservacao = 4000;

} // namespace pedido
