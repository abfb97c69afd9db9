#include "components/XRWidgetBarra.h"

#include "components/XRWidget.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

#include <cmath>

namespace {
// bar order and the image of each
constexpr std::array<TWButton, 5> kOrdem{TWButton::btFilter, TWButton::btRefresh, TWButton::btChart,
                                         TWButton::btReport, TWButton::btMinimize};
constexpr std::array<const char *, 5> kNomes{"btFilter", "btRefresh", "btChart", "btReport", "btMinimize"};
constexpr std::array<const char *, 5> kDicas{"Filtros", "Atualizar", "Configurações", "Imprimir", "Minimizar"};

int posicao(TWButton b)
{
    for (std::size_t i = 0; i < kOrdem.size(); ++i)
        if (kOrdem[i] == b)
            return int(i);
    return 0;
}
} // namespace

QIcon TBarraWidget::Icone(int indice)
{
    QPixmap px(16, 16);
    px.fill(Qt::transparent);
    QPainter p(&px);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.5));
    switch (indice) {
    case 0: { // funnel
        QPainterPath f;
        f.moveTo(2, 3);
        f.lineTo(14, 3);
        f.lineTo(9, 9);
        f.lineTo(9, 14);
        f.lineTo(7, 13);
        f.lineTo(7, 9);
        f.closeSubpath();
        p.drawPath(f);
        break;
    }
    case 1: // circular arrow
        p.drawArc(QRectF(3, 3, 10, 10), 30 * 16, 300 * 16);
        p.drawLine(QPointF(12, 2), QPointF(12.5, 6));
        p.drawLine(QPointF(12.5, 6), QPointF(9, 6));
        break;
    case 2: // gear
        p.drawEllipse(QPointF(8, 8), 4, 4);
        for (int i = 0; i < 8; ++i) {
            const double a = i * M_PI / 4;
            p.drawLine(QPointF(8 + 4 * std::cos(a), 8 + 4 * std::sin(a)),
                       QPointF(8 + 6.5 * std::cos(a), 8 + 6.5 * std::sin(a)));
        }
        break;
    case 3: // printer
        p.drawRect(QRectF(2, 6, 12, 6));
        p.drawRect(QRectF(4, 2, 8, 4));
        p.drawRect(QRectF(4, 10, 8, 4));
        break;
    default: // minimise
        p.drawLine(QPointF(3, 12), QPointF(13, 12));
        break;
    }
    return QIcon(px);
}

TBarraWidget::TBarraWidget(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("oCategory"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    m_alca = new QToolButton(this);
    m_alca->setObjectName(QStringLiteral("btCategoria"));
    m_alca->setAutoRaise(true);
    m_alca->setArrowType(Qt::DownArrow);
    m_alca->setGeometry(0, 0, 33, 18);
    connect(m_alca, &QToolButton::clicked, this, [this] { SetExpandida(!m_expandida); });
    for (std::size_t i = 0; i < kOrdem.size(); ++i) {
        auto *b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(kNomes[i]));
        b->setToolTip(QString::fromUtf8(kDicas[i]));
        b->setIcon(Icone(int(i)));
        b->setAutoRaise(true);
        const TWButton qual = kOrdem[i];
        connect(b, &QToolButton::clicked, this, [this, qual] {
            SetExpandida(false);
            if (OnClick)
                OnClick(qual);
        });
        m_botoes[i] = b;
    }
    m_botoes[std::size_t(posicao(TWButton::btRefresh))]->installEventFilter(this);
    setFixedWidth(33);
    Ajusta();
}

QToolButton *TBarraWidget::Botao(TWButton b) const { return m_botoes[std::size_t(posicao(b))]; }

QStringList TBarraWidget::Oferecidos() const
{
    QStringList nomes;
    for (QToolButton *b : m_botoes)
        if (b->property("mostrar").toBool())
            nomes << b->objectName();
    return nomes;
}

void TBarraWidget::Mostra(TWButton b, bool visivel)
{
    Botao(b)->setProperty("mostrar", visivel);
    Ajusta();
}

void TBarraWidget::SetExpandida(bool v)
{
    m_expandida = v;
    m_alca->setArrowType(v ? Qt::UpArrow : Qt::DownArrow);
    Ajusta();
    raise();
}

void TBarraWidget::Ajusta()
{
    int y = 18;
    for (QToolButton *b : m_botoes) {
        const bool mostrar = b->property("mostrar").toBool();
        b->setVisible(mostrar && m_expandida);
        // hidden buttons keep their place in the order, only the shown ones take room
        if (mostrar) {
            b->setGeometry(2, y, 29, 26);
            y += 26;
        }
    }
    setFixedHeight(m_expandida ? std::max(149, y + 2) : 18);
}

bool TBarraWidget::eventFilter(QObject *obj, QEvent *e)
{
    if (obj == Botao(TWButton::btRefresh) && OnRefreshMouse) {
        if (e->type() == QEvent::MouseButtonPress)
            OnRefreshMouse(true);
        else if (e->type() == QEvent::MouseButtonRelease)
            OnRefreshMouse(false);
    }
    return QWidget::eventFilter(obj, e);
}
