// The recording side: the fixed profile, the writer's order of calls, and a file whose input had
// another rate and channel count than the profile still comes out as WMA v2 at 44.1 kHz stereo.
#include <gtest/gtest.h>

#include <QFile>
#include <cmath>
#include <numbers>

#include "platform/wmruntime/wmruntime.h"
#include "tests/support/test_env.h"
#include "tests/support/tone.h"

namespace velotune::platform {
namespace {

std::u16string U16(const QString& text) {
    return text.toStdU16String();
}

TEST(WmProfileManagerTest, RecordingProfileIsWmaV2At64kStereo) {
    std::unique_ptr<WmProfileManager> manager;
    ASSERT_EQ(WmCreateProfileManager(&manager), kSOk);
    EXPECT_EQ(manager->SetSystemProfileVersion(WmtVersion::kVer70), kSOk);
    EXPECT_EQ(manager->SetSystemProfileVersion(WmtVersion(0x12345)), kEInvalidArg);
    WmProfile profile;
    ASSERT_EQ(manager->LoadProfileByID(kWmProfileRecording, &profile), kSOk);
    EXPECT_EQ(profile.id, kWmProfileRecording);
    EXPECT_EQ(profile.bitrate, 64000u);
    EXPECT_EQ(profile.sampleRate, 44100u);
    EXPECT_EQ(profile.channels, 2);
    WmGuid other = kWmProfileRecording;
    other.data4[7] ^= 1;
    EXPECT_EQ(manager->LoadProfileByID(other, &profile), kEInvalidArg);
}

TEST(WmHeaderInfoTest, AttributesAndScriptsFollowTheSizeThenValueProtocol) {
    WmHeaderInfo header;
    uint16_t stream = 0;
    WmtAttrDataType type{};
    uint16_t length = 0;
    EXPECT_EQ(header.GetAttributeByName(&stream, u"Title", &type, nullptr, &length),
              kNsEInvalidRequest);  // closed
    header.Reset(WmHeaderInfo::Access::kReadWrite);
    const auto value = WmStringValue(u"Abc");
    ASSERT_EQ(header.SetAttribute(0, u"Title", WmtAttrDataType::kString, value.data(), 8), kSOk);
    ASSERT_EQ(header.GetAttributeByName(&stream, u"Title", &type, nullptr, &length), kSOk);
    EXPECT_EQ(length, 8);  // three characters and the null, UTF-16
    uint8_t small[4];
    length = sizeof small;
    EXPECT_EQ(header.GetAttributeByName(&stream, u"Title", &type, small, &length),
              kAsfEBufferTooSmall);
    EXPECT_EQ(length, 8);
    EXPECT_EQ(header.StringAttribute(u"Title"), "Abc");
    stream = 1;  // attributes belong to a stream
    EXPECT_EQ(header.GetAttributeByName(&stream, u"Title", &type, nullptr, &length), kAsfENotFound);

    ASSERT_EQ(header.AddScript(u"URL", u"http://x/", 5000), kSOk);
    uint16_t count = 0;
    ASSERT_EQ(header.GetScriptCount(&count), kSOk);
    ASSERT_EQ(count, 1);
    uint16_t typeLength = 0, commandLength = 0;
    uint64_t time = 0;
    ASSERT_EQ(header.GetScript(0, nullptr, &typeLength, nullptr, &commandLength, &time), kSOk);
    EXPECT_EQ(typeLength, 4);
    EXPECT_EQ(commandLength, 10);
    std::u16string typeText(typeLength, u'?'), commandText(commandLength, u'?');
    ASSERT_EQ(header.GetScript(0, typeText.data(), &typeLength, commandText.data(), &commandLength,
                               &time),
              kSOk);
    EXPECT_EQ(std::u16string(typeText.c_str()), u"URL");
    EXPECT_EQ(std::u16string(commandText.c_str()), u"http://x/");
    EXPECT_EQ(time, 5000u);
    EXPECT_EQ(header.GetScript(1, nullptr, &typeLength, nullptr, &commandLength, &time),
              kEInvalidArg);

    header.SetAccess(WmHeaderInfo::Access::kReadOnly);
    EXPECT_EQ(header.SetAttribute(0, u"Title", WmtAttrDataType::kString, value.data(), 8),
              kNsEInvalidRequest);
}

class WmWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(WmCreateWriter(&writer_), kSOk);
        std::unique_ptr<WmProfileManager> manager;
        ASSERT_EQ(WmCreateProfileManager(&manager), kSOk);
        ASSERT_EQ(manager->LoadProfileByID(kWmProfileRecording, &profile_), kSOk);
        folder_ = test::MakeTempDir();
    }
    std::unique_ptr<WmWriter> writer_;
    WmProfile profile_;
    QString folder_;
};

