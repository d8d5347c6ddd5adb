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
// Threading: call on the user-interface thread only. Without a QApplication (a command-line tool
// or a test without widgets), or without the dialogs installed, and without a hook, the text is
// written to the log and the default answer is returned.
#pragma once

#include <QString>
#include <functional>

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
};

// Shows the box modally and returns the answer (a MsgAnswer).
int ShowMessageBox(const MessageBoxRequest& request);

// Convenience for the common case: an OK box with the product name as caption.
int ShowMessageBox(const QString& text, MsgButtons buttons = MsgButtons::Ok,
                   MsgIcon icon = MsgIcon::None, int defaultAnswer = 0);

// Replaces the real dialog (tests). An empty function restores it. Returns the previous hook.
using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// Shows the box modally with the given default answer and returns the answer.
using MessageBoxDialog = int (*)(const MessageBoxRequest& request, int defaultAnswer);
void SetMessageBoxDialog(MessageBoxDialog dialog);

// Installs the real dialog (Velotune::MessageBoxDialog). Any thread, before the first box.
void UseMessageBoxDialogs();

}  // namespace velotune::platform
