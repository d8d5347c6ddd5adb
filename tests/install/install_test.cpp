// Velotune as a distribution installs it: `cmake --install` of this build into a scratch prefix,
// checked with the tools that distributions and desktops check with (desktop-file-validate,
// appstreamcli, man), then run from a read-only prefix by a user with a fresh home, on this test's
// private X display and session bus (CTest starts it under xvfb-run and dbus-run-session).
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <filesystem>

#include "res/texts.h"
#include "settings/settings_store.h"
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

constexpr int kWaitMs = 60000;
const QStringList kLaunchers = {QStringLiteral("velotune"), QStringLiteral("velosync"),
                                QStringLiteral("velotune-play")};

QString T(const char* text) {
    return QString::fromUtf8(text);
}

QString AppId() {
    return T(text::kDesktopEntryId);
}

// Runs a shell command line; its exit code, with what it wrote in *output.
int Shell(const QString& command, QString* output) {
    return test::RunProgram(QStringLiteral("sh"), {QStringLiteral("-c"), command}, output, 120000);
}

QString Quoted(const QString& path) {
    QString quoted = path;
    quoted.replace(QStringLiteral("'"), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// Installs this build under prefix (below destDir when given), as `cmake --install` does for
// a user or a package.
void Install(const QString& prefix, const QString& destDir = {}) {
    QString output;
    const QString env = destDir.isEmpty()
                            ? QString()
                            : QStringLiteral("DESTDIR=") + Quoted(destDir) + QLatin1Char(' ');
    ASSERT_EQ(Shell(env + Quoted(QStringLiteral(VELOTUNE_CMAKE_COMMAND)) +
                        QStringLiteral(" --install ") + Quoted(QStringLiteral(VELOTUNE_BUILD_DIR)) +
                        QStringLiteral(" --prefix ") + Quoted(prefix),
                    &output),
              0)
        << output.toStdString();
}

// Every file and folder under root with its size and modification time, to tell whether
// anything was written there.
QMap<QString, QString> Snapshot(const QString& root) {
    QMap<QString, QString> entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        entries.insert(info.filePath(),
                       QString::number(info.size()) + QLatin1Char(' ') +
                           QString::number(info.lastModified().toMSecsSinceEpoch()));
    }
    return entries;
}

// The value of key in the [Desktop Entry] group of a desktop file.
QString DesktopValue(const QString& file, const QString& key) {
    const QString content = QString::fromUtf8(test::ReadFile(file));
    for (const QString& line : content.split(QLatin1Char('\n')))
        if (line.startsWith(key + QLatin1Char('=')))
            return line.mid(key.size() + 1);
    return {};
}

TEST(InstallTest, LaysOutTheFoldersAndPassesTheDesktopAndManualChecks) {
    const QString root = test::MakeTempDir(QStringLiteral("destdir"));
    Install(QStringLiteral("/usr"), root);
    const QString usr = root + QStringLiteral("/usr");
    const QString programDir = usr + QStringLiteral("/lib/velotune");

    // The program folder as build/bin/ has it, and launchers on PATH that lead into it by a
    // relative link, so that the packaged tree works wherever it is unpacked.
    for (const char* file : {"velotune", "velosync", "velotune-play", "velostn.dat",
                             "librmaengine.so", "Help/qstart.html", "installed"})
        EXPECT_TRUE(QFileInfo::exists(programDir + QLatin1Char('/') + T(file))) << file;
    for (const QString& name : kLaunchers) {
        const QFileInfo launcher(usr + QStringLiteral("/bin/") + name);
        ASSERT_TRUE(launcher.isSymLink()) << name.toStdString();
        EXPECT_TRUE(
            std::filesystem::read_symlink(QFile::encodeName(launcher.filePath()).toStdString())
                .is_relative())
            << name.toStdString();
        EXPECT_EQ(launcher.canonicalFilePath(),
                  QFileInfo(programDir + QLatin1Char('/') + name).canonicalFilePath());
        EXPECT_TRUE(launcher.isExecutable()) << name.toStdString();
    }

    QString output;
    const QString desktop =
        usr + QStringLiteral("/share/applications/") + AppId() + QStringLiteral(".desktop");
    EXPECT_EQ(test::RunProgram(QStringLiteral("desktop-file-validate"), {desktop}, &output), 0)
        << output.toStdString();
    EXPECT_EQ(output.trimmed(), QString());
    // The desktop ties the player's windows (class = application name) to this entry.
    EXPECT_EQ(DesktopValue(desktop, QStringLiteral("StartupWMClass")), T(text::kProductName));
    EXPECT_EQ(DesktopValue(desktop, QStringLiteral("Icon")), AppId());
    EXPECT_EQ(DesktopValue(desktop, QStringLiteral("Exec")), QStringLiteral("velotune"));

    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString icon = usr + QStringLiteral("/share/icons/hicolor/%1x%1/apps/").arg(size) +
                             AppId() + QStringLiteral(".png");
        EXPECT_EQ(QImage(icon).size(), QSize(size, size)) << icon.toStdString();
    }

    output.clear();
    const QString metainfo =
        usr + QStringLiteral("/share/metainfo/") + AppId() + QStringLiteral(".metainfo.xml");
    EXPECT_EQ(test::RunProgram(QStringLiteral("appstreamcli"),
                               {QStringLiteral("validate"), QStringLiteral("--no-net"),
                                QStringLiteral("--pedantic"), metainfo},
                               &output),
              0)
        << output.toStdString();

    // man's own check: groff's warnings about the page go to standard error.
    for (const QString& name : kLaunchers) {
        const QString page =
            usr + QStringLiteral("/share/man/man1/") + name + QStringLiteral(".1.gz");
        ASSERT_TRUE(QFileInfo::exists(page)) << page.toStdString();
        output.clear();
        EXPECT_EQ(Shell(QStringLiteral("LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings "
                                       "-E UTF-8 -l -Tutf8 -Z ") +
                            Quoted(page) + QStringLiteral(" >/dev/null"),
                        &output),
                  0);
        EXPECT_EQ(output.trimmed(), QString()) << name.toStdString();
        output.clear();
        Shell(QStringLiteral("MANWIDTH=80 man -l ") + Quoted(page) + QStringLiteral(" 2>&1"),
              &output);
        EXPECT_TRUE(output.contains(QStringLiteral("EXIT STATUS"))) << name.toStdString();
    }

    const QString doc = usr + QStringLiteral("/share/doc/velotune/");
    for (const char* file :
         {"LICENSE", "copyright", "changelog.gz", "data/README.md", "data/LICENSE-IPRD.txt"})
        EXPECT_TRUE(QFileInfo::exists(doc + T(file))) << file;
}

