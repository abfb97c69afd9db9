#include "components/XRDateEdit.h"

#include "platform/DialogService.h"
#include "platform/Formats.h"
#include "platform/TeclasData.h"

#include <QCalendarWidget>
#include <QIcon>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>

#include <algorithm>

namespace {

constexpr int kLarguraBotao = 18;

QIcon glifoCalendario(const QFont &base, const QColor &faixa)
{
    QPixmap pm(18, 20);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    QFont f(QStringLiteral("Courier New"));
    f.setBold(true);
    f.setPointSizeF(std::max(1.0, base.pointSizeF() - 1));
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(QRect(4, 4, 14, 12), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("31"));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(QPoint(1, 2), QPoint(16, 15)));
    // the calendar's title band at the top of the sheet
    p.setPen(faixa);
    p.drawLine(1, 3, 14, 3);
    p.drawLine(1, 4, 14, 4);
    return QIcon(pm);
}

} // namespace

TXRDateEdit::TXRDateEdit(QWidget *parent)
    : QLineEdit(parent)
    , oBtn(new QToolButton(this))
    , oCalendar(new QCalendarWidget(this))
{
    resize(88, sizeHint().height());
    setMaxLength(10);

    // a pop-up window of its own: it is not clipped by a grid cell, and the
    // focus inside it still counts as inside the edit
    oCalendar->setWindowFlags(Qt::Popup);
    oCalendar->setAttribute(Qt::WA_NoMouseReplay);
    oCalendar->setObjectName(QStringLiteral("oCalendar"));
    oCalendar->setGridVisible(false);
    oCalendar->hide();
    const QColor faixa = palette().color(QPalette::Dark);

    oBtn->setObjectName(QStringLiteral("oBtn"));
    oBtn->setAutoRaise(true);
    oBtn->setFocusPolicy(Qt::NoFocus);
    oBtn->setCursor(Qt::ArrowCursor);
    oBtn->setIcon(glifoCalendario(font(), faixa));
    oBtn->setIconSize(QSize(18, 20));
    // the text never runs under the button
    setTextMargins(0, 0, kLarguraBotao + 2, 0);
    connect(oBtn, &QToolButton::clicked, this, &TXRDateEdit::AbreCalendario);
    connect(oCalendar, &QCalendarWidget::activated, this, &TXRDateEdit::SelecionaData);
}

TXRDateEdit::~TXRDateEdit() = default;

QDateTime TXRDateEdit::Date() const
{
    QDate d;
    if (fmt::tryStrToDate(text(), d))
        return QDateTime(d, QTime(0, 0));
    return QDateTime::currentDateTime();
}

void TXRDateEdit::SetDate(const QDateTime &value)
{
    FDate = value;
    setText(fmt::formatDate(value.date()));
}

void TXRDateEdit::AbreCalendario()
{
    if (oCalendar->isVisible()) {
        oCalendar->hide();
        return;
    }
    if (isEnabled() && focusPolicy() != Qt::NoFocus)
        setFocus(Qt::MouseFocusReason);
    oCalendar->setSelectedDate(Date().date());
    oCalendar->adjustSize();
    const QSize tam = oCalendar->sizeHint();
    // Opened from the button at the right edge: when there is room to the
    // left, the calendar lines up with the edit's right edge.
    int esquerda = 0;
    const int xBotao = oBtn->geometry().center().x();
    if (pos().x() + xBotao >= tam.width())
        esquerda = width() - tam.width();
    oCalendar->move(mapToGlobal(QPoint(esquerda, height())));
    oCalendar->show();
    oCalendar->setFocus(Qt::PopupFocusReason);
}

void TXRDateEdit::SelecionaData(const QDate &data)
{
    setText(fmt::formatDate(data));
    oCalendar->hide();
    if (isVisible())
        setFocus(Qt::OtherFocusReason);
}

bool TXRDateEdit::TrataTecla(QKeyEvent *e)
{
    if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const int inicio = hasSelectedText() ? selectionStart() : cursorPosition();
    const int tamanho = hasSelectedText() ? int(selectedText().size()) : 0;
    const bool tudo = text().isEmpty() || (tamanho > 0 && tamanho >= text().size());
    QChar tecla;
    if (e->key() == Qt::Key_Backspace) {
        tecla = u'\b';
    } else if (e->key() == Qt::Key_Delete) {
        if (tudo)
            return false; // a whole selection is deleted as usual
        tecla = u'.';
    } else if (e->text().size() == 1 && e->text().at(0).isPrint()) {
        tecla = e->text().at(0);
    } else {
        return false;
    }
    const teclas_data::Estado depois = teclas_data::TrataTeclaData({text(), inicio, tamanho}, tecla,
                                                                   QDate::currentDate(), teclas_data::Variante::Edicao);
    if (isReadOnly())
        return true;
    if (depois.texto != text()) {
        setText(depois.texto);
        emit textEdited(depois.texto);
    }
    setCursorPosition(depois.cursor);
    return true;
}

void TXRDateEdit::keyPressEvent(QKeyEvent *e)
{
    if (TrataTecla(e)) {
        e->accept();
        return;
    }
    QLineEdit::keyPressEvent(e);
}

void TXRDateEdit::focusOutEvent(QFocusEvent *e)
{
    QLineEdit::focusOutEvent(e);
    // the calendar taking the focus, or the window losing it, is no leaving
    if (e->reason() == Qt::PopupFocusReason || e->reason() == Qt::ActiveWindowFocusReason)
        return;
    oCalendar->hide();
    const QString t = text();
    QDate d;
    if (!FValidaData || t.trimmed().isEmpty() || t == MascaraVazia() || fmt::tryStrToDate(t, d))
        return;
    dialogs().messageBox(QStringLiteral("Data inválida."), window()->windowTitle(), MsgButtons::Ok, MsgIcon::Error);
    if (isVisible() && isEnabled())
        setFocus(Qt::OtherFocusReason);
}

void TXRDateEdit::mousePressEvent(QMouseEvent *e)
{
    oCalendar->hide();
    QLineEdit::mousePressEvent(e);
}

void TXRDateEdit::hideEvent(QHideEvent *e)
{
    oCalendar->hide();
    QLineEdit::hideEvent(e);
}

void TXRDateEdit::resizeEvent(QResizeEvent *e)
{
    QLineEdit::resizeEvent(e);
    oBtn->setGeometry(width() - kLarguraBotao - 1, 1, kLarguraBotao, std::max(1, height() - 2));
}
