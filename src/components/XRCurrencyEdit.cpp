#include "components/XRCurrencyEdit.h"

#include "platform/DialogService.h"
#include "platform/Formats.h"

#include <QFocusEvent>
#include <QKeyEvent>

namespace {

double numeroDe(const QString& texto)
{
    double v = 0;
    return fmt::tryStrToFloat(RemoveFormatacao(texto), v) ? v : 0.0;
}

} // namespace

QString RemoveFormatacao(const QString& texto)
{
    QString out;
    for (const QChar c : texto) {
        if (c == u'-' || c == u',' || (c >= u'0' && c <= u'9'))
            out += c;
    }
    return out;
}

void CompletaCaracteres(QChar c, int n, QString& texto)
{
    if (n <= 0) {
        texto.clear();
        return;
    }
    while (texto.size() < n)
        texto += c;
}

TXRCustomCurrEdit::TXRCustomCurrEdit(QWidget* parent)
    : QLineEdit(parent), FDisplayFormat(QStringLiteral("R$ ,0.00;-R$ ,0.00"))
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setText(QStringLiteral("0"));
    FormataValor();
}

void TXRCustomCurrEdit::SetDisplayFormat(const QString& mask)
{
    FDisplayFormat = mask;
    FormataValor();
}

void TXRCustomCurrEdit::SetDecimalPlaces(int places)
{
    FDecimalPlaces = places;
    FormataValor();
}

double TXRCustomCurrEdit::Value() const
{
    return numeroDe(text());
}

void TXRCustomCurrEdit::SetValue(double v)
{
    setText(fmt::floatToStr(v));
    FormataValor();
}

QString TXRCustomCurrEdit::Text() const
{
    return fmt::floatToStr(Value());
}

void TXRCustomCurrEdit::SetText(const QString& texto)
{
    setText(texto);
    FormataValor();
}

void TXRCustomCurrEdit::FormataValor()
{
    if (!FDisplayFormat.trimmed().isEmpty())
        setText(fmt::formatFloat(FDisplayFormat, Value()));
    const double v = Value();
    if (FMinValue != 0 && v < FMinValue)
        avisaLimite(QStringLiteral("Valor inválido. O mínimo aceitável é "), FMinValue);
    if (FMaxValue != 0 && v > FMaxValue)
        avisaLimite(QStringLiteral("Valor inválido. O máximo aceitável é "), FMaxValue);
}

void TXRCustomCurrEdit::avisaLimite(const QString& inicio, double limite)
{
    dialogs().messageBox(inicio + fmt::formatFloat(FDisplayFormat, limite), text(), MsgButtons::Ok,
                         MsgIcon::Information);
}

void TXRCustomCurrEdit::focusInEvent(QFocusEvent* event)
{
    if (Value() == 0)
        setText(QString());
    const QString plano = RemoveFormatacao(text());
    if (!plano.isEmpty()) {
        QString decimais;
        CompletaCaracteres(FDecimalPlacesAlways ? u'0' : u'#', FDecimalPlaces, decimais);
        setText(fmt::formatFloat(QStringLiteral("0.") + decimais, numeroDe(plano)));
    }
    QLineEdit::focusInEvent(event);
}

void TXRCustomCurrEdit::focusOutEvent(QFocusEvent* event)
{
    if (text().isEmpty())
        setText(QStringLiteral("0"));
    FormataValor();
    QLineEdit::focusOutEvent(event);
    emit exited();
}

void TXRCustomCurrEdit::keyPressEvent(QKeyEvent* event)
{
    const QString t = event->text();
    // Only typed characters are filtered; editing and clipboard keys go on.
    if (t.size() == 1 && t[0].isPrint()) {
        const QChar c = t[0];
        if (!((c >= u'0' && c <= u'9') || c == u'-' || c == u',' || c == u'.')) {
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}
