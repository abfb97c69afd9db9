#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// Makes a window of a registered class; dono is the main window (or none).
using TFabricaJanela = std::function<QWidget *(QWidget *dono)>;
// Run by AbreForm right before the window is shown, new or already open.
using TPreparaJanela = std::function<void(QWidget *janela)>;

// Windows opened by class name. A window's objectName is its class name
// without the leading "T".
void RegisterClass(const QString &classe, TFabricaJanela fabrica, TPreparaJanela prepara = {});
void UnRegisterClass(const QString &classe);
bool ClasseRegistrada(const QString &classe);

// The component name a window of that class carries ("TfmCliente" -> "fmCliente").
QString NomeDaClasse(const QString &classe);

// The first open form whose objectName is the class name without its
// first "T", or none.
QWidget *BuscaForm(const QString &classe);

// Brings the open window of that class forward, or makes one owned by the
// main window and shows it. A class not registered only logs a warning.
// Returns the window, or none.
QWidget *AbreForm(const QString &classe);

// The main window that owns the windows opened by AbreForm, and how it
// takes an MDI child into its area. The main window installs itself;
// DefineJanelaPrincipal(nullptr, {}) when it goes.
using TAdicionaFilhoMdi = std::function<void(QWidget *janela)>;
void DefineJanelaPrincipal(QWidget *dono, TAdicionaFilhoMdi adicionaFilho);
QWidget *JanelaPrincipal();

// Lets code below the windows ask whether a form is open and show the
// wait cursor (FormAberto and CursorEspera of the helper functions).
void InstalaConsultasJanelas();
