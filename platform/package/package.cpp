#include "platform/package/package.h"

#include <archive.h>
#include <archive_entry.h>

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QUuid>
#include <cstdio>
#include <memory>

Q_LOGGING_CATEGORY(lcPackage, "velotune.package")

namespace velotune::platform {
namespace {

struct ArchiveDeleter {
    void operator()(archive* a) const { archive_read_free(a); }
};
using ArchiveHandle = std::unique_ptr<archive, ArchiveDeleter>;

constexpr size_t kReadBlock = 64 * 1024;

struct Verdict {
    PackageError error = PackageError::None;
    QString why;
};

// Whether an entry may be in a package at all. Both separators count: the archive may have been
// made on either kind of system.
Verdict CheckEntry(archive_entry* entry, const QString& path, qint64 maxBytes) {
    if (path.isEmpty())
        return {PackageError::UnsafeEntry, QStringLiteral("an entry without a usable name")};
    if (archive_entry_hardlink(entry) || archive_entry_symlink(entry))
        return {PackageError::UnsafeEntry, QStringLiteral("a link: %1").arg(path)};
    const auto type = archive_entry_filetype(entry);
    if (type != AE_IFREG && type != AE_IFDIR)
        return {PackageError::UnsafeEntry, QStringLiteral("not a file or folder: %1").arg(path)};
    if (path.startsWith(QLatin1Char('/')) || path.startsWith(QLatin1Char('\\')) ||
        (path.size() >= 2 && path[1] == QLatin1Char(':')))
        return {PackageError::UnsafeEntry, QStringLiteral("an absolute path: %1").arg(path)};
    QString normal = path;
    normal.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (normal.split(QLatin1Char('/')).contains(QStringLiteral("..")))
        return {PackageError::UnsafeEntry,
                QStringLiteral("a path that leaves its folder: %1").arg(path)};
    if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > maxBytes)
        return {PackageError::TooLarge,
                QStringLiteral("larger than %1 bytes: %2").arg(maxBytes).arg(path)};
    return {};
}

QString EntryPath(archive_entry* entry) {
    if (const char* utf8 = archive_entry_pathname_utf8(entry))
        return QString::fromUtf8(utf8);
    if (const char* raw = archive_entry_pathname(entry))
        return QString::fromLocal8Bit(raw);
    return {};
}

class Extraction {
public:
    Extraction(const QString& packagePath, const QString& entryName, const QString& targetPath,
               qint64 maxBytes)
        : package_(packagePath), entryName_(entryName), target_(targetPath), maxBytes_(maxBytes) {}

    ~Extraction() {
        if (!partial_.isEmpty())
            QFile::remove(partial_);
    }

    PackageError Run() {
        if (!QFileInfo(package_).isFile() || !QFileInfo(package_).isReadable())
            return Fail(PackageError::OpenFailed, QStringLiteral("cannot read %1").arg(package_));
        ArchiveHandle a(archive_read_new());
        if (!a)
            return Fail(PackageError::OpenFailed, QStringLiteral("out of memory"));
        // The seekable zip reader finds the archive by its central directory at the end of the
        // file, whatever program precedes it.
        archive_read_support_format_zip_seekable(a.get());
        if (archive_read_open_filename(a.get(), QFile::encodeName(package_).constData(),
                                       kReadBlock) != ARCHIVE_OK)
            return Fail(PackageError::NotAnArchive, Why(a.get()));

        bool found = false;
        for (;;) {
            archive_entry* entry = nullptr;
            const int r = archive_read_next_header(a.get(), &entry);
            if (r == ARCHIVE_EOF)
                break;
            if (r != ARCHIVE_OK)
                return Fail(PackageError::Corrupt, Why(a.get()));
            const QString path = EntryPath(entry);
            if (const Verdict v = CheckEntry(entry, path, maxBytes_); v.error != PackageError::None)
                return Fail(v.error, v.why);
            if (archive_entry_filetype(entry) != AE_IFREG ||
                path.compare(entryName_, Qt::CaseInsensitive) != 0)
                continue;  // the next header call skips the data
            if (found)
                return Fail(PackageError::UnsafeEntry,
                            QStringLiteral("%1 is in the package twice").arg(entryName_));
            found = true;
            if (const PackageError e = WriteEntry(a.get()); e != PackageError::None)
                return e;
        }
        if (!found)
            return Fail(PackageError::EntryMissing,
                        QStringLiteral("no %1 in %2").arg(entryName_, package_));
        return Commit();
    }

