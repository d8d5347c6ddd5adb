// The application object in this process, on a private session bus (CTest starts the program
// under dbus-run-session) and the offscreen platform, with a station database of the test's own.
// Message boxes are recorded. What needs a real display, a window manager, a notification area or
// a second program is in velotune_test.cpp.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include "app/automation_object.h"
#include "app/gui_platform.h"
#include "app/media_controls.h"
#include "app/torvik_app.h"
#include "platform/automation/automation.h"
#include "playback/command_centre.h"
#include "res/texts.h"
#include "settings/settings_store.h"
#include "skin/controls/skinslider.h"
#include "skin/main_window.h"
#include "stationdb/dbwriter.h"
#include "tests/support/message_recorder.h"
#include "tests/support/test_env.h"

void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace velotune {
namespace {

using StartResult = CTorvikApp::StartResult;

QString T(const char* text) {
    return QString::fromUtf8(text);
}

void Drain() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

bool NameOwned() {
    const QDBusReply<bool> owned = QDBusConnection::sessionBus().interface()->isServiceRegistered(
        QString::fromLatin1(platform::kTorvikProgId));
    return owned.isValid() && owned.value();
}

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(test::MakeTempDir(QStringLiteral("config"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(test::MakeTempDir(QStringLiteral("share"))));
        setup_.programDirectory = test::MakeTempDir(QStringLiteral("program"));
        setup_.dataDirectory = test::MakeTempDir(QStringLiteral("data"));
        StationDbContent content;
        content.edition = 20;
        CRadioSet station;
        station.m_StationName = QStringLiteral("Tone Station");
        station.m_StreamURL = QStringLiteral("http://127.0.0.1:1/");
        station.m_StreamFormat = T(text::kFormatWmp);
        station.m_Playlist = 1;
        content.stations = {station};
        content.playlist = {CPlaylistSet{1, 1}};
        QString error;
        ASSERT_TRUE(WriteStationDatabase(setup_.dataDirectory + QStringLiteral("/velostn.dat"),
                                         content, &error))
            << error.toStdString();
        // The offscreen platform has no notification area.
        ASSERT_TRUE(CSettingsStore().WriteTrayIcon(1));
    }

    void TearDown() override {
        app_.reset();
        Drain();
    }

    // A started player whose main window is up.
    void Start(const QStringList& arguments = {}) {
        app_ = std::make_unique<CTorvikApp>(setup_);
        ASSERT_EQ(app_->InitInstance(arguments), StartResult::kRunning)
            << messages_.Texts().join(QLatin1Char('\n')).toStdString();
        window_ = app_->MainWindow();
        ASSERT_TRUE(window_);
        Drain();
    }

    // The main window is gone and the settings of an exit are stored.
    bool Ended() const {
        int shown = -1;
        return !app_->Controller()->MainWindow() && CSettingsStore().ReadShowWindow(&shown);
    }

    AppSetup setup_;
    test::MessageRecorder messages_;
    std::unique_ptr<CTorvikApp> app_;
    QPointer<CTorvikMainDlg> window_;
};

TEST(SongTitleTest, ArtistAndTitleAreSplitAtTheFirstSpacedDash) {
    const auto split = [](const char* text) {
        const SongTitle song = SplitSongTitle(QString::fromUtf8(text));
        return (song.artist + u'|' + song.title).toStdString();
    };
    EXPECT_EQ(split("Artist - Title"), "Artist|Title");
    EXPECT_EQ(split("A-ha - Take On Me - Live"), "A-ha|Take On Me - Live");
    EXPECT_EQ(split("Just a title"), "|Just a title");
    EXPECT_EQ(split(" - Title"), "|- Title");
    EXPECT_EQ(split("Artist - "), "|Artist -");
}

TEST_F(AppTest, AStartTakesTheBusNameAndWritesTheServiceFileUnlessTheBusStartedIt) {
    const QString serviceFile = platform::ServiceFilePath(platform::AutomationServer::Player);
    Start();
    EXPECT_TRUE(NameOwned());
    EXPECT_TRUE(app_->Automation().IsRegistered());
    EXPECT_FALSE(app_->Automation().IsAttached());
    EXPECT_TRUE(QFile::exists(serviceFile));
    EXPECT_TRUE(messages_.Texts().isEmpty()) << messages_.Last().toStdString();
    app_.reset();
    EXPECT_FALSE(NameOwned());

    for (const QString& flag : {QStringLiteral("-Automation"), QStringLiteral("/Embedding")}) {
        QFile::remove(serviceFile);
        Start({flag});
        EXPECT_TRUE(NameOwned()) << flag.toStdString();
        EXPECT_FALSE(QFile::exists(serviceFile)) << flag.toStdString();
        app_.reset();
    }
}

TEST_F(AppTest, ANameThatCannotBeTakenIsToldAndTheStartGoesOn) {
    // Another connection owns the name but offers no player behind it.
    QDBusConnection other =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("other"));
    ASSERT_TRUE(other.registerService(QString::fromLatin1(platform::kTorvikProgId)));

    Start();
    EXPECT_EQ(messages_.Texts(), QStringList{T(text::kRegisterFailed)});
    EXPECT_FALSE(app_->Automation().IsRegistered());
    EXPECT_TRUE(window_->isVisible());
    QDBusConnection::disconnectFromBus(QStringLiteral("other"));
}

// A settings file that is there but cannot be read is named in a message, and nothing replaces
// it: no new installation identifier, no defaults written over it.
TEST_F(AppTest, AnUnreadableSettingsFileIsNamedAndKept) {
    const QString path = CSettingsStore().FilePath();
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir().mkpath(path));  // unreadable for anyone, root included
    Start();
    EXPECT_TRUE(messages_.Texts().contains(T(text::kSettingsReadFailed) + path))
        << messages_.Texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(messages_.Texts().contains(T(text::kRegistryWriteFailed) + path))
        << messages_.Texts().join(QLatin1Char('\n')).toStdString();
    app_.reset();
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_TRUE(QDir(path).isEmpty());
}

