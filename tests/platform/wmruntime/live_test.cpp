// A live stream from a real icecast2 server: Stop and Close must get out of a network read at
// once, and a recording of what the stream delivers must be a real WMA file with the tone in it.
#include <gtest/gtest.h>

#include <QFile>
#include <QMap>
#include <QStringList>
#include <thread>

#include "platform/wmruntime/wmruntime.h"
#include "tests/platform/wmruntime/reader_recorder.h"
#include "tests/support/media_fixtures.h"
#include "tests/support/test_env.h"
#include "tests/support/tone.h"

namespace velotune::platform {
namespace {

using test::ReaderRecorder;
using Clock = std::chrono::steady_clock;

std::u16string U16(const QString& text) {
    return text.toStdU16String();
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// "key=value" lines of ffprobe about a file.
QMap<QString, QString> Probe(const QString& path) {
    QString out;
    test::RunProgram(
        QStringLiteral("ffprobe"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
         QStringLiteral("format=format_name,duration:format_tags=title,author,artist:"
                        "stream=codec_name,sample_rate,channels,bit_rate"),
         QStringLiteral("-of"), QStringLiteral("default=nw=1"), path},
        &out);
    QMap<QString, QString> values;
    for (const QString& line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0)
            values.insert(line.left(eq).toLower().remove(QStringLiteral("tag:")),
                          line.mid(eq + 1).trimmed());
    }
    return values;
}

test::PcmAudio DecodeToWav(const QString& path) {
    const QString wav = path + QStringLiteral(".wav");
    test::PcmAudio audio;
    if (test::RunProgram(QStringLiteral("ffmpeg"),
                         {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
                          QStringLiteral("-i"), path, QStringLiteral("-c:a"),
                          QStringLiteral("pcm_s16le"), wav}) == 0)
        test::ReadWav(wav, &audio);
    return audio;
}

class LiveTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { stream_ = new test::IcecastStream(); }
    static void TearDownTestSuite() {
        delete stream_;
        stream_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(stream_->IsRunning()) << stream_->Diagnostics().toStdString();
        ASSERT_EQ(WmCreateReader(&reader_), kSOk);
    }

