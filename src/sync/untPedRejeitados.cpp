#include "sync/untPedRejeitados.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

std::function<void(TfmPedRejeitados &)> TfmPedRejeitados::ExibeModal = [](TfmPedRejeitados &j) { j.ShowModal(); };

TfmPedRejeitados::TfmPedRejeitados(QWidget *dono)
    : TfmTelaSimples(dono)
{
    SetFormStyleMdi(false);
    setObjectName(QStringLiteral("fmPedRejeitados"));
    setWindowTitle(QStringLiteral("Pedidos Rejeitados"));
    Memo = new QPlainTextEdit(Corpo());
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setReadOnly(true);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    if (!Corpo()->layout())
        new QVBoxLayout(Corpo());
    Corpo()->layout()->addWidget(Memo);
    Memo->clear();
    PnBotoes->show();
    resize(520, 360);
}

void TfmPedRejeitados::Exibe()
{
    if (ExibeModal)
        ExibeModal(*this);
}
