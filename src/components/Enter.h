#pragma once

#include <QDate>
#include <QObject>
#include <QStringList>

#include <functional>

class QKeyEvent;
class QWidget;
class TPesquisa;

// Application-wide keyboard rules while an instance exists: Enter moves
// to the next field, F4 and numpad + open the look-up beside the field,
// letters fill date edits. Instances chain: each is an event filter of
// the application, removed when it is destroyed.
class TZVEnter : public QObject {
    Q_OBJECT
public:
    explicit TZVEnter(QObject *dono = nullptr);
    ~TZVEnter() override;

    // Class names (of the original toolkit) the rules apply to.
    QStringList ClassList;
    // Stored only.
    bool Enabled = true;
    // Called for every event after the key rules.
    std::function<void(QObject *receptor, QEvent *evento)> OnMessage;
    // Opens a look-up's search; replaceable so tests need no modal form.
    std::function<void(TPesquisa *)> AbreBusca;
    // Today, for the date letters; replaceable for tests.
    static void DefineHoje(std::function<QDate()> hoje);

    bool ClasseNaLista(const QString &classe) const;
    // The key rules for a key press reaching the focused widget; true
    // when the key was dropped (or replaced by another one).
    bool TrataMensagem(QWidget *foco, QKeyEvent *tecla);

    // Whether a widget matches a listed class name (by its own class).
    static bool ClasseCorresponde(const QWidget *w, const QString &classe);

protected:
    bool eventFilter(QObject *obj, QEvent *event) override;

private:
    bool Listado(const QWidget *w) const;
    void AbrePesquisaAoLado(QWidget *foco);
    void PreencheData(QWidget *foco, int tecla);
    void PreenchePeriodo(QWidget *foco, int tecla);
};

// The main window's instance, with the class list of that window.
TZVEnter *CriaZVEnterPrincipal(QObject *dono);
