#pragma once

#include <QWidget>

#include <array>
#include <functional>

class QToolButton;
enum class TWButton;

// The tile's fold-out column of buttons: a small handle that opens it and
// the buttons in the fixed order filter, refresh, settings, print, minimise.
class TBarraWidget : public QWidget {
    Q_OBJECT
public:
    explicit TBarraWidget(QWidget *parent);

    void Mostra(TWButton b, bool visivel);
    QToolButton *Botao(TWButton b) const;
    // Names of the buttons the bar offers, in bar order.
    QStringList Oferecidos() const;
    bool Expandida() const { return m_expandida; }
    void SetExpandida(bool v);

    // Icons, drawn here: filter, refresh, settings, print, minimise.
    static QIcon Icone(int indice);

    std::function<void(TWButton)> OnClick;
    std::function<void(bool pressionado)> OnRefreshMouse;

protected:
    bool eventFilter(QObject *obj, QEvent *e) override;

private:
    void Ajusta();
    QToolButton *m_alca;
    std::array<QToolButton *, 5> m_botoes{};
    bool m_expandida = false;
};
