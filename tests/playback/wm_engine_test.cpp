// The Windows Media engine playing files, http sources and ASX reference files to the null sound
// device: the statuses it reports, what a listener hears (the capture file), pause, volume, and
// the sample blocks it keeps while the device holds them.
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "platform/waveout/waveout.h"
#include "tests/playback/engine_test_support.h"
#include "tests/support/fixture_server.h"
#include "tests/support/media_fixtures.h"
#include "tests/support/test_env.h"
#include "tests/support/tone.h"

namespace velotune {
namespace {

using test::ToneFormat;
using namespace std::chrono_literals;

class EngineTest : public test::EngineFixture {
protected:
    static void SetUpTestSuite() {
        media_ = test::MakeTempDir(QStringLiteral("media"));
        const test::ToneTags tags{QStringLiteral("Tone Title"), QStringLiteral("Tone Author"),
                                  QStringLiteral("Tone Copyright")};
        wma_ = test::MakeToneFile(media_, ToneFormat::Wma, 2.0, tags);
        mp3_ = test::MakeToneFile(media_, ToneFormat::Mp3, 2.0, tags);
        long_ = test::MakeToneFile(media_, ToneFormat::Wma, 8.0, {}, QStringLiteral("long"));
    }

    void SetUp() override {
        ASSERT_FALSE(wma_.isEmpty() || mp3_.isEmpty() || long_.isEmpty());
        EngineFixture::SetUp();
    }

    // Plays url to its end. Returns every report from the start on; they must be the opening
    // reports (`opening`, any number of times each, in order) followed by "1, 5" pairs only.
    std::vector<int> PlayToEnd(const std::string& url, std::vector<int> opening) {
        const size_t from = statuses_.Count();
        EXPECT_EQ(engine_->OpenAndStart(url), 0);
        EXPECT_TRUE(statuses_.WaitFor(opening.back(), 20000, from));
        const std::vector<int> reports = statuses_.WaitForEnd(from);
        auto it = reports.begin();
        for (const int status : opening) {
            EXPECT_TRUE(it != reports.end() && *it == status) << ::testing::PrintToString(reports);
            while (it != reports.end() && *it == status)
                ++it;
        }
        EXPECT_TRUE(test::OnlyClosedThenStopped(std::vector<int>(it, reports.end())))
            << ::testing::PrintToString(reports);
        return reports;
    }