TEST_F(WmWriterTest, RefusesToWriteWithoutProfileFileOrPcmInput) {
    EXPECT_EQ(writer_->BeginWriting(), kNsEInvalidRequest);  // no profile
    ASSERT_EQ(writer_->SetProfile(profile_), kSOk);
    EXPECT_EQ(writer_->BeginWriting(), kNsEInvalidRequest);  // no file name
    EXPECT_EQ(writer_->Flush(), kNsEInvalidRequest);
    EXPECT_EQ(writer_->EndWriting(), kNsEInvalidRequest);

    WmInputMediaProps props;
    ASSERT_EQ(writer_->GetInputProps(0, &props), kSOk);
    WmMediaType type;
    props.GetMediaType(&type);
    EXPECT_EQ(type.waveFormat.samplesPerSec, 44100u);  // the profile's until told otherwise
    type.waveFormat.bitsPerSample = 8;
    props.SetMediaType(type);
    EXPECT_EQ(writer_->SetInputProps(0, props), kNsEInvalidInputFormat);
    EXPECT_EQ(writer_->GetInputProps(1, &props), kEInvalidArg);

    // A folder that does not exist: the failure is the file system's, and nothing is left.
    const QString path = folder_ + QStringLiteral("/missing/out.wma");
    ASSERT_EQ(writer_->SetOutputFilename(U16(path)), kSOk);
    const HResult hr = writer_->BeginWriting();
    EXPECT_TRUE(Failed(hr));
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(WmWriterTest, ConvertsOtherRatesAndChannelsToTheProfile) {
    const QString path = folder_ + QStringLiteral("/mono.wma");
    ASSERT_EQ(writer_->SetProfile(profile_), kSOk);
    ASSERT_EQ(writer_->SetOutputFilename(U16(path)), kSOk);
    WmInputMediaProps props;
    WmMediaType type;
    type.majorType = WmMajorType::kAudio;
    type.waveFormat = WaveFormatEx::Pcm16(22050, 1);
    props.SetMediaType(type);
    ASSERT_EQ(writer_->SetInputProps(0, props), kSOk);
    const auto author = WmStringValue(u"Writer Test");
    ASSERT_EQ(writer_->HeaderInfo()->SetAttribute(0, u"Author", WmtAttrDataType::kString,
                                                  author.data(), uint16_t(author.size())),
              kSOk);
    ASSERT_EQ(writer_->BeginWriting(), kSOk);
    EXPECT_EQ(writer_->SetProfile(profile_), kNsEInvalidRequest);

    // Two seconds of a 440 Hz tone in 100 ms blocks of 22.05 kHz mono.
    std::vector<int16_t> block(2205);
    for (int b = 0; b < 20; ++b) {
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = int16_t(
                8000 * std::sin(2 * std::numbers::pi * 440 * double(b * 2205 + int(i)) / 22050.0));
        const WmSampleBuffer sample(reinterpret_cast<const uint8_t*>(block.data()),
                                    uint32_t(block.size() * 2));
        ASSERT_EQ(writer_->WriteSample(0, uint64_t(b) * 1'000'000, 0, sample), kSOk);
    }
    ASSERT_EQ(writer_->EndWriting(), kSOk);
    EXPECT_EQ(writer_->WriteSample(0, 0, 0, WmSampleBuffer(nullptr, 0)), kNsEInvalidRequest);

    QString info;
    ASSERT_EQ(test::RunProgram(
                  QStringLiteral("ffprobe"),
                  {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                   QStringLiteral("format=duration:format_tags=author,artist:stream=codec_name,"
                                  "sample_rate,channels"),
                   QStringLiteral("-of"), QStringLiteral("default=nw=1"), path},
                  &info),
              0);
    EXPECT_TRUE(info.contains(QStringLiteral("codec_name=wmav2"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("sample_rate=44100"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("channels=2"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("Writer Test"))) << info.toStdString();

    const QString wav = path + QStringLiteral(".wav");
    ASSERT_EQ(
        test::RunProgram(QStringLiteral("ffmpeg"), {QStringLiteral("-v"), QStringLiteral("error"),
                                                    QStringLiteral("-i"), path, wav}),
        0);
    test::PcmAudio audio;
    ASSERT_TRUE(test::ReadWav(wav, &audio));
    EXPECT_NEAR(audio.Seconds(), 2.0, 0.15);
    EXPECT_GT(test::ToneShare(audio, 440), 0.9);

    // The next file starts with a clean header.
    uint16_t stream = 0, length = 0;
    WmtAttrDataType t{};
    EXPECT_EQ(writer_->HeaderInfo()->GetAttributeByName(&stream, u"Author", &t, nullptr, &length),
              kAsfENotFound);
}

}  // namespace
}  // namespace velotune::platform
