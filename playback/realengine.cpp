#include "playback/realengine.h"

#include <QLibrary>
#include <QLoggingCategory>

#include "platform/msgbox/msgbox.h"
#include "playback/real_context.h"
#include "res/texts.h"
#include "settings/settings_store.h"

Q_LOGGING_CATEGORY(lcRealEngine, "velotune.playback.realengine")

namespace velotune {

using namespace velotune::rma;

CRealEngine::CRealEngine(IPlaybackStatusSink* statusSink) : statusSink_(statusSink) {}

CRealEngine::~CRealEngine() {
    Close();
}

int CRealEngine::Play(const QString& url) {
    QString address = url;
    if (url.startsWith(QLatin1String("http"), Qt::CaseSensitive)) {
        http_ = true;
    } else {
        address = QStringLiteral("File:") + url;
        http_ = false;
    }
    if (!initialised_ && !Initialise())
        return 0;
    const QByteArray utf8 = address.toUtf8();
    if (Failed(player_->OpenURL(utf8.constData())) || Failed(player_->Begin())) {
        qCInfo(lcRealEngine) << "the player refused" << address;
        return 0;
    }
    playing_ = true;
    return 1;
}

void CRealEngine::Stop() {
    if (!playing_)
        return;
    player_->Stop();
    playing_ = false;
}

void CRealEngine::Pause() {
    if (playing_)
        player_->Pause();
}

void CRealEngine::Resume() {
    if (playing_)
        player_->Begin();
}

void CRealEngine::Close() {
    CleanUp();
}

int CRealEngine::Initialise() {
    context_ = RmaPtr<CRealClientContext>::Adopt(CRealClientContext::Create(statusSink_));
    if (!context_) {
        lastError_ = kENotInitialized;
        CleanUp();
        return 0;
    }

    const QString directory = CSettingsStore().RealEngineDirectory();
    const QString name = QString::fromUtf8(text::kRealEngineLibrary);
    // Without a folder the library is looked for where the system looks for libraries.
    libraryPath_ = directory.isEmpty() ? name : directory + QLatin1Char('/') + name;
    library_ = std::make_unique<QLibrary>(libraryPath_);
    if (!library_->load()) {
        qCWarning(lcRealEngine) << "cannot load" << libraryPath_ << library_->errorString();
        lastError_ = kEFail;
        CleanUp();
        platform::ShowMessageBox(QString::fromUtf8(text::kRealLoadFailedHead) + libraryPath_ +
                                 QString::fromUtf8(text::kRealLoadFailedTail));
        return 0;
    }

    createEngine_ = reinterpret_cast<RmaCreateEngineFn>(library_->resolve("CreateEngine"));
    closeEngine_ = reinterpret_cast<RmaCloseEngineFn>(library_->resolve("CloseEngine"));
    if (!createEngine_ || !closeEngine_ || Failed(createEngine_(&clientEngine_)) ||
        !clientEngine_ || Failed(clientEngine_->CreatePlayer(player_.Receive())) || !player_) {
        qCWarning(lcRealEngine) << "the library at" << libraryPath_ << "made no player";
        lastError_ = kEFail;
        CleanUp();
        return 0;
    }

    if (!context_->Init(player_.Get()) || Failed(player_->SetClientContext(context_.Get()))) {
        lastError_ = kEFail;
        CleanUp();
        return 0;
    }

    errorSinkControl_ = player_.As<IRMAErrorSinkControl>();
    if (errorSinkControl_) {
        errorSink_ = QueryAs<IRMAErrorSink>(context_.Get());
        if (errorSink_)
            errorSinkControl_->AddErrorSink(errorSink_.Get(), kSeverityEmergency, kSeverityInfo);
    }
    initialised_ = true;
    return 1;
}

// Releases in the order the library needs: sinks and context first, then the player, then the
// engine, and the library last, once nothing of it is referenced any more.
void CRealEngine::CleanUp() {
    if (errorSinkControl_) {
        if (errorSink_)
            errorSinkControl_->RemoveErrorSink(errorSink_.Get());
        errorSinkControl_.Reset();
    }
    errorSink_.Reset();
    if (context_) {
        context_->Close();
        context_.Reset();
    }
    if (player_) {
        if (clientEngine_)
            clientEngine_->ClosePlayer(player_.Get());
        player_.Reset();
    }
    if (clientEngine_) {
        if (closeEngine_)
            closeEngine_(clientEngine_);
        clientEngine_ = nullptr;
    }
    createEngine_ = nullptr;
    closeEngine_ = nullptr;
    if (library_) {
        library_->unload();
        library_.reset();
    }
    initialised_ = false;
    playing_ = false;
}

}  // namespace velotune
