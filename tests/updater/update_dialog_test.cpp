// The update sequence as a user lives it, against a loopback update server: every ending with its
// status texts and progress positions, the user's playlist carried into the new edition, the
// user's database untouched by every failure, "Start Update" working again after each error, and
// quitting during the download.
#include "updater/update_dialog.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QTcpServer>
#include <iostream>
#include <optional>

#include "res/texts.h"
#include "settings/settings_store.h"
#include "stationdb/radiodatabase.h"
#include "tests/support/message_recorder.h"
#include "tests/support/test_env.h"
#include "tests/updater/updater_fixture.h"

namespace velotune {
namespace {

using test::FixtureRoute;
using test::ReadFile;
using test::WaitUntil;

QString T(const char* text) {
    return QString::fromUtf8(text);
}

class UpdateDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::ClearProxyEnvironment();
        ASSERT_TRUE(server_.IsRunning());
        config_ = test::MakeInstallation(server_);
        userFile_ = ReadFile(config_.DatabasePath());
        CSettingsStore().WriteUID(QStringLiteral("uid-1234"));
    }

    void Open(const QString& version = QStringLiteral("20")) {
        dialog_ = std::make_unique<CTorvikDBUpdateDlg>(config_, version, [this] { ++closed_; });
        QObject::connect(dialog_.get(), &CTorvikDBUpdateDlg::StatusChanged,
                         [this](const QString& s) { statuses_.append(s); });
        QObject::connect(Progress(), &QProgressBar::valueChanged,
                         [this](int p) { positions_.append(p); });
        dialog_->show();
    }

    QPushButton* Button(int id) const {
        return dialog_->findChild<QPushButton*>(QString::number(id));
    }
    QProgressBar* Progress() const {
        return dialog_->findChild<QProgressBar*>(QString::number(IDC_PROGRESS));
    }

    // Presses "Start Update" and waits for the sequence to end; returns the statuses it showed.
    QStringList Run() {
        statuses_.clear();
        positions_.clear();
        EXPECT_TRUE(Button(IDOK)->isEnabled());
        Button(IDOK)->click();
        EXPECT_TRUE(WaitUntil([this] { return !dialog_->IsUpdating(); }, 60000));
        return statuses_;
    }

    QStringList Requested() const {
        QStringList paths;
        for (const test::FixtureRequest& r : server_.Requests())
            paths.append(r.path);
        return paths;
    }

    // After an error: the user may close, or start again.
    void ExpectFailedState() const {
        EXPECT_FALSE(dialog_->IsUpdating());
        EXPECT_TRUE(Button(IDOK)->isEnabled());
        EXPECT_TRUE(Button(IDCANCEL)->isEnabled());
        EXPECT_EQ(Button(IDCANCEL)->text(), T(text::kCloseUpdates));
    }

    void ExpectUserDatabaseUntouched() const {
        EXPECT_EQ(ReadFile(config_.DatabasePath()), userFile_);
        EXPECT_FALSE(QFile::exists(config_.NewDatabasePath()));
    }

    // The message box that said why the check or the download failed.
    void ExpectReason(const char* frame, const QString& reason) {
        ASSERT_FALSE(messages_.Texts().isEmpty());
        EXPECT_EQ(messages_.Last(), T(frame) + reason);
        messages_.Clear();
    }
    QString Said(const char* text) const {
        return T(text).arg(QStringLiteral("127.0.0.1"));
    }

    QStringList CachedPackages() const {
        return QDir(config_.cacheDir + QStringLiteral("/download")).entryList(QDir::Files);
    }

    test::FixtureServer server_{test::MakeTempDir(QStringLiteral("www"))};
    UpdaterConfig config_;
    QByteArray userFile_;
    std::unique_ptr<CTorvikDBUpdateDlg> dialog_;
    QStringList statuses_;
    QList<int> positions_;
    int closed_ = 0;
    test::MessageRecorder messages_{platform::kIdYes};
};

