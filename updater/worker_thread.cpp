#include "updater/worker_thread.h"

#include <QCoreApplication>
#include <QEvent>

#include "platform/winmsg/winmsg.h"

namespace velotune {

namespace {

class StartMessage : public QEvent {
public:
    StartMessage(int message, const WorkerStart& start)
        : QEvent(static_cast<QEvent::Type>(message)), start_(start) {}
    const WorkerStart& Start() const { return start_; }

private:
    WorkerStart start_;
};

}  // namespace

class WorkerThread::Receiver : public QObject {
public:
    explicit Receiver(Job job) : job_(std::move(job)) {}

protected:
    void customEvent(QEvent* event) override {
        platform::AcquireEvent(event);
        if (const auto* start = dynamic_cast<const StartMessage*>(event))
            job_(int(event->type()), start->Start());
    }

private:
    Job job_;
};

WorkerThread::WorkerThread(const QString& name, Job job)
    : receiver_(std::make_unique<Receiver>(std::move(job))),
      shutdown_(std::make_shared<platform::HttpCancel>()) {
    thread_.setObjectName(name);
    receiver_->moveToThread(&thread_);
}

WorkerThread::~WorkerThread() {
    Stop();
}

void WorkerThread::PostStart(int message, const WorkerStart& start) {
    if (!receiver_)
        return;
    // Posted before the thread runs, the message waits in the receiver's queue until the
    // thread's loop starts: the queue exists as soon as the receiver does.
    auto* event = new StartMessage(message, start);
    platform::ReleaseEvent(event);
    QCoreApplication::postEvent(receiver_.get(), event);
    if (!thread_.isRunning())
        thread_.start();
}

void WorkerThread::Stop() {
    if (!receiver_)
        return;
    shutdown_->Cancel();
    thread_.quit();
    thread_.wait();
    // The thread has ended, so nothing runs on the receiver any more; its queued messages go
    // with it.
    receiver_.reset();
}

}  // namespace velotune
