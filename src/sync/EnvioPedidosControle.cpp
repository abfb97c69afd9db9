#include "sync/EnvioPedidosControle.h"

#include "data/UntFuncoes.h"
#include "data/XRFuncoesDB.h"
#include "data/XRQuery.h"
#include "data/XRTransaction.h"
#include "data/untDMRepres.h"
#include "data/untSelectsRep.h"
#include "platform/DialogService.h"
#include "platform/net/HttpClient.h"
#include "sync/EscolhaRetaguarda.h"
#include "sync/untDMCRemoto.h"
#include "sync/untDMComunicacao.h"

#include <QScopeGuard>

namespace {

const QString kMarcado = QStringLiteral("S");

QString TextoDe(const std::exception &e)
{
    if (const auto *p = dynamic_cast<const EDSRestProtocolError *>(&e))
        return p->message();
    if (const auto *n = dynamic_cast<const NetError *>(&e))
        return n->message();
    if (const auto *d = dynamic_cast<const EDatabaseError *>(&e))
        return d->message();
    return QString::fromUtf8(e.what());
}

void RegistraLog(const QString &texto)
{
    try {
        GravaLogArquivo(NomeMaquina(), QString(), QString(), texto);
    } catch (...) {
        qWarning("%s", qUtf8Printable(texto));
    }
}

// The last JSON request of a JSON run failed; the client has already said why.
bool SemRespostaRest()
{
    return Retaguarda().EhRest() && DMComunicacao && DMComunicacao->UltimaFalha() != TDMComunicacao::TFalha::Nenhuma;
}

QString MensagemIncerta(int nrLote)
{
    return QStringLiteral("Não foi possível confirmar o envio do lote %1. Verifique os pedidos com \"Considerar "
                          "Enviado\" antes de enviar novamente.")
        .arg(nrLote);
}

} // namespace

TEnvioPedidosControle::TEnvioPedidosControle(const QString &sTitulo)
    : m_titulo(sTitulo)
{
    CDSPedidos.setObjectName(QStringLiteral("CDSPedidos"));
    CDSPedidos.setFieldDefs({
        {QStringLiteral("IdSelecionado"), FieldType::String, 1},
        {QStringLiteral("PED_NUME"), FieldType::String, 5},
        {QStringLiteral("PED_DTCA"), FieldType::Date},
        {QStringLiteral("PED_CCLI"), FieldType::String, 20},
        {QStringLiteral("CLI_CNPJ"), FieldType::String, 20},
        {QStringLiteral("CLI_NOME"), FieldType::String, 100},
        {QStringLiteral("QTDTOTAL"), FieldType::Float},
        {QStringLiteral("VLRTOTAL"), FieldType::Bcd, 0, 4},
        {QStringLiteral("iSel"), FieldType::Boolean},
        {QStringLiteral("VLRLIQ"), FieldType::Float},
        {QStringLiteral("PED_MD5"), FieldType::String, 32},
    });
    const struct {
        const char *campo, *titulo;
    } titulos[] = {{"IdSelecionado", "Sel."},       {"PED_NUME", "Pedido"},      {"PED_DTCA", "Data"},
                   {"CLI_NOME", "Cliente"},         {"QTDTOTAL", "Qtd. Peças"}, {"VLRTOTAL", "Valor Pedido"},
                   {"VLRLIQ", "Valor Líquido"}};
    for (const auto &t : titulos)
        CDSPedidos.fieldByName(QString::fromLatin1(t.campo))->displayLabel = QString::fromUtf8(t.titulo);
    CDSPedidos.fieldByName(QStringLiteral("VLRTOTAL"))->displayFormat = QStringLiteral("#,##0.00");
    CDSPedidos.fieldByName(QStringLiteral("VLRLIQ"))->displayFormat = QStringLiteral("#,##0.00");
    // rows come only from the database
    CDSPedidos.beforeInsert = [this](DataSet &) {
        if (!bCarregando)
            throw EAbort();
    };
    CDSPedidos.open();
    CDSRetClientes.setObjectName(QStringLiteral("CDSRetClientes"));
}

void TEnvioPedidosControle::Mensagem(const QString &texto) const
{
    dialogs().messageBox(texto, m_titulo, MsgButtons::Ok, MsgIcon::Information);
}

// ---------------------------------------------------------------- the list

