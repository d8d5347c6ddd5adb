// The data access layer on real, keyed database files: what the finder, the playlist and the
// updater rely on, the faults it must not have (statements broken by a quote, half-rewritten
// tables, a file a second process can open), and the shipped database itself.
#include "stationdb/radiodatabase.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>

#include "res/texts.h"
#include "stationdb/dbwriter.h"
#include "tests/support/message_recorder.h"
#include "tests/support/test_env.h"

namespace velotune {
namespace {

using test::MessageRecorder;

CRadioSet Station(const QString& name, const QString& country, const QString& state = {},
                  const QString& city = {}, const QString& genre = QStringLiteral("Pop"),
                  const QString& format = QStringLiteral("WMP")) {
    CRadioSet s;
    s.m_StationName = name;
    s.m_Country = country;
    s.m_State = state;
    s.m_City = city;
    s.m_GenreOne = genre;
    s.m_StreamFormat = format;
    s.m_StreamURL = QStringLiteral("http://127.0.0.1/") + name;
    s.m_Active = 1;
    return s;
}

QString MakeDatabase(const StationDbContent& content) {
    const QString path = test::MakeTempDir(QStringLiteral("db")) + QStringLiteral("/velostn.dat");
    QString error;
    EXPECT_TRUE(WriteStationDatabase(path, content, &error)) << error.toStdString();
    return path;
}

// Runs SQL on a file directly, keyed as the layer keys it (for fixtures the layer cannot make).
void RawExec(const QString& path, const QString& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr),
        SQLITE_OK);
    const QByteArray all = "PRAGMA key = 'QK73RU58WD'; " + sql.toUtf8();
    char* error = nullptr;
    const int rc = sqlite3_exec(db, all.constData(), nullptr, nullptr, &error);
    EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

// Runs the second-process probe on path; returns what it printed (its result and messages).
std::string Probe(const QString& path) {
    QProcess probe;
    probe.start(QStringLiteral(OPEN_PROBE), {path});
    if (!probe.waitForFinished(30000))
        return "probe did not finish";
    return probe.readAllStandardOutput().trimmed().toStdString();
}

QString Sqlcipher(const QString& path, const QString& sql) {
    const QString cli = QStandardPaths::findExecutable(QStringLiteral("sqlcipher"));
    EXPECT_FALSE(cli.isEmpty()) << "the sqlcipher command-line tool is not installed";
    QString output;
    test::RunProgram(cli, {path, sql}, &output);
    return output.trimmed();
}

class StationDbTest : public ::testing::Test {
protected:
    void Open(const StationDbContent& content) {
        path_ = MakeDatabase(content);
        ASSERT_EQ(db_.OpenDatabase(path_), kDbOk) << messages_.Last().toStdString();
    }
    // A small world: RadioIDs 1..7 in this order.
    void OpenWorld() {
        StationDbContent c;
        c.edition = 7;
        c.stations = {
            Station("Hessen Eins", "Germany", "Hesse", "Frankfurt", "Rock"),
            Station("Hessen Zwei", "germany", "hesse", "Kassel", "rock", "wmp"),
            Station("Bayern", "Germany", "Bavaria", "Munich", "Jazz", "Real"),
            Station("Silent", "Germany", "Hesse", "Frankfurt", "Rock", ""),
            Station("Mp3 Only", "Germany", "Hesse", "", "Rock", "MP3"),
            Station("Hesse Texas", "United States", "Hesse", "Springfield", "Pop"),
            Station("Second Genre", "France", "", "", "Talk"),
        };
        c.stations[6].m_GenreTwo = QStringLiteral("Rock");
        c.countries = {"France", "Germany", "United States"};
        c.genres = {"Jazz", "Pop", "Rock", "Talk"};
        Open(c);
    }
    PlaylistList Playlist() {
        PlaylistList list;
        EXPECT_EQ(db_.LoadPlaylist(list), kDbOk);
        return list;
    }

