#pragma once

#include <QLineEdit>
#include <QString>

// The text without the thousands points and without every character other
// than "-", the digits and the decimal comma.
QString RemoveFormatacao(const QString& texto);
// Appends `c` to `texto` until it has `n` characters; n <= 0 empties it.
void CompletaCaracteres(QChar c, int n, QString& texto);

// A one-line number edit: the plain number while it has the focus, the
// number in DisplayFormat once it loses it, with a warning when it lies
// outside MinValue/MaxValue (0 means no bound).
class TXRCustomCurrEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TXRCustomCurrEdit(QWidget* parent = nullptr);

    QString DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const QString& mask);
    int DecimalPlaces() const { return FDecimalPlaces; }
    void SetDecimalPlaces(int places);
    bool DecimalPlacesAlways() const { return FDecimalPlacesAlways; }
    void SetDecimalPlacesAlways(bool always) { FDecimalPlacesAlways = always; }
    double MinValue() const { return FMinValue; }
    void SetMinValue(double v) { FMinValue = v; }
    double MaxValue() const { return FMaxValue; }
    void SetMaxValue(double v) { FMaxValue = v; }
    Qt::Alignment Alignment() const { return alignment(); }
    void SetAlignment(Qt::Alignment a) { setAlignment(a); }

    // The number in the text, 0 when it is none.
    double Value() const;
    void SetValue(double v);

    // The value as plain number text ("1234,5"), never the formatted text;
    // QLineEdit::text() is not virtual, so this is a member of its own.
    QString Text() const;
    void SetText(const QString& texto);

    virtual void FormataValor();

signals:
    // Focus left and the value was formatted and checked.
    void exited();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void avisaLimite(const QString& inicio, double limite);

    QString FDisplayFormat;
    int FDecimalPlaces = 2;
    bool FDecimalPlacesAlways = false;
    double FMinValue = 0;
    double FMaxValue = 0;
};

class TXRCurrEdit : public TXRCustomCurrEdit
{
    Q_OBJECT
public:
    using TXRCustomCurrEdit::TXRCustomCurrEdit;
};
