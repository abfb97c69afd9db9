#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>

// Base of the program's own windows: the version in the caption on show,
// an owner kept apart from the Qt parent (an MDI child's parent is its
// sub-window), close handlers in two steps and a modal showing.
class TfmXRSkin : public QMainWindow {
    Q_OBJECT
public:
    enum class TCloseAction { None, Hide, Free };

    explicit TfmXRSkin(QWidget *dono = nullptr);
    ~TfmXRSkin() override;

    QWidget *Owner() const { return m_dono; }

    // pNumVersao receives the program version "a.b.c.d"; the result is the
    // executable's date as dd/MM/yyyy.
    static QString GetVersao(QString &pNumVersao);

    // Shows the window application-modal and returns once it is hidden.
    void ShowModal();

    // Whether the window lives inside the main window's MDI area.
    bool FormStyleMdi() const { return m_mdi; }
    void SetFormStyleMdi(bool mdi) { m_mdi = mdi; }
    static bool EhFilhoMdi(const QWidget *janela);

    // A window closed with the free action is no longer an open form.
    bool Liberada() const { return m_liberada; }

signals:
    void Escondida();

protected:
    // The show handler; descendants that override it and do not call it
    // keep their caption as it is.
    virtual void FormShow();
    virtual void FormCloseQuery(bool &canClose) { (void)canClose; }
    virtual void FormClose(TCloseAction &action) { (void)action; }

    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QPointer<QWidget> m_dono;
    bool m_mdi = false;
    bool m_liberada = false;
};

// The application's forms in the order they were made (the program's own
// windows first, then any other window), without the ones being freed.
QList<QWidget *> FormsAbertos();
