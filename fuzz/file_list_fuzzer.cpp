// Feeds bytes as the settings file to the stored file list's reader: whatever the file holds
// (a huge total, holes, odd types), the reader ends promptly and gives no more entries than the
// file has lines.
#include <fcntl.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "settings/settings_store.h"

namespace {

QString g_path;
long g_stamp = 1000000000;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static auto* dir =
        new QTemporaryDir(QDir::tempPath() + QStringLiteral("/settings-fuzz-XXXXXX"));
    if (!dir->isValid())
        std::abort();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir->path()));
    g_path = velotune::CSettingsStore().FilePath();
    QDir().mkpath(QFileInfo(g_path).absolutePath());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        QFile file(g_path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            std::abort();
    }
    // The settings reader keeps a parsed copy while the file's time and size stay the same; a new
    // time for every input makes it read this one.
    const timespec times[2] = {{++g_stamp, 0}, {g_stamp, 0}};
    ::utimensat(AT_FDCWD, QFile::encodeName(g_path).constData(), times, 0);

    const velotune::CSettingsStore store;
    QStringList entries;
    store.ReadFileEntries(&entries);
    const qsizetype lines =
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).count('\n') + 1;
    if (entries.size() > lines)
        std::abort();
    int total = 0;
    store.ReadFileListTotal(&total);
    return 0;
}