void TEnvioPedidosControle::AtualizaListaPedidos()
{
    bCarregando = true;
    const auto fim = qScopeGuard([this] { bCarregando = false; });
    TXRQuery *cfg = DMRepres->XRQConfigPed;
    cfg->Close();
    cfg->Open();
    NrLote = cfg->fieldByName(QStringLiteral("NRLOTE"))->asInteger() + 1;
    CodRep = cfg->fieldByName(QStringLiteral("CODREP"))->asString();

    CDSPedidos.disableControls();
    const auto libera = qScopeGuard([this] { CDSPedidos.enableControls(); });
    CDSPedidos.emptyTable();
    TXRQuery *q = DMRepres->XRQPedEnviar;
    q->Close();
    const QString cliente = Cliente.trimmed();
    q->SQL().SetText(SqlPedidosEnviar(!cliente.isEmpty()));
    q->ParamByName(QStringLiteral("DTINI"))->SetAsDate(DtIni);
    q->ParamByName(QStringLiteral("DTFIM"))->SetAsDate(DtFim);
    if (!cliente.isEmpty())
        q->ParamByName(QStringLiteral("CLIENTE"))->SetAsString(cliente);
    q->Open();
    static const char *const kCopiados[] = {"PED_NUME", "PED_DTCA", "PED_CCLI", "CLI_CNPJ", "CLI_NOME",
                                            "QTDTOTAL", "VLRTOTAL", "VLRLIQ",   "PED_MD5"};
    for (q->first(); !q->eof(); q->next()) {
        CDSPedidos.append();
        CDSPedidos.fieldByName(QStringLiteral("IdSelecionado"))->setValue(QStringLiteral("N"));
        for (const char *c : kCopiados) {
            const QString campo = QString::fromLatin1(c);
            CDSPedidos.fieldByName(campo)->setValue(q->fieldByName(campo)->value());
        }
        CDSPedidos.post();
    }
    q->Close();
    CDSPedidos.first();
}

void TEnvioPedidosControle::Marca(bool marcado)
{
    if (CDSPedidos.isEmpty())
        return;
    CDSPedidos.edit();
    CDSPedidos.fieldByName(QStringLiteral("IdSelecionado"))->setValue(marcado ? kMarcado : QStringLiteral("N"));
    CDSPedidos.post();
}

QStringList TEnvioPedidosControle::Marcados(const char *campo) const
{
    QStringList r;
    const int sel = CDSPedidos.fieldIndex(QStringLiteral("IdSelecionado"));
    const int col = CDSPedidos.fieldIndex(QString::fromLatin1(campo));
    for (int i = 0; i < CDSPedidos.recordCount(); ++i)
        if (CDSPedidos.valueAt(i, sel).toString() == kMarcado)
            r << CDSPedidos.valueAt(i, col).toString();
    return r;
}

// ---------------------------------------------------------------- server checks

bool TEnvioPedidosControle::LeVersaoChecagens()
{
    if (!DMComunicacao) {
        m_versao = 0;
        return true;
    }
    const QString v = DMComunicacao->GetVersaoServ();
    // without the version the checks that keep an order from being stored
    // twice would be skipped; the client has shown why
    if (SemRespostaRest())
        return false;
    m_versao = VersaoComoNumero(v);
    return true;
}

std::vector<std::vector<QString>> TEnvioPedidosControle::ConsultaRemota(const QString &sBase, const QString &sSql,
                                                                        const std::vector<const char *> &chaves,
                                                                        bool &bFalhou)
{
    bFalhou = false;
    std::vector<std::vector<QString>> linhas;
    if (!DMComunicacao)
        return linhas;
    const auto r = DMComunicacao->ExecutaSqlSelect(sBase, sSql);
    if (DMComunicacao->UltimaFalha() != TDMComunicacao::TFalha::Nenhuma) {
        bFalhou = true;
        return linhas;
    }
    if (!r || !r->contains("dados") || !(*r)["dados"].is_array())
        return linhas;
    for (const auto &o : (*r)["dados"]) {
        std::vector<QString> linha;
        for (const char *c : chaves)
            linha.push_back(TDMComunicacao::LeChave(o, c));
        linhas.push_back(std::move(linha));
    }
    return linhas;
}

bool TEnvioPedidosControle::ChecagemFalhaCancela() const { return Retaguarda().EhRest(); }

