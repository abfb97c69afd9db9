#include "windows/pedido/regras/CopiaPedido.h"

#include "data/UntFuncoes.h"
#include "data/XRDatabase.h"
#include "data/XRQuery.h"
#include "data/XRTransaction.h"
#include "data/untDMRepres.h"
#include "data/untSelectsRep.h"
#include "platform/DataSet.h"
#include "platform/DialogService.h"

#include <vector>

namespace {

QStringList camposDe(const DataSet &q)
{
    QStringList campos;
    for (const FieldDef &f : q.fieldDefs())
        campos << f.name;
    return campos;
}

QString insertDe(const QString &tabela, const DataSet &q)
{
    QString sql;
    MontaInsert(tabela, camposDe(q), sql);
    return sql;
}

} // namespace

CopiaPedido::CopiaPedido(TDMRepres &dm)
    : m_dm(dm)
{
}

QString CopiaPedido::NomeCliente(const QString &codigo) const
{
    TXRQuery q;
    q.SetDatabase(m_dm.XRDtRepres);
    q.SQL().Add(QStringLiteral("SELECT CLI_NOME FROM CLIENTE WHERE CLI_CODI = :CODIGO"));
    q.ParamByName(QStringLiteral("CODIGO"))->SetAsString(codigo);
    q.Open();
    return q.isEmpty() ? QString() : q.fieldByName(QStringLiteral("CLI_NOME"))->asString();
}

QString CopiaPedido::Relatorio(const QStringList &pedidos)
{
    if (pedidos.isEmpty())
        return QStringLiteral("Nenhum Pedido  foi criado");
    if (pedidos.size() == 1)
        return QStringLiteral("Pedido: ") + pedidos.first() + QStringLiteral(" criado");
    return QStringLiteral("Pedidos de ") + pedidos.first() + QStringLiteral(" até ") + pedidos.last()
           + QStringLiteral(" foram criados");
}

bool CopiaPedido::Duplica(const QString &pedido, const QString &cliente, const QString &copias)
{
    FLpedidos.clear();
    bool ehNumero = false;
    const int n = copias.trimmed().toInt(&ehNumero);
    try {
        // Copies for a customer that is not on file could never be sent.
        if (cliente.trimmed().isEmpty() || !existeCliente(cliente)) {
            dialogs().showMessage(QStringLiteral("Cliente não encontrado."));
            return false;
        }
        TXRCustomTransaction &tra = *m_dm.XRTransaction;
        {
            SavepointGuard guarda(tra, QStringLiteral("COPIA_PEDIDO"));
            copia(pedido, cliente, ehNumero ? n : 0);
            guarda.Release();
        }
        tra.CommitRetaining();
    } catch (const EAbort &) {
        FLpedidos.clear();
        return false;
    } catch (const EDatabaseError &e) {
        FLpedidos.clear();
        dialogs().messageBox(e.message(), titulo, MsgButtons::Ok, MsgIcon::Error);
        return false;
    } catch (const std::exception &e) {
        FLpedidos.clear();
        dialogs().messageBox(QString::fromLocal8Bit(e.what()), titulo, MsgButtons::Ok, MsgIcon::Error);
        return false;
    }
    dialogs().messageBox(Relatorio(FLpedidos), titulo, MsgButtons::Ok, MsgIcon::Information);
    return true;
}

bool CopiaPedido::existeCliente(const QString &codigo) const
{
    TXRQuery q;
    q.SetDatabase(m_dm.XRDtRepres);
    q.SQL().Add(QStringLiteral("SELECT CLI_CODI FROM CLIENTE WHERE CLI_CODI = :CODIGO"));
    q.ParamByName(QStringLiteral("CODIGO"))->SetAsString(codigo);
    q.Open();
    return !q.isEmpty();
}

void CopiaPedido::copia(const QString &pedido, const QString &cliente, int n)
{
    TXRQuery cab;
    cab.SetDatabase(m_dm.XRDtRepres);
    cab.SQL().SetText(SqlCopiaPedido());
    cab.ParamByName(QStringLiteral("PEDIDO"))->SetAsString(pedido);
    cab.Open();
    if (cab.isEmpty())
        return;
    cab.first();

    TXRQuery itens;
    itens.SetDatabase(m_dm.XRDtRepres);
    itens.SQL().SetText(SqlCopiaItens());
    itens.ParamByName(QStringLiteral("PEDIDO"))->SetAsString(pedido);
    itens.Open();
    itens.setIndexFieldNames(QStringLiteral("PEDIT_ITEM"));

    TXRQuery insCab, insItem;
    insCab.SetDatabase(m_dm.XRDtRepres);
    insCab.SQL().SetText(insertDe(QStringLiteral("PEDIDO"), cab));
    insItem.SetDatabase(m_dm.XRDtRepres);
    insItem.SQL().SetText(insertDe(QStringLiteral("PED_ITEN"), itens));

    const QDate dia = hoje();
    for (int copia = 0; copia < n; ++copia) {
        for (int i = 0; i < cab.fieldCount(); ++i) {
            const Field *f = cab.field(i);
            QVariant valor = f->value();
            // A past date would make the copy late from the start; an empty
            // one stays empty.
            const bool data = f->fieldName().compare(QLatin1String("PED_DTFAT"), Qt::CaseInsensitive) == 0
                              || f->fieldName().compare(QLatin1String("PED_DTEN"), Qt::CaseInsensitive) == 0;
            if (data && !f->isNull() && f->asDate() < dia)
                valor = dia;
            insCab.ParamByName(f->fieldName())->Value = valor;
        }
        const QString numero = ProximoCodigo(QStringLiteral("PEDIDO"), QStringLiteral("PED_NUME"), 5);
        insCab.ParamByName(QStringLiteral("PED_NUME"))->SetAsString(numero);
        insCab.ParamByName(QStringLiteral("PED_CCLI"))->SetAsString(cliente);
        insCab.ParamByName(QStringLiteral("PED_DTEM"))->SetAsDate(dia);
        insCab.ParamByName(QStringLiteral("PED_IDFECHADO"))->SetAsString(QStringLiteral("N"));
        insCab.ExecSQL();

        for (itens.first(); !itens.eof(); itens.next()) {
            for (int i = 0; i < itens.fieldCount(); ++i)
                insItem.ParamByName(itens.field(i)->fieldName())->Value = itens.field(i)->value();
            insItem.ParamByName(QStringLiteral("PEDIT_NUME"))->SetAsString(numero);
            insItem.ExecSQL();
        }
        FLpedidos << numero;
    }
}
