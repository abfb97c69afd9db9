#include "platform/net/HttpClient.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>

NetError::NetError(const QString &message)
    : std::runtime_error(message.toStdString())
    , m_message(message)
{
}

QByteArray HttpResponse::header(const QByteArray &name) const
{
    for (const auto &[n, v] : headers)
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return v;
    return {};
}

namespace {

void ensureCurlGlobalInit()
{
    // A function-local static runs exactly once even with concurrent callers.
    static const CURLcode rc = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (rc != CURLE_OK)
        throw NetError(QString::fromUtf8(curl_easy_strerror(rc)));
}

struct CurlDeleter {
    void operator()(CURL *h) const { curl_easy_cleanup(h); }
};
struct SlistDeleter {
    void operator()(curl_slist *l) const { curl_slist_free_all(l); }
};

struct BodySink {
    QByteArray *body;
    qint64 max;
    bool exceeded = false;
};

size_t onBody(char *data, size_t size, size_t count, void *user)
{
    auto *sink = static_cast<BodySink *>(user);
    const qint64 n = qint64(size * count);
    if (qint64(sink->body->size()) + n > sink->max) {
        sink->exceeded = true;
        return 0; // curl ends the transfer with a write error
    }
    sink->body->append(data, qsizetype(n));
    return size * count;
}

NetError tooLarge(qint64 max)
{
    return NetError(QStringLiteral("A resposta do servidor passa do limite de %1 MiB")
                        .arg(QString::number(double(max) / double(qint64(1) << 20), 'g', 6)));
}

size_t onHeader(char *data, size_t size, size_t count, void *user)
{
    auto *headers = static_cast<HttpHeaders *>(user);
    const QByteArray line = QByteArray(data, qsizetype(size * count)).trimmed();
    // Every answer (redirects, 100 Continue) starts with its status line;
    // only the last answer's headers are kept.
    if (line.startsWith("HTTP/")) {
        headers->clear();
    } else if (const qsizetype colon = line.indexOf(':'); colon > 0) {
        headers->emplace_back(line.left(colon).trimmed(), line.mid(colon + 1).trimmed());
    }
    return size * count;
}

const char *methodName(HttpMethod m)
{
    switch (m) {
    case HttpMethod::Get: return "GET";
    case HttpMethod::Post: return "POST";
    case HttpMethod::Put: return "PUT";
    case HttpMethod::Delete: return "DELETE";
    }
    return "GET";
}

void check(CURLcode rc)
{
    if (rc != CURLE_OK)
        throw NetError(QString::fromUtf8(curl_easy_strerror(rc)));
}

} // namespace

HttpResponse HttpClient::request(const HttpRequest &req) const
{
    ensureCurlGlobalInit();
    std::unique_ptr<CURL, CurlDeleter> handle(curl_easy_init());
    if (!handle)
        throw NetError(QStringLiteral("Cannot create an HTTP transfer"));
    CURL *h = handle.get();

    HttpResponse resp;
    char errorText[CURL_ERROR_SIZE] = {};
    const QByteArray url = req.url.toUtf8();

    bool callerSetExpect = false;
    std::unique_ptr<curl_slist, SlistDeleter> headerList;
    auto addHeader = [&headerList](const QByteArray &line) {
        curl_slist *grown = curl_slist_append(headerList.get(), line.constData());
        if (!grown)
            throw NetError(QStringLiteral("Out of memory building request headers"));
        headerList.release();
        headerList.reset(grown);
    };
    for (const auto &[name, value] : req.headers) {
        // Values may come from a server (a session id): no smuggled lines.
        const auto hasLineBreak = [](const QByteArray &b) { return b.contains('\r') || b.contains('\n'); };
        if (name.isEmpty() || name.contains(':') || hasLineBreak(name) || hasLineBreak(value))
            throw NetError(QStringLiteral("Invalid HTTP header \"%1\"").arg(QString::fromUtf8(name)));
        callerSetExpect = callerSetExpect || name.compare("Expect", Qt::CaseInsensitive) == 0;
        // "Name;" is curl's way to send a header with an empty value.
        addHeader(value.isEmpty() ? QByteArray(name + ';') : QByteArray(name + ": " + value));
    }
    // Servers that do not answer "100 Continue" would stall every larger body.
    if (!callerSetExpect)
        addHeader("Expect:");

    check(curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText));
    check(curl_easy_setopt(h, CURLOPT_URL, url.constData()));
    check(curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https"));
    check(curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https"));
    // Time-outs must not rely on signals in a threaded program.
    check(curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L));
    check(curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, long(std::max(req.timeoutMs, 0))));
    check(curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, req.followRedirects ? 1L : 0L));
    check(curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L));
    check(curl_easy_setopt(h, CURLOPT_HTTPHEADER, headerList.get()));
    check(curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &onBody));
    BodySink sink{&resp.body, std::max<qint64>(req.maxResponseBytes, 0)};
    check(curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink));
    // a declared length past the limit fails before any byte is kept
    check(curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(sink.max)));
    check(curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &onHeader));
    check(curl_easy_setopt(h, CURLOPT_HEADERDATA, &resp.headers));

    const bool sendsBody = req.method == HttpMethod::Post || req.method == HttpMethod::Put
        || (req.method == HttpMethod::Delete && !req.body.isEmpty());
    if (sendsBody) {
        check(curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(req.body.size())));
        check(curl_easy_setopt(h, CURLOPT_POSTFIELDS, req.body.constData()));
    } else {
        check(curl_easy_setopt(h, CURLOPT_HTTPGET, 1L));
    }
    if (req.method != HttpMethod::Get && req.method != HttpMethod::Post)
        check(curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, methodName(req.method)));

    const CURLcode rc = curl_easy_perform(h);
    if (sink.exceeded || rc == CURLE_FILESIZE_EXCEEDED)
        throw tooLarge(sink.max);
    if (rc != CURLE_OK)
        throw NetError(QString::fromUtf8(errorText[0] ? errorText : curl_easy_strerror(rc)));

    long status = 0;
    check(curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status));
    resp.status = int(status);
    return resp;
}