bool TEnvioPedidosControle::ValidaPedidosEnviados()
{
    if (m_versao.value_or(0) < 7)
        return false;
    QStringList md5;
    for (const QString &m : Marcados("PED_MD5"))
        if (!m.trimmed().isEmpty())
            md5 << m;
    if (md5.isEmpty())
        return false;
    bool falhou = false;
    const auto linhas = ConsultaRemota(QStringLiteral("CONFIGURADOR"), SqlPedidosJaEnviados(md5), {"PED_MD5", "PED_NUME"},
                                       falhou);
    if (falhou)
        return ChecagemFalhaCancela();
    QString texto;
    for (const auto &l : linhas)
        if (CDSPedidos.locate({QStringLiteral("PED_MD5")}, {l[0]}))
            texto += QStringLiteral("Pedido ") + CDSPedidos.fieldByName(QStringLiteral("PED_NUME"))->asString()
                + QStringLiteral(", no configurador ") + l[1] + QStringLiteral(".\r");
    if (texto.isEmpty())
        return false;
    Mensagem(QStringLiteral("Envio cancelado. Pedido(s) já enviado(s) anteriormente: \r\r") + texto);
    return true;
}

bool TEnvioPedidosControle::ValidaClientesERP()
{
    if (m_versao.value_or(0) < 7)
        return false;
    bool falhou = false;
    const auto permitidos =
        ConsultaRemota(QStringLiteral("ERP"), SqlClientesPermitidos(DMRepres->BuscaCodRep()), {"CNPJ"}, falhou);
    if (falhou)
        return ChecagemFalhaCancela();
    QStringList cnpjs;
    for (const auto &l : permitidos)
        cnpjs << l[0];
    const QStringList numeros = Marcados("PED_NUME");
    const QStringList clientes = Marcados("CLI_CNPJ");
    QString texto;
    for (int i = 0; i < numeros.size(); ++i) {
        if (cnpjs.contains(clientes[i]))
            continue;
        const auto conhecido = ConsultaRemota(QStringLiteral("ERP"), SqlClienteERP(clientes[i]), {"CODCLI"}, falhou);
        if (falhou)
            return ChecagemFalhaCancela();
        if (conhecido.size() == 1)
            texto += QStringLiteral("Pedido ") + numeros[i] + '\r';
    }
    if (texto.isEmpty())
        return false;
    Mensagem(QStringLiteral("Envio cancelado. Pedido(s) com cliente não vinculado ao representante, inativo ou "
                            "bloqueado.\rFavor entrar em contato com o departamento comercial.\r\r")
             + texto);
    return true;
}

bool TEnvioPedidosControle::ValidaDataEntregaItens()
{
    const int atual = CDSPedidos.recNo();
    if (CongelaGrade)
        CongelaGrade(true);
    const auto fim = qScopeGuard([&] {
        if (atual > 0 && atual <= CDSPedidos.recordCount())
            CDSPedidos.setRecNo(atual);
        else
            CDSPedidos.first();
        if (CongelaGrade)
            CongelaGrade(false);
    });
    const QStringList numeros = Marcados("PED_NUME");
    if (m_versao.value_or(0) >= 17 || numeros.isEmpty())
        return true;
    TXRQuery q;
    q.SetDatabase(DMRepres->XRDtRepres);
    q.SQL().SetText(SqlDataEntregaItens(numeros));
    q.Open();
    return q.isEmpty();
}

std::vector<std::pair<QString, QString>> TEnvioPedidosControle::BuscaPedidosRenumerar(bool &bFalhou)
{
    bFalhou = false;
    std::vector<std::pair<QString, QString>> r;
    const QStringList numeros = Marcados("PED_NUME");
    if (m_versao.value_or(0) <= 6 || numeros.isEmpty())
        return r;
    const auto linhas = ConsultaRemota(QStringLiteral("CONFIGURADOR"), SqlPedidosRenumerar(CodRep, numeros),
                                       {"ENVIADO", "MAIOR"}, bFalhou);
    for (const auto &l : linhas)
        r.emplace_back(l[0], l[1]);
    return r;
}

bool TEnvioPedidosControle::RenumeraPedidos(DataSet &marcados, TRenumeracao &r)
{
    bool falhou = false;
    const auto linhas = BuscaPedidosRenumerar(falhou);
    if (falhou && ChecagemFalhaCancela())
        return false;
    if (linhas.empty())
        return true;
    QStringList numeros;
    for (marcados.first(); !marcados.eof(); marcados.next())
        numeros << marcados.fieldByName(QStringLiteral("PED_NUME"))->asString();
    r = CalculaRenumeracao(linhas, ProximoCodigo(QStringLiteral("PEDIDO"), QStringLiteral("PED_NUME"), 5), numeros);
    if (r.vazia())
        return true;
    {
        // an order renumbered without its items would lose them
        SavepointGuard guarda(*DMRepres->XRTransaction, QStringLiteral("SP_RENUMERA"));
        TXRQuery q;
        q.SetDatabase(DMRepres->XRDtRepres);
        for (int i = 0; i < r.antigos.size(); ++i) {
            q.SQL().SetText(SqlRenumeraPedido(r.antigos[i], r.novos[i]));
            q.ExecSQL();
            q.SQL().SetText(SqlRenumeraItens(r.antigos[i], r.novos[i]));
            q.ExecSQL();
        }
        guarda.Release();
    }
    DMRepres->XRTransaction->CommitRetaining();
    for (int i = 0; i < r.antigos.size(); ++i)
        if (marcados.locate({QStringLiteral("PED_NUME")}, {r.antigos[i]})) {
            marcados.edit();
            marcados.fieldByName(QStringLiteral("PED_NUME"))->setValue(r.novos[i]);
            marcados.post();
        }
    return true;
}

