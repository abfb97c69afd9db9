#pragma once

#include "platform/ExecutablePackage.h"

#include <QString>

#include <functional>
#include <optional>

// Where the running copy of the program lives, as the exit steps see it.
struct TLocalPrograma {
    QString pasta;      // program folder, without a trailing '/'
    QString executavel; // file name of the running executable
    QString home;       // the user's home: nothing is written outside it
    QString desktop;    // the desktop folder
    QString referencia; // the running executable, for the package check
};

// The running copy, from the process and the environment.
TLocalPrograma LocalProgramaAtual();

extern const QString kPacoteAtualizacao; // "ORVAN ZID.zipVO"

// An installation of the former product (its folder holds "ZIDirada", in
// any letter case) moves to "ORVAN ZID" + the rest of the folder name in
// the home folder.
struct TMudancaInstalacao {
    QString sufixo;
    QString pastaNova;
};
// None when the folder is no former installation, or when the move would
// leave home or put a folder inside itself.
std::optional<TMudancaInstalacao> MudancaInstalacao(const TLocalPrograma &local);

// Moves every entry of origem into destino, recursively; a file that
// cannot be moved is copied (replacing) and stays in origem as well.
void MovePasta(const QString &origem, const QString &destino, const SwapFileOps &ops = {});

// The desktop entry that starts the program in pasta.
QByteArray AtalhoDesktop(const QString &nome, const QString &pasta, const QString &executavel);

// Run when the main window goes. With either flag set: a package in the
// program folder replaces the executable (checked again, see
// replaceExecutable), and a former installation is moved after fechaBanco
// closed the database. Failures leave a line in the log and nothing else.
void AplicaAtualizacaoSaida(bool atualizar, bool baixou, const TLocalPrograma &local,
                            const std::function<void()> &fechaBanco, const SwapFileOps &ops = {});
