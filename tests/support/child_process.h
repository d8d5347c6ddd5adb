// tests/support/child_process.h
//
// A helper program started by a test (ffmpeg, icecast2, the fixture server), launched with
// posix_spawn. QProcess is not used for this: Qt starts children with a raw clone that
// ThreadSanitizer does not see, after which it loses track of the test thread's locks and reports
// races that are not there. The child is ended (SIGTERM, then SIGKILL) when the object goes.
#pragma once

#include <sys/types.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace velotune::test {

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts program (looked up in PATH) with args and standard input from /dev/null. With
    // outputFile empty, standard output comes to this object (ReadLine) and standard error goes
    // to the test's; otherwise both are appended to outputFile. False when it could not start.
    bool Start(const QString& program, const QStringList& args, const QString& outputFile = {});

    bool IsRunning();
    // Waits up to timeoutMs for the end. Returns the exit code, -1 when it was killed by a signal
    // or never started, -2 when it is still running.
    int Wait(int timeoutMs);
    // SIGTERM, up to graceMs for the end, then SIGKILL. Returns at once when it is not running.
    void Stop(int graceMs = 3000);
    // Sends sig (SIGINT, SIGTERM, ...) to a running child.
    void Signal(int sig);
    // SIGKILL at once, as a crash or the system would end it, and waits for the end.
    void Kill();

    // One line of standard output (without the newline), waiting up to timeoutMs for it.
    bool ReadLine(QByteArray* line, int timeoutMs);

private:
    pid_t pid_ = -1;
    int status_ = -1;  // exit code once reaped
    bool reaped_ = true;
    int outFd_ = -1;     // read end of the standard output pipe, or -1
    QByteArray buffer_;  // output read but not yet returned
};

}  // namespace velotune::test
