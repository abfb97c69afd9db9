#pragma once

#include "components/untTelaSimples.h"
#include "platform/net/FtpClient.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class TCanalPrincipal;
class TfmAtualizacao;

// How the published version stands against the installed one. Both are
// four whole numbers joined by points; blanks and line breaks around them
// do not count.
enum class TComparacaoVersao { Invalida, Igual, MaisAntiga, MaisNova };
TComparacaoVersao ComparaVersoes(const QString &publicada, const QString &instalada);

// The update server: fixed settings of the program. XR_FTP_HOST and
// XR_FTP_PORT in the environment replace host and port (tests).
FtpSettings ConfiguracaoFTPAtualizacao();

// What the update window reaches outside the sync layer; the program body
// wires it. Empty members are skipped (or take the default said).
struct TGanchosAtualizacao {
    // The internet check; mensagem gets what to show when it fails.
    // Empty: VerificaInternet.
    std::function<bool(QString &mensagem)> VerificaInternet;
    // The installed version "a.b.c.d". Empty: the program's own.
    std::function<QString()> Versao;
    // The main window's flags.
    std::function<bool()> BaixouPrincipal;
    std::function<void(bool)> DefineBaixouPrincipal;
    std::function<void(bool)> DefineAtualizarPrincipal;
    // Points the main window at this window's FTP session. encerra ends the
    // session (main thread); the answer publishes the session's state and
    // may be called from the worker thread.
    using TPublicaFTP = std::function<void(bool conectado, int tempoConexaoMs, bool progresso)>;
    std::function<TPublicaFTP(std::function<void()> encerra)> LigaFTP;
    std::function<void()> DesligaFTP;
    // Ends the application.
    std::function<void()> TerminaAplicacao;
};

// The worker that checks the version and downloads the package. Every
// change to the window runs in the main thread, one at a time, while the
// worker waits; closing the window drops what is still pending.
class ThreadAtualizador {
public:
    ThreadAtualizador(TfmAtualizacao *oForm, std::shared_ptr<FtpClient> ftp, TGanchosAtualizacao::TPublicaFTP publica);
    ~ThreadAtualizador();

    void Terminate() { m_terminated = true; }
    bool Terminated() const { return m_terminated; }
    bool Rodando() const { return !m_fim; }
    // Asks it to stop, drops its pending hand-overs and breaks the
    // transfer, without waiting.
    void Interrompe();
    // Interrompe, then waits for it. Main thread only.
    void Encerra();

private:
    void Execute();
    bool ConectaEVerifica();
    bool Baixa();
    void IdFTPWorkBegin();
    void IdFTPWork(qint64 bytes);
    void Publica(bool progresso);
    void EncerraSessao();
    // Runs f in the main thread and waits; false when dropped.
    bool Sincroniza(std::function<void(TfmAtualizacao *)> f);
    void Mensagem(const QString &texto);
    bool Pergunta(const QString &texto);
    void FechaJanela();

    TfmAtualizacao *const FForm; // touched only inside hand-overs
    const std::shared_ptr<FtpClient> m_ftp;
    const TGanchosAtualizacao::TPublicaFTP m_publica;
    const std::shared_ptr<TCanalPrincipal> m_canal;
    const QString m_pastaFTP;
    const QString m_pastaLocal;
    const QString m_versaoInstalada;
    std::atomic<bool> m_terminated{false};
    std::atomic<bool> m_fim{false};
    bool FResult = false;
    qint64 FMax = 0;
    QString m_ultimoProgresso;
    std::thread m_thread;
};

class TfmAtualizacao : public TfmTelaSimples {
    Q_OBJECT
public:
    explicit TfmAtualizacao(QWidget *dono = nullptr, TGanchosAtualizacao ganchos = {},
                            FtpSettings ftp = ConfiguracaoFTPAtualizacao());
    ~TfmAtualizacao() override;

    QString sPastaFTPNovo;
    bool bBaixou = false;
    bool bAtualizar = false;
    bool bAtualizador = false;
    bool bResult = false;

    QLineEdit *edtVerInst;
    QLineEdit *edtVerAtual;
    QLabel *LProcesso;
    QLabel *lbKB;
    QProgressBar *pbProgresso;
    QPushButton *BtnAtualizacao;
    QPushButton *btnCancelar;

    const std::shared_ptr<FtpClient> IdFTP;

    void BuscaAtualizacao();
    void BtnAtualizacaoClick();
    void btnCancelarClick();

    // The worker is running (tests wait on this).
    bool ThreadAtiva() const { return oThread && oThread->Rodando(); }
    const TGanchosAtualizacao &Ganchos() const { return m_ganchos; }
    QString VersaoInstalada() const;
    void HabilitaBotoes(bool atualizar, bool cancelar, bool fechar);

protected:
    void FormClose(TCloseAction &action) override;

private:
    void FormCreate();
    void CriaControles();
    void FormDestroy();
    // Stops the worker without waiting (the main window's "close anyway").
    void EncerraSessaoFTP();
    bool BaixouPrincipal() const;

    const TGanchosAtualizacao m_ganchos;
    TGanchosAtualizacao::TPublicaFTP m_publica;
    std::unique_ptr<ThreadAtualizador> oThread;
};

extern TfmAtualizacao *fmAtualizacao;