    MessageRecorder messages_;
    CRadioDatabase db_;
    QString path_;
};

TEST_F(StationDbTest, InsertWorksOnAnEmptyTableAndTheDatabaseAssignsRadioId) {
    Open({});
    CRadioSet added = Station("First", "Chad");
    added.m_RadioID = 77;
    added.m_Comments = QStringLiteral("c");
    added.m_Ranking = -3;
    added.m_ReserveThree = 9;
    added.m_Popularity = QStringLiteral("p");
    ASSERT_EQ(db_.InsertStation(added), kDbOk);
    CRadioSet read;
    ASSERT_EQ(db_.GetStation(1, read), kDbOk);
    added.m_RadioID = 1;
    EXPECT_EQ(read, added);
    EXPECT_EQ(db_.GetStation(77, read), kDbRecordsetFailed);
}

TEST_F(StationDbTest, FlagsAreReadAsExactlyZeroOrOne) {
    OpenWorld();
    ASSERT_EQ(db_.CloseDatabase(), kDbOk);
    RawExec(path_, QStringLiteral("UPDATE Radio SET Active = 5, Playlist = -1 WHERE RadioID = 1"));
    ASSERT_EQ(db_.OpenDatabase(path_), kDbOk);
    CRadioSet s;
    ASSERT_EQ(db_.GetStation(1, s), kDbOk);
    EXPECT_EQ(s.m_Active, 1);
    EXPECT_EQ(s.m_Playlist, 1);
}

TEST_F(StationDbTest, QuotesBracketsAndPercentSignsAreData) {
    Open({});
    const QStringList names = {QStringLiteral("Radio \"Quote\" FM"),
                               QStringLiteral("O'Brien's [Best]"), QStringLiteral("100% Hits_"),
                               QStringLiteral("\"; DELETE FROM Radio; --"),
                               QString::fromUtf8("\xC3\x96"
                                                 "1 Z\xC3\xBCrich")};
    for (const QString& name : names)
        ASSERT_EQ(db_.InsertStation(Station(name, name, name, name, name)), kDbOk);
    ASSERT_EQ(db_.InsertStation(Station("Decoy", "1000 Hits!", "100x Hits_", "O", "x")), kDbOk);
    for (int i = 0; i < names.size(); ++i) {
        const QString& name = names[i];
        IdList byCountry, byGenre, byState, byCity;
        NameList states, cities;
        EXPECT_EQ(db_.FindStationsByCountry(name, byCountry), kDbOk);
        EXPECT_EQ(db_.FindStationsByGenre(name, byGenre), kDbOk);
        EXPECT_EQ(db_.FilterStationsByState({1, 2, 3, 4, 5, 6}, name, byState), kDbOk);
        EXPECT_EQ(db_.FilterStationsByCity(byState, name, byCity), kDbOk);
        EXPECT_EQ(db_.GetStates(name, states), kDbOk);
        EXPECT_EQ(db_.GetCities(name, cities), kDbOk);
        const IdList only = {i + 1};
        EXPECT_EQ(byCountry, only) << name.toStdString();
        EXPECT_EQ(byGenre, only);
        EXPECT_EQ(byCity, only);
        EXPECT_EQ(states, NameList{name});
        EXPECT_EQ(cities, NameList{name});
        CRadioSet s;
        ASSERT_EQ(db_.GetStation(i + 1, s), kDbOk);
        EXPECT_EQ(s.m_StationName, name);
    }
    EXPECT_TRUE(messages_.Texts().isEmpty()) << messages_.Last().toStdString();
}

TEST_F(StationDbTest, MissingRowsReportAndLeaveTheCallersValuesAlone) {
    Open({});  // no stations, no edition
    const QString noRow = QStringLiteral("Failed to open database recordset");
    CRadioSet record = Station("Kept", "Peru");
    record.m_RadioID = 5;
    const CRadioSet before = record;
    EXPECT_EQ(db_.GetStation(5, record), kDbRecordsetFailed);
    EXPECT_EQ(record, before);
    EXPECT_EQ(db_.UpdateStation(record), kDbRecordsetFailed);
    std::int32_t version = 42;
    EXPECT_EQ(db_.GetDBVersion(version), kDbRecordsetFailed);
    EXPECT_EQ(version, 42);
    EXPECT_EQ(messages_.Texts(), QStringList({noRow, noRow, noRow}));
    std::int32_t count = -1;
    EXPECT_EQ(db_.GetStationCount(count), kDbOk);
    EXPECT_EQ(count, 0);
}

TEST_F(StationDbTest, SearchesIgnoreCaseAndListOnlyPlayableStations) {
    OpenWorld();
    IdList byCountry, byGenre;
    EXPECT_EQ(db_.FindStationsByCountry(QStringLiteral("GERMANY"), byCountry), kDbOk);
    EXPECT_EQ(byCountry, IdList({1, 2, 3}));  // not "" (4) nor "MP3" (5)
    EXPECT_EQ(db_.FindStationsByGenre(QStringLiteral("rock"), byGenre), kDbOk);
    EXPECT_EQ(byGenre, IdList({1, 2}));  // GenreTwo (7) is not searched
    CRadioSet silent;
    EXPECT_EQ(db_.GetStation(4, silent), kDbOk);  // unplayable, still readable and editable
    silent.m_StreamFormat = QStringLiteral("WMP");
    EXPECT_EQ(db_.UpdateStation(silent), kDbOk);
    byGenre.clear();
    EXPECT_EQ(db_.FindStationsByGenre(QStringLiteral("Rock"), byGenre), kDbOk);
    EXPECT_EQ(byGenre, IdList({1, 2, 4}));
}

TEST_F(StationDbTest, StatesAndCitiesAreDistinctExactlyAndListsAreAppended) {
    OpenWorld();
    NameList states = {QStringLiteral("Bavaria")};  // already there: not appended again
    EXPECT_EQ(db_.GetStates(QStringLiteral("Germany"), states), kDbOk);
    EXPECT_EQ(states, NameList({"Bavaria", "Hesse", "hesse"}));
    NameList cities;  // every station in a state of that name, whatever its country
    EXPECT_EQ(db_.GetCities(QStringLiteral("Hesse"), cities), kDbOk);
    EXPECT_EQ(cities, NameList({"Frankfurt", "Kassel", "Springfield"}));
    NameList genres;
    EXPECT_EQ(db_.GetGenres(genres), kDbOk);
    EXPECT_EQ(db_.GetGenres(genres), kDbOk);
    EXPECT_EQ(genres, NameList({"Jazz", "Pop", "Rock", "Talk", "Jazz", "Pop", "Rock", "Talk"}));
}

TEST_F(StationDbTest, FiltersKeepTheGivenOrderAndAppend) {
    OpenWorld();
    IdList result = {99};
    EXPECT_EQ(db_.FilterStationsByState({6, 3, 1, 42, 2}, QStringLiteral("HESSE"), result), kDbOk);
    EXPECT_EQ(result, IdList({99, 6, 1, 2}));
    EXPECT_EQ(db_.FilterStationsByCity(result, QStringLiteral("frankfurt"), result), kDbOk);
    EXPECT_EQ(result, IdList({99, 6, 1, 2, 1}));
    IdList none;
    EXPECT_EQ(db_.FilterStationsByState({}, QStringLiteral("Hesse"), none), kDbOk);
    EXPECT_TRUE(none.isEmpty());
}

TEST_F(StationDbTest, PlaylistEntriesAreAddedRemovedAndReplacedInOrder) {
    OpenWorld();
    for (const CPlaylistSet& e : {CPlaylistSet{3, 1}, CPlaylistSet{1, 2}, CPlaylistSet{3, 3}})
        ASSERT_EQ(db_.AddPlaylistEntry(e), kDbOk);
    EXPECT_EQ(db_.RemovePlaylistEntry(3), kDbOk);  // only the first row of RadioID 3
    EXPECT_EQ(db_.RemovePlaylistEntry(5), kDbOk);  // none: nothing happens
    EXPECT_EQ(Playlist(), PlaylistList({{1, 2}, {3, 3}}));
    const PlaylistList renumbered = {{1, 1}, {3, 2}, {7, 3}};
    EXPECT_EQ(db_.SavePlaylist(renumbered), kDbOk);
    EXPECT_EQ(Playlist(), renumbered);
    EXPECT_EQ(db_.SavePlaylist({}), kDbOk);
    EXPECT_TRUE(Playlist().isEmpty());
}

TEST_F(StationDbTest, SavePlaylistThatFailsHalfWayLeavesTheTableAsItWas) {
    OpenWorld();
    ASSERT_EQ(db_.CloseDatabase(), kDbOk);
    RawExec(path_, QStringLiteral("INSERT INTO Playlist VALUES (1, 1), (2, 2);"
                                  "CREATE TRIGGER third BEFORE INSERT ON Playlist WHEN (SELECT "
                                  "count(*) FROM Playlist) >= 2"
                                  " BEGIN SELECT RAISE(ABORT, 'no third entry'); END;"));
    ASSERT_EQ(db_.OpenDatabase(path_), kDbOk);
    EXPECT_EQ(db_.SavePlaylist({{7, 1}, {6, 2}, {5, 3}, {4, 4}}), kDbRecordsetFailed);
    EXPECT_EQ(messages_.Last(), QStringLiteral("no third entry"));
    EXPECT_EQ(Playlist(), PlaylistList({{1, 1}, {2, 2}}));
    EXPECT_EQ(db_.SavePlaylist({{7, 1}}), kDbOk);  // the layer is still usable afterwards
    EXPECT_EQ(Playlist(), PlaylistList({{7, 1}}));
}

TEST_F(StationDbTest, UpdaterCallsSetFlagsAndTellWhetherStationsExist) {
    OpenWorld();
    EXPECT_EQ(db_.SetPlaylistFlags({2, 99, 5}, 7), kDbOk);
    CRadioSet s;
    ASSERT_EQ(db_.GetStation(2, s), kDbOk);
    EXPECT_EQ(s.m_Playlist, 1);
    EXPECT_EQ(db_.SetPlaylistFlags({2}, 0), kDbOk);
    ASSERT_EQ(db_.GetStation(2, s), kDbOk);
    EXPECT_EQ(s.m_Playlist, 0);
    bool exists = false;
    EXPECT_EQ(db_.StationExists(5, exists), kDbOk);
    EXPECT_TRUE(exists);
    EXPECT_EQ(db_.DeleteStation(5), kDbOk);
    EXPECT_EQ(db_.StationExists(5, exists), kDbOk);
    EXPECT_FALSE(exists);
    EXPECT_TRUE(messages_.Texts().isEmpty());
}

TEST_F(StationDbTest, OpenFailsWithTheEnginesTextAndNeverCreatesAFile) {
    const QString missing = test::MakeTempDir() + QStringLiteral("/velostn.dat");
    EXPECT_EQ(db_.OpenDatabase(missing), kDbOpenFailed);
    EXPECT_EQ(messages_.Last(), QStringLiteral("unable to open database file"));
    EXPECT_FALSE(QFile::exists(missing));

    const QString other = test::MakeTempDir() + QStringLiteral("/other.dat");
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(other).constData(), &raw), SQLITE_OK);
        sqlite3_exec(raw, "PRAGMA key = 'another'; CREATE TABLE Radio (RadioID);", nullptr, nullptr,
                     nullptr);
        sqlite3_close(raw);
    }
    EXPECT_EQ(db_.OpenDatabase(other), kDbOpenFailed);
    EXPECT_EQ(messages_.Last(), QStringLiteral("file is encrypted or is not a database"));

    IdList ids;
    EXPECT_EQ(db_.FindStationsByCountry(QStringLiteral("Chad"), ids), kDbRecordsetFailed);
    EXPECT_EQ(db_.CloseDatabase(), kDbOk);
}

