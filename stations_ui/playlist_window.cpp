#include "stations_ui/playlist_window.h"

#include <QSignalBlocker>
#include <QTreeWidget>
#include <utility>

#include "playback/command_centre.h"
#include "res/texts.h"
#include "stations_ui/dialog_util.h"

namespace velotune {

using stations_ui::Text;

CPlaylistWindow::CPlaylistWindow(CTorvikCommandCentre& controller, QWidget* parent)
    : CListWindow(controller, Kind::Playlist, parent) {
    SetColumns({{Text(text::kListColumnNumber), 20},
                {Text(text::kPlaylistColumnName), 100},
                {Text(text::kPlaylistColumnFrequency), 40},
                {Text(text::kPlaylistColumnGenre), 100}});
    Fill();
    // The controller's selection is the one the buttons act on (it starts as the stored
    // "Current Playlist ID"), so the window shows that one.
    SelectInitialRow(controller_.GetSelectedStationIndex());
}

CPlaylistWindow::~CPlaylistWindow() = default;

void CPlaylistWindow::Fill() {
    PlaylistList entries;
    if (controller_.LoadPlaylist(entries) != kDbOk)
        return;
    QTreeWidget* list = List();
    const QSignalBlocker blocker(list);
    list->clear();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const std::int32_t radioId = entries.at(i).m_RadioID;
        auto* row = new QTreeWidgetItem;
        row->setText(kColNumber, QString::number(i + 1));
        row->setData(kColNumber, Qt::UserRole, radioId);
        // An entry whose station is gone keeps its row, numbered and empty, without a message
        // on every refill.
        bool exists = false;
        CRadioSet station;
        if (controller_.StationExists(radioId, exists) == kDbOk && exists &&
            controller_.GetStation(radioId, station) == kDbOk) {
            row->setText(kColName, station.m_StationName);
            row->setText(kColFrequency, station.m_Frequency);
            row->setText(kColGenre, station.m_GenreOne);
        }
        rows.append(row);
    }
    list->addTopLevelItems(rows);
}

void CPlaylistWindow::OnAdd() {
    controller_.AddStation();
}

void CPlaylistWindow::OnEdit() {
    controller_.StationInfo();
}

void CPlaylistWindow::OnRemove() {
    controller_.RemoveStation();
}

void CPlaylistWindow::OnRowDoubleClicked(int row) {
    IMainWindow* main = controller_.MainWindow();
    if (!main || row != controller_.GetSelectedIndex())
        return;
    // The station that plays already goes on playing.
    if (controller_.IsPlaying() && controller_.GetPlayingIndex() == row)
        return;
    controller_.Play(0, main->Widget());
}

void CPlaylistWindow::MoveUp() {
    const int selected = controller_.GetSelectedIndex();
    if (selected <= 1 || selected > RowCount())
        return;
    Move(selected, selected - 1);
}

void CPlaylistWindow::MoveDown() {
    const int selected = controller_.GetSelectedIndex();
    if (selected <= 0 || selected >= RowCount())
        return;
    Move(selected, selected + 1);
}

void CPlaylistWindow::Move(int selected, int to) {
    SwapRows(selected - 1, to - 1);

    PlaylistList entries;
    if (controller_.LoadPlaylist(entries) == kDbOk && selected <= entries.size() &&
        to <= entries.size()) {
        std::swap(entries[selected - 1].m_RadioID, entries[to - 1].m_RadioID);
        controller_.SavePlaylist(entries);
    }

    controller_.SetSelectedIndex(to);
    if (controller_.IsPlaying()) {
        const int playing = controller_.GetPlayingIndex();
        if (playing == selected)
            controller_.SetPlayingIndex(to);
        else if (playing == to)
            controller_.SetPlayingIndex(selected);
    }
    controller_.PlaylistChanged(1);
}

}  // namespace velotune
