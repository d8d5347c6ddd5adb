// The reader as the playback engine uses it: files and http sources open, report their statuses
// in order, deliver the tone at the source's own rate, and every way out (end, failure, Close from
// inside a callback) leaves the reader reusable.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <future>
#include <thread>

#include "platform/wmruntime/wmruntime.h"
#include "platform/wmruntime/wmsource.h"
#include "tests/platform/wmruntime/reader_recorder.h"
#include "tests/support/fixture_server.h"
#include "tests/support/media_fixtures.h"
#include "tests/support/test_env.h"
#include "tests/support/tone.h"

namespace velotune::platform {
namespace {

// What servers put in ICY metadata packets, and the title a listener should see.
TEST(IcyMetadataTest, StreamTitleIsReadAsServersWriteIt) {
    using wmrt::IcyStreamTitle;
    EXPECT_EQ(IcyStreamTitle("StreamTitle='Artist - Song';StreamUrl='http://x/';"),
              "Artist - Song");
    // An apostrophe inside the title does not end it; a missing semicolon is tolerated.
    EXPECT_EQ(IcyStreamTitle("StreamTitle='Don't Stop';"), "Don't Stop");
    EXPECT_EQ(IcyStreamTitle("StreamTitle='Plain'"), "Plain");
    // The packet is padded with zeros to a multiple of 16 bytes.
    EXPECT_EQ(IcyStreamTitle(std::string("StreamTitle='Padded ';\0\0\0", 24)), "Padded");
    // Latin-1 from an older source becomes UTF-8; UTF-8 stays as it is.
    EXPECT_EQ(IcyStreamTitle("StreamTitle='Caf\xe9';"), "Caf\xc3\xa9");
    EXPECT_EQ(IcyStreamTitle("StreamTitle='Caf\xc3\xa9';"), "Caf\xc3\xa9");
    EXPECT_EQ(IcyStreamTitle("StreamTitle='';"), "");
    EXPECT_EQ(IcyStreamTitle("StreamUrl='http://x/';"), "");
}

using test::ReaderRecorder;
using test::ToneFormat;

std::u16string U16(const QString& text) {
    return text.toStdU16String();
}

// A string attribute of the reader's header, or "<missing>" / "<error>".
QString StringAttribute(WmHeaderInfo* header, std::u16string_view name) {
    uint16_t stream = 0;
    WmtAttrDataType type{};
    uint16_t length = 0;
    HResult hr = header->GetAttributeByName(&stream, name, &type, nullptr, &length);
    if (hr == kAsfENotFound)
        return QStringLiteral("<missing>");
    if (Failed(hr) || type != WmtAttrDataType::kString)
        return QStringLiteral("<error>");
    std::vector<uint8_t> value(length);
    hr = header->GetAttributeByName(&stream, name, &type, value.data(), &length);
    if (Failed(hr))
        return QStringLiteral("<error>");
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(value.data()));
}

WaveFormatEx AudioFormat(WmReader& reader) {
    WmOutputMediaProps props;
    WmMediaType type;
    if (Failed(reader.GetOutputProps(0, &props)) || Failed(props.GetMediaType(&type)))
        return {};
    EXPECT_EQ(type.majorType, WmMajorType::kAudio);
    return type.waveFormat;
}

class ReaderTest : public ::testing::TestWithParam<ToneFormat> {
protected:
    static void SetUpTestSuite() {
        folder_ = new QString(test::MakeTempDir(QStringLiteral("media")));
        const test::ToneTags tags{QStringLiteral("Tone Title"), QStringLiteral("Tone Author"),
                                  QStringLiteral("Tone Copyright")};
        wma_ = new QString(test::MakeToneFile(*folder_, ToneFormat::Wma, 2.0, tags));
        mp3_ = new QString(test::MakeToneFile(*folder_, ToneFormat::Mp3, 2.0, tags));
        long_ = new QString(
            test::MakeToneFile(*folder_, ToneFormat::Mp3, 8.0, {}, QStringLiteral("long")));
    }
    static void TearDownTestSuite() {
        delete folder_;
        delete wma_;
        delete mp3_;
        delete long_;
    }
    void SetUp() override { ASSERT_EQ(WmCreateReader(&reader_), kSOk); }
    static QString File(ToneFormat format) { return format == ToneFormat::Wma ? *wma_ : *mp3_; }

