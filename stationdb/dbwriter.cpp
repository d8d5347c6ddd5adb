#include "stationdb/dbwriter.h"

#include <QFile>
#include <QFileInfo>
#include <new>

#include "schema_sql.h"
#include "stationdb/radiodatabase.h"
#include "stationdb/sqlite_util.h"

namespace velotune {

using stationdb_detail::ErrorText;

namespace {

class Writer {
public:
    explicit Writer(sqlite3* db) : db_(db) {}

    bool Exec(const char* sql) {
        return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    }

    // Prepares sql, lets bind fill each row's parameters and steps it once per row.
    template <typename Rows, typename Bind>
    bool InsertAll(const char* sql, const Rows& rows, Bind bind) {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db_, sql, -1, &raw, nullptr) != SQLITE_OK)
            return false;
        std::unique_ptr<sqlite3_stmt, stationdb_detail::StmtFinalizer> stmt(raw);
        std::int32_t index = 0;
        for (const auto& row : rows) {
            ++index;
            if (bind(stmt.get(), row, index) != SQLITE_OK ||
                sqlite3_step(stmt.get()) != SQLITE_DONE)
                return false;
            sqlite3_reset(stmt.get());
        }
        return true;
    }

private:
    sqlite3* db_;
};

bool WriteContent(sqlite3* db, const StationDbContent& content) {
    Writer writer(db);
    if (!writer.Exec("BEGIN") || !writer.Exec(stationdb_detail::kSchemaSql))
        return false;
    const bool written =
        writer.InsertAll(stationdb_detail::kInsertStationSql, content.stations,
                         [](sqlite3_stmt* stmt, const CRadioSet& station, std::int32_t) {
                             return stationdb_detail::BindStationColumns(stmt, station);
                         }) &&
        writer.InsertAll("INSERT INTO Country (CountryID, CountryName) VALUES (?1, ?2)",
                         content.countries,
                         [](sqlite3_stmt* stmt, const QString& name, std::int32_t id) {
                             sqlite3_bind_int(stmt, 1, id);
                             return stationdb_detail::BindText(stmt, 2, name);
                         }) &&
        writer.InsertAll("INSERT INTO Genre (GenreID, GenreName) VALUES (?1, ?2)", content.genres,
                         [](sqlite3_stmt* stmt, const QString& name, std::int32_t id) {
                             sqlite3_bind_int(stmt, 1, id);
                             return stationdb_detail::BindText(stmt, 2, name);
                         }) &&
        writer.InsertAll(
            "INSERT INTO DBVersion (DBVersionNo) VALUES (?1)",
            content.edition ? QList<std::int32_t>{*content.edition} : QList<std::int32_t>{},
            [](sqlite3_stmt* stmt, std::int32_t edition, std::int32_t) {
                return sqlite3_bind_int(stmt, 1, edition);
            }) &&
        writer.InsertAll(stationdb_detail::kInsertPlaylistEntrySql, content.playlist,
                         [](sqlite3_stmt* stmt, const CPlaylistSet& entry, std::int32_t) {
                             sqlite3_bind_int(stmt, 1, entry.m_RadioID);
                             return sqlite3_bind_int(stmt, 2, entry.m_PlaylistID);
                         });
    return written && writer.Exec("COMMIT");
}

}  // namespace

bool WriteStationDatabase(const QString& path, const StationDbContent& content, QString* error) {
    QString reason;
    if (QFileInfo::exists(path)) {
        reason = QStringLiteral("%1 already exists").arg(path);
    } else {
        try {
            sqlite3* raw = nullptr;
            const int rc =
                stationdb_detail::OpenKeyed(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &raw);
            std::unique_ptr<sqlite3, stationdb_detail::DbCloser> db(raw);
            if (!db)
                reason = QStringLiteral("out of memory");
            else if (rc != SQLITE_OK || !WriteContent(db.get(), content))
                reason = ErrorText(db.get());
        } catch (const std::bad_alloc&) {
            reason = QStringLiteral("out of memory");
        }
        if (!reason.isEmpty()) {
            QFile::remove(path);
            QFile::remove(path + QStringLiteral("-journal"));
        }
    }
    if (!reason.isEmpty() && error)
        *error = reason;
    return reason.isEmpty();
}

}  // namespace velotune
