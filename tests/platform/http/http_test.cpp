// The HTTP layer carries reference files, update pages, the update package and the usage hits.
// Every test talks to loopback fixture servers; a second fixture server plays the proxy (a proxy
// is asked for the origin's absolute URL, so the request it records names the origin as Host).
#include "platform/http/http.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRandomGenerator>
#include <QTcpServer>
#include <chrono>
#include <future>

#include "tests/support/fixture_server.h"
#include "tests/support/test_env.h"

namespace velotune::platform {
namespace {

using test::FixtureRoute;
using test::FixtureServer;

constexpr auto kWait = std::chrono::seconds(30);

void WriteFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

HttpOptions Direct() {
    HttpOptions options;
    options.access = HttpAccess::Direct;
    options.connectTimeoutMs = 5000;
    options.stallTimeoutMs = 10000;
    return options;
}

QByteArray ReadAll(HttpRequest& request) {
    QByteArray all;
    char block[1023];
    qint64 n = 0;
    while ((n = request.Read(block, sizeof block)) > 0)
        all.append(block, n);
    EXPECT_EQ(n, 0) << HttpErrorName(request.Error()) << request.ErrorText().toStdString();
    return all;
}

class HttpTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearProxyEnvironment();
        ASSERT_TRUE(server_.IsRunning());
    }
    void TearDown() override { ClearProxyEnvironment(); }

