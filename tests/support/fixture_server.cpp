#include "tests/support/fixture_server.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include "tests/support/test_env.h"

namespace velotune::test {

FixtureRoute FixtureRoute::Status(int status, const QByteArray& body) {
    FixtureRoute r;
    r.status = status;
    r.body = body;
    r.bodyIsSet = true;
    return r;
}

FixtureRoute FixtureRoute::Body(const QByteArray& body, const QString& contentType) {
    FixtureRoute r;
    r.body = body;
    r.bodyIsSet = true;
    r.contentType = contentType;
    return r;
}

FixtureRoute FixtureRoute::File(const QString& file, const QString& contentType) {
    FixtureRoute r;
    r.file = file;
    r.contentType = contentType;
    return r;
}

QString FixtureRequest::Header(const QString& name) const {
    for (auto it = headers.begin(); it != headers.end(); ++it)
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            return it.value();
    return {};
}

FixtureServer::FixtureServer(const QString& root, const QString& certFile, const QString& keyFile)
    : root_(root), tls_(!certFile.isEmpty()) {
    QDir().mkpath(root_);
    logPath_ = MakeTempDir(QStringLiteral("fixture-log")) + QStringLiteral("/requests.jsonl");
    WriteRoutes();
    process_ = std::make_unique<ChildProcess>();
    QStringList args{SourceDir() + QStringLiteral("/tests/support/fixture_server.py"),
                     QStringLiteral("--root"), root_, QStringLiteral("--log"), logPath_};
    if (tls_)
        args << QStringLiteral("--cert") << certFile << QStringLiteral("--key") << keyFile;
    if (!process_->Start(QStringLiteral("python3"), args))
        return;
    QByteArray line;
    if (process_->ReadLine(&line, 10000) && line.trimmed().startsWith("PORT "))
        port_ = quint16(line.trimmed().mid(5).toUInt());
}

bool FixtureServer::MakeCertificate(const QString& folder, QString* certFile, QString* keyFile) {
    *certFile = folder + QStringLiteral("/cert.pem");
    *keyFile = folder + QStringLiteral("/key.pem");
    ChildProcess openssl;
    return openssl.Start(QStringLiteral("openssl"),
                         {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                          QStringLiteral("rsa:2048"), QStringLiteral("-nodes"),
                          QStringLiteral("-keyout"), *keyFile, QStringLiteral("-out"), *certFile,
                          QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                          QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"),
                          QStringLiteral("subjectAltName=IP:127.0.0.1")},
                         folder + QStringLiteral("/openssl.log")) &&
           openssl.Wait(60000) == 0;
}

FixtureServer::~FixtureServer() {
    if (process_)
        process_->Stop();
}

QString FixtureServer::HostPort() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }

QString FixtureServer::Url(const QString& path) const {
    return (tls_ ? QStringLiteral("https://") : QStringLiteral("http://")) + HostPort() + path;
}

void FixtureServer::SetRoute(const QString& path, const FixtureRoute& route) {
    routes_.insert(path, route);
    WriteRoutes();
}

void FixtureServer::ClearRoutes() {
    routes_.clear();
    WriteRoutes();
}

void FixtureServer::WriteRoutes() const {
    QJsonObject all;
    for (auto it = routes_.begin(); it != routes_.end(); ++it) {
        const FixtureRoute& r = it.value();
        QJsonObject o;
        o[QStringLiteral("status")] = r.status;
        if (!r.file.isEmpty())
            o[QStringLiteral("file")] = r.file;
        else if (r.bodyIsSet || !r.body.isEmpty())
            o[QStringLiteral("body")] = QString::fromUtf8(r.body);
        if (!r.contentType.isEmpty())
            o[QStringLiteral("content_type")] = r.contentType;
        QJsonObject headers;
        for (auto h = r.headers.begin(); h != r.headers.end(); ++h)
            headers[h.key()] = h.value();
        o[QStringLiteral("headers")] = headers;
        if (r.bytesPerSecond > 0)
            o[QStringLiteral("rate")] = r.bytesPerSecond;
        if (r.loop)
            o[QStringLiteral("loop")] = true;
        if (r.delaySeconds > 0)
            o[QStringLiteral("delay")] = r.delaySeconds;
        if (r.closeAfterBytes >= 0)
            o[QStringLiteral("close_after")] = r.closeAfterBytes;
        if (r.stallAfterBytes >= 0)
            o[QStringLiteral("stall_after")] = r.stallAfterBytes;
        all[it.key()] = o;
    }
    // The server reads the file on every request; replace it whole so it never sees half of it.
    QSaveFile file(root_ + QStringLiteral("/.routes.json"));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QJsonDocument(all).toJson());
        file.commit();
    }
}

QList<FixtureRequest> FixtureServer::Requests() const {
    QList<FixtureRequest> requests;
    QFile log(logPath_);
    if (!log.open(QIODevice::ReadOnly))
        return requests;
    while (!log.atEnd()) {
        const QJsonObject o = QJsonDocument::fromJson(log.readLine()).object();
        if (o.isEmpty())
            continue;
        FixtureRequest r;
        r.method = o.value(QStringLiteral("method")).toString();
        r.path = o.value(QStringLiteral("path")).toString();
        r.query = o.value(QStringLiteral("query")).toString();
        const QJsonObject headers = o.value(QStringLiteral("headers")).toObject();
        for (auto it = headers.begin(); it != headers.end(); ++it)
            r.headers.insert(it.key(), it.value().toString());
        requests.append(r);
    }
    return requests;
}

}  // namespace velotune::test
