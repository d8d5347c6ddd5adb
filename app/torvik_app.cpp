#include "app/torvik_app.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QThread>
#include <QTimer>
#include <QUuid>

#include "app/automation_object.h"
#include "app/media_controls.h"
#include "app/player_window_factory.h"
#include "platform/appdirs/appdirs.h"
#include "platform/automation/automation.h"
#include "platform/msgbox/msgbox.h"
#include "playback/command_centre.h"
#include "report/usage_report.h"
#include "res/texts.h"
#include "settings/settings_store.h"
#include "skin/main_window.h"

Q_LOGGING_CATEGORY(lcApp, "velotune.app")

namespace velotune {
namespace {

using platform::AutomationResult;
using platform::AutomationServer;

// How soon a waiting exit request looks again for a safe moment.
constexpr int kExitRetryMs = 20;

bool IsAltF4(const QKeyEvent* key) {
    const Qt::KeyboardModifiers modifiers = key->modifiers();
    return key->key() == Qt::Key_F4 && modifiers.testFlag(Qt::AltModifier) &&
           !modifiers.testFlag(Qt::ControlModifier);
}

// Closes a modal window as its Cancel button or Escape would.
void Dismiss(QWidget* modal) {
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
    else
        modal->close();
}

}  // namespace

CTorvikApp::CTorvikApp(AppSetup setup)
    : setup_(std::move(setup)), automation_(std::make_unique<CTorvikAutomation>(*this)) {
    // Hidden in the tray, the player has no visible window and must live on.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QCoreApplication::instance()->installEventFilter(this);
}

CTorvikApp::~CTorvikApp() {
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
    // The media controls read the window and the controller; they go first.
    mediaControls_.reset();
    // A window the controller's Exit did not destroy (a failed start-up), or one whose deferred
    // deletion the ended event loop did not get to. Its list windows go with it and withdraw
    // from the controller, which must still be there.
    delete mainWindow_.data();
    controller_.reset();
    windows_.reset();
    // Last, once nothing is left that a call on the bus could reach: gives up the bus name.
    automation_.reset();
}

CTorvikApp::StartResult CTorvikApp::InitInstance(const QStringList& arguments) {
    if (automation_->FindRunningInstance()) {
        qCInfo(lcApp) << "a player is running already; brought it to the front";
        return StartResult::kAlreadyRunning;
    }

    // A start by the bus itself leaves the service file alone; any other start keeps it naming
    // this program.
    if (!platform::IsAutomationLaunch(arguments)) {
        const AutomationResult written =
            platform::WriteServiceFile(AutomationServer::Player, platform::ProgramPath());
        if (written != AutomationResult::Ok)
            qCInfo(lcApp) << "service file not written:" << platform::AutomationResultName(written);
    }
    const AutomationResult registered = automation_->Register();
    if (registered != AutomationResult::Ok) {
        // A later start will not find this player and starts a second one.
        qCWarning(lcApp) << "automation registration failed:"
                         << platform::AutomationResultName(registered);
        platform::ShowMessageBox(QString::fromUtf8(text::kRegisterFailed));
    }

    ReadOrMakeUID();

    windows_ = std::make_unique<CPlayerWindowFactory>();
    CommandCentreSetup setup;
    setup.programDirectory = setup_.programDirectory;
    setup.dataDirectory = setup_.dataDirectory;
    setup.windows = windows_.get();
    setup.makeUsageReporter = [uid = uid_](IUsageReportOwner& controller) {
        return MakeUsageReporter(controller, uid);
    };
    controller_ = std::make_unique<CTorvikCommandCentre>(std::move(setup));
    controller_->ShowTrayIconAtStart();
    CountStart();

    mainWindow_ = new CTorvikMainDlg(*controller_);
    switch (mainWindow_->Initialise()) {
        case CTorvikMainDlg::InitResult::kReady:
            break;
        case CTorvikMainDlg::InitResult::kNoDatabase:
            // The database layer has told the user why; there is nothing to play without it.
            qCWarning(lcApp) << "the station database did not open; the player ends";
            return StartResult::kFailed;
        case CTorvikMainDlg::InitResult::kIncomplete:
            qCWarning(lcApp) << "the main window could not be made; the player ends";
            return StartResult::kFailed;
    }
    started_ = true;
    mediaControls_ = std::make_unique<CTorvikMediaControls>(*this);
    if (!mediaControls_->Register())
        qCInfo(lcApp) << "no desktop media controls";
    TryPendingExit();  // a CloseTorvik that arrived while a start-up message was shown
    return StartResult::kRunning;
}

int CTorvikApp::Run(const QStringList& arguments) {
    switch (InitInstance(arguments)) {
        case StartResult::kAlreadyRunning:
            return 0;
        case StartResult::kFailed:
            return 1;
        case StartResult::kRunning:
            break;
    }
    return QCoreApplication::exec();
}

void CTorvikApp::ReadOrMakeUID() {
    const CSettingsStore settings;
    QString uid;
    if (!settings.ReadUID(&uid) || uid.isEmpty()) {
        // A file that is there but cannot be read still holds this installation's identifier:
        // say so, and leave it for a later start rather than replace it.
        if (!settings.IsFileReadable()) {
            qCWarning(lcApp) << "the settings file cannot be read:" << settings.FilePath();
            platform::ShowMessageBox(QString::fromUtf8(text::kSettingsReadFailed) +
                                     QDir::toNativeSeparators(settings.FilePath()));
            uid_.clear();
            return;
        }
        uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
        if (!settings.WriteUID(uid))
            qCInfo(lcApp) << "the installation identifier could not be stored";
    }
    uid_ = uid;
}

void CTorvikApp::RequestExit(int force) {
    exitPending_ = true;
    exitForced_ = exitForced_ || force != 0;
    TryPendingExit();
}

// Exit destroys the main window and ends the event loop. Inside a modal dialog's or a popup
// menu's own event loop that would delete windows still running that loop, whose callers go on
// using them when it returns; so the exit waits until control is back in the main event loop.
// The same holds inside an engine's start, which dispatches events while it waits for the stream
// without a loop of its own: the button that began the start is still handling its click.
void CTorvikApp::TryPendingExit() {
    if (!exitPending_)
        return;
    if (exitForced_) {
        if (QWidget* modal = QApplication::activeModalWidget())
            Dismiss(modal);
    }
    if (!started_) {
        // The end of the start-up looks again; meanwhile a forced request keeps dismissing the
        // start-up's message boxes.
        if (exitForced_)
            QTimer::singleShot(kExitRetryMs, this, &CTorvikApp::TryPendingExit);
        return;
    }
    if (QApplication::activeModalWidget() || QThread::currentThread()->loopLevel() > 1) {
        // A dialog's start of playback (the finder's Test Play) may be what keeps its loop
        // running: a forced exit stops it, so that the dialog can end.
        if (exitForced_ && controller_)
            controller_->Stop();
        QTimer::singleShot(kExitRetryMs, this, &CTorvikApp::TryPendingExit);
        return;
    }
    if (controller_->IsStarting() && (exitForced_ || !controller_->IsTrayIconShown())) {
        // The exit would stop the stream anyway; stopping it now makes the start give up at
        // once (also while it waits on an address that never answers), so the exit follows
        // within moments. Only hiding to the tray, which leaves the start alone, may go ahead.
        controller_->Stop();
        QTimer::singleShot(kExitRetryMs, this, &CTorvikApp::TryPendingExit);
        return;
    }
    const int force = exitForced_ ? 1 : 0;
    exitPending_ = false;
    exitForced_ = false;
    if (!controller_->MainWindow())
        return;  // an earlier exit has already saved the settings; the program is ending
    qCInfo(lcApp) << "exit requested, force" << force;
    controller_->Exit(force);
}

bool CTorvikApp::eventFilter(QObject* watched, QEvent* event) {
    // Alt+F4 is the Close button for every window of the player. A modal dialog keeps its own
    // meaning of it (it closes the dialog).
    if (event->type() == QEvent::KeyPress && started_ && controller_ &&
        IsAltF4(static_cast<QKeyEvent*>(event)) && !QApplication::activeModalWidget()) {
        RequestExit(0);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace velotune
