// The usage reporter on a real controller, station database and settings file, with a live
// station and the maker's web server both served on loopback: what each playback start sends,
// what is stored, and what is tried again.
#include "report/usage_report.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <optional>

#include "playback/player_messages.h"
#include "tests/playback/controller_fixture.h"
#include "tests/support/fixture_server.h"
#include "tests/support/media_fixtures.h"
#include "tests/support/test_env.h"

namespace velotune::test {
namespace {

const QString kUid = QStringLiteral("0f8a2c1e-5b7d-4e39-9a61-2d4c8e7b3f10");
const QString kHit = QStringLiteral("/vexahits.shtml");
const QString kUse = QStringLiteral("/vexause.shtml");
// Long enough for a request that was started to reach the loopback server.
constexpr int kQuietMs = 1500;

class UsageReportTest : public ControllerTest {
protected:
    static void SetUpTestSuite() {
        folder_ = new QString(MakeTempDir(QStringLiteral("media")));
        mp3_ =
            new QString(MakeToneFile(*folder_, ToneFormat::Mp3, 4.0, {}, QStringLiteral("loop")));
        server_ = new FixtureServer(*folder_);
        FixtureRoute live =
            FixtureRoute::File(QStringLiteral("loop.mp3"), QStringLiteral("audio/mpeg"));
        live.loop = true;
        live.bytesPerSecond = 32000;
        server_->SetRoute(QStringLiteral("/live"), live);
    }
    static void TearDownTestSuite() {
        delete server_;
        delete mp3_;
        delete folder_;
    }

    void SetUp() override {
        ASSERT_FALSE(mp3_->isEmpty());
        ASSERT_TRUE(server_->IsRunning());
        savedHost_ = qgetenv("VELOTUNE_REPORT_HOST");
        UseReportHost(server_->HostPort());
        requestsBefore_ = server_->Requests().size();
        reporterFactory_ = [this](CTorvikCommandCentre& controller) {
            auto reporter =
                std::make_unique<CUsageReportDlg>(controller, ReportIdentity::ForPlayer(uid_));
            reporter_ = reporter.get();
            return reporter;
        };
        Start({MakeStation(QStringLiteral("Tone FM"), server_->Url(QStringLiteral("/live")))}, {1});
        SelectStation();
    }
    void TearDown() override {
        ControllerTest::TearDown();
        qputenv("VELOTUNE_REPORT_HOST", savedHost_);
    }

    static void UseReportHost(const QString& host) {
        qputenv("VELOTUNE_REPORT_HOST", host.toUtf8());
    }
    void SelectStation() {
        ASSERT_NE(reporter_, nullptr);
        controller_->ShowPlaylist(&main_, 1);
        controller_->SetSelectedIndex(1);
    }
    // A new run of the player on the same settings and database: a new controller and reporter.
    void NewRun() {
        controller_.reset();
        main_.log.messages.clear();
        CommandCentreSetup setup;
        setup.dataDirectory = dataDir_;
        setup.programDirectory = programDir_;
        setup.windows = &factory_;
        setup.makeUsageReporter = reporterFactory_;
        controller_ = std::make_unique<CTorvikCommandCentre>(setup);
        ASSERT_EQ(controller_->OpenDatabase(), kDbOk);
        controller_->SetMainWindow(&main_);
        SelectStation();
    }

    // Plays the station until it is tuned in and stops it again. The reporter's hand-over has
    // run when this returns.
    void PlayOnce() {
        main_.log.messages.clear();
        ASSERT_EQ(controller_->Play(0, &main_), kCcOk);
        ASSERT_TRUE(
            WaitFor([&] { return main_.log.Params(WM_PLAYER_STATUS).contains(PLAYER_TUNED); }));
        Drain();
        ASSERT_EQ(controller_->Stop(), kCcOk);
        ASSERT_TRUE(
            WaitFor([&] { return main_.log.Params(WM_PLAYER_STATUS).contains(PLAYER_STOPPED); }));
    }
    // Waits for the reporter's n-th completion (counting from 1); its delivered flag, or nullopt
    // on time-out.
    std::optional<bool> Completion(QSignalSpy& spy, qsizetype n) {
        if (!WaitFor([&] { return spy.size() >= n; }, 40000))
            return std::nullopt;
        return spy.at(n - 1).at(1).toBool();
    }
    // The requests for report pages since the test began.
    QList<FixtureRequest> Reports() const {
        QList<FixtureRequest> reports;
        const QList<FixtureRequest> all = server_->Requests();
        for (qsizetype i = requestsBefore_; i < all.size(); ++i)
            if (all[i].path == kHit || all[i].path == kUse)
                reports.append(all[i]);
        return reports;
    }
    int Stored(int (CSettingsStore::*read)(int*) const) {
        int value = 0;
        return (controller_->Settings().*read)(&value) ? value : -1;
    }

    static QString* folder_;
    static QString* mp3_;
    static FixtureServer* server_;
    QString uid_ = kUid;
    CUsageReportDlg* reporter_ = nullptr;
    QByteArray savedHost_;
    qsizetype requestsBefore_ = 0;
};
QString* UsageReportTest::folder_ = nullptr;
QString* UsageReportTest::mp3_ = nullptr;
FixtureServer* UsageReportTest::server_ = nullptr;

TEST_F(UsageReportTest, TheFirstPlaybackStartSendsTheInstallHit) {
    QSignalSpy done(reporter_, &CUsageReportDlg::RequestFinished);
    PlayOnce();
    ASSERT_EQ(Completion(done, 1), std::optional<bool>(true));
    EXPECT_EQ(done.at(0).at(0).toInt(), WM_REPORT_HIT_DONE);

    const QList<FixtureRequest> reports = Reports();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].path, kHit);
    EXPECT_EQ(reports[0].Header(QStringLiteral("User-Agent")),
              kUid + QStringLiteral("/Velotune(velotune.net)/2.1 []"));
    EXPECT_EQ(Stored(&CSettingsStore::ReadHitDelivered), 1);
    EXPECT_EQ(Stored(&CSettingsStore::ReadReportDelivered), -1);
    EXPECT_TRUE(messages_.Texts().isEmpty());

