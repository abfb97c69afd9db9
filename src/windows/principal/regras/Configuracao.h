#pragma once

#include <QString>
#include <QVariant>

#include <optional>

class TDMRepres;
class TXRDatabase;

// The CONFIG row as the settings window shows and saves it. Texts are the
// fields as typed; the rest is shown only.
struct TDadosConfig {
    QString cnpjCpf;
    QString codRep;
    QString servidor; // DSHOSTSERV
    QString porta;
    QString endereco; // DSENDERECOSERV
    QString usuario;
    QString senha;
    QString email;
    QString fone;
    QString celular;
    QString pedido; // NUMERO, the next order number
    QVariant validade;
    QVariant vlMinimo;
    QVariant vlMinimoPed;
    QVariant qtdeMaxItem;
};

// The first CONFIG row; none when the table is empty.
std::optional<TDadosConfig> LeConfig(TXRDatabase &db);

// The editable columns of the row with d.codRep, in one bound UPDATE inside
// a savepoint, then a commit retaining on the module's transaction (also
// after a failure, whose changes the savepoint has undone). A blank port
// is stored as NULL; any other text goes to the engine as typed. Returns
// the rows updated (0 for an unknown or empty code); throws on failure.
int GravaConfig(TDMRepres &dm, const TDadosConfig &d);

// The server address the clients get from the stored columns: the address
// ("Endereço") unless it is blank, else the host ("Servidor").
QString EnderecoServidorConfig(const QString &endereco, const QString &host);
