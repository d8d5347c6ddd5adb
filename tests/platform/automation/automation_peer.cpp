// A second process for the automation tests: a program that owns its name and records the calls
// it receives, or a second start that makes one call and reports the result in its exit code.
//
//   automation_peer serve <player|updater> <log>  register; print "registered" on standard output
//                                                 (or the result's name, and exit with the result);
//                                                 append each call's method name to <log> before
//                                                 answering it; end after CloseTorvik
//   automation_peer register <player|updater>     register, exit with the result
//   automation_peer show <player|updater>         ShowRunningInstance, exit with the result
//   automation_peer close                         CloseRunningPlayer, exit with the result
//   automation_peer activate <player|updater>     call Show and let the bus start the program from
//                                                 its service file, which the layer itself never
//                                                 does; exit 0 when answered, 1 otherwise
//
// Exit codes of results are static_cast<int>(AutomationResult); 100 is a usage error.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <cstdio>

#include "platform/automation/automation.h"

using velotune::platform::AutomationResult;
using velotune::platform::AutomationServer;

namespace {

constexpr int kUsage = 100;

int Code(AutomationResult result) {
    return static_cast<int>(result);
}

bool ParseServer(const QString& text, AutomationServer* server) {
    if (text == QLatin1String("player"))
        *server = AutomationServer::Player;
    else if (text == QLatin1String("updater"))
        *server = AutomationServer::Updater;
    else
        return false;
    return true;
}

void Record(const QString& logPath, const char* method) {
    QFile log(logPath);
    if (log.open(QIODevice::Append))
        log.write(QByteArray(method) + '\n');
}

int Serve(AutomationServer server, const QString& logPath) {
    velotune::platform::AutomationHandlers handlers;
    const char* show = velotune::platform::IdentityOf(server).showMethod;
    handlers.show = [logPath, show] { Record(logPath, show); };
    handlers.close = [logPath] {
        Record(logPath, "CloseTorvik");
        QCoreApplication::quit();
    };
    velotune::platform::AutomationRegistration registration(server, std::move(handlers));
    const AutomationResult result = registration.Register();
    std::printf("%s\n", result == AutomationResult::Ok
                            ? "registered"
                            : velotune::platform::AutomationResultName(result));
    std::fflush(stdout);
    if (result != AutomationResult::Ok)
        return Code(result);
    return QCoreApplication::exec();
}

int Activate(AutomationServer server) {
    const auto& id = velotune::platform::IdentityOf(server);
    const QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(id.progId), QString::fromLatin1(id.objectPath),
        QString::fromLatin1(id.progId), QString::fromLatin1(id.showMethod));
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 20000);
    return reply.type() == QDBusMessage::ReplyMessage ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return kUsage;
    const QString& mode = args[0];
    AutomationServer server = AutomationServer::Player;
    if (mode == QLatin1String("close"))
        return Code(velotune::platform::CloseRunningPlayer());
    if (args.size() < 2 || !ParseServer(args[1], &server))
        return kUsage;
    if (mode == QLatin1String("serve") && args.size() == 3)
        return Serve(server, args[2]);
    if (mode == QLatin1String("register")) {
        velotune::platform::AutomationRegistration registration(server, {});
        return Code(registration.Register());
    }
    if (mode == QLatin1String("show"))
        return Code(velotune::platform::ShowRunningInstance(server));
    if (mode == QLatin1String("activate"))
        return Activate(server);
    return kUsage;
}
