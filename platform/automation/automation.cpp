#include "platform/automation/automation.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QStandardPaths>
#include <optional>

#include "platform/automation/exported_objects.h"
#include "platform/automation/player_adaptor.h"
#include "platform/automation/updater_adaptor.h"

Q_LOGGING_CATEGORY(lcAutomation, "velotune.automation", QtInfoMsg)

namespace velotune::platform {
namespace {

constexpr AutomationIdentity kPlayerIdentity{kTorvikClassId, kTorvikProgId, kTorvikObjectPath,
                                             "ShowTorvik"};
constexpr AutomationIdentity kUpdaterIdentity{kTorvikDBUpdateClassId, kTorvikDBUpdateProgId,
                                              kTorvikDBUpdateObjectPath, "ShowTorvikDBUpdate"};

QString Latin1(const char* text) {
    return QString::fromLatin1(text);
}

// The session bus, or nothing when there is none. Qt's bus connections need the application
// object; without one there is no bus for us.
std::optional<QDBusConnection> SessionBus() {
    if (!QCoreApplication::instance()) {
        qCWarning(lcAutomation) << "no application object: the session bus is not available";
        return std::nullopt;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCInfo(lcAutomation) << "no session bus:" << bus.lastError().message();
        return std::nullopt;
    }
    return bus;
}

// Calls `method` on whoever owns the name of `server`. The call carries the no-auto-start flag,
// so the bus answers NameHasNoOwner at once instead of starting the program from its service
// file: looking for a running instance must never start one.
AutomationResult CallRunning(AutomationServer server, const char* method) {
    std::optional<QDBusConnection> bus = SessionBus();
    if (!bus)
        return AutomationResult::NoSessionBus;
    const AutomationIdentity& id = IdentityOf(server);
    QDBusMessage call = QDBusMessage::createMethodCall(Latin1(id.progId), Latin1(id.objectPath),
                                                       Latin1(id.progId), Latin1(method));
    call.setAutoStartService(false);
    const QDBusMessage reply = bus->call(call, QDBus::Block, kAutomationCallTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage) {
        qCInfo(lcAutomation) << "called" << method << "on the running" << id.progId;
        return AutomationResult::Ok;
    }
    const QString error = reply.errorName();
    if (error == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
        error == QDBusError::errorString(QDBusError::ServiceUnknown)) {
        qCDebug(lcAutomation) << id.progId << "is not running";
        return AutomationResult::NotRunning;
    }
    qCWarning(lcAutomation) << method << "on" << id.progId << "failed:" << error
                            << reply.errorMessage();
    return AutomationResult::CallFailed;
}

// One argument of a service file's Exec line. The bus splits that line as a shell would, so the
// path goes in single quotes, inside which nothing is special; a quote in the path itself closes
// the quoting, is escaped, and opens it again.
QString QuoteExecArgument(const QString& argument) {
    QString quoted = argument;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

}  // namespace

namespace automation_detail {

void ExportedObject::Dispatch(const std::function<void()>& handler, const char* method) {
    qCInfo(lcAutomation) << "received" << method;
    if (!handler)
        return;
    ++dispatching_;
    handler();
    --dispatching_;
}

}  // namespace automation_detail

const AutomationIdentity& IdentityOf(AutomationServer server) {
    return server == AutomationServer::Player ? kPlayerIdentity : kUpdaterIdentity;
}

const char* AutomationResultName(AutomationResult result) {
    switch (result) {
        case AutomationResult::Ok:
            return "ok";
        case AutomationResult::NoSessionBus:
            return "no session bus";
        case AutomationResult::NotRunning:
            return "not running";
        case AutomationResult::NameTaken:
            return "name taken";
        case AutomationResult::CallFailed:
            return "call failed";
        case AutomationResult::WriteFailed:
            return "write failed";
    }
    return "unknown";
}

bool IsAutomationLaunch(const QStringList& arguments) {
    for (const QString& argument : arguments) {
        if (argument.size() < 2 ||
            (argument.front() != QLatin1Char('-') && argument.front() != QLatin1Char('/')))
            continue;
        const QStringView flag = QStringView(argument).mid(1);
        if (flag.compare(u"Embedding", Qt::CaseInsensitive) == 0 ||
            flag.compare(u"Automation", Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

AutomationResult ShowRunningInstance(AutomationServer server) {
    return CallRunning(server, IdentityOf(server).showMethod);
}

AutomationResult CloseRunningPlayer() {
    return CallRunning(AutomationServer::Player, "CloseTorvik");
}

// ---- AutomationRegistration ---------------------------------------------------------------------

AutomationRegistration::AutomationRegistration(AutomationServer server, AutomationHandlers handlers)
    : server_(server) {
    // The adaptor is a child of its object; exporting the object with ExportAdaptors puts the
    // adaptor's interface on the bus and routes calls to the object's methods.
    if (server == AutomationServer::Player) {
        auto* object = new automation_detail::PlayerObject(std::move(handlers));
        new PlayerAdaptor(object);
        exported_.reset(object);
    } else {
        auto* object = new automation_detail::UpdaterObject(std::move(handlers));
        new UpdaterAdaptor(object);
        exported_.reset(object);
    }
}

AutomationRegistration::~AutomationRegistration() {
    Revoke();
    // Destroyed from inside one of its handlers: the call that runs it still uses the object.
    if (exported_ && exported_->Dispatching())
        exported_.release()->deleteLater();
}

AutomationResult AutomationRegistration::Register() {
    if (registered_)
        return AutomationResult::Ok;
    std::optional<QDBusConnection> bus = SessionBus();
    if (!bus)
        return AutomationResult::NoSessionBus;
    const AutomationIdentity& id = IdentityOf(server_);
    const QString name = Latin1(id.progId);
    const QString path = Latin1(id.objectPath);

    // The object goes on the bus before the name is taken, so that a caller who sees the name
    // owned always finds the object behind it.
    if (!bus->registerObject(path, exported_.get(), QDBusConnection::ExportAdaptors)) {
        qCWarning(lcAutomation) << path << "is already exported by this process";
        return AutomationResult::NameTaken;
    }
    // Never queued: a request for a name that someone else owns fails at once.
    if (!bus->registerService(name)) {
        bus->unregisterObject(path);
        const QDBusReply<bool> owned = bus->interface()->isServiceRegistered(name);
        if (owned.isValid() && owned.value()) {
            qCInfo(lcAutomation) << name << "is owned by another process";
            return AutomationResult::NameTaken;
        }
        qCWarning(lcAutomation) << "could not take" << name << ":" << bus->lastError().message();
        return AutomationResult::CallFailed;
    }
    registered_ = true;
    qCInfo(lcAutomation) << "registered" << name;
    return AutomationResult::Ok;
}

void AutomationRegistration::Revoke() {
    if (!registered_)
        return;
    registered_ = false;
    if (!QCoreApplication::instance())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    const AutomationIdentity& id = IdentityOf(server_);
    // The name goes first, so no new call is routed to an object that is about to leave.
    if (!bus.unregisterService(Latin1(id.progId)))
        qCWarning(lcAutomation) << "could not release" << id.progId << ":"
                                << bus.lastError().message();
    bus.unregisterObject(Latin1(id.objectPath));
    qCInfo(lcAutomation) << "revoked" << id.progId;
}

// ---- Service files ------------------------------------------------------------------------------

QString ServiceFilePath(AutomationServer server) {
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty())
        return {};
    return dataHome + QStringLiteral("/dbus-1/services/") + Latin1(IdentityOf(server).progId) +
           QStringLiteral(".service");
}

AutomationResult WriteServiceFile(AutomationServer server, const QString& programPath) {
    if (programPath.isEmpty() || !QDir::isAbsolutePath(programPath) ||
        programPath.contains(QLatin1Char('\n')) || programPath.contains(QLatin1Char('\r')) ||
        programPath.contains(QChar(0))) {
        qCWarning(lcAutomation) << "unusable program path for a service file:" << programPath;
        return AutomationResult::WriteFailed;
    }
    const QString path = ServiceFilePath(server);
    if (path.isEmpty()) {
        qCWarning(lcAutomation) << "no data folder for the service file";
        return AutomationResult::WriteFailed;
    }
    const QByteArray content =
        QStringLiteral(
            "# Lets the session bus start this program when a client asks for its name.\n"
            "[D-BUS Service]\n"
            "Name=%1\n"
            "Exec=%2 -Automation\n")
            .arg(Latin1(IdentityOf(server).progId), QuoteExecArgument(programPath))
            .toUtf8();

    // Every normal start writes the file; leave it alone when it is already right.
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == content)
        return AutomationResult::Ok;
    existing.close();

    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        qCWarning(lcAutomation) << "cannot create the folder of" << path;
        return AutomationResult::WriteFailed;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
        !file.commit()) {
        qCWarning(lcAutomation) << "cannot write" << path << ":" << file.errorString();
        return AutomationResult::WriteFailed;
    }
    qCInfo(lcAutomation) << "wrote" << path;
    return AutomationResult::Ok;
}

}  // namespace velotune::platform
