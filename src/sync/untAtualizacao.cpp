#include "sync/untAtualizacao.h"

#include "data/UntFuncoes.h"
#include "platform/AppPaths.h"
#include "platform/DialogService.h"
#include "platform/ExecutablePackage.h"
#include "platform/Formats.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QThread>

#include <condition_variable>
#include <mutex>

TfmAtualizacao *fmAtualizacao = nullptr;

namespace {

const QString kTitulo = QStringLiteral("Atualização");
const QString kPastaFTP = QStringLiteral("/Atualizacao/Versao/ZEVIVEDE/");
const QString kArquivoVersao = QStringLiteral("VersaoVO.Txt");

// The package takes the program's fixed name with ".exe" turned into ".zipVO".
QString NomePacote()
{
    QString nome = QStringLiteral("ORVAN ZID.exe");
    return nome.replace(QStringLiteral(".exe"), QStringLiteral(".zipVO"), Qt::CaseInsensitive);
}

std::optional<std::array<quint32, 4>> LeVersao(const QString &texto)
{
    const QStringList partes = texto.trimmed().split('.');
    if (partes.size() != 4)
        return std::nullopt;
    std::array<quint32, 4> v{};
    for (int i = 0; i < 4; ++i) {
        const QString &p = partes[i];
        bool ok = !p.isEmpty() && p.size() <= 9;
        for (const QChar c : p)
            ok = ok && c >= '0' && c <= '9';
        if (!ok)
            return std::nullopt;
        v[std::size_t(i)] = p.toUInt();
    }
    return v;
}

QString PrimeiraLinha(const QByteArray &conteudo)
{
    const qsizetype fim = conteudo.indexOf('\n');
    return QString::fromLatin1(fim < 0 ? conteudo : conteudo.left(fim));
}

} // namespace

TComparacaoVersao ComparaVersoes(const QString &publicada, const QString &instalada)
{
    const auto p = LeVersao(publicada);
    if (!p)
        return TComparacaoVersao::Invalida;
    const auto i = LeVersao(instalada).value_or(std::array<quint32, 4>{});
    if (*p == i)
        return TComparacaoVersao::Igual;
    return *p < i ? TComparacaoVersao::MaisAntiga : TComparacaoVersao::MaisNova;
}

FtpSettings ConfiguracaoFTPAtualizacao()
{
    FtpSettings s;
    s.host = QStringLiteral("ftp.orvanzid.com.br");
    s.port = 21;
    s.user = QStringLiteral("zvdatualiza");
    s.password = QStringLiteral("orvanzid7351");
    s.connectTimeoutMs = 90000;
    const QString host = qEnvironmentVariable("XR_FTP_HOST");
    if (!host.isEmpty())
        s.host = host;
    bool ok = false;
    const int porta = qEnvironmentVariable("XR_FTP_PORT").toInt(&ok);
    if (ok && porta > 0 && porta < 65536)
        s.port = porta;
    return s;
}

// Hand-overs from the worker to the main thread. Each one is queued to
// the window and the worker waits for it; once dropped, pending and later
// hand-overs do nothing and the worker stops waiting.
class TCanalPrincipal : public std::enable_shared_from_this<TCanalPrincipal> {
public:
    explicit TCanalPrincipal(QObject *contexto)
        : m_contexto(contexto)
    {
    }

    bool Executa(std::function<void()> f)
    {
        Q_ASSERT(QThread::currentThread() != m_contexto->thread());
        auto feito = std::make_shared<bool>(false);
        std::unique_lock lock(m_mutex);
        if (m_descartado)
            return false;
        // posted under the lock: the window cannot be past Descarta here
        QMetaObject::invokeMethod(
            m_contexto,
            [canal = shared_from_this(), feito, f = std::move(f)] {
                if (canal->Descartado())
                    return;
                f();
                {
                    std::lock_guard l(canal->m_mutex);
                    *feito = true;
                }
                canal->m_cv.notify_all();
            },
            Qt::QueuedConnection);
        m_cv.wait(lock, [&] { return *feito || m_descartado; });
        return *feito;
    }

    void Descarta()
    {
        {
            std::lock_guard lock(m_mutex);
            m_descartado = true;
        }
        m_cv.notify_all();
    }

    bool Descartado()
    {
        std::lock_guard lock(m_mutex);
        return m_descartado;
    }

private:
    QObject *const m_contexto;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_descartado = false;
};

// ---------------------------------------------------------------- thread

