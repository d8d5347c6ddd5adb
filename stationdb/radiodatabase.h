// stationdb/radiodatabase.h
//
// CRadioDatabase is the one way into a station database file for both programs: the player opens
// "velostn.dat" through it for its whole run; the updater opens its own "velostn.dat" and
// "newfm.dat" through it to carry the playlist over.
//
// Every operation returns a result code (below) and has already shown its own message box through
// platform::ShowMessageBox when it fails, so callers only test for kDbOk. Operations that fill a
// list append at its tail and never clear it.
//
// The file is opened exclusively: while one CRadioDatabase holds it open, no other process (nor
// another connection in this process) can open it, and OpenDatabase there fails with 21 and the
// engine's "database is locked". Searches compare text without regard to letter case.
//
// Threading: an object belongs to the thread that uses it (the user-interface thread in the
// player, the dialog thread in the updater); no call may run on two threads at once. Every call
// blocks on file I/O, which is short for this small file.
// Ownership: the playback controller owns the player's one instance; the updater owns its own.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "stationdb/recordsets.h"

struct sqlite3;
struct sqlite3_stmt;

namespace velotune {

// Result codes.
inline constexpr int kDbOk = 0;
inline constexpr int kDbNoMemory = 10;         // "Insufficient memory" has been shown
inline constexpr int kDbOpenFailed = 21;       // the engine's text has been shown
inline constexpr int kDbRecordsetFailed = 46;  // a message has been shown
inline constexpr int kDbCloseFailed = 78;      // the engine's text has been shown

// The password with which every station database file is keyed.
inline constexpr char kDatabasePassword[] = "QK73RU58WD";

namespace stationdb_detail {
struct DbCloser {
    void operator()(sqlite3* db) const;
};
struct StmtFinalizer {
    void operator()(sqlite3_stmt* stmt) const;
};
}  // namespace stationdb_detail

class CRadioDatabase {
public:
    CRadioDatabase();
    ~CRadioDatabase();  // closes an open database
    CRadioDatabase(const CRadioDatabase&) = delete;
    CRadioDatabase& operator=(const CRadioDatabase&) = delete;

    // ---- File ---------------------------------------------------------------------------------

    // Opens an existing database file for reading and writing, keyed with kDatabasePassword, and
    // takes an exclusive lock on it that is held until CloseDatabase. Never creates the file.
    // A database already open in this object is closed first. 0; 21 when the file is missing,
    // not a station database, keyed with another password or held by someone else. An empty or
    // unreadable file, or one without the station tables, is reported as damaged with its path
    // (kDatabaseDamaged) and never written to.
    int OpenDatabase(const QString& path);

    // Closes the database and releases the lock. 0 (also when nothing was open) or 78.
    int CloseDatabase();

    bool IsOpen() const { return db_ != nullptr; }

    // Every operation below needs an open database; on a closed one it shows that the station
    // database is not open and returns 46.

    // ---- Stations -----------------------------------------------------------------------------

    // Fills the record with the row of that RadioID. No such row: "Failed to open database
    // recordset", 46, and the record is left as it was.
    int GetStation(std::int32_t radioId, CRadioSet& record);

    // Adds a row from every column of the record but RadioID, which the database assigns (the
    // record's own RadioID is ignored and left as it is). Works on an empty table.
    int InsertStation(const CRadioSet& record);

    // Overwrites every column but RadioID of the row that the record's RadioID names. No such
    // row: "Failed to open database recordset", 46, nothing changed.
    int UpdateStation(const CRadioSet& record);

    // Deletes that row if it exists (0 either way). Playlist rows are left alone.
    int DeleteStation(std::int32_t radioId);

    // Sets exists to whether a row with that RadioID is there; shows nothing when it is not.
    int StationExists(std::int32_t radioId, bool& exists);

    // Sets count to the number of rows of table Radio.
    int GetStationCount(std::int32_t& count);

    // ---- Lists for the finder -----------------------------------------------------------------

    // Every GenreName / CountryName in table order, empty names and duplicates included.
    int GetGenres(NameList& names);
    int GetCountries(NameList& names);

    // The non-empty States of the stations of that country (any letter case), in table order,
    // each appended only when the list does not already hold exactly that text: "Hesse" and
    // "hesse" are two names.
    int GetStates(const QString& country, NameList& names);

    // The same for the Cities of the stations whose State is that state, in any country.
    int GetCities(const QString& state, NameList& names);

    // ---- Searches (playable = StreamFormat "WMP" or "Real", in any letter case) ---------------

