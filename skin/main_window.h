// skin/main_window.h
//
// CTorvikMainDlg is the player's main window: a borderless window shaped and painted by a skin
// image, with two layouts, the main view (300 x 104) and the one-line minibar (300 x 18). It
// carries 25 skinned buttons, the volume slider and the scrolling display line; it turns clicks
// into calls on the playback controller and the controller's messages into button states and
// display text. It snaps to the edges of the usable screen and to the list window while it is
// dragged, takes docked list windows along when it moves, and stays on screen when its layout
// changes.
//
// Every control's id is its objectName ("1551"), so code and tests find controls by id.
//
// Threading: user-interface thread only. The controller's messages (WM_PLAYER_SELECTION,
// WM_PLAYER_STATUS) are posted to the window and handled in customEvent().
// Ownership: the application's start-up creates the window and runs Initialise(); the controller
// ends it through DestroyWindow(), which deletes it once control is back in the event loop (hold
// it in a QPointer). The list windows are its Qt children.
#pragma once

#include <QFont>
#include <QPoint>
#include <QString>
#include <map>
#include <optional>

#include "playback/player_windows.h"
#include "settings/settings_store.h"
#include "skin/controls/skindialog.h"

namespace velotune {

class CScrollingText;
class CSkinButton;
class CSkinSlider;
class CTorvikCommandCentre;

// Control ids of the main window besides those in playback/player_windows.h.
inline constexpr int kIdPreset1 = 1501;  // Preset1 .. Preset6 are 1501 .. 1506
inline constexpr int kIdPreset6 = 1506;
inline constexpr int kIdInfo = 1554;
inline constexpr int kIdOpen = 1555;
inline constexpr int kIdPause = 1557;
inline constexpr int kIdPrev = 1558;
inline constexpr int kIdNext = 1559;
inline constexpr int kIdCenter = 1560;
inline constexpr int kIdMiniPrev = 1573;
inline constexpr int kIdMiniNext = 1574;
inline constexpr int kIdMenu = 1601;
inline constexpr int kIdMinimize = 1602;
inline constexpr int kIdMinibar = 1603;
inline constexpr int kIdMainView = 1604;
inline constexpr int kIdClose = 1605;

class CTorvikMainDlg : public CSkinDialog, public IMainWindow {
    Q_OBJECT

public:
    enum class InitResult {
        kReady,       // initialised; shown, or hidden in the tray as the settings say
        kNoDatabase,  // the station database did not open; the event loop has been asked to quit
        kIncomplete,  // a skin image or button could not be made; the window stays hidden
    };

    // The window's controls exist from here on (the display line and the volume slider; the
    // buttons come with Initialise()), but it is not yet skinned, registered or shown.
    explicit CTorvikMainDlg(CTorvikCommandCentre& controller);
    // Withdraws from the controller when still registered.
    ~CTorvikMainDlg() override;

    // The window's start: opens the station database through the controller (on failure asks
    // the event loop to quit with exit code 1), registers with the controller, skins the window,
    // makes the buttons, the slider and the fonts, restores the layout, position, stacking, list
    // selections and volume from the settings, shows the display line and buttons for the
    // selection, and shows the window (and the list window when it was open) unless it was left
    // hidden in the tray. Blocks briefly on the database and the settings file.
    InitResult Initialise();

    // ---- Layouts -------------------------------------------------------------------------------
    // Switch to the minibar or the main view: new skin and shape, the layout's buttons, the
    // display line's place, font and scroll period; the window stays on screen and a list window
    // docked below follows the window's new bottom edge.
    void SwitchToMinibar();
    void SwitchToMainView();
    // 1 in the minibar layout, 0 in the main view.
    int IsMini() const override { return mini_; }

    // ---- Refresh -------------------------------------------------------------------------------
    // Shows the text for a 1-based row of the current list (0: the idle text) and restarts the
    // marquee. While the controller is tuning or buffering nothing changes.
    void UpdateDisplayLine(int selection);
    // Enables the transport buttons for the selected row, the playing row and the controller's
    // status.
    void UpdateButtons(int selection, int playingIndex);
    // In the main view, shows Pause in place of Play (on) or Play in place of Pause (off).
    void ShowPauseButton(bool on);
    // With refresh 1 and the station playlist current: one preset per playlist row (up to six)
    // is enabled and named after its station; the others are disabled.
    void UpdatePresets(int refresh) override;

    // ---- IMainWindow ---------------------------------------------------------------------------
    QWidget* Widget() override { return this; }
    // Enables or disables any of the window's buttons by id; unknown ids are ignored.
    void EnableControl(int id, bool enable) override;
    void SetDisplayText(const QString& text) override;
    int VolumePosition() const override;
    void DisablePresets() override;
    void SetOpenButtonTip(const QString& tip) override;
    bool SetTopmost(bool on) override;
    // Withdraws from the controller, hides the window and deletes it (and the list windows, its
    // children) once control is back in the event loop.
    void DestroyWindow() override;

    // ---- Controls ------------------------------------------------------------------------------
    // The button with that id (nullptr before Initialise() made it or for an unknown id).
    CSkinButton* Button(int id) const;
    CScrollingText* DisplayLine() const { return display_; }
    CSkinSlider* VolumeSlider() const { return slider_; }
    // The text last given to the display line.
    QString DisplayText() const { return displayText_; }
    // True between a press of Pause and the next press or the next playback notification.
    bool IsPaused() const { return paused_; }

protected:
    // Snaps a dragged or programmatic move to the usable screen's edges and the list window.
    QPoint AdjustPosition(QPoint proposed) override;
    void moveEvent(QMoveEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void customEvent(QEvent* event) override;
    // Closing the window (the window manager's close, Alt+F4) is the Close button: the
    // controller's Exit, which hides to the tray or ends the program.
    void closeEvent(QCloseEvent* event) override;
    // Enter and Escape do nothing; the window is not a dialog that can be answered.
    void accept() override {}
    void reject() override {}

private:
    bool CreateButtons();
    void CreateVolumeSlider();
    void ApplyLayout(bool mini);
    void OnCommand(int id);
    void OnPreset(int position);
    void OnPause();
    void OnPlayerSelection(int selection);
    void OnPlayerStatus(int code);
    // The name the display line gives the file of a 1-based file list row: the stored entry's
    // file name up to its first "."; nullopt when the entry is missing or malformed.
    std::optional<QString> FileNameAt(int row);
    void ShowText(const QString& text);
    QRect ScreenRect(int id) const;
    void RestoreSelections();

    CTorvikCommandCentre& controller_;
    CSettingsStore settings_;
    std::map<int, CSkinButton*> buttons_;  // children of the window
    CScrollingText* display_ = nullptr;    // child, id 1023
    CSkinSlider* slider_ = nullptr;        // child, id 1024
    QFont mainFont_;                       // the main view's display font
    QFont miniFont_;                       // the minibar's display font
    int mini_ = 0;
    bool paused_ = false;
    bool pauseShown_ = false;  // Pause stands in for Play (a file that can pause is playing)
    QString displayText_;
    std::optional<QPoint> lastPos_;  // where the window was at its last move
};

}  // namespace velotune