ThreadAtualizador::ThreadAtualizador(TfmAtualizacao *oForm, std::shared_ptr<FtpClient> ftp,
                                     TGanchosAtualizacao::TPublicaFTP publica)
    : FForm(oForm)
    , m_ftp(std::move(ftp))
    , m_publica(std::move(publica))
    , m_canal(std::make_shared<TCanalPrincipal>(oForm))
    , m_pastaFTP(oForm->sPastaFTPNovo)
    , m_pastaLocal(apppaths::executableDir())
    , m_versaoInstalada(oForm->VersaoInstalada())
    , m_thread([this] {
        try {
            Execute();
        } catch (...) {
            // nothing leaves the thread; the session is closed below
        }
        EncerraSessao();
        m_fim = true;
    })
{
}

ThreadAtualizador::~ThreadAtualizador() { Encerra(); }

void ThreadAtualizador::Interrompe()
{
    Terminate();
    m_canal->Descarta();
    if (!m_fim)
        m_ftp->abort();
}

void ThreadAtualizador::Encerra()
{
    Interrompe();
    if (m_thread.joinable())
        m_thread.join();
}

bool ThreadAtualizador::Sincroniza(std::function<void(TfmAtualizacao *)> f)
{
    TfmAtualizacao *form = FForm;
    return m_canal->Executa([form, f = std::move(f)] { f(form); });
}

void ThreadAtualizador::Mensagem(const QString &texto)
{
    m_canal->Executa([texto] { dialogs().messageBox(texto, kTitulo, MsgButtons::Ok, MsgIcon::Information); });
}

bool ThreadAtualizador::Pergunta(const QString &texto)
{
    // the answer lives beyond this frame: a dropped question may still be on screen
    auto resposta = std::make_shared<MsgResult>(MsgResult::No);
    m_canal->Executa([texto, resposta] {
        *resposta = dialogs().messageBox(texto, kTitulo, MsgButtons::YesNo, MsgIcon::Question, 2);
    });
    return *resposta == MsgResult::Yes && !m_canal->Descartado();
}

void ThreadAtualizador::FechaJanela()
{
    Sincroniza([](TfmAtualizacao *f) { f->close(); });
}

void ThreadAtualizador::Publica(bool progresso)
{
    if (m_publica)
        m_publica(m_ftp->connected(), m_ftp->connectTimeoutMs(), progresso);
}

void ThreadAtualizador::EncerraSessao()
{
    m_ftp->quit();
    Publica(false);
}

bool ThreadAtualizador::ConectaEVerifica()
{
    const QString local = m_pastaLocal + kArquivoVersao;
    while (!Terminated() && !FResult) {
        Sincroniza([](TfmAtualizacao *f) {
            f->HabilitaBotoes(false, false, false);
            f->LProcesso->setText(QStringLiteral("Conectando no FTP... Aguarde"));
        });
        try {
            m_ftp->connect();
            Publica(false);
            Sincroniza([](TfmAtualizacao *f) { f->LProcesso->setText(QStringLiteral("Verificando a Versão... Aguarde")); });
            m_ftp->download(m_pastaFTP + kArquivoVersao, local);
            FResult = true;
        } catch (const std::exception &e) {
            const QString texto = QString::fromUtf8(e.what());
            Terminate();
            EncerraSessao();
            QFile::remove(local);
            Sincroniza([](TfmAtualizacao *f) { f->HabilitaBotoes(true, true, true); });
            Mensagem(QStringLiteral("Não conseguiu conectar com FTP\r") + texto);
        }
    }
    return FResult;
}

void ThreadAtualizador::IdFTPWorkBegin()
{
    const qint64 max = FMax;
    Sincroniza([max](TfmAtualizacao *f) {
        f->pbProgresso->setRange(0, int(std::min<qint64>(max, std::numeric_limits<int>::max())));
        f->pbProgresso->setValue(0);
        f->LProcesso->setText(QStringLiteral("Efetuando o download da atualização"));
    });
}

void ThreadAtualizador::IdFTPWork(qint64 bytes)
{
    const auto mb = [](qint64 b) { return fmt::formatFloat(QStringLiteral("0.00"), double(b) / 1024.0 / 1024.0); };
    const QString texto = mb(bytes) + QStringLiteral(" MB de ") + mb(FMax) + QStringLiteral(" MB");
    // one hand-over per visible change, not per network read
    if (texto == m_ultimoProgresso && bytes != FMax)
        return;
    m_ultimoProgresso = texto;
    const auto *flag = &m_terminated;
    Sincroniza([texto, bytes, flag](TfmAtualizacao *f) {
        if (*flag) // cancelled meanwhile: its reset stands
            return;
        f->lbKB->setText(texto);
        f->pbProgresso->setValue(int(std::min<qint64>(bytes, f->pbProgresso->maximum())));
        f->pbProgresso->repaint();
    });
}