TEST_F(UpdateDialogTest, FullUpdateCarriesThePlaylistIntoTheNewEdition) {
    test::Publish(server_, 21, test::PackageOf(test::NewEdition()));
    Open();
    EXPECT_EQ(dialog_->Status(), T(text::kStatusReady));
    // The project's own icon, which every desktop has, unlike a theme's.
    EXPECT_FALSE(dialog_->windowIcon().isNull());
    EXPECT_FALSE(Progress()->isEnabled());
    EXPECT_EQ(Button(IDCANCEL)->text(), T(text::kCancelUpdate));

    // The statuses, the progress, the player's closing and the new edition's playlist are
    // followed on the real program; here what only shows inside.
    EXPECT_EQ(Run().last(), T(text::kStatusCompleted));
    EXPECT_EQ(closed_, 1);
    EXPECT_FALSE(Button(IDOK)->isEnabled());
    EXPECT_TRUE(Button(IDCANCEL)->isEnabled());
    EXPECT_EQ(Button(IDCANCEL)->text(), T(text::kCloseUpdates));

    // The finder sees the carried stations (and only them) as on the playlist.
    CRadioDatabase db;
    ASSERT_EQ(db.OpenDatabase(config_.DatabasePath()), kDbOk);
    for (std::int32_t id = 1; id <= 5; ++id) {
        CRadioSet station;
        EXPECT_EQ(db.GetStation(id, station), kDbOk);
        EXPECT_EQ(station.m_Playlist, id == 2 || id == 4 || id == 5) << id;
    }
    db.CloseDatabase();
    EXPECT_FALSE(QFile::exists(config_.NewDatabasePath()));
    EXPECT_FALSE(QFile::exists(config_.PackagePath()));
    EXPECT_TRUE(CachedPackages().isEmpty());
    EXPECT_TRUE(messages_.Texts().isEmpty());
    EXPECT_EQ(server_.Requests().first().Header(QStringLiteral("User-Agent")),
              QStringLiteral("Velosync"));
}

TEST_F(UpdateDialogTest, CheckFailuresRetryOnlyWhenTheServerFails) {
    const QString page = QStringLiteral("/vexadb/update.html");
    server_.SetRoute(page, FixtureRoute::Status(404, "gone"));
    Open();
    // 404: all three kinds of access (the third needs a proxy, and the environment names none).
    EXPECT_EQ(Run(), (QStringList{T(text::kStatusStarting), T(text::kStatusChecking),
                                  T(text::kStatusCheckConnectionRetry),
                                  T(text::kStatusCheckProxyRetry), ErrorTexts().check}));
    EXPECT_EQ(positions_, (QList<int>{3, 5, 7, 11, 15, 18, 7, 11, 15, 18, 7, 11, 18}));
    EXPECT_EQ(Requested().size(), 2);
    ExpectFailedState();
    // The third attempt's want of a proxy does not hide what the server said.
    ExpectReason(text::kCheckFailedBecause,
                 T(text::kNetHttpStatus).arg(QStringLiteral("127.0.0.1"), QStringLiteral("404")));

    // 400 is an answer: its page lacks the values, and nobody tries again.
    server_.SetRoute(page, FixtureRoute::Status(400, "<html>bad request</html>"));
    EXPECT_EQ(Run(), (QStringList{T(text::kStatusStarting), T(text::kStatusChecking),
                                  ErrorTexts().check}));
    EXPECT_EQ(Requested().size(), 3);
    ExpectFailedState();
    ExpectReason(text::kCheckFailedBecause, Said(text::kCheckPageIncomplete));
    ExpectUserDatabaseUntouched();
    EXPECT_EQ(ErrorTexts().check, QStringLiteral("ERROR: Unable to Check for Updates. Please "
                                                 "Check your Connection or Try Again Later."));
}

