// The real velotune program, end to end: each test case runs inside its own X display and session
// bus (CTest starts this program under xvfb-run and dbus-run-session), with a window manager, a
// notification area where it matters, a station database of the test's own and a loopback live
// stream. The test drives the player as a user would, with clicks and keys through xdotool, calls
// it on the bus as another program would, listens to what it plays through its capture file and
// reads what it stored in its settings file. Everything it starts inherits the test's private
// XDG folders.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <optional>

#include "res/texts.h"
#include "settings/settings_store.h"
#include "stationdb/dbwriter.h"
#include "stationdb/radiodatabase.h"
#include "tests/support/child_process.h"
#include "tests/support/desktop.h"
#include "tests/support/fixture_server.h"
#include "tests/support/media_fixtures.h"
#include "tests/support/test_env.h"
#include "tests/support/tone.h"

// Readable texts in failure messages.
void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace velotune {
namespace {

using test::ChildProcess;

// Waits that a person would call "a few seconds"; the bound is generous for a loaded machine, and
// each wait ends as soon as its condition holds.
constexpr int kFewSecondsMs = 20000;

QString T(const char* text) {
    return QString::fromUtf8(text);
}

// What a settings read finds, or nothing.
std::optional<int> Stored(int (CSettingsStore::*read)(int*) const) {
    int value = 0;
    return (CSettingsStore().*read)(&value) ? std::optional<int>(value) : std::nullopt;
}

QString ReadText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The preset 1 button's and the Menu button's middles, in the main window's coordinates.
constexpr QPoint kPresetOneCentre(44 + 7, 84 + 6);
constexpr QPoint kMenuCentre(5 + 5, 6 + 5);

class VelotuneTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run through CTest (xvfb-run)";
        QString why;
        ASSERT_TRUE(desktop_.StartWindowManager(&why)) << why.toStdString();

        // A program folder as an installation has it; the station database goes beside it.
        program_ = test::MakeTempDir(QStringLiteral("program"));
        ASSERT_TRUE(QFile::copy(test::BinDir() + QStringLiteral("/velotune"), Velotune()));
        QFile::setPermissions(Velotune(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        capture_ = test::MakeTempDir(QStringLiteral("heard")) + QStringLiteral("/heard.wav");

        // The programs this test starts inherit its environment.
        qputenv("QT_QPA_PLATFORM", "xcb");
        qputenv("QT_FORCE_STDERR_LOGGING", "1");
        qputenv("VELOTUNE_ALSA_DEVICE", "null");
        qputenv("VELOTUNE_WAVE_CAPTURE", QFile::encodeName(capture_));
    }

    // A test that names a report server of its own leaves the test main's one behind it.
    void TearDown() override { qputenv("VELOTUNE_REPORT_HOST", reportHost_); }

    QString Velotune() const { return program_ + QStringLiteral("/velotune"); }
    QString Database() const { return program_ + QStringLiteral("/velostn.dat"); }

    void StartTray() {
        QString why;
        ASSERT_TRUE(desktop_.StartTray(&why)) << why.toStdString();
    }

    // A station database whose playlist holds the given stations, in order.
    void WriteDatabase(const QList<std::pair<QString, QString>>& playlist) {
        StationDbContent content;
        content.edition = 20;
        content.countries = {QStringLiteral("Ireland")};
        content.genres = {QStringLiteral("Pop")};
        std::int32_t position = 0;
        for (const auto& [name, url] : playlist) {
            CRadioSet station;
            station.m_StationName = name;
            station.m_StreamURL = url;
            station.m_StreamFormat = T(text::kFormatWmp);
            station.m_GenreOne = QStringLiteral("Pop");
            station.m_Country = QStringLiteral("Ireland");
            station.m_Active = 1;
            station.m_Playlist = 1;
            content.stations.append(station);
            ++position;
            content.playlist.append(CPlaylistSet{position, position});
        }
        QString error;
        ASSERT_TRUE(WriteStationDatabase(Database(), content, &error)) << error.toStdString();
    }

    void WriteDatabase() {
        WriteDatabase({{QStringLiteral("Tone Station"), QStringLiteral("http://127.0.0.1:1/")}});
    }

    // Starts velotune; its log goes to a file of its own.
    void Start(ChildProcess& process, QString* log) {
        *log = test::MakeTempDir(QStringLiteral("log")) + QStringLiteral("/velotune.log");
        ASSERT_TRUE(process.Start(Velotune(), {}, *log));
    }

    // Starts velotune and waits for its main window.
    void StartPlayer(ChildProcess& process, QString* log, QString* window) {
        Start(process, log);
        *window = test::WaitForWindow(T(text::kMainWindowTitle));
        ASSERT_FALSE(window->isEmpty()) << ReadText(*log).toStdString();
        // The player answers on the bus once its window is up.
        ASSERT_TRUE(test::Eventually([] { return NameOwned(); }, kFewSecondsMs));
    }

    // The message boxes the program's log says it showed.
    static QStringList Shown(const QString& log) {
        QStringList texts;
        const QString marker = QStringLiteral("velotune.msgbox: shown: ");
        for (const QString& line : ReadText(log).split(QLatin1Char('\n')))
            if (line.startsWith(marker))
                texts.append(line.mid(marker.size()));
        return texts;
    }

    // Calls a method of the player's automation object as any program on the bus would.
    static int CallPlayer(const QString& method) {
        return test::RunProgram(
            QStringLiteral("gdbus"),
            {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
             QStringLiteral("Torvik.Application"), QStringLiteral("--object-path"),
             QStringLiteral("/Torvik/Application"), QStringLiteral("--method"),
             QStringLiteral("Torvik.Application.") + method},
            nullptr, kFewSecondsMs);
    }

    static bool NameOwned() {
        QString out;
        test::RunProgram(
            QStringLiteral("gdbus"),
            {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
             QStringLiteral("org.freedesktop.DBus"), QStringLiteral("--object-path"),
             QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("--method"),
             QStringLiteral("org.freedesktop.DBus.NameHasOwner"),
             QStringLiteral("Torvik.Application")},
            &out, kFewSecondsMs);
        return out.contains(QLatin1String("true"));
    }

    static bool Visible(const QString& window) {
        return test::FindWindows(T(text::kMainWindowTitle), true).contains(window);
    }

    // Opens the system menu with `open` and, once it has come up as a new window of the player's,
    // chooses its last item, "Exit", by keys: the menu holds the keyboard, and Up from no item
    // comes to the last one.
    static void ChooseExitFromTheMenu(const std::function<bool()>& open) {
        const auto playerWindows = [] {
            return test::Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                  QStringLiteral("--class"), T(text::kProductName)})
                .value_or(QString())
                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        };
        const QStringList before = playerWindows();
        ASSERT_TRUE(open());
        ASSERT_TRUE(test::Eventually(
            [&] {
                const QStringList now = playerWindows();
                return std::any_of(now.begin(), now.end(),
                                   [&](const QString& id) { return !before.contains(id); });
            },
            kFewSecondsMs));
        ASSERT_TRUE(
            test::Xdotool({QStringLiteral("key"), QStringLiteral("Up"), QStringLiteral("Return")}));
    }

    // Seconds of the capture from `from` on.
    test::PcmAudio Heard(double from) const {
        test::PcmAudio audio;
        test::ReadWav(capture_, &audio);
        return test::From(audio, from);
    }

    test::Desktop desktop_;
    QString program_;
    QString capture_;
    const QByteArray reportHost_ = qgetenv("VELOTUNE_REPORT_HOST");
};

