// platform/package/package.h
//
// Reads the station database package: a self-extracting zip, that is, a small program (any bytes)
// followed by a zip archive. The updater never runs that program; it reads the archive's central
// directory and writes out the one entry it needs, and nothing else.
//
// A package is refused as a whole, before anything is written, when any of its entries is unsafe
// to have come over the network: an absolute path, a ".." component, a link or any other entry
// that is neither a plain file nor a folder, or a size beyond the limit. The wanted entry is
// written beside its target under a temporary name and renamed into place only once all of it has
// been read and checked, so a damaged package never leaves a partial file under the target name.
//
// Threading: any thread; blocks on file I/O (and decompression) until done.
#pragma once

#include <QString>
#include <QtGlobal>

namespace velotune::platform {

enum class PackageError {
    None = 0,
    OpenFailed,    // the package file cannot be read
    NotAnArchive,  // no zip directory in it (not a package, or cut short)
    UnsafeEntry,   // an entry with an absolute path, "..", a link, or the wanted name twice
    TooLarge,      // an entry larger than the limit
    EntryMissing,  // no entry of the wanted name
    Corrupt,       // the wanted entry's data cannot be read back intact (CRC, truncation)
    WriteFailed,   // the target cannot be written (folder missing, disk full)
};

// A short English name for logs ("unsafe entry", ...). Never null.
const char* PackageErrorName(PackageError error);

// The largest entry a package may hold. The station database is a few MiB; this leaves room for
// growth and stops a hostile package from filling the disk.
inline constexpr qint64 kMaxPackageEntryBytes = qint64(256) * 1024 * 1024;

// Writes the entry whose path in the archive is entryName (compared without regard to letter case,
// at the top level of the archive) to targetPath, replacing a file that is there. Returns None, or
// the error with a description in *errorText (when given); on error nothing is written and an
// existing targetPath is left as it was.
PackageError ExtractPackageEntry(const QString& packagePath, const QString& entryName,
                                 const QString& targetPath, QString* errorText = nullptr,
                                 qint64 maxEntryBytes = kMaxPackageEntryBytes);

}  // namespace velotune::platform
