#include "windows/principal/untLogin.h"

#include "data/untDMRepres.h"
#include "platform/DialogService.h"
#include "windows/nucleo/Aplicacao.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QValidator>
#include <QVBoxLayout>

TfmLogin *fmLogin = nullptr;

namespace {
// Typed letters become upper case as they are typed.
class MaiusculasValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

const QColor kAzul(0x00, 0x66, 0xFF);

// The right half: the program's mark over a plain picture.
QPixmap imagemLateral(QSize tamanho)
{
    QPixmap p(tamanho);
    p.fill(QColor(0x40, 0x40, 0x40));
    QPainter pintor(&p);
    pintor.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, tamanho.height());
    g.setColorAt(0, QColor(0x55, 0x55, 0x55));
    g.setColorAt(1, QColor(0x30, 0x30, 0x30));
    pintor.fillRect(p.rect(), g);
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(40);
    f.setBold(true);
    pintor.setFont(f);
    pintor.setPen(Qt::white);
    pintor.drawText(p.rect().adjusted(0, -30, 0, -30), Qt::AlignCenter, QStringLiteral("ORVAN"));
    pintor.setPen(kAzul);
    pintor.drawText(p.rect().adjusted(0, 40, 0, 40), Qt::AlignCenter, QStringLiteral("ZID"));
    return p;
}
} // namespace

