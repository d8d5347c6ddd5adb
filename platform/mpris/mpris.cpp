#include "platform/mpris/mpris.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QLoggingCategory>
#include <algorithm>

#include "platform/mpris/mpris_object.h"
#include "platform/mpris/mpris_player_adaptor.h"
#include "platform/mpris/mpris_root_adaptor.h"

Q_LOGGING_CATEGORY(lcMpris, "velotune.mpris", QtInfoMsg)

namespace velotune::platform {
namespace {

constexpr char kPlayerInterface[] = "org.mpris.MediaPlayer2.Player";

}  // namespace

namespace mpris_detail {

QStringList MprisObject::SupportedUriSchemes() const {
    return {QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("mms"),
            QStringLiteral("rtsp"), QStringLiteral("file")};
}

QStringList MprisObject::SupportedMimeTypes() const {
    return {QStringLiteral("audio/mpeg"),     QStringLiteral("audio/aac"),
            QStringLiteral("audio/ogg"),      QStringLiteral("audio/flac"),
            QStringLiteral("audio/mp4"),      QStringLiteral("audio/x-wav"),
            QStringLiteral("audio/x-ms-wma"), QStringLiteral("audio/x-pn-realaudio")};
}

void MprisObject::SetVolume(double volume) {
    // Out-of-range values are limited, as the interface asks; a NaN means nothing.
    if (volume != volume)
        return;
    player_.SetVolume(std::clamp(volume, 0.0, 1.0));
}

QString MprisObject::StatusText(MprisState::Status status) {
    switch (status) {
        case MprisState::Status::kPlaying:
            return QStringLiteral("Playing");
        case MprisState::Status::kPaused:
            return QStringLiteral("Paused");
        case MprisState::Status::kStopped:
            break;
    }
    return QStringLiteral("Stopped");
}

QVariantMap MprisObject::MetadataOf(const MprisState& state) {
    QVariantMap map;
    if (state.trackId.isEmpty())
        return map;
    map.insert(QStringLiteral("mpris:trackid"),
               QVariant::fromValue(QDBusObjectPath(state.trackId)));
    if (!state.title.isEmpty())
        map.insert(QStringLiteral("xesam:title"), state.title);
    if (!state.artist.isEmpty())
        map.insert(QStringLiteral("xesam:artist"), QStringList{state.artist});
    if (!state.album.isEmpty())
        map.insert(QStringLiteral("xesam:album"), state.album);
    if (!state.url.isEmpty())
        map.insert(QStringLiteral("xesam:url"), state.url);
    if (!state.artUrl.isEmpty())
        map.insert(QStringLiteral("mpris:artUrl"), state.artUrl);
    return map;
}

}  // namespace mpris_detail

using mpris_detail::MprisObject;

MprisRegistration::MprisRegistration(MprisPlayer& player, QString identity, QString desktopEntry)
    : player_(player),
      object_(std::make_unique<MprisObject>(player, std::move(identity), std::move(desktopEntry))) {
    // The adaptors are children of the object and go with it.
    new MprisRootAdaptor(object_.get());
    new MprisPlayerAdaptor(object_.get());
}

MprisRegistration::~MprisRegistration() {
    Revoke();
}

bool MprisRegistration::Register() {
    if (registered_)
        return true;
    if (!QCoreApplication::instance())
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCInfo(lcMpris) << "no session bus:" << bus.lastError().message();
        return false;
    }
    if (!bus.registerObject(QString::fromLatin1(kMprisObjectPath), object_.get(),
                            QDBusConnection::ExportAdaptors)) {
        qCWarning(lcMpris) << "the media-player object could not be exported";
        return false;
    }
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus.interface()->registerService(QString::fromLatin1(kMprisBusName),
                                         QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        qCWarning(lcMpris) << "the bus name" << kMprisBusName
                           << "is not ours:" << reply.error().message();
        bus.unregisterObject(QString::fromLatin1(kMprisObjectPath));
        return false;
    }
    registered_ = true;
    announced_ = player_.State();
    qCInfo(lcMpris) << "registered as" << kMprisBusName;
    return true;
}

void MprisRegistration::Revoke() {
    if (!registered_)
        return;
    registered_ = false;
    if (!QCoreApplication::instance())
        return;  // the bus drops the name when the process ends
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.interface()->unregisterService(QString::fromLatin1(kMprisBusName));
    bus.unregisterObject(QString::fromLatin1(kMprisObjectPath));
}

void MprisRegistration::Changed() {
    if (!registered_)
        return;
    const MprisState now = player_.State();
    if (now == announced_)
        return;
    QVariantMap changed;
    if (now.status != announced_.status)
        changed.insert(QStringLiteral("PlaybackStatus"), MprisObject::StatusText(now.status));
    if (MprisObject::MetadataOf(now) != MprisObject::MetadataOf(announced_))
        changed.insert(QStringLiteral("Metadata"), MprisObject::MetadataOf(now));
    if (now.volume != announced_.volume)
        changed.insert(QStringLiteral("Volume"), now.volume);
    if (now.canPlay != announced_.canPlay)
        changed.insert(QStringLiteral("CanPlay"), now.canPlay);
    if (now.canPause != announced_.canPause)
        changed.insert(QStringLiteral("CanPause"), now.canPause);
    if (now.canGoNext != announced_.canGoNext)
        changed.insert(QStringLiteral("CanGoNext"), now.canGoNext);
    if (now.canGoPrevious != announced_.canGoPrevious)
        changed.insert(QStringLiteral("CanGoPrevious"), now.canGoPrevious);
    announced_ = now;
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(kMprisObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kPlayerInterface) << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

}  // namespace velotune::platform
