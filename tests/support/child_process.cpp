#include "tests/support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>
#include <vector>

extern char** environ;

namespace velotune::test {
namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

ChildProcess::~ChildProcess() {
    Stop();
    if (outFd_ >= 0)
        ::close(outFd_);
}

bool ChildProcess::Start(const QString& program, const QStringList& args,
                         const QString& outputFile) {
    if (!reaped_)
        return false;
    std::vector<QByteArray> storage;
    storage.push_back(QFile::encodeName(program));
    for (const QString& a : args)
        storage.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    int pipeFds[2] = {-1, -1};
    const QByteArray outPath = QFile::encodeName(outputFile);
    if (outputFile.isEmpty()) {
        if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
            posix_spawn_file_actions_destroy(&actions);
            return false;
        }
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, outPath.constData(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    }
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (pipeFds[1] >= 0)
        ::close(pipeFds[1]);
    if (error != 0) {
        if (pipeFds[0] >= 0)
            ::close(pipeFds[0]);
        return false;
    }
    if (outFd_ >= 0)
        ::close(outFd_);
    outFd_ = pipeFds[0];
    buffer_.clear();
    pid_ = pid;
    reaped_ = false;
    status_ = -1;
    return true;
}

bool ChildProcess::IsRunning() {
    return Wait(0) == -2;
}

int ChildProcess::Wait(int timeoutMs) {
    if (reaped_)
        return status_;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_ || (r < 0 && errno != EINTR)) {
            reaped_ = true;
            status_ = r == pid_ && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return status_;
        }
        if (Clock::now() >= deadline)
            return -2;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void ChildProcess::Signal(int sig) {
    if (IsRunning())
        ::kill(pid_, sig);
}

void ChildProcess::Stop(int graceMs) {
    if (reaped_)
        return;
    ::kill(pid_, SIGTERM);
    if (Wait(graceMs) == -2) {
        ::kill(pid_, SIGKILL);
        Wait(5000);
    }
}

void ChildProcess::Kill() {
    if (reaped_)
        return;
    ::kill(pid_, SIGKILL);
    Wait(5000);
}

bool ChildProcess::ReadLine(QByteArray* line, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const qsizetype newline = buffer_.indexOf('\n');
        if (newline >= 0) {
            *line = buffer_.left(newline);
            buffer_.remove(0, newline + 1);
            return true;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (outFd_ < 0 || left <= 0)
            return false;
        pollfd p{outFd_, POLLIN, 0};
        if (::poll(&p, 1, int(left)) <= 0)
            continue;
        char chunk[4096];
        const ssize_t n = ::read(outFd_, chunk, sizeof chunk);
        if (n <= 0) {
            ::close(outFd_);
            outFd_ = -1;
            return false;
        }
        buffer_.append(chunk, n);
    }
}

}  // namespace velotune::test
