// platform/msgbox/msgbox.h
//
// The one function through which both programs show a message box. Every message a person is
// shown goes through ShowMessageBox, so tests can install a hook that records the text and
// answers for the user instead of blocking on a modal dialog.
//
// The dialog itself (QMessageBox) is a library of its own, Velotune::MessageBoxDialog, which the
// programs with windows install at start-up with UseMessageBoxDialogs(); a command-line program
// that shares the modules but never installs it does not load Qt's widget libraries at all.
//
// A box belongs to the window that asks for it: it is that window's transient child, centred on
// it, modal to it, and kept on top with it when that window is always on top (a box of a plain
// top-level would otherwise open behind it). OwnDialog gives the program's other dialogs the
// same ownership.
//
// Threading: call on the user-interface thread only. Without a QApplication (a command-line tool
// or a test without widgets), or without the dialogs installed, and without a hook, the text is
// written to the log and the default answer is returned.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace velotune::platform {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };

// The answers, numbered as the classic message box answers are.
enum MsgAnswer { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

enum class MsgIcon { None, Information, Warning, Error, Question };

struct MessageBoxRequest {
    QString text;
    QString caption;  // empty: the product name
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
    int defaultAnswer = 0;  // 0: the first button
    // The window that asks (any widget of it). Null: the dialog that is modal at the moment,
    // else the active window; ShowMessageBox fills it in before a hook sees the request.
    QWidget* owner = nullptr;
};

// Shows the box modally and returns the answer (a MsgAnswer).
int ShowMessageBox(const MessageBoxRequest& request);

// Convenience for the common case: an OK box with the product name as caption.
int ShowMessageBox(const QString& text, MsgButtons buttons = MsgButtons::Ok,
                   MsgIcon icon = MsgIcon::None, int defaultAnswer = 0);
// The same, asked by owner's window.
int ShowMessageBox(QWidget* owner, const QString& text, MsgButtons buttons = MsgButtons::Ok,
                   MsgIcon icon = MsgIcon::None, int defaultAnswer = 0);


// Replaces the real dialog (tests). An empty function restores it. Returns the previous hook.
using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// Shows the box modally with the given default answer and returns the answer.
using MessageBoxDialog = int (*)(const MessageBoxRequest& request, int defaultAnswer);
// The window that owns a box asked for by owner (any widget of it, or null).
using OwnerResolver = QWidget* (*)(QWidget* owner);
void SetMessageBoxDialog(MessageBoxDialog dialog, OwnerResolver resolveOwner);

// In Velotune::MessageBoxDialog:
// Installs the real dialog. Any thread, before the first box.
void UseMessageBoxDialogs();
// Makes dialog (a top-level widget not yet shown) a dialog of owner's window as a message box
// is: transient for it and centred on it (its parent), modal to it, and on top as it is. A null
// owner leaves the dialog application-modal and unowned.
void OwnDialog(QWidget* dialog, QWidget* owner);

}  // namespace velotune::platform