    // The RadioIDs of the playable stations whose GenreOne is that genre (GenreTwo and GenreThree
    // are not searched), in RadioID order.
    int FindStationsByGenre(const QString& genre, IdList& ids);

    // The RadioIDs of the playable stations of that country, in RadioID order.
    int FindStationsByCountry(const QString& country, IdList& ids);

    // The RadioIDs of the playable stations whose name contains `text`, ignoring letter case and
    // accents ("cafe" finds "Café Bleu", "CAFÉ" too), best matches first: names equal to the
    // text, then names that begin with it, then names with a word that begins with it, then the
    // rest; within each group by the position of the match, then by name, then RadioID. A blank
    // text finds nothing. The names are read once and kept until the database is closed or a
    // station is written or deleted through this object, so a search per keystroke costs a walk
    // over the kept names.
    int FindStationsByName(const QString& text, IdList& ids);

    // The form both sides of the name search are compared in: compatibility decomposition
    // without the combining marks, case-folded, blanks trimmed.
    static QString FoldForSearch(const QString& text);

    // Appends to result, in the order of ids, each ID whose station has that State / City
    // (duplicates in ids are kept). On failure nothing is appended. ids may be result itself.
    int FilterStationsByState(const IdList& ids, const QString& state, IdList& result);
    int FilterStationsByCity(const IdList& ids, const QString& city, IdList& result);

    // ---- Playlist -----------------------------------------------------------------------------

    // Adds a row (RadioID, PlaylistID) at the end of table Playlist.
    int AddPlaylistEntry(const CPlaylistSet& entry);

    // Deletes the first row (in table order) with that RadioID, if there is one.
    int RemovePlaylistEntry(std::int32_t radioId);

    // Appends one entry per row, in table order. Its allocation message is "Insufficient Memory".
    int LoadPlaylist(PlaylistList& list);

    // Replaces the whole table by the list's entries in list order, in one transaction: on
    // failure the table is left exactly as it was.
    int SavePlaylist(const PlaylistList& list);

    // Sets the Playlist flag (stored as 0 or 1) of each listed station, in one transaction;
    // RadioIDs without a row are passed over.
    int SetPlaylistFlags(const IdList& ids, std::int32_t onPlaylist);

    // ---- Edition ------------------------------------------------------------------------------

    // Stores DBVersionNo of the first DBVersion row. An empty table: "Failed to open database
    // recordset", 46, and version is left as it was.
    int GetDBVersion(std::int32_t& version);

private:
    enum Statement : int;
    using DbHandle = std::unique_ptr<sqlite3, stationdb_detail::DbCloser>;
    using StmtHandle = std::unique_ptr<sqlite3_stmt, stationdb_detail::StmtFinalizer>;
    static constexpr int kStatementCount = 24;

    // Runs one operation: checks that the database is open, remembers the operation's name for
    // the log and its allocation-failure text, and turns an allocation failure into 10.
    template <typename Work>
    int Run(const char* op, const char* noMemoryText, Work&& work);

    // Shows message (and logs it with the operation's name); returns code.
    int Fail(int code, const QString& message) const;
    // Shows the engine's text for the last error; returns code.
    int EngineError(int code = kDbRecordsetFailed) const;
    // Shows "Failed to open database recordset"; returns 46.
    int NoRow() const;

    // The statement, prepared on first use and kept until the database closes. On failure shows
    // the message, sets result (46, or 10 when the engine ran out of memory) and returns nullptr.
    sqlite3_stmt* Prepare(Statement which, int& result);
    // Runs work (returning a result code) in one transaction: committed when it returns kDbOk,
    // rolled back when it fails or throws.
    template <typename Work>
    int InTransaction(Work&& work);
    // Steps a statement that returns no rows.
    int Exec(Statement which);
    void FinalizeStatements();

    int WriteStation(Statement which, const CRadioSet& record);
    int AppendNames(Statement which, const QString* key, NameList& names, bool distinct);
    int AppendIds(Statement which, const QString& key, IdList& ids);
    int FilterStations(Statement which, const IdList& ids, const QString& value, IdList& result);

    int ReadNameKeys();

    // The playable stations' folded names, in RadioID order, for the name search.
    struct NameKey {
        std::int32_t radioId = 0;
        QString name;
        QString folded;
    };
    std::vector<NameKey> nameKeys_;
    bool nameKeysRead_ = false;

    DbHandle db_;
    std::array<StmtHandle, kStatementCount> statements_;  // finalized before db_ closes
    const char* op_ = "";                                 // the running operation, for the log
    const char* noMemoryText_ = "";
};

}  // namespace velotune
