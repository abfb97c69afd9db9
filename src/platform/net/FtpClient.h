#pragma once

#include "platform/net/HttpClient.h" // NetError

#include <QString>

#include <atomic>
#include <functional>
#include <memory>

struct FtpSettings {
    QString host;
    int port = 21;
    QString user;
    QString password;
    int connectTimeoutMs = 90000;
};

// One FTP session over a single libcurl handle, so the login is reused by
// every command until quit(): IPv4, passive mode, binary transfers, no read
// time-out, no proxy. Errors are NetErrors carrying libcurl's text.
//
// The commands are blocking and meant for one worker thread; abort() and
// the state getters may be called from any other thread.
class FtpClient {
public:
    explicit FtpClient(FtpSettings settings);
    ~FtpClient();
    FtpClient(const FtpClient &) = delete;
    FtpClient &operator=(const FtpClient &) = delete;

    const FtpSettings &settings() const { return m_settings; }

    // Logs in (or checks the live session).
    void connect();
    // Size in bytes of a remote file (SIZE).
    qint64 size(const QString &remotePath);
    // Downloads a remote file into localFile, replacing it. progress gets
    // the bytes received so far; it runs in the calling thread.
    void download(const QString &remotePath, const QString &localFile,
                  const std::function<void(qint64)> &progress = {});
    // Sends QUIT when the session is alive and drops the connection.
    void quit();

    // Breaks the running command at once (its sockets are shut down) and
    // makes every later command fail until clearAbort().
    void abort();
    void clearAbort();
    bool aborted() const { return m_aborted; }

    bool connected() const { return m_connected; }
    int connectTimeoutMs() const { return m_settings.connectTimeoutMs; }

private:
    struct Impl;
    void prepare(const QString &remotePath);
    void perform();

    const FtpSettings m_settings;
    std::unique_ptr<Impl> m_impl;
    std::atomic<bool> m_connected{false};
    std::atomic<bool> m_aborted{false};
};