    static void ClearProxyEnvironment() {
        for (const char* name :
             {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY", "no_proxy", "NO_PROXY"})
            qunsetenv(name);
    }

    FixtureServer server_{test::MakeTempDir(QStringLiteral("www"))};
};

TEST_F(HttpTest, LinesComeBackWholeAcrossBlocks) {
    QList<QByteArray> lines;
    QByteArray body;
    for (int i = 0; i < 400; ++i) {
        lines.append("<ref href=\"mms://host/" + QByteArray(qsizetype(i % 37) * 11, 'x') + "\"/>");
        body += lines.last() + (i % 2 ? "\r\n" : "\n");
    }
    // An empty line, one longer than the body bytes held back, and a last one without a break.
    lines << QByteArray() << QByteArray(600000, 'L') << "last line";
    body += "\n" + lines[lines.size() - 2] + "\n" + lines.last();
    server_.SetRoute(QStringLiteral("/a.asx"),
                     FixtureRoute::Body(body, QStringLiteral("video/x-ms-asf")));

    HttpRequest request;
    ASSERT_EQ(request.Open(server_.Url(QStringLiteral("/a.asx")), Direct()), HttpError::None);
    EXPECT_EQ(request.ContentType(), "video/x-ms-asf");
    QList<QByteArray> read;
    QByteArray line;
    while (request.ReadLine(&line))
        read.append(line);
    EXPECT_EQ(request.Error(), HttpError::None);
    EXPECT_EQ(read, lines);
}

TEST_F(HttpTest, BlockReadsReassembleALargeFileAndEndlessStreamsStream) {
    QByteArray data(3 * 1024 * 1024 + 17, Qt::Uninitialized);
    QRandomGenerator rng(7);
    for (char& c : data)
        c = char(rng.bounded(256));
    WriteFile(server_.Root() + QStringLiteral("/vexadb.exe"), data);

    HttpRequest request;
    ASSERT_EQ(request.Open(server_.Url(QStringLiteral("/vexadb.exe")), Direct()), HttpError::None);
    EXPECT_TRUE(ReadAll(request) == data);

    // A live stream never ends: reading some of it must not wait for the rest.
    FixtureRoute live = FixtureRoute::File(QStringLiteral("vexadb.exe"));
    live.loop = true;
    server_.SetRoute(QStringLiteral("/live"), live);
    ASSERT_EQ(request.Open(server_.Url(QStringLiteral("/live")), Direct()), HttpError::None);
    char block[4096];
    for (qint64 total = 0, n = 0; total < 8 * data.size(); total += n)
        ASSERT_GT(n = request.Read(block, sizeof block), 0);
}

TEST_F(HttpTest, StatusCodesRedirectsAndRequestHeaders) {
    WriteFile(server_.Root() + QStringLiteral("/update.html"), "<meta name=\"version\">");
    server_.SetRoute(QStringLiteral("/bad"), FixtureRoute::Status(400, "bad request"));
    FixtureRoute moved = FixtureRoute::Status(302);
    moved.headers.insert(QStringLiteral("Location"), QStringLiteral("/update.html"));
    server_.SetRoute(QStringLiteral("/moved"), moved);

    HttpRequest request;
    ASSERT_EQ(request.Open(server_.Url(QStringLiteral("/bad")), Direct()), HttpError::None);
    EXPECT_EQ(request.StatusCode(), 400);
    EXPECT_EQ(ReadAll(request), "bad request");
    ASSERT_EQ(request.Open(server_.Url(QStringLiteral("/missing")), Direct()), HttpError::None);
    EXPECT_EQ(request.StatusCode(), 404);
    ASSERT_EQ(request.Open(server_.Url(QStringLiteral("/moved")), Direct()), HttpError::None);
    EXPECT_EQ(request.StatusCode(), 200);
    EXPECT_EQ(ReadAll(request), "<meta name=\"version\">");

    // A usage hit waits for the answer's head only, however slowly its body would come.
    FixtureRoute slow = FixtureRoute::Body(QByteArray(50000, 'x'));
    slow.bytesPerSecond = 1000;
    server_.SetRoute(QStringLiteral("/vexause.shtml"), slow);
    HttpOptions options = Direct();
    options.userAgent = "0f8fad5b-d9cb/VelotuneT/2.1  [Linux]";
    options.version = HttpVersion::Http10;
    options.noCache = true;
    int status = 0;
    ASSERT_EQ(HttpSend(server_.Url(QStringLiteral("/vexause.shtml")), options, &status),
              HttpError::None);
    EXPECT_EQ(status, 200);

    const QList<test::FixtureRequest> requests = server_.Requests();
    ASSERT_FALSE(requests.isEmpty());
    const test::FixtureRequest& hit = requests.last();
    EXPECT_EQ(hit.Header(QStringLiteral("User-Agent")), QString::fromUtf8(options.userAgent));
    EXPECT_EQ(hit.Header(QStringLiteral("Pragma")), QStringLiteral("no-cache"));
    EXPECT_EQ(hit.Header(QStringLiteral("Cache-Control")), QStringLiteral("no-cache"));
    EXPECT_FALSE(requests.first().headers.contains(QStringLiteral("User-Agent")));
}

TEST_F(HttpTest, NetworkFailuresGiveTheirErrors) {
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        closedPort = probe.serverPort();
    }
    HttpRequest request;
    EXPECT_EQ(request.Open(QStringLiteral("http://127.0.0.1:%1/").arg(closedPort), Direct()),
              HttpError::ConnectFailed);
    EXPECT_FALSE(request.ErrorText().isEmpty());
    EXPECT_EQ(request.Open(QStringLiteral("file:///etc/passwd"), Direct()), HttpError::BadUrl);

    FixtureRoute dropped = FixtureRoute::Body(QByteArray(100000, 'd'));
    dropped.closeAfterBytes = 30000;
    server_.SetRoute(QStringLiteral("/dropped"), dropped);
    ASSERT_EQ(request.Open(server_.Url(QStringLiteral("/dropped")), Direct()), HttpError::None);
    char block[1023];
    qint64 n = 0;
    while ((n = request.Read(block, sizeof block)) > 0) {
    }
    EXPECT_EQ(n, -1);
    EXPECT_EQ(request.Error(), HttpError::ConnectionLost);

    // The server takes the request and says nothing for far longer than the stall timeout.
    FixtureRoute silent = FixtureRoute::Body("late");
    silent.delaySeconds = 60;
    server_.SetRoute(QStringLiteral("/silent"), silent);
    HttpOptions options = Direct();
    options.stallTimeoutMs = 300;
    EXPECT_EQ(request.Open(server_.Url(QStringLiteral("/silent")), options), HttpError::Timeout);
}

TEST_F(HttpTest, AccessTypesChooseTheRoute) {
    FixtureServer proxy(test::MakeTempDir(QStringLiteral("proxy")));
    ASSERT_TRUE(proxy.IsRunning());
    WriteFile(server_.Root() + QStringLiteral("/who.txt"), "origin");
    WriteFile(proxy.Root() + QStringLiteral("/who.txt"), "proxy");

    auto fetch = [this](HttpAccess access) {
        HttpOptions options = Direct();
        options.access = access;
        HttpRequest request;
        const HttpError error = request.Open(server_.Url(QStringLiteral("/who.txt")), options);
        return error == HttpError::None ? ReadAll(request) : QByteArray(HttpErrorName(error));
    };

    EXPECT_EQ(fetch(HttpAccess::Preconfig), "origin");
    EXPECT_EQ(fetch(HttpAccess::Proxy), HttpErrorName(HttpError::NoProxy));
    qputenv("http_proxy", proxy.Url(QString()).toUtf8());
    EXPECT_EQ(fetch(HttpAccess::Preconfig), "proxy");
    EXPECT_EQ(fetch(HttpAccess::Direct), "origin");
    EXPECT_EQ(fetch(HttpAccess::Proxy), "proxy");
    // no_proxy is the environment's own exception; the named proxy ignores it.
    qputenv("no_proxy", "127.0.0.1");
    EXPECT_EQ(fetch(HttpAccess::Preconfig), "origin");
    EXPECT_EQ(fetch(HttpAccess::Proxy), "proxy");

    const QList<test::FixtureRequest> viaProxy = proxy.Requests();
    ASSERT_EQ(viaProxy.size(), 3);
    for (const test::FixtureRequest& r : viaProxy)
        EXPECT_EQ(r.Header(QStringLiteral("Host")), server_.HostPort());
}

TEST_F(HttpTest, CancelFromAnotherThreadEndsWaitsPromptly) {
    FixtureRoute trickle = FixtureRoute::Body(QByteArray(1 << 20, 't'));
    trickle.bytesPerSecond = 2000;
    server_.SetRoute(QStringLiteral("/trickle"), trickle);
    FixtureRoute silent = FixtureRoute::Body("late");
    silent.delaySeconds = 60;
    server_.SetRoute(QStringLiteral("/silent"), silent);

    auto cancel = std::make_shared<HttpCancel>();
    HttpOptions options = Direct();
    options.stallTimeoutMs = 120000;
    options.cancel = cancel;

    // A download under way: cancelled between two reads or inside a blocked one.
    std::promise<void> started;
    auto download = std::async(std::launch::async, [&] {
        HttpRequest request;
        if (request.Open(server_.Url(QStringLiteral("/trickle")), options) != HttpError::None)
            return HttpError::Failed;
        char block[1023];
        for (bool first = true; request.Read(block, sizeof block) > 0; first = false)
            if (first)
                started.set_value();
        return request.Error();
    });
    ASSERT_EQ(started.get_future().wait_for(kWait), std::future_status::ready);
    cancel->Cancel();
    ASSERT_EQ(download.wait_for(kWait), std::future_status::ready);
    EXPECT_EQ(download.get(), HttpError::Cancelled);

    // A request still waiting for its answer.
    cancel->Reset();
    auto waiting = std::async(std::launch::async, [&] {
        HttpRequest request;
        return request.Open(server_.Url(QStringLiteral("/silent")), options);
    });
    while (server_.Requests().size() < 2)
        ASSERT_NE(waiting.wait_for(std::chrono::milliseconds(20)), std::future_status::ready);
    cancel->Cancel();
    ASSERT_EQ(waiting.wait_for(kWait), std::future_status::ready);
    EXPECT_EQ(waiting.get(), HttpError::Cancelled);
}

// https is verified: a self-signed server is a TLS failure, unless its certificate is in the
// bundle SSL_CERT_FILE names.
TEST_F(HttpTest, HttpsServersAreVerifiedAgainstTheNamedBundle) {
    const QString folder = test::MakeTempDir(QStringLiteral("tls"));
    QString cert;
    QString key;
    ASSERT_TRUE(FixtureServer::MakeCertificate(folder, &cert, &key));
    FixtureServer tls(folder, cert, key);
    ASSERT_TRUE(tls.IsRunning());
    tls.SetRoute(QStringLiteral("/page"), FixtureRoute::Body("secret"));
    const QByteArray saved = qgetenv("SSL_CERT_FILE");
    const bool hadBundle = qEnvironmentVariableIsSet("SSL_CERT_FILE");

    qunsetenv("SSL_CERT_FILE");
    HttpRequest refused;
    EXPECT_EQ(refused.Open(tls.Url(QStringLiteral("/page")), Direct()), HttpError::TlsError);

    qputenv("SSL_CERT_FILE", QFile::encodeName(cert));
    HttpRequest accepted;
    ASSERT_EQ(accepted.Open(tls.Url(QStringLiteral("/page")), Direct()), HttpError::None)
        << accepted.ErrorText().toStdString();
    EXPECT_EQ(ReadAll(accepted), QByteArray("secret"));

    if (hadBundle)
        qputenv("SSL_CERT_FILE", saved);
    else
        qunsetenv("SSL_CERT_FILE");
}

}  // namespace
}  // namespace velotune::platform
