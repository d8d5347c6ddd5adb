// updater/work_folder.h
//
// The updater's private working folder: a fresh folder of its own under the temporary folder,
// readable only by the user (mode 0700), where the new edition is unpacked and merged. Nothing
// another run left behind can be in it, so the engine never picks up a stale journal beside the
// new database. It is removed with everything in it when the updater ends.
//
// A run that was killed cannot remove its folder; the next start removes the folders of runs
// whose process is gone, and the half-written copies an interrupted replace left beside the
// station database.
//
// Threading: the dialog's thread, at start-up and at the end.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace velotune {

class WorkFolder {
public:
    // Creates "velosync-<pid>-XXXXXX" under base (a folder path, with or without a trailing "/").
    explicit WorkFolder(const QString& base);
    // Removes the folder and everything in it.
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    bool IsValid() const;
    // The folder's path with a trailing "/"; empty when it could not be made.
    QString Path() const;

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

// Removes what killed runs left: the work folders under tempBase of updater processes that no
// longer run (only folders of this user), and the replace's partial copies ("velostn.dat.new-*")
// in dataDir. Returns how many it removed.
int RemoveLeftovers(const QString& tempBase, const QString& dataDir);

// The prefix of the partial copy that ReplaceDatabase writes beside the station database.
inline constexpr char kReplacePartialSuffix[] = ".new-";

}  // namespace velotune