// An empty, unreadable or table-less file is not a station database: it is reported with its
// path and left exactly as it was, so the user can still recover it.
TEST_F(StationDbTest, ADamagedFileIsReportedWithItsPathAndLeftAlone) {
    const QString dir = test::MakeTempDir();
    const QString empty = dir + QStringLiteral("/velostn.dat");
    {
        QFile f(empty);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QString bare = dir + QStringLiteral("/bare.dat");
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(bare).constData(), &raw), SQLITE_OK);
        sqlite3_exec(raw, "PRAGMA key = 'QK73RU58WD'; CREATE TABLE Other (x);", nullptr, nullptr,
                     nullptr);
        sqlite3_close(raw);
    }
    OpenWorld();
    ASSERT_EQ(db_.CloseDatabase(), kDbOk);
    const QString locked = dir + QStringLiteral("/locked.dat");
    ASSERT_TRUE(QFile::copy(path_, locked));
    QFile::setPermissions(locked, QFile::WriteOwner);
    const bool canReadAnyway = QFile(locked).open(QIODevice::ReadOnly);  // root

    const auto read = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    for (const QString& path : {empty, bare, locked}) {
        if (path == locked && canReadAnyway)
            continue;
        SCOPED_TRACE(path.toStdString());
        const QByteArray before = read(path);
        EXPECT_EQ(db_.OpenDatabase(path), kDbOpenFailed);
        EXPECT_EQ(messages_.Last(), QString::fromUtf8(text::kDatabaseDamaged) + path);
        EXPECT_FALSE(db_.IsOpen());
        EXPECT_EQ(read(path), before);
        EXPECT_EQ(QFileInfo(path).size(), before.size());
    }
    EXPECT_EQ(QFileInfo(empty).size(), 0);
    EXPECT_EQ(QDir(dir).entryList(QDir::Files).size(), 3);  // no journal or other file made
}

