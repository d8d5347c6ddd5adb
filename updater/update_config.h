// updater/update_config.h
//
// Where the updater finds its files and its server. The application object fills one
// UpdaterConfig at start-up and hands it to the dialog, which hands the parts each step needs to
// the workers and the merge; nothing below the application object looks at the environment.
//
// Threading: a plain value; copies may be read on any thread.
#pragma once

#include <QString>

namespace velotune {

// How long the update server may take. The check, all its attempts together, has checkBudgetMs.
// A download fails when it moves less than lowSpeedBytesPerSecond for lowSpeedSeconds in a row
// (waiting for the answer included), and its attempts to reach the server share
// downloadOpenBudgetMs. So a server that stalls or drips makes the whole update give up within
// about a minute of "Start Update", while a slow but moving download goes on.
struct UpdaterLimits {
    int checkBudgetMs = 30000;
    int connectTimeoutMs = 10000;
    int lowSpeedBytesPerSecond = 1024;
    int lowSpeedSeconds = 20;
    int downloadOpenBudgetMs = 25000;
};

struct UpdaterConfig {
    QString dataDir;   // holds velostn.dat and, after a download, vexadb.exe; no trailing "/"
    QString tempDir;   // the update's own work folder, ending in "/"; newfm.dat is unpacked here
    QString cacheDir;  // the download cache, whose sub-folders hold downloaded packages
    QString host;      // the update server's host, optionally with ":port"
    UpdaterLimits limits;

    QString DatabasePath() const;     // dataDir/velostn.dat
    QString NewDatabasePath() const;  // tempDir + "newfm.dat"
    QString PackagePath() const;      // dataDir/vexadb.exe
    QString BaseAddress() const;      // "http://" + host + "/"
    QString CheckAddress() const;     // "http://" + host + "/vexadb/update.html"
    QString UsageHitAddress() const;  // "http://" + host + "/vexadb/velosync.shtml"

    // The running program's configuration: the data directory shared with the player, the
    // system's temporary folder (the application object replaces it by a private work folder
    // under it, see updater/work_folder.h), $XDG_CACHE_HOME/Velosync, and UpdateServerHost().
    static UpdaterConfig ForThisProgram();
};

// The update server's host: VELOTUNE_UPDATE_HOST when set and not empty (tests point it at a
// loopback server, "127.0.0.1:8080"), else the settings file's "UpdateServer" value in
// [Miscellaneous] when there is one, else the host compiled in.
QString UpdateServerHost();

}  // namespace velotune
