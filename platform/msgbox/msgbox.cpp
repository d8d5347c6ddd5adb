#include "platform/msgbox/msgbox.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QMutex>

#include "res/texts.h"

Q_LOGGING_CATEGORY(lcMsgBox, "velotune.msgbox")

namespace velotune::platform {
namespace {

QMutex g_hookMutex;
MessageBoxHook g_hook;  // guarded by g_hookMutex

int FirstAnswer(MsgButtons buttons) {
    return buttons == MsgButtons::Ok || buttons == MsgButtons::OkCancel ? kIdOk : kIdYes;
}

QMessageBox::StandardButton ToStandard(int answer) {
    switch (answer) {
        case kIdOk: return QMessageBox::Ok;
        case kIdCancel: return QMessageBox::Cancel;
        case kIdYes: return QMessageBox::Yes;
        case kIdNo: return QMessageBox::No;
        default: return QMessageBox::NoButton;
    }
}

int FromStandard(int button) {
    switch (button) {
        case QMessageBox::Ok: return kIdOk;
        case QMessageBox::Yes: return kIdYes;
        case QMessageBox::No: return kIdNo;
        default: return kIdCancel;
    }
}

}  // namespace

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
    QMutexLocker lock(&g_hookMutex);
    std::swap(g_hook, hook);
    return hook;
}

int ShowMessageBox(const MessageBoxRequest& request) {
    MessageBoxHook hook;
    {
        QMutexLocker lock(&g_hookMutex);
        hook = g_hook;
    }
    if (hook)
        return hook(request);

    const int fallback = request.defaultAnswer ? request.defaultAnswer : FirstAnswer(request.buttons);
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        qCWarning(lcMsgBox).noquote() << request.text;
        return fallback;
    }

    // The log keeps what the user was told, for a report of a problem and for tests that drive
    // the real program.
    qCInfo(lcMsgBox).noquote() << "shown:" << request.text;
    QMessageBox box;
    box.setWindowTitle(request.caption.isEmpty() ? QString::fromUtf8(text::kProductName)
                                                 : request.caption);
    box.setText(request.text);
    switch (request.icon) {
        case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
        case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
        case MsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
        case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
        case MsgIcon::None: break;
    }
    switch (request.buttons) {
        case MsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
        case MsgButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
        case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        case MsgButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
    }
    box.setDefaultButton(ToStandard(fallback));
    return FromStandard(box.exec());
}

int ShowMessageBox(const QString& text, MsgButtons buttons, MsgIcon icon, int defaultAnswer) {
    return ShowMessageBox(MessageBoxRequest{text, QString(), buttons, icon, defaultAnswer});
}

}  // namespace velotune::platform
