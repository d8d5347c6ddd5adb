// updater/update_database.h
//
// The last three steps of an update, run one after the other on the dialog's thread once the
// package is on disk:
//
//   Extract          writes newfm.dat, and nothing else, from the package into the temporary
//                    folder; the package is only read, never run
//   Merge            carries the user's playlist from velostn.dat into newfm.dat
//   ReplaceDatabase  puts newfm.dat in the place of velostn.dat in one step
//
// Each returns a success flag. Database errors have been shown in a message box (by the station
// database layer) before a step reports failure; the sequence turns the failure into its status
// text. Until ReplaceDatabase succeeds, the user's velostn.dat is only ever read.
//
// CUpdateDatabase is the updater's view of one station database file, over CRadioDatabase.
//
// Threading: the dialog's thread; every call blocks on file I/O.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "stationdb/radiodatabase.h"
#include "updater/update_config.h"

namespace velotune {

class CUpdateDatabase {
public:
    // Opens the file exclusively for reading and writing; fails when it is missing, not a station
    // database or held by another program (the player).
    bool Open(const QString& path);
    bool Close();

    // Appends every playlist row, in table order.
    bool ReadPlaylist(PlaylistList& list);
    // Replaces the whole playlist by the list, in list order, in one transaction: on failure the
    // table is as it was.
    bool ReplacePlaylist(const PlaylistList& list);
    // Drops, for each entry of the list, one playlist row of its station when the database does
    // not hold that station. Entries whose station is there stay, whatever the station's fields.
    bool RemoveOrphans(const PlaylistList& list);
    // Deletes the first playlist row of that station, if there is one.
    bool DeletePlaylistByRadio(std::int32_t radioId);
    // Makes the stations' Playlist flags agree with the playlist table: set for every station on
    // it, cleared for each station of formerList that is no longer on it.
    bool MarkPlaylistStations(const PlaylistList& formerList);

private:
    CRadioDatabase m_database;
};

// Writes newfm.dat from the package at packagePath into config.tempDir (the update's own work
// folder; a journal or other file of the engine's beside newfm.dat is removed first). A package
// whose archive holds an unsafe entry (absolute path, "..", a link, an oversized entry), no
// newfm.dat, or that is damaged or not an archive fails, and leaves no newfm.dat from it behind.
bool Extract(const QString& packagePath, const UpdaterConfig& config);

// Checks the new edition in config.NewDatabasePath() before anything else is done with it: it
// opens with the database password, passes the engine's integrity check, has every table and
// column the programs read, holds stations, and its edition is exactly announcedEdition (the
// update page's) and newer than the installed one (installedEdition, the command line's, or the
// edition of config.DatabasePath() when that is higher). On failure shows, in a message box, what
// was wrong in plain words, and returns false.
bool CheckNewEdition(const UpdaterConfig& config, std::int32_t announcedEdition,
                     std::int32_t installedEdition);

// Reads the playlist of config.DatabasePath(), calls progress(94), then writes it into
// config.NewDatabasePath(), drops the entries whose station the new edition lacks (the others
// keep their numbers) and sets the stations' Playlist flags to match. The result is then checked
// like a new edition (same edition as before the merge) and must hold exactly the carried
// entries; a result that fails is refused with a message box saying why.
bool Merge(const UpdaterConfig& config, const std::function<void(int position)>& progress);

// Replaces velostn.dat by newfm.dat: the new edition is copied beside velostn.dat under a
// temporary name, flushed to disk, renamed over it, and the folder flushed, so velostn.dat is
// always either the old file or the whole new one, even across a crash. On success newfm.dat is
// removed; on failure everything stays as it was.
bool ReplaceDatabase(const UpdaterConfig& config);

}  // namespace velotune
