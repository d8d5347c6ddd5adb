#include "updater/update_config.h"

#include <QDir>
#include <QStandardPaths>

#include "platform/appdirs/appdirs.h"
#include "res/texts.h"
#include "settings/settings_store.h"

namespace velotune {
namespace {

QString Text(const char* text) {
    return QString::fromUtf8(text);
}

}  // namespace

QString UpdaterConfig::DatabasePath() const {
    return dataDir + QLatin1Char('/') + Text(text::kDatabaseFile);
}

QString UpdaterConfig::NewDatabasePath() const {
    return tempDir + Text(text::kNewDatabaseFile);
}

QString UpdaterConfig::PackagePath() const {
    return dataDir + QLatin1Char('/') + Text(text::kPackageFile);
}

QString UpdaterConfig::BaseAddress() const {
    return QStringLiteral("http://") + host + QLatin1Char('/');
}

QString UpdaterConfig::CheckAddress() const {
    return QStringLiteral("http://") + host + Text(text::kCheckPagePath);
}

QString UpdaterConfig::UsageHitAddress() const {
    return QStringLiteral("http://") + host + Text(text::kUsageHitPath);
}

UpdaterConfig UpdaterConfig::ForThisProgram() {
    UpdaterConfig config;
    config.dataDir = platform::DataDirectory();
    config.tempDir = QDir::tempPath();
    if (!config.tempDir.endsWith(QLatin1Char('/')))
        config.tempDir += QLatin1Char('/');
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (!cache.isEmpty())
        config.cacheDir = cache + QLatin1Char('/') + Text(text::kUpdaterName);
    config.host = UpdateServerHost();
    return config;
}

QString UpdateServerHost() {
    QString host = qEnvironmentVariable("VELOTUNE_UPDATE_HOST").trimmed();
    if (host.isEmpty() && !CSettingsStore().ReadUpdateServer(&host))
        host = QStringLiteral(VELOTUNE_DEFAULT_UPDATE_HOST);
    return host;
}

}  // namespace velotune
