#include "platform/net/HttpClient.h"

#include <QElapsedTimer>
#include <QProcess>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>

namespace {

// A loopback port nobody listens on: bound, read back and released.
int closedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}

class HttpClientTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_peer = std::make_unique<QProcess>();
        s_peer->start(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral(XR_TEST_SOURCE_DIR "/tests/fake/http_echo_peer.py"), QStringLiteral("60")});
        if (s_peer->waitForStarted(5000) && s_peer->waitForReadyRead(10000))
            s_port = s_peer->readLine().trimmed().toInt();
    }

    static void TearDownTestSuite()
    {
        s_peer->kill();
        s_peer->waitForFinished(5000);
        s_peer.reset();
        s_port = 0;
    }

    void SetUp() override { ASSERT_NE(s_port, 0) << "the HTTP test peer did not start"; }

    static QString url(const char *path) { return QStringLiteral("http://127.0.0.1:%1%2").arg(s_port).arg(QLatin1String(path)); }

    static nlohmann::json echoOf(const HttpResponse &r) { return nlohmann::json::parse(r.body.toStdString()); }

    HttpClient client;
    static inline std::unique_ptr<QProcess> s_peer;
    static inline int s_port = 0;
};

TEST_F(HttpClientTest, EchoesMethodPathHeadersAndBody)
{
    QByteArray bigBody(2 * 1024 * 1024, 'x');
    bigBody[10] = '\0';
    const struct {
        HttpMethod method;
        const char *name;
        QByteArray body;
    } cases[] = {
        {HttpMethod::Get, "GET", {}},
        {HttpMethod::Post, "POST", QByteArray("a\0b", 3)},
        {HttpMethod::Post, "POST", bigBody},
        {HttpMethod::Put, "PUT", "{\"k\":1}"},
        {HttpMethod::Delete, "DELETE", "gone"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        HttpRequest req;
        req.method = c.method;
        req.url = url("/datasnap/rest/X/%22Y%22/1?q=2");
        req.headers = {{"X-Second", "2"}, {"X-First", "one"}, {"X-Empty", ""}};
        req.body = c.body;
        const HttpResponse resp = client.request(req);
        ASSERT_EQ(resp.status, 200);
        const auto echo = echoOf(resp);
        EXPECT_EQ(echo["method"], c.name);
        EXPECT_EQ(echo["path"], "/datasnap/rest/X/%22Y%22/1?q=2");
        EXPECT_EQ(QByteArray::fromBase64(QByteArray::fromStdString(echo["body"].get<std::string>())), c.body);

        std::vector<std::pair<std::string, std::string>> custom;
        for (const auto &h : echo["headers"]) {
            const std::string name = h[0];
            EXPECT_NE(name, "Expect") << "a body must not wait for 100 Continue";
            if (name.rfind("X-", 0) == 0)
                custom.emplace_back(name, h[1]);
        }
        const decltype(custom) expected = {{"X-Second", "2"}, {"X-First", "one"}, {"X-Empty", ""}};
        EXPECT_EQ(custom, expected);
    }
}

TEST_F(HttpClientTest, ErrorStatusIsAnAnswerNotAnException)
{
    for (const int code : {404, 500}) {
        HttpRequest req;
        req.url = url(QStringLiteral("/status/%1").arg(code).toLatin1().constData());
        const HttpResponse resp = client.request(req);
        EXPECT_EQ(resp.status, code);
        EXPECT_EQ(resp.body, QStringLiteral("status %1").arg(code).toLatin1());
        EXPECT_EQ(resp.header("x-peer"), "echo");
    }
}

TEST_F(HttpClientTest, RedirectIsFollowedOnlyWhenAsked)
{
    HttpRequest req;
    req.url = url("/redirect");
    const HttpResponse followed = client.request(req);
    EXPECT_EQ(followed.status, 200);
    EXPECT_EQ(echoOf(followed)["path"], "/echo/after-redirect");
    EXPECT_TRUE(followed.header("Location").isEmpty()) << "headers of the redirect answer leaked";

    req.followRedirects = false;
    const HttpResponse stopped = client.request(req);
    EXPECT_EQ(stopped.status, 302);
    EXPECT_EQ(stopped.header("location"), "/echo/after-redirect");
    EXPECT_EQ(stopped.body, "moved");
}

TEST_F(HttpClientTest, TransportFailuresThrowWithCurlText)
{
    HttpRequest slow;
    slow.url = url("/slow");
    slow.timeoutMs = 300;
    QElapsedTimer clock;
    clock.start();
    try {
        client.request(slow);
        FAIL() << "time-out not reported";
    } catch (const NetError &e) {
        EXPECT_TRUE(e.message().contains(QLatin1String("timed out"), Qt::CaseInsensitive)) << e.what();
    }
    EXPECT_LT(clock.elapsed(), 3000);

    const int port = closedPort();
    ASSERT_NE(port, 0);
    HttpRequest refused;
    refused.url = QStringLiteral("http://127.0.0.1:%1/").arg(port);
    refused.timeoutMs = 5000;
    try {
        client.request(refused);
        FAIL() << "refused connection not reported";
    } catch (const NetError &e) {
        EXPECT_TRUE(e.message().contains(QLatin1String("connect"), Qt::CaseInsensitive)) << e.what();
    }
}

TEST_F(HttpClientTest, HeaderWithLineBreakIsRejected)
{
    HttpRequest req;
    req.url = url("/echo");
    req.headers = {{"Pragma", "dssession=1\r\nX-Injected: yes"}};
    EXPECT_THROW(client.request(req), NetError);
}

// An answer is never buffered past its limit, whether the server declares
// its length or just keeps sending; up to the limit it arrives whole.
TEST_F(HttpClientTest, AnswerPastItsSizeLimitFailsWithOneClearMessage)
{
    const struct {
        const char *path;
        qint64 limit;
        bool accepted;
    } cases[] = {
        {"/big/1000", 1000, true},
        {"/stream/1000", 1000, true},
        {"/big/1001", 1000, false},
        {"/stream/1001", 1000, false},
        {"/stream/200000000", 100000, false}, // stops long before the whole answer
        {"/big/300000", kMaxHttpResponseBytes, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        HttpRequest req;
        req.url = url(c.path);
        req.timeoutMs = 20000;
        req.maxResponseBytes = c.limit;
        QElapsedTimer clock;
        clock.start();
        try {
            const HttpResponse resp = client.request(req);
            EXPECT_TRUE(c.accepted);
            EXPECT_EQ(resp.status, 200);
            EXPECT_EQ(resp.body.size(), QByteArray(c.path).mid(QByteArray(c.path).lastIndexOf('/') + 1).toLongLong());
        } catch (const NetError &e) {
            EXPECT_FALSE(c.accepted) << e.what();
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("A resposta do servidor passa do limite de"))) << e.what();
        }
        EXPECT_LT(clock.elapsed(), 10000);
    }
    EXPECT_EQ(HttpRequest().maxResponseBytes, qint64(256) << 20);
}

} // namespace
