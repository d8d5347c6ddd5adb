#include "tools/velosync-pack/package_maker.h"

#include <archive.h>
#include <archive_entry.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryDir>
#include <memory>

#include "res/texts.h"
#include "stationdb/dbwriter.h"
#include "stub_sh.h"
#include "tools/velostn-build/stations_csv.h"

namespace velotune::tools {
namespace {

struct WriterDeleter {
    void operator()(archive* a) const { archive_write_free(a); }
};
struct EntryDeleter {
    void operator()(archive_entry* e) const { archive_entry_free(e); }
};

la_ssize_t WriteToFile(archive*, void* file, const void* data, size_t size) {
    const qint64 written =
        static_cast<QSaveFile*>(file)->write(static_cast<const char*>(data), qint64(size));
    return written == qint64(size) ? la_ssize_t(size) : -1;
}

QString ArchiveError(archive* a) {
    const char* text = archive_error_string(a);
    return text ? QString::fromUtf8(text) : QStringLiteral("archive error");
}

}  // namespace

QByteArray PackageStub() {
    return QByteArray(kPackageStub);
}

bool WritePackage(const QString& path, const QByteArray& stub, const QList<PackageEntry>& entries,
                  QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.write(stub) != stub.size()) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    std::unique_ptr<archive, WriterDeleter> zip(archive_write_new());
    if (!zip) {
        *error = QStringLiteral("out of memory");
        return false;
    }
    archive_write_set_format_zip(zip.get());
    archive_write_zip_set_compression_deflate(zip.get());
    // No padding after the archive: its directory must end the file.
    archive_write_set_bytes_in_last_block(zip.get(), 1);
    if (archive_write_open2(zip.get(), &file, nullptr, &WriteToFile, nullptr, nullptr) !=
        ARCHIVE_OK) {
        *error = ArchiveError(zip.get());
        return false;
    }
    const time_t now = QDateTime::currentSecsSinceEpoch();
    for (const PackageEntry& item : entries) {
        std::unique_ptr<archive_entry, EntryDeleter> entry(archive_entry_new());
        const QByteArray name = item.name.toUtf8();
        archive_entry_set_pathname_utf8(entry.get(), name.constData());
        archive_entry_set_filetype(entry.get(), AE_IFREG);
        archive_entry_set_perm(entry.get(), 0644);
        archive_entry_set_size(entry.get(), item.data.size());
        archive_entry_set_mtime(entry.get(), now, 0);
        if (archive_write_header(zip.get(), entry.get()) != ARCHIVE_OK ||
            archive_write_data(zip.get(), item.data.constData(), size_t(item.data.size())) !=
                la_ssize_t(item.data.size())) {
            *error = QStringLiteral("%1: %2").arg(item.name, ArchiveError(zip.get()));
            return false;
        }
    }
    if (archive_write_close(zip.get()) != ARCHIVE_OK) {
        *error = ArchiveError(zip.get());
        return false;
    }
    file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
    if (!file.commit()) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

QByteArray UpdatePage(std::int32_t edition, const QString& packagePath) {
    // The updater reads the text between content=" and the last quote of each line that names
    // the version or the path, so each value has a line of its own and nothing follows it.
    return QByteArrayLiteral("<!DOCTYPE html>\n<html>\n<head>\n<title>Velotune</title>\n") +
           "<meta name=\"version\" content=\"" + QByteArray::number(edition) + "\">\n" +
           "<meta name=\"path\" content=\"" + packagePath.toUtf8() + "\">\n" +
           QByteArrayLiteral("</head>\n<body></body>\n</html>\n");
}

bool MakeEdition(const QString& csvPath, std::int32_t edition, const QStringList& presets,
                 const QString& root, const QString& packagePath, QString* error) {
    if (packagePath.isEmpty() || packagePath.startsWith(QLatin1Char('/')) ||
        packagePath.split(QLatin1Char('/')).contains(QStringLiteral(".."))) {
        *error = QStringLiteral("the package path must lie under the root: %1").arg(packagePath);
        return false;
    }
    // velosync finds the downloaded package by this pattern; any other name would never arrive.
    const QRegularExpression pattern(
        QRegularExpression::wildcardToRegularExpression(QString::fromUtf8(text::kPackagePattern)),
        QRegularExpression::CaseInsensitiveOption);
    if (!pattern.match(QFileInfo(packagePath).fileName()).hasMatch()) {
        *error = QStringLiteral("the package's file name must match %1: %2")
                     .arg(QString::fromUtf8(text::kPackagePattern), packagePath);
        return false;
    }
    QFile csv(csvPath);
    if (!csv.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(csvPath, csv.errorString());
        return false;
    }
    StationDbContent content;
    if (!StationsFromCsv(QString::fromUtf8(csv.readAll()), presets, edition, &content, error)) {
        *error = QStringLiteral("%1: %2").arg(csvPath, *error);
        return false;
    }

    QTemporaryDir work;
    if (!work.isValid()) {
        *error = work.errorString();
        return false;
    }
    const QString database = work.filePath(QString::fromUtf8(text::kNewDatabaseFile));
    if (!WriteStationDatabase(database, content, error))
        return false;
    QFile built(database);
    if (!built.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(database, built.errorString());
        return false;
    }

    const QString packageFile = QDir(root).filePath(packagePath);
    const QString pageFile = QDir(root).filePath(QString::fromUtf8(text::kCheckPagePath).mid(1));
    for (const QString& file : {packageFile, pageFile}) {
        if (!QDir().mkpath(QFileInfo(file).absolutePath())) {
            *error = QStringLiteral("cannot make the folder of %1").arg(file);
            return false;
        }
    }
    if (!WritePackage(packageFile, PackageStub(),
                      {{QString::fromUtf8(text::kNewDatabaseFile), built.readAll()}}, error))
        return false;
    // The page goes last: a server that already shows it always has its package.
    QSaveFile page(pageFile);
    if (!page.open(QIODevice::WriteOnly) || page.write(UpdatePage(edition, packagePath)) < 0 ||
        !page.commit()) {
        *error = QStringLiteral("%1: %2").arg(pageFile, page.errorString());
        return false;
    }
    return true;
}

}  // namespace velotune::tools
