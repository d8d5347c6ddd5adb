#include "updater/update_app.h"

#include <QLoggingCategory>

#include "platform/appdirs/appdirs.h"
#include "platform/msgbox/msgbox.h"
#include "res/texts.h"
#include "updater/update_config.h"
#include "updater/update_dialog.h"
#include "updater/work_folder.h"

Q_LOGGING_CATEGORY(lcUpdaterApp, "velotune.updater.app")

namespace velotune {

using platform::AutomationResult;
using platform::AutomationServer;

CTorvikDBAutomation::CTorvikDBAutomation(std::function<void()> show)
    : m_registration(AutomationServer::Updater, {std::move(show), {}}) {}

AutomationResult CTorvikDBAutomation::Register() {
    return m_registration.Register();
}

CTorvikDBUpdateApp::CTorvikDBUpdateApp()
    : m_pAutomation(std::make_unique<CTorvikDBAutomation>([this] {
          if (m_pMainWnd)
              m_pMainWnd->BringToFront();
      })) {}

CTorvikDBUpdateApp::~CTorvikDBUpdateApp() = default;

bool CTorvikDBUpdateApp::ParseCommandLine(const QStringList& arguments, QString* dbVersion) {
    const QString line = arguments.join(QLatin1Char(' '));
    if (line.size() < 3 || line.left(3).compare(QLatin1String("-v:"), Qt::CaseInsensitive) != 0)
        return false;
    *dbVersion = line.mid(3);
    return true;
}

int CTorvikDBUpdateApp::Run(const QStringList& arguments) {
    // One updater at a time: a second start brings the first to the front and ends.
    const AutomationResult running = platform::ShowRunningInstance(AutomationServer::Updater);
    if (running == AutomationResult::Ok) {
        qCInfo(lcUpdaterApp) << "an updater is running already; brought it to the front";
        return 0;
    }

    // A start by the bus itself leaves the service file alone; any other start keeps it naming
    // this program.
    if (!platform::IsAutomationLaunch(arguments)) {
        const AutomationResult written =
            platform::WriteServiceFile(AutomationServer::Updater, platform::ProgramPath());
        if (written != AutomationResult::Ok)
            qCInfo(lcUpdaterApp) << "service file not written:"
                                 << platform::AutomationResultName(written);
    }
    const AutomationResult registered = m_pAutomation->Register();
    if (registered != AutomationResult::Ok) {
        qCWarning(lcUpdaterApp) << "automation registration failed:"
                                << platform::AutomationResultName(registered);
        platform::ShowMessageBox(QString::fromUtf8(text::kUpdaterRegisterFailed));
    }

    if (!ParseCommandLine(arguments, &m_strDBVersion))
        return 0;

    // The update works in a folder of its own, fresh for this run; what killed runs left behind
    // goes first.
    UpdaterConfig config = UpdaterConfig::ForThisProgram();
    RemoveLeftovers(config.tempDir, config.dataDir);
    const WorkFolder work(config.tempDir);
    // Without one the extraction has nowhere to write, and the update fails there.
    config.tempDir = work.IsValid() ? work.Path() : config.tempDir + QStringLiteral("velosync-/");

    CTorvikDBUpdateDlg dialog(config, m_strDBVersion, [] {
        const AutomationResult closed = platform::CloseRunningPlayer();
        qCInfo(lcUpdaterApp) << "closing the player:" << platform::AutomationResultName(closed);
    });
    m_pMainWnd = &dialog;
    dialog.exec();
    return 0;
}

}  // namespace velotune
