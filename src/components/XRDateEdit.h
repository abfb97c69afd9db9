#pragma once

#include <QDateTime>
#include <QLineEdit>

class QCalendarWidget;
class QToolButton;

// A one-line dd/mm/yyyy edit: typing overwrites with the slashes kept in
// place, T puts the date in, a button inside its right edge drops down a
// month calendar, and leaving it can check the date.
class TXRDateEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TXRDateEdit(QWidget *parent = nullptr);
    ~TXRDateEdit() override;

    // What an untouched date reads as: nothing typed between the slashes.
    static QString MascaraVazia() { return QStringLiteral("  /  /    "); }

    bool ValidaData() const { return FValidaData; }
    void SetValidaData(bool v) { FValidaData = v; }
    // The text read as a date, or now when the text is no date.
    QDateTime Date() const;
    void SetDate(const QDateTime &value);

    QToolButton *Botao() const { return oBtn; }
    // Created hidden with the edit; a pop-up of its own window.
    QCalendarWidget *Calendario() const { return oCalendar; }

    // The button's click: shows the calendar on the typed date, or hides it.
    void AbreCalendario();
    // A day activated in the calendar (double click or Enter on a day).
    void SelecionaData(const QDate &data);

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void hideEvent(QHideEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;

private:
    // The typing rules for a key press; false when the key is not a typed
    // character and the line edit handles it as usual.
    bool TrataTecla(QKeyEvent *e);

    QToolButton *oBtn;
    QCalendarWidget *oCalendar;
    bool FValidaData = false;
    QDateTime FDate;
};
