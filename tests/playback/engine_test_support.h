// tests/playback/engine_test_support.h
//
// What the Windows Media engine tests share: a fixture with a fresh engine and the capture file
// that shows what a listener heard, and ffprobe readings of recorded files.
#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QMap>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "playback/wm_engine.h"
#include "tests/playback/status_recorder.h"
#include "tests/support/test_env.h"
#include "tests/support/tone.h"

namespace velotune::test {

// True when the reports are one or more "1, 5" pairs: the engine let go of the stream and said
// so, possibly more than once, with nothing else in between.
inline bool OnlyClosedThenStopped(const std::vector<int>& statuses) {
    if (statuses.empty() || statuses.size() % 2 != 0)
        return false;
    for (size_t i = 0; i < statuses.size(); i += 2)
        if (statuses[i] != kStatusClosed || statuses[i + 1] != kStatusStopped)
            return false;
    return true;
}

// A fresh, initialised engine at full volume per test, reporting to `statuses_`, whose device
// writes what it plays into the capture file.
class EngineFixture : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = MakeTempDir(QStringLiteral("engine"));
        capture_ = folder_ + QStringLiteral("/heard.wav");
        qputenv("VELOTUNE_WAVE_CAPTURE", QFile::encodeName(capture_));
        engine_ = std::make_unique<CWmEngine>(&statuses_);
        ASSERT_EQ(engine_->Initialise(), platform::kSOk);
        engine_->SetVolume(100);
    }
    void TearDown() override {
        engine_.reset();
        qunsetenv("VELOTUNE_WAVE_CAPTURE");
    }

    PcmAudio Heard() const {
        PcmAudio audio;
        ReadWav(capture_, &audio);
        return audio;
    }

    QString folder_;
    QString capture_;
    StatusRecorder statuses_;  // outlives the engine that reports to it
    std::unique_ptr<CWmEngine> engine_;
};

// "key=value" lines of ffprobe about a file (keys lower case, "tag:" dropped).
inline QMap<QString, QString> Probe(const QString& path) {
    QString out;
    RunProgram(QStringLiteral("ffprobe"),
               {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                QStringLiteral("format=format_name,duration:format_tags=title:"
                               "stream=codec_name,sample_rate,channels"),
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

}  // namespace velotune::test
