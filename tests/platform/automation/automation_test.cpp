// The automation layer on a real session bus. CTest runs this program inside dbus-run-session, so
// every test case has a private bus of its own; the other side of each call is a real second
// process (automation_peer).
#include "platform/automation/automation.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <memory>

#include "tests/support/test_env.h"

// Readable texts in failure messages.
void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace velotune::platform {
namespace {

constexpr int kWaitMs = 30000;

int Code(AutomationResult result) {
    return static_cast<int>(result);
}

QString PeerPath() {
    return QStringLiteral(VELOTUNE_AUTOMATION_PEER);
}

QString ReadText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Runs the peer to its end and returns its exit code (-1: it did not start, crashed or hung).
// The event loop runs meanwhile, so calls the peer makes to this process are answered.
int RunPeer(const QStringList& args,
            const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess peer;
    peer.setProcessEnvironment(env);
    peer.setProcessChannelMode(QProcess::ForwardedChannels);
    QEventLoop loop;
    QObject::connect(&peer, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&peer, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(kWaitMs, &loop, &QEventLoop::quit);
    peer.start(PeerPath(), args);
    loop.exec();
    if (peer.state() != QProcess::NotRunning) {
        ADD_FAILURE() << "peer " << args.join(QLatin1Char(' ')).toStdString() << " did not end";
        peer.kill();
        peer.waitForFinished(5000);
        return -1;
    }
    return peer.exitStatus() == QProcess::NormalExit && peer.error() != QProcess::FailedToStart
               ? peer.exitCode()
               : -1;
}

// A running program on the other side: the peer owns the name of `server` and appends the name
// of each method it is called with to its log.
class ServingPeer {
public:
    explicit ServingPeer(AutomationServer server)
        : log_(test::MakeTempDir(QStringLiteral("peer")) + QStringLiteral("/calls.log")) {
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.setReadChannel(QProcess::StandardOutput);
        process_.start(
            PeerPath(),
            {QStringLiteral("serve"),
             QLatin1String(server == AutomationServer::Player ? "player" : "updater"), log_});
    }
    ~ServingPeer() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    // Waits until the peer has taken its name.
    bool WaitRegistered() {
        if (!process_.waitForStarted(kWaitMs))
            return false;
        while (!process_.canReadLine()) {
            if (!process_.waitForReadyRead(kWaitMs))
                return false;
        }
        return process_.readLine().trimmed() == "registered";
    }

    QStringList Calls() const {
        return ReadText(log_).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // The peer's exit code once it has ended by itself, -1 when it does not end.
    int WaitEnded() {
        if (!process_.waitForFinished(kWaitMs))
            return -1;
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }

private:
    QString log_;
    QProcess process_;
};

// ---- Start-up switches --------------------------------------------------------------------------

TEST(AutomationSwitch, AcceptsEmbeddingOrAutomationWithDashOrSlashInAnyCaseAndNothingElse) {
    for (const char* argument : {"-Automation", "/Automation", "-automation", "/AUTOMATION",
                                 "-Embedding", "/embedding", "-EMBEDDING"}) {
        EXPECT_TRUE(IsAutomationLaunch({QString::fromLatin1(argument)})) << argument;
    }
    // Anywhere on the command line.
    EXPECT_TRUE(IsAutomationLaunch({QStringLiteral("-v:20"), QStringLiteral("/Embedding")}));

    EXPECT_FALSE(IsAutomationLaunch({}));
    for (const char* argument : {"Automation", "--Automation", "-Automations", "-Auto", "-", "/",
                                 "-v:20", "\\Automation", "-Embedding "}) {
        EXPECT_FALSE(IsAutomationLaunch({QString::fromLatin1(argument)})) << argument;
    }
}

// ---- Service files ------------------------------------------------------------------------------

class ServiceFile : public ::testing::Test {
protected:
    void SetUp() override { QDir(ServiceDir()).removeRecursively(); }
    static QString ServiceDir() {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
               QStringLiteral("/dbus-1/services");
    }
};

TEST_F(ServiceFile, StartsTheProgramWithTheAutomationSwitch) {
    EXPECT_EQ(ServiceFilePath(AutomationServer::Player),
              ServiceDir() + QStringLiteral("/Torvik.Application.service"));
    EXPECT_EQ(ServiceFilePath(AutomationServer::Updater),
              ServiceDir() + QStringLiteral("/TorvikDBUpdate.Application.service"));

    ASSERT_EQ(WriteServiceFile(AutomationServer::Player, QStringLiteral("/opt/velotune/velotune")),
              AutomationResult::Ok);
    ASSERT_EQ(
        WriteServiceFile(AutomationServer::Updater, QStringLiteral("/opt/Bob's radio/velosync")),
        AutomationResult::Ok);

    const QStringList player =
        ReadText(ServiceFilePath(AutomationServer::Player)).split(QLatin1Char('\n'));
    EXPECT_TRUE(player.contains(QStringLiteral("[D-BUS Service]")));
    EXPECT_TRUE(player.contains(QStringLiteral("Name=Torvik.Application")));
    EXPECT_TRUE(player.contains(QStringLiteral("Exec='/opt/velotune/velotune' -Automation")));

    // Blanks and quotes in the path survive the shell-like splitting of the Exec line.
    const QStringList updater =
        ReadText(ServiceFilePath(AutomationServer::Updater)).split(QLatin1Char('\n'));
    EXPECT_TRUE(updater.contains(QStringLiteral("Name=TorvikDBUpdate.Application")));
    EXPECT_TRUE(
        updater.contains(QStringLiteral("Exec='/opt/Bob'\\''s radio/velosync' -Automation")));
}

TEST_F(ServiceFile, FollowsTheProgramWhenItMovesAndLeavesNoTemporaryFiles) {
    const QString path = ServiceFilePath(AutomationServer::Player);
    ASSERT_EQ(WriteServiceFile(AutomationServer::Player, QStringLiteral("/old/velotune")),
              AutomationResult::Ok);
    ASSERT_EQ(WriteServiceFile(AutomationServer::Player, QStringLiteral("/new/velotune")),
              AutomationResult::Ok);
    const QString moved = ReadText(path);
    EXPECT_TRUE(moved.contains(QStringLiteral("Exec='/new/velotune' -Automation")))
        << moved.toStdString();
    EXPECT_FALSE(moved.contains(QStringLiteral("/old/")));

    // A start from the same place changes nothing.
    ASSERT_EQ(WriteServiceFile(AutomationServer::Player, QStringLiteral("/new/velotune")),
              AutomationResult::Ok);
    EXPECT_EQ(ReadText(path), moved);
    EXPECT_EQ(QDir(ServiceDir()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("Torvik.Application.service")});
}

TEST_F(ServiceFile, RefusesPathsItCannotHoldAndKeepsTheOldFile) {
    ASSERT_EQ(WriteServiceFile(AutomationServer::Player, QStringLiteral("/opt/velotune")),
              AutomationResult::Ok);
    const QString before = ReadText(ServiceFilePath(AutomationServer::Player));
    for (const QString& bad :
         {QString(), QStringLiteral("velotune"), QStringLiteral("bin/velotune"),
          QStringLiteral("/opt/velo\ntune"), QStringLiteral("/opt/velo\rtune")}) {
        EXPECT_EQ(WriteServiceFile(AutomationServer::Player, bad), AutomationResult::WriteFailed)
            << bad.toStdString();
    }
    EXPECT_EQ(ReadText(ServiceFilePath(AutomationServer::Player)), before);
}

// ---- On the bus ---------------------------------------------------------------------------------

TEST(AutomationBus, TheNameHasOneOwnerUntilItIsReleased) {
    {
        AutomationRegistration scoped(AutomationServer::Player, {});
        ASSERT_EQ(scoped.Register(), AutomationResult::Ok);
    }
    AutomationRegistration first(AutomationServer::Player, {});
    ASSERT_EQ(first.Register(), AutomationResult::Ok);
    EXPECT_TRUE(first.IsRegistered());
    EXPECT_EQ(first.Register(), AutomationResult::Ok);  // again: no change

    // A second program, and a second registration in this one, are both turned away.
    EXPECT_EQ(RunPeer({QStringLiteral("register"), QStringLiteral("player")}),
              Code(AutomationResult::NameTaken));
    AutomationRegistration second(AutomationServer::Player, {});
    EXPECT_EQ(second.Register(), AutomationResult::NameTaken);
    EXPECT_FALSE(second.IsRegistered());

    // The updater's name is its own.
    EXPECT_EQ(RunPeer({QStringLiteral("register"), QStringLiteral("updater")}),
              Code(AutomationResult::Ok));

    // Released, the name goes to a new owner; taken again, a second owner fails again.
    first.Revoke();
    EXPECT_FALSE(first.IsRegistered());
    EXPECT_EQ(RunPeer({QStringLiteral("register"), QStringLiteral("player")}),
              Code(AutomationResult::Ok));
    ASSERT_EQ(first.Register(), AutomationResult::Ok);
    EXPECT_EQ(RunPeer({QStringLiteral("register"), QStringLiteral("player")}),
              Code(AutomationResult::NameTaken));
}

TEST(AutomationBus, ASecondStartReachesTheShowHandlerOnTheOwnersMainThread) {
    int shows = 0;
    int closes = 0;
    QThread* handlerThread = nullptr;
    AutomationRegistration registration(AutomationServer::Player, {[&] {
                                                                       ++shows;
                                                                       handlerThread =
                                                                           QThread::currentThread();
                                                                   },
                                                                   [&] { ++closes; }});
    ASSERT_EQ(registration.Register(), AutomationResult::Ok);

    EXPECT_EQ(RunPeer({QStringLiteral("show"), QStringLiteral("player")}),
              Code(AutomationResult::Ok));
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(closes, 0);
    EXPECT_EQ(handlerThread, QCoreApplication::instance()->thread());

    EXPECT_EQ(RunPeer({QStringLiteral("close")}), Code(AutomationResult::Ok));
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(closes, 1);
}

TEST(AutomationBus, ShowReachesTheRunningPlayerAndTheRunningUpdater) {
    ServingPeer player(AutomationServer::Player);
    ASSERT_TRUE(player.WaitRegistered());
    EXPECT_EQ(ShowRunningInstance(AutomationServer::Player), AutomationResult::Ok);
    // The handler has run by the time the call returns.
    EXPECT_EQ(player.Calls(), QStringList{QStringLiteral("ShowTorvik")});

    EXPECT_EQ(ShowRunningInstance(AutomationServer::Updater), AutomationResult::NotRunning);
    ServingPeer updater(AutomationServer::Updater);
    ASSERT_TRUE(updater.WaitRegistered());
    EXPECT_EQ(ShowRunningInstance(AutomationServer::Updater), AutomationResult::Ok);
    EXPECT_EQ(updater.Calls(), QStringList{QStringLiteral("ShowTorvikDBUpdate")});
    EXPECT_EQ(player.Calls(), QStringList{QStringLiteral("ShowTorvik")});
}

TEST(AutomationBus, CloseTorvikReachesThePlayerWhichThenEnds) {
    ServingPeer updater(AutomationServer::Updater);
    ASSERT_TRUE(updater.WaitRegistered());
    EXPECT_EQ(CloseRunningPlayer(), AutomationResult::NotRunning);  // the updater is no player

    ServingPeer player(AutomationServer::Player);
    ASSERT_TRUE(player.WaitRegistered());
    EXPECT_EQ(CloseRunningPlayer(), AutomationResult::Ok);
    EXPECT_EQ(player.WaitEnded(), 0);
    EXPECT_EQ(player.Calls(), QStringList{QStringLiteral("CloseTorvik")});
    EXPECT_TRUE(updater.Calls().isEmpty());
    // Its name went with it.
    EXPECT_EQ(CloseRunningPlayer(), AutomationResult::NotRunning);
}

TEST(AutomationBus, AnOwnerWithoutOurObjectIsNoRunningInstance) {
    // Something else holds the name but exports nothing behind it.
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.registerService(QString::fromLatin1(kTorvikProgId)));
    EXPECT_EQ(RunPeer({QStringLiteral("show"), QStringLiteral("player")}),
              Code(AutomationResult::CallFailed));
    EXPECT_TRUE(bus.unregisterService(QString::fromLatin1(kTorvikProgId)));
}

TEST(AutomationBus, TheRegistrationMayBeDestroyedFromItsOwnHandler) {
    // As a player whose CloseTorvik handler tears the whole application object down at once.
    std::unique_ptr<AutomationRegistration> registration;
    int closes = 0;
    registration = std::make_unique<AutomationRegistration>(
        AutomationServer::Player, AutomationHandlers{{}, [&] {
                                                         ++closes;
                                                         registration.reset();
                                                     }});
    ASSERT_EQ(registration->Register(), AutomationResult::Ok);

    // The caller still gets its answer, and the name is free afterwards.
    EXPECT_EQ(RunPeer({QStringLiteral("close")}), Code(AutomationResult::Ok));
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(registration, nullptr);
    EXPECT_EQ(RunPeer({QStringLiteral("register"), QStringLiteral("player")}),
              Code(AutomationResult::Ok));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// ---- Never starting a program -------------------------------------------------------------------

// A bus daemon of the test's own that knows the test's service folder, so that the bus really
// could start the program named in a service file.
class ActivatingBus {
public:
    explicit ActivatingBus(const QString& serviceDir) {
        const QString dir = test::MakeTempDir(QStringLiteral("bus"));
        const QString config = dir + QStringLiteral("/bus.conf");
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            return;
        file.write(
            QStringLiteral(
                "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                "<busconfig>\n"
                "  <type>session</type>\n"
                "  <listen>unix:dir=%1</listen>\n"
                "  <auth>EXTERNAL</auth>\n"
                "  <servicedir>%2</servicedir>\n"
                "  <policy context=\"default\">\n"
                "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                "    <allow eavesdrop=\"true\"/>\n"
                "    <allow own=\"*\"/>\n"
                "  </policy>\n"
                "  <limit name=\"service_start_timeout\">10000</limit>\n"
                "</busconfig>\n")
                .arg(dir, serviceDir)
                .toUtf8());
        file.close();
        daemon_.setReadChannel(QProcess::StandardOutput);
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                       QStringLiteral("--print-address=1")});
        if (!daemon_.waitForStarted(kWaitMs))
            return;
        while (!daemon_.canReadLine()) {
            if (!daemon_.waitForReadyRead(kWaitMs))
                return;
        }
        address_ = QString::fromUtf8(daemon_.readLine().trimmed());
    }
    ~ActivatingBus() {
        daemon_.terminate();
        if (!daemon_.waitForFinished(5000)) {
            daemon_.kill();
            daemon_.waitForFinished(5000);
        }
    }

    const QString& Address() const { return address_; }

private:
    QProcess daemon_;
    QString address_;
};

TEST(AutomationActivation, LookingForARunningProgramNeverStartsIt) {
    // The "program" of the service file only notes that it was started, and how, and fails, so
    // that the bus answers the call that started it as soon as it has ended.
    const QString marker = test::MakeTempDir(QStringLiteral("marker")) + QStringLiteral("/started");
    const QString program =
        test::MakeTempDir(QStringLiteral("installed player")) + QStringLiteral("/velotune");
    {
        QFile script(program);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$*\" >> '%1'\nexit 1\n")
                         .arg(marker)
                         .toUtf8());
        script.close();
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                              QFileDevice::ExeOwner);
    }
    ASSERT_EQ(WriteServiceFile(AutomationServer::Player, program), AutomationResult::Ok);

    ActivatingBus bus(QFileInfo(ServiceFilePath(AutomationServer::Player)).absolutePath());
    ASSERT_FALSE(bus.Address().isEmpty()) << "dbus-daemon did not start";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.Address());

    // Had either call let the bus start the program, the bus would have answered it only after
    // the program ended, so the marker would be there by now.
    EXPECT_EQ(RunPeer({QStringLiteral("show"), QStringLiteral("player")}, env),
              Code(AutomationResult::NotRunning));
    EXPECT_EQ(RunPeer({QStringLiteral("close")}, env), Code(AutomationResult::NotRunning));
    EXPECT_FALSE(QFile::exists(marker));

    // The check above means something only if the bus can start the program from that file: an
    // ordinary call (the program does not take the name, so the call itself fails) starts it
    // once, with the automation switch.
    RunPeer({QStringLiteral("activate"), QStringLiteral("player")}, env);
    EXPECT_EQ(ReadText(marker), QStringLiteral("-Automation\n"));
}

