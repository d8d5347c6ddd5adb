// platform/mpris/mpris_object.h (internal)
//
// The object that MprisRegistration exports. The adaptors generated from the two interface files
// read its properties by name and call its methods; it forwards both to the program's
// MprisPlayer. It lives on the user-interface thread, so the bus delivers calls there.
#pragma once

#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include "platform/mpris/mpris.h"

namespace velotune::platform::mpris_detail {

class MprisObject : public QObject {
    Q_OBJECT
    // org.mpris.MediaPlayer2
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
    // org.mpris.MediaPlayer2.Player
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPause)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)

public:
    MprisObject(MprisPlayer& player, QString identity, QString desktopEntry)
        : player_(player), identity_(std::move(identity)), desktopEntry_(std::move(desktopEntry)) {}

    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return identity_; }
    QString DesktopEntry() const { return desktopEntry_; }
    QStringList SupportedUriSchemes() const;
    QStringList SupportedMimeTypes() const;

    QString PlaybackStatus() const { return StatusText(player_.State().status); }
    double Rate() const { return 1.0; }
    void SetRate(double) {}
    QVariantMap Metadata() const { return MetadataOf(player_.State()); }
    double Volume() const { return player_.State().volume; }
    void SetVolume(double volume);
    qlonglong Position() const { return 0; }
    bool CanGoNext() const { return player_.State().canGoNext; }
    bool CanGoPrevious() const { return player_.State().canGoPrevious; }
    bool CanPlay() const { return player_.State().canPlay; }
    bool CanPause() const { return player_.State().canPause; }
    bool CanSeek() const { return false; }
    bool CanControl() const { return true; }

    // The methods the adaptors call.
    void Raise() { player_.Raise(); }
    void Quit() { player_.Quit(); }
    void Next() { player_.Next(); }
    void Previous() { player_.Previous(); }
    void Pause() { player_.Pause(); }
    void PlayPause() { player_.PlayPause(); }
    void Stop() { player_.Stop(); }
    void Play() { player_.Play(); }
    void Seek(qlonglong) {}
    void SetPosition(const QDBusObjectPath&, qlonglong) {}
    void OpenUri(const QString&) {}

    static QString StatusText(MprisState::Status status);
    static QVariantMap MetadataOf(const MprisState& state);

Q_SIGNALS:
    // Declared by the interface; never sent, as nothing here has a position.
    void Seeked(qlonglong position);

private:
    MprisPlayer& player_;
    const QString identity_;
    const QString desktopEntry_;
};

}  // namespace velotune::platform::mpris_detail
