// app/media_controls.h
//
// CTorvikMediaControls puts the player on the desktop's media controls: it is the MprisPlayer of
// the player's media-player object (platform/mpris), "org.mpris.MediaPlayer2.velotune" on the
// session bus, so media keys, lock screens, desktop widgets and playerctl drive it.
//
//   Play      what the Play button does: the selected row of the current list plays; a paused
//             file resumes
//   Pause     a file pauses as the Pause button pauses it; a station, which cannot be held,
//             stops as with the Stop button
//   PlayPause Pause while something plays, Play otherwise
//   Stop      the Stop button
//   Next,     the Next and Previous buttons select the next or previous row of the current list;
//   Previous  while something plays, the new row then plays as with the Play button
//   Volume    the volume slider, 0.0 (silent) to 1.0, both ways
//   Raise     the tray icon's left click: the main window shows and comes forward
//   Quit      the automation object's CloseTorvik
// Metadata names the playing row (or, when nothing plays, the selected one): its station or file
// name and address, and the song's title and artist as the stream or file names them.
//
// The object announces itself when the player has started and withdraws when it ends; it hears
// of changes through the controller's change listener.
//
// Threading: user-interface thread only.
// Ownership: the application object makes it after the main window and destroys it before.
#pragma once

#include "platform/mpris/mpris.h"

namespace velotune {

class CTorvikApp;

class CTorvikMediaControls final : public platform::MprisPlayer {
public:
    explicit CTorvikMediaControls(CTorvikApp& app);
    // Withdraws from the bus and from the controller.
    ~CTorvikMediaControls() override;
    CTorvikMediaControls(const CTorvikMediaControls&) = delete;
    CTorvikMediaControls& operator=(const CTorvikMediaControls&) = delete;

    // Takes the bus name and listens to the controller. False when the bus is not there or the
    // name is taken (logged); the player runs on without media controls.
    bool Register();

    platform::MprisState State() const override;
    void Raise() override;
    void Quit() override;
    void Play() override;
    void Pause() override;
    void PlayPause() override;
    void Stop() override;
    void Next() override;
    void Previous() override;
    void SetVolume(double volume) override;

private:
    void Step(int buttonId);

    CTorvikApp& app_;
    platform::MprisRegistration registration_;
};

// Splits a song title of the form "Artist - Title" into its two parts; a title without " - "
// has no artist.
struct SongTitle {
    QString artist;
    QString title;
};
SongTitle SplitSongTitle(const QString& text);

}  // namespace velotune