// The installed player and updater, started by a user from a prefix that nobody may write to.
class InstalledRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run through CTest (xvfb-run)";
        test::ClearProxyEnvironment();
        prefix_ = test::MakeTempDir(QStringLiteral("prefix"));
        Install(prefix_);
        if (HasFatalFailure())
            return;
        QString output;
        ASSERT_EQ(test::RunProgram(QStringLiteral("chmod"),
                                   {QStringLiteral("-R"), QStringLiteral("a-w"), prefix_}, &output),
                  0)
            << output.toStdString();

        // A user with a fresh home and the standard folders below it.
        const QString home = test::MakeTempDir(QStringLiteral("home"));
        qputenv("HOME", QFile::encodeName(home));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + QStringLiteral("/.config")));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(home + QStringLiteral("/.cache")));
        dataHome_ = home + QStringLiteral("/.local/share");
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome_));
        qputenv("QT_QPA_PLATFORM", "xcb");
        qputenv("QT_FORCE_STDERR_LOGGING", "1");
        qputenv("QT_LOGGING_RULES", "velotune.updater.debug=true");
        qunsetenv("VELOTUNE_UPDATE_HOST");  // the settings file names the update server

        QString why;
        ASSERT_TRUE(desktop_.StartWindowManager(&why)) << why.toStdString();
        ASSERT_TRUE(desktop_.StartTray(&why)) << why.toStdString();
    }

    // The scratch folder goes at exit, so its prefix must be writable again.
    void TearDown() override {
        if (!prefix_.isEmpty())
            test::RunProgram(QStringLiteral("chmod"),
                             {QStringLiteral("-R"), QStringLiteral("u+w"), prefix_});
    }

    // Starts an installed program through its launcher in bin/. The superuser could write into
    // the prefix in spite of its modes; the installation's marker keeps its programs out of it.
    void Start(ChildProcess& process, const QString& name, const QStringList& args, QString* log) {
        *log = test::MakeTempDir(QStringLiteral("log")) + QLatin1Char('/') + name +
               QStringLiteral(".log");
        ASSERT_TRUE(process.Start(prefix_ + QStringLiteral("/bin/") + name, args, *log));
    }

    static bool PlayerOnBus() {
        return test::BusNameOwned(QStringLiteral("Torvik.Application"), kWaitMs);
    }

    static int CallPlayer(const QString& method) { return test::CallPlayer(method, kWaitMs); }

    // The status texts velosync logged, in order.
    static QStringList Logged(const QString& log) {
        QStringList values;
        const QString marker = QStringLiteral("velotune.updater: status: ");
        for (const QString& line : QString::fromUtf8(test::ReadFile(log)).split(QLatin1Char('\n')))
            if (line.startsWith(marker))
                values.append(line.mid(marker.size()));
        return values;
    }

    QString UserDatabase() const {
        return dataHome_ + QStringLiteral("/Velotune/") + T(text::kDatabaseFile);
    }

    static std::int32_t EditionOf(const QString& database) {
        CRadioDatabase db;
        std::int32_t edition = 0;
        if (db.OpenDatabase(database) == kDbOk) {
            db.GetDBVersion(edition);
            db.CloseDatabase();
        }
        return edition;
    }

    QString prefix_;
    QString dataHome_;
    test::Desktop desktop_;
};

