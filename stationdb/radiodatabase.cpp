#include "stationdb/radiodatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSet>
#include <algorithm>
#include <iterator>
#include <new>

#include "platform/msgbox/msgbox.h"
#include "res/texts.h"
#include "stationdb/sqlite_util.h"

Q_LOGGING_CATEGORY(lcStationDb, "velotune.stationdb", QtInfoMsg)

namespace velotune {

namespace stationdb_detail {
void DbCloser::operator()(sqlite3* db) const {
    sqlite3_close_v2(db);
}
void StmtFinalizer::operator()(sqlite3_stmt* stmt) const {
    sqlite3_finalize(stmt);
}
}  // namespace stationdb_detail

using stationdb_detail::BindStationColumns;
using stationdb_detail::BindText;
using stationdb_detail::ColumnText;
using stationdb_detail::ErrorText;
using stationdb_detail::ResetOnExit;

enum CRadioDatabase::Statement : int {
    kGetStation,
    kInsertStation,
    kUpdateStation,
    kDeleteStation,
    kStationExists,
    kCountStations,
    kGetGenres,
    kGetCountries,
    kGetStates,
    kGetCities,
    kFindByGenre,
    kFindByCountry,
    kFilterByState,
    kFilterByCity,
    kPlayableNames,
    kAddPlaylistEntry,
    kRemovePlaylistEntry,
    kLoadPlaylist,
    kClearPlaylist,
    kSetPlaylistFlag,
    kGetDBVersion,
    kBegin,
    kCommit,
    kRollback,
    kStatementEnd
};

namespace {

// Every value is a bound parameter. Conditions on text say COLLATE NOCASE themselves, so they
// ignore letter case even in a file whose columns were declared without it. Results come in
// RadioID (or table) order, which is the order rows were added.
constexpr const char* kStatementSql[] = {
    // kGetStation
    "SELECT " VELOTUNE_RADIO_COLUMNS " FROM Radio WHERE RadioID = ?1",
    // kInsertStation
    stationdb_detail::kInsertStationSql,
    // kUpdateStation
    "UPDATE Radio SET \"Station Name\" = ?1, Frequency = ?2, GenreOne = ?3, GenreTwo = ?4, "
    "GenreThree = ?5, StationURL = ?6, StreamURL = ?7, StreamFormat = ?8, City = ?9, "
    "State = ?10, Country = ?11, Active = ?12, LanguageOne = ?13, LanguageTwo = ?14, "
    "Playlist = ?15, Comments = ?16, Ranking = ?17, Popularity = ?18, ReserveOne = ?19, "
    "ReserveTwo = ?20, ReserveThree = ?21 WHERE RadioID = ?22",
    // kDeleteStation
    "DELETE FROM Radio WHERE RadioID = ?1",
    // kStationExists
    "SELECT 1 FROM Radio WHERE RadioID = ?1",
    // kCountStations
    "SELECT count(*) FROM Radio",
    // kGetGenres
    "SELECT GenreName FROM Genre ORDER BY GenreID",
    // kGetCountries
    "SELECT CountryName FROM Country ORDER BY CountryID",
    // kGetStates
    "SELECT State FROM Radio WHERE Country = ?1 COLLATE NOCASE AND State <> '' ORDER BY RadioID",
    // kGetCities
    "SELECT City FROM Radio WHERE State = ?1 COLLATE NOCASE AND City <> '' ORDER BY RadioID",
    // kFindByGenre
    "SELECT RadioID FROM Radio WHERE GenreOne = ?1 COLLATE NOCASE"
    " AND StreamFormat COLLATE NOCASE IN ('WMP', 'Real') ORDER BY RadioID",
    // kFindByCountry
    "SELECT RadioID FROM Radio WHERE Country = ?1 COLLATE NOCASE"
    " AND StreamFormat COLLATE NOCASE IN ('WMP', 'Real') ORDER BY RadioID",
    // kFilterByState (answered from the index alone)
    "SELECT RadioID FROM Radio WHERE State = ?1 COLLATE NOCASE",
    // kFilterByCity
    "SELECT RadioID FROM Radio WHERE City = ?1 COLLATE NOCASE",
    // kPlayableNames
    "SELECT RadioID, \"Station Name\" FROM Radio"
    " WHERE StreamFormat COLLATE NOCASE IN ('WMP', 'Real') ORDER BY RadioID",
    // kAddPlaylistEntry
    stationdb_detail::kInsertPlaylistEntrySql,
    // kRemovePlaylistEntry
    "DELETE FROM Playlist WHERE rowid ="
    " (SELECT rowid FROM Playlist WHERE RadioID = ?1 ORDER BY rowid LIMIT 1)",
    // kLoadPlaylist
    "SELECT RadioID, PlaylistID FROM Playlist ORDER BY rowid",
    // kClearPlaylist
    "DELETE FROM Playlist",
    // kSetPlaylistFlag
    "UPDATE Radio SET Playlist = ?2 WHERE RadioID = ?1",
    // kGetDBVersion
    "SELECT DBVersionNo FROM DBVersion ORDER BY rowid LIMIT 1",
    // kBegin, kCommit, kRollback
    "BEGIN",
    "COMMIT",
    "ROLLBACK",
};

// Undoes an open transaction when it goes out of scope without Commit, whichever way the
// function leaves (an error, or an allocation failure thrown while building rows).
class TransactionGuard {
public:
    TransactionGuard(sqlite3* db, sqlite3_stmt* rollback) : db_(db), rollback_(rollback) {}
    ~TransactionGuard() {
        // Some errors (a full disk, an I/O error) end the transaction by themselves.
        if (armed_ && !sqlite3_get_autocommit(db_)) {
            sqlite3_step(rollback_);
            sqlite3_reset(rollback_);
        }
    }
    TransactionGuard(const TransactionGuard&) = delete;
    TransactionGuard& operator=(const TransactionGuard&) = delete;

