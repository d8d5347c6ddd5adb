// report/report_client.h
//
// CReportClient makes one usage-report request: a GET without a body of one page of the maker's
// web server, whose only payload is the User-Agent text naming the installation, the product, its
// distribution channel, its version and the operating system. The answer is not read: the request
// counts as delivered as soon as the server has answered, whatever it answered.
//
// Threading: Send() blocks the calling thread (the reporter's worker) for as long as the request
// takes, up to the HTTP layer's timeouts; the other calls are plain computations for any thread.
#pragma once

#include <QString>
#include <memory>

namespace velotune {

namespace platform {
class HttpCancel;
}

class CReportClient {
public:
    // host: the server's host, optionally with ":port"; objectPath: the page, starting with "/".
    // cancel (optional) interrupts a Send in progress from another thread.
    CReportClient(QString host, QString objectPath,
                  std::shared_ptr<platform::HttpCancel> cancel = {});

    // Sends the request with the agent text built from the arguments: first without a proxy,
    // then, when that fails at any step, once more with the environment's proxy settings. Both
    // tries ask for HTTP/1.0 and an answer from the server itself rather than a cache. Returns 1
    // when either try reached the server, 0 otherwise.
    int Send(const QString& productName, int channelIndex, const QString& version,
             const QString& userId) const;

    // "http://" + host + object path.
    QString Url() const;

    // The agent text: user id + "/" (only when there is a user id), product name, the channel's
    // tag ("(tucows)"; none for an index outside 0..16), "/", version, " [", operating system
    // name, "]". "U/Velotune(tag)/2.1 []".
    static QString AgentText(const QString& productName, int channelIndex, const QString& version,
                             const QString& userId, const QString& osName);

private:
    QString host_;
    QString objectPath_;
    std::shared_ptr<platform::HttpCancel> cancel_;
};

}  // namespace velotune
