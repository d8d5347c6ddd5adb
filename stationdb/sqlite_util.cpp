#include "stationdb/sqlite_util.h"

#include <QFile>
#include <cstring>

#include "stationdb/radiodatabase.h"

namespace velotune::stationdb_detail {

int OpenKeyed(const QString& path, int flags, sqlite3** db) {
    *db = nullptr;
    const QByteArray file = QFile::encodeName(path);
    int rc = sqlite3_open_v2(file.constData(), db, flags, nullptr);
    if (rc != SQLITE_OK)
        return rc;
    // The key only takes effect when the first page is read, so a wrong password shows up at the
    // first statement, not here.
    return sqlite3_key(*db, kDatabasePassword, static_cast<int>(std::strlen(kDatabasePassword)));
}

QString ErrorText(sqlite3* db) {
    return QString::fromUtf8(sqlite3_errmsg(db));
}

int BindText(sqlite3_stmt* stmt, int param, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    // An empty QByteArray still points at "", so an empty text is stored as '' and never NULL.
    return sqlite3_bind_text(stmt, param, utf8.constData(), static_cast<int>(utf8.size()),
                             SQLITE_TRANSIENT);
}

int BindStationColumns(sqlite3_stmt* stmt, const CRadioSet& r) {
    int param = 0;
    int rc = SQLITE_OK;
    auto text = [&](const QString& value) {
        if (rc == SQLITE_OK)
            rc = BindText(stmt, ++param, value);
    };
    auto number = [&](std::int32_t value) {
        if (rc == SQLITE_OK)
            rc = sqlite3_bind_int(stmt, ++param, value);
    };
    text(r.m_StationName);
    text(r.m_Frequency);
    text(r.m_GenreOne);
    text(r.m_GenreTwo);
    text(r.m_GenreThree);
    text(r.m_StationURL);
    text(r.m_StreamURL);
    text(r.m_StreamFormat);
    text(r.m_City);
    text(r.m_State);
    text(r.m_Country);
    number(r.m_Active != 0 ? 1 : 0);
    text(r.m_LanguageOne);
    text(r.m_LanguageTwo);
    number(r.m_Playlist != 0 ? 1 : 0);
    text(r.m_Comments);
    number(r.m_Ranking);
    text(r.m_Popularity);
    text(r.m_ReserveOne);
    text(r.m_ReserveTwo);
    number(r.m_ReserveThree);
    return rc;
}

QString ColumnText(sqlite3_stmt* stmt, int column) {
    // sqlite3_column_text first, then sqlite3_column_bytes: that order gives the UTF-8 length.
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    if (!text)
        return QString();
    return QString::fromUtf8(text, sqlite3_column_bytes(stmt, column));
}

namespace {
std::int32_t ColumnFlag(sqlite3_stmt* stmt, int column) {
    return sqlite3_column_int64(stmt, column) != 0 ? 1 : 0;
}
}  // namespace

void ReadStationRow(sqlite3_stmt* stmt, CRadioSet& r) {
    r.m_RadioID = sqlite3_column_int(stmt, 0);
    r.m_StationName = ColumnText(stmt, 1);
    r.m_Frequency = ColumnText(stmt, 2);
    r.m_GenreOne = ColumnText(stmt, 3);
    r.m_GenreTwo = ColumnText(stmt, 4);
    r.m_GenreThree = ColumnText(stmt, 5);
    r.m_StationURL = ColumnText(stmt, 6);
    r.m_StreamURL = ColumnText(stmt, 7);
    r.m_StreamFormat = ColumnText(stmt, 8);
    r.m_City = ColumnText(stmt, 9);
    r.m_State = ColumnText(stmt, 10);
    r.m_Country = ColumnText(stmt, 11);
    r.m_Active = ColumnFlag(stmt, 12);
    r.m_LanguageOne = ColumnText(stmt, 13);
    r.m_LanguageTwo = ColumnText(stmt, 14);
    r.m_Playlist = ColumnFlag(stmt, 15);
    r.m_Comments = ColumnText(stmt, 16);
    r.m_Ranking = sqlite3_column_int(stmt, 17);
    r.m_Popularity = ColumnText(stmt, 18);
    r.m_ReserveOne = ColumnText(stmt, 19);
    r.m_ReserveTwo = ColumnText(stmt, 20);
    r.m_ReserveThree = sqlite3_column_int(stmt, 21);
}

}  // namespace velotune::stationdb_detail
