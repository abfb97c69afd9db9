#pragma once

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

// Widget-free rules of the order send: the batch list, the server's
// rejected-orders text, renumbering and the texts of the remote checks.

// "'00012', '00015'": the IN list of the local statements and the batch
// handed to the back-end.
QString MontaListaLote(const QStringList &numeros);
// The numbers of such a list, unquoted.
QStringList NumerosDaLista(const QString &lista);

struct TRejeicao {
    // A line speaks of a rejection but names no order of the batch: which
    // order it meant is unknown, so the whole batch stays unmarked.
    bool bNumeroIlegivel = false;
};

// Splits the rejected-orders text into lines and removes the rejected
// orders from the batch list.
TRejeicao TrataPedidosRejeitados(const QString &psTexto, QString &psListaLote, QStringList &plRejeitados);

// Old and new numbers, in the order the server listed them.
struct TRenumeracao {
    QStringList antigos;
    QStringList novos;
    bool vazia() const { return antigos.isEmpty(); }
};

// rows: (ENVIADO, MAIOR) as the server answered them, cleaned; psProximoLocal:
// the next free local number; plMarcados: the ticked numbers.
TRenumeracao CalculaRenumeracao(const std::vector<std::pair<QString, QString>> &linhas,
                                const QString &psProximoLocal, const QStringList &plMarcados);

QString MensagemRenumerados(const TRenumeracao &r);

// Server version text as a whole number, 0 when it is not one.
int VersaoComoNumero(const QString &psVersao);

// Remote queries of the checks.
QString SqlPedidosJaEnviados(const QStringList &md5);
QString SqlClientesPermitidos(const QString &psCodRep);
QString SqlClienteERP(const QString &psCnpj);
QString SqlPedidosRenumerar(const QString &psCodRep, const QStringList &numeros);
// Local statements.
QString SqlDataEntregaItens(const QStringList &numeros);
QString SqlRenumeraPedido(const QString &psAntigo, const QString &psNovo);
QString SqlRenumeraItens(const QString &psAntigo, const QString &psNovo);