    std::unique_ptr<WmReader> reader_;
    static QString* folder_;
    static QString* wma_;
    static QString* mp3_;
    static QString* long_;
};
QString* ReaderTest::folder_ = nullptr;
QString* ReaderTest::wma_ = nullptr;
QString* ReaderTest::mp3_ = nullptr;
QString* ReaderTest::long_ = nullptr;

TEST_P(ReaderTest, LocalFilePlaysTheToneToTheEnd) {
    const QString path = File(GetParam());
    ASSERT_FALSE(path.isEmpty());
    ReaderRecorder rec;
    test::CloseOnExit recCloser(reader_.get());
    ASSERT_EQ(reader_->Open(U16(path), &rec, nullptr), kSOk);
    ASSERT_TRUE(rec.WaitFor(WmtStatus::kOpened));
    ASSERT_EQ(rec.ResultOf(WmtStatus::kOpened), kSOk);

    uint32_t outputs = 0;
    ASSERT_EQ(reader_->GetOutputCount(&outputs), kSOk);
    ASSERT_EQ(outputs, 1u);
    const WaveFormatEx format = AudioFormat(*reader_);
    EXPECT_EQ(format.formatTag, kWaveFormatPcm);
    EXPECT_EQ(format.samplesPerSec, 44100u);
    EXPECT_EQ(format.channels, 2);
    EXPECT_EQ(format.bitsPerSample, 16);

    WmHeaderInfo* header = reader_->HeaderInfo();
    EXPECT_EQ(StringAttribute(header, u"Title"), QStringLiteral("Tone Title"));
    EXPECT_EQ(StringAttribute(header, u"Author"), QStringLiteral("Tone Author"));
    EXPECT_EQ(StringAttribute(header, u"Copyright"), QStringLiteral("Tone Copyright"));
    EXPECT_EQ(test::BoolAttribute(header, u"Broadcast"), 0);
    uint16_t stream = 0;
    WmtAttrDataType type{};
    uint64_t duration = 0;
    uint16_t length = sizeof duration;
    ASSERT_EQ(header->GetAttributeByName(&stream, u"Duration", &type,
                                         reinterpret_cast<uint8_t*>(&duration), &length),
              kSOk);
    EXPECT_EQ(type, WmtAttrDataType::kQword);
    EXPECT_NEAR(double(duration) / 1e7, 2.0, 0.15);
    length = 99;
    EXPECT_EQ(header->GetAttributeByName(&stream, u"WM/NoSuchThing", &type, nullptr, &length),
              kAsfENotFound);
    EXPECT_EQ(length, 0);
    uint16_t scripts = 1;
    EXPECT_EQ(header->GetScriptCount(&scripts), kSOk);
    EXPECT_EQ(scripts, 0);

    int context = 0;
    ASSERT_EQ(reader_->Start(0, 0, 1.0f, &context), kSOk);
    ASSERT_TRUE(rec.WaitFor(WmtStatus::kEof));
    const auto statuses = rec.StatusList();
    EXPECT_EQ(statuses,
              (std::vector<WmtStatus>{WmtStatus::kOpened, WmtStatus::kStarted, WmtStatus::kEof}));

    // The samples lie end to end, at the file's rate, and carry the tone.
    const auto samples = rec.Samples();
    ASSERT_FALSE(samples.empty());
    uint64_t expected = 0;
    for (const auto& s : samples) {
        EXPECT_EQ(s.time, expected);
        EXPECT_EQ(s.bytes % format.blockAlign, 0u);
        expected = s.time + s.duration;
    }
    EXPECT_NEAR(double(expected) / 1e7, 2.0, 0.15);
    const test::PcmAudio audio = rec.Audio(44100, 2);
    EXPECT_NEAR(audio.Seconds(), 2.0, 0.15);
    EXPECT_GT(test::ToneShare(audio, 440), 0.9);
    EXPECT_GT(test::Rms(audio), 1000);

    ASSERT_EQ(reader_->Close(), kSOk);
    EXPECT_EQ(rec.StatusList().back(), WmtStatus::kClosed);
    EXPECT_EQ(reader_->Close(), kNsEInvalidRequest);  // nothing open: nothing reported
    EXPECT_EQ(reader_->GetOutputCount(&outputs), kNsEInvalidRequest);
}

TEST_P(ReaderTest, HttpFileBuffersAroundTheInitialFill) {
    test::FixtureServer server(*folder_);
    ASSERT_TRUE(server.IsRunning());
    const QString name = QFileInfo(File(GetParam())).fileName();
    QString url = server.Url(QLatin1Char('/') + name);
    if (GetParam() == ToneFormat::Mp3)
        url.replace(0, 4, QStringLiteral("HTTP"));  // a scheme in capitals is the same scheme
    ReaderRecorder rec;
    test::CloseOnExit recCloser(reader_.get());
    ASSERT_EQ(reader_->Open(U16(url), &rec, nullptr), kSOk);
    ASSERT_TRUE(rec.WaitFor(WmtStatus::kOpened));
    ASSERT_EQ(rec.ResultOf(WmtStatus::kOpened), kSOk);
    EXPECT_EQ(StringAttribute(reader_->HeaderInfo(), u"Title"), QStringLiteral("Tone Title"));
    // Served with its length: on demand, not a broadcast.
    EXPECT_EQ(test::BoolAttribute(reader_->HeaderInfo(), u"Broadcast"), 0);
    ASSERT_EQ(reader_->Start(0, 0, 1.0f, nullptr), kSOk);
    ASSERT_TRUE(rec.WaitFor(WmtStatus::kEof));
    EXPECT_EQ(
        rec.StatusList(),
        (std::vector<WmtStatus>{WmtStatus::kOpened, WmtStatus::kBufferingStart,
                                WmtStatus::kBufferingStop, WmtStatus::kStarted, WmtStatus::kEof}));
    EXPECT_GT(test::ToneShare(rec.Audio(44100, 2), 440), 0.9);
    EXPECT_EQ(reader_->Close(), kSOk);
}

INSTANTIATE_TEST_SUITE_P(Formats, ReaderTest, ::testing::Values(ToneFormat::Wma, ToneFormat::Mp3),
                         [](const auto& param) {
                             return param.param == ToneFormat::Wma ? "Wma" : "Mp3";
                         });

// The engine closes the reader from inside its EOF status and then waits for CLOSED: Close must
// report it before returning, and the reader must open again afterwards.
TEST_F(ReaderTest, CloseInsideTheEofCallbackReportsClosedAtOnce) {
    ReaderRecorder rec;
    test::CloseOnExit recCloser(reader_.get());
    std::promise<bool> closedInside;
    rec.SetStatusHook([&](WmtStatus status) {
        if (status == WmtStatus::kEof) {
            EXPECT_EQ(reader_->Close(), kSOk);
            const bool closed = rec.StatusList().back() == WmtStatus::kClosed;
            EXPECT_EQ(reader_->Close(), kNsEInvalidRequest);
            EXPECT_EQ(reader_->Open(u"/x", &rec, nullptr), kNsEInvalidRequest);
            closedInside.set_value(closed);
        }
    });
    std::future<bool> closed = closedInside.get_future();
    ASSERT_EQ(reader_->Open(U16(*wma_), &rec, nullptr), kSOk);
    ASSERT_TRUE(rec.WaitFor(WmtStatus::kOpened));
    ASSERT_EQ(reader_->Start(0, 0, 1.0f, nullptr), kSOk);
    ASSERT_EQ(closed.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_TRUE(closed.get());

    // Reusable: a second source opens and plays on the same reader.
    ReaderRecorder second;
    test::CloseOnExit secondCloser(reader_.get());
    ASSERT_EQ(reader_->Open(U16(*mp3_), &second, nullptr), kSOk);
    ASSERT_TRUE(second.WaitFor(WmtStatus::kOpened));
    EXPECT_EQ(second.ResultOf(WmtStatus::kOpened), kSOk);
    ASSERT_EQ(reader_->Start(0, 0, 1.0f, nullptr), kSOk);
    EXPECT_TRUE(second.WaitForSamples(3));
    EXPECT_EQ(reader_->Close(), kSOk);
    EXPECT_EQ(rec.StatusList().back(), WmtStatus::kClosed);  // nothing more for the first
}

TEST_F(ReaderTest, AddressesThatDoNotExistFailOpenedQuickly) {
    QTcpServer closed;  // a port that was free a moment ago: nobody listens there
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();
    test::FixtureServer server(*folder_);
    ASSERT_TRUE(server.IsRunning());

    const QString missing[] = {
        *folder_ + QStringLiteral("/no-such-file.wma"),
        QStringLiteral("http://127.0.0.1:%1/radio.wma").arg(port),
        server.Url(QStringLiteral("/no-such-stream.mp3")),
    };
    for (const QString& url : missing) {
        SCOPED_TRACE(url.toStdString());
        ReaderRecorder rec;
        test::CloseOnExit recCloser(reader_.get());
        ASSERT_EQ(reader_->Open(U16(url), &rec, nullptr), kSOk);
        ASSERT_TRUE(rec.WaitFor(WmtStatus::kOpened, 10000));
        EXPECT_TRUE(Failed(rec.ResultOf(WmtStatus::kOpened)));
        // The engine reads the attributes next; they fail, but not as "not found".
        uint16_t stream = 0;
        WmtAttrDataType type{};
        uint16_t length = 0;
        const HResult hr =
            reader_->HeaderInfo()->GetAttributeByName(&stream, u"Title", &type, nullptr, &length);
        EXPECT_TRUE(Failed(hr) && hr != kAsfENotFound);
        EXPECT_EQ(reader_->Start(0, 0, 1.0f, nullptr), kNsEInvalidRequest);
        EXPECT_EQ(reader_->Close(), kSOk);
        EXPECT_EQ(rec.StatusList(),
                  (std::vector<WmtStatus>{WmtStatus::kOpened, WmtStatus::kClosed}));
    }

    // mms:// is located first, tried over HTTP and then TCP, and fails like the others.
    ReaderRecorder rec;
    test::CloseOnExit recCloser(reader_.get());
    ASSERT_EQ(
        reader_->Open(U16(QStringLiteral("mms://127.0.0.1:%1/live").arg(port)), &rec, nullptr),
        kSOk);
    ASSERT_TRUE(rec.WaitFor(WmtStatus::kOpened, 10000));
    EXPECT_TRUE(Failed(rec.ResultOf(WmtStatus::kOpened)));
    EXPECT_EQ(rec.StatusList().front(), WmtStatus::kLocating);
    EXPECT_EQ(reader_->Close(), kSOk);

    // Data that is no audio at all fails as well.
    server.SetRoute(
        QStringLiteral("/page.mp3"),
        test::FixtureRoute::Body("<html>not audio</html>", QStringLiteral("text/html")));
    ReaderRecorder page;
    test::CloseOnExit pageCloser(reader_.get());
    ASSERT_EQ(reader_->Open(U16(server.Url(QStringLiteral("/page.mp3"))), &page, nullptr), kSOk);
    ASSERT_TRUE(page.WaitFor(WmtStatus::kOpened, 10000));
    EXPECT_TRUE(Failed(page.ResultOf(WmtStatus::kOpened)));
    EXPECT_EQ(reader_->Close(), kSOk);
}

// A server that never answers: Close and Stop get out of the open at once.
TEST_F(ReaderTest, CloseAndStopInterruptAnOpenThatHangs) {
    test::FixtureServer server(*folder_);
    ASSERT_TRUE(server.IsRunning());
    test::FixtureRoute slow = test::FixtureRoute::File(QFileInfo(*mp3_).fileName());
    slow.delaySeconds = 30;
    server.SetRoute(QStringLiteral("/slow.mp3"), slow);

    ReaderRecorder rec;
    test::CloseOnExit recCloser(reader_.get());
    ASSERT_EQ(reader_->Open(U16(server.Url(QStringLiteral("/slow.mp3"))), &rec, nullptr), kSOk);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    auto before = std::chrono::steady_clock::now();
    ASSERT_EQ(reader_->Close(), kSOk);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5));
    EXPECT_EQ(rec.StatusList(), std::vector<WmtStatus>{WmtStatus::kClosed});

