// platform/registry/registry.h
//
// The machine-wide settings of both programs: one settings file,
// $XDG_CONFIG_HOME/Quillon Global/Velotune.conf (INI format). The file's top level is the root
// key; each group is a sub-key ("Options", "Playlist", ...). Values are either DWORDs (32-bit
// numbers, stored as unsigned decimal text) or texts. The updater reads the installation
// identifier from the same file, so the layout stays flat and simple: one level of groups, plain
// value names.
//
// Also here: the start-up entry, an XDG autostart file $XDG_CONFIG_HOME/autostart/<id>.desktop
// whose Exec names the program to start with the desktop session.
//
// Threading: every call may be made from any thread; a RegistryKey object belongs to the thread
// that made it. Calls block on file I/O (a small file; microseconds to milliseconds). Two
// processes may write the file at the same time: a write merges only the values it changed into
// the file as it is on disk, under a lock file, and replaces the file atomically.
#pragma once

#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

class QSettings;

namespace velotune::platform {

// The settings file the keys live in. Follows XDG_CONFIG_HOME at every call.
QString RegistryFilePath();

// False when the settings file exists but cannot be read (no permission, not a file, an I/O
// error): its values then only look absent, and nothing should be written over them.
bool RegistryFileReadable();

// An open key: "" is the root key, otherwise one sub-key name such as "Options". Opening never
// fails and creates nothing; writes are collected and reach the file together, in one atomic
// replacement, at Flush() (or, unreported, at destruction).
class RegistryKey {
public:
    explicit RegistryKey(const QString& subKey = QString());
    ~RegistryKey();
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Reads a DWORD. Fails when the value is absent or is not a number in the 32-bit range
    // (negative numbers written by hand are taken in two's complement). *value is untouched on
    // failure.
    bool ReadDword(const QString& name, quint32* value) const;
    // Reads a text of any length. Fails when the value is absent; *value is untouched then.
    bool ReadText(const QString& name, QString* value) const;
    bool HasValue(const QString& name) const;
    // The names of the key's values (not of its sub-keys), in the file's order.
    QStringList ValueNames() const;

    void SetDword(const QString& name, quint32 value);
    // A DWORD that holds a signed number (a screen coordinate), written as that number, so the
    // file says -200 where SetDword would say 4294967096; ReadDword reads either form back.
    void SetSignedDword(const QString& name, qint32 value);
    void SetText(const QString& name, const QString& value);
    // Deletes a value. Fails (and changes nothing) when the value does not exist.
    bool DeleteValue(const QString& name);

    // Writes every change made through this key since the last Flush. Returns false when the file
    // could not be written (for example an unwritable folder); the changes are then undone here,
    // so this process goes on reading what the file holds.
    bool Flush();

private:
    // What a value held before this key first changed it, so that a failed Flush can undo it.
    struct Change {
        QString name;
        bool existed = false;
        QVariant old;
    };
    void Remember(const QString& name);

    std::unique_ptr<QSettings> settings_;
    std::vector<Change> changes_;  // values changed since the last Flush
};

// One access each: open the key, do it, flush, close. Success is true. Readers leave the output
// untouched on failure.
bool RegWriteDword(const QString& subKey, const QString& name, quint32 value);
bool RegReadDword(const QString& subKey, const QString& name, quint32* value);
bool RegWriteText(const QString& subKey, const QString& name, const QString& value);
bool RegReadText(const QString& subKey, const QString& name, QString* value);
bool RegDeleteValue(const QString& subKey, const QString& name);

// ---- Start-up entry (XDG autostart) ---------------------------------------------------------
// id names the file ("velotune" gives velotune.desktop); displayName is its Name.

QString StartupEntryPath(const QString& id);

// Succeeds when the entry exists, is not hidden and its Exec names a program; *programPath (when
// given) receives that program's path, unquoted. Untouched on failure.
bool ReadStartupEntry(const QString& id, QString* programPath = nullptr);

// Writes the entry (replacing it whole) so that the session starts programPath. An empty path
// fails.
bool WriteStartupEntry(const QString& id, const QString& displayName, const QString& programPath);

// Removes the entry. Fails when there is none or it cannot be removed.
bool DeleteStartupEntry(const QString& id);

}  // namespace velotune::platform
