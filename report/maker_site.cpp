#include "report/maker_site.h"

#include "res/texts.h"

namespace velotune {

QString ReportServerHost() {
    const QString host = qEnvironmentVariable("VELOTUNE_REPORT_HOST").trimmed();
    return host.isEmpty() ? QStringLiteral(VELOTUNE_DEFAULT_REPORT_HOST) : host;
}

namespace {

QString MakerWebAddress(const char* path) {
    return QStringLiteral("http://") + ReportServerHost() + QString::fromUtf8(path);
}

}  // namespace

QString ProductPageUrl() {
    return MakerWebAddress(text::kProductPagePath);
}

QString SupportPageUrl() {
    return MakerWebAddress(text::kSupportPagePath);
}

}  // namespace velotune
