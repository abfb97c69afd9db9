#include "windows/pedido/regras/CamposPedido.h"

#include "platform/Cp1252.h"
#include "platform/DataSet.h"
#include "platform/DialogService.h"
#include "windows/pedido/regras/RegrasPedido.h"

#include <exception>
#include <utility>

namespace pedido {

void aviso(const QString &texto)
{
    dialogs().messageBox(texto, TituloPedido, MsgButtons::Ok, MsgIcon::Information);
}

bool pergunta(const QString &texto)
{
    return dialogs().messageBox(texto, TituloPedido, MsgButtons::YesNo, MsgIcon::Question, 2) == MsgResult::Yes;
}

LinhasEmLote::LinhasEmLote(DataSet &ds)
    : m_ds(ds)
    , m_post(std::exchange(ds.afterPost, nullptr))
    , m_delete(std::exchange(ds.afterDelete, nullptr))
    , m_scroll(std::exchange(ds.afterScroll, nullptr))
{
}

LinhasEmLote::~LinhasEmLote()
{
    m_ds.afterPost = m_post;
    m_ds.afterDelete = m_delete;
    m_ds.afterScroll = m_scroll;
    if (!m_post)
        return;
    try {
        m_post(m_ds);
    } catch (const std::exception &e) {
        qWarning("summaries not rebuilt: %s", e.what());
    }
}

QString txt(const DataSet &ds, const char *campo) { return ds.fieldByName(QLatin1String(campo))->asString(); }

double num(const DataSet &ds, const char *campo) { return ds.fieldByName(QLatin1String(campo))->asFloat(); }

void poe(DataSet &ds, const char *campo, const QVariant &v) { ds.fieldByName(QLatin1String(campo))->setValue(v); }

void poe(DataSet &ds, const char *campo, double v) { ds.fieldByName(QLatin1String(campo))->setAsFloat(v); }

QString TextoRecusado(const QString &campo, const QString &texto, int maximo)
{
    const QList<uint> letras = texto.toUcs4();
    for (const uint l : letras) {
        // the statement text would end at a NUL
        if (l == 0)
            return campo + QStringLiteral(": o texto contém um caractere nulo, que não pode ser gravado.");
        const char32_t cp = l;
        // the five bytes Windows-1252 leaves unassigned are no text either
        const bool semLugar = (l != '?' && toCp1252Char(cp) == '?') || l == 0x81 || l == 0x8D || l == 0x8F ||
                              l == 0x90 || l == 0x9D;
        if (semLugar)
            return campo + QStringLiteral(": o caractere \"") + QString::fromUcs4(&cp, 1) +
                   QStringLiteral("\" não pode ser gravado. Remova-o para continuar.");
    }
    if (letras.size() > maximo)
        return campo + QStringLiteral(": o texto tem ") + QString::number(letras.size()) +
               QStringLiteral(" caracteres; o máximo é ") + QString::number(maximo) + QLatin1Char('.');
    return {};
}

bool TextoAceito(const QString &campo, const QString &texto, int maximo)
{
    const QString motivo = TextoRecusado(campo, texto, maximo);
    if (!motivo.isEmpty())
        aviso(motivo);
    return motivo.isEmpty();
}

} // namespace pedido
