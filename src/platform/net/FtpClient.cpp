#include "platform/net/FtpClient.h"

#include <QFile>
#include <QUrl>

#include <curl/curl.h>

#include <mutex>
#include <set>

#include <sys/socket.h>
#include <unistd.h>

namespace {

void ensureCurlGlobalInit()
{
    static const CURLcode rc = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (rc != CURLE_OK)
        throw NetError(QString::fromUtf8(curl_easy_strerror(rc)));
}

void check(CURLcode rc)
{
    if (rc != CURLE_OK)
        throw NetError(QString::fromUtf8(curl_easy_strerror(rc)));
}

// Errors after which the control connection cannot be trusted any more.
bool losesSession(CURLcode rc)
{
    switch (rc) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_LOGIN_DENIED:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_ABORTED_BY_CALLBACK:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_FTP_ACCEPT_FAILED:
        return true;
    default:
        return false;
    }
}

} // namespace

struct FtpClient::Impl {
    CURL *handle = nullptr;
    char errorText[CURL_ERROR_SIZE] = {};

    // Sockets of the session, so abort() can break a blocked command.
    std::mutex socketsMutex;
    std::set<curl_socket_t> sockets;
    const std::atomic<bool> *aborted = nullptr;

    // What the running command does with the bytes it receives.
    QFile *target = nullptr;
    bool writeFailed = false;
    const std::function<void(qint64)> *progress = nullptr;
    qint64 lastReported = -1;

    static curl_socket_t openSocket(void *user, curlsocktype, curl_sockaddr *address)
    {
        auto *self = static_cast<Impl *>(user);
        const curl_socket_t fd = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
        if (fd == CURL_SOCKET_BAD)
            return fd;
        std::lock_guard lock(self->socketsMutex);
        self->sockets.insert(fd);
        return fd;
    }

    static int closeSocket(void *user, curl_socket_t fd)
    {
        auto *self = static_cast<Impl *>(user);
        {
            // removed before closing: abort() never touches a reused number
            std::lock_guard lock(self->socketsMutex);
            self->sockets.erase(fd);
        }
        return ::close(fd);
    }

    static size_t onData(char *data, size_t size, size_t count, void *user)
    {
        auto *self = static_cast<Impl *>(user);
        const size_t n = size * count;
        // without a target (SIZE) curl passes its made-up headers: dropped
        if (self->target && self->target->write(data, qint64(n)) != qint64(n)) {
            self->writeFailed = true;
            return 0;
        }
        return n;
    }

    static int onProgress(void *user, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t)
    {
        auto *self = static_cast<Impl *>(user);
        if (self->aborted && *self->aborted)
            return 1;
        if (self->progress && *self->progress && dlnow != self->lastReported) {
            self->lastReported = dlnow;
            (*self->progress)(qint64(dlnow));
        }
        return 0;
    }

    void shutdownSockets()
    {
        std::lock_guard lock(socketsMutex);
        for (curl_socket_t fd : sockets)
            ::shutdown(fd, SHUT_RDWR);
    }

    void drop()
    {
        if (handle)
            curl_easy_cleanup(handle);
        handle = nullptr;
    }
};

FtpClient::FtpClient(FtpSettings settings)
    : m_settings(std::move(settings))
    , m_impl(std::make_unique<Impl>())
{
    m_impl->aborted = &m_aborted;
}

FtpClient::~FtpClient() { m_impl->drop(); }

