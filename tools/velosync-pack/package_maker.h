// tools/velosync-pack/package_maker.h
//
// Makes what the maker publishes for one edition of the station database: the package
// "vexadb.exe", a self-extracting zip (a POSIX sh script that unpacks newfm.dat when a person runs
// it, followed by a zip archive that holds newfm.dat), and the check page "vexadb/update.html"
// that tells velosync the edition's number and where its package lies.
//
// Threading: any thread; blocks on file I/O.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

namespace velotune::tools {

struct PackageEntry {
    QString name;  // the path inside the archive, stored as given
    QByteArray data;
};

// The script at the head of every package.
QByteArray PackageStub();

// Writes stub followed by a zip archive of entries (deflated, in order) to path, replacing it in
// one step; the file is made executable. Returns false with the reason in *error.
bool WritePackage(const QString& path, const QByteArray& stub, const QList<PackageEntry>& entries,
                  QString* error);

// The check page for an edition whose package is at packagePath under the server's root (for
// example "vexadb/vexadb.exe", without a leading "/"): one line names the version, one the path.
QByteArray UpdatePage(std::int32_t edition, const QString& packagePath);

// Builds newfm.dat from the station list (CSV, as velostn-build reads it) and writes the package
// to root/packagePath and the check page to root/vexadb/update.html, making the folders, so that
// root can be published as the update server's document root. The package's file name must match
// "vexadb*.exe", the name velosync looks for. presets as velostn-build takes them. Returns false
// with the reason in *error.
bool MakeEdition(const QString& csvPath, std::int32_t edition, const QStringList& presets,
                 const QString& root, const QString& packagePath, QString* error);

}  // namespace velotune::tools
