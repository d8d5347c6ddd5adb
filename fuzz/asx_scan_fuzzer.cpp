// libFuzzer harness: the reference-file scan of the stream locator over arbitrary text, split and
// counted into lines as the download does. Every address it hands on must lie in the text.
#include <QByteArray>
#include <QList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "playback/stream_locator.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    QByteArray text;
    int references = 0;
    for (const QByteArray& line : input.split('\n')) {
        text += line;
        if (line.toLower().contains("<ref href"))
            ++references;
    }
    const std::vector<std::string> addresses =
        velotune::CStreamLocator::ScanReferences(text, references);
    if (addresses.size() > size_t(references))
        std::abort();
    for (const std::string& address : addresses) {
        // "http://" followed by a piece of the text.
        if (address.rfind("http://", 0) != 0 || !text.contains(address.substr(7).c_str()))
            std::abort();
    }
    return 0;
}