    ReaderRecorder stopped;
    test::CloseOnExit stoppedCloser(reader_.get());
    ASSERT_EQ(reader_->Open(U16(server.Url(QStringLiteral("/slow.mp3"))), &stopped, nullptr), kSOk);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(reader_->Stop(), kSOk);
    ASSERT_TRUE(stopped.WaitFor(WmtStatus::kStopped, 5000));
    EXPECT_EQ(stopped.ResultOf(WmtStatus::kOpened), kEAbort);
    EXPECT_EQ(reader_->Close(), kSOk);
    EXPECT_EQ(stopped.StatusList(), (std::vector<WmtStatus>{WmtStatus::kOpened, WmtStatus::kStopped,
                                                            WmtStatus::kClosed}));
}

TEST_F(ReaderTest, PauseHoldsSamplesAndResumeContinues) {
    ReaderRecorder rec;
    test::CloseOnExit recCloser(reader_.get());
    ASSERT_EQ(reader_->Open(U16(*long_), &rec, nullptr), kSOk);
    ASSERT_TRUE(rec.WaitFor(WmtStatus::kOpened));
    EXPECT_EQ(reader_->Pause(), kNsEInvalidRequest);  // not playing yet
    ASSERT_EQ(reader_->Start(0, 0, 1.0f, nullptr), kSOk);
    ASSERT_TRUE(rec.WaitForSamples(12));  // past the lead: now paced by the clock
    ASSERT_EQ(reader_->Pause(), kSOk);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // a sample in flight lands
    const size_t held = rec.SampleCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    EXPECT_EQ(rec.SampleCount(), held);
    EXPECT_EQ(reader_->Resume(), kSOk);
    EXPECT_EQ(reader_->Resume(), kNsEInvalidRequest);
    EXPECT_TRUE(rec.WaitForSamples(held + 3));
    // Nothing was skipped or repeated across the pause.
    const auto samples = rec.Samples();
    for (size_t i = 1; i < samples.size(); ++i)
        EXPECT_EQ(samples[i].time, samples[i - 1].time + samples[i - 1].duration);
    EXPECT_EQ(reader_->Close(), kSOk);
}

}  // namespace
}  // namespace velotune::platform
