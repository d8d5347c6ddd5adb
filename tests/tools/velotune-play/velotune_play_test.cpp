// velotune-play as a person runs it: the statuses it prints, stopping after --seconds, recording,
// and the refusals.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QThread>
#include <csignal>

#include "tests/support/child_process.h"
#include "tests/support/media_fixtures.h"
#include "tests/support/silent_server.h"
#include "tests/support/test_env.h"

namespace velotune {
namespace {

QString Player() {
    return test::BinDir() + QStringLiteral("/velotune-play");
}

// The "status ..." lines of the output.
QStringList StatusLines(const QString& output) {
    QStringList lines;
    for (const QString& line : output.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (line.startsWith(QStringLiteral("status ")))
            lines.append(line);
    return lines;
}

TEST(VelotunePlayTest, PlaysAndRecordsAFilePrintingEachStatus) {
    const QString folder = test::MakeTempDir();
    const QString tone = test::MakeToneFile(folder, test::ToneFormat::Mp3, 3.0);
    ASSERT_FALSE(tone.isEmpty());

    // Stopped after half a second of a three-second file.
    QString output;
    ASSERT_EQ(test::RunProgram(Player(), {QStringLiteral("--seconds"), QStringLiteral("0.5"), tone},
                               &output, 20000),
              0)
        << output.toStdString();
    QStringList lines = StatusLines(output);
    ASSERT_GE(lines.size(), 3) << output.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("status 4 playing (local file)"));
    EXPECT_EQ(lines[1], QStringLiteral("status 1 closed"));
    EXPECT_EQ(lines[2], QStringLiteral("status 5 stopped"));

    // Recorded to the end, at a lower volume.
    const QString recording = folder + QStringLiteral("/recorded.wma");
    output.clear();
    ASSERT_EQ(test::RunProgram(Player(),
                               {QStringLiteral("--record"), recording, QStringLiteral("--volume"),
                                QStringLiteral("30"), tone},
                               &output, 20000),
              0)
        << output.toStdString();
    lines = StatusLines(output);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.last(), QStringLiteral("status 5 stopped"));
    EXPECT_GT(QFileInfo(recording).size(), 10000);
}

TEST(VelotunePlayTest, PlaysARealAudioFileThroughTheRealSystemEngine) {
    const QString tone = test::MakeToneFile(test::MakeTempDir(), test::ToneFormat::Ra, 1.0);
    ASSERT_FALSE(tone.isEmpty());
    QString output;
    ASSERT_EQ(test::RunProgram(Player(), {QStringLiteral("--real"), tone}, &output, 20000), 0)
        << output.toStdString();
    EXPECT_EQ(StatusLines(output),
              QStringList({QStringLiteral("status 4 playing (local file)"),
                           QStringLiteral("status 1 closed"), QStringLiteral("status 5 stopped")}))
        << output.toStdString();
}

// Ctrl-C and SIGTERM end the tool promptly whatever it is doing: connecting to a server that
// never answers (the start gives up and says so), or playing.
TEST(VelotunePlayTest, SignalsEndItInEveryState) {
    test::SilentServer silent;
    ASSERT_TRUE(silent.IsRunning());
    const QString folder = test::MakeTempDir();
    const QString tone = test::MakeToneFile(folder, test::ToneFormat::Wma, 8.0);
    ASSERT_FALSE(tone.isEmpty());
    struct Case {
        const char* name;
        QString url;
        int signal;
        int exitCode;
    };
    for (const Case& c : {Case{"connecting", silent.Url(QStringLiteral("/live")), SIGINT, 1},
                          Case{"playing", tone, SIGTERM, 0}}) {
        SCOPED_TRACE(c.name);
        const QString log =
            folder + QStringLiteral("/") + QLatin1String(c.name) + QStringLiteral(".log");
        test::ChildProcess player;
        ASSERT_TRUE(player.Start(Player(), {c.url}, log));
        QThread::msleep(1500);  // well into the connect, or into the file
        ASSERT_TRUE(player.IsRunning());
        QElapsedTimer sinceSignal;
        sinceSignal.start();
        player.Signal(c.signal);
        EXPECT_EQ(player.Wait(10000), c.exitCode);
        // Within 1 s, with a margin for a loaded machine.
        EXPECT_LT(sinceSignal.elapsed(), 2500);
        QFile output(log);
        ASSERT_TRUE(output.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(output.readAll());
        if (c.exitCode != 0)
            EXPECT_TRUE(text.contains(QStringLiteral("cannot play"))) << text.toStdString();
        else
            EXPECT_TRUE(text.contains(QStringLiteral("status 5 stopped"))) << text.toStdString();
    }
}

// The RealSystem engine accepts an address or a file and only then finds it unusable: the run
// still ends, with a failure and the reason on standard error.
TEST(VelotunePlayTest, ARealStreamThatFailsAfterItWasAcceptedEndsWithAFailure) {
    const QString folder = test::MakeTempDir();
    const QString damaged = folder + QStringLiteral("/damaged.ra");
    {
        QFile file(damaged);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(".ra\xfd") + QByteArray(4000, '\x5a'));
    }
    for (const QString& url : {QStringLiteral("http://127.0.0.1:9/station.ra"), damaged}) {
        SCOPED_TRACE(url.toStdString());
        QString output;
        EXPECT_EQ(test::RunProgram(Player(), {QStringLiteral("--real"), url}, &output, 30000), 1);
        EXPECT_TRUE(output.contains(QStringLiteral("ended before it played")) ||
                    output.contains(QStringLiteral("cannot play")))
            << output.toStdString();
    }
}

TEST(VelotunePlayTest, RefusesWhatItCannotDo) {
    QString output;
    EXPECT_EQ(
        test::RunProgram(Player(), {QStringLiteral("--real"), QStringLiteral("missing.ra")}, &output),
        1);
    EXPECT_TRUE(output.contains(QStringLiteral("cannot play"))) << output.toStdString();
    EXPECT_EQ(test::RunProgram(Player(), {}, &output), 2);
    EXPECT_EQ(test::RunProgram(Player(), {QStringLiteral("--real"), QStringLiteral("--record"),
                                          QStringLiteral("x.wma"), QStringLiteral("x.ra")}),
              2);
    EXPECT_EQ(test::RunProgram(Player(), {QStringLiteral("--volume"), QStringLiteral("101"),
                                          QStringLiteral("x.wma")}),
              2);
    output.clear();
    EXPECT_EQ(
        test::RunProgram(Player(), {test::MakeTempDir() + QStringLiteral("/none.wma")}, &output),
        1);
    EXPECT_TRUE(output.contains(QStringLiteral("cannot play"))) << output.toStdString();
    // Where the cause is known, it is said.
    EXPECT_TRUE(output.contains(QStringLiteral(": not found (result ")))
        << output.toStdString();
    const QString fifo = test::MakeTempDir() + QStringLiteral("/pipe.wma");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    output.clear();
    EXPECT_EQ(test::RunProgram(Player(), {fifo}, &output, 20000), 1);
    EXPECT_TRUE(output.contains(QStringLiteral(": not a regular file"))) << output.toStdString();
}

// A recording that fails is reported, naming the file and the reason, and the run fails: a full
// disk (/dev/full takes nothing), and the file being played, by any path, is never written over.
TEST(VelotunePlayTest, RecordingFailuresAreReportedAndTheSourceIsNeverOverwritten) {
    const QString folder = test::MakeTempDir();
    const QString tone = test::MakeToneFile(folder, test::ToneFormat::Wma, 3.0);
    ASSERT_FALSE(tone.isEmpty());

    QString output;
    EXPECT_EQ(test::RunProgram(Player(), {QStringLiteral("--record"), QStringLiteral("/dev/full"),
                                          tone},
                               &output, 30000),
              1)
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("the recording into /dev/full failed: ")))
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("No space left on device"))) << output.toStdString();

    const QByteArray original = [&] {
        QFile file(tone);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    const QString link = folder + QStringLiteral("/link.wma");
    const QString hardLink = folder + QStringLiteral("/hard.wma");
    ASSERT_TRUE(QFile::link(tone, link));
    ASSERT_EQ(::link(QFile::encodeName(tone).constData(), QFile::encodeName(hardLink).constData()),
              0);
    const QString dotted = folder + QStringLiteral("/./") + QFileInfo(tone).fileName();
    for (const QString& target : {tone, link, hardLink, dotted}) {
        SCOPED_TRACE(target.toStdString());
        output.clear();
        EXPECT_EQ(test::RunProgram(Player(), {QStringLiteral("--record"), target, tone}, &output,
                                   20000),
                  1);
        EXPECT_TRUE(output.contains(QStringLiteral("it is the file being played")))
            << output.toStdString();
        QFile file(tone);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), original);
    }
}

}  // namespace
}  // namespace velotune