// ---------------------------------------------------------------- the send

bool TEnvioPedidosControle::Conectado()
{
    try {
        return Retaguarda().RetornaConexao();
    } catch (const std::exception &e) {
        Mensagem(QStringLiteral("Erro de Comunicação:\r") + TextoDe(e));
        return false;
    }
}

void TEnvioPedidosControle::Envia()
{
    if (m_enviando)
        return;
    m_enviando = true;
    const auto fim = qScopeGuard([this] {
        m_enviando = false;
        m_versao.reset();
    });
    try {
        EnviaLote();
    } catch (const EAbort &) {
    } catch (const std::exception &e) {
        Mensagem(TextoDe(e));
    }
}

void TEnvioPedidosControle::EnviaLote()
{
    if (!Conectado() || CDSPedidos.isEmpty())
        return;
    if (!LeVersaoChecagens())
        return;
    if (ValidaPedidosEnviados() || ValidaClientesERP())
        return;
    m_listaLote.clear();
    m_rejeitados.clear();
    if (!ValidaDataEntregaItens()
        && dialogs().messageBox(QStringLiteral("Há itens com data de entrega diferente da data de entrega do pedido.\r\n"
                                               "A versão do servidor está desatualizada e os itens receberão a data "
                                               "de entrega da capa do pedido.\r\n\r\nDeseja continuar?"),
                                m_titulo, MsgButtons::YesNo, MsgIcon::Information, 2)
            != MsgResult::Yes)
        return;
    DataSet marcados;
    marcados.cloneCursor(CDSPedidos);
    marcados.setFilter(QStringLiteral("IdSelecionado = 'S'"));
    marcados.setFiltered(true);
    if (dialogs().messageBox(QStringLiteral("Confirma o Envio dos Pedidos Selecionados?"), m_titulo, MsgButtons::YesNo,
                             MsgIcon::Information, 2)
        != MsgResult::Yes)
        return;

    TXRQuery *u = DMRepres->XRQUltSincr;
    u->Close();
    u->Open();
    const QString usuario = u->fieldByName(QStringLiteral("NMUSUARIO"))->asString();
    const QString senha = u->fieldByName(QStringLiteral("DSSENHA"))->asString();
    u->Close();
    const int login = Retaguarda().ConfereSenha(usuario, senha, DMRepres->BuscaCodRep());
    if (login != 0) {
        Mensagem(TDMRepres::MensErroLogin(login));
        return;
    }

    TRenumeracao renumerados;
    if (!RenumeraPedidos(marcados, renumerados))
        return;

    QStringList numeros;
    const int total = marcados.recordCount();
    if (Progresso)
        Progresso(0, total);
    for (marcados.first(); !marcados.eof(); marcados.next()) {
        numeros << marcados.fieldByName(QStringLiteral("PED_NUME"))->asString();
        if (Progresso)
            Progresso(int(numeros.size()), total);
    }
    m_listaLote = MontaListaLote(numeros);

    if (!m_listaLote.isEmpty()) {
        CDSRetClientes.close();
        CDSRetClientes.setFieldDefs({});
        QString textoRejeitados;
        const TResultadoEnvio resultado =
            Retaguarda().EnviaPedidos(CodRep, m_listaLote, NrLote, textoRejeitados, &CDSRetClientes);
        bool ok = resultado == TResultadoEnvio::Aceito;
        bool incerto = resultado == TResultadoEnvio::Incerto;
        if (ok) {
            if (CDSRetClientes.active() && !CDSRetClientes.isEmpty()) {
                // the batch is on the server: the orders are marked whatever
                // happens to the customers
                try {
                    DMRepres->GravaCodCliEmp(&CDSRetClientes);
                } catch (const std::exception &e) {
                    Mensagem(TextoDe(e));
                }
            }
            CDSRetClientes.close();
            const TRejeicao rejeicao = TrataPedidosRejeitados(textoRejeitados, m_listaLote, m_rejeitados);
            if (rejeicao.bNumeroIlegivel) {
                ok = false;
                incerto = true;
                RegistraLog(QStringLiteral("Lote %1: rejeição sem número de pedido do lote: %2")
                                .arg(NrLote)
                                .arg(textoRejeitados));
            } else if (!m_listaLote.trimmed().isEmpty() && !MarcaLote(m_listaLote)) {
                ok = false;
                incerto = true;
            }
        }
        if (ok)
            Mensagem(m_rejeitados.isEmpty()
                         ? QStringLiteral("Envio de Pedidos efetuado com Sucesso!")
                         : QStringLiteral("Envio de Pedidos efetuado com Sucesso!\rPorém, contém Pedidos Rejeitados!"));
        else if (incerto)
            Mensagem(MensagemIncerta(NrLote));
        else
            Mensagem(QStringLiteral("Falha no Envio de Pedidos!"));
        if (!renumerados.vazia())
            Mensagem(MensagemRenumerados(renumerados));
    }
    AtualizaListaPedidos();
    if (!m_rejeitados.isEmpty() && MostraRejeitados)
        MostraRejeitados(m_rejeitados);
}

