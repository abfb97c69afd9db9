#pragma once

#include <QApplication>
#include <QString>

#include <exception>

// Ends the run: leaves every running event loop and keeps the message loop
// from starting when it has not started yet.
void TerminaAplicacao();
bool AplicacaoTerminada();
// Forgets an earlier TerminaAplicacao (a fresh start within one process).
void ReiniciaAplicacao();

// Makes SIGTERM, SIGINT and SIGHUP end the run from the event loop the way
// closing the main window does, but without its questions: open boxes are
// answered as Esc would, later ones are not shown and get the cancelling
// answer, and nothing half-typed is saved; the program then tears down as
// usual (settings written, transaction rolled back, database detached) and
// exits with 0. Call right after the application object exists, and again
// once the database is attached (its client library puts in handlers of its
// own then).
void InstalaSinaisTermino();
// Whether a termination signal has been taken.
bool TerminadaPorSinal();

// The text an uncaught error is shown with; empty for a silent abort.
QString TextoExcecao(std::exception_ptr erro);
// Shows an uncaught error in a box titled with the program's name.
void MostraExcecao(std::exception_ptr erro);

// Name of the window holding the focus (the active MDI child inside the
// main window), for the statement log.
QString NomeFormAtivo();

// No exception crosses the event loop: each is shown where it is caught.
class TAplicacao : public QApplication {
    Q_OBJECT
public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override;
};