    void Disarm() { armed_ = false; }

private:
    sqlite3* db_;
    sqlite3_stmt* rollback_;
    bool armed_ = true;
};

}  // namespace

CRadioDatabase::CRadioDatabase() = default;

CRadioDatabase::~CRadioDatabase() {
    FinalizeStatements();
    db_.reset();
}

// ---- Shared shape of every operation ------------------------------------------------------------

template <typename Work>
int CRadioDatabase::Run(const char* op, const char* noMemoryText, Work&& work) {
    op_ = op;
    noMemoryText_ = noMemoryText;
    if (!db_)
        return Fail(kDbRecordsetFailed, QString::fromUtf8(text::kDatabaseNotOpen));
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return Fail(kDbNoMemory, QString::fromUtf8(noMemoryText_));
    }
}

int CRadioDatabase::Fail(int code, const QString& message) const {
    qCWarning(lcStationDb).noquote() << op_ << message;
    platform::ShowMessageBox(message);
    return code;
}

int CRadioDatabase::EngineError(int code) const {
    return Fail(code, ErrorText(db_.get()));
}

int CRadioDatabase::NoRow() const {
    return Fail(kDbRecordsetFailed, QString::fromUtf8(text::kFailedToOpenRecordset));
}

sqlite3_stmt* CRadioDatabase::Prepare(Statement which, int& result) {
    static_assert(std::size(kStatementSql) == kStatementEnd);
    static_assert(kStatementEnd == kStatementCount);
    StmtHandle& slot = statements_[which];
    if (!slot) {
        sqlite3_stmt* raw = nullptr;
        const int rc = sqlite3_prepare_v2(db_.get(), kStatementSql[which], -1, &raw, nullptr);
        slot.reset(raw);
        if (rc != SQLITE_OK) {
            slot.reset();
            result = rc == SQLITE_NOMEM ? Fail(kDbNoMemory, QString::fromUtf8(noMemoryText_))
                                        : EngineError();
            return nullptr;
        }
    }
    return slot.get();
}