TfmLogin::TfmLogin(QWidget *dono)
    : TfmXRSkin(dono)
{
    setObjectName(QStringLiteral("fmLogin"));
    setWindowTitle(QStringLiteral("Login"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    setAutoFillBackground(true);
    setFixedSize(709, 412);
    CriaControles();

    if (QScreen *tela = QGuiApplication::primaryScreen())
        move(tela->geometry().center() - QPoint(width() / 2, height() / 2));
    FLoginOk = false;
    nrTentativas = 0;
    if (DMRepres)
        edtUsuario->setText(DMRepres->BuscaNomeRep());
}

void TfmLogin::CriaControles()
{
    auto *central = new QWidget(this);
    auto *linha = new QHBoxLayout(central);
    linha->setContentsMargins(0, 0, 0, 0);
    linha->setSpacing(0);

    auto *esquerda = new QWidget(central);
    auto *campos = new QVBoxLayout(esquerda);
    campos->setContentsMargins(60, 20, 60, 30);
    campos->setSpacing(6);

    auto *titulo = new QLabel(QStringLiteral("Acesso ao sistema"), esquerda);
    QFont ft = titulo->font();
    ft.setPixelSize(22);
    titulo->setFont(ft);
    titulo->setAlignment(Qt::AlignCenter);

    auto *lblUsuario = new QLabel(QStringLiteral("Usuário"), esquerda);
    edtUsuario = new QLineEdit(esquerda);
    edtUsuario->setObjectName(QStringLiteral("edtUsuario"));
    edtUsuario->setValidator(new MaiusculasValidator(edtUsuario));
    edtUsuario->setMinimumHeight(28);

    auto *lblSenha = new QLabel(QStringLiteral("Senha"), esquerda);
    edtSenha = new QLineEdit(esquerda);
    edtSenha->setObjectName(QStringLiteral("edtSenha"));
    edtSenha->setValidator(new MaiusculasValidator(edtSenha));
    edtSenha->setEchoMode(QLineEdit::Password);
    edtSenha->setMinimumHeight(28);

    btnEntrar = new QPushButton(QStringLiteral("Acessar"), esquerda);
    btnEntrar->setObjectName(QStringLiteral("btnEntrar"));
    btnEntrar->setDefault(true);
    btnEntrar->setMinimumHeight(34);
    btnEntrar->setStyleSheet(QStringLiteral("QPushButton { background: #0066FF; color: white; border: none; }"
                                            "QPushButton:focus { border: 1px solid #404040; }"));

    lblAlerta = new QLabel(esquerda);
    lblAlerta->setObjectName(QStringLiteral("lblAlerta"));
    lblAlerta->setAlignment(Qt::AlignCenter);
    QPalette pa = lblAlerta->palette();
    pa.setColor(QPalette::WindowText, QColor(0xC0, 0x00, 0x00));
    lblAlerta->setPalette(pa);

    campos->addStretch(1);
    campos->addWidget(titulo);
    campos->addSpacing(20);
    campos->addWidget(lblUsuario);
    campos->addWidget(edtUsuario);
    campos->addWidget(lblSenha);
    campos->addWidget(edtSenha);
    campos->addSpacing(16);
    campos->addWidget(btnEntrar);
    campos->addWidget(lblAlerta);
    campos->addStretch(1);

    auto *barra = new QWidget(central);
    barra->setFixedWidth(5);
    barra->setAutoFillBackground(true);
    QPalette pb = barra->palette();
    pb.setColor(QPalette::Window, kAzul);
    barra->setPalette(pb);

    auto *direita = new QLabel(central);
    direita->setFixedWidth(709 / 2 - 5);
    direita->setPixmap(imagemLateral(QSize(709 / 2 - 5, 412)));

    linha->addWidget(esquerda, 1);
    linha->addWidget(barra);
    linha->addWidget(direita);
    setCentralWidget(central);

    imgFechar = new QToolButton(this);
    imgFechar->setObjectName(QStringLiteral("imgFechar"));
    imgFechar->setText(QStringLiteral("✕"));
    imgFechar->setAutoRaise(true);
    imgFechar->setCursor(Qt::PointingHandCursor);
    imgFechar->setStyleSheet(QStringLiteral("QToolButton { color: white; font-size: 16px; border: none; }"));
    imgFechar->setGeometry(709 - 32, 4, 28, 28);
    imgFechar->raise();

    connect(btnEntrar, &QPushButton::clicked, this, &TfmLogin::btnEntrarClick);
    connect(imgFechar, &QToolButton::clicked, this, &QWidget::close);
    for (QWidget *w : {static_cast<QWidget *>(edtUsuario), static_cast<QWidget *>(edtSenha),
                       static_cast<QWidget *>(btnEntrar), static_cast<QWidget *>(imgFechar)})
        w->installEventFilter(this);
    setTabOrder(edtUsuario, edtSenha);
    setTabOrder(edtSenha, btnEntrar);
}

void TfmLogin::btnEntrarClick()
{
    FLoginOk = false;
    ++nrTentativas;
    if (nrTentativas >= 6) {
        lblAlerta->setText(QStringLiteral("Número de tentativas excedidas"));
        close();
        return;
    }
    if (edtUsuario->text().trimmed().isEmpty()) {
        lblAlerta->setText(QStringLiteral("Favor informar o nome do Usuário"));
        edtUsuario->setFocus();
        return;
    }
    if (edtSenha->text().trimmed().isEmpty()) {
        lblAlerta->setText(QStringLiteral("Favor informar a Senha"));
        edtSenha->setFocus();
        return;
    }
    if (!DMRepres)
        throw EDatabaseError(QStringLiteral("Banco de dados não disponível"));
    const int resultado = DMRepres->ConfereSenha(edtUsuario->text(), edtSenha->text());
    FLoginOk = resultado == 0;
    if (FLoginOk) {
        close();
        return;
    }
    dialogs().messageBox(TDMRepres::MensErroLogin(resultado), QStringLiteral("Login"), MsgButtons::Ok,
                         MsgIcon::Information);
    if (resultado >= 1 && resultado <= 3)
        edtUsuario->setFocus();
    else
        close();
}

bool TfmLogin::TeclaDoForm(int tecla)
{
    if (tecla == Qt::Key_Escape) {
        FLoginOk = false;
        TerminaAplicacao();
        close();
        return true;
    }
    if (tecla == Qt::Key_Return || tecla == Qt::Key_Enter) {
        btnEntrar->click();
        return true;
    }
    return false;
}

bool TfmLogin::eventFilter(QObject *obj, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && TeclaDoForm(static_cast<QKeyEvent *>(event)->key()))
        return true;
    return TfmXRSkin::eventFilter(obj, event);
}

void TfmLogin::keyPressEvent(QKeyEvent *event)
{
    if (!TeclaDoForm(event->key()))
        TfmXRSkin::keyPressEvent(event);
}