TEST_F(VelotuneTest, PlaysPresetOneReportsInstallEndsThroughAutomationKeepsItsIdentifier) {
    StartTray();
    test::IcecastStream stream;
    ASSERT_TRUE(stream.IsRunning()) << stream.Diagnostics().toStdString();
    WriteDatabase({{QStringLiteral("Tone Station"), stream.Url()}});
    test::FixtureServer maker(test::MakeTempDir(QStringLiteral("maker")));
    ASSERT_TRUE(maker.IsRunning());
    qputenv("VELOTUNE_REPORT_HOST", maker.HostPort().toUtf8());

    ChildProcess player;
    QString log;
    QString window;
    StartPlayer(player, &log, &window);
    EXPECT_TRUE(Shown(log).isEmpty()) << Shown(log).join(QLatin1Char('\n')).toStdString();

    // A click on preset 1 tunes in: the tone arrives where a listener would hear it.
    const std::optional<QRect> where = test::WindowGeometry(window);
    ASSERT_TRUE(where);
    ASSERT_TRUE(test::ClickAt(where->topLeft() + kPresetOneCentre));
    EXPECT_TRUE(test::Eventually(
        [&] {
            const test::PcmAudio heard = Heard(0.2);
            return heard.Seconds() > 1.0 && test::ToneShare(heard, 440) > 0.9;
        },
        kFewSecondsMs))
        << "heard " << Heard(0).Seconds() << " s\n"
        << ReadText(log).toStdString();
    // That first playback start tells the maker's server of the installation, and the player
    // notes that it did.
    const CSettingsStore settings;
    EXPECT_TRUE(test::Eventually([] { return Stored(&CSettingsStore::ReadHitDelivered) == 1; },
                                 kFewSecondsMs))
        << ReadText(log).toStdString();

    // A second start hands over to the running player and ends, leaving one player.
    ChildProcess second;
    QString secondLog;
    Start(second, &secondLog);
    EXPECT_EQ(second.Wait(kFewSecondsMs), 0) << ReadText(secondLog).toStdString();
    EXPECT_TRUE(player.IsRunning());
    EXPECT_EQ(test::FindWindows(T(text::kMainWindowTitle), true), QStringList{window});

    // CloseTorvik ends the player, which saves its settings first; it even keeps its tray icon
    // from holding it back.
    EXPECT_EQ(CallPlayer(QStringLiteral("CloseTorvik")), 0);
    EXPECT_EQ(player.Wait(kFewSecondsMs), 0) << ReadText(log).toStdString();
    EXPECT_FALSE(NameOwned());

    EXPECT_EQ(Stored(&CSettingsStore::ReadVolume), CSettingsStore::kDefaultVolume);
    WindowRect rect;
    EXPECT_TRUE(settings.ReadPlayerRect(&rect));
    EXPECT_EQ(rect.ToQRect().size(), QSize(300, 104));
    EXPECT_EQ(Stored(&CSettingsStore::ReadCurrentPlaylistID), 1);
    EXPECT_EQ(Stored(&CSettingsStore::ReadCurrentLocalPlaylistID), 0);
    EXPECT_EQ(Stored(&CSettingsStore::ReadShowWindow), 1);
    EXPECT_EQ(Stored(&CSettingsStore::ReadIsMini), 0);
    EXPECT_EQ(Stored(&CSettingsStore::ReadPLVisible), 0);
    EXPECT_EQ(Stored(&CSettingsStore::ReadActivePlaylistType), 0);
    EXPECT_EQ(Stored(&CSettingsStore::ReadTrayIcon), 0);

    // The first start made the installation identifier; the next one keeps it.
    QString uid;
    ASSERT_TRUE(settings.ReadUID(&uid));
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-"
                                          "[0-9a-f]{12}$"))
            .match(uid)
            .hasMatch())
        << uid.toStdString();
    const QList<test::FixtureRequest> reports = maker.Requests();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].path, T(text::kInstallHitPath));
    EXPECT_TRUE(reports[0].Header(QStringLiteral("User-Agent")).startsWith(uid + u'/'));
    // Only the start that ran the player was counted, not the one that handed over.
    EXPECT_EQ(Stored(&CSettingsStore::ReadUseTime), 1);

    ChildProcess again;
    StartPlayer(again, &log, &window);
    EXPECT_EQ(CallPlayer(QStringLiteral("CloseTorvik")), 0);
    EXPECT_EQ(again.Wait(kFewSecondsMs), 0);
    QString uidAgain;
    EXPECT_TRUE(settings.ReadUID(&uidAgain));
    EXPECT_EQ(uidAgain, uid);
}

