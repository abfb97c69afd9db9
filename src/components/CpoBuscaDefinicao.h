#pragma once

// What the search form needs beside its own window: the columns of a
// SELECT without fetching its rows, the stored-search statements, the
// registry user, and the way a registration window is made by class name.

#include "platform/DataSet.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QWidget;
class TXRDatabase;

// The fields a SELECT gives, learnt by preparing it: no row is fetched.
std::vector<FieldDef> CamposDaConsulta(TXRDatabase &db, const QString &sql);

// The user whose rights the stored searches check: "Usuario" of
// "Parametros" in the "Venda" settings; empty when unset.
QString UsuarioRegistro();

// Statement texts; every value is quoted with its quotes doubled.
QStringList SqlSufixoEmpresa(const QString &tabela);
QStringList SqlArquivoLocal(const QString &nome);
QStringList SqlVerificaAcesso(const QString &classe, const QString &usuario);

// The lines of a stored multi-line text (CR LF, LF or CR); a last line
// break adds no empty line.
QStringList LinhasDoTexto(const QString &texto);

// Registration windows live above this layer: the windows layer installs
// how one is made from its class name. Without it, or for an unknown
// class, nothing is made.
using TCriaTelaCadastro = std::function<QWidget *(const QString &classe)>;
void InstalaCriaTelaCadastro(TCriaTelaCadastro cria);
QWidget *CriaTelaCadastro(const QString &classe);

// The look a registration window takes when opened from a search. A
// widget is treated by its exact class name; other widgets are left alone.
void AplicaVisualCadastro(QWidget *form);
