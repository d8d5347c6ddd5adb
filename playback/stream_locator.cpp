#include "playback/stream_locator.h"

#include <QLoggingCategory>
#include <QString>
#include <QStringList>
#include <QUrl>
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

namespace {

enum class PlaylistKind { kUnknown, kPls, kM3u, kXspf };

PlaylistKind KindOfType(QByteArray type) {
    if (const qsizetype semicolon = type.indexOf(';'); semicolon >= 0)
        type.truncate(semicolon);
    type = type.trimmed().toLower();
    if (type == "audio/x-scpls" || type == "audio/scpls")
        return PlaylistKind::kPls;
    if (type == "audio/x-mpegurl" || type == "audio/mpegurl" || type == "application/x-mpegurl" ||
        type == "application/vnd.apple.mpegurl")
        return PlaylistKind::kM3u;
    if (type == "application/xspf+xml")
        return PlaylistKind::kXspf;
    return PlaylistKind::kUnknown;
}

// The URL's path in lower case, without query or fragment.
QString LowerPath(std::string_view url) {
    return QUrl(QString::fromUtf8(url.data(), qsizetype(url.size()))).path().toLower();
}

PlaylistKind KindOfPath(const QString& path) {
    if (path.endsWith(QLatin1String(".pls")))
        return PlaylistKind::kPls;
    if (path.endsWith(QLatin1String(".m3u")) || path.endsWith(QLatin1String(".m3u8")))
        return PlaylistKind::kM3u;
    if (path.endsWith(QLatin1String(".xspf")))
        return PlaylistKind::kXspf;
    return PlaylistKind::kUnknown;
}

PlaylistKind KindOfText(const QByteArray& text) {
    const QByteArray head = text.left(512).trimmed().toLower();
    if (head.startsWith("[playlist]"))
        return PlaylistKind::kPls;
    if (head.startsWith("#extm3u"))
        return PlaylistKind::kM3u;
    if ((head.startsWith("<?xml") || head.startsWith("<playlist")) && head.contains("xspf"))
        return PlaylistKind::kXspf;
    return PlaylistKind::kUnknown;
}

QString XmlText(QString text) {
    text.replace(QLatin1String("&lt;"), QLatin1String("<"));
    text.replace(QLatin1String("&gt;"), QLatin1String(">"));
    text.replace(QLatin1String("&quot;"), QLatin1String("\""));
    text.replace(QLatin1String("&apos;"), QLatin1String("'"));
    text.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return text.trimmed();
}

QStringList Entries(PlaylistKind kind, const QString& text) {
    QStringList entries;
    const QStringList lines = text.split(QLatin1Char('\n'));
    switch (kind) {
        case PlaylistKind::kPls:
            for (QString line : lines) {
                line = line.trimmed();
                const qsizetype eq = line.indexOf(QLatin1Char('='));
                if (eq > 4 && line.startsWith(QLatin1String("file"), Qt::CaseInsensitive))
                    entries.append(line.mid(eq + 1).trimmed());
            }
            break;
        case PlaylistKind::kM3u:
            for (QString line : lines) {
                line = line.trimmed();
                if (!line.isEmpty() && !line.startsWith(QLatin1Char('#')))
                    entries.append(line);
            }
            break;
        case PlaylistKind::kXspf: {
            qsizetype at = 0;
            for (;;) {
                const qsizetype open =
                    text.indexOf(QLatin1String("<location>"), at, Qt::CaseInsensitive);
                if (open < 0)
                    break;
                const qsizetype from = open + 10;
                const qsizetype close =
                    text.indexOf(QLatin1String("</location>"), from, Qt::CaseInsensitive);
                if (close < 0)
                    break;
                entries.append(XmlText(text.mid(from, close - from)));
                at = close;
            }
            break;
        }
        case PlaylistKind::kUnknown:
            break;
    }
    return entries;
}

}  // namespace

bool CStreamLocator::IsPlaylistFile(std::string_view url) {
    return KindOfPath(LowerPath(url)) != PlaylistKind::kUnknown;
}

std::vector<std::string> CStreamLocator::ResolvePlaylist(const std::string& url) {
    text_.clear();
    referenceCount_ = 0;
    platform::HttpRequest file;
    const platform::HttpError opened = file.Open(QString::fromStdString(url), options_);
    if (opened != platform::HttpError::None || file.StatusCode() != 200) {
        qCInfo(lcLocator) << "cannot fetch the playlist" << url.c_str()
                          << platform::HttpErrorName(opened) << file.StatusCode();
        return {};
    }
    PlaylistKind kind = KindOfType(file.ContentType());
    if (kind == PlaylistKind::kUnknown) {
        // Audio itself (a stream the runtime could not decode) is no playlist; reading on would
        // only wait for more of it.
        if (file.ContentType().trimmed().toLower().startsWith("audio/"))
            return {};
        kind = KindOfPath(LowerPath(url));
    }
    char buffer[4096];
    for (;;) {
        const qint64 n = file.Read(buffer, sizeof buffer);
        if (n <= 0)
            break;
        text_.append(buffer, qsizetype(n));
        if (text_.size() >= kMaxPlaylistBytes)
            break;  // no playlist is that long; what was read may still list the entries
    }
    file.Close();
    if (kind == PlaylistKind::kUnknown)
        kind = KindOfText(text_);
    if (kind == PlaylistKind::kUnknown)
        return {};
    const QString text = QString::fromUtf8(text_).remove(QLatin1Char('\r'));
    if (kind == PlaylistKind::kM3u && text.contains(QLatin1String("#EXT-X-"))) {
        qCInfo(lcLocator) << url.c_str() << "is an HLS playlist; it plays as a stream";
        return {};
    }
    const QUrl base(QString::fromStdString(url));
    std::vector<std::string> addresses;
    for (const QString& entry : Entries(kind, text)) {
        const QUrl resolved = base.resolved(QUrl(entry));
        if (resolved.isValid() && !resolved.scheme().isEmpty())
            addresses.push_back(resolved.toString(QUrl::FullyEncoded).toStdString());
    }
    qCInfo(lcLocator) << url.c_str() << "lists" << addresses.size() << "entries";
    return addresses;
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