    QString ErrorText() const { return errorText_; }

private:
    static QString Why(archive* a) {
        const char* text = archive_error_string(a);
        return text ? QString::fromUtf8(text) : QStringLiteral("unknown archive error");
    }

    PackageError Fail(PackageError error, const QString& text) {
        errorText_ = text;
        qCInfo(lcPackage).noquote() << PackageErrorName(error) << "-" << text;
        return error;
    }

    // Reads the current entry's data into a temporary file beside the target.
    PackageError WriteEntry(archive* a) {
        partial_ =
            target_ + QStringLiteral(".part-") + QUuid::createUuid().toString(QUuid::Id128).left(8);
        QFile out(partial_);
        if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return Fail(PackageError::WriteFailed,
                        QStringLiteral("%1: %2").arg(partial_, out.errorString()));
        out.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        std::unique_ptr<char[]> block(new char[kReadBlock]);
        qint64 total = 0;
        for (;;) {
            const la_ssize_t n = archive_read_data(a, block.get(), kReadBlock);
            if (n == 0)
                break;
            if (n < 0)
                return Fail(PackageError::Corrupt, Why(a));
            total += n;
            // The declared size may be absent or wrong; the bytes themselves count.
            if (total > maxBytes_)
                return Fail(
                    PackageError::TooLarge,
                    QStringLiteral("%1 is larger than %2 bytes").arg(entryName_).arg(maxBytes_));
            if (out.write(block.get(), n) != n)
                return Fail(PackageError::WriteFailed,
                            QStringLiteral("%1: %2").arg(partial_, out.errorString()));
        }
        if (!out.flush())
            return Fail(PackageError::WriteFailed,
                        QStringLiteral("%1: %2").arg(partial_, out.errorString()));
        out.close();
        return PackageError::None;
    }

    // Every entry has been checked: put the written entry in place.
    PackageError Commit() {
        // rename() replaces an existing target in one step.
        if (std::rename(QFile::encodeName(partial_).constData(),
                        QFile::encodeName(target_).constData()) != 0)
            return Fail(PackageError::WriteFailed,
                        QStringLiteral("cannot put %1 in place").arg(target_));
        partial_.clear();
        qCDebug(lcPackage) << "extracted" << entryName_ << "to" << target_;
        return PackageError::None;
    }

    QString package_;
    QString entryName_;
    QString target_;
    qint64 maxBytes_;
    QString partial_;  // the temporary file while it exists; removed unless committed
    QString errorText_;
};

}  // namespace

const char* PackageErrorName(PackageError error) {
    switch (error) {
        case PackageError::None:
            return "no error";
        case PackageError::OpenFailed:
            return "cannot open";
        case PackageError::NotAnArchive:
            return "not an archive";
        case PackageError::UnsafeEntry:
            return "unsafe entry";
        case PackageError::TooLarge:
            return "too large";
        case PackageError::EntryMissing:
            return "entry missing";
        case PackageError::Corrupt:
            return "corrupt";
        case PackageError::WriteFailed:
            return "write failed";
    }
    return "unknown";
}

PackageError ExtractPackageEntry(const QString& packagePath, const QString& entryName,
                                 const QString& targetPath, QString* errorText,
                                 qint64 maxEntryBytes) {
    Extraction extraction(packagePath, entryName, targetPath, maxEntryBytes);
    const PackageError result = extraction.Run();
    if (errorText)
        *errorText = extraction.ErrorText();
    return result;
}

}  // namespace velotune::platform