TEST_F(StationDbTest, ASecondProcessCannotOpenTheFileWhileItIsOpen) {
    OpenWorld();
    const std::string locked = "message: database is locked\nresult: 21";
    EXPECT_EQ(Probe(path_), locked);
    // Still held after reads, writes and a committed transaction.
    CRadioSet s;
    ASSERT_EQ(db_.GetStation(1, s), kDbOk);
    ASSERT_EQ(db_.UpdateStation(s), kDbOk);
    ASSERT_EQ(db_.SavePlaylist({{1, 1}}), kDbOk);
    EXPECT_EQ(Probe(path_), locked);
    EXPECT_TRUE(Sqlcipher(path_, QStringLiteral("PRAGMA key='QK73RU58WD'; SELECT 1 FROM Radio;"))
                    .contains(QStringLiteral("database is locked")));
    ASSERT_EQ(db_.CloseDatabase(), kDbOk);
    EXPECT_EQ(Probe(path_), "result: 0");

    // And the other way round: while the other process holds it, this one cannot open it.
    QProcess holder;
    holder.start(QStringLiteral(OPEN_PROBE), {path_, QStringLiteral("--hold")});
    ASSERT_TRUE(holder.waitForReadyRead(10000));
    ASSERT_EQ(holder.readAll().trimmed(), QByteArray("result: 0"));
    EXPECT_EQ(db_.OpenDatabase(path_), kDbOpenFailed);
    EXPECT_EQ(messages_.Last(), QStringLiteral("database is locked"));
    holder.closeWriteChannel();
    ASSERT_TRUE(holder.waitForFinished(10000));
    EXPECT_EQ(db_.OpenDatabase(path_), kDbOk);
}

