// platform/mpris/mpris.h
//
// The player's media-player object on the D-Bus session bus, as desktop media controls, media
// keys, lock screens and playerctl expect it: the bus name "org.mpris.MediaPlayer2.velotune"
// with one object at /org/mpris/MediaPlayer2 that offers the interfaces
// org.mpris.MediaPlayer2.xml and org.mpris.MediaPlayer2.Player.xml beside this header.
//
// The program supplies an MprisPlayer: what the object shows (State) and what its methods do.
// After anything that State() reports may have changed, the program calls Changed(); the object
// compares the new state with the one it last announced and sends PropertiesChanged for every
// property that differs, so callers need not know which property a change touched.
//
// Threading: user-interface thread only (the thread of the QCoreApplication). Calls from the bus
// arrive there, one at a time, between other events.
// Without a session bus Register fails and nothing else happens; the player runs on without it.
#pragma once

#include <QString>
#include <memory>

namespace velotune::platform {

namespace mpris_detail {
class MprisObject;
}

inline constexpr char kMprisBusName[] = "org.mpris.MediaPlayer2.velotune";
inline constexpr char kMprisObjectPath[] = "/org/mpris/MediaPlayer2";

struct MprisState {
    enum class Status { kStopped, kPlaying, kPaused };
    Status status = Status::kStopped;
    // The entry that plays (or would play). No metadata at all when trackId is empty.
    QString trackId;  // an object path, "/net/velotune/..."
    QString title;
    QString artist;  // empty: not known
    QString album;
    QString url;
    QString artUrl;       // empty: none
    double volume = 0.0;  // 0.0 .. 1.0
    bool canPlay = false;
    bool canPause = false;
    bool canGoNext = false;
    bool canGoPrevious = false;
    friend bool operator==(const MprisState&, const MprisState&) = default;
};

// What the object shows and does. Every call is made on the user-interface thread from a call on
// the bus, which is answered once the call returns: do the work promptly.
class MprisPlayer {
public:
    virtual ~MprisPlayer() = default;
    virtual MprisState State() const = 0;
    virtual void Raise() = 0;
    virtual void Quit() = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;
    virtual void PlayPause() = 0;
    virtual void Stop() = 0;
    virtual void Next() = 0;
    virtual void Previous() = 0;
    // volume is already limited to 0.0 .. 1.0.
    virtual void SetVolume(double volume) = 0;
};

class MprisRegistration {
public:
    // identity: the player's name ("Velotune"); desktopEntry: its desktop entry's id without
    // ".desktop". `player` must outlive the registration.
    MprisRegistration(MprisPlayer& player, QString identity, QString desktopEntry);
    // Revokes the registration.
    ~MprisRegistration();
    MprisRegistration(const MprisRegistration&) = delete;
    MprisRegistration& operator=(const MprisRegistration&) = delete;

    // Exports the object and takes the bus name. False when there is no session bus, the name is
    // owned by another process, or the bus refused; the reason is logged. Registering twice is
    // true and changes nothing.
    bool Register();
    // Gives the name up and withdraws the object. Does nothing when not registered.
    void Revoke();
    bool IsRegistered() const { return registered_; }

    // Announces every property whose value differs from the last announcement.
    void Changed();

private:
    MprisPlayer& player_;
    bool registered_ = false;
    std::unique_ptr<mpris_detail::MprisObject> object_;  // with its two adaptors
    MprisState announced_;                               // what the bus was last told
};

}  // namespace velotune::platform
