#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>

class TDMRepres;

// Duplicating a saved order into new, open orders on the local database.
class CopiaPedido {
public:
    explicit CopiaPedido(TDMRepres &dm);

    // Caption of the window: the title of its messages.
    QString titulo = QStringLiteral("Cópia do Pedido");
    // Today's date; replaceable for tests.
    std::function<QDate()> hoje = [] { return QDate::currentDate(); };

    // The numbers created by the last Duplica.
    QStringList FLpedidos;

    // CLIENTE.CLI_NOME of the code; empty when unknown.
    QString NomeCliente(const QString &codigo) const;

    // n copies of the order for the customer, all or none. The copies field
    // as typed: not a number counts 0. Shows the refusal, the error or the
    // report; true when the report was shown and the window may close.
    bool Duplica(const QString &pedido, const QString &cliente, const QString &copias);

    // The closing report for the created numbers.
    static QString Relatorio(const QStringList &pedidos);

private:
    bool existeCliente(const QString &codigo) const;
    void copia(const QString &pedido, const QString &cliente, int n);

    TDMRepres &m_dm;
};
