// The fixture server is what every network test stands on: it must serve files, canned answers
// and record what it was asked.
#include <gtest/gtest.h>

#include <QFile>
#include <QTcpSocket>

#include "tests/support/fixture_server.h"
#include "tests/support/test_env.h"

namespace velotune::test {
namespace {

// A plain HTTP/1.0 GET; returns the whole response (head and body).
QByteArray Get(const FixtureServer& server, const QByteArray& path, const QByteArray& agent) {
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), server.Port());
    if (!socket.waitForConnected(5000))
        return {};
    socket.write("GET " + path + " HTTP/1.0\r\nUser-Agent: " + agent + "\r\n\r\n");
    QByteArray response;
    while (socket.waitForReadyRead(5000))
        response += socket.readAll();
    return response + socket.readAll();
}

TEST(FixtureServerTest, ServesFilesRoutesAndRecordsRequests) {
    const QString root = MakeTempDir();
    QFile file(root + QStringLiteral("/a.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("hello");
    file.close();

    FixtureServer server(root);
    ASSERT_TRUE(server.IsRunning());
    EXPECT_TRUE(Get(server, "/a.txt", "one").endsWith("\r\n\r\nhello"));
    EXPECT_TRUE(Get(server, "/missing", "two").startsWith("HTTP/1.1 404"));

    server.SetRoute(QStringLiteral("/page"), FixtureRoute::Status(400, "bad"));
    const QByteArray canned = Get(server, "/page?x=1", "three");
    EXPECT_TRUE(canned.startsWith("HTTP/1.1 400"));
    EXPECT_TRUE(canned.endsWith("bad"));
    EXPECT_FALSE(Get(server, "/../etc/passwd", "four").contains("root:"));

    const QList<FixtureRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 4);
    EXPECT_EQ(requests[2].path, QStringLiteral("/page"));
    EXPECT_EQ(requests[2].query, QStringLiteral("x=1"));
    EXPECT_EQ(requests[2].Header(QStringLiteral("user-agent")), QStringLiteral("three"));
}

}  // namespace
}  // namespace velotune::test
