// Feeds the check page, line by line, to the parser the update check uses, then the version text
// to the number conversion: whatever the server sends, parsing ends, stays within the line and
// gives values no longer than the text they came from.
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "updater/update_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString page = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    velotune::CheckPageValues values;
    for (const QString& line : page.split(QLatin1Char('\n'))) {
        velotune::ParseCheckLine(line, values);
        if (velotune::ContentValue(line).size() > line.size())
            std::abort();
        if (values.version.size() > page.size() || values.path.size() > page.size())
            std::abort();
    }
    const std::int32_t version = velotune::LeadingInt(values.version);
    (void)version;
    return 0;
}
