// Hostile and broken sources: whatever a server sends, the reader fails within its bounds of time
// and memory, refuses what is no file, and verifies https servers.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cstdlib>
#include <thread>

#include "platform/wmruntime/wmruntime.h"
#include "tests/platform/wmruntime/reader_recorder.h"
#include "tests/support/fixture_server.h"
#include "tests/support/media_fixtures.h"
#include "tests/support/test_env.h"
#include "tests/support/tone.h"

namespace velotune::platform {
namespace {

using test::ReaderRecorder;
using test::ToneFormat;
using Clock = std::chrono::steady_clock;

std::u16string U16(const QString& text) {
    return text.toStdU16String();
}

// Resident memory of this process in MiB.
double ResidentMiB() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / 1048576.0
                             : 0;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

class BoundsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new QString(test::MakeTempDir(QStringLiteral("bounds")));
        mp3_ = new QString(test::MakeToneFile(*folder_, ToneFormat::Mp3, 8.0));
        QByteArray noise(1 << 20, '\0');
        QRandomGenerator random(15);
        random.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        WriteFile(*folder_ + QStringLiteral("/zeros.bin"), QByteArray(1 << 20, '\0'));
        WriteFile(*folder_ + QStringLiteral("/noise.bin"), noise);
    }
    static void TearDownTestSuite() {
        delete folder_;
        delete mp3_;
    }
    void SetUp() override {
        ASSERT_FALSE(mp3_->isEmpty());
        ASSERT_EQ(WmCreateReader(&reader_), kSOk);
    }

