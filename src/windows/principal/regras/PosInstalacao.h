#pragma once

#include <QString>
#include <QStringList>

class TDMRepres;

// What the first-run window collects.
struct TDadosPosInstal {
    QString servidor;
    QString porta;
    QString codRep;
    QString usuario;
    QString senha;
};

// The box text naming the blank fields (names in the order given); empty
// when none is blank.
QString MensagemCamposFaltando(const QStringList &nomes);

// The typed port as the server clients take it: 0 when it is not a number.
int PortaComoInteiro(const QString &porta);

// Inserts the one CONFIG row and commits retaining. Values are bound, so
// the password never lands in a statement text. The delivery-window dates
// go in only where CONFIG has those columns. On failure erro holds the
// engine's text and nothing is kept.
bool GravaConfigPosInstal(TDMRepres &dm, const TDadosPosInstal &d, QString &erro);
