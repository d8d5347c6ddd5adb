// updater/worker_thread.h
//
// The thread behind each of the updater's background jobs: a QThread with its own event loop and
// one object on it that runs the job for every start message posted to it, one at a time, in the
// order they were posted. A job reports only by posting to objects on the dialog's thread.
//
// Threading: construct, PostStart and Stop on the dialog's thread; the job runs on the worker.
#pragma once

#include <QString>
#include <QThread>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/http/http.h"

namespace velotune {

// What a start message hands a job (the start block): the receivers of its reports and its
// parameters. The receivers live on the dialog's thread and outlive the worker.
struct WorkerStart {
    QObject* window = nullptr;      // the hidden window that receives the job's result
    QObject* mainWindow = nullptr;  // the main dialog: progress and status texts
    QString address;                // the check page or the package
    std::int32_t userVersion = 0;   // the usage hit's two versions
    std::int32_t serverVersion = 0;
};

class WorkerThread {
public:
    using Job = std::function<void(int message, const WorkerStart& start)>;

    // name: the thread's name, for debuggers and logs. The thread starts with the first message.
    WorkerThread(const QString& name, Job job);
    // Stop().
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Posts a start message (one of the WM_START_* numbers) to the worker's queue; the job runs
    // once the worker has finished the ones before it. Returns at once.
    void PostStart(int message, const WorkerStart& start);

    // Interrupts the job's request in progress (its later requests fail at once), ends the loop
    // and waits for the thread to end. Messages still queued are dropped. Safe to call twice.
    void Stop();

    // The switch that every request of the job is made with, so that Stop() can interrupt it.
    const std::shared_ptr<platform::HttpCancel>& Shutdown() const { return shutdown_; }

private:
    class Receiver;

    std::mutex running_;  // held by the worker while a job runs
    QThread thread_;
    std::unique_ptr<Receiver> receiver_;  // lives on thread_; deleted here once it has ended
    std::shared_ptr<platform::HttpCancel> shutdown_;
};

}  // namespace velotune