TEST_F(VelotuneTest, WithTheTrayIconAltF4HidesATrayClickShowsAndTheTrayMenusExitEnds) {
    StartTray();
    WriteDatabase();
    ChildProcess player;
    QString log;
    QString window;
    StartPlayer(player, &log, &window);
    EXPECT_TRUE(Shown(log).isEmpty()) << Shown(log).join(QLatin1Char('\n')).toStdString();
    const QRect tray = desktop_.TrayGeometry();
    ASSERT_GT(tray.width(), 2) << "no icon in the notification area";

    ASSERT_TRUE(test::Keys(window, {QStringLiteral("alt+F4")}));
    ASSERT_TRUE(test::Eventually([&] { return !Visible(window); }, kFewSecondsMs));
    EXPECT_TRUE(player.IsRunning());

    // A second start while the player is in the tray leaves it there.
    ChildProcess second;
    QString secondLog;
    Start(second, &secondLog);
    EXPECT_EQ(second.Wait(kFewSecondsMs), 0) << ReadText(secondLog).toStdString();
    EXPECT_FALSE(Visible(window));

    // A left click on the icon shows it again.
    ASSERT_TRUE(test::ClickAt(tray.center()));
    EXPECT_TRUE(test::Eventually([&] { return Visible(window); }, kFewSecondsMs));

    // "Exit" in the icon's menu ends the player even though it has a tray icon.
    ChooseExitFromTheMenu([&] { return test::ClickAt(tray.center(), 3); });
    EXPECT_EQ(player.Wait(kFewSecondsMs), 0) << ReadText(log).toStdString();
}

