// Feeds bytes as a downloaded package to the extraction the updater runs: whatever the package
// holds, extraction ends, writes nothing but the wanted file, and on failure leaves no file at
// all (no partial copy, nothing outside the folder).
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "platform/package/package.h"

namespace {

QTemporaryDir* Folder() {
    static auto* dir = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/package-fuzz-XXXXXX"));
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QTemporaryDir* dir = Folder();
    if (!dir->isValid())
        std::abort();
    const QString package = dir->filePath(QStringLiteral("vexadb.exe"));
    const QString work = dir->filePath(QStringLiteral("work"));
    const QString target = work + QStringLiteral("/newfm.dat");
    QDir(work).removeRecursively();
    QDir().mkpath(work);
    {
        QFile file(package);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            std::abort();
    }
    QString why;
    // A small limit keeps a hostile size from filling the disk while fuzzing.
    const auto error = velotune::platform::ExtractPackageEntry(package, QStringLiteral("newfm.dat"),
                                                               target, &why, 4 * 1024 * 1024);
    const QStringList left =
        QDir(work).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System);
    if (error == velotune::platform::PackageError::None) {
        if (left != QStringList{QStringLiteral("newfm.dat")})
            std::abort();
    } else if (!left.isEmpty() || why.isEmpty()) {
        std::abort();
    }
    const QStringList outside =
        QDir(dir->path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System);
    if (outside.size() != 2)  // the package and the work folder
        std::abort();
    return 0;
}
