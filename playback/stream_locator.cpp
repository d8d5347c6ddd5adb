#include "playback/stream_locator.h"

#include <QLoggingCategory>
#include <QString>
#include <set>
#include <utility>

#include "res/texts.h"

namespace velotune {

Q_LOGGING_CATEGORY(lcLocator, "velotune.locator", QtInfoMsg)

namespace {

constexpr QByteArrayView kMmsScheme = "mms://";
constexpr QByteArrayView kHttpScheme = "http://";
constexpr QByteArrayView kAsfEnd = ".asf";
constexpr QByteArrayView kQuoteEnd = "\"/>";
constexpr QByteArrayView kQuoteSpaceEnd = "\" />";
constexpr QByteArrayView kWmaEnd = ".wma";

}  // namespace

CStreamLocator::CStreamLocator(std::shared_ptr<platform::HttpCancel> cancel) {
    // An Internet session as the framework makes it by default: the program's name as the user
    // agent and the environment's proxy settings.
    options_.userAgent = QByteArray(text::kProductName);
    options_.access = platform::HttpAccess::Preconfig;
    options_.cancel = std::move(cancel);
}

bool CStreamLocator::IsReferenceFile(std::string_view url) {
    return url.find(".asx") != std::string_view::npos;
}

void CStreamLocator::Download(const std::string& url) {
    platform::HttpRequest file;
    const platform::HttpError opened = file.Open(QString::fromStdString(url), options_);
    if (opened != platform::HttpError::None) {
        qCInfo(lcLocator) << "cannot fetch" << url.c_str() << platform::HttpErrorName(opened);
        return;  // nothing to read: no references
    }
    referenceCount_ = 0;
    QByteArray line;
    while (file.ReadLine(&line)) {
        if (text_.size() + line.size() > kMaxTextBytes) {
            qCInfo(lcLocator) << url.c_str() << "is longer than a reference file can be; cut";
            break;
        }
        text_ += line;
        if (line.toLower().contains("<ref href"))
            ++referenceCount_;
    }
    file.Close();
}

std::vector<std::string> CStreamLocator::ResolveReferences(const std::string& url) {
    text_.clear();
    referenceCount_ = 0;

    if (IsReferenceFile(url))
        Download(url);
    else
        text_ = "EMPTY";

    std::vector<std::string> addresses = ScanReferences(text_, referenceCount_);
    qCDebug(lcLocator) << url.c_str() << "lists" << addresses.size() << "addresses";
    return addresses;
}

std::vector<std::string> CStreamLocator::ScanReferences(const QByteArray& text,
                                                        int referenceCount) {
    std::vector<std::string> addresses;
    QByteArrayView startMarker = kMmsScheme;
    QByteArrayView endMarker = kAsfEnd;
    qsizetype position = 0;

    // Starts already dealt with: finding one of them again means the text holds no further
    // address, and going on would only hand the same one on again (or never end).
    std::set<qsizetype> seen;
    int found = 0;
    while (found < referenceCount) {
        qsizetype start = -1;
        const qsizetype match = text.indexOf(startMarker, position);
        if (match >= 0) {
            start = match + startMarker.size();
        } else {
            // No (more) "mms://" references: look for "http://" ones, from the top of the text.
            startMarker = kHttpScheme;
            const qsizetype httpMatch = text.indexOf(kHttpScheme);
            if (httpMatch > 0)
                start = httpMatch + kHttpScheme.size();
        }
        if (start < 0 || !seen.insert(start).second)
            break;

        qsizetype end = -1;
        const qsizetype asf = endMarker == kAsfEnd ? text.indexOf(kAsfEnd, start) : -1;
        if (asf > 0) {
            end = asf + kAsfEnd.size();
        } else {
            endMarker = kQuoteEnd;
            end = text.indexOf(kQuoteEnd, start);
            if (end < 0) {
                endMarker = kQuoteSpaceEnd;
                end = text.indexOf(kQuoteSpaceEnd, start);
            }
            if (end < 0) {
                endMarker = kWmaEnd;
                end = text.indexOf(kWmaEnd, start);
                if (end >= 0)
                    end += kWmaEnd.size();
            }
        }

        if (end > start) {
            // An "mms://" address goes on as "http://": the runtime reaches it over HTTP.
            addresses.push_back("http://" + text.mid(start, end - start).toStdString());
            ++found;
        }
        position = start;
    }
    return addresses;
}

}  // namespace velotune
