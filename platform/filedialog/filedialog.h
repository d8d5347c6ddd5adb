// platform/filedialog/filedialog.h
//
// The one function through which the player asks the user for a file to open or a file to save.
// Requests are written as the classic common dialogs take them: a filter text of description and
// pattern pairs separated by "|" and closed by "||", a default extension, and option flags. The
// real dialog is a QFileDialog; tests install a hook that records the request and answers with a
// path instead of blocking on a modal dialog. The programs never install a hook.
//
// Threading: call on the user-interface thread only.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace velotune::platform {

// Option flags, numbered as the classic dialogs number them.
inline constexpr unsigned kOfnOverwritePrompt = 0x00000002;  // ask before replacing a file
inline constexpr unsigned kOfnHideReadOnly = 0x00000004;     // no "open as read-only" choice
inline constexpr unsigned kOfnEnableSizing = 0x00800000;     // the dialog may be resized

enum class FileDialogKind { Open, Save };

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    QString defaultExtension;  // added to a typed name without one ("wma"; "*.wma" also works)
    QString fileName;          // the name shown at first; may be empty
    QString filter;            // "Description|*.a; *.b|Other|*.c||"
    unsigned options = 0;      // kOfn... flags
    QWidget* parent = nullptr;
};

// Shows the dialog modally. Returns the chosen file's absolute path, or an empty text when the
// user cancelled.
QString ShowFileDialog(const FileDialogRequest& request);

// Replaces the real dialog (tests). An empty function restores it. Returns the previous hook.
using FileDialogHook = std::function<QString(const FileDialogRequest&)>;
FileDialogHook SetFileDialogHook(FileDialogHook hook);

// The filter text as QFileDialog name filters: one entry per description, each ending in the
// patterns in parentheses ("Windows Media Audio (*.wma)"). A description that already ends in
// exactly its patterns is kept as it is; otherwise the patterns are appended.
QStringList ToNameFilters(const QString& filter);

}  // namespace velotune::platform
