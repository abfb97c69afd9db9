#pragma once

#include <QByteArray>
#include <QString>

#include <stdexcept>
#include <utility>
#include <vector>

// A transfer that did not complete (no connection, time-out, broken
// answer). HTTP error statuses are answers, not NetErrors.
class NetError : public std::runtime_error {
public:
    explicit NetError(const QString &message);
    QString message() const { return m_message; }

private:
    QString m_message;
};

enum class HttpMethod { Get, Post, Put, Delete };

// Largest answer body accepted by default; past it the transfer stops.
inline constexpr qint64 kMaxHttpResponseBytes = qint64(256) << 20;

// Name/value pairs in the order they are sent or were received.
using HttpHeaders = std::vector<std::pair<QByteArray, QByteArray>>;

struct HttpRequest {
    HttpMethod method = HttpMethod::Get;
    QString url;
    HttpHeaders headers;
    QByteArray body; // sent with POST, PUT and (when not empty) DELETE
    int timeoutMs = 90000; // whole transfer; 0 = no limit
    bool followRedirects = true;
    // An answer body past this many bytes ends the transfer with a NetError
    // instead of growing without bound until the time-out.
    qint64 maxResponseBytes = kMaxHttpResponseBytes;
};

struct HttpResponse {
    int status = 0;
    HttpHeaders headers; // of the final answer when redirects were followed
    QByteArray body;

    // First header of that name (case-insensitive); empty when absent.
    QByteArray header(const QByteArray &name) const;
};

// Blocking HTTP over libcurl. Each call uses its own handle, so one client
// may be used from several threads at once.
class HttpClient {
public:
    HttpResponse request(const HttpRequest &req) const;
};
