#include "components/untTelaSimples.h"

#include <QMdiSubWindow>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
bool donoEhPrincipal(const QWidget *dono)
{
    return dono && dono->objectName() == QLatin1String("fmPrincipal");
}
} // namespace

TAjusteTela AjustaTamanhoTela(int largOri, int altOri, int largDono, int altDono, int alturaBarra)
{
    TAjusteTela r{largOri, altOri, false};
    const int altDisponivel = altDono - 10 - alturaBarra;
    const int largDisponivel = largDono - 10;
    if (altDisponivel < r.altura) {
        r.minimizaToolBar = true;
        r.altura = altDisponivel;
    }
    if (largDisponivel < r.largura)
        r.largura = largDisponivel;
    return r;
}

QWidget *BarraDeStatusDoDono(QWidget *dono)
{
    if (!dono)
        return nullptr;
    const auto filhos = dono->findChildren<QWidget *>();
    for (QWidget *w : filhos) {
        if (w->objectName().compare(QLatin1String("sbar"), Qt::CaseInsensitive) == 0)
            return w;
    }
    return nullptr;
}

TfmTelaSimples::TfmTelaSimples(QWidget *dono)
    : TfmXRSkin(dono)
{
    setObjectName(QStringLiteral("fmTelaSimples"));
    SetFormStyleMdi(true);

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_corpo = new QWidget(central);
    layout->addWidget(m_corpo, 1);

    PnBotoes = new QWidget(central);
    PnBotoes->setObjectName(QStringLiteral("PnBotoes"));
    PnBotoes->setFixedHeight(32);
    auto *botoes = new QHBoxLayout(PnBotoes);
    botoes->setContentsMargins(0, 1, 0, 1);
    BtnFechar = new QPushButton(QStringLiteral("&Fechar"), PnBotoes);
    BtnFechar->setObjectName(QStringLiteral("BtnFechar"));
    BtnFechar->setFixedSize(90, 30);
    botoes->addWidget(BtnFechar);
    botoes->addStretch(1);
    PnBotoes->hide();
    layout->addWidget(PnBotoes);
    setCentralWidget(central);
    resize(588, 279);

    connect(BtnFechar, &QPushButton::clicked, this, &TfmTelaSimples::BtnFecharClick);
}

void TfmTelaSimples::FormCreate()
{
    FbMinimizaToolBar = false;
    if (FWidthOri == 0)
        FWidthOri = width();
    if (FHeigthOri == 0)
        FHeigthOri = height();
    QWidget *dono = Owner();
    if (!donoEhPrincipal(dono))
        return;
    QWidget *barra = BarraDeStatusDoDono(dono);
    const QRect moldura = dono->frameGeometry();
    const TAjusteTela a
        = AjustaTamanhoTela(FWidthOri, FHeigthOri, moldura.width(), moldura.height(), barra ? barra->height() : 0);
    FWidthOri = a.largura;
    FHeigthOri = a.altura;
    FbMinimizaToolBar = a.minimizaToolBar;
}

void TfmTelaSimples::FormShow()
{
    TfmXRSkin::FormShow();
    if (FWidthOri <= 0 || FHeigthOri <= 0)
        return;
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        sub->resize(FWidthOri, FHeigthOri);
    else
        resize(FWidthOri, FHeigthOri);
}

void TfmTelaSimples::FormClose(TCloseAction &action)
{
    action = TCloseAction::Free;
    QWidget *dono = Owner();
    if (!donoEhPrincipal(dono) || !FbMinimizaToolBar)
        return;
    if (QWidget *barra = BarraDeStatusDoDono(dono))
        barra->setVisible(true);
}

void TfmTelaSimples::BtnFecharClick() { close(); }
