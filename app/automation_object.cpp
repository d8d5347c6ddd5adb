#include "app/automation_object.h"

#include <QWidget>

#include "app/torvik_app.h"
#include "skin/main_window.h"

namespace velotune {

using platform::AutomationResult;
using platform::AutomationServer;

CTorvikAutomation::CTorvikAutomation(CTorvikApp& app)
    : app_(app),
      registration_(AutomationServer::Player,
                    {[this] { ShowTorvik(); }, [this] { CloseTorvik(); }}) {}

CTorvikAutomation::~CTorvikAutomation() = default;  // the registration revokes itself

bool CTorvikAutomation::FindRunningInstance() {
    attached_ = platform::ShowRunningInstance(AutomationServer::Player) == AutomationResult::Ok;
    return attached_;
}

AutomationResult CTorvikAutomation::Register() {
    return registration_.Register();
}

void CTorvikAutomation::ShowTorvik() {
    CTorvikMainDlg* window = app_.MainWindow();
    // Asking the window manager to activate a hidden or minimised window would show or restore
    // it; the call only changes which visible window is in front.
    if (!window || !window->isVisible() || window->isMinimized())
        return;
    window->raise();
    window->activateWindow();
}

void CTorvikAutomation::CloseTorvik() {
    app_.RequestExit(1);
}

}  // namespace velotune