    // The usage report waits for ten starts: the next playback start sends nothing.
    PlayOnce();
    EXPECT_FALSE(WaitFor([&] { return Reports().size() > 1; }, kQuietMs));
}

TEST_F(UsageReportTest, AnInstallHitThatFailedIsTriedAgainAtTheNextStart) {
    QSignalSpy done(reporter_, &CUsageReportDlg::RequestFinished);
    UseReportHost(QStringLiteral("127.0.0.1:1"));  // nothing answers there
    PlayOnce();
    ASSERT_EQ(Completion(done, 1), std::optional<bool>(false));
    EXPECT_EQ(Stored(&CSettingsStore::ReadHitDelivered), -1);
    EXPECT_TRUE(messages_.Texts().isEmpty());  // failures are silent

    UseReportHost(server_->HostPort());
    PlayOnce();
    ASSERT_EQ(Completion(done, 2), std::optional<bool>(true));
    ASSERT_EQ(Reports().size(), 1);
    EXPECT_EQ(Reports()[0].path, kHit);
    EXPECT_EQ(Stored(&CSettingsStore::ReadHitDelivered), 1);
}

TEST_F(UsageReportTest, TheUsageReportWaitsForTheTenthStartAndIsSentOnce) {
    ASSERT_TRUE(controller_->Settings().WriteHitDelivered(1));
    for (int start = 1; start <= 9; ++start)
        CountStart(controller_->Settings());
    ASSERT_EQ(Stored(&CSettingsStore::ReadUseTime), 9);
    PlayOnce();
    EXPECT_FALSE(WaitFor([&] { return !Reports().isEmpty(); }, kQuietMs));

    CountStart(controller_->Settings());  // the tenth start
    NewRun();
    QSignalSpy done(reporter_, &CUsageReportDlg::RequestFinished);
    PlayOnce();
    ASSERT_EQ(Completion(done, 1), std::optional<bool>(true));
    EXPECT_EQ(done.at(0).at(0).toInt(), WM_REPORT_USE_DONE);
    ASSERT_EQ(Reports().size(), 1);
    EXPECT_EQ(Reports()[0].path, kUse);
    EXPECT_EQ(Reports()[0].Header(QStringLiteral("User-Agent")),
              kUid + QStringLiteral("/Velotune(velotune.net)/2.1 []"));
    EXPECT_EQ(Stored(&CSettingsStore::ReadReportDelivered), 1);

    // Delivered: never again.
    NewRun();
    PlayOnce();
    EXPECT_FALSE(WaitFor([&] { return Reports().size() > 1; }, kQuietMs));
}

TEST_F(UsageReportTest, NothingIsSentOnceBothAreDelivered) {
    ASSERT_TRUE(controller_->Settings().WriteHitDelivered(1));
    ASSERT_TRUE(controller_->Settings().WriteReportDelivered(1));
    ASSERT_TRUE(controller_->Settings().WriteUseTime(11));
    PlayOnce();
    PlayOnce();
    EXPECT_FALSE(WaitFor([&] { return !Reports().isEmpty(); }, kQuietMs));
}

TEST_F(UsageReportTest, WithoutAUserIdTheAgentStartsWithTheProduct) {
    uid_.clear();
    NewRun();
    QSignalSpy done(reporter_, &CUsageReportDlg::RequestFinished);
    PlayOnce();
    ASSERT_EQ(Completion(done, 1), std::optional<bool>(true));
    ASSERT_EQ(Reports().size(), 1);
    EXPECT_EQ(Reports()[0].Header(QStringLiteral("User-Agent")),
              QStringLiteral("Velotune(velotune.net)/2.1 []"));
}

TEST_F(UsageReportTest, LeavingDoesNotWaitForASilentServer) {
    // The server takes the request but does not answer for a minute.
    FixtureRoute silent = FixtureRoute::Status(200);
    silent.delaySeconds = 60;
    server_->SetRoute(kHit, silent);
    PlayOnce();
    ASSERT_TRUE(WaitFor([&] { return !Reports().isEmpty(); }));
    controller_.reset();  // interrupts the request and joins the worker
    server_->SetRoute(kHit, FixtureRoute::Status(200));
    CSettingsStore settings;
    int delivered = 0;
    EXPECT_FALSE(settings.ReadHitDelivered(&delivered));
}

TEST(CountStartTest, TheStartCounterStopsAtEleven) {
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", MakeTempDir(QStringLiteral("config")).toUtf8());
    CSettingsStore settings;
    int count = 0;
    EXPECT_FALSE(settings.ReadUseTime(&count));
    CountStart();
    ASSERT_TRUE(settings.ReadUseTime(&count));
    EXPECT_EQ(count, 1);
    for (int start = 2; start <= 15; ++start)
        CountStart();
    ASSERT_TRUE(settings.ReadUseTime(&count));
    EXPECT_EQ(count, 11);
    qputenv("XDG_CONFIG_HOME", saved);
}

}  // namespace
}  // namespace velotune::test
