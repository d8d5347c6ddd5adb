// The usage reporter on a real controller, station database and settings file, with a live
// station and the maker's web server both served on loopback: what each playback start sends,
// what is stored, and what is tried again. Then the request itself: its agent text and its
// second try through the proxy.
#include "report/usage_report.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "playback/player_messages.h"
#include "report/report_client.h"
#include "tests/playback/controller_fixture.h"
#include "tests/support/fixture_server.h"
#include "tests/support/media_fixtures.h"
#include "tests/support/test_env.h"

namespace velotune::test {
namespace {

const QString kUid = QStringLiteral("0f8a2c1e-5b7d-4e39-9a61-2d4c8e7b3f10");
const QString kAgent = QStringLiteral("Velotune(velotune.net)/2.1 []");
// Long enough for a request that had been started to reach the loopback server.
constexpr int kQuietMs = 1500;

class UsageReportTest : public ControllerTest {
protected:
    static void SetUpTestSuite() {
        const QString folder = MakeTempDir(QStringLiteral("media"));
        toneMade_ = !MakeToneFile(folder, ToneFormat::Mp3, 4.0).isEmpty();
        server_ = new FixtureServer(folder);
        FixtureRoute live = FixtureRoute::File(QStringLiteral("tone.mp3"), "audio/mpeg");
        live.loop = true;
        live.bytesPerSecond = 32000;
        server_->SetRoute(QStringLiteral("/live"), live);
    }
    static void TearDownTestSuite() { delete server_; }

    void SetUp() override {
        ASSERT_TRUE(toneMade_ && server_->IsRunning());
        savedHost_ = qgetenv("VELOTUNE_REPORT_HOST");
        qputenv("VELOTUNE_REPORT_HOST", server_->HostPort().toUtf8());
        seen_ = server_->Requests().size();
        reporterFactory_ = [this](IUsageReportOwner& controller) {
            auto reporter =
                std::make_unique<CUsageReportDlg>(controller, ReportIdentity::ForPlayer(uid_));
            reporter_ = reporter.get();
            return reporter;
        };
        Start({MakeStation(QStringLiteral("Tone FM"), server_->Url(QStringLiteral("/live")))}, {1});
        controller_->ShowPlaylist(&main_, 1);
        controller_->SetSelectedIndex(1);
        spy_ = std::make_unique<QSignalSpy>(reporter_, &CUsageReportDlg::RequestFinished);
    }
    void TearDown() override {
        spy_.reset();
        ControllerTest::TearDown();
        qputenv("VELOTUNE_REPORT_HOST", savedHost_);
    }

    // The next run of the player on the same settings and database.
    void NewRun() {
        spy_.reset();
        controller_.reset();
        CommandCentreSetup setup;
        setup.dataDirectory = dataDir_;
        setup.windows = &factory_;
        setup.makeUsageReporter = reporterFactory_;
        controller_ = std::make_unique<CTorvikCommandCentre>(setup);
        ASSERT_EQ(controller_->OpenDatabase(), kDbOk);
        controller_->SetMainWindow(&main_);
        controller_->ShowPlaylist(&main_, 1);
        controller_->SetSelectedIndex(1);
        spy_ = std::make_unique<QSignalSpy>(reporter_, &CUsageReportDlg::RequestFinished);
    }
    // A playback start: plays the station until it is tuned in, then stops it. The reporter has
    // been handed over to when this returns.
    void PlayOnce() {
        const auto codes = [&] { return main_.log.Params(WM_PLAYER_STATUS); };
        main_.log.messages.clear();
        ASSERT_EQ(controller_->Play(0, &main_), kCcOk);
        ASSERT_TRUE(WaitFor([&] { return codes().contains(PLAYER_TUNED); }));
        ASSERT_EQ(controller_->Stop(), kCcOk);
        ASSERT_TRUE(WaitFor([&] { return codes().contains(PLAYER_STOPPED); }));
    }
    // Waits for the n-th completion of this run: "hit 1" (install hit, delivered), "use 0"...
    QString Completion(int n) {
        if (!WaitFor([&] { return spy_->size() >= n; }, 40000))
            return QStringLiteral("none");
        const QList<QVariant>& done = spy_->at(n - 1);
        return (done[0].toInt() == WM_REPORT_HIT_DONE ? "hit " : "use ") +
               QString::number(done[1].toBool());
    }
    // The report requests the server has received in this test: path and agent of each.
    QStringList Reports() const {
        QStringList reports;
        for (const FixtureRequest& request : server_->Requests().mid(seen_))
            if (request.path != QLatin1String("/live"))
                reports.append(request.path + u' ' + request.Header(QStringLiteral("User-Agent")));
        return reports;
    }
    int Stored(int (CSettingsStore::*read)(int*) const) {
        int value = -1;
        return (controller_->Settings().*read)(&value) ? value : -1;
    }