TEST_F(AppTest, AltF4IsTheCloseButtonExceptInAModalDialog) {
    Start();
    {
        // A modal dialog keeps Alt+F4 for itself.
        QDialog dialog(window_);
        QTimer::singleShot(0, &dialog, [&] {
            QTest::keyClick(&dialog, Qt::Key_F4, Qt::AltModifier);
            EXPECT_EQ(app_->Controller()->MainWindow(), window_.data());
            dialog.reject();
        });
        dialog.exec();
    }

    // Without a tray icon, the player ends and stores its settings.
    ASSERT_TRUE(CSettingsStore().WriteVolume(30));
    window_->VolumeSlider()->setValue(70);
    QTest::keyClick(window_, Qt::Key_F4, Qt::AltModifier);
    Drain();
    EXPECT_TRUE(Ended());
    int volume = -1;
    EXPECT_TRUE(CSettingsStore().ReadVolume(&volume));
    EXPECT_EQ(volume, 70);
    EXPECT_TRUE(window_.isNull());
}

TEST_F(AppTest, CloseTorvikDismissesAModalDialogAndEndsThePlayerOnceItHasReturned) {
    Start();
    bool windowOutlivedTheDialog = false;
    int answer = -1;
    QEventLoop mainLoop;  // the program's event loop: the dialog runs a loop of its own inside it
    QTimer::singleShot(0, &mainLoop, [&] {
        QDialog dialog(window_);  // modal over the main window, as the station finder is
        QTimer::singleShot(0, &dialog, [&] { app_->Automation().CloseTorvik(); });
        answer = dialog.exec();
        windowOutlivedTheDialog = !window_.isNull();
    });
    QTimer::singleShot(20000, &mainLoop, &QEventLoop::quit);
    mainLoop.exec();  // the exit's quit ends it

    EXPECT_EQ(answer, QDialog::Rejected);
    EXPECT_TRUE(windowOutlivedTheDialog);
    Drain();
    EXPECT_TRUE(Ended());
}

TEST_F(AppTest, ShowTorvikOnlyBringsAVisibleWindowForward) {
    Start();
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));

    app_->Automation().ShowTorvik();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window_));

    window_->hide();
    app_->Automation().ShowTorvik();
    Drain();
    EXPECT_FALSE(window_->isVisible());

    window_->show();
    window_->showMinimized();
    app_->Automation().ShowTorvik();
    Drain();
    EXPECT_TRUE(window_->isMinimized());
}

TEST(PlayerPlatform, AWaylandSessionWithXWaylandGetsTheX11Platform) {
    // qpaPlatform, sessionType, waylandDisplay, x11Display -> asked for
    EXPECT_EQ(PlayerPlatformFor("", "wayland", "wayland-0", ":0"), "xcb");
    EXPECT_EQ(PlayerPlatformFor("", "", "wayland-0", ":0"), "xcb");
    EXPECT_EQ(PlayerPlatformFor("", "Wayland", "", ":1"), "xcb");
    // The user's own choice, an X11 session and a Wayland session without XWayland are kept.
    EXPECT_EQ(PlayerPlatformFor("wayland", "wayland", "wayland-0", ":0"), "");
    EXPECT_EQ(PlayerPlatformFor("", "x11", "", ":0"), "");
    EXPECT_EQ(PlayerPlatformFor("", "wayland", "wayland-0", ""), "");
}

}  // namespace
}  // namespace velotune