// The database the build ships.
TEST(ShippedDatabase, IsKeyedAndHoldsTheStationList) {
    const QString path = test::MakeTempDir() + QStringLiteral("/velostn.dat");
    ASSERT_TRUE(QFile::copy(test::BinDir() + QStringLiteral("/velostn.dat"), path));
    const QString key = QStringLiteral("PRAGMA key='QK73RU58WD'; ");
    EXPECT_GE(Sqlcipher(path, key + QStringLiteral("SELECT count(*) FROM Radio;")).toInt(), 1000);
    EXPECT_TRUE(Sqlcipher(path, QStringLiteral("SELECT count(*) FROM Radio;"))
                    .contains(QStringLiteral("file is encrypted or is not a database")));
    // Every station's country and genres are offered by the finder's lists.
    EXPECT_EQ(
        Sqlcipher(
            path,
            key + QStringLiteral(
                      "SELECT count(*) FROM Radio WHERE Country NOT IN (SELECT CountryName FROM "
                      "Country)"
                      " OR GenreOne NOT IN (SELECT GenreName FROM Genre)"
                      " OR (GenreTwo <> '' AND GenreTwo NOT IN (SELECT GenreName FROM Genre));")),
        QStringLiteral("0"));

    MessageRecorder messages;
    CRadioDatabase db;
    ASSERT_EQ(db.OpenDatabase(path), kDbOk);
    NameList countries, genres;
    std::int32_t edition = 0;
    EXPECT_EQ(db.GetCountries(countries), kDbOk);
    EXPECT_EQ(db.GetGenres(genres), kDbOk);
    EXPECT_EQ(db.GetDBVersion(edition), kDbOk);
    EXPECT_GT(countries.size(), 100);
    EXPECT_GT(genres.size(), 20);
    EXPECT_EQ(edition, 20261209);
    // Six presets on the playlist, flagged, from six countries.
    PlaylistList playlist;
    ASSERT_EQ(db.LoadPlaylist(playlist), kDbOk);
    ASSERT_EQ(playlist.size(), 6);
    QSet<QString> presetCountries;
    for (int i = 0; i < playlist.size(); ++i) {
        CRadioSet s;
        ASSERT_EQ(db.GetStation(playlist[i].m_RadioID, s), kDbOk);
        EXPECT_EQ(playlist[i].m_PlaylistID, i + 1);
        EXPECT_EQ(s.m_Playlist, 1);
        EXPECT_EQ(s.m_StreamFormat, QStringLiteral("WMP"));
        presetCountries.insert(s.m_Country);
    }
    EXPECT_EQ(presetCountries.size(), 6);
}