int CRadioDatabase::Exec(Statement which) {
    int result = kDbOk;
    sqlite3_stmt* stmt = Prepare(which, result);
    if (!stmt)
        return result;
    ResetOnExit reset(stmt);
    return sqlite3_step(stmt) == SQLITE_DONE ? kDbOk : EngineError();
}

void CRadioDatabase::FinalizeStatements() {
    for (StmtHandle& stmt : statements_)
        stmt.reset();
}

// ---- File -----------------------------------------------------------------------------------

int CRadioDatabase::OpenDatabase(const QString& path) {
    if (db_ && CloseDatabase() != kDbOk)
        return kDbOpenFailed;
    op_ = "CRadioDatabase::OpenDatabase";
    noMemoryText_ = text::kInsufficientMemory;
    try {
        // An empty file is an empty database to the engine, which would take it and let the
        // program write into it; a file that cannot be read is no better. Either is left to the
        // user as it is.
        const QFileInfo file(path);
        const auto damaged = [&path] {
            return QString::fromUtf8(text::kDatabaseDamaged) + QDir::toNativeSeparators(path);
        };
        if (file.exists() && (!file.isFile() || file.size() == 0 || !file.isReadable()))
            return Fail(kDbOpenFailed, damaged());
        sqlite3* raw = nullptr;
        // Without SQLITE_OPEN_CREATE a missing file is an error instead of a new empty database.
        // The connection belongs to one thread (see the header), so the engine's own locking of
        // every call (most of the cost of reading a row) is left out.
        const int rc =
            stationdb_detail::OpenKeyed(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, &raw);
        DbHandle db(raw);
        if (!db)
            return Fail(kDbNoMemory, QString::fromUtf8(noMemoryText_));
        if (rc != SQLITE_OK)
            return Fail(kDbOpenFailed, ErrorText(db.get()));
        // Exclusive locking mode keeps every lock until the connection closes; the empty write
        // transaction takes the exclusive lock now, so nobody else can read or write the file
        // from here on. Reading the schema proves the password (and that it is a database).
        const int lock = sqlite3_exec(db.get(),
                                      "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE;"
                                      " SELECT count(*) FROM sqlite_master; COMMIT;",
                                      nullptr, nullptr, nullptr);
        if (lock != SQLITE_OK)
            return Fail(kDbOpenFailed, ErrorText(db.get()));
        // A keyed file without the station tables (cut short, or made by something else).
        sqlite3_stmt* tables = nullptr;
        int found = 0;
        if (sqlite3_prepare_v2(db.get(),
                               "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN"
                               " ('Radio', 'Playlist', 'DBVersion', 'Country', 'Genre')",
                               -1, &tables, nullptr) == SQLITE_OK &&
            sqlite3_step(tables) == SQLITE_ROW)
            found = sqlite3_column_int(tables, 0);
        sqlite3_finalize(tables);
        if (found != 5)
            return Fail(kDbOpenFailed, damaged());
        db_ = std::move(db);
        qCDebug(lcStationDb) << "opened" << path;
        return kDbOk;
    } catch (const std::bad_alloc&) {
        return Fail(kDbNoMemory, QString::fromUtf8(noMemoryText_));
    }
}

int CRadioDatabase::CloseDatabase() {
    op_ = "CRadioDatabase::CloseDatabase";
    nameKeys_.clear();
    nameKeysRead_ = false;
    if (!db_)
        return kDbOk;
    FinalizeStatements();
    if (sqlite3_close(db_.get()) != SQLITE_OK)
        return EngineError(kDbCloseFailed);
    (void)db_.release();  // closed above
    return kDbOk;
}

// ---- Stations -------------------------------------------------------------------------------

