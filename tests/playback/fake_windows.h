// tests/playback/fake_windows.h
//
// Stand-ins for the windows the controller drives, for tests only: plain widgets that implement
// the window interfaces, record what the controller did to them, and record the window messages
// they receive together with the thread that handled them.
#pragma once

#include <QList>
#include <QMap>
#include <QStringList>
#include <QThread>
#include <QWidget>

#include "playback/command_centre.h"
#include "playback/player_windows.h"

namespace velotune::test {

struct ReceivedMessage {
    int message = 0;
    int wParam = 0;
    QThread* thread = nullptr;
};

// Records window messages posted to it.
class MessageLog {
public:
    void Record(QEvent* event);
    QList<ReceivedMessage> messages;
    // The wParams of the messages with that number, in arrival order.
    QList<int> Params(int message) const;
    bool AllOnThread(QThread* thread) const;
};

class FakeMainWindow : public QWidget, public IMainWindow {
public:
    FakeMainWindow();
    ~FakeMainWindow() override;

    QWidget* Widget() override { return this; }
    void EnableControl(int id, bool enable) override { enabled[id] = enable; }
    void SetDisplayText(const QString& text) override { display = text; }
    int VolumePosition() const override { return volumePosition; }
    void DisablePresets() override { presetsEnabled = false; }
    void UpdatePresets(int refresh) override;
    void SetOpenButtonTip(const QString& tip) override { openTip = tip; }
    void ShowCurrentList() override { ++listRefreshes; }
    int IsMini() const override { return mini; }
    bool SetTopmost(bool on) override;
    void DestroyWindow() override { destroyed = true; }

    QMap<int, bool> enabled;
    QString display;
    int volumePosition = 50;
    bool presetsEnabled = true;
    int presetRefreshes = 0;
    QString openTip;
    int listRefreshes = 0;
    int mini = 0;
    bool topmostWorks = true;
    bool topmost = false;
    bool destroyed = false;
    MessageLog log;

protected:
    void customEvent(QEvent* event) override { log.Record(event); }
};

// A window that only receives messages (the station finder as a test-play owner).
class MessageWindow : public QObject {
public:
    MessageLog log;

protected:
    void customEvent(QEvent* event) override { log.Record(event); }
};

// The item data of the rows of a list window of that mode: the stored playlist's RadioIDs, or
// the file list's 1-based numbers.
QList<int> StoredRows(CTorvikCommandCentre& controller, int mode);

class FakeListWindow : public QWidget, public IListWindow {
public:
    FakeListWindow(CTorvikCommandCentre& controller, int mode, QWidget* parent);
    ~FakeListWindow() override;  // tells the controller

    QWidget* Widget() override { return this; }
    void Fill() override;
    void SelectRow(int row) override { selectedRow = row; }
    int ItemData(int row) const override;
    int RowCount() const override { return static_cast<int>(itemData.size()); }
    void EnableButtons(bool enable) override;
    void EnableControl(int id, bool enable) override { enabled[id] = enable; }
    bool IsBound() const override { return bound; }
    bool IsBottomBound() const override { return bottomBound; }

    CTorvikCommandCentre& controller;
    const int mode;
    QList<int> itemData;
    int fills = 0;
    int selectedRow = 0;
    QMap<int, bool> enabled;
    bool bound = true;
    bool bottomBound = true;
};

class FakeTrayIcon : public ITrayIcon {
public:
    explicit FakeTrayIcon(bool works) : works_(works) {}
    bool AddIcon() override {
        shown = works_;
        return works_;
    }
    void RemoveIcon() override { shown = false; }
    void SetTip(const QString& text) override { tip = text; }
    bool shown = false;
    QString tip;

private:
    bool works_;
};

class FakeWindowFactory : public IPlayerWindowFactory {
public:
    IListWindow* CreatePlaylistWindow(CTorvikCommandCentre& controller, QWidget* parent) override;
    IListWindow* CreateFileListWindow(CTorvikCommandCentre& controller, QWidget* parent) override;
    std::unique_ptr<ISystemMenu> CreateSystemMenu(CTorvikCommandCentre&) override { return {}; }
    std::unique_ptr<IOpenMenu> CreateOpenMenu(CTorvikCommandCentre&) override { return {}; }
    std::unique_ptr<ITrayIcon> CreateTrayIcon(CTorvikCommandCentre&) override;
    bool RunStationFinder(CTorvikCommandCentre&, int playingRadioId) override;
    bool RunStationEditor(CTorvikCommandCentre&, int radioId) override;
    bool RunOptionsDialog(CTorvikCommandCentre&, OptionsChoices* choices) override;

    FakeListWindow* playlist = nullptr;  // the latest ones made
    FakeListWindow* fileList = nullptr;
    int listWindowsMade = 0;
    bool trayWorks = true;
    FakeTrayIcon* tray = nullptr;
    QList<int> finderRuns;  // the playing RadioID each run was given
    QList<int> editorRuns;
    OptionsChoices options;  // what the Options dialog is answered with
};

}  // namespace velotune::test