bool TEnvioPedidosControle::MarcaLote(const QString &lista)
{
    const auto data = Retaguarda().DataServidorEnvio(QStringLiteral("D"));
    const auto hora = Retaguarda().DataServidorEnvio(QStringLiteral("H"));
    const QDateTime agora = QDateTime::currentDateTime();
    if (!data || !hora)
        RegistraLog(QStringLiteral("Lote %1: servidor sem data ou hora; marcado com a data e hora locais %2")
                        .arg(NrLote)
                        .arg(agora.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"))));
    return DMRepres->AtualizaLote(CodRep, NrLote, lista, data ? *data : QDateTime(agora.date(), QTime(0, 0)),
                                  hora ? *hora : agora);
}

// ---------------------------------------------------------------- one order

void TEnvioPedidosControle::ConsiderarEnviado()
{
    if (CDSPedidos.isEmpty())
        return;
    try {
        if (!Conectado())
            return;
        const int versao = VersaoComoNumero(Retaguarda().GetVersaoServ());
        if (SemRespostaRest())
            return;
        if (versao <= 2) {
            Mensagem(QStringLiteral("Servidor da empresa desatualizado. Impossível considerar enviado."));
            return;
        }
        const QString numero = CDSPedidos.fieldByName(QStringLiteral("PED_NUME"))->asString();
        if (dialogs().messageBox(QStringLiteral("Deseja considerar o Pedido: ") + numero + QStringLiteral(" enviado? "),
                                 m_titulo, MsgButtons::YesNo, MsgIcon::Question, 2)
            != MsgResult::Yes)
            return;
        int lote = 0;
        QDateTime data, hora;
        const bool existe = Retaguarda().ExistePedido(DMRepres->BuscaCodRep(), numero, lote, data, hora);
        // a question that got no answer says nothing about the order
        if (SemRespostaRest())
            return;
        if (!existe) {
            Mensagem(QStringLiteral("Pedido não cadastrado no configurador da empresa."));
            return;
        }
        {
            SavepointGuard guarda(*DMRepres->XRTransaction, QStringLiteral("SP_CONSIDERAENVIADO"));
            TXRQuery q;
            q.SetDatabase(DMRepres->XRDtRepres);
            q.SQL().SetText(SqlLotePedidos(QuotedStr(numero)));
            q.ParamByName(QStringLiteral("NRLOTE"))->SetAsInteger(lote);
            q.ParamByName(QStringLiteral("DATA"))->Value = data.isValid() ? QVariant(data.date()) : QVariant();
            q.ParamByName(QStringLiteral("HORA"))->Value = hora.isValid() ? QVariant(hora.time()) : QVariant();
            q.ExecSQL();
            // the server's batch number is never handed out again
            TXRQuery c;
            c.SetDatabase(DMRepres->XRDtRepres);
            c.SQL().SetText(QStringLiteral("UPDATE CONFIG SET NRLOTE = :NRLOTE WHERE CODREP = :CODREP "
                                           "AND COALESCE(NRLOTE, 0) < :NRLOTE"));
            c.ParamByName(QStringLiteral("NRLOTE"))->SetAsInteger(lote);
            c.ParamByName(QStringLiteral("CODREP"))->SetAsString(CodRep);
            c.ExecSQL();
            guarda.Release();
        }
        DMRepres->XRTransaction->CommitRetaining();
        AtualizaListaPedidos();
    } catch (const std::exception &e) {
        Mensagem(QStringLiteral("Erro: ") + TextoDe(e));
    }
}
