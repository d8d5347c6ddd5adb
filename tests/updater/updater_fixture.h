// tests/updater/updater_fixture.h
//
// What the updater's tests share: a user's station database and a newer edition that lacks one
// of the user's playlist stations, published on a loopback update server as the maker's tool
// publishes it; and waiting for the updater's threads without blocking the test's event loop.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

#include "stationdb/dbwriter.h"
#include "tests/support/fixture_server.h"
#include "updater/update_config.h"

namespace velotune::test {

// The proxies of the machine's environment would take loopback requests elsewhere.
void ClearProxyEnvironment();

// Processes events until done() holds or timeoutMs pass; returns done().
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 20000);

QByteArray ReadFile(const QString& path);
void WriteFile(const QString& path, const QByteArray& bytes);

// The user's edition 20: stations 1..6 ("Station 1".."Station 6"); playlist (RadioID,
// PlaylistID) = (5,1) (2,2) (4,3) (6,4).
StationDbContent UserEdition();
inline const PlaylistList kUserPlaylist = {{5, 1}, {2, 2}, {4, 3}, {6, 4}};

// Edition 21: stations 1..5 (station 6 is gone, station 4 has lost its genre) and one shipped
// playlist entry (1,1) with its Playlist flag; its package takes a few dozen blocks to download.
StationDbContent NewEdition();

// Writes content as a new station database file at path (replacing one that is there).
void WriteDatabase(const QString& path, const StationDbContent& content);

// Runs sql (one or more statements) on the station database at path, keyed with its password.
void ModifyDatabase(const QString& path, const char* sql);

// Leaves at journalPath the rollback journal of a write transaction on another station database
// that never finished, as a killed process leaves it: a database opened beside it would take that
// transaction's pages in.
void MakeStaleJournal(const QString& journalPath);

// The package bytes for an edition, as the maker's tool makes them; and one with any entries.
QByteArray PackageOf(const StationDbContent& content);
QByteArray PackageWith(const QList<QPair<QString, QByteArray>>& entries);

// Publishes a package (bytes) and a check page naming edition and packagePath on the server.
void Publish(FixtureServer& server, int edition, const QByteArray& package,
             const QString& packagePath = QStringLiteral("vexadb/vexadb21.exe"));

// A user's installation in fresh folders: velostn.dat of UserEdition() in dataDir, an empty
// temporary folder and cache, and the server's host.
UpdaterConfig MakeInstallation(const FixtureServer& server);

}  // namespace velotune::test
