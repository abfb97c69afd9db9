#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class TDMRepres;

// What the upgrade steps look up in the catalogue. The table list is read
// once, when the object is made; tables created later in the run are not
// added to it.
class TCatalogoBase {
public:
    explicit TCatalogoBase(TDMRepres &dm);

    bool TabelaAusente(const QString &tabela) const;
    // True when the column is missing (also when its table is).
    bool CampoFalta(const QString &tabela, const QString &campo);
    // A column shorter than n characters.
    bool CampoMenor(const QString &tabela, const QString &campo, int n);
    bool GatilhoAusente(const QString &gatilho);
    bool IndiceAusente(const QString &indice);
    bool FuncaoDeclarada(const QString &funcao);
    // Read from the catalogue as it is now, tables made in this run included.
    bool TabelaExiste(const QString &tabela);
    bool TemChavePrimaria(const QString &tabela);
    bool CampoAceitaNulo(const QString &tabela, const QString &campo);

private:
    TDMRepres &m_dm;
    QStringList m_tabelas;
    QString m_erroTabelas; // the list could not be read: every table test fails
};

using TTesteCatalogo = std::function<bool(TCatalogoBase &)>;

struct TComandoAtualizacao {
    QStringList linhas;
    // Handed to the query as its lines plus one empty line, instead of
    // joined into one line.
    bool emLinhas = false;
    // Runs only when this answers true (empty: always).
    TTesteCatalogo quando;
    // The change this statement makes is not in the database yet: it runs
    // only then, and makes its step run again when an earlier start was cut
    // short after the step's test had stopped asking for it. Statements
    // without either guard (data fixes) run when the step's test asked for
    // the step, or right after the statement before them ran.
    TTesteCatalogo falta;
    // The statement time limit is switched off from this statement on.
    bool desligaTempoLimite = false;
};

struct TPassoAtualizacao {
    int numero = 0;
    TTesteCatalogo teste; // true: the change is missing
    std::vector<TComandoAtualizacao> comandos;
    // Failures shown in a box titled "Erro" instead of a plain message.
    bool erroEmCaixa = false;
};

// The fixed sequence of guarded steps, in running order.
const std::vector<TPassoAtualizacao> &PassosAtualizaBase();

// Called after each statement is committed, with the step number and the
// statement's position in it (tests cut the sequence short there).
using TAposComando = std::function<void(int passo, int comando)>;

// Runs the given steps on one query of its own on the module's connection,
// committing after each statement; a failing step (or its test) is reported
// and passed over.
void ExecutaPassos(TDMRepres &dm, const std::vector<TPassoAtualizacao> &passos, const TAposComando &aposComando = {});

// Brings the local database up to date at start-up.
void AtualizaBase(TDMRepres &dm);

// Makes AtualizaBase the upgrade hook of modules created with the default
// hooks.
void InstalaAtualizaBase();
