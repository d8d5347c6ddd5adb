// app/torvik_app.h
//
// CTorvikApp is the player's application object and its composition root. It lives for the whole
// run and owns the automation object, the window factory, the playback controller and the main
// window (while the controller has not destroyed it).
//
// Run() is the whole program. Start-up, in this order:
//   1. a player already running on the session bus is asked to come forward (ShowTorvik), and
//      this start ends with status 0 and no window;
//   2. unless the bus itself started the player ("-Automation" or "-Embedding", after "-" or
//      "/"), the bus's service file is written so that it names this program;
//   3. the player takes its bus name; when it cannot, it says "Failed to Register Application -
//      Velotune" and goes on;
//   4. the installation identifier "Velotune UID" is read, or made and stored;
//   5. the controller is made, with a usage reporter that names the installation by its
//      identifier, and shows the tray icon (unless disabled); then the start is counted for the
//      usage report ("UseTime");
//   6. the main window is made and initialised, which opens the station database; when the
//      database does not open (the database layer has said why) or the window cannot be made, the
//      program ends with status 1;
//   7. the player announces itself to the desktop's media controls (app/media_controls.h);
//   8. the event loop runs until the controller's Exit ends it, with status 0.
// Alt+F4 anywhere in the player is the Close button: the controller's Exit(0), which hides the
// player when the tray icon is shown and ends it otherwise. At the end the main window goes (when
// Exit has not already destroyed it), then the controller, then the automation object, which
// gives up the bus name.
//
// Threading: user-interface thread only; a QApplication must exist for the object's whole life.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>

#include "skin/main_window.h"

namespace velotune {

class CPlayerWindowFactory;
class CTorvikAutomation;
class CTorvikCommandCentre;
class CTorvikMediaControls;

// Where the player's files are; empty texts choose the running program's folder and
// platform::DataDirectory(). Tests point them elsewhere.
struct AppSetup {
    QString programDirectory;
    QString dataDirectory;
};

class CTorvikApp : public QObject {
    Q_OBJECT

public:
    enum class StartResult {
        kRunning,         // the main window is up; run the event loop
        kAlreadyRunning,  // another player came forward; end with status 0
        kFailed,          // the database or the main window failed; end with status 1
    };

    // Makes the automation object (not yet registered) and sets the application up not to end
    // when its last window closes (the player lives on in the tray).
    explicit CTorvikApp(AppSetup setup = {});
    ~CTorvikApp() override;
    CTorvikApp(const CTorvikApp&) = delete;
    CTorvikApp& operator=(const CTorvikApp&) = delete;

    // Start-up (steps 1 to 6 above); arguments are those after the program's name. Blocks while
    // a message box is shown and, in step 1, up to platform::kAutomationCallTimeoutMs.
    StartResult InitInstance(const QStringList& arguments);
    // InitInstance, then the event loop. Returns the program's exit code.
    int Run(const QStringList& arguments);

    // Ends the player as the controller's Exit(force) does, as soon as that is safe: once the
    // start-up has finished and no modal dialog or popup menu runs an event loop of its own.
    // With force 1 an open modal dialog is dismissed first (as Cancel would), so the player does
    // end; with force 0 the request waits for it to close.
    void RequestExit(int force);

    // The installation identifier; empty until the start-up has read or made it.
    QString GetUID() const { return uid_; }

    CTorvikCommandCentre* Controller() const { return controller_.get(); }
    // The main window, or nullptr before the start-up made it and after it was destroyed.
    CTorvikMainDlg* MainWindow() const { return mainWindow_.data(); }
    CTorvikAutomation& Automation() const { return *automation_; }

protected:
    // Takes Alt+F4 before any window sees it.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ReadOrMakeUID();
    void TryPendingExit();

    AppSetup setup_;
    std::unique_ptr<CTorvikAutomation> automation_;
    std::unique_ptr<CPlayerWindowFactory> windows_;  // outlives the controller
    std::unique_ptr<CTorvikCommandCentre> controller_;
    QPointer<CTorvikMainDlg> mainWindow_;
    std::unique_ptr<CTorvikMediaControls> mediaControls_;  // while the main window is up
    QString uid_;
    bool started_ = false;      // the start-up has finished with a running main window
    bool exitPending_ = false;  // RequestExit waits for a safe moment
    bool exitForced_ = false;   // ... and was asked with force 1
};

}  // namespace velotune
