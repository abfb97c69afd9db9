#include "components/untMensagemSkin.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>

TfmMensagem::TfmMensagem(QWidget *dono)
    : TfmXRSkin(dono)
{
    setObjectName(QStringLiteral("fmMensagem"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowOpacity(215.0 / 255.0);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0x40, 0x40, 0x40));
    setPalette(p);
    setAutoFillBackground(true);

    LMensagem = new QLabel(this);
    LMensagem->setObjectName(QStringLiteral("LMensagem"));
    LMensagem->setAlignment(Qt::AlignCenter);
    LMensagem->setWordWrap(true);
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(16);
    LMensagem->setFont(f);
    QPalette lp = LMensagem->palette();
    lp.setColor(QPalette::WindowText, Qt::white);
    LMensagem->setPalette(lp);
    setCentralWidget(LMensagem);
    FormCreate();
    resize(FWidthOri, FHeigthOri);
}

void TfmMensagem::FormCreate()
{
    FWidthOri = 518;
    FHeigthOri = 72;
}

void TfmMensagem::FormShow()
{
    TfmXRSkin::FormShow();
    resize(FWidthOri, FHeigthOri);
    if (QScreen *tela = screen() ? screen() : QGuiApplication::primaryScreen()) {
        const QRect r = tela->availableGeometry();
        move(r.center() - QPoint(FWidthOri / 2, FHeigthOri / 2));
    }
}

TfmMensagem &TfmMensagem::Compartilhada()
{
    static QPointer<TfmMensagem> unica;
    if (!unica) {
        unica = new TfmMensagem;
        // lives until the program ends
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, unica, [] { delete unica.data(); });
    }
    return *unica;
}