int CRadioDatabase::GetStation(std::int32_t radioId, CRadioSet& record) {
    return Run("CRadioDatabase::GetStation", text::kInsufficientMemory, [&] {
        int result = kDbOk;
        sqlite3_stmt* stmt = Prepare(kGetStation, result);
        if (!stmt)
            return result;
        ResetOnExit reset(stmt);
        sqlite3_bind_int(stmt, 1, radioId);
        switch (sqlite3_step(stmt)) {
            case SQLITE_ROW: {
                CRadioSet row;  // the caller's record changes only once the whole row is read
                stationdb_detail::ReadStationRow(stmt, row);
                record = std::move(row);
                return kDbOk;
            }
            case SQLITE_DONE:
                return NoRow();
            default:
                return EngineError();
        }
    });
}

int CRadioDatabase::WriteStation(Statement which, const CRadioSet& record) {
    nameKeysRead_ = false;  // a name or a format may change
    int result = kDbOk;
    sqlite3_stmt* stmt = Prepare(which, result);
    if (!stmt)
        return result;
    ResetOnExit reset(stmt);
    if (BindStationColumns(stmt, record) != SQLITE_OK)
        return EngineError();
    if (which == kUpdateStation)
        sqlite3_bind_int(stmt, 22, record.m_RadioID);
    if (sqlite3_step(stmt) != SQLITE_DONE)
        return EngineError();
    if (which == kUpdateStation && sqlite3_changes(db_.get()) == 0)
        return NoRow();
    return kDbOk;
}

int CRadioDatabase::InsertStation(const CRadioSet& record) {
    return Run("CRadioDatabase::InsertStation", text::kInsufficientMemory,
               [&] { return WriteStation(kInsertStation, record); });
}

int CRadioDatabase::UpdateStation(const CRadioSet& record) {
    return Run("CRadioDatabase::UpdateStation", text::kInsufficientMemory,
               [&] { return WriteStation(kUpdateStation, record); });
}

int CRadioDatabase::DeleteStation(std::int32_t radioId) {
    return Run("CRadioDatabase::DeleteStation", text::kInsufficientMemory, [&] {
        int result = kDbOk;
        sqlite3_stmt* stmt = Prepare(kDeleteStation, result);
        if (!stmt)
            return result;
        nameKeysRead_ = false;
        ResetOnExit reset(stmt);
        sqlite3_bind_int(stmt, 1, radioId);
        return sqlite3_step(stmt) == SQLITE_DONE ? kDbOk : EngineError();
    });
}

int CRadioDatabase::StationExists(std::int32_t radioId, bool& exists) {
    return Run("CRadioDatabase::StationExists", text::kInsufficientMemory, [&] {
        int result = kDbOk;
        sqlite3_stmt* stmt = Prepare(kStationExists, result);
        if (!stmt)
            return result;
        ResetOnExit reset(stmt);
        sqlite3_bind_int(stmt, 1, radioId);
        const int rc = sqlite3_step(stmt);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            return EngineError();
        exists = rc == SQLITE_ROW;
        return kDbOk;
    });
}

int CRadioDatabase::GetStationCount(std::int32_t& count) {
    return Run("CRadioDatabase::GetStationCount", text::kInsufficientMemory, [&] {
        int result = kDbOk;
        sqlite3_stmt* stmt = Prepare(kCountStations, result);
        if (!stmt)
            return result;
        ResetOnExit reset(stmt);
        if (sqlite3_step(stmt) != SQLITE_ROW)
            return EngineError();
        count = sqlite3_column_int(stmt, 0);
        return kDbOk;
    });
}

// ---- Lists for the finder -------------------------------------------------------------------

int CRadioDatabase::AppendNames(Statement which, const QString* key, NameList& names,
                                bool distinct) {
    int result = kDbOk;
    sqlite3_stmt* stmt = Prepare(which, result);
    if (!stmt)
        return result;
    ResetOnExit reset(stmt);
    if (key && BindText(stmt, 1, *key) != SQLITE_OK)
        return EngineError();
    // Distinct means distinct from everything the list holds, including what the caller put in,
    // compared exactly (letter case counts).
    QSet<QString> seen;
    if (distinct)
        seen = QSet<QString>(names.cbegin(), names.cend());
    for (;;) {
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_DONE)
            return kDbOk;
        if (rc != SQLITE_ROW)
            return EngineError();
        QString name = ColumnText(stmt, 0);
        if (distinct) {
            if (seen.contains(name))
                continue;
            seen.insert(name);
        }
        names.append(std::move(name));
    }
}

