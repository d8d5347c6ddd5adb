// platform/winmsg/winmsg.h
//
// Application-defined window messages as Qt events. A message number in the application range
// (kWmApp + n) is the event type; its two parameters travel with it. Posting is thread-safe, so
// engines and worker threads report to a window by posting and never touch the window itself;
// the window handles the message later on its own thread, in customEvent().
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <cstdint>

#if defined(__SANITIZE_THREAD__)
#define VELOTUNE_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VELOTUNE_TSAN 1
#endif
#endif
#ifdef VELOTUNE_TSAN
#include <sanitizer/tsan_interface.h>
#endif

namespace velotune::platform {

inline constexpr int kWmUser = 0x0400;
inline constexpr int kWmApp = 0x8000;

class WindowMessage : public QEvent {
public:
    WindowMessage(int message, intptr_t wParam, intptr_t lParam)
        : QEvent(static_cast<QEvent::Type>(message)), wParam_(wParam), lParam_(lParam) {}

    int Message() const { return static_cast<int>(type()); }
    intptr_t WParam() const { return wParam_; }
    intptr_t LParam() const { return lParam_; }

private:
    intptr_t wParam_;
    intptr_t lParam_;
};

// ThreadSanitizer cannot see the lock inside Qt's event queue, so it takes an event built on one
// thread and read on another for a race. These mark the hand-over for it: release on the posting
// thread just before the post, acquire on the receiving thread before the first read. They do
// nothing in other builds.
inline void ReleaseEvent(const QEvent* event) {
#ifdef VELOTUNE_TSAN
    __tsan_release(const_cast<QEvent*>(event));
#else
    (void)event;
#endif
}

inline void AcquireEvent(const QEvent* event) {
#ifdef VELOTUNE_TSAN
    __tsan_acquire(const_cast<QEvent*>(event));
#else
    (void)event;
#endif
}

// Queues the message for the receiver's thread and returns at once (any thread). Returns false
// when there is no receiver.
inline bool PostWindowMessage(QObject* receiver, int message, intptr_t wParam = 0,
                              intptr_t lParam = 0) {
    if (!receiver)
        return false;
    auto* event = new WindowMessage(message, wParam, lParam);
    ReleaseEvent(event);
    QCoreApplication::postEvent(receiver, event);
    return true;
}

// The message carried by an event, or nullptr when the event is not a window message.
inline const WindowMessage* AsWindowMessage(const QEvent* event) {
    AcquireEvent(event);
    return dynamic_cast<const WindowMessage*>(event);
}

}  // namespace velotune::platform
