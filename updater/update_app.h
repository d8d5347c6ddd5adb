// updater/update_app.h
//
// The updater's application object and its automation object: the composition root of velosync.
//
// CTorvikDBUpdateApp::Run is the whole program: a second start hands over to the running updater
// (its "ShowTorvikDBUpdate") and ends; otherwise the updater announces itself on the session bus
// as "TorvikDBUpdate.Application", reads its command line, and shows the update dialog until it is
// closed. Without "-v:" (in any letter case) at the start of the command line it ends at once,
// without a window. The player starts it as "velosync -v:<edition>".
//
// Threading: the user-interface thread; a QApplication must exist.
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "platform/automation/automation.h"

namespace velotune {

class CTorvikDBUpdateDlg;

// The updater's automation object: while registered, a call of "ShowTorvikDBUpdate" runs show.
class CTorvikDBAutomation {
public:
    explicit CTorvikDBAutomation(std::function<void()> show);
    // Announces the object and takes the updater's bus name. The caller shows any message.
    platform::AutomationResult Register();

private:
    platform::AutomationRegistration m_registration;
};

class CTorvikDBUpdateApp {
public:
    CTorvikDBUpdateApp();
    ~CTorvikDBUpdateApp();
    CTorvikDBUpdateApp(const CTorvikDBUpdateApp&) = delete;
    CTorvikDBUpdateApp& operator=(const CTorvikDBUpdateApp&) = delete;

    // Start-up and the dialog's run; arguments are those after the program's name. Returns the
    // program's exit code.
    int Run(const QStringList& arguments);

    // The edition after "-v:" when the command line (the arguments joined by blanks) starts with
    // it, in any letter case; false otherwise.
    static bool ParseCommandLine(const QStringList& arguments, QString* dbVersion);

    // The user's edition as the command line gave it; empty until parsed.
    QString m_strDBVersion;

private:
    std::unique_ptr<CTorvikDBAutomation> m_pAutomation;
    QPointer<CTorvikDBUpdateDlg> m_pMainWnd;
};

}  // namespace velotune