int CRadioDatabase::GetGenres(NameList& names) {
    return Run("CRadioDatabase::GetGenres", text::kInsufficientMemory,
               [&] { return AppendNames(kGetGenres, nullptr, names, false); });
}

int CRadioDatabase::GetCountries(NameList& names) {
    return Run("CRadioDatabase::GetCountries", text::kInsufficientMemory,
               [&] { return AppendNames(kGetCountries, nullptr, names, false); });
}

int CRadioDatabase::GetStates(const QString& country, NameList& names) {
    return Run("CRadioDatabase::GetStates", text::kInsufficientMemory,
               [&] { return AppendNames(kGetStates, &country, names, true); });
}

int CRadioDatabase::GetCities(const QString& state, NameList& names) {
    return Run("CRadioDatabase::GetCities", text::kInsufficientMemory,
               [&] { return AppendNames(kGetCities, &state, names, true); });
}

// ---- Searches -------------------------------------------------------------------------------

int CRadioDatabase::AppendIds(Statement which, const QString& key, IdList& ids) {
    int result = kDbOk;
    sqlite3_stmt* stmt = Prepare(which, result);
    if (!stmt)
        return result;
    ResetOnExit reset(stmt);
    if (BindText(stmt, 1, key) != SQLITE_OK)
        return EngineError();
    for (;;) {
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_DONE)
            return kDbOk;
        if (rc != SQLITE_ROW)
            return EngineError();
        ids.append(sqlite3_column_int(stmt, 0));
    }
}

int CRadioDatabase::FindStationsByGenre(const QString& genre, IdList& ids) {
    return Run("CRadioDatabase::FindStationsByGenre", text::kInsufficientMemory,
               [&] { return AppendIds(kFindByGenre, genre, ids); });
}

int CRadioDatabase::FindStationsByCountry(const QString& country, IdList& ids) {
    return Run("CRadioDatabase::FindStationsByCountry", text::kInsufficientMemory,
               [&] { return AppendIds(kFindByCountry, country, ids); });
}

QString CRadioDatabase::FoldForSearch(const QString& text) {
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString folded;
    folded.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        const QChar::Category category = c.category();
        if (category != QChar::Mark_NonSpacing && category != QChar::Mark_SpacingCombining &&
            category != QChar::Mark_Enclosing)
            folded.append(c);
    }
    return folded.toCaseFolded().trimmed();
}

int CRadioDatabase::ReadNameKeys() {
    int result = kDbOk;
    sqlite3_stmt* stmt = Prepare(kPlayableNames, result);
    if (!stmt)
        return result;
    ResetOnExit reset(stmt);
    std::vector<NameKey> keys;
    for (;;) {
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_DONE)
            break;
        if (rc != SQLITE_ROW)
            return EngineError();
        NameKey key;
        key.radioId = sqlite3_column_int(stmt, 0);
        key.name = ColumnText(stmt, 1);
        key.folded = FoldForSearch(key.name);
        keys.push_back(std::move(key));
    }
    nameKeys_ = std::move(keys);
    nameKeysRead_ = true;
    return kDbOk;
}

