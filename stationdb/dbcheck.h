// stationdb/dbcheck.h
//
// Looks a station database file over without changing it: that it opens with the database
// password, that the engine's integrity check passes, that every table and column the programs
// read is there, and what it holds (its edition, how many stations, its playlist). The updater
// checks a new edition with it before anything replaces the user's database, and the merged
// result again before the replace.
//
// The file is opened read-only and never created; a file that needs recovery (a hot journal
// beside it) is reported as unreadable rather than rolled back.
//
// Threading: any thread; blocks while the file is read (a whole-file integrity check).
#pragma once

#include <QSet>
#include <QString>
#include <cstdint>

#include "stationdb/recordsets.h"

namespace velotune {

enum class StationDbProblem {
    None = 0,
    Unreadable,     // missing, empty, not a database, another password, or needs recovery
    Damaged,        // the integrity check found faults (detail: the engine's first finding)
    MissingTable,   // detail: the table's name
    MissingColumn,  // detail: "Table.Column"
    NoStations,     // table Radio is empty
    NoEdition,      // table DBVersion has no row
};

struct StationDbReport {
    StationDbProblem problem = StationDbProblem::None;
    QString detail;  // what exactly, for the message and the log
    std::int32_t edition = 0;
    std::int32_t stations = 0;
    PlaylistList playlist;          // in table order
    QSet<std::int32_t> presentIds;  // those of the probed RadioIDs that table Radio holds

    bool Ok() const { return problem == StationDbProblem::None; }
};

// Checks the file at path. probeIds: RadioIDs whose presence in table Radio the report should
// say (the carried playlist's stations).
StationDbReport CheckStationDatabase(const QString& path, const IdList& probeIds = {});

}  // namespace velotune