    static inline bool toneMade_ = false;
    static inline FixtureServer* server_ = nullptr;
    QString uid_ = kUid;
    CUsageReportDlg* reporter_ = nullptr;
    std::unique_ptr<QSignalSpy> spy_;
    qsizetype seen_ = 0;
    QByteArray savedHost_;
};

TEST_F(UsageReportTest, TheInstallHitIsTriedAgainUntilDeliveredThenNothingBeforeTenStarts) {
    qputenv("VELOTUNE_REPORT_HOST", "127.0.0.1:1");  // nothing answers there
    PlayOnce();
    EXPECT_EQ(Completion(1), "hit 0");
    EXPECT_EQ(Stored(&CSettingsStore::ReadHitDelivered), -1);
    EXPECT_TRUE(messages_.Texts().isEmpty());  // silently

    qputenv("VELOTUNE_REPORT_HOST", server_->HostPort().toUtf8());
    PlayOnce();
    EXPECT_EQ(Completion(2), "hit 1");
    EXPECT_EQ(Reports(), QStringList{"/vexahits.shtml " + kUid + u'/' + kAgent});
    EXPECT_EQ(Stored(&CSettingsStore::ReadHitDelivered), 1);

    PlayOnce();
    EXPECT_FALSE(WaitFor([&] { return Reports().size() > 1; }, kQuietMs));
}

TEST_F(UsageReportTest, TheUsageReportWaitsForTheTenthStartAndGoesOnce) {
    ASSERT_TRUE(controller_->Settings().WriteHitDelivered(1));
    for (int start = 1; start <= 9; ++start)
        CountStart(controller_->Settings());
    EXPECT_EQ(Stored(&CSettingsStore::ReadUseTime), 9);
    PlayOnce();
    EXPECT_FALSE(WaitFor([&] { return !Reports().isEmpty(); }, kQuietMs));

    CountStart(controller_->Settings());  // the tenth start
    NewRun();
    PlayOnce();
    EXPECT_EQ(Completion(1), "use 1");
    EXPECT_EQ(Reports(), QStringList{"/vexause.shtml " + kUid + u'/' + kAgent});
    EXPECT_EQ(Stored(&CSettingsStore::ReadReportDelivered), 1);

    // Both delivered: nothing, ever again. The counter stops once past ten.
    for (int start = 11; start <= 13; ++start)
        CountStart(controller_->Settings());
    EXPECT_EQ(Stored(&CSettingsStore::ReadUseTime), 11);
    NewRun();
    PlayOnce();
    EXPECT_FALSE(WaitFor([&] { return Reports().size() > 1; }, kQuietMs));
}

TEST_F(UsageReportTest, LeavingDoesNotWaitForASilentServer) {
    FixtureRoute silent = FixtureRoute::Status(200);
    silent.delaySeconds = 60;
    server_->SetRoute(QStringLiteral("/vexahits.shtml"), silent);
    PlayOnce();
    ASSERT_TRUE(WaitFor([&] { return !Reports().isEmpty(); }));
    spy_.reset();
    controller_.reset();  // must interrupt the request rather than wait a minute for it
    server_->SetRoute(QStringLiteral("/vexahits.shtml"), FixtureRoute::Status(200));
    int delivered = 0;
    EXPECT_FALSE(CSettingsStore().ReadHitDelivered(&delivered));
}

TEST(ReportClientTest, TheAgentNamesUserProductChannelVersionAndSystem) {
    const QString v = QStringLiteral("2.1");
    EXPECT_EQ(CReportClient::AgentText("Velotune", 12, v, "U", "Win98"),
              "U/Velotune(tucows)/2.1 [Win98]");
    // Without a user id the agent starts with the product; outside the table there is no tag.
    EXPECT_EQ(CReportClient::AgentText("Velotune", 6, v, {}, {}), kAgent);
    EXPECT_EQ(CReportClient::AgentText("Velotune", 17, v, {}, {}), "Velotune/2.1 []");
}

TEST(ReportClientTest, AServerOutOfReachDirectlyIsTriedThroughTheProxy) {
    FixtureServer proxy(MakeTempDir());
    ASSERT_TRUE(proxy.IsRunning());
    const QByteArray saved = qgetenv("http_proxy");
    qputenv("http_proxy", proxy.Url(QString()).toUtf8());
    qunsetenv("no_proxy");
    qunsetenv("NO_PROXY");
    // Nothing listens on port 1: the direct try fails and the proxy passes the request on.
    const int sent = CReportClient(QStringLiteral("127.0.0.1:1"), QStringLiteral("/vexause.shtml"))
                         .Send("Velotune", 6, "2.1", "abc");
    qputenv("http_proxy", saved);
    EXPECT_EQ(sent, 1);
    const QList<FixtureRequest> requests = proxy.Requests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].path, QStringLiteral("/vexause.shtml"));
    EXPECT_EQ(requests[0].Header(QStringLiteral("User-Agent")), "abc/" + kAgent);
    EXPECT_EQ(requests[0].Header(QStringLiteral("Pragma")), QStringLiteral("no-cache"));
}

}  // namespace
}  // namespace velotune::test
