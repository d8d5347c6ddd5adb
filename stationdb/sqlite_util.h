// stationdb/sqlite_util.h (internal to stationdb/)
//
// What the data access layer and the file writer share: opening a keyed connection, the
// statements on table Radio and Playlist that both run, and moving station records in and out of
// statements. Everything here runs on the caller's thread.
#pragma once

#include <sqlite3.h>

#include <QString>

#include "stationdb/recordsets.h"

namespace velotune::stationdb_detail {

// Opens path with the given sqlite3_open_v2 flags and keys the connection with the database
// password. Returns the engine's result code; *db is set whenever the engine allocated a
// connection, even on failure (so its error text can be read), and must be closed by the caller.
int OpenKeyed(const QString& path, int flags, sqlite3** db);

// The engine's text for the connection's last error.
QString ErrorText(sqlite3* db);

// The 22 columns of table Radio in their order, for a SELECT list.
#define VELOTUNE_RADIO_COLUMNS                                                           \
    "RadioID, \"Station Name\", Frequency, GenreOne, GenreTwo, GenreThree, StationURL, " \
    "StreamURL, StreamFormat, City, State, Country, Active, LanguageOne, LanguageTwo, "  \
    "Playlist, Comments, Ranking, Popularity, ReserveOne, ReserveTwo, ReserveThree"

// Adds a station from parameters 1..21 (columns 2..22); the database assigns RadioID.
inline constexpr char kInsertStationSql[] =
    "INSERT INTO Radio (\"Station Name\", Frequency, GenreOne, GenreTwo, GenreThree, "
    "StationURL, StreamURL, StreamFormat, City, State, Country, Active, LanguageOne, "
    "LanguageTwo, Playlist, Comments, Ranking, Popularity, ReserveOne, ReserveTwo, ReserveThree) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, "
    "?19, ?20, ?21)";

// Adds a playlist entry at the end of the table from parameters 1 (RadioID) and 2 (PlaylistID).
inline constexpr char kInsertPlaylistEntrySql[] =
    "INSERT INTO Playlist (RadioID, PlaylistID) VALUES (?1, ?2)";

// Binds columns 2..22 of the record to parameters 1..21. Flags are bound as 0 or 1.
// Returns the engine's result code.
int BindStationColumns(sqlite3_stmt* stmt, const CRadioSet& record);

int BindText(sqlite3_stmt* stmt, int param, const QString& text);

// Reads a row whose columns are VELOTUNE_RADIO_COLUMNS into the record.
void ReadStationRow(sqlite3_stmt* stmt, CRadioSet& record);

QString ColumnText(sqlite3_stmt* stmt, int column);

// Resets a statement when it goes out of scope, so that no statement is left half-walked (an
// unfinished read would otherwise keep its transaction open) whichever way a function returns.
class ResetOnExit {
public:
    explicit ResetOnExit(sqlite3_stmt* stmt) : stmt_(stmt) {}
    ~ResetOnExit() { sqlite3_reset(stmt_); }
    ResetOnExit(const ResetOnExit&) = delete;
    ResetOnExit& operator=(const ResetOnExit&) = delete;

private:
    sqlite3_stmt* stmt_;
};

}  // namespace velotune::stationdb_detail
