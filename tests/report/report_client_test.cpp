// The report request itself: the agent text, and how a request finds its way to the server.
#include "report/report_client.h"

#include <gtest/gtest.h>

#include "report/maker_site.h"
#include "tests/support/fixture_server.h"
#include "tests/support/test_env.h"

namespace velotune::test {
namespace {

const QString kVelotune = QStringLiteral("Velotune");
const QString kVersion = QStringLiteral("2.1");

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : name_(name), old_(qgetenv(name)) {
        had_ = qEnvironmentVariableIsSet(name);
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    QByteArray old_;
    bool had_ = false;
};

TEST(ReportClientTest, TheAgentNamesUserProductChannelVersionAndSystem) {
    EXPECT_EQ(CReportClient::AgentText(kVelotune, 12, kVersion, QStringLiteral("U"),
                                       QStringLiteral("Win98")),
              QStringLiteral("U/Velotune(tucows)/2.1 [Win98]"));
    // Without a user id the agent starts with the product.
    EXPECT_EQ(CReportClient::AgentText(kVelotune, 0, kVersion, {}, {}),
              QStringLiteral("Velotune(adds)/2.1 []"));
    // Outside the table there is no tag.
    EXPECT_EQ(CReportClient::AgentText(kVelotune, 17, kVersion, {}, {}),
              QStringLiteral("Velotune/2.1 []"));
    EXPECT_EQ(CReportClient::AgentText(kVelotune, -1, kVersion, {}, {}),
              QStringLiteral("Velotune/2.1 []"));
    EXPECT_EQ(CReportClient::ChannelTag(16), QStringLiteral("(mcafee)"));
    // The maker's own site under its three domains; the player is built with the middle one.
    EXPECT_EQ(CReportClient::ChannelTag(5), QStringLiteral("(velotune.com)"));
    EXPECT_EQ(CReportClient::ChannelTag(6), QStringLiteral("(velotune.net)"));
    EXPECT_EQ(CReportClient::ChannelTag(7), QStringLiteral("(velotune.org)"));
    EXPECT_EQ(CReportClient::OperatingSystemName(), QString());
}

TEST(ReportClientTest, TheServerGetsTheAgentAndTheRequestIsFreshFromIt) {
    FixtureServer server(MakeTempDir());
    ASSERT_TRUE(server.IsRunning());
    // Any answer counts: the server has seen the agent.
    server.SetRoute(QStringLiteral("/vexahits.shtml"), FixtureRoute::Status(404));
    const CReportClient client(server.HostPort(), QStringLiteral("/vexahits.shtml"));
    EXPECT_EQ(client.Send(kVelotune, 6, kVersion, QStringLiteral("abc")), 1);

    const QList<FixtureRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].method, QStringLiteral("GET"));
    EXPECT_EQ(requests[0].path, QStringLiteral("/vexahits.shtml"));
    EXPECT_EQ(requests[0].Header(QStringLiteral("User-Agent")),
              QStringLiteral("abc/Velotune(velotune.net)/2.1 []"));
    EXPECT_EQ(requests[0].Header(QStringLiteral("Pragma")), QStringLiteral("no-cache"));
}

TEST(ReportClientTest, AServerOutOfReachDirectlyIsTriedThroughTheProxy) {
    FixtureServer proxy(MakeTempDir());
    ASSERT_TRUE(proxy.IsRunning());
    const ScopedEnv httpProxy("http_proxy", proxy.Url(QString()).toUtf8());
    const ScopedEnv noProxy("no_proxy", QByteArray());
    const ScopedEnv noProxyUpper("NO_PROXY", QByteArray());

    // Nothing listens on port 1: the direct try fails, the proxy passes the request on.
    const CReportClient client(QStringLiteral("127.0.0.1:1"), QStringLiteral("/vexause.shtml"));
    EXPECT_EQ(client.Send(kVelotune, 6, kVersion, {}), 1);
    const QList<FixtureRequest> requests = proxy.Requests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].path, QStringLiteral("/vexause.shtml"));
    EXPECT_EQ(requests[0].Header(QStringLiteral("User-Agent")),
              QStringLiteral("Velotune(velotune.net)/2.1 []"));
}

TEST(ReportClientTest, AServerOutOfReachEverywhereIsAFailure) {
    const ScopedEnv httpProxy("http_proxy", QByteArray());
    const CReportClient client(QStringLiteral("127.0.0.1:1"), QStringLiteral("/vexahits.shtml"));
    EXPECT_EQ(client.Send(kVelotune, 6, kVersion, QStringLiteral("abc")), 0);
}

TEST(ReportClientTest, TheMakersPagesLiveOnTheReportHost) {
    const ScopedEnv host("VELOTUNE_REPORT_HOST", "127.0.0.1:8080");
    EXPECT_EQ(ReportServerHost(), QStringLiteral("127.0.0.1:8080"));
    EXPECT_EQ(ProductPageUrl(), QStringLiteral("http://127.0.0.1:8080/products/velostn/"));
    EXPECT_EQ(SupportPageUrl(), QStringLiteral("http://127.0.0.1:8080/support/"));
    const ScopedEnv none("VELOTUNE_REPORT_HOST", QByteArray());
    EXPECT_FALSE(ReportServerHost().isEmpty());
}

}  // namespace
}  // namespace velotune::test