TEST_F(UpdateDialogTest, BadDownloadsAndPackagesLeaveTheDatabaseAndAllowAnotherTry) {
    const QByteArray good = test::PackageOf(test::NewEdition());
    Open();

    test::Publish(server_, 21, good);
    server_.SetRoute(QStringLiteral("/vexadb/vexadb21.exe"), FixtureRoute::Status(404));
    EXPECT_EQ(Run().last(), ErrorTexts().download);
    ExpectFailedState();
    ExpectUserDatabaseUntouched();
    ExpectReason(text::kDownloadFailedBecause,
                 T(text::kNetHttpStatus).arg(QStringLiteral("127.0.0.1"), QStringLiteral("404")));

    FixtureRoute dropped = FixtureRoute::File(QStringLiteral("vexadb/vexadb21.exe"));
    dropped.closeAfterBytes = 5000;
    server_.SetRoute(QStringLiteral("/vexadb/vexadb21.exe"), dropped);
    EXPECT_EQ(Run().last(), ErrorTexts().download);
    ExpectFailedState();
    ExpectUserDatabaseUntouched();
    EXPECT_TRUE(CachedPackages().isEmpty());
    ExpectReason(text::kDownloadFailedBecause, Said(text::kNetBroken));
    server_.ClearRoutes();

    const QByteArray database = ReadFile(config_.DatabasePath());
    const QList<QPair<const char*, QByteArray>> bad = {
        {"no newfm.dat", test::PackageWith({{QStringLiteral("readme.txt"), "hello"}})},
        {"parent folder entry", test::PackageWith({{QStringLiteral("newfm.dat"), database},
                                                   {QStringLiteral("../newfm.dat"), database}})},
        {"truncated", good.left(good.size() / 2)},
        {"not an archive", QByteArray("MZ") + QByteArray(40000, '\x90')},
    };
    for (const auto& [what, package] : bad) {
        SCOPED_TRACE(what);
        test::Publish(server_, 21, package);
        EXPECT_EQ(Run().last(), T(text::kExtractError));
        ExpectFailedState();
        ExpectUserDatabaseUntouched();
    }

    test::Publish(server_, 21, good);
    EXPECT_EQ(Run().last(), T(text::kStatusCompleted));
    EXPECT_TRUE(messages_.Texts().isEmpty());
}

TEST_F(UpdateDialogTest, MergeFailsWhileThePlayerHoldsTheDatabase) {
    test::Publish(server_, 21, test::PackageOf(test::NewEdition()));
    Open();
    {
        CRadioDatabase player;
        ASSERT_EQ(player.OpenDatabase(config_.DatabasePath()), kDbOk);
        EXPECT_EQ(Run().last(), ErrorTexts().merge);
        EXPECT_EQ(positions_.last(), 92);
        ExpectFailedState();
        EXPECT_EQ(messages_.Texts().size(), 1);  // the database layer's own message
    }
    EXPECT_EQ(ReadFile(config_.DatabasePath()), userFile_);
    EXPECT_EQ(Run().last(), T(text::kStatusCompleted));
}

