// velotune-play: plays or records one URL or file through a playback engine, the Windows Media
// engine unless --real picks the RealSystem one, and prints each playback status on its own line
// as it arrives ("status 6 buffering"). It stops after --seconds, at the end of the stream, or on
// SIGINT/SIGTERM (which also finishes a recording properly, and ends a start that is still
// connecting). This is how a person tries the engines without the player's windows.
//
// Exit status: 0 when the stream played, 1 when it could not be started, ended before it played
// or its recording failed (the reason on standard error), 2 for a usage error.
#include <fcntl.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QMetaObject>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include "playback/playback_status.h"
#include "playback/realengine.h"
#include "playback/wm_engine.h"
#include "res/texts.h"

namespace velotune::tools {
namespace {

QString Text(const char* text) {
    return QString::fromUtf8(text);
}

// SIGINT and SIGTERM write a byte here; the main thread reads it when its loop is idle, so
// nothing needs to poll for them.
int g_signalPipe[2] = {-1, -1};

// How long a stopped engine has to report its end before the run ends without it.
constexpr int kStopGraceMs = 500;

extern "C" void RequestStop(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

// One engine as this tool drives it. Each engine gets a small adapter; the statuses go to the
// sink handed to MakeEngine.
class ToolEngine {
public:
    virtual ~ToolEngine() = default;
    // Starts playing url, recording into recordPath when it is not empty (UI thread; blocks while
    // the stream opens). Returns 0, or the engine's failure code.
    virtual int64_t Start(const std::string& url, const std::string& recordPath) = 0;
    virtual void SetVolume(int level) = 0;
    virtual void Stop() = 0;
    // Why the last start failed, when the engine knows (a runtime result), else kSOk.
    virtual platform::HResult OpenResult() const { return platform::kSOk; }
    // Lets go of everything; statuses may still arrive while it runs.
    virtual void Shutdown() = 0;
};

class WmToolEngine : public ToolEngine {
public:
    explicit WmToolEngine(IPlaybackStatusSink* sink) : engine_(sink) {}
    platform::HResult Initialise() { return engine_.Initialise(); }
    int64_t Start(const std::string& url, const std::string& recordPath) override {
        if (recordPath.empty())
            return engine_.OpenAndStart(url);
        return engine_.StartRecording(url, recordPath) == 1 ? 0 : 1;
    }
    platform::HResult OpenResult() const override { return engine_.LastOpenResult(); }
    void SetVolume(int level) override { engine_.SetVolume(level); }
    void Stop() override { engine_.StopPlayback(); }
    void Shutdown() override { engine_.Shutdown(); }

private:
    CWmEngine engine_;
};

class RealToolEngine : public ToolEngine {
public:
    explicit RealToolEngine(IPlaybackStatusSink* sink) : engine_(sink) {}
    int64_t Start(const std::string& url, const std::string&) override {
        return engine_.Play(QString::fromStdString(url)) == 1 ? 0 : 1;
    }
    void SetVolume(int level) override { engine_.SetVolume(level); }
    void Stop() override { engine_.Stop(); }
    void Shutdown() override { engine_.Close(); }

private:
    CRealEngine engine_;
};

// Prints the statuses on the main thread, in the order the engines report them, and ends the
// run once the engine has let go of the stream it started.
class StatusPrinter : public QObject, public IPlaybackStatusSink {
public:
    // Main thread: the start call is over, successfully; from now on the engine's letting go
    // ends the run.
    void Started() { started_ = true; }
    // Whether the stream got as far as buffering or playing.
    bool Begun() const { return begun_; }

    // Any thread: hand the value to the main thread.
    void SetPlaybackStatus(int status) override {
        QMetaObject::invokeMethod(
            this, [this, status] { Print(status); }, Qt::QueuedConnection);
    }

    void RecordingFailed(const std::string& path, const std::string& reason) override {
        const QString message = Text(text::kPlayerToolRecordingFailed)
                                    .arg(QString::fromStdString(path), QString::fromStdString(reason));
        QMetaObject::invokeMethod(
            this,
            [this, message] {
                QTextStream(stderr) << message << Qt::endl;
                recordingFailed_ = true;
            },
            Qt::QueuedConnection);
    }
    bool RecordingHasFailed() const { return recordingFailed_; }

private:
    void Print(int status) {
        const char* name = "";
        switch (status) {
            case kStatusClosed:
                name = text::kPlayerToolStatusClosed;
                break;
            case kStatusLive:
                name = text::kPlayerToolStatusLive;
                break;
            case kStatusFile:
                name = text::kPlayerToolStatusFile;
                break;
            case kStatusStopped:
                name = text::kPlayerToolStatusStopped;
                break;
            case kStatusBuffering:
                name = text::kPlayerToolStatusBuffering;
                break;
            case kStatusReconnecting:
                name = text::kPlayerToolStatusReconnecting;
                break;
        }
        QTextStream(stdout) << Text(text::kPlayerToolStatus).arg(status).arg(Text(name))
                            << Qt::endl;
        // The closes of addresses that failed to open during the start report 1 and 5 as well;
        // once the start has returned, the engine letting go ends the run, whether the stream
        // got as far as playing or failed before (an engine that accepted the address).
        if (status == kStatusBuffering || status == kStatusLive || status == kStatusFile)
            begun_ = true;
        if (status == kStatusStopped && (started_ || begun_))
            QCoreApplication::quit();
    }

    bool started_ = false;          // main thread only
    bool begun_ = false;            // main thread only
    bool recordingFailed_ = false;  // main thread only
};

int Usage(const QString& message) {
    QTextStream(stderr) << message << Qt::endl;
    return 2;
}

int Run(QCoreApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(Text(text::kPlayerToolDescription));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("url"), Text(text::kPlayerToolUrlArgument));
    const QCommandLineOption realOption(QStringLiteral("real"), Text(text::kPlayerToolRealOption));
    const QCommandLineOption recordOption(
        QStringLiteral("record"), Text(text::kPlayerToolRecordOption), QStringLiteral("file"));
    const QCommandLineOption secondsOption(
        QStringLiteral("seconds"), Text(text::kPlayerToolSecondsOption), QStringLiteral("seconds"));
    const QCommandLineOption volumeOption(QStringLiteral("volume"),
                                          Text(text::kPlayerToolVolumeOption),
                                          QStringLiteral("level"), QStringLiteral("100"));
    parser.addOptions({realOption, recordOption, secondsOption, volumeOption});
    parser.process(app);

    if (parser.positionalArguments().size() != 1)
        return Usage(Text(text::kPlayerToolUsageError));
    const std::string url = parser.positionalArguments().first().toStdString();
    const std::string recordPath = parser.value(recordOption).toStdString();
    double seconds = 0;
    if (parser.isSet(secondsOption)) {
        bool ok = false;
        seconds = parser.value(secondsOption).toDouble(&ok);
        if (!ok || seconds <= 0)
            return Usage(Text(text::kPlayerToolBadValue)
                             .arg(parser.value(secondsOption), secondsOption.valueName()));
    }
    bool volumeOk = false;
    const int volume = parser.value(volumeOption).toInt(&volumeOk);
    if (!volumeOk || volume < 0 || volume > 100)
        return Usage(Text(text::kPlayerToolBadValue)
                         .arg(parser.value(volumeOption), volumeOption.valueName()));

    StatusPrinter printer;
    std::unique_ptr<ToolEngine> engine;
    if (parser.isSet(realOption) && !recordPath.empty())
        return Usage(Text(text::kPlayerToolRealNoRecording));
    if (parser.isSet(realOption)) {
        engine = std::make_unique<RealToolEngine>(&printer);
    } else {
        auto wm = std::make_unique<WmToolEngine>(&printer);
        const platform::HResult hr = wm->Initialise();
        if (platform::Failed(hr)) {
            QTextStream(stderr) << Text(text::kPlayerToolInitFailed)
                                       .arg(QStringLiteral("0x%1").arg(uint32_t(hr), 8, 16,
                                                                       QLatin1Char('0')))
                                << Qt::endl;
            return 1;
        }
        engine = std::move(wm);
    }

    // A signal stops the engine in every state: while the start connects (the Windows Media
    // engine's waits let the notifier run and give up at a stop), while it plays, and after it
    // failed. The run ends soon after even when the engine has nothing left to report.
    bool interrupted = false;
    std::unique_ptr<QSocketNotifier> signalNotifier;
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        signalNotifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
        QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, &app,
                         [&engine, &interrupted] {
                             char bytes[16];
                             while (::read(g_signalPipe[0], bytes, sizeof bytes) > 0) {
                             }
                             interrupted = true;
                             engine->Stop();
                             QTimer::singleShot(kStopGraceMs, QCoreApplication::instance(),
                                                &QCoreApplication::quit);
                         });
        std::signal(SIGINT, RequestStop);
        std::signal(SIGTERM, RequestStop);
    }
    engine->SetVolume(volume);
    const int64_t result = engine->Start(url, recordPath);
    if (result != 0) {
        const QString code = result < 0 ? QStringLiteral("0x%1").arg(uint32_t(result), 8, 16,
                                                                     QLatin1Char('0'))
                                        : QString::number(result);
        // The runtime's result of the open says why, when it failed; the start's own result
        // stays what it was.
        const platform::HResult why = engine->OpenResult();
        if (platform::Failed(why))
            QTextStream(stderr) << Text(text::kPlayerToolStartFailedWhy)
                                       .arg(QString::fromStdString(url),
                                            QString::fromStdString(platform::WmResultText(why)),
                                            code)
                                << Qt::endl;
        else
            QTextStream(stderr) << Text(text::kPlayerToolStartFailed)
                                       .arg(QString::fromStdString(url), code)
                                << Qt::endl;
        engine->Shutdown();
        QCoreApplication::processEvents();
        return 1;
    }

    printer.Started();
    if (seconds > 0)
        QTimer::singleShot(int(seconds * 1000), &app, [&engine] { engine->Stop(); });
    // A signal that came while the start returned has stopped the engine already.
    if (!interrupted)
        app.exec();
    engine->Shutdown();
    QCoreApplication::processEvents();  // print what the shutdown reported
    if (!printer.Begun() && !interrupted) {
        QTextStream(stderr)
            << Text(text::kPlayerToolEndedBeforePlaying).arg(QString::fromStdString(url))
            << Qt::endl;
        return 1;
    }
    return printer.RecordingHasFailed() ? 1 : 0;
}

}  // namespace
}  // namespace velotune::tools

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velotune-play"));
    return velotune::tools::Run(app);
}
