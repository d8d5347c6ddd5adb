// tests/stations_ui/stations_fixture.h
//
// The station windows on a real controller, a real station database file and a private settings
// file, with a stand-in main window that records the messages it receives.
//
// The database: countries Ireland (with the states Leinster, Munster and Connacht), France
// (without states) and the second spelling IRELAND; genres Pop, Rock and Jazz; stations 1-7
// (station 7 has no stream format, so no search lists it); stations 1-4 on the playlist.
#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QTreeWidget>
#include <functional>
#include <memory>

#include "playback/command_centre.h"
#include "stationdb/dbwriter.h"
#include "stations_ui/station_windows.h"
#include "tests/playback/controller_sandbox.h"
#include "tests/playback/fake_windows.h"
#include "tests/support/message_recorder.h"

namespace velotune::test {

// The application's factory as far as the station windows go.
class StationWindowFactory : public IPlayerWindowFactory {
public:
    IListWindow* CreatePlaylistWindow(CTorvikCommandCentre& c, QWidget* parent) override;
    IListWindow* CreateFileListWindow(CTorvikCommandCentre& c, QWidget* parent) override;
    std::unique_ptr<ISystemMenu> CreateSystemMenu(CTorvikCommandCentre&) override { return {}; }
    std::unique_ptr<IOpenMenu> CreateOpenMenu(CTorvikCommandCentre&) override { return {}; }
    std::unique_ptr<ITrayIcon> CreateTrayIcon(CTorvikCommandCentre&) override { return {}; }
    bool RunStationFinder(CTorvikCommandCentre& c, int playingRadioId) override {
        return stations.RunStationFinder(c, playingRadioId);
    }
    bool RunStationEditor(CTorvikCommandCentre& c, int radioId) override {
        return stations.RunStationEditor(c, radioId);
    }
    bool RunOptionsDialog(CTorvikCommandCentre&, OptionsChoices*) override { return false; }

    CStationWindows stations;
    IListWindow* playlist = nullptr;  // the latest ones made
    IListWindow* fileList = nullptr;
    int playlistsMade = 0;
};

CRadioSet Station(const char* name, const char* genre, const char* country, const char* state,
                  const char* city, const char* format = "WMP");

class StationsUiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The fixture's database content, which a test may change before Start().
    static StationDbContent DefaultContent();
    // Writes the database, points the settings at a fresh folder and makes the controller with
    // the main window registered.
    void Start(const StationDbContent& content = DefaultContent());

    static bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 20000) {
        return WaitForEvents(pred, timeoutMs);
    }
    static void Drain() { DrainEvents(); }

    PlaylistList StoredPlaylist();
    CRadioSet StoredStation(int radioId);

    // Control by id under a window.
    template <typename T>
    static T* Control(const QWidget* window, int id) {
        T* control = window->findChild<T*>(QString::number(id));
        EXPECT_NE(control, nullptr) << "no control " << id;
        return control;
    }
    // The texts of one column, and the item data of the rows.
    static QStringList Column(const QTreeWidget* list, int column);
    static QList<int> Ids(const QTreeWidget* list);
    // Chooses the entry of exactly that text, as the user would.
    static void Choose(QComboBox* list, const QString& text);
    static QStringList Entries(const QComboBox* list);
    // A left click on a row (1-based) of a list, or below its last row (row 0).
    static void ClickRow(QTreeWidget* list, int row);

    MessageRecorder messages_;
    StationWindowFactory factory_;
    std::unique_ptr<FakeMainWindow> main_;
    std::unique_ptr<CTorvikCommandCentre> controller_;

private:
    ControllerSandbox sandbox_;
};

}  // namespace velotune::test