TEST_F(UpdateDialogTest, RefusedEditionsLeaveTheDatabaseByteForByte) {
    const QString edition = test::MakeTempDir(QStringLiteral("refused")) + QStringLiteral("/e.dat");
    auto packageOf = [&](const StationDbContent& content, const char* sql = nullptr) {
        test::WriteDatabase(edition, content);
        if (sql)
            test::ModifyDatabase(edition, sql);
        return test::PackageWith({{QStringLiteral("newfm.dat"), ReadFile(edition)}});
    };
    StationDbContent noStations = test::NewEdition();
    noStations.stations.clear();
    noStations.playlist.clear();
    StationDbContent noEdition = test::NewEdition();
    noEdition.edition.reset();
    StationDbContent edition22 = test::NewEdition();
    edition22.edition = 22;
    StationDbContent edition20 = test::NewEdition();
    edition20.edition = 20;
    QByteArray damaged = test::PackageOf(test::NewEdition());
    {
        test::WriteDatabase(edition, test::NewEdition());
        QByteArray bytes = ReadFile(edition);
        for (qsizetype i = bytes.size() / 2; i < bytes.size() / 2 + 64; ++i)
            bytes[i] = char(bytes[i] ^ 0x5a);
        damaged = test::PackageWith({{QStringLiteral("newfm.dat"), bytes}});
    }

    struct Case {
        const char* what;
        QByteArray package;
        int announced;
        const char* commandLine;
        QString reason;  // words the message must hold
    };
    const QList<Case> cases = {
        {"an empty Radio table", packageOf(noStations), 21, "20", T(text::kReasonNoStations)},
        {"a Radio table without a column",
         packageOf(test::NewEdition(),
                   "CREATE TABLE Stripped AS SELECT RadioID, \"Station Name\", Frequency, GenreTwo,"
                   " GenreThree, StationURL, StreamURL, StreamFormat, City, State, Country,"
                   " Active, LanguageOne, LanguageTwo, Playlist, Comments, Ranking, Popularity,"
                   " ReserveOne, ReserveTwo, ReserveThree FROM Radio;"
                   " DROP TABLE Radio; ALTER TABLE Stripped RENAME TO Radio;"),
         21, "20", QStringLiteral("Radio.GenreOne")},
        {"no Playlist table", packageOf(test::NewEdition(), "DROP TABLE Playlist;"), 21, "20",
         QStringLiteral("Playlist")},
        {"no edition number", packageOf(noEdition), 21, "20", T(text::kReasonNoEdition)},
        {"another edition than announced", packageOf(edition22), 21, "20",
         T(text::kReasonNotAnnounced) + QStringLiteral("21")},
        // The command line may be behind the file: the file's own edition counts.
        {"not newer than the installed file", packageOf(edition20), 20, "5",
         T(text::kReasonNotNewer) + QStringLiteral("20")},
        {"damaged pages", damaged, 21, "20", QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        messages_.Clear();
        Open(QString::fromUtf8(c.commandLine));
        test::Publish(server_, c.announced, c.package);
        EXPECT_EQ(Run().last(), T(text::kExtractError));
        ExpectFailedState();
        ExpectUserDatabaseUntouched();
        EXPECT_FALSE(QFile::exists(config_.PackagePath())) << "the refused package stays";
        ASSERT_EQ(messages_.Texts().size(), 1);
        EXPECT_TRUE(messages_.Last().startsWith(T(text::kEditionRefused)))
            << messages_.Last().toStdString();
        EXPECT_TRUE(messages_.Last().contains(c.reason)) << messages_.Last().toStdString();
        EXPECT_TRUE(QDir(config_.tempDir).isEmpty());
    }
}

// A server that answers a byte at a time, or a download that crawls, ends the update within its
// limits; the limits are shortened here, the program's own are half a minute.
TEST_F(UpdateDialogTest, DrippingServersAreGivenUpInTime) {
    config_.limits.checkBudgetMs = 3000;
    config_.limits.lowSpeedSeconds = 3;
    config_.limits.downloadOpenBudgetMs = 3000;
    Open();
    QElapsedTimer clock;

    FixtureRoute drip =
        FixtureRoute::Body(QByteArray(200, ' ') + "<meta name=\"version\" content=\"21\">\n");
    drip.bytesPerSecond = 1;
    server_.SetRoute(QStringLiteral("/vexadb/update.html"), drip);
    clock.start();
    EXPECT_EQ(Run(), (QStringList{T(text::kStatusStarting), T(text::kStatusChecking),
                                  ErrorTexts().check}));
    EXPECT_LT(clock.elapsed(), 15000);
    EXPECT_EQ(Requested().size(), 1);  // no time was left for another attempt
    ExpectFailedState();
    ExpectReason(text::kCheckFailedBecause, Said(text::kNetTimedOut));
    server_.ClearRoutes();

    test::Publish(server_, 21, test::PackageOf(test::NewEdition()));
    FixtureRoute slow = FixtureRoute::File(QStringLiteral("vexadb/vexadb21.exe"));
    slow.bytesPerSecond = 100;
    server_.SetRoute(QStringLiteral("/vexadb/vexadb21.exe"), slow);
    clock.start();
    EXPECT_EQ(Run().last(), ErrorTexts().download);
    EXPECT_LT(clock.elapsed(), 20000);
    ExpectFailedState();
    ExpectUserDatabaseUntouched();
    EXPECT_TRUE(CachedPackages().isEmpty());
    ExpectReason(text::kDownloadFailedBecause, Said(text::kNetTimedOut));
}

// A server that cannot be found or refuses the connection is named, with what went wrong; the
// status keeps its one error text.
TEST_F(UpdateDialogTest, AnUnreachableServerIsNamedWithWhatFailed) {
    // An unknown name fails at once even where no name server answers.
    const std::optional<QByteArray> resolverOptions =
        qEnvironmentVariableIsSet("RES_OPTIONS") ? std::optional(qgetenv("RES_OPTIONS"))
                                                 : std::nullopt;
    qputenv("RES_OPTIONS", "timeout:1 attempts:1");
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const QString refusedHost = QStringLiteral("127.0.0.1:%1").arg(closed.serverPort());
    closed.close();

    const QList<QPair<QString, QString>> cases = {
        {QStringLiteral("velotune-update.invalid"),
         T(text::kNetHostNotFound).arg(QStringLiteral("velotune-update.invalid"))},
        {refusedHost, Said(text::kNetRefused)},
    };
    for (const auto& [host, reason] : cases) {
        SCOPED_TRACE(host.toStdString());
        config_.host = host;
        Open();
        EXPECT_EQ(Run().last(), ErrorTexts().check);
        ExpectFailedState();
        ExpectReason(text::kCheckFailedBecause, reason);
        ExpectUserDatabaseUntouched();
    }
    if (resolverOptions)
        qputenv("RES_OPTIONS", *resolverOptions);
    else
        qunsetenv("RES_OPTIONS");
}

// Cancel is there while the check and the download wait for a silent server, and Yes ends the
// requests at once.
TEST_F(UpdateDialogTest, CancelEndsAStalledCheckOrDownloadAtOnce) {
    for (const bool inDownload : {false, true}) {
        SCOPED_TRACE(inDownload ? "download" : "check");
        server_.ClearRoutes();
        FixtureRoute silent = FixtureRoute::Status(200, "never sent");
        silent.delaySeconds = 120;
        if (inDownload) {
            test::Publish(server_, 21, test::PackageOf(test::NewEdition()));
            server_.SetRoute(QStringLiteral("/vexadb/vexadb21.exe"), silent);
        } else {
            server_.SetRoute(QStringLiteral("/vexadb/update.html"), silent);
        }
        const QString waited = inDownload ? QStringLiteral("/vexadb/vexadb21.exe")
                                          : QStringLiteral("/vexadb/update.html");
        const qsizetype before = Requested().count(waited);
        Open();
        Button(IDOK)->click();
        ASSERT_TRUE(WaitUntil([&] { return Requested().count(waited) > before; }))
            << Requested().join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(dialog_->IsUpdating());
        EXPECT_TRUE(Button(IDCANCEL)->isEnabled());

        QElapsedTimer clock;
        clock.start();
        Button(IDCANCEL)->click();  // the recorder answers Yes
        // Reported for the record; the bound is generous for a loaded machine.
        const qint64 took = clock.elapsed();
        std::cout << "[ cancel ] ended the work in " << took << " ms\n";
        EXPECT_LT(took, 5000);
        EXPECT_FALSE(dialog_->IsUpdating());
        EXPECT_FALSE(dialog_->isVisible());
        EXPECT_EQ(messages_.Last(), T(text::kQuitUpdateQuestion));
        ExpectUserDatabaseUntouched();
    }
}

}  // namespace
}  // namespace velotune