bool ThreadAtualizador::Baixa()
{
    const QString pacote = NomePacote();
    const QString local = m_pastaLocal + pacote;
    // downloaded under another name: the package's own name always means a checked package
    const QString parcial = local + QStringLiteral(".part");

    FResult = false;
    while (!Terminated() && !FResult) {
        try {
            FMax = m_ftp->size(m_pastaFTP + pacote);
            FResult = true;
        } catch (const std::exception &e) {
            const QString texto = QString::fromUtf8(e.what());
            Terminate();
            EncerraSessao();
            Mensagem(QStringLiteral("Erro ao verificar o tamanho do arquivo de download\r") + texto);
        }
    }
    if (!FResult)
        return false;

    FResult = false;
    while (!Terminated() && !FResult) {
        Sincroniza([](TfmAtualizacao *f) {
            f->BtnAtualizacao->setEnabled(false);
            f->BtnFechar->setEnabled(false);
        });
        Publica(true);
        IdFTPWorkBegin();
        try {
            m_ftp->download(m_pastaFTP + pacote, parcial, [this](qint64 b) { IdFTPWork(b); });
            FResult = true;
        } catch (const std::exception &e) {
            const QString texto = QString::fromUtf8(e.what());
            QFile::remove(parcial);
            EncerraSessao();
            if (Terminated()) // cancelled: the button has reset the window
                return false;
            Terminate();
            Sincroniza([](TfmAtualizacao *f) { f->HabilitaBotoes(true, false, true); });
            Mensagem(QStringLiteral("Erro ao efetuar o download da atualização\r") + texto);
            return false;
        }
    }
    EncerraSessao();
    if (!FResult || Terminated()) {
        QFile::remove(parcial);
        return false;
    }
    Terminate();

    QString erro;
    const bool integro = QFileInfo(parcial).size() == FMax
        && verifyExecutablePackage(parcial, runningExecutable(), &erro);
    if (integro) {
        QFile::remove(local);
        if (!QFile::rename(parcial, local)) {
            erro = QStringLiteral("cannot rename");
            QFile::remove(parcial);
            Sincroniza([](TfmAtualizacao *f) { f->HabilitaBotoes(true, false, true); });
            Mensagem(QStringLiteral("Erro ao efetuar o download da atualização\r") + erro);
            return false;
        }
    } else {
        QFile::remove(parcial);
        Sincroniza([](TfmAtualizacao *f) {
            f->HabilitaBotoes(true, false, true);
            f->pbProgresso->setValue(0);
            f->lbKB->clear();
            f->LProcesso->setText(QStringLiteral("Status"));
        });
        Mensagem(QStringLiteral("Pacote de atualização inválido."));
        return false;
    }
    return Sincroniza([](TfmAtualizacao *f) {
        f->pbProgresso->setValue(f->pbProgresso->maximum());
        f->HabilitaBotoes(true, false, true);
        f->bBaixou = true;
    });
}

void ThreadAtualizador::Execute()
{
    if (!ConectaEVerifica())
        return;

    const QString local = m_pastaLocal + kArquivoVersao;
    QString publicada;
    {
        QFile f(local);
        if (f.open(QIODevice::ReadOnly))
            publicada = PrimeiraLinha(f.readAll());
    }
    QFile::remove(local);
    const QString instalada = m_versaoInstalada;
    Sincroniza([instalada, publicada](TfmAtualizacao *f) {
        f->edtVerInst->setText(instalada);
        f->edtVerAtual->setText(publicada.trimmed());
    });

    switch (ComparaVersoes(publicada, instalada)) {
    case TComparacaoVersao::Invalida:
        Terminate();
        EncerraSessao();
        Sincroniza([](TfmAtualizacao *f) {
            f->pbProgresso->setValue(0);
            f->LProcesso->clear();
            f->HabilitaBotoes(true, true, true);
        });
        Mensagem(QStringLiteral("Arquivo de versão inválido no servidor."));
        return;
    case TComparacaoVersao::Igual:
    case TComparacaoVersao::MaisAntiga:
        // nothing newer: up to date
        Sincroniza([](TfmAtualizacao *f) {
            f->pbProgresso->setValue(0);
            f->LProcesso->clear();
        });
        EncerraSessao();
        Terminate();
        Sincroniza([](TfmAtualizacao *f) { f->HabilitaBotoes(true, true, true); });
        FechaJanela();
        return;
    case TComparacaoVersao::MaisNova: break;
    }

    if (!Pergunta(QStringLiteral("Existe uma versão atualizada disponível!\rDeseja fazer o download?"))) {
        Terminate();
        EncerraSessao();
        FechaJanela();
        return;
    }
    Sincroniza([](TfmAtualizacao *f) {
        f->btnCancelar->setEnabled(true);
        f->BtnFechar->setEnabled(true);
    });
    if (!Baixa())
        return;

    bool atualizar = false;
    if (Pergunta(QStringLiteral("Download concluído!\rDeseja Atualizar?"))
        && Pergunta(QStringLiteral("O sistema será fechado!Os dados não gravados serão perdidos!\rContinuar?")))
        atualizar = true;
    Sincroniza([atualizar](TfmAtualizacao *f) {
        if (atualizar)
            f->bAtualizar = true;
        f->bAtualizador = atualizar;
    });
    FechaJanela();
}

