#include "app/media_controls.h"

#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <cmath>

#include "app/torvik_app.h"
#include "playback/command_centre.h"
#include "res/texts.h"
#include "settings/settings_store.h"
#include "skin/controls/skinslider.h"
#include "skin/main_window.h"

namespace velotune {

using platform::MprisState;

SongTitle SplitSongTitle(const QString& text) {
    const QString trimmed = text.trimmed();
    const qsizetype dash = trimmed.indexOf(QStringLiteral(" - "));
    if (dash <= 0)
        return {QString(), trimmed};
    const QString artist = trimmed.left(dash).trimmed();
    const QString title = trimmed.mid(dash + 3).trimmed();
    if (artist.isEmpty() || title.isEmpty())
        return {QString(), trimmed};
    return {artist, title};
}

CTorvikMediaControls::CTorvikMediaControls(CTorvikApp& app)
    : app_(app),
      registration_(*this, QString::fromUtf8(text::kProductName),
                    QString::fromUtf8(text::kDesktopEntryId)) {}

CTorvikMediaControls::~CTorvikMediaControls() {
    if (CTorvikCommandCentre* controller = app_.Controller())
        controller->SetChangeListener({});
    registration_.Revoke();
}

bool CTorvikMediaControls::Register() {
    if (!registration_.Register())
        return false;
    if (CTorvikCommandCentre* controller = app_.Controller())
        controller->SetChangeListener([this] { registration_.Changed(); });
    return true;
}

MprisState CTorvikMediaControls::State() const {
    MprisState state;
    CTorvikCommandCentre* controller = app_.Controller();
    CTorvikMainDlg* window = app_.MainWindow();
    if (!controller || !window)
        return state;

    const bool playing = controller->IsPlaying();
    const bool fileList = controller->GetListMode() == CTorvikCommandCentre::kFileListMode;
    if (playing)
        state.status =
            window->IsPaused() ? MprisState::Status::kPaused : MprisState::Status::kPlaying;
    state.volume = (100 - window->VolumePosition()) / 100.0;

    const int selected = controller->GetSelectedIndex();
    const int row =
        playing && controller->GetPlayingIndex() != 0 ? controller->GetPlayingIndex() : selected;
    int rows = 0;
    if (fileList) {
        QStringList entries;
        if (CSettingsStore().ReadFileEntries(&entries))
            rows = static_cast<int>(entries.size());
        if (row >= 1 && row <= rows) {
            const QString entry = entries.at(row - 1);
            const QString separator = QString::fromUtf8(text::kFileEntrySeparator);
            const qsizetype split = entry.indexOf(separator);
            if (split > 0) {
                state.trackId = QStringLiteral("/net/velotune/file/%1").arg(row);
                state.title = entry.left(split);
                state.url = QUrl::fromLocalFile(entry.mid(split + separator.size())).toString();
            }
        }
    } else {
        rows = controller->PlaylistRowCount();
        const int radioId = controller->StationIdAt(row);
        CRadioSet station;
        if (radioId > 0 && controller->GetStation(radioId, station) == kDbOk) {
            state.trackId = QStringLiteral("/net/velotune/station/%1").arg(radioId);
            state.title = station.m_StationName;
            state.album = station.m_StationName;
            state.url = station.m_StreamURL;
        }
    }
    if (playing && !state.trackId.isEmpty()) {
        const SongTitle song = SplitSongTitle(controller->NowPlayingTitle());
        if (!song.title.isEmpty()) {
            state.title = song.title;
            state.artist = song.artist;
        }
    }

    state.canPlay = selected != 0;
    state.canPause = playing;
    state.canGoNext = selected != 0 && selected < rows;
    state.canGoPrevious = selected > 1;
    return state;
}

void CTorvikMediaControls::Raise() {
    CTorvikCommandCentre* controller = app_.Controller();
    CTorvikMainDlg* window = app_.MainWindow();
    if (!controller || !window)
        return;
    if (!window->isVisible())
        controller->HideToTray(1);  // shows it with the list window it had
    else if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
}

void CTorvikMediaControls::Quit() {
    app_.RequestExit(1);
}

void CTorvikMediaControls::Play() {
    CTorvikCommandCentre* controller = app_.Controller();
    CTorvikMainDlg* window = app_.MainWindow();
    if (!controller || !window)
        return;
    if (controller->IsPlaying()) {
        if (window->IsPaused())
            window->Command(kIdPause);  // the Pause button again resumes
        return;
    }
    window->Command(kIdPlay);
}

void CTorvikMediaControls::Pause() {
    CTorvikCommandCentre* controller = app_.Controller();
    CTorvikMainDlg* window = app_.MainWindow();
    if (!controller || !window || !controller->IsPlaying() || window->IsPaused())
        return;
    if (controller->GetPlaybackStatus() == kStatusFile)
        window->Command(kIdPause);
    else
        window->Command(kIdStop);
    controller->NotifyChanged();
}

void CTorvikMediaControls::PlayPause() {
    CTorvikCommandCentre* controller = app_.Controller();
    CTorvikMainDlg* window = app_.MainWindow();
    if (!controller || !window)
        return;
    if (controller->IsPlaying() && !window->IsPaused())
        Pause();
    else
        Play();
}

void CTorvikMediaControls::Stop() {
    CTorvikCommandCentre* controller = app_.Controller();
    CTorvikMainDlg* window = app_.MainWindow();
    if (controller && window && controller->IsPlaying())
        window->Command(kIdStop);
}

void CTorvikMediaControls::Next() {
    Step(kIdNext);
}

void CTorvikMediaControls::Previous() {
    Step(kIdPrev);
}

void CTorvikMediaControls::Step(int buttonId) {
    CTorvikCommandCentre* controller = app_.Controller();
    CTorvikMainDlg* window = app_.MainWindow();
    if (!controller || !window)
        return;
    const bool playing = controller->IsPlaying();
    const int before = controller->GetSelectedIndex();
    window->Command(buttonId);
    if (playing && controller->GetSelectedIndex() != before)
        window->Command(kIdPlay);
}

void CTorvikMediaControls::SetVolume(double volume) {
    CTorvikCommandCentre* controller = app_.Controller();
    CTorvikMainDlg* window = app_.MainWindow();
    if (!controller || !window)
        return;
    const int level = static_cast<int>(std::lround(volume * 100));
    // The slider shows the volume upside down: position 0 is the loudest.
    window->VolumeSlider()->setValue(100 - level);
    controller->SetVolume(level);
}

}  // namespace velotune
