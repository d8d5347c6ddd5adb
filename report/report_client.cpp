#include "report/report_client.h"

#include <iterator>

#include "platform/http/http.h"
#include "report/report_log.h"
#include "res/texts.h"

namespace velotune {

using platform::HttpAccess;
using platform::HttpError;

namespace {

QString ChannelTag(int channelIndex) {
    if (channelIndex < 0 || channelIndex >= int(std::size(text::kChannelTags)))
        return {};
    return QString::fromUtf8(text::kChannelTags[channelIndex]);
}

// The names the agent format knows are all those of a single desktop system's releases; any
// other system, which is every one this program runs on, is "Unknown OS".
QString OperatingSystemName() {
    return QString::fromUtf8(text::kUnknownOs);
}

}  // namespace

CReportClient::CReportClient(QString host, QString objectPath,
                             std::shared_ptr<platform::HttpCancel> cancel)
    : host_(std::move(host)), objectPath_(std::move(objectPath)), cancel_(std::move(cancel)) {}

QString CReportClient::Url() const {
    return QStringLiteral("http://") + host_ + objectPath_;
}

QString CReportClient::AgentText(const QString& productName, int channelIndex,
                                 const QString& version, const QString& userId,
                                 const QString& osName) {
    QString agent;
    if (!userId.isEmpty())
        agent = userId + QLatin1Char('/');
    agent += productName + ChannelTag(channelIndex) + QLatin1Char('/') + version +
             QStringLiteral(" [") + osName + QLatin1Char(']');
    return agent;
}

int CReportClient::Send(const QString& productName, int channelIndex, const QString& version,
                        const QString& userId) const {
    const QString agent =
        AgentText(productName, channelIndex, version, userId, OperatingSystemName());
    const QString url = Url();
    // Straight to the server first; a network that only lets requests out through its proxy
    // gets a second try through the proxy the environment names.
    for (HttpAccess access : {HttpAccess::Direct, HttpAccess::Preconfig}) {
        platform::HttpOptions options;
        options.userAgent = agent.toUtf8();
        options.access = access;
        options.version = platform::HttpVersion::Http10;
        options.noCache = true;
        options.cancel = cancel_;
        QString errorText;
        const HttpError error = platform::HttpSend(url, options, nullptr, &errorText);
        if (error == HttpError::None) {
            qCDebug(lcReport).noquote() << "sent" << url << "as" << agent;
            return 1;
        }
        qCDebug(lcReport).noquote()
            << url << (access == HttpAccess::Direct ? "direct:" : "preconfig:")
            << platform::HttpErrorName(error) << errorText;
        if (error == HttpError::Cancelled)
            break;
    }
    return 0;
}

}  // namespace velotune