// ---------------------------------------------------------------- window

TfmAtualizacao::TfmAtualizacao(QWidget *dono, TGanchosAtualizacao ganchos, FtpSettings ftp)
    : TfmTelaSimples(dono)
    , IdFTP(std::make_shared<FtpClient>(std::move(ftp)))
    , m_ganchos(std::move(ganchos))
{
    setObjectName(QStringLiteral("fmAtualizacao"));
    setWindowTitle(kTitulo);
    SetFormStyleMdi(false);
    CriaControles();
    FormCreate();
    fmAtualizacao = this;
}

TfmAtualizacao::~TfmAtualizacao()
{
    FormDestroy();
    if (fmAtualizacao == this)
        fmAtualizacao = nullptr;
}

void TfmAtualizacao::CriaControles()
{
    auto *grade = new QGridLayout(Corpo());
    grade->setContentsMargins(8, 8, 8, 4);
    const auto rotulo = [this](const QString &texto) { return new QLabel(texto, Corpo()); };
    const auto edita = [this](const char *nome) {
        auto *e = new QLineEdit(Corpo());
        e->setObjectName(QLatin1String(nome));
        e->setReadOnly(true);
        return e;
    };
    edtVerInst = edita("edtVerInst");
    edtVerAtual = edita("edtVerAtual");
    LProcesso = rotulo(QStringLiteral("Download:"));
    LProcesso->setObjectName(QStringLiteral("LProcesso"));
    lbKB = rotulo(QString());
    lbKB->setObjectName(QStringLiteral("lbKB"));
    pbProgresso = new QProgressBar(Corpo());
    pbProgresso->setObjectName(QStringLiteral("pbProgresso"));
    pbProgresso->setTextVisible(false);

    grade->addWidget(rotulo(QStringLiteral("Versão Instalada")), 0, 0);
    grade->addWidget(rotulo(QStringLiteral("Versão Atual")), 0, 1);
    grade->addWidget(edtVerInst, 1, 0);
    grade->addWidget(edtVerAtual, 1, 1);
    grade->addWidget(LProcesso, 2, 0, 1, 2);
    grade->addWidget(rotulo(QStringLiteral("Transferido:")), 3, 0);
    grade->addWidget(lbKB, 3, 1);
    grade->addWidget(pbProgresso, 4, 0, 1, 2);
    grade->setRowStretch(5, 1);

    BtnAtualizacao = new QPushButton(QStringLiteral("&Atualizar"), PnBotoes);
    BtnAtualizacao->setObjectName(QStringLiteral("BtnAtualizacao"));
    btnCancelar = new QPushButton(QStringLiteral("&Cancelar"), PnBotoes);
    btnCancelar->setObjectName(QStringLiteral("btnCancelar"));
    auto *botoes = static_cast<QHBoxLayout *>(PnBotoes->layout());
    botoes->insertWidget(0, btnCancelar);
    botoes->insertWidget(0, BtnAtualizacao);
    for (QPushButton *b : {BtnAtualizacao, btnCancelar, BtnFechar})
        b->setFixedSize(90, 30);
    PnBotoes->show();

    connect(BtnAtualizacao, &QPushButton::clicked, this, &TfmAtualizacao::BtnAtualizacaoClick);
    connect(btnCancelar, &QPushButton::clicked, this, &TfmAtualizacao::btnCancelarClick);
}

