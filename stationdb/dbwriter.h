// stationdb/dbwriter.h
//
// Writes a whole new station database file: the schema (schema.sql) and the given rows, keyed
// with the database password. The station database builder makes the shipped file with it, and
// tests make their fixture files with it. Neither program calls it: they only open files that
// already exist.
//
// Threading: any thread; blocks while the file is written.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "stationdb/recordsets.h"

namespace velotune {

struct StationDbContent {
    std::optional<std::int32_t> edition;  // the one DBVersion row; none leaves the table empty
    QList<CRadioSet> stations;            // added in order: the n-th gets RadioID n (1-based)
    NameList countries;                   // CountryID 1, 2, ... in this order
    NameList genres;                      // GenreID 1, 2, ... in this order
    PlaylistList playlist;                // rows of table Playlist, in order
};

// Creates path and writes content into it in one transaction. Refuses a path that already
// exists. On failure returns false with the reason in *error and leaves no file behind.
bool WriteStationDatabase(const QString& path, const StationDbContent& content, QString* error);

}  // namespace velotune
