#include "updater/work_folder.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <cerrno>

#include "res/texts.h"

Q_LOGGING_CATEGORY(lcWorkFolder, "velotune.updater.workfolder")

namespace velotune {
namespace {

constexpr char kPrefix[] = "velosync-";

QString WithSlash(const QString& path) {
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

// Whether the process that made a folder named "velosync-<pid>-XXXXXX" may still run. A name
// that does not parse belongs to nobody we know: it is left alone.
bool OwnerMayRun(const QString& name, bool* parsed) {
    const QStringList parts = name.mid(int(sizeof kPrefix) - 1).split(QLatin1Char('-'));
    bool ok = false;
    const qint64 pid = parts.size() == 2 ? parts[0].toLongLong(&ok) : 0;
    *parsed = ok && pid > 0;
    if (!*parsed)
        return true;
    if (pid == QCoreApplication::applicationPid())
        return true;
    return ::kill(pid_t(pid), 0) == 0 || errno != ESRCH;
}

}  // namespace

WorkFolder::WorkFolder(const QString& base) {
    const QString pattern = WithSlash(base) + QString::fromUtf8(kPrefix) +
                            QString::number(QCoreApplication::applicationPid()) +
                            QStringLiteral("-XXXXXX");
    m_dir = std::make_unique<QTemporaryDir>(pattern);
    if (!m_dir->isValid()) {
        qCWarning(lcWorkFolder) << "cannot make a work folder" << pattern << m_dir->errorString();
        return;
    }
    // The folder is made 0700; say so rather than rely on it.
    ::chmod(QFile::encodeName(m_dir->path()).constData(), S_IRWXU);
    qCInfo(lcWorkFolder) << "work folder" << m_dir->path();
}

WorkFolder::~WorkFolder() {
    if (m_dir && m_dir->isValid() && !m_dir->remove())
        qCWarning(lcWorkFolder) << "cannot remove the work folder" << m_dir->path();
}

bool WorkFolder::IsValid() const {
    return m_dir && m_dir->isValid();
}

QString WorkFolder::Path() const {
    return IsValid() ? WithSlash(m_dir->path()) : QString();
}

int RemoveLeftovers(const QString& tempBase, const QString& dataDir) {
    int removed = 0;
    const QDir temp(tempBase);
    const uint me = ::getuid();
    for (const QFileInfo& entry :
         temp.entryInfoList({QString::fromUtf8(kPrefix) + QLatin1Char('*')},
                            QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks)) {
        bool parsed = false;
        if (entry.ownerId() != me || OwnerMayRun(entry.fileName(), &parsed) || !parsed)
            continue;
        if (QDir(entry.absoluteFilePath()).removeRecursively()) {
            qCInfo(lcWorkFolder) << "removed a killed run's work folder"
                                 << entry.absoluteFilePath();
            ++removed;
        }
    }
    if (!dataDir.isEmpty()) {
        QDir data(dataDir);
        const QString pattern = QString::fromUtf8(text::kDatabaseFile) +
                                QString::fromUtf8(kReplacePartialSuffix) + QLatin1Char('*');
        for (const QString& name : data.entryList({pattern}, QDir::Files | QDir::Hidden)) {
            if (data.remove(name)) {
                qCInfo(lcWorkFolder) << "removed a partial copy" << data.filePath(name);
                ++removed;
            }
        }
    }
    return removed;
}

}  // namespace velotune
