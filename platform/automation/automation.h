// platform/automation/automation.h
//
// The automation layer both programs use to find each other on the D-Bus session bus.
//
// Each program ("server") has one automation object. A running program announces itself by
// exporting its object and owning its well-known bus name; a second start of the same program
// finds it by calling the Show method on whoever owns the name, and the updater closes a running
// player the same way. The bus interfaces are torvik_application.xml and
// torvikdbupdate_application.xml beside this header.
//
//   server   bus name and interface        object path                  methods
//   Player   "Torvik.Application"          /Torvik/Application          ShowTorvik, CloseTorvik
//   Updater  "TorvikDBUpdate.Application"  /TorvikDBUpdate/Application  ShowTorvikDBUpdate
//
// Owning a name is exclusive: a request for a name someone else owns fails at once (it is never
// queued). Calls that look for a running program never start one: the bus may know a service
// file for the name (WriteServiceFile below), but these calls tell it not to use it, so when
// nobody owns the name they report NotRunning.
//
// Without a session bus (none configured or none reachable) every call fails with NoSessionBus
// and nothing else happens; the programs run on without automation.
//
// Threading: call everything on the user-interface thread (the thread of the QCoreApplication,
// which must exist). Calls to another process block that thread until it answers, at most
// kAutomationCallTimeoutMs; nothing else here blocks for long. Handlers run on the thread that
// created the AutomationRegistration, one at a time, from its event loop.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace velotune::platform {

namespace automation_detail {
class ExportedObject;
}

// ---- Identity of the two automation objects -----------------------------------------------------
// The class ids name the objects in the programs' own terms; the bus knows them by name and path.
inline constexpr char kTorvikClassId[] = "{37E348AF-1BDC-4F21-91EE-893C7BE81985}";
inline constexpr char kTorvikProgId[] = "Torvik.Application";
inline constexpr char kTorvikObjectPath[] = "/Torvik/Application";
inline constexpr char kTorvikDBUpdateClassId[] = "{D34DE74B-A021-4E0F-9A29-C36C92ED6980}";
inline constexpr char kTorvikDBUpdateProgId[] = "TorvikDBUpdate.Application";
inline constexpr char kTorvikDBUpdateObjectPath[] = "/TorvikDBUpdate/Application";

enum class AutomationServer { Player, Updater };

struct AutomationIdentity {
    const char* classId;
    const char* progId;  // the well-known bus name, which is also the interface name
    const char* objectPath;
    const char* showMethod;  // "ShowTorvik" or "ShowTorvikDBUpdate"
};
const AutomationIdentity& IdentityOf(AutomationServer server);

// How long a call to another program may take before it counts as unanswered.
inline constexpr int kAutomationCallTimeoutMs = 10000;

enum class AutomationResult {
    Ok,
    NoSessionBus,  // no session bus to talk to (or no QCoreApplication yet)
    NotRunning,    // nobody owns the program's name
    NameTaken,     // another process, or another registration in this one, owns the name already
    CallFailed,    // the bus refused the request, or the owner of the name did not answer in time
                   // or does not offer the method (it is not one of our programs)
    WriteFailed,   // the service file could not be written, or the program path was unusable
};

// A short English name of a result, for logs and test output ("not running"). Never null.
const char* AutomationResultName(AutomationResult result);

// ---- Start-up switches --------------------------------------------------------------------------
// True when the command line marks the start as one made by the automation system: any argument
// that is "Embedding" or "Automation", in any letter case, after a "-" or a "/" ("-Automation",
// "/embedding"). `arguments` are the arguments after the program name. A program started so owns
// its name (Register) but does not rewrite its service file.
bool IsAutomationLaunch(const QStringList& arguments);

// ---- Finding a running program ------------------------------------------------------------------
// Calls the Show method of the running `server` program and waits for its answer. Ok: a running
// instance handled the call (a second start then ends). NotRunning: nobody owns the name; no
// program is started. NoSessionBus or CallFailed: nothing reachable answered. Blocks up to
// kAutomationCallTimeoutMs.
AutomationResult ShowRunningInstance(AutomationServer server);

// Calls CloseTorvik on the running player, as ShowRunningInstance does. The answer comes once the
// player has begun to close; this does not wait for the player's process to end. Callers that do
// not care whether a player was running may ignore the result.
AutomationResult CloseRunningPlayer();

// ---- Announcing this program --------------------------------------------------------------------
// What a registered program does when called. Each handler runs on the thread that created the
// registration, between other events, and the caller gets its answer when the handler returns,
// so a handler should do its work promptly (post anything long). An empty handler ignores the
// call. `close` is used by the player only.
struct AutomationHandlers {
    std::function<void()> show;   // ShowTorvik / ShowTorvikDBUpdate
    std::function<void()> close;  // CloseTorvik
};

// The exported automation object of this process and the ownership of its name.
class AutomationRegistration {
public:
    AutomationRegistration(AutomationServer server, AutomationHandlers handlers);
    // Revokes the registration. Safe from inside one of its own handlers.
    ~AutomationRegistration();
    AutomationRegistration(const AutomationRegistration&) = delete;
    AutomationRegistration& operator=(const AutomationRegistration&) = delete;

    // Exports the object and takes the name. Ok, or NoSessionBus, NameTaken (someone owns the name
    // already; the object is not left exported) or CallFailed. Registering twice is Ok and
    // changes nothing. The caller shows any message.
    AutomationResult Register();

    // Gives the name up and withdraws the object, so another process may take the name. Does
    // nothing when not registered, or when the QCoreApplication is already gone (the bus drops
    // the name when the process ends).
    void Revoke();

    bool IsRegistered() const { return registered_; }
    AutomationServer Server() const { return server_; }

private:
    AutomationServer server_;
    bool registered_ = false;
    std::unique_ptr<automation_detail::ExportedObject> exported_;  // with its adaptor
};

// ---- Starting a program on demand ---------------------------------------------------------------
// The session service file of `server`: $XDG_DATA_HOME/dbus-1/services/<bus name>.service.
QString ServiceFilePath(AutomationServer server);

// Writes the service file through which the bus can start `programPath` with "-Automation" when a
// client asks for the program's name. `programPath` must be absolute. The file is replaced
// atomically, and left untouched when it already says the same. Ok or WriteFailed (also for an
// empty or relative path, or one with a line break, which a service file cannot hold).
AutomationResult WriteServiceFile(AutomationServer server, const QString& programPath);

}  // namespace velotune::platform
