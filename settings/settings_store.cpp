#include "settings/settings_store.h"

#include <QLoggingCategory>

#include "platform/appdirs/appdirs.h"
#include "platform/registry/registry.h"
#include "res/texts.h"

Q_LOGGING_CATEGORY(lcSettings, "velotune.settings")

namespace velotune {
namespace {

using platform::RegistryKey;

// Sub-keys of the root key.
const QString kRoot;
const QString kOptions = QStringLiteral("Options");
const QString kMiscellaneous = QStringLiteral("Miscellaneous");
const QString kPlaylist = QStringLiteral("Playlist");
const QString kWindows = QStringLiteral("Windows");

const QString kFileListTotal = QStringLiteral("FileList Total");

// Settings are DWORDs: an int keeps its 32 bits, so negative screen coordinates come back.
int ReadInt(const QString& subKey, const QString& name, int* value) {
    quint32 stored = 0;
    if (!platform::RegReadDword(subKey, name, &stored))
        return 0;
    *value = static_cast<int>(stored);
    return 1;
}

int WriteInt(const QString& subKey, const QString& name, int value) {
    return platform::RegWriteDword(subKey, name, static_cast<quint32>(value)) ? 1 : 0;
}

int ReadRect(const QString& prefix, WindowRect* rect) {
    const QString key = kWindows;
    if (!ReadInt(key, prefix + QStringLiteral(" Left"), &rect->left))
        return 0;
    if (!ReadInt(key, prefix + QStringLiteral(" Top"), &rect->top))
        return 0;
    if (!ReadInt(key, prefix + QStringLiteral(" Right"), &rect->right))
        return 0;
    return ReadInt(key, prefix + QStringLiteral(" Bottom"), &rect->bottom);
}

int WriteRect(const QString& prefix, const WindowRect& rect) {
    RegistryKey key(kWindows);
    // Screen coordinates are signed: a window left of the primary screen is stored as -200, not
    // as 4294967096 (which the reading still takes back as -200).
    key.SetSignedDword(prefix + QStringLiteral(" Left"), rect.left);
    key.SetSignedDword(prefix + QStringLiteral(" Top"), rect.top);
    key.SetSignedDword(prefix + QStringLiteral(" Right"), rect.right);
    key.SetSignedDword(prefix + QStringLiteral(" Bottom"), rect.bottom);
    return key.Flush() ? 1 : 0;
}

}  // namespace

// clang-format off
int CSettingsStore::ReadTrayIcon(int* v) const { return ReadInt(kOptions, QStringLiteral("TrayIcon"), v); }
int CSettingsStore::WriteTrayIcon(int v) const { return WriteInt(kOptions, QStringLiteral("TrayIcon"), v); }
int CSettingsStore::ReadShowWindow(int* v) const { return ReadInt(kOptions, QStringLiteral("Show Velotune"), v); }
int CSettingsStore::WriteShowWindow(int v) const { return WriteInt(kOptions, QStringLiteral("Show Velotune"), v); }
int CSettingsStore::ReadAlwaysOnTop(int* v) const { return ReadInt(kOptions, QStringLiteral("AlwaysOnTop"), v); }
int CSettingsStore::WriteAlwaysOnTop(int v) const { return WriteInt(kOptions, QStringLiteral("AlwaysOnTop"), v); }
int CSettingsStore::ReadReconnect(int* v) const { return ReadInt(kOptions, QStringLiteral("Reconnect"), v); }
int CSettingsStore::WriteReconnect(int v) const { return WriteInt(kOptions, QStringLiteral("Reconnect"), v); }
int CSettingsStore::ReadShowSongTitles(int* v) const { return ReadInt(kOptions, QStringLiteral("ShowSongTitles"), v); }
int CSettingsStore::WriteShowSongTitles(int v) const { return WriteInt(kOptions, QStringLiteral("ShowSongTitles"), v); }

int CSettingsStore::ReadVolume(int* v) const { return ReadInt(kMiscellaneous, QStringLiteral("Volume"), v); }
int CSettingsStore::WriteVolume(int v) const { return WriteInt(kMiscellaneous, QStringLiteral("Volume"), v); }

int CSettingsStore::ReadCurrentPlaylistID(int* v) const { return ReadInt(kPlaylist, QStringLiteral("Current Playlist ID"), v); }
int CSettingsStore::WriteCurrentPlaylistID(int v) const { return WriteInt(kPlaylist, QStringLiteral("Current Playlist ID"), v); }
int CSettingsStore::ReadCurrentLocalPlaylistID(int* v) const { return ReadInt(kPlaylist, QStringLiteral("Current LocalPlaylist ID"), v); }
int CSettingsStore::WriteCurrentLocalPlaylistID(int v) const { return WriteInt(kPlaylist, QStringLiteral("Current LocalPlaylist ID"), v); }
int CSettingsStore::ReadFileListTotal(int* v) const { return ReadInt(kPlaylist, kFileListTotal, v); }
int CSettingsStore::WriteFileListTotal(int v) const { return WriteInt(kPlaylist, kFileListTotal, v); }

int CSettingsStore::ReadIsMini(int* v) const { return ReadInt(kWindows, QStringLiteral("IsMini"), v); }
int CSettingsStore::WriteIsMini(int v) const { return WriteInt(kWindows, QStringLiteral("IsMini"), v); }
int CSettingsStore::ReadPLVisible(int* v) const { return ReadInt(kWindows, QStringLiteral("PLVisible"), v); }
int CSettingsStore::WritePLVisible(int v) const { return WriteInt(kWindows, QStringLiteral("PLVisible"), v); }
int CSettingsStore::ReadPLBinded(int* v) const { return ReadInt(kWindows, QStringLiteral("PLBinded"), v); }
int CSettingsStore::WritePLBinded(int v) const { return WriteInt(kWindows, QStringLiteral("PLBinded"), v); }
int CSettingsStore::ReadPLBottomBinded(int* v) const { return ReadInt(kWindows, QStringLiteral("PLBottomBinded"), v); }
int CSettingsStore::WritePLBottomBinded(int v) const { return WriteInt(kWindows, QStringLiteral("PLBottomBinded"), v); }
int CSettingsStore::ReadActivePlaylistType(int* v) const { return ReadInt(kWindows, QStringLiteral("Active PlaylistType"), v); }
int CSettingsStore::WriteActivePlaylistType(int v) const { return WriteInt(kWindows, QStringLiteral("Active PlaylistType"), v); }

int CSettingsStore::ReadPlayerRect(WindowRect* r) const { return ReadRect(QStringLiteral("Player"), r); }
int CSettingsStore::WritePlayerRect(const WindowRect& r) const { return WriteRect(QStringLiteral("Player"), r); }
int CSettingsStore::ReadPlaylistRect(WindowRect* r) const { return ReadRect(QStringLiteral("Playlist"), r); }
int CSettingsStore::WritePlaylistRect(const WindowRect& r) const { return WriteRect(QStringLiteral("Playlist"), r); }
int CSettingsStore::ReadLocalPlaylistRect(WindowRect* r) const { return ReadRect(QStringLiteral("LocalPlaylist"), r); }
int CSettingsStore::WriteLocalPlaylistRect(const WindowRect& r) const { return WriteRect(QStringLiteral("LocalPlaylist"), r); }

int CSettingsStore::ReadHitDelivered(int* v) const { return ReadInt(kRoot, QStringLiteral("Covert"), v); }
int CSettingsStore::WriteHitDelivered(int v) const { return WriteInt(kRoot, QStringLiteral("Covert"), v); }
int CSettingsStore::ReadReportDelivered(int* v) const { return ReadInt(kRoot, QStringLiteral("Report"), v); }
int CSettingsStore::WriteReportDelivered(int v) const { return WriteInt(kRoot, QStringLiteral("Report"), v); }
int CSettingsStore::ReadUseTime(int* v) const { return ReadInt(kRoot, QStringLiteral("UseTime"), v); }
int CSettingsStore::WriteUseTime(int v) const { return WriteInt(kRoot, QStringLiteral("UseTime"), v); }
// clang-format on

int CSettingsStore::ReadRealEngineDirectory(QString* dir) const {
    QString stored;
    if (!platform::RegReadText(kMiscellaneous, QStringLiteral("RealEngine Directory"), &stored) ||
        stored.isEmpty())
        return 0;
    *dir = stored;
    return 1;
}

int CSettingsStore::WriteRealEngineDirectory(const QString& dir) const {
    return platform::RegWriteText(kMiscellaneous, QStringLiteral("RealEngine Directory"), dir) ? 1
                                                                                               : 0;
}

int CSettingsStore::ReadUpdateServer(QString* host) const {
    QString stored;
    if (!platform::RegReadText(kMiscellaneous, QStringLiteral("UpdateServer"), &stored) ||
        stored.trimmed().isEmpty())
        return 0;
    *host = stored.trimmed();
    return 1;
}

int CSettingsStore::WriteUpdateServer(const QString& host) const {
    return platform::RegWriteText(kMiscellaneous, QStringLiteral("UpdateServer"), host) ? 1 : 0;
}

QString CSettingsStore::RealEngineDirectory() const {
    QString dir = platform::ProgramDirectory();
    ReadRealEngineDirectory(&dir);
    return dir;
}

QString CSettingsStore::FilePath() const {
    return platform::RegistryFilePath();
}

bool CSettingsStore::IsFileReadable() const {
    return platform::RegistryFileReadable();
}

int CSettingsStore::ReadUID(QString* uid) const {
    uid->clear();
    platform::RegReadText(kRoot, QString::fromUtf8(text::kUidValueName), uid);
    return uid->isEmpty() ? 0 : 1;
}

int CSettingsStore::WriteUID(const QString& uid) const {
    return platform::RegWriteText(kRoot, QString::fromUtf8(text::kUidValueName), uid) ? 1 : 0;
}

int CSettingsStore::AddFileEntry(const QString& entry) const {
    if (entry.isEmpty())
        return 0;
    QStringList present;
    ReadFileEntries(&present);
    // The new entry follows the ones that are there, whatever total the file claims.
    const auto next = static_cast<quint32>(present.size() + 1);
    RegistryKey key(kPlaylist);
    // The new total and the new entry reach the file together, so a failure leaves neither.
    key.SetDword(kFileListTotal, next);
    key.SetText(QString::number(next), entry);
    return key.Flush() ? 1 : 0;
}

int CSettingsStore::ReadFileEntries(QStringList* entries) const {
    const RegistryKey key(kPlaylist);
    quint32 total = 0;
    if (!key.ReadDword(kFileListTotal, &total))
        return 0;
    // The list ends at its first missing entry: a total written by hand or by a broken writer
    // (2147483647) must not make the reader count to it.
    QString entry;
    for (quint32 i = 1; i <= total && key.ReadText(QString::number(i), &entry); ++i)
        entries->append(entry);
    return 1;
}

int CSettingsStore::RemoveFileEntry(int position) const {
    QStringList entries;
    if (!ReadFileEntries(&entries) || position < 1 || position > entries.size())
        return 0;
    entries.removeAt(position - 1);

    RegistryKey key(kPlaylist);
    // Every numbered value goes, also those past a gap or past the total, so none of them can
    // come back as an entry once the list grows again.
    for (const QString& name : key.ValueNames()) {
        bool number = false;
        name.toULongLong(&number);
        if (number)
            key.DeleteValue(name);
    }
    // Entries that cannot be added (empty ones) are dropped, as adding them one by one would.
    entries.removeAll(QString());
    for (qsizetype i = 0; i < entries.size(); ++i)
        key.SetText(QString::number(i + 1), entries[i]);
    key.SetDword(kFileListTotal, static_cast<quint32>(entries.size()));
    if (!key.Flush()) {
        qCWarning(lcSettings) << "file list entry" << position << "not removed";
        return 0;
    }
    return 1;
}

int CSettingsStore::IsRunAtStartup() const {
    return platform::ReadStartupEntry(QString::fromUtf8(text::kStartupEntryId)) ? 1 : 0;
}

int CSettingsStore::WriteRunAtStartup() const {
    return platform::WriteStartupEntry(QString::fromUtf8(text::kStartupEntryId),
                                       QString::fromUtf8(text::kProductName),
                                       platform::ProgramPath())
               ? 1
               : 0;
}

int CSettingsStore::DeleteRunAtStartup() const {
    return platform::DeleteStartupEntry(QString::fromUtf8(text::kStartupEntryId)) ? 1 : 0;
}

}  // namespace velotune