int CRadioDatabase::FindStationsByName(const QString& text, IdList& ids) {
    return Run("CRadioDatabase::FindStationsByName", text::kInsufficientMemory, [&] {
        const QString needle = FoldForSearch(text);
        if (needle.isEmpty())
            return kDbOk;
        if (!nameKeysRead_) {
            const int result = ReadNameKeys();
            if (result != kDbOk)
                return result;
        }
        struct Match {
            int group;  // 0 equal, 1 begins with, 2 a word begins with, 3 contains
            qsizetype at;
            const NameKey* key;
        };
        std::vector<Match> matches;
        for (const NameKey& key : nameKeys_) {
            qsizetype at = key.folded.indexOf(needle);
            if (at < 0)
                continue;
            int group = 3;
            if (at == 0) {
                group = key.folded.size() == needle.size() ? 0 : 1;
            } else {
                // The first place where the text starts a word, if any.
                for (qsizetype from = at; from >= 0; from = key.folded.indexOf(needle, from + 1)) {
                    if (!key.folded.at(from - 1).isLetterOrNumber()) {
                        group = 2;
                        at = from;
                        break;
                    }
                }
            }
            matches.push_back({group, at, &key});
        }
        std::stable_sort(matches.begin(), matches.end(), [](const Match& a, const Match& b) {
            if (a.group != b.group)
                return a.group < b.group;
            if (a.at != b.at)
                return a.at < b.at;
            const int byName = QString::compare(a.key->folded, b.key->folded);
            if (byName != 0)
                return byName < 0;
            return a.key->radioId < b.key->radioId;
        });
        IdList found;
        found.reserve(static_cast<qsizetype>(matches.size()));
        for (const Match& match : matches)
            found.append(match.key->radioId);
        ids.append(found);
        return kDbOk;
    });
}

int CRadioDatabase::FilterStations(Statement which, const IdList& ids, const QString& value,
                                   IdList& result) {
    if (ids.isEmpty())
        return kDbOk;
    int code = kDbOk;
    sqlite3_stmt* stmt = Prepare(which, code);
    if (!stmt)
        return code;
    ResetOnExit reset(stmt);
    // One walk over the stations with that value (an index range, a few dozen entries for a state
    // or city) instead of one lookup per ID: the finder narrows results of a few hundred IDs.
    if (BindText(stmt, 1, value) != SQLITE_OK)
        return EngineError();
    QSet<std::int32_t> matching;
    for (;;) {
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_DONE)
            break;
        if (rc != SQLITE_ROW)
            return EngineError();
        matching.insert(sqlite3_column_int(stmt, 0));
    }
    const IdList source =
        ids;  // NOLINT(performance-unnecessary-copy-initialization): ids may be result
    for (const std::int32_t id : source) {
        if (matching.contains(id))
            result.append(id);
    }
    return kDbOk;
}

int CRadioDatabase::FilterStationsByState(const IdList& ids, const QString& state, IdList& result) {
    return Run("CRadioDatabase::FilterStationsByState", text::kInsufficientMemory,
               [&] { return FilterStations(kFilterByState, ids, state, result); });
}

int CRadioDatabase::FilterStationsByCity(const IdList& ids, const QString& city, IdList& result) {
    return Run("CRadioDatabase::FilterStationsByCity", text::kInsufficientMemory,
               [&] { return FilterStations(kFilterByCity, ids, city, result); });
}

// ---- Playlist -------------------------------------------------------------------------------

int CRadioDatabase::AddPlaylistEntry(const CPlaylistSet& entry) {
    return Run("CRadioDatabase::AddPlaylistEntry", text::kInsufficientMemory, [&] {
        int result = kDbOk;
        sqlite3_stmt* stmt = Prepare(kAddPlaylistEntry, result);
        if (!stmt)
            return result;
        ResetOnExit reset(stmt);
        sqlite3_bind_int(stmt, 1, entry.m_RadioID);
        sqlite3_bind_int(stmt, 2, entry.m_PlaylistID);
        return sqlite3_step(stmt) == SQLITE_DONE ? kDbOk : EngineError();
    });
}

