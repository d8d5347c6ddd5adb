#include "platform/appdirs/appdirs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QUuid>

#include "res/texts.h"

Q_LOGGING_CATEGORY(lcAppDirs, "velotune.appdirs")

namespace velotune::platform {
namespace {

// Can this process create and replace files in dir? Asks the file system rather than the mode
// bits, so read-only mounts and access-control lists count too.
bool IsWritableDir(const QString& dir) {
    if (dir.isEmpty() || !QFileInfo(dir).isDir())
        return false;
    const QString probe =
        dir + QStringLiteral("/.velotune-probe-") + QUuid::createUuid().toString(QUuid::Id128);
    QFile file(probe);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    file.close();
    file.remove();
    // The station database itself must be replaceable as well.
    const QFileInfo database(dir + QLatin1Char('/') + QString::fromUtf8(text::kDatabaseFile));
    return !database.exists() || database.isWritable();
}

// Copies the installed database into dataDir under a temporary name and renames it into place,
// so that an interrupted copy never leaves a truncated database behind.
void SeedDatabase(const QString& programDir, const QString& dataDir) {
    const QString name = QString::fromUtf8(text::kDatabaseFile);
    const QString target = dataDir + QLatin1Char('/') + name;
    const QString source = programDir + QLatin1Char('/') + name;
    if (QFileInfo::exists(target) || !QFileInfo::exists(source))
        return;
    const QString partial = target + QStringLiteral(".part");
    QFile::remove(partial);
    if (!QFile::copy(source, partial)) {
        qCWarning(lcAppDirs) << "cannot copy" << source << "to" << dataDir;
        return;
    }
    QFile::setPermissions(partial, QFile::ReadOwner | QFile::WriteOwner);
    if (!QFile::rename(partial, target)) {
        qCWarning(lcAppDirs) << "cannot place" << target;
        QFile::remove(partial);
    }
}

}  // namespace

QString ProgramPath() {
    const QString path = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    return QFileInfo::exists(path) ? path : QString();
}

QString ProgramDirectory() {
    const QString path = ProgramPath();
    return path.isEmpty() ? QString() : QFileInfo(path).absolutePath();
}

QString ResolveDataDirectory(const QString& programDir, bool programDirWritable) {
    if (programDirWritable)
        return programDir;
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        return {};
    QString dataDir = base + QLatin1Char('/') + QString::fromUtf8(text::kProductName);
    if (!QDir().mkpath(dataDir))
        return {};
    SeedDatabase(programDir, dataDir);
    return dataDir;
}

bool IsInstallation(const QString& programDir) {
    return !programDir.isEmpty() &&
           QFileInfo::exists(programDir + QLatin1Char('/') +
                             QString::fromUtf8(text::kInstallationMarkerFile));
}

QString DataDirectory() {
    const QString programDir = ProgramDirectory();
    return ResolveDataDirectory(programDir,
                                !IsInstallation(programDir) && IsWritableDir(programDir));
}

}  // namespace velotune::platform
