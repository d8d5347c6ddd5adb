#include "tests/skin/main_window_fixture.h"

#include "platform/winmsg/winmsg.h"
#include "playback/player_messages.h"
#include "res/resource_ids.h"
#include "skin/controls/skinbutton.h"
#include "stationdb/radiodatabase.h"
#include "tests/playback/fake_windows.h"

namespace velotune::test {

TestListWindow::TestListWindow(CTorvikCommandCentre& controller, int mode, QWidget* parent)
    : CSkinDialog(parent, Qt::Tool), controller_(controller), mode_(mode) {
    SetSkin(res::kBmpListWindow, QColor::fromRgb(res::kKeyWindow));
    Fill();
}

TestListWindow::~TestListWindow() {
    controller_.ListWindowDestroyed(this);
}

void TestListWindow::Fill() {
    itemData = StoredRows(controller_, mode_);
}

int TestListWindow::ItemData(int row) const {
    return row >= 1 && row <= itemData.size() ? itemData.at(row - 1) : 0;
}

IListWindow* TestWindowFactory::CreatePlaylistWindow(CTorvikCommandCentre& controller,
                                                     QWidget* parent) {
    playlist = new TestListWindow(controller, CTorvikCommandCentre::kPlaylistMode, parent);
    return playlist;
}

IListWindow* TestWindowFactory::CreateFileListWindow(CTorvikCommandCentre& controller,
                                                     QWidget* parent) {
    fileList = new TestListWindow(controller, CTorvikCommandCentre::kFileListMode, parent);
    return fileList;
}

std::unique_ptr<ITrayIcon> TestWindowFactory::CreateTrayIcon(CTorvikCommandCentre&) {
    if (!trayAvailable)
        return {};
    auto icon = std::make_unique<TestTrayIcon>();
    tray = icon.get();
    return icon;
}

CRadioSet MakeStation(const QString& name, const QString& url) {
    CRadioSet station;
    station.m_StationName = name;
    station.m_StreamURL = url;
    station.m_StreamFormat = QStringLiteral("WMP");
    station.m_GenreOne = QStringLiteral("Pop");
    station.m_Country = QStringLiteral("Ireland");
    station.m_Active = 1;
    return station;
}

QString DeadUrl() {
    return QStringLiteral("http://127.0.0.1:1/none");
}

void MainWindowTest::MakeController(const QList<CRadioSet>& stations, const QList<int>& playlist) {
    StationDbContent content;
    content.edition = 7;
    content.stations = stations;
    // One more station, on no playlist, that never answers.
    content.stations.append(MakeStation(QStringLiteral("Nowhere FM"), DeadUrl()));
    content.countries = {QStringLiteral("Ireland")};
    content.genres = {QStringLiteral("Pop")};
    SetPlaylist(content, playlist);

    sandbox_.FreshSettings();
    // Real engines play through the null sound device; the RealSystem engine is not needed.
    controller_ = sandbox_.MakeController(content, &factory_);
    dataDir_ = sandbox_.dataDir;
}

void MainWindowTest::OpenWindow() {
    ASSERT_TRUE(controller_);
    window_ = new CTorvikMainDlg(*controller_);
    ASSERT_EQ(window_->Initialise(), CTorvikMainDlg::InitResult::kReady)
        << messages_.Last().toStdString();
    Drain();
}

void MainWindowTest::TearDown() {
    delete window_.data();  // and the list windows, its children
    if (controller_)
        controller_->Database().CloseDatabase();
    controller_.reset();
    Drain();
}

void MainWindowTest::AddFileEntry(const QString& fileName, const QString& path) {
    ASSERT_TRUE(controller_->Settings().AddFileEntry(fileName + QStringLiteral("::") + path));
    if (factory_.fileList)
        factory_.fileList->Fill();
}

void MainWindowTest::UseFileList(int row) {
    controller_->ShowFileList(window_, 1);
    controller_->SetSelectedIndex(row);
    platform::PostWindowMessage(window_, WM_PLAYER_SELECTION, row, 0);
    Drain();
}

void MainWindowTest::MakeWindowTheOwner() {
    // "Nowhere FM" is the last station.
    std::int32_t count = 0;
    ASSERT_EQ(controller_->GetStationCount(count), kDbOk);
    ASSERT_EQ(controller_->Play(count, window_), kCcPlaybackFailed);
    Drain();
}

bool MainWindowTest::Enabled(int id) const {
    const CSkinButton* button = window_->Button(id);
    return button && button->isEnabled();
}

bool MainWindowTest::Visible(int id) const {
    const CSkinButton* button = window_->Button(id);
    return button && button->isVisible();
}

}  // namespace velotune::test