int CRadioDatabase::RemovePlaylistEntry(std::int32_t radioId) {
    return Run("CRadioDatabase::RemovePlaylistEntry", text::kInsufficientMemory, [&] {
        int result = kDbOk;
        sqlite3_stmt* stmt = Prepare(kRemovePlaylistEntry, result);
        if (!stmt)
            return result;
        ResetOnExit reset(stmt);
        sqlite3_bind_int(stmt, 1, radioId);
        return sqlite3_step(stmt) == SQLITE_DONE ? kDbOk : EngineError();
    });
}

int CRadioDatabase::LoadPlaylist(PlaylistList& list) {
    return Run("CRadioDatabase::LoadPlaylist", text::kInsufficientMemoryCapital, [&] {
        int result = kDbOk;
        sqlite3_stmt* stmt = Prepare(kLoadPlaylist, result);
        if (!stmt)
            return result;
        ResetOnExit reset(stmt);
        for (;;) {
            const int rc = sqlite3_step(stmt);
            if (rc == SQLITE_DONE)
                return kDbOk;
            if (rc != SQLITE_ROW)
                return EngineError();
            list.append(CPlaylistSet{sqlite3_column_int(stmt, 0), sqlite3_column_int(stmt, 1)});
        }
    });
}

template <typename Work>
int CRadioDatabase::InTransaction(Work&& work) {
    int result = kDbOk;
    // Prepared before the transaction starts, so that ending it cannot fail for want of them.
    sqlite3_stmt* rollback = Prepare(kRollback, result);
    if (!rollback || !Prepare(kCommit, result))
        return result;
    result = Exec(kBegin);
    if (result != kDbOk)
        return result;
    TransactionGuard transaction(db_.get(), rollback);
    result = work();
    if (result == kDbOk) {
        result = Exec(kCommit);
        if (result == kDbOk)
            transaction.Disarm();
    }
    return result;
}

int CRadioDatabase::SavePlaylist(const PlaylistList& list) {
    return Run("CRadioDatabase::SavePlaylist", text::kInsufficientMemory, [&] {
        return InTransaction([&] {
            int result = Exec(kClearPlaylist);
            sqlite3_stmt* insert = result == kDbOk ? Prepare(kAddPlaylistEntry, result) : nullptr;
            if (!insert)
                return result;
            ResetOnExit reset(insert);
            for (const CPlaylistSet& entry : list) {
                sqlite3_bind_int(insert, 1, entry.m_RadioID);
                sqlite3_bind_int(insert, 2, entry.m_PlaylistID);
                if (sqlite3_step(insert) != SQLITE_DONE)
                    return EngineError();
                sqlite3_reset(insert);
            }
            return kDbOk;
        });
    });
}

int CRadioDatabase::SetPlaylistFlags(const IdList& ids, std::int32_t onPlaylist) {
    return Run("CRadioDatabase::SetPlaylistFlags", text::kInsufficientMemory, [&] {
        return InTransaction([&] {
            int result = kDbOk;
            sqlite3_stmt* update = Prepare(kSetPlaylistFlag, result);
            if (!update)
                return result;
            ResetOnExit reset(update);
            sqlite3_bind_int(update, 2, onPlaylist != 0 ? 1 : 0);
            for (const std::int32_t id : ids) {
                sqlite3_bind_int(update, 1, id);
                if (sqlite3_step(update) != SQLITE_DONE)
                    return EngineError();
                sqlite3_reset(update);
            }
            return kDbOk;
        });
    });
}

// ---- Edition --------------------------------------------------------------------------------

int CRadioDatabase::GetDBVersion(std::int32_t& version) {
    return Run("CRadioDatabase::GetDBVersion", text::kInsufficientMemory, [&] {
        int result = kDbOk;
        sqlite3_stmt* stmt = Prepare(kGetDBVersion, result);
        if (!stmt)
            return result;
        ResetOnExit reset(stmt);
        switch (sqlite3_step(stmt)) {
            case SQLITE_ROW:
                version = sqlite3_column_int(stmt, 0);
                return kDbOk;
            case SQLITE_DONE:
                return NoRow();
            default:
                return EngineError();
        }
    });
}

}  // namespace velotune