void TfmAtualizacao::FormCreate()
{
    bAtualizar = false;
    bAtualizador = false;
    if (!bBaixou)
        bBaixou = BaixouPrincipal();
    TGanchosAtualizacao::TPublicaFTP publica;
    if (m_ganchos.LigaFTP) {
        QPointer<TfmAtualizacao> eu(this);
        publica = m_ganchos.LigaFTP([eu] {
            if (eu)
                eu->EncerraSessaoFTP();
        });
    }
    m_publica = std::move(publica);
    edtVerInst->setText(VersaoInstalada());
    pbProgresso->setValue(0);
    LProcesso->setText(QStringLiteral("Status"));
    sPastaFTPNovo = kPastaFTP;
    resize(300, 215);
    if (const QScreen *tela = QGuiApplication::primaryScreen())
        move(tela->availableGeometry().center() - rect().center());
}

void TfmAtualizacao::FormDestroy()
{
    // the worker uses this window and its session until it has stopped
    if (oThread)
        oThread->Encerra();
    oThread.reset();
    if (m_ganchos.DesligaFTP)
        m_ganchos.DesligaFTP();
    if (bAtualizar) {
        if (m_ganchos.DefineAtualizarPrincipal)
            m_ganchos.DefineAtualizarPrincipal(true);
        if (bAtualizador && m_ganchos.TerminaAplicacao)
            m_ganchos.TerminaAplicacao();
    } else if (m_ganchos.DefineBaixouPrincipal) {
        m_ganchos.DefineBaixouPrincipal(bBaixou);
    }
}

void TfmAtualizacao::FormClose(TCloseAction &action)
{
    TfmTelaSimples::FormClose(action);
    // the window is freed soon: stop the worker's hand-overs now
    EncerraSessaoFTP();
}

void TfmAtualizacao::EncerraSessaoFTP()
{
    if (oThread)
        oThread->Interrompe();
}

bool TfmAtualizacao::BaixouPrincipal() const
{
    return m_ganchos.BaixouPrincipal && m_ganchos.BaixouPrincipal();
}

QString TfmAtualizacao::VersaoInstalada() const
{
    if (m_ganchos.Versao)
        return m_ganchos.Versao();
    QString versao;
    GetVersao(versao);
    return versao;
}

void TfmAtualizacao::HabilitaBotoes(bool atualizar, bool cancelar, bool fechar)
{
    BtnAtualizacao->setEnabled(atualizar);
    btnCancelar->setEnabled(cancelar);
    BtnFechar->setEnabled(fechar);
}

void TfmAtualizacao::BuscaAtualizacao()
{
    if (oThread && oThread->Rodando() && !oThread->Terminated())
        return;
    QString mensagem;
    bResult = m_ganchos.VerificaInternet ? m_ganchos.VerificaInternet(mensagem) : VerificaInternet(mensagem);
    if (!bResult) {
        if (!mensagem.isEmpty()) {
            dialogs().messageBox(mensagem, kTitulo, MsgButtons::Ok, MsgIcon::Information);
            LProcesso->clear();
            pbProgresso->setValue(0);
        }
        return;
    }
    // a stopped worker may still be unwinding
    if (oThread)
        oThread->Encerra();
    oThread.reset();
    IdFTP->clearAbort();
    oThread = std::make_unique<ThreadAtualizador>(this, IdFTP, m_publica);
}

void TfmAtualizacao::BtnAtualizacaoClick()
{
    if (!bBaixou)
        bBaixou = BaixouPrincipal();
    if (!bBaixou) {
        BuscaAtualizacao();
        return;
    }
    const auto pergunta = [this](const QString &texto) {
        return dialogs().messageBox(texto, windowTitle(), MsgButtons::YesNo, MsgIcon::Question, 2) == MsgResult::Yes;
    };
    if (pergunta(QStringLiteral("Já existe uma atualização baixada. Deseja Atualizar?"))) {
        if (pergunta(QStringLiteral("O sistema será fechado!Os dados não gravados serão perdidos!\rContinuar?"))) {
            bAtualizar = true;
            bAtualizador = true;
            close();
        }
    } else {
        bAtualizador = false;
    }
}

void TfmAtualizacao::btnCancelarClick()
{
    if (!IdFTP->connected())
        return;
    if (oThread)
        oThread->Terminate();
    IdFTP->abort();
    HabilitaBotoes(true, btnCancelar->isEnabled(), true);
    LProcesso->setText(QStringLiteral("Status"));
    lbKB->clear();
    pbProgresso->setValue(0);
}