void FtpClient::prepare(const QString &remotePath)
{
    if (m_aborted)
        throw NetError(QStringLiteral("Operation aborted"));
    ensureCurlGlobalInit();
    Impl &d = *m_impl;
    if (!d.handle) {
        d.handle = curl_easy_init();
        if (!d.handle)
            throw NetError(QStringLiteral("Cannot create an FTP session"));
        CURL *h = d.handle;
        const QByteArray user = m_settings.user.toUtf8();
        const QByteArray password = m_settings.password.toUtf8();
        check(curl_easy_setopt(h, CURLOPT_ERRORBUFFER, d.errorText));
        check(curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "ftp"));
        check(curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L));
        check(curl_easy_setopt(h, CURLOPT_IPRESOLVE, long(CURL_IPRESOLVE_V4)));
        check(curl_easy_setopt(h, CURLOPT_FTP_USE_EPSV, 0L));
        check(curl_easy_setopt(h, CURLOPT_TRANSFERTEXT, 0L));
        check(curl_easy_setopt(h, CURLOPT_PROXY, ""));
        check(curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, long(m_settings.connectTimeoutMs)));
        check(curl_easy_setopt(h, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_NOCWD)));
        check(curl_easy_setopt(h, CURLOPT_USERNAME, user.constData()));
        check(curl_easy_setopt(h, CURLOPT_PASSWORD, password.constData()));
        check(curl_easy_setopt(h, CURLOPT_OPENSOCKETFUNCTION, &Impl::openSocket));
        check(curl_easy_setopt(h, CURLOPT_OPENSOCKETDATA, &d));
        check(curl_easy_setopt(h, CURLOPT_CLOSESOCKETFUNCTION, &Impl::closeSocket));
        check(curl_easy_setopt(h, CURLOPT_CLOSESOCKETDATA, &d));
        check(curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Impl::onData));
        check(curl_easy_setopt(h, CURLOPT_WRITEDATA, &d));
        check(curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L));
        check(curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &Impl::onProgress));
        check(curl_easy_setopt(h, CURLOPT_XFERINFODATA, &d));
    }
    // An absolute path is sent as it is (%2F keeps the leading slash).
    QByteArray url = "ftp://" + QUrl::toPercentEncoding(m_settings.host, ".-") + ':'
        + QByteArray::number(m_settings.port) + '/';
    QString path = remotePath;
    if (path.startsWith('/')) {
        url += "%2F";
        path.remove(0, 1);
    }
    url += QUrl::toPercentEncoding(path, "/");
    check(curl_easy_setopt(d.handle, CURLOPT_URL, url.constData()));
    d.target = nullptr;
    d.writeFailed = false;
    d.progress = nullptr;
    d.lastReported = -1;
    d.errorText[0] = '\0';
}

void FtpClient::perform()
{
    Impl &d = *m_impl;
    const CURLcode rc = curl_easy_perform(d.handle);
    d.target = nullptr;
    d.progress = nullptr;
    if (rc == CURLE_OK) {
        m_connected = true;
        return;
    }
    QString text = QString::fromUtf8(d.errorText[0] ? d.errorText : curl_easy_strerror(rc));
    if (m_aborted || rc == CURLE_ABORTED_BY_CALLBACK)
        text = QStringLiteral("Operation aborted");
    if (m_aborted || losesSession(rc)) {
        m_connected = false;
        d.drop();
    }
    throw NetError(text);
}

void FtpClient::connect()
{
    prepare(QStringLiteral("/"));
    check(curl_easy_setopt(m_impl->handle, CURLOPT_NOBODY, 1L));
    try {
        perform();
    } catch (...) {
        m_connected = false;
        m_impl->drop();
        throw;
    }
}

qint64 FtpClient::size(const QString &remotePath)
{
    prepare(remotePath);
    check(curl_easy_setopt(m_impl->handle, CURLOPT_NOBODY, 1L));
    perform();
    curl_off_t length = -1;
    check(curl_easy_getinfo(m_impl->handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length));
    if (length < 0)
        throw NetError(QStringLiteral("The server gave no size for %1").arg(remotePath));
    return qint64(length);
}

void FtpClient::download(const QString &remotePath, const QString &localFile,
                         const std::function<void(qint64)> &progress)
{
    prepare(remotePath);
    QFile file(localFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw NetError(QStringLiteral("Cannot write %1: %2").arg(localFile, file.errorString()));
    Impl &d = *m_impl;
    check(curl_easy_setopt(d.handle, CURLOPT_NOBODY, 0L));
    check(curl_easy_setopt(d.handle, CURLOPT_HTTPGET, 1L));
    // the caller checks what arrived against size(); no SIZE of our own
    check(curl_easy_setopt(d.handle, CURLOPT_IGNORE_CONTENT_LENGTH, 1L));
    d.target = &file;
    d.progress = &progress;
    try {
        perform();
    } catch (const NetError &e) {
        if (d.writeFailed)
            throw NetError(QStringLiteral("Cannot write %1: %2").arg(localFile, file.errorString()));
        throw;
    }
    if (!file.flush())
        throw NetError(QStringLiteral("Cannot write %1: %2").arg(localFile, file.errorString()));
}

void FtpClient::quit()
{
    // closing the handle sends QUIT on a live connection
    m_impl->drop();
    m_connected = false;
}

void FtpClient::abort()
{
    m_aborted = true;
    m_impl->shutdownSockets();
}

void FtpClient::clearAbort() { m_aborted = false; }