    // Plays url until the reader reports the end of playback; returns that last status's result
    // and the time it took from Open, and the most memory the process grew by meanwhile.
    struct Outcome {
        HResult result = kEUnexpected;
        double seconds = 0;
        double grewMiB = 0;
        bool ended = false;
    };
    Outcome PlayToTheEnd(const QString& url, int timeoutMs) {
        Outcome outcome;
        ReaderRecorder rec;
        test::CloseOnExit closer(reader_.get());
        const double baseline = ResidentMiB();
        const Clock::time_point start = Clock::now();
        EXPECT_EQ(reader_->Open(U16(url), &rec, nullptr), kSOk);
        bool started = false;
        while (Clock::now() - start < std::chrono::milliseconds(timeoutMs)) {
            outcome.grewMiB = std::max(outcome.grewMiB, ResidentMiB() - baseline);
            if (!started && rec.WaitFor(WmtStatus::kOpened, 1)) {
                started = true;
                if (Failed(rec.ResultOf(WmtStatus::kOpened))) {
                    outcome.result = rec.ResultOf(WmtStatus::kOpened);
                    outcome.ended = true;
                    break;
                }
                EXPECT_EQ(reader_->Start(0, 0, 1.0f, nullptr), kSOk);
            }
            if (rec.WaitForAny({WmtStatus::kError, WmtStatus::kEof}, 1)) {
                outcome.result = rec.WaitFor(WmtStatus::kError, 0) ? rec.ResultOf(WmtStatus::kError)
                                                                   : kSOk;
                outcome.ended = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        outcome.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        return outcome;
    }

    static QString* folder_;
    static QString* mp3_;
    std::unique_ptr<WmReader> reader_;
};
QString* BoundsTest::folder_ = nullptr;
QString* BoundsTest::mp3_ = nullptr;

// AddressSanitizer keeps freed memory in quarantine and ThreadSanitizer shadows every byte, so
// resident memory says nothing about the source's bound in those builds.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kMemoryMeasurable = false;
#else
constexpr bool kMemoryMeasurable = true;
#endif

// An endless answer of zeros or noise, whatever type the server names: no audio, so a failure
// in about 15 s at most, and memory that stays within the byte bound (8 MiB) plus FFmpeg's own.
TEST_F(BoundsTest, EndlessBodiesWithoutAudioFailWithinTheBounds) {
    test::FixtureServer server(*folder_);
    ASSERT_TRUE(server.IsRunning());
    const struct {
        const char* file;
        const char* type;
    } cases[] = {
        {"zeros.bin", "audio/mpeg"},
        {"zeros.bin", "video/x-ms-asf"},
        {"noise.bin", "audio/mpeg"},
        {"noise.bin", "audio/aac"},
        {"noise.bin", "application/octet-stream"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " as " + c.type);
        test::FixtureRoute route =
            test::FixtureRoute::File(QString::fromLatin1(c.file), QString::fromLatin1(c.type));
        route.loop = true;
        server.SetRoute(QStringLiteral("/stream"), route);
        const Outcome outcome = PlayToTheEnd(server.Url(QStringLiteral("/stream")), 60000);
        ASSERT_TRUE(outcome.ended) << "still playing after " << outcome.seconds << " s";
        EXPECT_TRUE(Failed(outcome.result));
        EXPECT_LT(outcome.seconds, 40.0);
        if (kMemoryMeasurable) {
            EXPECT_LT(outcome.grewMiB, 40.0);
        }
        EXPECT_FALSE(WmResultText(outcome.result).empty());
    }
}

// A server that stops sending mid-stream, connection open, is noticed by the read timeout.
TEST_F(BoundsTest, AServerThatStallsMidStreamFails) {
    test::FixtureServer server(*folder_);
    ASSERT_TRUE(server.IsRunning());
    test::FixtureRoute route = test::FixtureRoute::File(QFileInfo(*mp3_).fileName());
    route.loop = true;
    route.bytesPerSecond = 16000;
    route.stallAfterBytes = 48000;  // 3 s of the 128 kbit/s tone
    server.SetRoute(QStringLiteral("/live.mp3"), route);
    reader_->SetReconnect(false);  // with it, the stall would be a drop to recover from
    const Outcome outcome = PlayToTheEnd(server.Url(QStringLiteral("/live.mp3")), 60000);
    ASSERT_TRUE(outcome.ended);
    EXPECT_EQ(outcome.result, kNsETimeout);
    EXPECT_LT(outcome.seconds, 45.0);
}

// A FIFO would block the open until a writer came; it and other non-files are refused at once.
TEST_F(BoundsTest, OnlyRegularFilesAreOpened) {
    const QString fifo = *folder_ + QStringLiteral("/fifo.wma");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& path : {fifo, *folder_, QStringLiteral("/dev/zero"),
                                QStringLiteral("file://") + fifo}) {
        SCOPED_TRACE(path.toStdString());
        ReaderRecorder rec;
        test::CloseOnExit closer(reader_.get());
        ASSERT_EQ(reader_->Open(U16(path), &rec, nullptr), kSOk);
        ASSERT_TRUE(rec.WaitFor(WmtStatus::kOpened, 5000));
        EXPECT_EQ(rec.ResultOf(WmtStatus::kOpened), kNsENotAFile);
        EXPECT_EQ(WmResultText(kNsENotAFile), "not a regular file");
    }
}

// https is verified: a self-signed server is refused, and saying so; with its certificate in the
// bundle SSL_CERT_FILE names, it plays.
TEST_F(BoundsTest, HttpsServersAreVerified) {
    QString cert;
    QString key;
    ASSERT_TRUE(test::FixtureServer::MakeCertificate(*folder_, &cert, &key));
    test::FixtureServer server(*folder_, cert, key);
    ASSERT_TRUE(server.IsRunning());
    const QString url = server.Url(QLatin1Char('/') + QFileInfo(*mp3_).fileName());
    ASSERT_TRUE(url.startsWith(QStringLiteral("https://")));

    const QByteArray saved = qgetenv("SSL_CERT_FILE");
    const bool hadBundle = qEnvironmentVariableIsSet("SSL_CERT_FILE");
    qunsetenv("SSL_CERT_FILE");
    {
        ReaderRecorder rec;
        test::CloseOnExit closer(reader_.get());
        ASSERT_EQ(reader_->Open(U16(url), &rec, nullptr), kSOk);
        ASSERT_TRUE(rec.WaitFor(WmtStatus::kOpened, 20000));
        EXPECT_EQ(rec.ResultOf(WmtStatus::kOpened), kNsETlsRejected);
        EXPECT_NE(WmResultText(kNsETlsRejected).find("certificate"), std::string::npos);
    }
    qputenv("SSL_CERT_FILE", QFile::encodeName(cert));
    {
        ReaderRecorder rec;
        test::CloseOnExit closer(reader_.get());
        ASSERT_EQ(reader_->Open(U16(url), &rec, nullptr), kSOk);
        ASSERT_TRUE(rec.WaitFor(WmtStatus::kOpened, 20000));
        EXPECT_EQ(rec.ResultOf(WmtStatus::kOpened), kSOk);
        ASSERT_EQ(reader_->Start(0, 0, 1.0f, nullptr), kSOk);
        EXPECT_TRUE(rec.WaitForSamples(5));
        EXPECT_GT(test::ToneShare(rec.Audio(44100, 2), 440), 0.9);
    }
    if (hadBundle)
        qputenv("SSL_CERT_FILE", saved);
    else
        qunsetenv("SSL_CERT_FILE");
}

// A live stream that drops after 5 s: reopened after a wait, the tone goes on with sample times
// that continue; when the server does not come back, ERROR follows the backoff; with reconnection
// off the drop is the end.
TEST_F(BoundsTest, ALiveStreamThatDropsIsReconnected) {
    test::FixtureServer server(*folder_);
    ASSERT_TRUE(server.IsRunning());
    test::FixtureRoute route = test::FixtureRoute::File(QFileInfo(*mp3_).fileName());
    route.loop = true;
    route.bytesPerSecond = 16000;  // the tone's own 128 kbit/s
    route.closeAfterBytes = 80000;  // about 5 s
    server.SetRoute(QStringLiteral("/live.mp3"), route);
    const QString url = server.Url(QStringLiteral("/live.mp3"));

    {
        ReaderRecorder rec;
        test::CloseOnExit closer(reader_.get());
        ASSERT_EQ(reader_->Open(U16(url), &rec, nullptr), kSOk);
        ASSERT_TRUE(rec.WaitFor(WmtStatus::kOpened));
        ASSERT_EQ(reader_->Start(0, 0, 1.0f, nullptr), kSOk);
        ASSERT_TRUE(rec.WaitFor(WmtStatus::kReconnectStart, 30000));
        const size_t before = rec.SampleCount();
        ASSERT_TRUE(rec.WaitFor(WmtStatus::kReconnectEnd, 30000));
        ASSERT_TRUE(rec.WaitForSamples(before + 20, 30000));
        EXPECT_FALSE(rec.WaitFor(WmtStatus::kError, 0));
        const std::vector<ReaderRecorder::Sample> samples = rec.Samples();
        for (size_t i = 1; i < samples.size(); ++i)
            ASSERT_EQ(samples[i].time, samples[i - 1].time + samples[i - 1].duration) << i;
        // The tone after the gap: the samples delivered since the reconnect.
        test::PcmAudio audio = rec.Audio(44100, 2);
        size_t skip = 0;
        for (size_t i = 0; i < before; ++i)
            skip += samples[i].bytes / 2;
        audio.samples.erase(audio.samples.begin(), audio.samples.begin() + std::ptrdiff_t(skip));
        EXPECT_GT(test::ToneShare(audio, 440), 0.9);
        // Stop ends a reconnection at once, too: stopped while the next drop is retried.
        ASSERT_TRUE(rec.WaitFor(WmtStatus::kReconnectStart, 30000));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const Clock::time_point stop = Clock::now();
        ASSERT_EQ(reader_->Stop(), kSOk);
        ASSERT_TRUE(rec.WaitFor(WmtStatus::kStopped, 5000));
        EXPECT_LT(Clock::now() - stop, std::chrono::seconds(3));
    }
    {
        ReaderRecorder rec;
        test::CloseOnExit closer(reader_.get());
        ASSERT_EQ(reader_->Open(U16(url), &rec, nullptr), kSOk);
        ASSERT_TRUE(rec.WaitFor(WmtStatus::kOpened));
        ASSERT_EQ(reader_->Start(0, 0, 1.0f, nullptr), kSOk);
        ASSERT_TRUE(rec.WaitFor(WmtStatus::kReconnectStart, 30000));
        const Clock::time_point dropped = Clock::now();
        server.SetRoute(QStringLiteral("/live.mp3"), test::FixtureRoute::Status(503));
        ASSERT_TRUE(rec.WaitFor(WmtStatus::kError, 60000));
        const double seconds = std::chrono::duration<double>(Clock::now() - dropped).count();
        EXPECT_GT(seconds, 10.0);  // it did wait and try again
        EXPECT_LT(seconds, 50.0);
        EXPECT_FALSE(rec.WaitFor(WmtStatus::kReconnectEnd, 0));
        server.SetRoute(QStringLiteral("/live.mp3"), route);
    }
    {
        reader_->SetReconnect(false);
        ReaderRecorder rec;
        test::CloseOnExit closer(reader_.get());
        ASSERT_EQ(reader_->Open(U16(url), &rec, nullptr), kSOk);
        ASSERT_TRUE(rec.WaitFor(WmtStatus::kOpened));
        ASSERT_EQ(reader_->Start(0, 0, 1.0f, nullptr), kSOk);
        ASSERT_TRUE(rec.WaitForAny({WmtStatus::kEof, WmtStatus::kError}, 30000));
        EXPECT_FALSE(rec.WaitFor(WmtStatus::kReconnectStart, 0));
    }
}

}  // namespace
}  // namespace velotune::platform
