#pragma once

#include <QString>

#include <optional>

class TEstadoFTP;

extern const QString kMsgPedidoEmEdicao;
extern const QString kMsgDownloadEmAndamento;
extern const QString kMsgConexaoFTP;

// The main window's close questions, in order; true lets the close go on.
// ftp: the update's FTP session while the update window exists, else none.
bool ConfereFechamento(bool pedidoEmEdicao, TEstadoFTP *ftp, const QString &titulo);

// The SQL console's access code: compared in upper case, untrimmed.
bool CodigoAcessoEditorSQL(const QString &resposta);

// What an installation moved from the former product leaves behind.
struct TRestosInstalacaoAntiga {
    QString executavel; // the former executable beside this one
    QString pasta;      // the former installation folder
};

// Only an executable named exactly "ORVAN ZID" looks for them.
// pastaPrograma without a trailing '/'; home is where installations are moved to.
std::optional<TRestosInstalacaoAntiga> RestosInstalacaoAntiga(const QString &pastaPrograma,
                                                              const QString &nomeExecutavel, const QString &home);

// Deletes them; failures are ignored. The folder is only removed when it
// lies inside home and does not hold the running program.
void ApagaRestosInstalacaoAntiga(const TRestosInstalacaoAntiga &restos, const QString &pastaPrograma,
                                 const QString &home);
