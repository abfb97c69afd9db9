#pragma once

#include "windows/nucleo/InterfacesJanelas.h"

#include <QString>

#include <exception>
#include <optional>

// Shared steps of the windows that query the server directly (reports
// menu, report generator, stock report).

// The shared wait window shows the text, is painted, then the pause runs
// (the window's events keep being painted; typing and clicks wait).
void MostraEspera(const QString &texto, int pausaMs);
void EscondeEspera();

// Hides the wait window when the step ends, however it ends.
class TEsperaVisivel {
public:
    TEsperaVisivel() = default;
    TEsperaVisivel(const TEsperaVisivel &) = delete;
    TEsperaVisivel &operator=(const TEsperaVisivel &) = delete;
    ~TEsperaVisivel() { EscondeEspera(); }
};

// The text of an exception as the user should read it.
QString TextoExcecao(const std::exception &e);

// A DataSnap select. A failure is shown once (the server's own error text
// when it gave one, else falha + the exception's message) and gives none:
// nothing is read from an answer that never came.
std::optional<NamedDataSets> ESelectComMensagem(IServidorConsultas &servidor, const QString &sql,
                                                const QString &falha, const QString &titulo,
                                                bool carregaImagens = false, const QString &tipo = QString(),
                                                const QString &chave = QString(),
                                                const std::optional<QByteArray> &parametros = std::nullopt);

// The dataset of that name in a list; none when missing.
DataSet *MembroLista(const NamedDataSets &lista, const QString &nome);
