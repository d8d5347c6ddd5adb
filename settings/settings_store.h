// settings/settings_store.h
//
// CSettingsStore: every persistent setting of the player, each with a read and a write operation,
// so that no other code knows a key or value name. The values live in the settings file of
// platform/registry (the root key and the sub-keys "Options", "Miscellaneous", "Playlist" and
// "Windows"); the start-up entry is an XDG autostart file.
//
// The store keeps no state: each operation opens the key, does its access and closes it again, so
// objects are cheap and any number may exist. Every operation returns 1 on success and 0 on
// failure; a reader leaves its output untouched on failure (ReadUID excepted, below), and the
// caller then uses the default given here.
//
// Threading: meant for the user-interface thread; it is safe on any thread, but nothing orders
// concurrent writes of the same value. Every call blocks briefly on file I/O.
#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

namespace velotune {

// A window rectangle as the settings keep it: left, top, right, bottom in screen pixels, with
// right and bottom just outside the window.
struct WindowRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    static WindowRect FromQRect(const QRect& r) {
        return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
    }
    QRect ToQRect() const { return QRect(left, top, right - left, bottom - top); }
    bool operator==(const WindowRect&) const = default;
};

class CSettingsStore {
public:
    // The settings file's path, for messages that name it.
    QString FilePath() const;
    // False when the settings file exists but cannot be read: its values then only look absent,
    // and nothing should be written in their place.
    bool IsFileReadable() const;

    // Defaults for failed reads.
    static constexpr int kDefaultTrayIcon = 0;  // tray icon shown
    static constexpr int kDefaultShowWindow = 1;
    static constexpr int kDefaultAlwaysOnTop = 1;           // main window start-up and menu
    static constexpr int kDefaultAlwaysOnTopInOptions = 0;  // the Options dialog
    static constexpr int kDefaultVolume = 50;  // slider position; volume is 100 minus it
    static constexpr int kDefaultCurrentPlaylistID = 0;
    static constexpr int kDefaultCurrentLocalPlaylistID = 0;
    static constexpr int kDefaultFileListTotal = 0;
    static constexpr int kDefaultPlayerLeft = 300;
    static constexpr int kDefaultPlayerTop = 50;
    static constexpr int kDefaultIsMini = 0;
    static constexpr int kDefaultShowSongTitles = 0;
    static constexpr int kDefaultPLVisible = 0;
    static constexpr int kDefaultPLBinded = 1;
    static constexpr int kDefaultPLBottomBinded = 1;
    static constexpr int kDefaultActivePlaylistType = 0;  // 0 station playlist, 1 file list
    static constexpr int kDefaultHitDelivered = 0;
    static constexpr int kDefaultReportDelivered = 0;
    static constexpr int kDefaultUseTime = 0;

    // ---- Options ------------------------------------------------------------------------------
    // 1 = tray icon disabled, 0 = shown.
    int ReadTrayIcon(int* value) const;
    int WriteTrayIcon(int value) const;
    // Whether the main window was visible at exit ("Show Velotune").
    int ReadShowWindow(int* value) const;
    int WriteShowWindow(int value) const;
    int ReadAlwaysOnTop(int* value) const;
    int WriteAlwaysOnTop(int value) const;
    // "Reconnect": 1 = a live stream that drops is reconnected, 0 = the drop ends it.
    static constexpr int kDefaultReconnect = 1;
    int ReadReconnect(int* value) const;
    int WriteReconnect(int value) const;
    // 1 = the display line names the song a station or file announces, 0 = only the station.
    int ReadShowSongTitles(int* value) const;
    int WriteShowSongTitles(int value) const;

    // ---- Miscellaneous ------------------------------------------------------------------------
    // Volume slider position 0..100 (0 is the top of the slider).
    int ReadVolume(int* value) const;
    int WriteVolume(int value) const;

