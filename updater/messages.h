// updater/messages.h
//
// The updater's application messages. Each is a Qt event whose type is its number (WM_APP + n);
// the three start messages go to a worker's own thread, every other one to an object on the
// dialog's thread. Where a message carries text, the text travels inside the event, so nothing a
// worker owns is ever read on another thread.
#pragma once

#include <QString>

#include "platform/winmsg/winmsg.h"

namespace velotune {

using platform::kWmApp;

// dialog -> check worker: run the update check (texts: the check address).
inline constexpr int WM_START_CHECK = kWmApp + 10;
// check worker -> check window: succeeded / failed (texts: version, package address).
inline constexpr int WM_CHECK_DONE = kWmApp + 11;
inline constexpr int WM_CHECK_FAILED = kWmApp + 12;
// check window -> main dialog: the two above, forwarded as received.
inline constexpr int WM_UPDATE_CHECKED = kWmApp + 13;
inline constexpr int WM_UPDATE_CHECK_FAILED = kWmApp + 14;
// dialog -> logging worker: send the usage hit (wParam: user's version, lParam: server's).
inline constexpr int WM_START_LOG = kWmApp + 15;
// logging worker -> logging window: lParam 1 when the hit was sent; ignored.
inline constexpr int WM_LOG_DONE = kWmApp + 16;
// dialog -> download worker: fetch the package (texts: the package address).
inline constexpr int WM_START_DOWNLOAD = kWmApp + 17;
// download worker -> download window (texts: local package path; lParam 1 success, 0 failure).
inline constexpr int WM_DOWNLOAD_DONE = kWmApp + 18;
// download window -> main dialog: WM_DOWNLOAD_DONE forwarded by its outcome.
inline constexpr int WM_DOWNLOAD_SUCCEEDED = kWmApp + 19;
inline constexpr int WM_DOWNLOAD_FAILED = kWmApp + 20;
// workers -> main dialog: wParam amount, lParam mode. Mode 0 sets the progress position to the
// amount; any other mode sets the step to the amount and steps once.
inline constexpr int WM_PROGRESS = kWmApp + 21;
// workers -> main dialog: show text (first text) as the status. Workers never touch the status
// control themselves.
inline constexpr int WM_STATUS_TEXT = kWmApp + 22;
// workers -> main dialog: why the job failed, in plain words (first text), posted just before the
// job's failure reaches the dialog, which shows it with the error status. Not sent when the job
// was cancelled.
inline constexpr int WM_FAILURE_REASON = kWmApp + 23;

// A message with up to two texts besides its two numbers.
class UpdaterMessage : public platform::WindowMessage {
public:
    UpdaterMessage(int message, QString first, QString second = {}, intptr_t wParam = 0,
                   intptr_t lParam = 0)
        : WindowMessage(message, wParam, lParam),
          first_(std::move(first)),
          second_(std::move(second)) {}

    const QString& First() const { return first_; }
    const QString& Second() const { return second_; }

private:
    QString first_;
    QString second_;
};

inline const UpdaterMessage* AsUpdaterMessage(const QEvent* event) {
    platform::AcquireEvent(event);
    return dynamic_cast<const UpdaterMessage*>(event);
}

// Posting (any thread; returns at once) and sending (the receiver's own thread only; handled
// before it returns).
inline void PostUpdaterMessage(QObject* receiver, int message, QString first = {},
                               QString second = {}, intptr_t wParam = 0, intptr_t lParam = 0) {
    if (!receiver)
        return;
    auto* event = new UpdaterMessage(message, std::move(first), std::move(second), wParam, lParam);
    platform::ReleaseEvent(event);
    QCoreApplication::postEvent(receiver, event);
}

inline void SendUpdaterMessage(QObject* receiver, int message, QString first = {},
                               QString second = {}, intptr_t wParam = 0, intptr_t lParam = 0) {
    if (!receiver)
        return;
    UpdaterMessage event(message, std::move(first), std::move(second), wParam, lParam);
    QCoreApplication::sendEvent(receiver, &event);
}

}  // namespace velotune
