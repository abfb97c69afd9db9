#pragma once

#include <QDateTime>
#include <QString>

#include <functional>
#include <stdexcept>

// The daily statement-failure log and the identity of this machine.

// Raised when the log file cannot be written.
class EInOutError : public std::runtime_error {
public:
    explicit EInOutError(const QString &message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {
    }
    const QString &message() const { return m_message; }

private:
    QString m_message;
};

// Appends one "|"-separated line to Logs/<computer>-<yyyymmdd>.log beside
// the executable. Throws EInOutError when the file cannot be written.
void GravaLogArquivo(const QString &sNmMaquina, const QString &sNrIP, const QString &sUsuario,
                     const QString &sMensagem);

// Builds the line GravaLogArquivo writes (without the line break).
QString MontaLinhaLog(const QString &sNrIP, const QString &sNmForm, const QString &sUsuario,
                      const QDateTime &quando, const QString &sMensagem);

// The file GravaLogArquivo writes to today.
QString ArquivoLog(const QString &sNmMaquina);

// The window that has the focus, for the log line; the GUI installs it.
void DefineProvedorFormAtivo(std::function<QString()> provedor);

QString NomeMaquina();
QString IPLocal();
QString PreencheZeros(int iNumero, int iTamanho);
