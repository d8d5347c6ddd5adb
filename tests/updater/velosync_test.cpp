// The real velosync program, end to end: each test case runs inside its own X display and session
// bus (CTest starts this program under xvfb-run and dbus-run-session), with a window manager, a
// loopback update server and, where it matters, the real player running from the same folder.
// The test drives the window as a user would, with keys through xdotool, and follows the program
// through its log: one line per status text and per progress position.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRandomGenerator>
#include <QThread>
#include <algorithm>
#include <iostream>

#include "res/texts.h"
#include "settings/settings_store.h"
#include "stationdb/dbcheck.h"
#include "stationdb/radiodatabase.h"
#include "tests/support/child_process.h"
#include "tests/support/desktop.h"
#include "tests/support/test_env.h"
#include "tests/updater/updater_fixture.h"

// Readable texts in failure messages.
void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace velotune {
namespace {

using test::ChildProcess;
using test::ReadFile;

constexpr int kWaitMs = 60000;

QString T(const char* text) {
    return QString::fromUtf8(text);
}

using test::Eventually;
using test::FindWindow;
using test::Keys;
using test::WaitForWindow;
using test::Xdotool;

class VelosyncTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run through CTest (xvfb-run)";
        test::ClearProxyEnvironment();
        ASSERT_TRUE(server_.IsRunning());

        // A program folder as an installation has it: velosync with the user's velostn.dat.
        program_ = test::MakeTempDir(QStringLiteral("program"));
        ASSERT_TRUE(QFile::copy(test::BinDir() + QStringLiteral("/velosync"), Velosync()));
        QFile::setPermissions(Velosync(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        test::WriteDatabase(Database(), test::UserEdition());
        userFile_ = ReadFile(Database());
        ASSERT_TRUE(CSettingsStore().WriteUID(QStringLiteral("uid-e2e")));

        // The programs this test starts inherit its environment.
        qputenv("QT_QPA_PLATFORM", "xcb");
        qputenv("QT_FORCE_STDERR_LOGGING", "1");
        qputenv("QT_LOGGING_RULES", "velotune.updater.debug=true");
        qputenv("VELOTUNE_UPDATE_HOST", server_.HostPort().toUtf8());

        // Key focus and minimising need a window manager.
        QString why;
        ASSERT_TRUE(desktop_.StartWindowManager(&why)) << why.toStdString();
    }

    QString Velosync() const { return program_ + QStringLiteral("/velosync"); }
    QString Velotune() const { return program_ + QStringLiteral("/velotune"); }
    QString Database() const { return program_ + QStringLiteral("/velostn.dat"); }
    QString NewDatabase() const { return QDir::tempPath() + QStringLiteral("/newfm.dat"); }
    // The updaters' work folders in the temporary folder.
    static QStringList WorkFolders() {
        return QDir(QDir::tempPath())
            .entryList({QStringLiteral("velosync-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    }

    // Starts velosync with args; its log goes to a file of its own.
    void Start(ChildProcess& process, const QStringList& args, QString* log) {
        *log = test::MakeTempDir(QStringLiteral("log")) + QStringLiteral("/velosync.log");
        ASSERT_TRUE(process.Start(Velosync(), args, *log));
    }

    // Starts an update of edition 20 and presses Start Update; returns the window, empty when
    // none came.
    QString StartUpdate(ChildProcess& velosync, QString* log) {
        Start(velosync, {QStringLiteral("-v:20")}, log);
        const QString window = WaitForWindow(T(text::kUpdaterDialogTitle));
        return !window.isEmpty() && Keys(window, {QStringLiteral("Return")}) ? window : QString();
    }

    // The log's lines that follow "<category>: <what>: ".
    static QStringList Logged(const QString& log, const QString& what) {
        QStringList values;
        const QString marker = QStringLiteral("velotune.updater: ") + what + QStringLiteral(": ");
        for (const QString& line : QString::fromUtf8(ReadFile(log)).split(QLatin1Char('\n')))
            if (line.startsWith(marker))
                values.append(line.mid(marker.size()));
        return values;
    }

    static bool WaitForStatus(const QString& log, const QString& status) {
        return Eventually([&] { return Logged(log, QStringLiteral("status")).contains(status); });
    }

    test::FixtureServer server_{test::MakeTempDir(QStringLiteral("www"))};
    QString program_;
    QByteArray userFile_;
    test::Desktop desktop_;
};

TEST_F(VelosyncTest, UpdatesTheDatabaseFromReadyToCompletedAfterClosingThePlayer) {
    test::Publish(server_, 21, test::PackageOf(test::NewEdition()));

    // The player runs from the same folder and holds the database open. Without a notification
    // area it keeps no tray icon (and says nothing about it).
    ASSERT_TRUE(QFile::copy(test::BinDir() + QStringLiteral("/velotune"), Velotune()));
    QFile::setPermissions(Velotune(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(CSettingsStore().WriteTrayIcon(1));
    const QString playerLog =
        test::MakeTempDir(QStringLiteral("player")) + QStringLiteral("/velotune.log");
    ChildProcess player;
    ASSERT_TRUE(player.Start(Velotune(), {}, playerLog));
    ASSERT_FALSE(WaitForWindow(T(text::kMainWindowTitle)).isEmpty())
        << ReadFile(playerLog).toStdString();

    ChildProcess velosync;
    QString log;
    Start(velosync, {QStringLiteral("-v:20")}, &log);
    ASSERT_TRUE(WaitForStatus(log, T(text::kStatusReady)));
    const QString window = WaitForWindow(T(text::kUpdaterDialogTitle));
    ASSERT_FALSE(window.isEmpty());
    ASSERT_TRUE(Keys(window, {QStringLiteral("Return")}));  // "Start Update", the default button
    ASSERT_TRUE(WaitForStatus(log, T(text::kStatusCompleted))) << ReadFile(log).toStdString();

    EXPECT_EQ(Logged(log, QStringLiteral("status")),
              (QStringList{T(text::kStatusReady), T(text::kStatusStarting),
                           T(text::kStatusChecking), T(text::kStatusUpdatesAvailable),
                           T(text::kStatusInitializingDownload), T(text::kStatusDownloading),
                           T(text::kStatusDownloadCompleted), T(text::kStatusCompleted)}));
    QList<int> positions;
    for (const QString& p : Logged(log, QStringLiteral("progress")))
        positions.append(p.toInt());
    const QList<int> head = {3, 5, 7, 11, 15, 18, 20, 24};
    const QList<int> tail = {90, 92, 94, 96, 100};
    ASSERT_GT(positions.size(), head.size() + tail.size()) << ReadFile(log).toStdString();
    EXPECT_EQ(positions.mid(0, head.size()), head);
    EXPECT_EQ(positions.mid(positions.size() - tail.size()), tail);
    for (qsizetype i = head.size(); i < positions.size() - tail.size(); ++i)
        EXPECT_EQ(positions[i], 25 + (i - head.size()));

    // The player got CloseTorvik before the sequence began, and went.
    EXPECT_EQ(player.Wait(kWaitMs), 0);
    EXPECT_TRUE(ReadFile(playerLog).contains("received CloseTorvik"))
        << ReadFile(playerLog).toStdString();
    const QString all = QString::fromUtf8(ReadFile(log));
    EXPECT_LT(all.indexOf(QStringLiteral("closing the player: ok")),
              all.indexOf(QStringLiteral("status: ") + T(text::kStatusStarting)));

    // The new edition is in place with the user's playlist; station 6 is gone from it.
    CRadioDatabase db;
    ASSERT_EQ(db.OpenDatabase(Database()), kDbOk);
    std::int32_t edition = 0;
    PlaylistList playlist;
    EXPECT_EQ(db.GetDBVersion(edition), kDbOk);
    EXPECT_EQ(db.LoadPlaylist(playlist), kDbOk);
    db.CloseDatabase();
    EXPECT_EQ(edition, 21);
    EXPECT_EQ(playlist, (PlaylistList{{5, 1}, {2, 2}, {4, 3}}));
    EXPECT_EQ(QDir(program_).entryList(QDir::Files),
              (QStringList{QStringLiteral("velostn.dat"), QStringLiteral("velosync"),
                           QStringLiteral("velotune")}));
    EXPECT_FALSE(QFile::exists(NewDatabase()));

    bool hit = false;
    for (const test::FixtureRequest& r : server_.Requests()) {
        if (r.path == QLatin1String("/vexadb/velosync.shtml")) {
            hit = true;
            EXPECT_EQ(r.Header(QStringLiteral("User-Agent")),
                      QStringLiteral("uid-e2e/VSYN:20-21 [Unknown OS]"));
        }
    }
    EXPECT_TRUE(hit);

    // "Close Updates" ends the program.
    ASSERT_TRUE(Keys(window, {QStringLiteral("Escape")}));
    EXPECT_EQ(velosync.Wait(kWaitMs), 0);
}

TEST_F(VelosyncTest, WithoutTheEditionArgumentItEndsWithoutAWindow) {
    for (const QStringList& args :
         {QStringList{}, QStringList{QStringLiteral("20")}, QStringList{QStringLiteral("-x:20")}}) {
        ChildProcess velosync;
        QString log;
        Start(velosync, args, &log);
        EXPECT_EQ(velosync.Wait(kWaitMs), 0) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(Logged(log, QStringLiteral("status")).isEmpty());
    }
    EXPECT_TRUE(FindWindow(T(text::kUpdaterDialogTitle)).isEmpty());
    EXPECT_TRUE(server_.Requests().isEmpty());
}

TEST_F(VelosyncTest, ASecondStartRaisesTheFirstAndEnds) {
    test::Publish(server_, 21, test::PackageOf(test::NewEdition()));
    ChildProcess first;
    QString log;
    Start(first, {QStringLiteral("-V:21")}, &log);  // the switch in any letter case
    const QString window = WaitForWindow(T(text::kUpdaterDialogTitle));
    ASSERT_FALSE(window.isEmpty()) << ReadFile(log).toStdString();
    // A window the window manager has only just taken on may miss a first request.
    ASSERT_TRUE(Eventually([&] {
        Xdotool({QStringLiteral("windowminimize"), QStringLiteral("--sync"), window});
        return FindWindow(T(text::kUpdaterDialogTitle), true).isEmpty();
    }));

    ChildProcess second;
    QString secondLog;
    Start(second, {QStringLiteral("-v:21")}, &secondLog);
    EXPECT_EQ(second.Wait(kWaitMs), 0);
    EXPECT_EQ(WaitForWindow(T(text::kUpdaterDialogTitle)), window);
    EXPECT_TRUE(Logged(secondLog, QStringLiteral("status")).isEmpty());

    // The first goes on as before: equal editions need no download.
    ASSERT_TRUE(Keys(window, {QStringLiteral("Return")}));
    ASSERT_TRUE(WaitForStatus(log, T(text::kStatusAlreadyLatest)));
    EXPECT_EQ(Logged(log, QStringLiteral("status")),
              (QStringList{T(text::kStatusReady), T(text::kStatusStarting),
                           T(text::kStatusChecking), T(text::kStatusAlreadyLatest)}));
    EXPECT_EQ(Logged(log, QStringLiteral("progress")),
              (QStringList{"3", "5", "7", "11", "15", "18", "100"}));
    QStringList requested;
    for (const test::FixtureRequest& r : server_.Requests())
        requested.append(r.path);
    EXPECT_EQ(requested, QStringList{QStringLiteral("/vexadb/update.html")});
    ASSERT_TRUE(Keys(window, {QStringLiteral("Escape")}));
    EXPECT_EQ(first.Wait(kWaitMs), 0);
    EXPECT_EQ(ReadFile(Database()), userFile_);
}

TEST_F(VelosyncTest, QuittingDuringTheDownloadEndsTheProgramAndRemovesTheNewDatabase) {
    test::Publish(server_, 21, test::PackageOf(test::NewEdition()));
    test::FixtureRoute slow = test::FixtureRoute::File(QStringLiteral("vexadb/vexadb21.exe"));
    slow.bytesPerSecond = 2000;
    server_.SetRoute(QStringLiteral("/vexadb/vexadb21.exe"), slow);
    // A file of that name in the shared temporary folder is not the updater's.
    test::WriteFile(NewDatabase(), "left over from an earlier try");

    ChildProcess velosync;
    QString log;
    const QString window = StartUpdate(velosync, &log);
    ASSERT_FALSE(window.isEmpty()) << ReadFile(log).toStdString();
    ASSERT_TRUE(WaitForStatus(log, T(text::kStatusDownloading)));

    // Escape asks to close the window. No changes nothing; Yes (the default answer) quits.
    ASSERT_TRUE(Keys(window, {QStringLiteral("Escape")}));
    QString question = WaitForWindow(T(text::kProductName));
    ASSERT_FALSE(question.isEmpty());
    ASSERT_TRUE(Keys(question, {QStringLiteral("n")}));
    ASSERT_TRUE(Eventually([] { return FindWindow(T(text::kProductName), true).isEmpty(); }));
    EXPECT_TRUE(velosync.IsRunning());
    EXPECT_EQ(WorkFolders().size(), 1);

    ASSERT_TRUE(Keys(window, {QStringLiteral("Escape")}));
    question = WaitForWindow(T(text::kProductName));
    ASSERT_FALSE(question.isEmpty());
    ASSERT_TRUE(Keys(question, {QStringLiteral("Return")}));
    EXPECT_EQ(velosync.Wait(kWaitMs), 0);

    EXPECT_TRUE(WorkFolders().isEmpty());
    EXPECT_EQ(ReadFile(NewDatabase()), "left over from an earlier try");
    EXPECT_EQ(ReadFile(Database()), userFile_);
    EXPECT_EQ(QDir(program_).entryList(QDir::Files),
              (QStringList{QStringLiteral("velostn.dat"), QStringLiteral("velosync")}));
    EXPECT_EQ(Logged(log, QStringLiteral("status")).last(), T(text::kStatusDownloading));
}

// A killed update left the journal of its unfinished merge in the temporary folder, and its work
// folder. The next update unpacks and merges in a fresh folder of its own, so the journal cannot
// find its way into the new edition; the killed run's folder goes.
TEST_F(VelosyncTest, AStaleJournalOfAKilledRunDoesNotReachTheNewDatabase) {
    test::Publish(server_, 21, test::PackageOf(test::NewEdition()));
    test::MakeStaleJournal(NewDatabase() + QStringLiteral("-journal"));
    const QString killed = QDir::tempPath() + QStringLiteral("/velosync-999999999-q1w2e3");
    test::MakeStaleJournal(killed + QStringLiteral("/newfm.dat-journal"));

    ChildProcess velosync;
    QString log;
    Start(velosync, {QStringLiteral("-v:20")}, &log);
    const QString window = WaitForWindow(T(text::kUpdaterDialogTitle));
    ASSERT_FALSE(window.isEmpty()) << ReadFile(log).toStdString();
    EXPECT_FALSE(QFileInfo::exists(killed));
    ASSERT_TRUE(Keys(window, {QStringLiteral("Return")}));
    ASSERT_TRUE(WaitForStatus(log, T(text::kStatusCompleted))) << ReadFile(log).toStdString();

    const StationDbReport installed = CheckStationDatabase(Database());
    EXPECT_TRUE(installed.Ok()) << installed.detail.toStdString();
    EXPECT_EQ(installed.edition, 21);
    EXPECT_EQ(installed.stations, 5);
    EXPECT_EQ(installed.playlist, (PlaylistList{{5, 1}, {2, 2}, {4, 3}}));

    ASSERT_TRUE(Keys(window, {QStringLiteral("Escape")}));
    EXPECT_EQ(velosync.Wait(kWaitMs), 0);
    EXPECT_TRUE(WorkFolders().isEmpty());
}

// velosync killed (SIGKILL) at random moments of extraction, checks, merge and replace, then
// started again: velostn.dat is each time the old edition with the user's playlist or the new one
// with the carried playlist, and sound. VELOTUNE_KILL_ITERATIONS sets how many kills (a few by
// default; run 100 locally).
TEST_F(VelosyncTest, KilledAtAnyMomentTheDatabaseIsTheOldOrTheNewEdition) {
    test::Publish(server_, 21, test::PackageOf(test::NewEdition()));
    const int iterations = qEnvironmentVariableIsSet("VELOTUNE_KILL_ITERATIONS")
                               ? qEnvironmentVariableIntValue("VELOTUNE_KILL_ITERATIONS")
                               : 3;
    const PlaylistList carried = {{5, 1}, {2, 2}, {4, 3}};
    const QString after = QStringLiteral("status: ") + T(text::kStatusDownloadCompleted);
    QMap<QString, int> phases;  // where the kills landed: the last progress position logged
    int oldEdition = 0;
    int newEdition = 0;
    QRandomGenerator random(quint32(QDateTime::currentMSecsSinceEpoch()));
    const QByteArray done = QStringLiteral("status: ").toUtf8() + text::kStatusCompleted;
    // One whole run first: how long extraction, checks, merge and replace take on this machine,
    // so that the kills spread over all of them.
    auto waitForLog = [](const QString& log, const QByteArray& text) {
        QElapsedTimer clock;
        clock.start();
        while (!ReadFile(log).contains(text) && clock.elapsed() < kWaitMs)
            QThread::msleep(2);
        return ReadFile(log).contains(text);
    };
    qint64 span = 0;
    {
        ChildProcess velosync;
        QString log;
        ASSERT_FALSE(StartUpdate(velosync, &log).isEmpty()) << ReadFile(log).toStdString();
        ASSERT_TRUE(waitForLog(log, after.toUtf8())) << ReadFile(log).toStdString();
        QElapsedTimer clock;
        clock.start();
        ASSERT_TRUE(waitForLog(log, done)) << ReadFile(log).toStdString();
        span = clock.elapsed();
        velosync.Kill();
        test::WriteDatabase(Database(), test::UserEdition());
        userFile_ = ReadFile(Database());
    }
    for (int i = 0; i < iterations; ++i) {
        SCOPED_TRACE(i);
        ChildProcess velosync;
        QString log;
        ASSERT_FALSE(StartUpdate(velosync, &log).isEmpty()) << ReadFile(log).toStdString();
        // The download is over; extraction begins after a pause of half a second, and the rest
        // takes a few hundred milliseconds more.
        ASSERT_TRUE(waitForLog(log, after.toUtf8())) << ReadFile(log).toStdString();
        // The first half second is the pause before extraction: few kills are spent there.
        const int pause = std::min(400, int(span) / 2);
        QThread::msleep(quint32(pause + random.bounded(int(span) - pause + 100)));
        velosync.Kill();

        const QStringList positions = Logged(log, QStringLiteral("progress"));
        phases[positions.isEmpty() ? QStringLiteral("-") : positions.last()]++;
        const StationDbReport db = CheckStationDatabase(Database());
        ASSERT_TRUE(db.Ok()) << db.detail.toStdString();
        if (db.edition == 20) {
            ++oldEdition;
            EXPECT_EQ(ReadFile(Database()), userFile_);
        } else {
            ++newEdition;
            EXPECT_EQ(db.edition, 21);
            EXPECT_EQ(db.playlist, carried);
            test::WriteDatabase(Database(), test::UserEdition());
            userFile_ = ReadFile(Database());
        }
    }
    QStringList landed;
    for (auto it = phases.cbegin(); it != phases.cend(); ++it)
        landed.append(QStringLiteral("%1:%2").arg(it.key()).arg(it.value()));
    std::cout << "[ kills ] " << iterations << " kills over " << span << " ms; old edition "
              << oldEdition << ", new edition " << newEdition << "; last progress at the kill "
              << landed.join(QLatin1Char(' ')).toStdString() << "\n";

    // Run once more to the end: it completes, and nothing of the killed runs stays.
    ChildProcess velosync;
    QString log;
    const QString window = StartUpdate(velosync, &log);
    ASSERT_FALSE(window.isEmpty()) << ReadFile(log).toStdString();
    ASSERT_TRUE(WaitForStatus(log, T(text::kStatusCompleted))) << ReadFile(log).toStdString();
    ASSERT_TRUE(Keys(window, {QStringLiteral("Escape")}));
    EXPECT_EQ(velosync.Wait(kWaitMs), 0);
    const StationDbReport db = CheckStationDatabase(Database());
    EXPECT_TRUE(db.Ok());
    EXPECT_EQ(db.edition, 21);
    EXPECT_EQ(db.playlist, carried);
    EXPECT_TRUE(WorkFolders().isEmpty());
    EXPECT_EQ(QDir(program_).entryList(QDir::Files),
              (QStringList{QStringLiteral("velostn.dat"), QStringLiteral("velosync")}));
}

}  // namespace
}  // namespace velotune
