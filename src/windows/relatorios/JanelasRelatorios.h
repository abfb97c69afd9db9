#pragma once

#include "windows/nucleo/InterfacesJanelas.h"

#include <QString>

#include <functional>

// How the report windows are made.
struct TOpcoesRelatorios {
    // Pause after each wait-window text, in milliseconds.
    int pausaEsperaMs = 1000;
    // The operating system's connection state; empty: VerificaInternet.
    std::function<bool(QString &mensagem)> verificaInternet;
};

// Registers the report generator (prepared from the main window's report
// tables whenever AbreForm opens it) and the stock report, both on the
// given server.
void RegistraJanelasRelatorios(IServidorConsultas *servidor, TOpcoesRelatorios opcoes = {});
