#include "skin/skin_windows.h"

#include "platform/msgbox/msgbox.h"
#include "skin/dialog_parent.h"
#include "skin/menus.h"
#include "skin/options_dialog.h"

namespace velotune {

std::unique_ptr<ISystemMenu> CSkinWindows::CreateSystemMenu(CTorvikCommandCentre& controller) {
    return std::make_unique<CTorvikMenuDlg>(controller);
}

std::unique_ptr<IOpenMenu> CSkinWindows::CreateOpenMenu(CTorvikCommandCentre& controller) {
    return std::make_unique<COpenMenuDlg>(controller);
}

bool CSkinWindows::RunOptionsDialog(CTorvikCommandCentre& controller, OptionsChoices* choices) {
    COptionsDlg dialog(DialogParent(controller));
    platform::OwnDialog(&dialog, DialogParent(controller));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (choices)
        *choices = dialog.Choices();
    return true;
}

}  // namespace velotune