TEST_F(VelotuneTest, WithoutTheTrayIconAltF4AndTheMenusExitEndThePlayerAndSaveItsSettings) {
    ASSERT_TRUE(CSettingsStore().WriteTrayIcon(1));
    ASSERT_TRUE(CSettingsStore().WriteVolume(30));
    WriteDatabase();
    const QList<std::pair<const char*, std::function<void(const QString&)>>> ways = {
        {"Alt+F4",
         [](const QString& window) {
             ASSERT_TRUE(test::Keys(window, {QStringLiteral("alt+F4")}));
         }},
        {"the system menu's Exit",
         [](const QString& window) {
             const std::optional<QRect> where = test::WindowGeometry(window);
             ASSERT_TRUE(where);
             ChooseExitFromTheMenu([&] { return test::ClickAt(where->topLeft() + kMenuCentre); });
         }},
    };
    for (const auto& [how, close] : ways) {
        SCOPED_TRACE(how);
        ChildProcess player;
        QString log;
        QString window;
        StartPlayer(player, &log, &window);
        close(window);
        EXPECT_EQ(player.Wait(kFewSecondsMs), 0) << ReadText(log).toStdString();
        EXPECT_TRUE(Shown(log).isEmpty()) << Shown(log).join(QLatin1Char('\n')).toStdString();

        const CSettingsStore settings;
        EXPECT_EQ(Stored(&CSettingsStore::ReadVolume), 30);
        EXPECT_EQ(Stored(&CSettingsStore::ReadShowWindow), 1);
        WindowRect rect;
        EXPECT_TRUE(settings.ReadPlayerRect(&rect));
        EXPECT_EQ(rect.ToQRect().size(), QSize(300, 104));
    }
}

TEST_F(VelotuneTest, WithoutANotificationAreaItSaysSoAndRunsOn) {
    WriteDatabase();
    ChildProcess player;
    QString log;
    Start(player, &log);
    const QString tip = T(text::kFailedToLoad) + T(text::kProductName) + T(text::kTrayIconSuffix);
    ASSERT_TRUE(test::Eventually([&] { return Shown(log).contains(tip); }, kFewSecondsMs))
        << ReadText(log).toStdString();
    // The box comes before the main window.
    const QString box = test::WaitForWindow(T(text::kProductName));
    ASSERT_FALSE(box.isEmpty());
    ASSERT_TRUE(test::Keys(box, {QStringLiteral("Return")}));

    ASSERT_TRUE(test::Eventually([] { return NameOwned(); }, kFewSecondsMs));
    const QString window = test::WaitForWindow(T(text::kMainWindowTitle));
    ASSERT_FALSE(window.isEmpty());
    EXPECT_EQ(CallPlayer(QStringLiteral("CloseTorvik")), 0);
    EXPECT_EQ(player.Wait(kFewSecondsMs), 0);
}

TEST_F(VelotuneTest, AStationDatabaseThatCannotBeOpenedEndsTheStartWithoutAWindow) {
    StartTray();
    struct Case {
        const char* what;
        std::function<void()> prepare;
        QString message;  // the database's own text
    };
    CRadioDatabase holder;
    const QList<Case> cases = {
        {"missing", [] {}, QStringLiteral("unable to open database file")},
        {"another password",
         [&] {
             ASSERT_EQ(
                 test::RunProgram(QStringLiteral("sqlcipher"),
                                  {Database(), QStringLiteral("PRAGMA key = 'another'; "
                                                              "CREATE TABLE Radio (RadioID);")}),
                 0);
         },
         QStringLiteral("file is encrypted or is not a database")},
        {"held by another process",
         [&] {
             WriteDatabase();
             ASSERT_EQ(holder.OpenDatabase(Database()), kDbOk);
         },
         QStringLiteral("database is locked")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(Database());
        c.prepare();
        ChildProcess player;
        QString log;
        Start(player, &log);
        ASSERT_TRUE(test::Eventually([&] { return Shown(log).contains(c.message); }, kFewSecondsMs))
            << ReadText(log).toStdString();
        const QString box = test::WaitForWindow(T(text::kProductName));
        ASSERT_FALSE(box.isEmpty());
        ASSERT_TRUE(test::Keys(box, {QStringLiteral("Return")}));
        const int code = player.Wait(kFewSecondsMs);
        EXPECT_NE(code, 0);
        EXPECT_NE(code, -2) << "still running";
        // Only the database's message was on screen, never the player.
        EXPECT_TRUE(test::FindWindows(T(text::kMainWindowTitle), true).isEmpty());
        EXPECT_EQ(Shown(log), QStringList{c.message});
    }
    holder.CloseDatabase();
}

}  // namespace
}  // namespace velotune