    static test::IcecastStream* stream_;
    std::unique_ptr<WmReader> reader_;
};
test::IcecastStream* LiveTest::stream_ = nullptr;

TEST_F(LiveTest, StopAndCloseDuringPlaybackReturnPromptly) {
    ReaderRecorder rec;
    test::CloseOnExit recCloser(reader_.get());
    ASSERT_EQ(reader_->Open(U16(stream_->Url()), &rec, nullptr), kSOk);
    ASSERT_TRUE(rec.WaitFor(WmtStatus::kOpened));
    ASSERT_EQ(rec.ResultOf(WmtStatus::kOpened), kSOk);
    uint16_t stream = 0;
    WmtAttrDataType type{};
    uint16_t length = 0;
    // A live stream has no length; its title is the station's name.
    EXPECT_EQ(
        reader_->HeaderInfo()->GetAttributeByName(&stream, u"Duration", &type, nullptr, &length),
        kAsfENotFound);
    ASSERT_EQ(reader_->HeaderInfo()->GetAttributeByName(&stream, u"Title", &type, nullptr, &length),
              kSOk);
    std::vector<uint8_t> title(length);
    reader_->HeaderInfo()->GetAttributeByName(&stream, u"Title", &type, title.data(), &length);
    EXPECT_EQ(QString::fromUtf16(reinterpret_cast<const char16_t*>(title.data())),
              QStringLiteral("Tone Station"));
    EXPECT_EQ(test::BoolAttribute(reader_->HeaderInfo(), u"Broadcast"), 1);

    ASSERT_EQ(reader_->Start(0, 0, 1.0f, nullptr), kSOk);
    ASSERT_TRUE(rec.WaitForSamples(15));  // past the initial fill: reading at the stream's pace
    EXPECT_EQ(rec.StatusList(),
              (std::vector<WmtStatus>{WmtStatus::kOpened, WmtStatus::kBufferingStart,
                                      WmtStatus::kBufferingStop, WmtStatus::kStarted}));
    EXPECT_GT(test::ToneShare(rec.Audio(44100, 2), 440), 0.9);

    auto before = Clock::now();
    ASSERT_EQ(reader_->Stop(), kSOk);
    ASSERT_TRUE(rec.WaitFor(WmtStatus::kStopped, 3000));
    EXPECT_LT(Seconds(Clock::now() - before), 2.0);
    const size_t count = rec.SampleCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(rec.SampleCount(), count);

    // Started again after a stop, the stream is heard again from a new connection.
    ASSERT_EQ(reader_->Start(0, 0, 1.0f, nullptr), kSOk);
    ASSERT_TRUE(rec.WaitForSamples(count + 15));
    before = Clock::now();
    ASSERT_EQ(reader_->Close(), kSOk);
    EXPECT_LT(Seconds(Clock::now() - before), 2.0);
    EXPECT_EQ(rec.StatusList().back(), WmtStatus::kClosed);
}

// Records what the stream delivers for a few seconds, as the engine does: the writer's input takes
// the reader's output format and each sample goes to WriteSample on the reader's thread.
TEST_F(LiveTest, RecordingTheStreamGivesAWmaFileWithTheTone) {
    std::unique_ptr<WmProfileManager> manager;
    ASSERT_EQ(WmCreateProfileManager(&manager), kSOk);
    ASSERT_EQ(manager->SetSystemProfileVersion(WmtVersion::kVer70), kSOk);
    WmProfile profile;
    ASSERT_EQ(manager->LoadProfileByID(kWmProfileRecording, &profile), kSOk);
    std::unique_ptr<WmWriter> writer;
    ASSERT_EQ(WmCreateWriter(&writer), kSOk);
    const QString path = test::MakeTempDir() + QStringLiteral("/recording.wma");
    ASSERT_EQ(writer->SetProfile(profile), kSOk);
    ASSERT_EQ(writer->SetOutputFilename(U16(path)), kSOk);

    ReaderRecorder rec;
    test::CloseOnExit recCloser(reader_.get());
    std::atomic<int> writeFailures{0};
    rec.SetSampleHook([&](uint64_t time, const WmSampleBuffer& sample) {
        if (Failed(writer->WriteSample(0, time, 0, sample)))
            ++writeFailures;
    });
    ASSERT_EQ(reader_->Open(U16(stream_->Url()), &rec, nullptr), kSOk);
    ASSERT_TRUE(rec.WaitFor(WmtStatus::kOpened));
    ASSERT_EQ(rec.ResultOf(WmtStatus::kOpened), kSOk);

    WmOutputMediaProps output;
    ASSERT_EQ(reader_->GetOutputProps(0, &output), kSOk);
    WmMediaType type;
    ASSERT_EQ(output.GetMediaType(&type), kSOk);
    WmInputMediaProps input;
    ASSERT_EQ(writer->GetInputProps(0, &input), kSOk);
    ASSERT_EQ(input.SetMediaType(type), kSOk);
    ASSERT_EQ(writer->SetInputProps(0, input), kSOk);
    const std::vector<uint8_t> title = WmStringValue(u"Recorded Tone");
    ASSERT_EQ(writer->HeaderInfo()->SetAttribute(0, u"Title", WmtAttrDataType::kString,
                                                 title.data(), uint16_t(title.size())),
              kSOk);
    ASSERT_EQ(writer->HeaderInfo()->AddScript(u"URL", u"http://127.0.0.1/", 0), kSOk);
    ASSERT_EQ(writer->BeginWriting(), kSOk);

    ASSERT_EQ(reader_->Start(0, 0, 1.0f, nullptr), kSOk);
    // Three seconds of audio: 30 samples of 100 ms.
    ASSERT_TRUE(rec.WaitForSamples(30));
    ASSERT_EQ(reader_->Close(), kSOk);  // no sample arrives after this
    EXPECT_EQ(writer->Flush(), kSOk);
    ASSERT_EQ(writer->EndWriting(), kSOk);
    EXPECT_EQ(writeFailures, 0);
    EXPECT_EQ(writer->EndWriting(), kNsEInvalidRequest);

    double recorded = 0;
    for (const auto& s : rec.Samples())
        recorded += double(s.duration) / 1e7;
    const QMap<QString, QString> info = Probe(path);
    EXPECT_EQ(info.value(QStringLiteral("format_name")), QStringLiteral("asf"));
    EXPECT_EQ(info.value(QStringLiteral("codec_name")), QStringLiteral("wmav2"));
    EXPECT_EQ(info.value(QStringLiteral("sample_rate")), QStringLiteral("44100"));
    EXPECT_EQ(info.value(QStringLiteral("channels")), QStringLiteral("2"));
    EXPECT_EQ(info.value(QStringLiteral("title")), QStringLiteral("Recorded Tone"));
    EXPECT_NEAR(info.value(QStringLiteral("duration")).toDouble(), recorded, 0.25);

    const test::PcmAudio decoded = DecodeToWav(path);
    EXPECT_NEAR(decoded.Seconds(), recorded, 0.25);
    EXPECT_GT(test::ToneShare(decoded, 440), 0.9);
}

// An Ogg Vorbis station is chosen by its Content-Type as well and plays the tone.
TEST(LiveOggTest, OggStreamPlaysTheTone) {
    test::IcecastStream::Options options;
    options.mount = QStringLiteral("/live.ogg");
    options.codec = test::IcecastStream::Codec::Ogg;
    test::IcecastStream ogg(options);
    ASSERT_TRUE(ogg.IsRunning()) << ogg.Diagnostics().toStdString();
    std::unique_ptr<WmReader> reader;
    ASSERT_EQ(WmCreateReader(&reader), kSOk);
    ReaderRecorder rec;
    test::CloseOnExit recCloser(reader.get());
    ASSERT_EQ(reader->Open(U16(ogg.Url()), &rec, nullptr), kSOk);
    ASSERT_TRUE(rec.WaitFor(WmtStatus::kOpened));
    ASSERT_EQ(rec.ResultOf(WmtStatus::kOpened), kSOk);
    ASSERT_EQ(reader->Start(0, 0, 1.0f, nullptr), kSOk);
    ASSERT_TRUE(rec.WaitForSamples(12));
    EXPECT_GT(test::ToneShare(rec.Audio(44100, 2), 440), 0.9);

    // The source going away ends the stream for its listeners: the server drops the connection
    // mid-stream, which the reader cannot tell from a network failure, so either ends playback.
    ogg.StopSource();
    EXPECT_TRUE(rec.WaitForAny({WmtStatus::kEof, WmtStatus::kError}, 20000));
}

}  // namespace
}  // namespace velotune::platform
