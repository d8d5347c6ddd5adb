#include "report/maker_site.h"

#include "res/texts.h"

namespace velotune {

QString ReportServerHost() {
    const QString host = qEnvironmentVariable("VELOTUNE_REPORT_HOST").trimmed();
    return host.isEmpty() ? QStringLiteral(VELOTUNE_DEFAULT_REPORT_HOST) : host;
}

QString MakerWebAddress(const QString& path) {
    return QStringLiteral("http://") + ReportServerHost() + path;
}

QString ProductPageUrl() {
    return MakerWebAddress(QString::fromUtf8(text::kProductPagePath));
}

QString SupportPageUrl() {
    return MakerWebAddress(QString::fromUtf8(text::kSupportPagePath));
}

}  // namespace velotune
