#pragma once

#include "platform/DataSet.h"
#include "sync/RegrasEnvio.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The order send behind the window "Envio de Pedido": the list of closed,
// unsent orders, the checks against the server, renumbering, the upload
// through the run's back-end and the local marking. Talks to the user only
// through the dialog service, so it runs without a screen.
class TEnvioPedidosControle {
public:
    explicit TEnvioPedidosControle(const QString &sTitulo);

    // What the window shows while a send runs.
    std::function<void(int posicao, int maximo)> Progresso;
    std::function<void(bool congelar)> CongelaGrade;
    // Shown after the send when the server rejected orders.
    std::function<void(const QStringList &linhas)> MostraRejeitados;

    DataSet CDSPedidos;
    DataSet CDSRetClientes;
    QString CodRep;
    int NrLote = 0;
    bool bCarregando = false;

    // The list filter, kept for the refresh after a send.
    QDate DtIni{2000, 1, 1};
    QDate DtFim{2050, 12, 31};
    QString Cliente;

    void AtualizaListaPedidos();
    // "&Enviar"; does nothing while a send runs.
    void Envia();
    bool Enviando() const { return m_enviando; }
    // "Considerar Enviado" on the current row.
    void ConsiderarEnviado();
    // Ticks or unticks the current row.
    void Marca(bool marcado);

    // The routines of a send, open to tests. Each check answers true to cancel.
    bool ValidaPedidosEnviados();
    bool ValidaClientesERP();
    bool ValidaDataEntregaItens();
    std::vector<std::pair<QString, QString>> BuscaPedidosRenumerar(bool &bFalhou);
    // Renumbers locally (one savepoint); false when the send must stop.
    bool RenumeraPedidos(DataSet &marcados, TRenumeracao &r);

    const QStringList &Rejeitados() const { return m_rejeitados; }
    const QString &ListaLote() const { return m_listaLote; }

    // Server version for the checks; read once per send.
    std::optional<int> VersaoChecagens() const { return m_versao; }
    void DefineVersaoChecagens(std::optional<int> v) { m_versao = v; }

private:
    void EnviaLote();
    bool LeVersaoChecagens();
    // Rows of a remote select; bFalhou when a JSON run could not ask.
    std::vector<std::vector<QString>> ConsultaRemota(const QString &sBase, const QString &sSql,
                                                     const std::vector<const char *> &chaves, bool &bFalhou);
    bool ChecagemFalhaCancela() const;
    void Mensagem(const QString &texto) const;
    QStringList Marcados(const char *campo) const;
    bool Conectado();
    // Marks the batch after the server accepted it; false when the marking failed.
    bool MarcaLote(const QString &lista);

    QString m_titulo;
    bool m_enviando = false;
    QString m_listaLote;
    QStringList m_rejeitados;
    std::optional<int> m_versao;
};
