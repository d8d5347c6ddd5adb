// platform/automation/exported_objects.h (internal)
//
// The objects an AutomationRegistration exports on the bus. The adaptors generated from the
// interface files call these objects' methods when a call arrives; each forwards to the handler
// that the program gave. They live on the thread that created the registration, so the bus
// delivers calls there.
#pragma once

#include <QObject>

#include "platform/automation/automation.h"

namespace velotune::platform::automation_detail {

class ExportedObject : public QObject {
    Q_OBJECT
public:
    explicit ExportedObject(AutomationHandlers handlers) : handlers_(std::move(handlers)) {}

    // True while a handler runs: the registration may be destroyed from inside its own handler,
    // and then must not delete this object under the running call.
    bool Dispatching() const { return dispatching_ > 0; }

protected:
    void Dispatch(const std::function<void()>& handler, const char* method);

    AutomationHandlers handlers_;

private:
    int dispatching_ = 0;
};

// Torvik.Application at /Torvik/Application.
class PlayerObject : public ExportedObject {
    Q_OBJECT
public:
    using ExportedObject::ExportedObject;
    void ShowTorvik() { Dispatch(handlers_.show, "ShowTorvik"); }
    void CloseTorvik() { Dispatch(handlers_.close, "CloseTorvik"); }
};

// TorvikDBUpdate.Application at /TorvikDBUpdate/Application.
class UpdaterObject : public ExportedObject {
    Q_OBJECT
public:
    using ExportedObject::ExportedObject;
    void ShowTorvikDBUpdate() { Dispatch(handlers_.show, "ShowTorvikDBUpdate"); }
};

}  // namespace velotune::platform::automation_detail
