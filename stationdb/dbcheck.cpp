#include "stationdb/dbcheck.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <memory>

#include "stationdb/sqlite_util.h"

Q_LOGGING_CATEGORY(lcDbCheck, "velotune.stationdb.check")

namespace velotune {
namespace {

struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct Finalizer {
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using Db = std::unique_ptr<sqlite3, Closer>;
using Stmt = std::unique_ptr<sqlite3_stmt, Finalizer>;

struct TableColumns {
    const char* table;
    std::initializer_list<const char*> columns;
};

// Every table and column that the player, the finder and the merge read.
const TableColumns kRequired[] = {
    {"Radio",
     {"RadioID",    "Station Name", "Frequency",    "GenreOne",    "GenreTwo", "GenreThree",
      "StationURL", "StreamURL",    "StreamFormat", "City",        "State",    "Country",
      "Active",     "LanguageOne",  "LanguageTwo",  "Playlist",    "Comments", "Ranking",
      "Popularity", "ReserveOne",   "ReserveTwo",   "ReserveThree"}},
    {"Playlist", {"RadioID", "PlaylistID"}},
    {"DBVersion", {"DBVersionNo"}},
    {"Country", {"CountryID", "CountryName"}},
    {"Genre", {"GenreID", "GenreName"}},
};

Stmt Prepare(sqlite3* db, const QByteArray& sql) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        return nullptr;
    }
    return Stmt(raw);
}

StationDbReport Problem(StationDbProblem problem, const QString& detail) {
    StationDbReport report;
    report.problem = problem;
    report.detail = detail;
    return report;
}

StationDbReport Check(sqlite3* db, const IdList& probeIds) {
    const auto engine = [db] { return stationdb_detail::ErrorText(db); };
    // The first statement reads page 1 and so proves the password.
    Stmt integrity = Prepare(db, "PRAGMA integrity_check(10)");
    if (!integrity)
        return Problem(StationDbProblem::Unreadable, engine());
    QStringList findings;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(integrity.get())) == SQLITE_ROW)
        findings.append(stationdb_detail::ColumnText(integrity.get(), 0));
    if (rc != SQLITE_DONE)
        return Problem(StationDbProblem::Damaged, engine());
    if (findings != QStringList{QStringLiteral("ok")}) {
        // The first line may be only a heading ("*** in database main ***").
        findings.removeIf([](const QString& f) { return f.startsWith(QLatin1String("***")); });
        return Problem(StationDbProblem::Damaged, findings.mid(0, 2).join(QStringLiteral("; ")));
    }

    for (const TableColumns& required : kRequired) {
        Stmt info = Prepare(db, QByteArray("PRAGMA table_info(\"") + required.table + "\")");
        if (!info)
            return Problem(StationDbProblem::Unreadable, engine());
        QSet<QString> present;
        while (sqlite3_step(info.get()) == SQLITE_ROW)
            present.insert(stationdb_detail::ColumnText(info.get(), 1).toLower());
        if (present.isEmpty())
            return Problem(StationDbProblem::MissingTable, QString::fromUtf8(required.table));
        for (const char* column : required.columns)
            if (!present.contains(QString::fromUtf8(column).toLower()))
                return Problem(StationDbProblem::MissingColumn, QString::fromUtf8(required.table) +
                                                                    QLatin1Char('.') +
                                                                    QString::fromUtf8(column));
    }

    StationDbReport report;
    Stmt count = Prepare(db, "SELECT count(*) FROM Radio");
    if (!count || sqlite3_step(count.get()) != SQLITE_ROW)
        return Problem(StationDbProblem::Unreadable, engine());
    report.stations = std::int32_t(sqlite3_column_int64(count.get(), 0));
    if (report.stations <= 0)
        return Problem(StationDbProblem::NoStations, {});

    // The first row, as the data access layer reads the edition.
    Stmt edition = Prepare(db, "SELECT DBVersionNo FROM DBVersion ORDER BY rowid LIMIT 1");
    if (!edition)
        return Problem(StationDbProblem::Unreadable, engine());
    rc = sqlite3_step(edition.get());
    if (rc == SQLITE_DONE)
        return Problem(StationDbProblem::NoEdition, {});
    if (rc != SQLITE_ROW)
        return Problem(StationDbProblem::Unreadable, engine());
    report.edition = sqlite3_column_int(edition.get(), 0);

    Stmt playlist = Prepare(db, "SELECT RadioID, PlaylistID FROM Playlist ORDER BY rowid");
    if (!playlist)
        return Problem(StationDbProblem::Unreadable, engine());
    while ((rc = sqlite3_step(playlist.get())) == SQLITE_ROW)
        report.playlist.append(
            {sqlite3_column_int(playlist.get(), 0), sqlite3_column_int(playlist.get(), 1)});
    if (rc != SQLITE_DONE)
        return Problem(StationDbProblem::Unreadable, engine());

    Stmt exists = Prepare(db, "SELECT 1 FROM Radio WHERE RadioID = ?1");
    if (!exists)
        return Problem(StationDbProblem::Unreadable, engine());
    for (const std::int32_t id : probeIds) {
        sqlite3_reset(exists.get());
        sqlite3_bind_int(exists.get(), 1, id);
        rc = sqlite3_step(exists.get());
        if (rc == SQLITE_ROW)
            report.presentIds.insert(id);
        else if (rc != SQLITE_DONE)
            return Problem(StationDbProblem::Unreadable, engine());
    }
    return report;
}

}  // namespace

StationDbReport CheckStationDatabase(const QString& path, const IdList& probeIds) {
    const QFileInfo file(path);
    // An empty file is an empty database to the engine; here it is no station database.
    if (!file.isFile() || file.size() == 0)
        return Problem(StationDbProblem::Unreadable, file.exists()
                                                         ? QStringLiteral("the file is empty")
                                                         : QStringLiteral("the file is missing"));
    sqlite3* raw = nullptr;
    const int rc =
        stationdb_detail::OpenKeyed(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, &raw);
    Db db(raw);
    if (!db)
        return Problem(StationDbProblem::Unreadable, QStringLiteral("out of memory"));
    if (rc != SQLITE_OK)
        return Problem(StationDbProblem::Unreadable, stationdb_detail::ErrorText(db.get()));
    StationDbReport report = Check(db.get(), probeIds);
    if (!report.Ok())
        qCInfo(lcDbCheck).noquote() << path << "-" << int(report.problem) << report.detail;
    return report;
}

}  // namespace velotune
