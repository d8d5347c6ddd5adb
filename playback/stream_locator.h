// playback/stream_locator.h
//
// CStreamLocator finds the stream addresses listed in an ASX reference file or a playlist file
// (.pls, .m3u, .xspf). Many stations publish a small file like that instead of a stream address;
// the Windows Media engine asks the locator for the addresses in it and tries them in order.
//
// The locator downloads the file over HTTP and picks the addresses out of the text with a fixed
// set of markers; it is not an XML parser. "mms://" addresses are handed on with the scheme
// "http://", which the media runtime reaches the same servers through.
//
// Threading: a locator is a short-lived object made for one request on one thread.
// ResolveReferences blocks that thread for the download (bounded by the HTTP layer's connect and
// stall timeouts, and ended at once by the cancel switch, which any thread may throw). Nothing
// here touches a QObject.
#pragma once

#include <QByteArray>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/http/http.h"

namespace velotune {

class CStreamLocator {
public:
    // cancel (optional) lets another thread end the download early; it then yields no references.
    explicit CStreamLocator(std::shared_ptr<platform::HttpCancel> cancel = {});

    // True when the URL names a reference file: it contains ".asx" anywhere (case-sensitive).
    static bool IsReferenceFile(std::string_view url);

    // Downloads the reference file at url and returns the stream addresses it lists, in the order
    // in which they stand in the file. A URL that is no reference file, a download that fails, or
    // a file without usable references gives none.
    std::vector<std::string> ResolveReferences(const std::string& url);

    // The scan ResolveReferences makes of the downloaded text (its lines joined): at most
    // referenceCount addresses, in the order in which they stand. No network; any thread.
    static std::vector<std::string> ScanReferences(const QByteArray& text, int referenceCount);
    // True when the URL's path names a playlist file: it ends in ".pls", ".m3u", ".m3u8" or
    // ".xspf", in any letter case (a query or fragment after the path does not count).
    static bool IsPlaylistFile(std::string_view url);

    // Downloads the playlist at url and returns the addresses of its entries in order, relative
    // ones resolved against url. The kind is known by the answer's Content-Type, else by the
    // URL's extension, else by the first bytes: PLS ("FileN=" lines), M3U (the lines that are no
    // comments) and XSPF (<location> elements). An HLS playlist (one with "#EXT-X-" tags), which
    // the media runtime plays as a stream itself, gives none, as do an answer that is audio, a
    // download that fails, and anything that is no playlist.
    std::vector<std::string> ResolvePlaylist(const std::string& url);

    // For diagnostics and tests: the downloaded text (all lines joined without line breaks, or
    // "EMPTY" when the URL named no reference file) and how many of its lines hold "<ref href".
    const QByteArray& CollectedText() const { return text_; }
    int ReferenceCount() const { return referenceCount_; }

    // The most the locator downloads; a reference file is a few hundred bytes, so anything
    // longer is not one and is cut here rather than read without end.
    static constexpr qsizetype kMaxTextBytes = 1 << 20;
    // The most a playlist download reads: a station's playlist is a few lines.
    static constexpr qsizetype kMaxPlaylistBytes = 256 << 10;

private:
    void Download(const std::string& url);

    platform::HttpOptions options_;  // the session: default agent, preconfigured access
    QByteArray text_;                // the collected text; "" until a request
    int referenceCount_ = 0;         // lines holding "<ref href" (compared in lower case)
};

}  // namespace velotune
