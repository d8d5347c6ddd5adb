// skin/options_dialog.h
//
// COptionsDlg: the modal "Velotune Options" dialog. Three check boxes, which open with the
// stored choices:
//   1020 "Always have Velotune on top"           ("AlwaysOnTop"; off when none is stored)
//   1038 "Start Velotune when Windows starts up" (whether the start-up entry exists)
//   1017 "Disable Velotune Tray Icon"            ("TrayIcon"; off when none is stored)
// OK (id 1) stores the tray-icon choice itself and closes the dialog accepted; the controller
// (ApplyOptions) then applies the rest: the tray icon, the stacking, the start-up entry, the
// failure message and, when the tray icon has just been disabled while the player is hidden,
// the end of the program. Cancel (id 2) changes nothing.
//
// Threading: user-interface thread only; the settings file is read and written on it.
#pragma once

#include <QDialog>

#include "playback/player_windows.h"
#include "settings/settings_store.h"

class QCheckBox;

namespace velotune {

inline constexpr int kIdOptionAlwaysOnTop = 1020;
inline constexpr int kIdOptionStartWithSession = 1038;
inline constexpr int kIdOptionDisableTrayIcon = 1017;

class COptionsDlg : public QDialog {
    Q_OBJECT

public:
    explicit COptionsDlg(QWidget* parent = nullptr);
    ~COptionsDlg() override;

    // The choices as the check boxes show them; storedOwnChoices tells whether OK could store
    // the tray-icon choice (true before OK).
    OptionsChoices Choices() const;

    QCheckBox* CheckBox(int id) const;

protected:
    // OK: stores the tray-icon choice, then closes the dialog accepted.
    void accept() override;

private:
    CSettingsStore settings_;
    QCheckBox* alwaysOnTop_ = nullptr;
    QCheckBox* startWithSession_ = nullptr;
    QCheckBox* trayIconDisabled_ = nullptr;
    bool storedOwnChoices_ = true;
};

}  // namespace velotune