// The finder's name search, as a user types, on the shipped stations.
TEST(ShippedDatabase, NameSearchIgnoresCaseAndAccentsAndPutsBestMatchesFirst) {
    const QString path = test::MakeTempDir() + QStringLiteral("/velostn.dat");
    ASSERT_TRUE(QFile::copy(test::BinDir() + QStringLiteral("/velostn.dat"), path));
    MessageRecorder messages;
    CRadioDatabase db;
    ASSERT_EQ(db.OpenDatabase(path), kDbOk);
    const auto names = [&](const char* typed) {
        IdList ids;
        EXPECT_EQ(db.FindStationsByName(QString::fromUtf8(typed), ids), kDbOk);
        QStringList found;
        for (const std::int32_t id : ids) {
            CRadioSet s;
            EXPECT_EQ(db.GetStation(id, s), kDbOk);
            found.append(s.m_StationName);
        }
        return found;
    };

    // Exact, in any letter case: that station comes first.
    for (const char* typed : {"Radio Freiburg", "RADIO FREIBURG", "  radio freiburg "}) {
        SCOPED_TRACE(typed);
        const QStringList found = names(typed);
        ASSERT_FALSE(found.isEmpty());
        EXPECT_EQ(found.first(), QStringLiteral("Radio Freiburg"));
    }
    // Partial: inside a word too, but not a near miss.
    const QStringList freib = names("reibur");
    EXPECT_TRUE(freib.contains(QStringLiteral("Radio Freiburg")));
    EXPECT_FALSE(freib.contains(QStringLiteral("Radio Fribourg")));
    // Accents count for nothing, either way.
    EXPECT_TRUE(names("cafe 80s").contains(QString::fromUtf8("Café 80s FM")));
    EXPECT_TRUE(names("CAFÉ MAMBO").contains(QStringLiteral("Cafe Mambo Ibiza Radio")));
    EXPECT_TRUE(names("zurich").contains(QString::fromUtf8("Energy Zürich NRJ")));
    // Names that begin with the text come before those that only contain it.
    const QStringList cafe = names("cafe");
    ASSERT_GE(cafe.size(), 2);
    EXPECT_TRUE(CRadioDatabase::FoldForSearch(cafe.first()).startsWith(QStringLiteral("cafe")));
    bool containsOnly = false;
    for (const QString& name : cafe) {
        const bool begins = CRadioDatabase::FoldForSearch(name).startsWith(QStringLiteral("cafe"));
        EXPECT_FALSE(containsOnly && begins) << name.toStdString();
        containsOnly = containsOnly || !begins;
    }
    // Nothing found, and nothing asked.
    EXPECT_TRUE(names("zzqx no such station").isEmpty());
    EXPECT_TRUE(names("   ").isEmpty());

    // A station written through the database is found by its new name at once.
    const QStringList before = names("Freiburg");
    IdList ids;
    ASSERT_EQ(db.FindStationsByName(QStringLiteral("Radio Freiburg"), ids), kDbOk);
    CRadioSet renamed;
    ASSERT_EQ(db.GetStation(ids.first(), renamed), kDbOk);
    renamed.m_StationName = QString::fromUtf8("Éclair Nouveau");
    ASSERT_EQ(db.UpdateStation(renamed), kDbOk);
    EXPECT_EQ(names("eclair nouveau"), QStringList{QString::fromUtf8("Éclair Nouveau")});
    EXPECT_EQ(names("Freiburg").size(), before.size() - 1);
    EXPECT_TRUE(messages.Texts().isEmpty());
}

}  // namespace
}  // namespace velotune
