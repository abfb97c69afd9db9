#include "windows/pedido/regras/CamposPedido.h"

#include "platform/DataSet.h"
#include "platform/DialogService.h"
#include "windows/pedido/regras/RegrasPedido.h"

namespace pedido {

void aviso(const QString &texto)
{
    dialogs().messageBox(texto, TituloPedido, MsgButtons::Ok, MsgIcon::Information);
}

bool pergunta(const QString &texto)
{
    return dialogs().messageBox(texto, TituloPedido, MsgButtons::YesNo, MsgIcon::Question, 2) == MsgResult::Yes;
}

QString txt(const DataSet &ds, const char *campo) { return ds.fieldByName(QLatin1String(campo))->asString(); }

double num(const DataSet &ds, const char *campo) { return ds.fieldByName(QLatin1String(campo))->asFloat(); }

void poe(DataSet &ds, const char *campo, const QVariant &v) { ds.fieldByName(QLatin1String(campo))->setValue(v); }

void poe(DataSet &ds, const char *campo, double v) { ds.fieldByName(QLatin1String(campo))->setAsFloat(v); }

} // namespace pedido
