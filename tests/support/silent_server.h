// tests/support/silent_server.h
//
// A loopback TCP port that takes connections and never answers: the kernel completes each
// handshake (the socket listens but never accepts), so a client connects, sends its request and
// then waits for a reply that does not come. This is how a stalled station looks to the player.
#pragma once

#include <QString>
#include <QtGlobal>

namespace velotune::test {

class SilentServer {
public:
    SilentServer();   // listens on an ephemeral port of 127.0.0.1; check IsRunning()
    ~SilentServer();  // closes the port: waiting clients see their connection reset
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    bool IsRunning() const { return port_ != 0; }
    QString Url(const QString& path) const;  // "http://127.0.0.1:<port>" + path

private:
    int fd_ = -1;
    quint16 port_ = 0;
};

}  // namespace velotune::test
