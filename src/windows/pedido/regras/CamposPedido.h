#pragma once

#include <QString>
#include <QVariant>

#include <functional>

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

// Holds the per-line hooks of a data set off while a loop goes over its
// lines, and runs its post hook once at the end: what the hooks rebuild
// (the order's summaries) is rebuilt once, not once per line. Nests.
class LinhasEmLote {
public:
    explicit LinhasEmLote(DataSet &ds);
    ~LinhasEmLote();
    LinhasEmLote(const LinhasEmLote &) = delete;
    LinhasEmLote &operator=(const LinhasEmLote &) = delete;

private:
    DataSet &m_ds;
    std::function<void(DataSet &)> m_post, m_delete, m_scroll;
};

// What the observation column holds.
constexpr int kMaxObservacao = 4000;

} // namespace pedido
