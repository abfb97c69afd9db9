#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

class DataSet;
class PedidoControlador;
class TDMRepres;

// Checks, saving, closing and deleting of the order held by a controller.
// No widgets: refusals are shown through dialogs() and the control to focus
// is left in the controller's foco.
class GravacaoPedido {
public:
    GravacaoPedido(PedidoControlador &c, TDMRepres &dm);

    // "Pedido Fechado" ticked: the save stores "S" and the fingerprint.
    bool fechado = false;
    // Now, for PED_DTCA and the fingerprint; replaceable for tests.
    std::function<QDateTime()> agora = [] { return QDateTime::currentDateTime(); };

    bool ValidaItens();
    bool ValidaPedido(bool pbFoco, bool pbValores);
    bool ValidaValorParcela();
    bool ValidaValorMinimoPedido();
    bool ValidaCnpjCliente(const QString &cliente);
    bool ValidaValorMinimoTabela();

    // Writes the order all-or-nothing. False when the order was already sent;
    // database errors are thrown after the partial work is undone.
    bool GravaPedido();

    // PED_MD5 of the order for the given date-time text.
    QString Impressao(const QString &momento) const;

    // "Confirmar": the checks of a plain save, then the save.
    bool Confirmar();
    // Ticking "Pedido Fechado" on the order being edited.
    bool FechaPedido();
    // "Fechar o Pedido" on a list row: loads the order and closes it.
    bool FechaPedidoLista(const QString &numero, const QString &codCliente);
    // "Fechar Todos os Pedidos" over the list (NUMERO, STATUS, SEL); true
    // when the list is to be refilled (the last attempt closed its order).
    bool FechaTodos(DataSet &lista);
    // "&Excluir" on the loaded order; true when it was deleted.
    bool ExcluiPedido();

    // Sent: a batch number other than 0, or a synchronisation date.
    static bool PedidoEnviado(TDMRepres &dm, const QString &numero);

private:
    // Refuses, before any SQL, text the order's columns cannot hold.
    bool textosGravaveis();
    bool periodoOk();
    bool fechaCarregado(bool pbFoco);
    // Runs a step that writes; shows a database error and answers false.
    bool protegido(const std::function<bool()> &passo);

    PedidoControlador &c;
    TDMRepres &m_dm;
};