    static inline QString media_;
    static inline QString wma_;
    static inline QString mp3_;
    static inline QString long_;
};

// A local file is no network source: it plays as status 4, and the engine lets go (1, then 5)
// only once the device has played the last block, so the whole file is heard.
TEST_F(EngineTest, LocalFilesPlayToTheirEndAndAreHeardWhole) {
    for (const QString& file : {wma_, mp3_}) {
        SCOPED_TRACE(file.toStdString());
        PlayToEnd(file.toStdString(), {kStatusFile});
        const test::PcmAudio heard = Heard();
        EXPECT_EQ(heard.sampleRate, 44100);
        EXPECT_NEAR(heard.Seconds(), 2.0, 0.1);
        EXPECT_GT(test::ToneShare(heard, 440), 0.9);
    }
}

// The kinds the file list accepts besides .wma: each is heard whole, with its tone, and its title
// tag (where the container has tags) is reported as it starts, after the empty title that ends
// the previous file's.
TEST_F(EngineTest, EveryCommonAudioKindIsHeardAndNamesItsTitle) {
    const test::ToneTags tags{QStringLiteral("Tone Title"), QStringLiteral("Tone Author"), {}};
    for (const ToneFormat format :
         {ToneFormat::Ogg, ToneFormat::Oga, ToneFormat::Opus, ToneFormat::Flac, ToneFormat::M4a,
          ToneFormat::Aac, ToneFormat::Wav}) {
        const QString file = test::MakeToneFile(media_, format, 2.0, tags, QStringLiteral("kind"));
        SCOPED_TRACE(file.toStdString());
        ASSERT_FALSE(file.isEmpty());
        const size_t titlesBefore = statuses_.Titles().size();
        PlayToEnd(file.toStdString(), {kStatusFile});
        const test::PcmAudio heard = Heard();
        EXPECT_NEAR(heard.Seconds(), 2.0, 0.15);
        EXPECT_GT(test::ToneShare(heard, 440), 0.9);
        std::vector<QString> titles = statuses_.Titles();
        titles.erase(titles.begin(), titles.begin() + std::ptrdiff_t(titlesBefore));
        ASSERT_FALSE(titles.empty());
        EXPECT_EQ(titles.front(), QString());
        // ADTS is a bare AAC stream without tags.
        if (format == ToneFormat::Aac)
            EXPECT_EQ(titles.size(), 1u);
        else
            EXPECT_EQ(titles.back(), QStringLiteral("Tone Author - Tone Title"));
    }
}

TEST_F(EngineTest, HttpFileIsANetworkSource) {
    test::FixtureServer server(media_);
    ASSERT_TRUE(server.IsRunning());
    // "HTTP" in capitals is a network source as well.
    PlayToEnd(
        server.Url(QStringLiteral("/tone.wma")).replace(0, 4, QStringLiteral("HTTP")).toStdString(),
        {kStatusBuffering, kStatusLive});
    EXPECT_GT(test::ToneShare(Heard(), 440), 0.9);
}

// A playlist file is resolved to its entries, which are tried in order until one opens: by the
// address's extension, or by the server's Content-Type when the address does not say. Relative
// entries are taken from the playlist's own folder. An HLS playlist plays as a stream.
TEST_F(EngineTest, PlaylistFilesPlayTheirFirstEntryThatOpens) {
    test::FixtureServer server(media_);
    ASSERT_TRUE(server.IsRunning());
    const QByteArray missing = server.Url(QStringLiteral("/missing.mp3")).toUtf8();
    const QByteArray tone = server.Url(QStringLiteral("/tone.mp3")).toUtf8();
    server.SetRoute(
        QStringLiteral("/list/station.pls"),
        test::FixtureRoute::Body("[playlist]\r\nNumberOfEntries=2\r\nFile1=" + missing +
                                 "\r\nTitle1=Gone\r\nFile2=" + tone + "\r\nVersion=2\r\n"));
    server.SetRoute(QStringLiteral("/list/station.m3u"),
                    test::FixtureRoute::Body("#EXTM3U\n#EXTINF:-1,Gone\n" + missing +
                                             "\n#EXTINF:-1,Tone\n../tone.mp3\n"));
    server.SetRoute(
        QStringLiteral("/list/station.xspf"),
        test::FixtureRoute::Body("<?xml version=\"1.0\"?>\n<playlist version=\"1\" "
                                 "xmlns=\"http://xspf.org/ns/0/\"><trackList>\n<track><location>" +
                                     missing + "</location></track>\n<track><location>" + tone +
                                     "?a=1&amp;b=2</location></track>\n</trackList></playlist>\n",
                                 QStringLiteral("application/xspf+xml")));
    server.SetRoute(
        QStringLiteral("/listen"),
        test::FixtureRoute::Body("File1=" + tone + "\n", QStringLiteral("audio/x-scpls")));
    for (const char* path :
         {"/list/station.pls", "/list/station.m3u", "/list/station.xspf", "/listen"}) {
        SCOPED_TRACE(path);
        // Each entry that does not open is let go of (1, 5) before the next is tried.
        const size_t from = statuses_.Count();
        EXPECT_EQ(engine_->OpenAndStart(server.Url(QString::fromLatin1(path)).toStdString()), 0);
        EXPECT_TRUE(statuses_.WaitFor(kStatusLive, 20000, from));
        statuses_.WaitForEnd(statuses_.Count());
        const test::PcmAudio heard = Heard();
        EXPECT_NEAR(heard.Seconds(), 2.0, 0.2);
        EXPECT_GT(test::ToneShare(heard, 440), 0.9);
    }
    // The missing first entries were tried, and the relative one was taken from the folder above.
    int missingAsked = 0;
    bool queryKept = false;
    for (const test::FixtureRequest& request : server.Requests()) {
        missingAsked += request.path == QStringLiteral("/missing.mp3") ? 1 : 0;
        queryKept = queryKept || (request.path == QStringLiteral("/tone.mp3") &&
                                  request.query == QStringLiteral("a=1&b=2"));
    }
    EXPECT_EQ(missingAsked, 3);
    EXPECT_TRUE(queryKept);

    // HLS is a stream: its playlist lists segments, not stations.
    ASSERT_EQ(
        test::RunProgram(
            QStringLiteral("ffmpeg"),
            {QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"),
             QStringLiteral("-y"), QStringLiteral("-i"), mp3_, QStringLiteral("-c:a"),
             QStringLiteral("aac"), QStringLiteral("-f"), QStringLiteral("hls"),
             QStringLiteral("-hls_time"), QStringLiteral("1"), QStringLiteral("-hls_playlist_type"),
             QStringLiteral("vod"), media_ + QStringLiteral("/hls.m3u8")}),
        0);
    PlayToEnd(server.Url(QStringLiteral("/hls.m3u8")).toStdString(),
              {kStatusBuffering, kStatusLive});
    EXPECT_GT(Heard().Seconds(), 1.5);
    EXPECT_GT(test::ToneShare(Heard(), 440), 0.9);

    // A playlist of nothing playable fails as the stream itself would.
    server.SetRoute(QStringLiteral("/empty.pls"), test::FixtureRoute::Body("[playlist]\n"));
    EXPECT_NE(engine_->OpenAndStart(server.Url(QStringLiteral("/empty.pls")).toStdString()), 0);
}

// The runtime cannot open a reference file itself; the engine tries the addresses listed in it
// until one opens, an "mms://" one as "http://".
TEST_F(EngineTest, AsxFallsBackToTheFirstReferenceThatOpens) {
    test::FixtureServer server(media_);
    ASSERT_TRUE(server.IsRunning());
    const QByteArray host = server.HostPort().toUtf8();
    server.SetRoute(QStringLiteral("/radio/tone.wma"),
                    test::FixtureRoute::File(QStringLiteral("tone.wma")));
    server.SetRoute(QStringLiteral("/station.asx"),
                    test::FixtureRoute::Body("<ASX version=\"3.0\">\r\n<ENTRY>\r\n"
                                             "<ref href=\"mms://" +
                                                 host +
                                                 "/missing/first.asf\"/>\r\n"
                                                 "<ref href=\"http://" +
                                                 host +
                                                 "/radio/tone.wma\"/>\r\n"
                                                 "</ENTRY>\r\n</ASX>\r\n",
                                             QStringLiteral("video/x-ms-asf")));
    ASSERT_EQ(engine_->OpenAndStart(server.Url(QStringLiteral("/station.asx")).toStdString()), 0);
    ASSERT_TRUE(statuses_.WaitFor(kStatusLive));
    const size_t playing = statuses_.Count();

    QStringList paths;
    for (const test::FixtureRequest& request : server.Requests())
        paths.append(request.path);
    // The runtime's own attempt at the .asx URL and the locator's download, then the "mms://"
    // reference over http (which the server does not have), then the second one.
    ASSERT_GE(paths.size(), 4);
    EXPECT_EQ(paths.first(), QStringLiteral("/station.asx"));
    const qsizetype first = paths.indexOf(QStringLiteral("/missing/first.asf"));
    EXPECT_GT(first, 0);
    EXPECT_GT(paths.indexOf(QStringLiteral("/radio/tone.wma")), first);
    statuses_.WaitForEnd(playing);
    EXPECT_GT(test::ToneShare(Heard(), 440), 0.9);
}

TEST_F(EngineTest, FailedOpensReturnAFailure) {
    test::FixtureServer server(media_);
    ASSERT_TRUE(server.IsRunning());
    server.SetRoute(
        QStringLiteral("/dead.asx"),
        test::FixtureRoute::Body("<asx><ref href=\"http://127.0.0.1:9/a.asf\"/></asx>"));
    EXPECT_LT(engine_->OpenAndStart(server.Url(QStringLiteral("/dead.asx")).toStdString()), 0);
    EXPECT_LT(engine_->OpenAndStart(server.Url(QStringLiteral("/missing.wma")).toStdString()), 0);
    EXPECT_LT(engine_->OpenAndStart((media_ + QStringLiteral("/nothing-here.wma")).toStdString()),
              0);
    EXPECT_EQ(engine_->OpenAndStart(std::string(300, 'a')), platform::kEInvalidArg);

    // After all that the engine still plays.
    EXPECT_EQ(engine_->OpenAndStart(wma_.toStdString()), 0);
    EXPECT_TRUE(statuses_.WaitFor(kStatusFile));
}

// A recording asked for while another stream plays records the new stream, also when it is found
// through a reference file, from its header's attributes to its end, where the file is finished.
TEST_F(EngineTest, RecordingStartedWhilePlayingRecordsTheNewStreamToItsEnd) {
    test::FixtureServer server(media_);
    ASSERT_TRUE(server.IsRunning());
    server.SetRoute(
        QStringLiteral("/station.asx"),
        test::FixtureRoute::Body("<asx><ref href=\"" +
                                 server.Url(QStringLiteral("/tone.wma")).toUtf8() + "\"/></asx>"));
    ASSERT_EQ(engine_->OpenAndStart(long_.toStdString()), 0);
    ASSERT_TRUE(statuses_.WaitFor(kStatusFile));

    const QString path = folder_ + QStringLiteral("/recorded.wma");
    const size_t from = statuses_.Count();
    ASSERT_EQ(engine_->StartRecording(server.Url(QStringLiteral("/station.asx")).toStdString(),
                                      path.toStdString()),
              1);
    ASSERT_TRUE(statuses_.WaitFor(kStatusLive, 20000, from));
    statuses_.WaitForEnd(statuses_.Count());

    const QMap<QString, QString> info = test::Probe(path);
    EXPECT_EQ(info.value(QStringLiteral("format_name")), QStringLiteral("asf"));
    EXPECT_EQ(info.value(QStringLiteral("codec_name")), QStringLiteral("wmav2"));
    EXPECT_EQ(info.value(QStringLiteral("title")), QStringLiteral("Tone Title"));
    EXPECT_NEAR(info.value(QStringLiteral("duration")).toDouble(), 2.0, 0.2);
    EXPECT_GT(test::ToneShare(test::DecodeToPcm(path), 440), 0.9);
}

// A live stream that drops after 5 s and comes back: "reconnecting" (7) and then playing (3)
// again, the tone heard after the gap, and one recording that holds both sides of it.
TEST_F(EngineTest, ADroppedLiveStreamReconnectsAndTheRecordingGoesOn) {
    test::FixtureServer server(media_);
    ASSERT_TRUE(server.IsRunning());
    test::FixtureRoute live = test::FixtureRoute::File(QStringLiteral("long.wma"),
                                                       QStringLiteral("video/x-ms-asf"));
    live.loop = true;
    live.bytesPerSecond = 16500;  // about the file's own 128 kbit/s
    live.closeAfterBytes = 82500;  // about 5 s, then the connection drops
    server.SetRoute(QStringLiteral("/live"), live);
    const QString path = folder_ + QStringLiteral("/recorded.wma");
    ASSERT_EQ(engine_->StartRecording(server.Url(QStringLiteral("/live")).toStdString(),
                                      path.toStdString()),
              1);
    ASSERT_TRUE(statuses_.WaitFor(kStatusLive, 20000));
    ASSERT_TRUE(statuses_.WaitFor(kStatusReconnecting, 30000));
    const size_t gap = statuses_.Count();
    ASSERT_TRUE(statuses_.WaitFor(kStatusLive, 30000, gap));
    std::this_thread::sleep_for(3s);
    ASSERT_EQ(engine_->StopPlayback(), platform::kSOk);
    statuses_.WaitForEnd(statuses_.Count());

    const test::PcmAudio heard = Heard();
    EXPECT_GT(heard.Seconds(), 6.0);
    test::PcmAudio after = heard;  // the last two seconds: after the gap
    const size_t tail = size_t(2 * after.sampleRate * after.channels);
    ASSERT_GT(after.samples.size(), tail);
    after.samples.erase(after.samples.begin(), after.samples.end() - std::ptrdiff_t(tail));
    EXPECT_GT(test::ToneShare(after, 440), 0.9);

    const QMap<QString, QString> info = test::Probe(path);
    EXPECT_EQ(info.value(QStringLiteral("codec_name")), QStringLiteral("wmav2"));
    EXPECT_GT(info.value(QStringLiteral("duration")).toDouble(), 6.0);
    EXPECT_GT(test::ToneShare(test::DecodeToPcm(path), 440), 0.9);
}

// Levels 2k-1 and 2k share a step; a level outside 0..100 changes nothing and comes back.
TEST_F(EngineTest, VolumeLevelsFollowTheTable) {
    const auto volumeFor = [this](int level) {
        EXPECT_EQ(engine_->SetVolume(level), 0);
        uint32_t volume = 0;
        platform::WaveOutGetVolume(platform::HWaveOut{},
                                   &volume);  // with no device: the next one's
        return volume;
    };
    EXPECT_EQ(volumeFor(0), 0u);
    EXPECT_EQ(volumeFor(1), 1311u | (1311u << 16));
    EXPECT_EQ(volumeFor(2), 1311u | (1311u << 16));
    EXPECT_EQ(volumeFor(51), 34078u | (34078u << 16));
    EXPECT_EQ(volumeFor(100), 0xFFFFFFFFu);
    EXPECT_EQ(engine_->SetVolume(101), 101);
    EXPECT_EQ(engine_->SetVolume(-1), -1);
    EXPECT_EQ(volumeFor(100), 0xFFFFFFFFu);
}

// Level 20 is step 10 of 50 (13107 of 65535): a fifth of the amplitude of level 100.
TEST_F(EngineTest, LevelTwentyIsAFifthAsLoudAsLevelHundred) {
    double rms[2] = {};
    for (int i = 0; i < 2; ++i) {
        engine_->SetVolume(i == 0 ? 100 : 20);
        PlayToEnd(wma_.toStdString(), {kStatusFile});
        rms[i] = test::Rms(Heard());
    }
    ASSERT_GT(rms[0], 1000.0);
    EXPECT_NEAR(rms[1] / rms[0], 13107.0 / 65535.0, 0.01);
}

// A pause holds the sound and is no end. While the device is paused it returns no block, so the
// engine holds more than its usual 50: none may be freed while the device still has it. What the
// device plays after the resume must be exactly what was handed to it (under AddressSanitizer a
// freed block would also be caught).
TEST_F(EngineTest, PauseHoldsTheSoundAndTheBlocksTheDeviceHas) {
    ASSERT_EQ(engine_->OpenAndStart(long_.toStdString()), 0);
    ASSERT_TRUE(statuses_.WaitFor(kStatusFile));
    std::this_thread::sleep_for(500ms);
    ASSERT_EQ(engine_->PausePlayback(), platform::kSOk);  // the reader delivers nothing now
    const double pausedAt = Heard().Seconds();
    std::this_thread::sleep_for(800ms);
    EXPECT_NEAR(Heard().Seconds(), pausedAt, 0.05);
    const size_t reports = statuses_.Count();

    // 60 blocks of 10 ms of noise that cannot come from the file, handed in as the reader would.
    constexpr int kBlocks = 60;
    constexpr size_t kBlockSamples = 441 * 2;
    std::vector<int16_t> injected(kBlocks * kBlockSamples);
    uint32_t seed = 12345;
    for (int16_t& sample : injected) {
        seed = seed * 1664525u + 1013904223u;
        sample = int16_t(seed >> 16);
    }
    for (int b = 0; b < kBlocks; ++b) {
        const platform::WmSampleBuffer buffer(
            reinterpret_cast<const uint8_t*>(injected.data() + b * kBlockSamples),
            uint32_t(kBlockSamples * 2));
        ASSERT_EQ(engine_->OnSample(0, 0, 100000, 0, buffer, nullptr), platform::kSOk);
    }
    ASSERT_EQ(engine_->ResumePlayback(), platform::kSOk);
    std::this_thread::sleep_for(2500ms);
    EXPECT_GT(Heard().Seconds(), pausedAt + 0.5);
    EXPECT_EQ(statuses_.Count(), reports);  // a pause is no end
    const size_t before = statuses_.Count();
    EXPECT_EQ(engine_->StopPlayback(), platform::kSOk);
    statuses_.WaitForEnd(before, 5000);

    const test::PcmAudio heard = Heard();
    const auto start = std::search(heard.samples.begin(), heard.samples.end(), injected.begin(),
                                   injected.begin() + 64);
    ASSERT_NE(start, heard.samples.end()) << "the injected blocks were not heard";
    ASSERT_GE(size_t(heard.samples.end() - start), injected.size());
    EXPECT_TRUE(std::equal(injected.begin(), injected.end(), start));
}

}  // namespace
}  // namespace velotune