TEST_F(InstalledRunTest, SeedsTheUserDatabaseAnswersOnTheBusAndUpdatesWithoutWritingThePrefix) {
    const QMap<QString, QString> installed = Snapshot(prefix_);
    const QString shipped = prefix_ + QStringLiteral("/lib/velotune/") + T(text::kDatabaseFile);

    ChildProcess player;
    QString log;
    Start(player, QStringLiteral("velotune"), {}, &log);
    const QString window = test::WaitForWindow(T(text::kMainWindowTitle));
    ASSERT_FALSE(window.isEmpty()) << test::ReadFile(log).toStdString();
    ASSERT_TRUE(test::Eventually(PlayerOnBus, kWaitMs)) << test::ReadFile(log).toStdString();

    // The first start copied the shipped database into the user's data folder and opened it.
    ASSERT_TRUE(QFileInfo::exists(UserDatabase())) << test::ReadFile(log).toStdString();
    EXPECT_EQ(QFileInfo(UserDatabase()).size(), QFileInfo(shipped).size());
    // Its windows carry the class that the desktop entry names, so they group under its icon.
    const auto byClass =
        test::Xdotool({QStringLiteral("search"), QStringLiteral("--class"), T(text::kProductName)});
    EXPECT_TRUE(byClass && byClass->split(QLatin1Char('\n')).contains(window));

    EXPECT_EQ(CallPlayer(QStringLiteral("CloseTorvik")), 0);
    EXPECT_EQ(player.Wait(kWaitMs), 0) << test::ReadFile(log).toStdString();
    const std::int32_t edition = EditionOf(UserDatabase());
    ASSERT_GT(edition, 0);

    // velosync, as the player starts it, updates that same copy from an update server.
    test::FixtureServer server(test::MakeTempDir(QStringLiteral("www")));
    ASSERT_TRUE(server.IsRunning());
    // The user points the programs at it in the settings file.
    ASSERT_EQ(CSettingsStore().WriteUpdateServer(server.HostPort()), 1);
    StationDbContent newer = test::NewEdition();
    const std::int32_t newEdition = edition + 1;
    newer.edition = newEdition;
    test::Publish(server, newEdition, test::PackageOf(newer));
    ChildProcess velosync;
    Start(velosync, QStringLiteral("velosync"), {QStringLiteral("-v:%1").arg(edition)}, &log);
    const QString dialog = test::WaitForWindow(T(text::kUpdaterDialogTitle));
    ASSERT_FALSE(dialog.isEmpty()) << test::ReadFile(log).toStdString();
    ASSERT_TRUE(test::Eventually([&] { return Logged(log).contains(T(text::kStatusReady)); }));
    ASSERT_TRUE(test::Keys(dialog, {QStringLiteral("Return")}));  // "Start Update"
    ASSERT_TRUE(test::Eventually([&] { return Logged(log).contains(T(text::kStatusCompleted)); }))
        << test::ReadFile(log).toStdString();
    velosync.Stop();
    EXPECT_EQ(EditionOf(UserDatabase()), newEdition);

    // Nothing in the prefix was created, removed or changed.
    EXPECT_EQ(Snapshot(prefix_), installed);
}

}  // namespace
}  // namespace velotune
