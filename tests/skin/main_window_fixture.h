// tests/skin/main_window_fixture.h
//
// A real main window on a real playback controller: a station database file written for the
// test, a private settings file, and list windows that are plain skinned windows of the list
// window's shape (the list windows themselves belong to another module). The menus and the
// Options dialog are the real ones; the tray icon, when a test asks for one, is a stand-in.
// Message boxes are recorded instead of shown.
#pragma once

#include <gtest/gtest.h>

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

#include "playback/command_centre.h"
#include "skin/controls/skindialog.h"
#include "skin/main_window.h"
#include "skin/skin_windows.h"
#include "stationdb/recordsets.h"
#include "tests/playback/controller_sandbox.h"
#include "tests/support/message_recorder.h"

namespace velotune::test {

// A list window with the real one's shape whose rows are the stored playlist or file list.
class TestListWindow : public CSkinDialog, public IListWindow {
public:
    TestListWindow(CTorvikCommandCentre& controller, int mode, QWidget* parent);
    ~TestListWindow() override;  // tells the controller

    QWidget* Widget() override { return this; }
    void Fill() override;
    void SelectRow(int row) override { selectedRow = row; }
    int ItemData(int row) const override;
    int RowCount() const override { return static_cast<int>(itemData.size()); }
    void EnableButtons(bool) override {}
    void EnableControl(int, bool) override {}
    bool IsBound() const override { return bound; }
    bool IsBottomBound() const override { return true; }

    QList<int> itemData;
    int selectedRow = 0;
    bool bound = true;  // moves with the main window

private:
    CTorvikCommandCentre& controller_;
    const int mode_;
};

// A notification area that always has room: the icon is there between AddIcon and RemoveIcon.
class TestTrayIcon : public ITrayIcon {
public:
    bool AddIcon() override {
        shown = true;
        return true;
    }
    void RemoveIcon() override { shown = false; }
    void SetTip(const QString& text) override { tip = text; }
    bool shown = false;
    QString tip;
};

// The application's factory as far as the skin goes: the real menus and Options dialog, the
// stand-in list windows above and, when asked for, the stand-in tray icon.
class TestWindowFactory : public IPlayerWindowFactory {
public:
    IListWindow* CreatePlaylistWindow(CTorvikCommandCentre& controller, QWidget* parent) override;
    IListWindow* CreateFileListWindow(CTorvikCommandCentre& controller, QWidget* parent) override;
    std::unique_ptr<ISystemMenu> CreateSystemMenu(CTorvikCommandCentre& controller) override {
        return skin.CreateSystemMenu(controller);
    }
    std::unique_ptr<IOpenMenu> CreateOpenMenu(CTorvikCommandCentre& controller) override {
        return skin.CreateOpenMenu(controller);
    }
    std::unique_ptr<ITrayIcon> CreateTrayIcon(CTorvikCommandCentre&) override;
    bool RunStationFinder(CTorvikCommandCentre&, int) override { return false; }
    bool RunStationEditor(CTorvikCommandCentre&, int radioId) override {
        editorRuns.append(radioId);
        return false;
    }
    bool RunOptionsDialog(CTorvikCommandCentre& controller, OptionsChoices* choices) override {
        return skin.RunOptionsDialog(controller, choices);
    }

    CSkinWindows skin;
    QPointer<TestListWindow> playlist;
    QPointer<TestListWindow> fileList;
    QList<int> editorRuns;         // the RadioIDs the station editor was opened for
    bool trayAvailable = false;    // whether CreateTrayIcon makes a tray icon
    TestTrayIcon* tray = nullptr;  // the one made (the controller owns it)
};

// A station that plays through the Windows Media engine.
CRadioSet MakeStation(const QString& name, const QString& url);
// An address on this machine where nothing answers: a start fails at once.
QString DeadUrl();

class MainWindowTest : public ::testing::Test {
protected:
    // Writes the database (stations in order; the playlist holds the stations whose 1-based
    // numbers are given, in that order), points the settings at a fresh folder and makes the
    // controller. Settings written after this are what the window reads.
    void MakeController(const QList<CRadioSet>& stations, const QList<int>& playlist);
    // Makes the window and runs its initialisation, which must succeed.
    void OpenWindow();
    void TearDown() override;

    static bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 20000) {
        return WaitForEvents(pred, timeoutMs);
    }
    static void Drain() { DrainEvents(); }

    // Appends a file list entry (file name + "::" + path).
    void AddFileEntry(const QString& fileName, const QString& path);
    // Makes the file list the current list (its window shown) and selects row in it, as a click
    // in the list window does (the main window hears of it with WM_PLAYER_SELECTION).
    void UseFileList(int row);
    // Lets the controller take status reports as after a start: a start on an address where
    // nothing answers, which fails but leaves the main window as the owner.
    void MakeWindowTheOwner();

    QString Display() const { return window_->DisplayText(); }
    bool Enabled(int id) const;
    bool Visible(int id) const;

    ControllerSandbox sandbox_;
    QString dataDir_;
    MessageRecorder messages_;
    TestWindowFactory factory_;
    std::unique_ptr<CTorvikCommandCentre> controller_;
    QPointer<CTorvikMainDlg> window_;
};

// The display line's texts end in this pad.
inline QString Pad(const QString& text) {
    return text + QString(20, QLatin1Char(' '));
}

}  // namespace velotune::test
