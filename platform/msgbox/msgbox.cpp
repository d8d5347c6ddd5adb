#include "platform/msgbox/msgbox.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QMutex>
#include <atomic>

Q_LOGGING_CATEGORY(lcMsgBox, "velotune.msgbox")

namespace velotune::platform {
namespace {

QMutex g_hookMutex;
MessageBoxHook g_hook;  // guarded by g_hookMutex
std::atomic<MessageBoxDialog> g_dialog{nullptr};
std::atomic<OwnerResolver> g_ownerResolver{nullptr};

int FirstAnswer(MsgButtons buttons) {
    return buttons == MsgButtons::Ok || buttons == MsgButtons::OkCancel ? kIdOk : kIdYes;
}

}  // namespace

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
    QMutexLocker lock(&g_hookMutex);
    std::swap(g_hook, hook);
    return hook;
}

int ShowMessageBox(const MessageBoxRequest& asked) {
    MessageBoxRequest request = asked;
    if (const OwnerResolver resolve = g_ownerResolver.load())
        request.owner = resolve(request.owner);
    MessageBoxHook hook;
    {
        QMutexLocker lock(&g_hookMutex);
        hook = g_hook;
    }
    if (hook)
        return hook(request);

    const int fallback = request.defaultAnswer ? request.defaultAnswer : FirstAnswer(request.buttons);
    const MessageBoxDialog dialog = g_dialog.load();
    const QCoreApplication* app = QCoreApplication::instance();
    const bool windowed = app && app->inherits("QApplication");
    if (!windowed || !dialog) {
        if (windowed)  // a program with windows that forgot UseMessageBoxDialogs()
            qCWarning(lcMsgBox) << "no message box dialog installed; the text goes to the log";
        qCWarning(lcMsgBox).noquote() << request.text;
        return fallback;
    }

    // The log keeps what the user was told, for a report of a problem and for tests that drive
    // the real program.
    qCInfo(lcMsgBox).noquote() << "shown:" << request.text;
    return dialog(request, fallback);
}

void SetMessageBoxDialog(MessageBoxDialog dialog, OwnerResolver resolveOwner) {
    g_dialog.store(dialog);
    g_ownerResolver.store(resolveOwner);
}

int ShowMessageBox(const QString& text, MsgButtons buttons, MsgIcon icon, int defaultAnswer) {
    return ShowMessageBox(MessageBoxRequest{text, QString(), buttons, icon, defaultAnswer});
}

int ShowMessageBox(QWidget* owner, const QString& text, MsgButtons buttons, MsgIcon icon,
                   int defaultAnswer) {
    return ShowMessageBox(MessageBoxRequest{text, QString(), buttons, icon, defaultAnswer, owner});
}

}  // namespace velotune::platform
