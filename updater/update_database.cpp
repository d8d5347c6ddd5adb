#include "updater/update_database.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSet>
#include <QUuid>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/msgbox/msgbox.h"
#include "platform/package/package.h"
#include "res/texts.h"
#include "stationdb/dbcheck.h"
#include "updater/work_folder.h"

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

namespace {

QString Text(const char* text) {
    return QString::fromUtf8(text);
}

// The report's problem in plain words: the tail of kEditionRefused or kMergedRefused.
QString Reason(const StationDbReport& report) {
    switch (report.problem) {
        case StationDbProblem::None:
            return {};
        case StationDbProblem::Unreadable:
            return Text(text::kReasonUnreadable) + QStringLiteral(" (") + report.detail +
                   QStringLiteral(").");
        case StationDbProblem::Damaged:
            return Text(text::kReasonDamaged) + QStringLiteral(" (") + report.detail +
                   QStringLiteral(").");
        case StationDbProblem::MissingTable:
            return Text(text::kReasonMissingTable) + report.detail + QLatin1Char('.');
        case StationDbProblem::MissingColumn:
            return Text(text::kReasonMissingColumn) + report.detail + QLatin1Char('.');
        case StationDbProblem::NoStations:
            return Text(text::kReasonNoStations);
        case StationDbProblem::NoEdition:
            return Text(text::kReasonNoEdition);
    }
    return Text(text::kReasonUnreadable) + QLatin1Char('.');
}

QString EditionIs(std::int32_t edition) {
    return Text(text::kReasonEditionIs) + QString::number(edition);
}

bool Refuse(const char* frame, const QString& reason) {
    const QString message = Text(frame) + reason;
    qCWarning(lcMerge).noquote() << message;
    platform::ShowMessageBox(message);
    return false;
}

IdList RadioIds(const PlaylistList& list) {
    IdList ids;
    for (const CPlaylistSet& entry : list)
        ids.append(entry.m_RadioID);
    return ids;
}

// The engine's own files beside a database (rollback journal, write-ahead log and its index):
// one of them beside newfm.dat would be read into it when it is opened.
const char* const kEngineSiblings[] = {"-journal", "-wal", "-shm"};

bool SyncPath(const QString& path, int flags) {
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

bool Extract(const QString& packagePath, const UpdaterConfig& config) {
    const QString target = config.NewDatabasePath();
    for (const char* sibling : kEngineSiblings)
        QFile::remove(target + QString::fromUtf8(sibling));
    QString why;
    const platform::PackageError error = platform::ExtractPackageEntry(
        packagePath, QString::fromUtf8(text::kNewDatabaseFile), target, &why);
    if (error != platform::PackageError::None) {
        qCWarning(lcMerge).noquote() << "cannot extract the new database from" << packagePath << "-"
                                     << platform::PackageErrorName(error) << "-" << why;
        return false;
    }
    return true;
}

bool CheckNewEdition(const UpdaterConfig& config, std::int32_t announcedEdition,
                     std::int32_t installedEdition) {
    const StationDbReport edition = CheckStationDatabase(config.NewDatabasePath());
    if (!edition.Ok())
        return Refuse(text::kEditionRefused, Reason(edition));
    if (edition.edition != announcedEdition)
        return Refuse(text::kEditionRefused,
                      EditionIs(edition.edition) + Text(text::kReasonNotAnnounced) +
                          QString::number(announcedEdition) + QLatin1Char('.'));
    // The file itself says best what is installed; while the player holds it, it cannot be read
    // here and the command line's edition stands (the merge then reports the player).
    const StationDbReport installed = CheckStationDatabase(config.DatabasePath());
    const std::int32_t current =
        installed.Ok() ? std::max(installed.edition, installedEdition) : installedEdition;
    if (edition.edition <= current)
        return Refuse(text::kEditionRefused, EditionIs(edition.edition) +
                                                 Text(text::kReasonNotNewer) +
                                                 QString::number(current) + QLatin1Char('.'));
    qCInfo(lcMerge) << "edition" << edition.edition << "with" << edition.stations
                    << "stations checked";
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
    // What the result must hold: the carried entries whose station the edition has, in order.
    const StationDbReport before = CheckStationDatabase(config.NewDatabasePath(), RadioIds(list));
    if (!before.Ok())
        return Refuse(text::kEditionRefused, Reason(before));
    PlaylistList expected;
    for (const CPlaylistSet& entry : list)
        if (before.presentIds.contains(entry.m_RadioID))
            expected.append(entry);

    CUpdateDatabase edition;
    // The edition's own playlist (its default presets) is what the Playlist flags of the new
    // file describe until the user's playlist replaces it.
    PlaylistList former;
    const bool ok = edition.Open(config.NewDatabasePath()) && edition.ReadPlaylist(former) &&
                    edition.ReplacePlaylist(list) && edition.RemoveOrphans(list) &&
                    edition.MarkPlaylistStations(former) && edition.Close();
    if (!ok)
        return false;

    const StationDbReport after = CheckStationDatabase(config.NewDatabasePath());
    if (!after.Ok())
        return Refuse(text::kMergedRefused, Reason(after));
    if (after.edition != before.edition)
        return Refuse(text::kMergedRefused, EditionIs(after.edition) +
                                                Text(text::kReasonNotAnnounced) +
                                                QString::number(before.edition) + QLatin1Char('.'));
    if (after.playlist != expected)
        return Refuse(text::kMergedRefused, Text(text::kReasonPlaylistLost));
    qCInfo(lcMerge) << "merged the user's" << list.size()
                    << "playlist entries into the new edition;" << expected.size() << "kept";
    return true;
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
    // The copy goes beside the target under a name of its own (a killed run's copy is removed
    // at the next start), reaches the disk, and only then takes the target's name; the folder is
    // flushed too, so that after a crash the name points at the old file or the whole new one.
    const QString partial = target + QString::fromUtf8(kReplacePartialSuffix) +
                            QUuid::createUuid().toString(QUuid::Id128).left(8);
    QFile out(partial);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        qCWarning(lcMerge) << "cannot write beside" << target << out.errorString();
        return false;
    }
    auto fail = [&](const QString& why) {
        qCWarning(lcMerge).noquote() << "cannot replace" << target << "-" << why;
        out.close();
        QFile::remove(partial);
        return false;
    };
    out.setPermissions(existing.exists() ? existing.permissions()
                                         : QFile::ReadOwner | QFile::WriteOwner);
    QByteArray block;
    while (!(block = in.read(1 << 20)).isEmpty())
        if (out.write(block) != block.size())
            return fail(out.errorString());
    if (in.error() != QFile::NoError)
        return fail(in.errorString());
    if (!out.flush() || ::fsync(out.handle()) != 0)
        return fail(QStringLiteral("cannot flush the copy to disk"));
    if (out.size() != in.size())
        return fail(QStringLiteral("the copy is incomplete"));
    out.close();
    if (::rename(QFile::encodeName(partial).constData(), QFile::encodeName(target).constData()) !=
        0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    if (!SyncPath(QFileInfo(target).absolutePath(), O_RDONLY | O_DIRECTORY))
        qCWarning(lcMerge) << "cannot flush the folder of" << target;
    in.close();
    if (!QFile::remove(source))
        qCWarning(lcMerge) << "cannot remove" << source;
    qCInfo(lcMerge) << "replaced" << target;
    return true;
}

}  // namespace velotune
