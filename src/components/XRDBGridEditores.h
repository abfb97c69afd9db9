#pragma once

#include "components/XRDateEdit.h"

#include <QPlainTextEdit>

class QToolButton;
class TXRDBGrid;

// The grid's cell editor on date and date-and-time fields.
class TXREdtDate : public TXRDateEdit {
    Q_OBJECT
public:
    explicit TXREdtDate(QWidget *parent = nullptr);

    // The text the editor opened with; leaving it unchanged writes nothing.
    QString TextoInicial;
    bool Carregado = false;

protected:
    void focusInEvent(QFocusEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;

private:
    friend class TXRDBGrid;
    // The view selects the whole text after opening; the first key of a
    // still unfocused editor types at the start instead.
    bool m_caretNoInicio = true;
};

// The grid's cell editor on MemoEditor columns: "+" grows the row to 90
// pixels for long texts; the row gets its height back when the memo closes.
class TXRMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    TXRMemo(TXRDBGrid *grid, int row, QWidget *parent);

    static constexpr int AlturaExpandida = 90;

    QToolButton *Botao() const { return oBtn; }
    int NrRow() const { return FNrRow; }
    // The row's height before "+"; 0 while not expanded.
    int AlturaOriginal() const { return m_alturaOriginal; }
    void Expande();

    QString TextoInicial;
    bool Carregado = false;

protected:
    void focusInEvent(QFocusEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;

private:
    QToolButton *oBtn;
    TXRDBGrid *FXRGrid;
    int FNrRow;
    int m_alturaOriginal = 0;
};
