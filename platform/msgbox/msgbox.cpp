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

// The window a box without a named owner belongs to: the dialog that is modal now, else the
// window that has the focus.
QWidget* DefaultOwner() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return nullptr;
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

}  // namespace

void OwnDialog(QWidget* dialog, QWidget* owner) {
    QWidget* window = owner ? owner->window() : nullptr;
    if (!window || window == dialog) {
        dialog->setWindowModality(Qt::ApplicationModal);
        return;
    }
    // A parent makes the dialog the window's transient child, and a dialog is placed centred on
    // its parent when it is first shown.
    if (dialog->parentWidget() != window)
        dialog->setParent(window, dialog->windowFlags() | Qt::Dialog);
    dialog->setWindowModality(Qt::WindowModal);
    // A window manager keeps a transient above its parent, but a parent that is always on top
    // sits in a higher layer than an ordinary transient could be put in by some of them.
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        dialog->setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
    QMutexLocker lock(&g_hookMutex);
    std::swap(g_hook, hook);
    return hook;
}

int ShowMessageBox(const MessageBoxRequest& asked) {
    MessageBoxRequest request = asked;
    if (!request.owner)
        request.owner = DefaultOwner();
    if (request.owner)
        request.owner = request.owner->window();
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
    OwnDialog(&box, request.owner);
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

int ShowMessageBox(QWidget* owner, const QString& text, MsgButtons buttons, MsgIcon icon,
                   int defaultAnswer) {
    return ShowMessageBox(MessageBoxRequest{text, QString(), buttons, icon, defaultAnswer, owner});
}

}  // namespace velotune::platform
