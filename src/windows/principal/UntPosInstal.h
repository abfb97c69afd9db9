#pragma once

#include <QDialog>

#include <functional>

class IServidorPosInstal;
class QLineEdit;
class QPushButton;
class TDMRepres;
class TZVEnter;

// First configuration of a fresh installation: server, port,
// representative, user and password, checked against the server before
// the one CONFIG row is written.
class TFmPosInstall : public QDialog {
    Q_OBJECT
public:
    TFmPosInstall(TDMRepres &dm, IServidorPosInstal *servidor, QWidget *dono = nullptr);
    ~TFmPosInstall() override;

    // The CONFIG row was inserted and committed.
    bool FPosInstall = false;

    QLineEdit *EdtServidor;
    QLineEdit *EdtPorta;
    QLineEdit *EdtCodRep;
    QLineEdit *EdtUsuario;
    QLineEdit *EdtSenha;
    QPushButton *BtnGravar;
    QPushButton *BtnFechar;
    TZVEnter *ZVEnter = nullptr;

    void BtnGravarClick();

    // Whether the machine has a network; replaceable so tests do not
    // depend on the machine they run on. An empty function restores the
    // real check.
    static void InstalaVerificaInternet(std::function<bool(QString &mensagem)> verifica);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void CriaControles();
    bool CamposPreenchidos();
    bool TestaConexao(bool &rest);
    bool ValidaLogin(bool rest);
    bool GravaConfig();
    void Aviso(const QString &texto, const QString &titulo);

    TDMRepres &m_dm;
    IServidorPosInstal *m_servidor;
};

// Installs the window as the local-database module's first-run answer:
// shown modally when CONFIG has no row; closed without a saved row, the
// run ends (exit code 0).
void InstalaPosInstalacao(IServidorPosInstal *servidor);