// ---- Without a session bus ----------------------------------------------------------------------

TEST(AutomationNoBus, EveryCallFailsCleanly) {
    QProcessEnvironment unset = QProcessEnvironment::systemEnvironment();
    unset.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    // Nor any of the places a bus could otherwise be found or started from.
    unset.remove(QStringLiteral("DISPLAY"));
    unset.remove(QStringLiteral("WAYLAND_DISPLAY"));
    unset.insert(QStringLiteral("XDG_RUNTIME_DIR"), test::MakeTempDir(QStringLiteral("runtime")));

    QProcessEnvironment dead = QProcessEnvironment::systemEnvironment();
    dead.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                QStringLiteral("unix:path=") + test::MakeTempDir(QStringLiteral("nobus")) +
                    QStringLiteral("/bus"));

    for (const QProcessEnvironment& env : {unset, dead}) {
        const int noBus = Code(AutomationResult::NoSessionBus);
        EXPECT_EQ(RunPeer({QStringLiteral("register"), QStringLiteral("player")}, env), noBus);
        EXPECT_EQ(RunPeer({QStringLiteral("register"), QStringLiteral("updater")}, env), noBus);
        EXPECT_EQ(RunPeer({QStringLiteral("show"), QStringLiteral("player")}, env), noBus);
        EXPECT_EQ(RunPeer({QStringLiteral("close")}, env), noBus);
    }
}

}  // namespace
}  // namespace velotune::platform
