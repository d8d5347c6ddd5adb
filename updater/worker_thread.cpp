#include "updater/worker_thread.h"

#include <QCoreApplication>
#include <QEvent>
#include <mutex>

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
    Receiver(Job job, std::mutex& running) : job_(std::move(job)), running_(running) {}

protected:
    void customEvent(QEvent* event) override {
        platform::AcquireEvent(event);
        if (const auto* start = dynamic_cast<const StartMessage*>(event)) {
            std::lock_guard lock(running_);
            job_(int(event->type()), start->Start());
        }
    }

private:
    Job job_;
    std::mutex& running_;
};

WorkerThread::WorkerThread(const QString& name, Job job)
    : receiver_(std::make_unique<Receiver>(std::move(job), running_)),
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
    // QThread's wait orders the thread's end before what follows, but inside Qt, where thread
    // checkers cannot see it; taking the jobs' lock states the same order in plain terms.
    std::lock_guard lock(running_);
    // The thread has ended, so nothing runs on the receiver any more; its queued messages go
    // with it.
    receiver_.reset();
}

}  // namespace velotune
