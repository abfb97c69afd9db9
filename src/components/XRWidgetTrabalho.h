#pragma once

#include "platform/DataSet.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

class QThreadPool;
class TXRCustomDatabase;
namespace fb {
class Attachment;
}

// How a tile shows its rows.
enum class TXRKind { wdWebGauge, wdField, wdGrid, wdGauge, wdChart, wdWebChart, wdWebCard };

// What a tile refresh needs of its connection, copied in the main thread so
// the worker never reads the tile's connection object.
struct TConexaoWidget {
    QString DriverName;
    QString DatabaseName;
    QString Database;
    QString HostName;
    QString User;
    QString Password;
    int Port = 0;

    static TConexaoWidget De(const TXRCustomDatabase &db);
};

// One grid column of the grouping: its field and aggregation code.
struct TColunaAgrupamento {
    QString Campo;
    QString Codigo; // "S", "M", "C", "I", "A"; anything else gives null
};

// A refresh, all by value.
struct TTrabalhoWidget {
    TConexaoWidget Conexao;
    QString SQL;
    std::vector<std::pair<QString, QVariant>> Parametros;
    TXRKind Kind = TXRKind::wdWebGauge;
    QString Field;
    std::vector<TColunaAgrupamento> Colunas;
    int TempoLimiteMs = 5000;
    // Runs first in the worker; tests hold a job with it.
    std::function<void()> AoIniciar;
};

struct TResultadoWidget {
    bool Ok = false;
    QString Erro;          // the failure's message
    QString PrimeiroErro;  // the first failed attach, when a second try was made
    std::vector<FieldDef> Campos;
    std::vector<Row> Linhas;
};

// Lets the program's exit cancel a job's running statement.
class TControleTrabalho {
public:
    void Liga(fb::Attachment *att);
    void Desliga();
    void Cancela();
    bool Cancelado() const;

private:
    mutable std::mutex m_mutex;
    fb::Attachment *m_att = nullptr;
    bool m_cancelado = false;
};

// Copies a dataset's structure and rows into another; rows keep their types.
class TTransDataSet {
public:
    DataSet *TabelaOrigem = nullptr;
    DataSet *TabelaDestino = nullptr;
    // The destination's fields from the source's: a text field of size 0
    // gets size 1.
    void CriaCampos();
    void TransfereDados();
};

// Groups the rows by the field with each column's aggregation code; the
// result is in ascending order of the field.
void AgrupaDados(DataSet &cds, const QString &campo, const std::vector<TColunaAgrupamento> &colunas);

// The worker: attach (twice at most), run the statement under the time-out,
// copy and group. Never throws.
TResultadoWidget ExecutaTrabalhoWidget(const TTrabalhoWidget &trabalho, const std::shared_ptr<TControleTrabalho> &ctl);

// Rewrites and prepares a statement on the connection without running it;
// throws on a broken text.
void PreparaConsultaWidget(TXRCustomDatabase &db, const QString &sql);

// The tiles' own threads, so they never queue behind the machine's cores.
QThreadPool *PoolWidgets();

// Registered while a job runs; the exit cancels them.
void RegistraTrabalho(const std::shared_ptr<TControleTrabalho> &ctl);
void RemoveTrabalho(const std::shared_ptr<TControleTrabalho> &ctl);
// Cancels every running tile statement and waits for the jobs, at most
// esperaMs; true when all ended.
bool EncerraTrabalhosWidgets(int esperaMs);
