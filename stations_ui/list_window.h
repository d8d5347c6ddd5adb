// stations_ui/list_window.h
//
// CListWindow is the skinned window that the station playlist and the file list share: the list
// window background, six skin buttons (Close, Add, Edit, Remove, Up, Down) with their tips, a
// borderless list of rows, dragging with docking to the main player window, and memory of its
// place in the settings store. CPlaylistWindow and CFileListWindow add their columns, their rows
// and what their buttons do.
//
// A click on a row makes it the controller's selected row and tells the main window with
// WM_PLAYER_SELECTION (a click beside the rows posts 0). Enter and Escape do nothing: only Close
// hides the window.
//
// Threading: user-interface thread only.
// Ownership: made by CStationWindows for the controller with the main window as Qt parent;
// deleted with its parent or by the controller. When it goes it stores its place (when it still
// touches the screen) and the docking flags, then tells the controller
// (CTorvikCommandCentre::ListWindowDestroyed).
#pragma once

#include <QList>

#include "playback/player_windows.h"
#include "settings/settings_store.h"
#include "skin/controls/skindialog.h"

class QTreeWidget;

namespace velotune {

class CSkinButton;
class CTorvikCommandCentre;

class CListWindow : public CSkinDialog, public IListWindow {
    Q_OBJECT

public:
    // Control ids of the window's buttons (the list is kIdList; Remove, Up and Down are
    // kIdRemove, kIdUp and kIdDown of playback/player_windows.h).
    static constexpr int kIdClose = 1611;
    static constexpr int kIdAdd = 1612;
    static constexpr int kIdEdit = 1613;

    ~CListWindow() override;

    // False when the skin or a button could not be made; the window is then unusable.
    bool IsValid() const { return valid_; }

    // ---- IListWindow ----
    QWidget* Widget() override { return this; }
    void SelectRow(int row) override;
    int ItemData(int row) const override;
    int RowCount() const override;
    void EnableButtons(bool enable) override;
    void EnableControl(int id, bool enable) override;
    bool IsBound() const override { return bound_; }
    bool IsBottomBound() const override { return bottomBound_; }

    // Enter and Escape do nothing.
    void accept() override {}
    void reject() override {}

protected:
    // Which window it is: decides where its place is stored.
    enum class Kind { Playlist, FileList };

    // Skins the window, makes the buttons and the list, and reads the docking flags. The derived
    // window then adds its columns and rows.
    CListWindow(CTorvikCommandCentre& controller, Kind kind, QWidget* parent);

    // What the buttons do (Close hides the window in every list window).
    virtual void OnAdd() = 0;
    virtual void OnEdit() {}
    virtual void OnRemove() = 0;
    virtual void OnUp() {}
    virtual void OnDown() {}
    // A double-click on a row (1-based), after its click.
    virtual void OnRowDoubleClicked(int /*row*/) {}

    // Sets up the list's columns: titles and widths in pixels.
    void SetColumns(const QList<QPair<QString, int>>& columns);
    // Selects the row the controller has selected for this list, with the buttons to match.
    void SelectInitialRow(int row);

    // Swaps the texts (but the row number) and item data of two rows (0-based) and moves the
    // selection from the row `from` to the row `to`.
    void SwapRows(int from, int to);

    QTreeWidget* List() const { return list_; }
    CSkinButton* Button(int id) const;

    QPoint AdjustPosition(QPoint proposed) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

    CTorvikCommandCentre& controller_;
    CSettingsStore settings_;

private:
    void OnRowClicked(int row);
    void StorePlacement();

    const Kind kind_;
    bool valid_ = false;
    bool shown_ = false;  // shown at least once: its place is worth keeping
    bool bound_ = true;
    bool bottomBound_ = true;
    QTreeWidget* list_ = nullptr;
    QList<CSkinButton*> buttons_;
};

}  // namespace velotune