    // The folder the RealSystem engine library is loaded from. Read fails when none is stored or
    // the stored text is empty; RealEngineDirectory() gives the stored folder or, by default, the
    // program directory.
    int ReadRealEngineDirectory(QString* dir) const;
    int WriteRealEngineDirectory(const QString& dir) const;
    QString RealEngineDirectory() const;

    // The update server velosync asks: a host with an optional ":port". Read fails when none is
    // stored or the stored text is empty; VELOTUNE_UPDATE_HOST, when set, comes before it, and
    // the host compiled into velosync after it (UpdateServerHost()).
    int ReadUpdateServer(QString* host) const;
    int WriteUpdateServer(const QString& host) const;

    // ---- Playlist -----------------------------------------------------------------------------
    int ReadCurrentPlaylistID(int* value) const;
    int WriteCurrentPlaylistID(int value) const;
    int ReadCurrentLocalPlaylistID(int* value) const;
    int WriteCurrentLocalPlaylistID(int value) const;
    int ReadFileListTotal(int* value) const;
    int WriteFileListTotal(int value) const;

    // The stored file list; each entry is file name + "::" + full path, numbered from 1.
    // Appends an entry; an empty entry fails and changes nothing.
    int AddFileEntry(const QString& entry) const;
    // Appends the stored entries to *entries in list order: 1, 2, ... up to the stored total or
    // the first number without a value, whichever comes first (a total beyond the entries is not
    // trusted). Fails when no total is stored.
    int ReadFileEntries(QStringList* entries) const;
    // Removes the entry at position (1-based, in the list ReadFileEntries gives) and renumbers the
    // rest from 1. The new list replaces the old one in a single write, so an interruption leaves
    // either list whole. Fails, changing nothing, when the position is not in the list.
    int RemoveFileEntry(int position) const;

    // ---- Windows ------------------------------------------------------------------------------
    int ReadIsMini(int* value) const;
    int WriteIsMini(int value) const;
    int ReadPLVisible(int* value) const;
    int WritePLVisible(int value) const;
    int ReadPLBinded(int* value) const;
    int WritePLBinded(int value) const;
    int ReadPLBottomBinded(int* value) const;
    int WritePLBottomBinded(int value) const;
    int ReadActivePlaylistType(int* value) const;
    int WriteActivePlaylistType(int value) const;

    // Rectangles: Left, Top, Right, Bottom are read in that order and the first missing one ends
    // the read with failure, leaving the members after it untouched. A write stores all four
    // together or none.
    int ReadPlayerRect(WindowRect* rect) const;
    int WritePlayerRect(const WindowRect& rect) const;
    int ReadPlaylistRect(WindowRect* rect) const;
    int WritePlaylistRect(const WindowRect& rect) const;
    int ReadLocalPlaylistRect(WindowRect* rect) const;
    int WriteLocalPlaylistRect(const WindowRect& rect) const;

    // ---- Root ---------------------------------------------------------------------------------
    // The installation identifier "Velotune UID". *uid receives the stored text, or the empty
    // text when there is none; success only when it is not empty. While the file exists but
    // cannot be read (IsFileReadable), a new identifier must not be written over the old one.
    int ReadUID(QString* uid) const;
    int WriteUID(const QString& uid) const;

    // Usage report: "Covert" (install hit delivered), "Report" (usage report delivered) and
    // "UseTime" (start counter).
    int ReadHitDelivered(int* value) const;
    int WriteHitDelivered(int value) const;
    int ReadReportDelivered(int* value) const;
    int WriteReportDelivered(int value) const;
    int ReadUseTime(int* value) const;
    int WriteUseTime(int value) const;

    // ---- Start with the desktop session -------------------------------------------------------
    // Success when the start-up entry exists and names a program.
    int IsRunAtStartup() const;
    // Makes the session start this program (its full path); fails when the path is unknown.
    int WriteRunAtStartup() const;
    int DeleteRunAtStartup() const;
};

}  // namespace velotune
