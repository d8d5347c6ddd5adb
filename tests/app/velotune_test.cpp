// The real velotune program, end to end: each test case runs inside its own X display and session
// bus (CTest starts this program under xvfb-run and dbus-run-session), with a window manager, a
// notification area where it matters, a station database of the test's own and a loopback live
// stream. The test drives the player as a user would, with clicks and keys through xdotool, calls
// it on the bus as another program would, listens to what it plays through its capture file and
// reads what it stored in its settings file. Everything it starts inherits the test's private
// XDG folders.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QThread>
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
#include "tests/support/silent_server.h"
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

    static int CallPlayer(const QString& method) { return test::CallPlayer(method, kFewSecondsMs); }

    // Calls a method of the player's media-player object (org.mpris.MediaPlayer2[.Player]) as
    // a desktop media control would; the answer's text, or nothing when the call failed.
    static std::optional<QString> CallMedia(const QString& method, const QStringList& args = {}) {
        QString out;
        const int code = test::RunProgram(
            QStringLiteral("gdbus"),
            QStringList{QStringLiteral("call"), QStringLiteral("--session"),
                        QStringLiteral("--dest"), QStringLiteral("org.mpris.MediaPlayer2.velotune"),
                        QStringLiteral("--object-path"), QStringLiteral("/org/mpris/MediaPlayer2"),
                        QStringLiteral("--method"), method} +
                args,
            &out, kFewSecondsMs);
        return code == 0 ? std::optional<QString>(out.trimmed()) : std::nullopt;
    }
    static QString MediaProperty(const QString& interface, const QString& name) {
        return CallMedia(QStringLiteral("org.freedesktop.DBus.Properties.Get"), {interface, name})
            .value_or(QStringLiteral("(call failed)"));
    }
    static QString PlayerProperty(const QString& name) {
        return MediaProperty(QStringLiteral("org.mpris.MediaPlayer2.Player"), name);
    }
    static bool PlayerCall(const QString& method) {
        return CallMedia(QStringLiteral("org.mpris.MediaPlayer2.Player.") + method).has_value();
    }
    static bool MediaNameOwned() {
        return test::BusNameOwned(QStringLiteral("org.mpris.MediaPlayer2.velotune"), kFewSecondsMs);
    }

    static bool NameOwned() {
        return test::BusNameOwned(QStringLiteral("Torvik.Application"), kFewSecondsMs);
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

// A station whose reference file lists addresses that take the connection and never answer:
// CloseTorvik while the player is tuning to it ends the player at once (within 2 s; measured with
// a margin for a loaded machine), not when the media runtime has given up on every address.
TEST_F(VelotuneTest, CloseTorvikWhileTuningToAStalledStationEndsThePlayerAtOnce) {
    StartTray();
    test::SilentServer silent;
    ASSERT_TRUE(silent.IsRunning());
    test::FixtureServer station(test::MakeTempDir(QStringLiteral("station")));
    ASSERT_TRUE(station.IsRunning());
    QByteArray asx = "<ASX version=\"3.0\">\r\n";
    for (int i = 0; i < 4; ++i)
        asx += "<ENTRY><ref href=\"" + silent.Url(QStringLiteral("/ref%1").arg(i)).toUtf8() +
               "\"/></ENTRY>\r\n";
    station.SetRoute(
        QStringLiteral("/stalled.asx"),
        test::FixtureRoute::Body(asx + "</ASX>\r\n", QStringLiteral("video/x-ms-asf")));
    WriteDatabase(
        {{QStringLiteral("Stalled Station"), station.Url(QStringLiteral("/stalled.asx"))}});
    ChildProcess player;
    QString log;
    QString window;
    StartPlayer(player, &log, &window);
    const std::optional<QRect> where = test::WindowGeometry(window);
    ASSERT_TRUE(where);
    ASSERT_TRUE(test::ClickAt(where->topLeft() + kPresetOneCentre));
    QThread::msleep(2500);  // well into the references
    ASSERT_TRUE(player.IsRunning());

    QElapsedTimer sinceCall;
    sinceCall.start();
    EXPECT_EQ(CallPlayer(QStringLiteral("CloseTorvik")), 0);
    EXPECT_EQ(player.Wait(kFewSecondsMs), 0) << ReadText(log).toStdString();
    EXPECT_LT(sinceCall.elapsed(), 4000) << ReadText(log).toStdString();
    EXPECT_FALSE(NameOwned());
}

TEST_F(VelotuneTest, DesktopMediaControlsDriveThePlayerAndSeeTheSongsOfTheStream) {
    ASSERT_TRUE(CSettingsStore().WriteTrayIcon(1));
    ASSERT_TRUE(CSettingsStore().WriteCurrentPlaylistID(1));
    test::IcecastStream stream;
    ASSERT_TRUE(stream.IsRunning()) << stream.Diagnostics().toStdString();
    ASSERT_TRUE(stream.SetSongTitle(QStringLiteral("Artist One - Song One")));
    WriteDatabase({{QStringLiteral("Tone Station"), stream.Url()},
                   {QStringLiteral("Second Station"), stream.Url()}});

    ChildProcess player;
    QString log;
    QString window;
    StartPlayer(player, &log, &window);
    ASSERT_TRUE(test::Eventually([] { return MediaNameOwned(); }, kFewSecondsMs))
        << ReadText(log).toStdString();
    // Everything the bus says from here on, as a desktop widget would follow it.
    ChildProcess monitor;
    const QString monitored = test::MakeTempDir(QStringLiteral("bus")) + QStringLiteral("/bus.log");
    ASSERT_TRUE(
        monitor.Start(QStringLiteral("gdbus"),
                      {QStringLiteral("monitor"), QStringLiteral("--session"),
                       QStringLiteral("--dest"), QStringLiteral("org.mpris.MediaPlayer2.velotune")},
                      monitored));

    const QString root = QStringLiteral("org.mpris.MediaPlayer2");
    EXPECT_EQ(MediaProperty(root, QStringLiteral("Identity")), QStringLiteral("(<'Velotune'>,)"));
    EXPECT_EQ(MediaProperty(root, QStringLiteral("DesktopEntry")),
              QStringLiteral("(<'net.velotune.Velotune'>,)"));
    EXPECT_EQ(MediaProperty(root, QStringLiteral("CanQuit")), QStringLiteral("(<true>,)"));
    EXPECT_EQ(PlayerProperty(QStringLiteral("PlaybackStatus")), QStringLiteral("(<'Stopped'>,)"));
    EXPECT_EQ(PlayerProperty(QStringLiteral("CanSeek")), QStringLiteral("(<false>,)"));
    EXPECT_EQ(PlayerProperty(QStringLiteral("CanGoNext")), QStringLiteral("(<true>,)"));
    EXPECT_EQ(PlayerProperty(QStringLiteral("CanGoPrevious")), QStringLiteral("(<false>,)"));
    // The volume slider's default position is the middle.
    EXPECT_EQ(PlayerProperty(QStringLiteral("Volume")), QStringLiteral("(<0.5>,)"));
    // Stopped, the selected station is what Play would play.
    EXPECT_TRUE(
        PlayerProperty(QStringLiteral("Metadata")).contains(QLatin1String("'Tone Station'")))
        << PlayerProperty(QStringLiteral("Metadata")).toStdString();

    // Play tunes in as the Play button does; the tone arrives and the stream's song is shown,
    // split into artist and title.
    ASSERT_TRUE(PlayerCall(QStringLiteral("Play")));
    EXPECT_TRUE(test::Eventually(
        [&] {
            const test::PcmAudio heard = Heard(0.2);
            return heard.Seconds() > 1.0 && test::ToneShare(heard, 440) > 0.9;
        },
        kFewSecondsMs))
        << ReadText(log).toStdString();
    EXPECT_EQ(PlayerProperty(QStringLiteral("PlaybackStatus")), QStringLiteral("(<'Playing'>,)"));
    EXPECT_TRUE(test::Eventually(
        [] {
            const QString metadata = PlayerProperty(QStringLiteral("Metadata"));
            return metadata.contains(QLatin1String("'xesam:title': <'Song One'>")) &&
                   metadata.contains(QLatin1String("'xesam:artist': <['Artist One']>"));
        },
        kFewSecondsMs))
        << PlayerProperty(QStringLiteral("Metadata")).toStdString();

    // The station announces the next song.
    ASSERT_TRUE(stream.SetSongTitle(QStringLiteral("Artist Two - Song Two")));
    EXPECT_TRUE(test::Eventually(
        [] {
            return PlayerProperty(QStringLiteral("Metadata"))
                .contains(QLatin1String("'xesam:title': <'Song Two'>"));
        },
        kFewSecondsMs))
        << PlayerProperty(QStringLiteral("Metadata")).toStdString();

    // The volume goes both ways: set through the bus, the slider follows and reads back.
    ASSERT_TRUE(CallMedia(QStringLiteral("org.freedesktop.DBus.Properties.Set"),
                          {QStringLiteral("org.mpris.MediaPlayer2.Player"),
                           QStringLiteral("Volume"), QStringLiteral("<0.25>")}));
    EXPECT_EQ(PlayerProperty(QStringLiteral("Volume")), QStringLiteral("(<0.25>,)"));

    // Next steps to the second station and, as something was playing, plays it.
    ASSERT_TRUE(PlayerCall(QStringLiteral("Next")));
    EXPECT_TRUE(test::Eventually(
        [] {
            const QString metadata = PlayerProperty(QStringLiteral("Metadata"));
            return metadata.contains(QLatin1String("'Second Station'")) &&
                   PlayerProperty(QStringLiteral("PlaybackStatus")) ==
                       QStringLiteral("(<'Playing'>,)");
        },
        kFewSecondsMs))
        << PlayerProperty(QStringLiteral("Metadata")).toStdString();
    EXPECT_EQ(PlayerProperty(QStringLiteral("CanGoPrevious")), QStringLiteral("(<true>,)"));

    // Stop stops; the song is no longer named.
    ASSERT_TRUE(PlayerCall(QStringLiteral("Stop")));
    EXPECT_TRUE(test::Eventually(
        [] {
            return PlayerProperty(QStringLiteral("PlaybackStatus")) ==
                   QStringLiteral("(<'Stopped'>,)");
        },
        kFewSecondsMs));
    EXPECT_FALSE(PlayerProperty(QStringLiteral("Metadata")).contains(QLatin1String("Song")));

    // Every change was announced, the two songs in the order the station sent them.
    const QString announced = ReadText(monitored);
    const qsizetype one = announced.indexOf(QLatin1String("'Song One'"));
    const qsizetype two = announced.indexOf(QLatin1String("'Song Two'"));
    EXPECT_GE(one, 0) << announced.toStdString();
    EXPECT_GT(two, one) << announced.toStdString();
    EXPECT_TRUE(announced.contains(QLatin1String("'Stopped'")));
    EXPECT_TRUE(announced.contains(QLatin1String("'Volume': <0.25>")));

    // Quit ends the player, which saves the volume it was given, and the name goes with it.
    ASSERT_TRUE(CallMedia(QStringLiteral("org.mpris.MediaPlayer2.Quit")));
    EXPECT_EQ(player.Wait(kFewSecondsMs), 0) << ReadText(log).toStdString();
    EXPECT_FALSE(MediaNameOwned());
    EXPECT_EQ(Stored(&CSettingsStore::ReadVolume), 75);
    monitor.Stop();
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
