#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <utility>
#include <vector>

class DataSet;
class TDMRepres;
class TXRQuery;

// One customer as the maintenance page shows it.
struct TDadosCliente {
    QString codigo;
    QDate cadastro;
    QString tipo; // "1" personal (CPF), "2" company (CNPJ), "" none chosen
    QString nome;
    QString fantasia;
    QString cnpj; // the mask edit's text
    QString inscricao;
    QString telefone; // the mask edit's text
    QString email;
    QString cep;
    QString cidade;
    QString uf;
    QString endereco;
    QString numero;
    QString complemento;
    QString bairro;
    QString observacao;
    QVariant dias;     // whole number or null
    QVariant przMedio; // shown only
    QString enviado = QStringLiteral("N"); // "N", "S" or "T"
    QString codCliEmp;
    QString idStatus;
};

// Names of the maintenance fields a failed check focuses.
namespace campo_cliente {
inline const char *const Email = "DBEMail";
inline const char *const Nome = "DBNome";
inline const char *const Fantasia = "DBFantasia";
inline const char *const Cnpj = "DBCnpj";
inline const char *const Inscricao = "DBInscricao";
inline const char *const Telefone = "DBTelefone";
inline const char *const Cep = "DBCep";
inline const char *const Cidade = "DBCidade";
inline const char *const Uf = "CBUf";
inline const char *const Endereco = "DBEndereco";
inline const char *const Numero = "DBNumero";
inline const char *const Bairro = "DBBairro";
inline const char *const Contatos = "GridContato";
} // namespace campo_cliente

// The states of the UF list after its blank entry.
const QStringList &EstadosCliente();

// The contact table's fields and its row check (a row without a name is
// cancelled instead of posted).
void PreparaContatos(DataSet &contatos);
// Posts the row being edited; a nameless row is dropped. Never throws for that.
void PostaContato(DataSet &contatos);

// The tax number without '.', '-', '/' and blanks.
QString RemoveMascara(const QString &texto);
// Check digits of the typed number for the chosen type ("1" CPF, "2" CNPJ).
bool ValidaDocumento(const QString &tipo, const QString &documento);

// A refused check: its message and the field to focus (none for check 13).
struct TFalhaCliente {
    int verificacao = 0;
    QString mensagem;
    QString campo;
};

// The checks before saving, in order; the first failure is answered.
// Check 13 puts the status back to "N" in the data.
std::optional<TFalhaCliente> ValidaCliente(TDMRepres &dm, TDadosCliente &c, DataSet &contatos,
                                           const QString &emailObrigatorio);

// Code of another customer with the same tax number (punctuation ignored),
// or empty.
QString BuscaCnpjDuplicado(TDMRepres &dm, const QString &codigo, const QString &cnpj);

// Reads a customer and its contacts; false (nothing changed) when there is
// no such customer.
bool CarregaCliente(TDMRepres &dm, const QString &codigo, TDadosCliente &c, DataSet &contatos);

// Writes the customer and its contacts all-or-nothing and commits
// retaining. On refusal or failure mensagem holds the text to show and
// nothing is written.
bool GravaCliente(TDMRepres &dm, const TDadosCliente &c, DataSet &contatos, QString &mensagem);

enum class TExclusaoCliente { Excluido, ComPedidos, Falhou };
// Deletes a customer without orders together with its contacts.
TExclusaoCliente ExcluiCliente(TDMRepres &dm, const QString &codigo);

// Filters of the search page.
struct TFiltroCliente {
    QDate de{2000, 1, 1};
    QDate ate{2050, 12, 31};
    QString codigo;
    QString cnpj;
    QString fantasia;
    QString telefone;
    QString email;
    QString cidade;
    QString uf;
};

// The search statement and the values it binds.
void SqlConsultaClientes(const TFiltroCliente &f, QStringList &sql, std::vector<std::pair<QString, QVariant>> &valores);
// The same, put into a query.
void PreparaConsultaClientes(TXRQuery &q, const TFiltroCliente &f);

// The customer look-up's statement.
QStringList SqlPesquisaClientes();
