#include "tests/updater/updater_fixture.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <cstring>

#include "stationdb/radiodatabase.h"
#include "tests/support/test_env.h"
#include "tools/velosync-pack/package_maker.h"

namespace velotune::test {

void ClearProxyEnvironment() {
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                             "ALL_PROXY", "no_proxy", "NO_PROXY"})
        qunsetenv(name);
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

namespace {

CRadioSet Station(int n, const QString& genre = QStringLiteral("Pop")) {
    CRadioSet s;
    s.m_StationName = QStringLiteral("Station %1").arg(n);
    s.m_GenreOne = genre;
    s.m_Country = QStringLiteral("Austria");
    s.m_StreamURL = QStringLiteral("http://127.0.0.1/stream%1").arg(n);
    s.m_StreamFormat = QStringLiteral("WMP");
    s.m_Active = 1;
    return s;
}

}  // namespace

StationDbContent UserEdition() {
    StationDbContent content;
    content.edition = 20;
    for (int n = 1; n <= 6; ++n) {
        content.stations.append(Station(n));
        content.stations.last().m_Playlist = n == 2 || n >= 4;
    }
    content.countries = {QStringLiteral("Austria")};
    content.genres = {QStringLiteral("Pop")};
    content.playlist = kUserPlaylist;
    return content;
}

StationDbContent NewEdition() {
    StationDbContent content;
    content.edition = 21;
    // Long comments of text that does not compress, so that the package takes a few dozen
    // blocks to download. Filler stations cannot do it: they would take RadioID 6.
    quint32 seed = 12345;
    for (int n = 1; n <= 5; ++n) {
        CRadioSet station = Station(n, n == 4 ? QString() : QStringLiteral("Jazz"));
        for (int i = 0; i < 8000; ++i) {
            seed = seed * 1664525u + 1013904223u;
            station.m_Comments += QLatin1Char(char('a' + (seed >> 24) % 26));
        }
        content.stations.append(station);
    }
    content.stations[0].m_Playlist = 1;
    content.countries = {QStringLiteral("Austria")};
    content.genres = {QStringLiteral("Jazz")};
    content.playlist = {{1, 1}};
    return content;
}

void WriteDatabase(const QString& path, const StationDbContent& content) {
    QFile::remove(path);
    QString error;
    ASSERT_TRUE(WriteStationDatabase(path, content, &error)) << error.toStdString();
}

void ModifyDatabase(const QString& path, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr),
        SQLITE_OK);
    sqlite3_key(db, kDatabasePassword, int(strlen(kDatabasePassword)));
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &error);
    EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "") << " in " << sql;
    sqlite3_free(error);
    sqlite3_close(db);
}

void MakeStaleJournal(const QString& journalPath) {
    const QString path = MakeTempDir(QStringLiteral("journal")) + QStringLiteral("/other.dat");
    StationDbContent content = UserEdition();
    content.stations.append(content.stations);  // some pages to change
    WriteDatabase(path, content);
    sqlite3* db = nullptr;
    ASSERT_EQ(
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr),
        SQLITE_OK);
    sqlite3_key(db, kDatabasePassword, int(strlen(kDatabasePassword)));
    // A cache too small for the change makes the engine write the journal to disk (and the
    // changed pages into the file) before the transaction ends.
    ASSERT_EQ(sqlite3_exec(db,
                           "PRAGMA cache_size = 2; BEGIN;"
                           " UPDATE Radio SET Comments = hex(randomblob(3000));"
                           " DELETE FROM Playlist;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK)
        << sqlite3_errmsg(db);
    ASSERT_TRUE(QFileInfo(path + QStringLiteral("-journal")).size() > 0);
    QFile::remove(journalPath);
    QDir().mkpath(QFileInfo(journalPath).absolutePath());
    ASSERT_TRUE(QFile::copy(path + QStringLiteral("-journal"), journalPath));
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

QByteArray PackageWith(const QList<QPair<QString, QByteArray>>& entries) {
    QList<tools::PackageEntry> items;
    for (const auto& [name, data] : entries)
        items.append({name, data});
    const QString path = MakeTempDir(QStringLiteral("package")) + QStringLiteral("/vexadb.exe");
    QString error;
    EXPECT_TRUE(tools::WritePackage(path, tools::PackageStub(), items, &error))
        << error.toStdString();
    return ReadFile(path);
}

QByteArray PackageOf(const StationDbContent& content) {
    const QString database = MakeTempDir(QStringLiteral("edition")) + QStringLiteral("/newfm.dat");
    WriteDatabase(database, content);
    return PackageWith({{QStringLiteral("newfm.dat"), ReadFile(database)}});
}

void Publish(FixtureServer& server, int edition, const QByteArray& package,
             const QString& packagePath) {
    WriteFile(server.Root() + QLatin1Char('/') + packagePath, package);
    WriteFile(server.Root() + QStringLiteral("/vexadb/update.html"),
              tools::UpdatePage(edition, packagePath));
}

UpdaterConfig MakeInstallation(const FixtureServer& server) {
    UpdaterConfig config;
    config.dataDir = MakeTempDir(QStringLiteral("program"));
    config.tempDir = MakeTempDir(QStringLiteral("tmp")) + QLatin1Char('/');
    config.cacheDir = MakeTempDir(QStringLiteral("cache")) + QStringLiteral("/Velosync");
    config.host = server.HostPort();
    WriteDatabase(config.DatabasePath(), UserEdition());
    return config;
}

}  // namespace velotune::test
