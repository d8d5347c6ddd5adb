// tests/support/fixture_server.h
//
// A loopback HTTP server for tests (tests/support/fixture_server.py run by python3): it serves the
// files of a folder, answers canned routes (status, body, content type, pacing, endless "live"
// streams, dropped connections) and records every request it receives.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <memory>

#include "tests/support/child_process.h"

namespace velotune::test {

struct FixtureRoute {
    int status = 200;
    QByteArray body;              // served when non-empty or when bodyIsSet
    bool bodyIsSet = false;
    QString file;                 // a file under the root, served instead of the body
    QString contentType;          // empty: guessed from the file name
    QMap<QString, QString> headers;
    int bytesPerSecond = 0;       // 0: as fast as possible
    bool loop = false;            // repeat the file forever, like a live stream
    double delaySeconds = 0;      // wait before answering
    int closeAfterBytes = -1;     // drop the connection after this many body bytes
    int stallAfterBytes = -1;     // with loop: stop sending after this many, connection kept

    static FixtureRoute Status(int status, const QByteArray& body = {});
    static FixtureRoute Body(const QByteArray& body, const QString& contentType = {});
    static FixtureRoute File(const QString& file, const QString& contentType = {});
};

struct FixtureRequest {
    QString method;
    QString path;
    QString query;
    QMap<QString, QString> headers;  // as sent; look up with Header()
    QString Header(const QString& name) const;
};

class FixtureServer {
public:
    // Starts serving root (a folder; created when missing). Check IsRunning(). With a
    // certificate and its key (PEM files) it serves https instead.
    explicit FixtureServer(const QString& root, const QString& certFile = {},
                           const QString& keyFile = {});
    ~FixtureServer();
    FixtureServer(const FixtureServer&) = delete;
    FixtureServer& operator=(const FixtureServer&) = delete;

    // Writes a self-signed certificate for 127.0.0.1 and its key into folder (openssl command
    // line) for an https server. False when openssl failed.
    static bool MakeCertificate(const QString& folder, QString* certFile, QString* keyFile);

    bool IsRunning() const { return port_ != 0; }
    quint16 Port() const { return port_; }
    QString Root() const { return root_; }
    QString HostPort() const;                  // "127.0.0.1:<port>"
    QString Url(const QString& path) const;    // "http(s)://127.0.0.1:<port>" + path ("/..." )

    // Sets or replaces the canned answer for a path (the path part of the URL, or path + "?" +
    // query for an exact query match). Takes effect for the next request.
    void SetRoute(const QString& path, const FixtureRoute& route);
    void ClearRoutes();

    // Every request received so far, oldest first.
    QList<FixtureRequest> Requests() const;

private:
    void WriteRoutes() const;

    QString root_;
    QString logPath_;
    bool tls_ = false;
    quint16 port_ = 0;
    std::unique_ptr<ChildProcess> process_;
    QMap<QString, FixtureRoute> routes_;
};

}  // namespace velotune::test
