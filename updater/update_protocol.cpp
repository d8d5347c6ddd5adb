#include "updater/update_protocol.h"

#include <algorithm>
#include <limits>

#include "res/texts.h"

namespace velotune {

QString ContentValue(const QString& line) {
    // Without "content", indexOf gives -1 and the start falls on the 9th character, as the page
    // format has always been read.
    const qsizetype start = line.indexOf(QLatin1String("content")) + 9;
    const qsizetype end = line.lastIndexOf(QLatin1Char('"'));
    if (end - start <= 0)
        return {};
    return line.mid(start, end - start);
}

void ParseCheckLine(const QString& line, CheckPageValues& values) {
    if (!line.contains(QLatin1String("name")))
        return;
    if (line.contains(QLatin1String("version")))
        values.version = ContentValue(line);
    if (line.contains(QLatin1String("path")))
        values.path = ContentValue(line);
}

std::int32_t LeadingInt(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') ||
                               (text[i] >= QLatin1Char('\t') && text[i] <= QLatin1Char('\r'))))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        negative = text[i++] == QLatin1Char('-');
    qint64 value = 0;
    constexpr qint64 kLimit = qint64(std::numeric_limits<std::int32_t>::max()) + 1;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i)
        value = std::min(kLimit, value * 10 + (text[i].unicode() - '0'));
    value = negative ? -value : std::min(value, kLimit - 1);
    return std::int32_t(value);
}

QString OperatingSystemName() {
    return QString::fromUtf8(text::kUnknownOs);
}

QString UsageAgentText(const QString& userId, std::int32_t userVersion, std::int32_t serverVersion,
                       const QString& osName) {
    return userId + QLatin1Char('/') + QString::fromUtf8(text::kUsageHitTag) +
           QString::number(userVersion) + QLatin1Char('-') + QString::number(serverVersion) +
           QStringLiteral(" [") + osName + QLatin1Char(']');
}

bool DownloadProgress::Block(int kind) {
    const auto k = size_t(kind);
    bool step = false;
    accumulators_[k] += kIncrement;
    if (blocks_[k] < kBlockLimit && accumulators_[k] > 1.0f) {
        step = true;
        accumulators_[k] = 0.0f;
    }
    if (blocks_[k] < kBlockLimit)  // only whether it has reached the limit matters
        ++blocks_[k];
    return step;
}

}  // namespace velotune
