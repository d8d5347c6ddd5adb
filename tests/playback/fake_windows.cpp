#include "tests/playback/fake_windows.h"

#include "platform/winmsg/winmsg.h"

namespace velotune::test {

void MessageLog::Record(QEvent* event) {
    if (const platform::WindowMessage* m = platform::AsWindowMessage(event))
        messages.append({m->Message(), static_cast<int>(m->WParam()), QThread::currentThread()});
}

QList<int> MessageLog::Params(int message) const {
    QList<int> params;
    for (const ReceivedMessage& m : messages)
        if (m.message == message)
            params.append(m.wParam);
    return params;
}

bool MessageLog::AllOnThread(QThread* thread) const {
    for (const ReceivedMessage& m : messages)
        if (m.thread != thread)
            return false;
    return true;
}

FakeMainWindow::FakeMainWindow() {
    resize(300, 104);
}
FakeMainWindow::~FakeMainWindow() = default;

void FakeMainWindow::UpdatePresets(int refresh) {
    if (refresh)
        ++presetRefreshes;
    presetsEnabled = refresh != 0;
}

bool FakeMainWindow::SetTopmost(bool on) {
    if (topmostWorks)
        topmost = on;
    return topmostWorks;
}

QList<int> StoredRows(CTorvikCommandCentre& controller, int mode) {
    QList<int> rows;
    if (mode == CTorvikCommandCentre::kFileListMode) {
        QStringList entries;
        controller.Settings().ReadFileEntries(&entries);
        for (int i = 1; i <= entries.size(); ++i)
            rows.append(i);
    } else {
        PlaylistList list;
        controller.LoadPlaylist(list);
        for (const CPlaylistSet& entry : list)
            rows.append(entry.m_RadioID);
    }
    return rows;
}

FakeListWindow::FakeListWindow(CTorvikCommandCentre& c, int listMode, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint), controller(c), mode(listMode) {
    resize(300, 250);
    Fill();
}

FakeListWindow::~FakeListWindow() {
    controller.ListWindowDestroyed(this);
}

void FakeListWindow::Fill() {
    ++fills;
    itemData = StoredRows(controller, mode);
}

int FakeListWindow::ItemData(int row) const {
    return row >= 1 && row <= itemData.size() ? itemData.at(row - 1) : 0;
}

void FakeListWindow::EnableButtons(bool enable) {
    for (int id : {kIdRemove, kIdUp, kIdDown})
        enabled[id] = enable;
}

IListWindow* FakeWindowFactory::CreatePlaylistWindow(CTorvikCommandCentre& controller,
                                                     QWidget* parent) {
    ++listWindowsMade;
    playlist = new FakeListWindow(controller, CTorvikCommandCentre::kPlaylistMode, parent);
    return playlist;
}

IListWindow* FakeWindowFactory::CreateFileListWindow(CTorvikCommandCentre& controller,
                                                     QWidget* parent) {
    ++listWindowsMade;
    fileList = new FakeListWindow(controller, CTorvikCommandCentre::kFileListMode, parent);
    return fileList;
}

std::unique_ptr<ITrayIcon> FakeWindowFactory::CreateTrayIcon(CTorvikCommandCentre&) {
    auto icon = std::make_unique<FakeTrayIcon>(trayWorks);
    tray = icon.get();
    return icon;
}

bool FakeWindowFactory::RunStationFinder(CTorvikCommandCentre&, int playingRadioId) {
    finderRuns.append(playingRadioId);
    return true;
}

bool FakeWindowFactory::RunStationEditor(CTorvikCommandCentre&, int radioId) {
    editorRuns.append(radioId);
    return true;
}

bool FakeWindowFactory::RunOptionsDialog(CTorvikCommandCentre&, OptionsChoices* choices) {
    *choices = options;
    return true;
}

}  // namespace velotune::test
