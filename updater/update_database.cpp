#include "updater/update_database.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QSet>

#include "platform/package/package.h"
#include "res/texts.h"

Q_LOGGING_CATEGORY(lcMerge, "velotune.updater.merge")

namespace velotune {

// ---- CUpdateDatabase ----------------------------------------------------------------------------

bool CUpdateDatabase::Open(const QString& path) {
    return m_database.OpenDatabase(path) == kDbOk;
}

bool CUpdateDatabase::Close() {
    return m_database.CloseDatabase() == kDbOk;
}

bool CUpdateDatabase::ReadPlaylist(PlaylistList& list) {
    return m_database.LoadPlaylist(list) == kDbOk;
}

bool CUpdateDatabase::ReplacePlaylist(const PlaylistList& list) {
    return m_database.SavePlaylist(list) == kDbOk;
}

bool CUpdateDatabase::RemoveOrphans(const PlaylistList& list) {
    for (const CPlaylistSet& entry : list) {
        bool exists = false;
        if (m_database.StationExists(entry.m_RadioID, exists) != kDbOk)
            return false;
        // Only a station the new edition lacks makes an entry an orphan; whatever fields a
        // present station has, the user keeps it.
        if (!exists) {
            qCInfo(lcMerge) << "dropping playlist entry" << entry.m_PlaylistID << "of station"
                            << entry.m_RadioID;
            if (!DeletePlaylistByRadio(entry.m_RadioID))
                return false;
        }
    }
    return true;
}

bool CUpdateDatabase::DeletePlaylistByRadio(std::int32_t radioId) {
    return m_database.RemovePlaylistEntry(radioId) == kDbOk;
}

bool CUpdateDatabase::MarkPlaylistStations(const PlaylistList& formerList) {
    PlaylistList current;
    if (!ReadPlaylist(current))
        return false;
    IdList onList;
    QSet<std::int32_t> onSet;
    for (const CPlaylistSet& entry : current) {
        onList.append(entry.m_RadioID);
        onSet.insert(entry.m_RadioID);
    }
    IdList offList;
    for (const CPlaylistSet& entry : formerList)
        if (!onSet.contains(entry.m_RadioID))
            offList.append(entry.m_RadioID);
    return m_database.SetPlaylistFlags(offList, 0) == kDbOk &&
           m_database.SetPlaylistFlags(onList, 1) == kDbOk;
}

// ---- The steps ----------------------------------------------------------------------------------

bool Extract(const QString& packagePath, const UpdaterConfig& config) {
    QString why;
    const platform::PackageError error = platform::ExtractPackageEntry(
        packagePath, QString::fromUtf8(text::kNewDatabaseFile), config.NewDatabasePath(), &why);
    if (error != platform::PackageError::None) {
        qCWarning(lcMerge).noquote() << "cannot extract the new database from" << packagePath << "-"
                                     << platform::PackageErrorName(error) << "-" << why;
        return false;
    }
    return true;
}

bool Merge(const UpdaterConfig& config, const std::function<void(int position)>& progress) {
    PlaylistList list;
    {
        CUpdateDatabase user;
        if (!user.Open(config.DatabasePath()) || !user.ReadPlaylist(list) || !user.Close())
            return false;
    }
    if (progress)
        progress(94);
    CUpdateDatabase edition;
    // The edition's own playlist (its default presets) is what the Playlist flags of the new
    // file describe until the user's playlist replaces it.
    PlaylistList former;
    const bool ok = edition.Open(config.NewDatabasePath()) && edition.ReadPlaylist(former) &&
                    edition.ReplacePlaylist(list) && edition.RemoveOrphans(list) &&
                    edition.MarkPlaylistStations(former) && edition.Close();
    if (ok)
        qCInfo(lcMerge) << "merged the user's" << list.size()
                        << "playlist entries into the new edition";
    return ok;
}

bool ReplaceDatabase(const UpdaterConfig& config) {
    const QString source = config.NewDatabasePath();
    const QString target = config.DatabasePath();
    // Renaming would replace even a file the user has made read-only; a copy would not. The
    // owner's write bit is that mark even for a user (root) whom the system lets write anyway.
    const QFileInfo existing(target);
    if (existing.exists() &&
        (!existing.isWritable() || !(existing.permissions() & QFile::WriteOwner))) {
        qCWarning(lcMerge) << target << "is read-only";
        return false;
    }
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        qCWarning(lcMerge) << "cannot read" << source << in.errorString();
        return false;
    }
    // QSaveFile writes beside the target, flushes it to disk and renames it into place only on
    // commit, keeping the old file's permissions.
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        qCWarning(lcMerge) << "cannot write beside" << target << out.errorString();
        return false;
    }
    QByteArray block;
    while (!(block = in.read(1 << 20)).isEmpty()) {
        if (out.write(block) != block.size()) {
            qCWarning(lcMerge) << "cannot write" << target << out.errorString();
            return false;  // the partial copy goes with out
        }
    }
    if (in.error() != QFile::NoError || !out.commit()) {
        qCWarning(lcMerge) << "cannot replace" << target << in.errorString() << out.errorString();
        return false;
    }
    in.close();
    if (!QFile::remove(source))
        qCWarning(lcMerge) << "cannot remove" << source;
    qCInfo(lcMerge) << "replaced" << target;
    return true;
}

}  // namespace velotune
