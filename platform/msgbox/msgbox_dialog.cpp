#include <QApplication>
#include <QMessageBox>

#include "platform/msgbox/msgbox.h"
#include "res/texts.h"

namespace velotune::platform {
namespace {

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

// The window a box belongs to: the one that asked, else the dialog that is modal now, else the
// window that has the focus.
QWidget* OwnerWindow(QWidget* asked) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return nullptr;
    if (asked)
        return asked->window();
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

int ShowDialog(const MessageBoxRequest& request, int defaultAnswer) {
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
    box.setDefaultButton(ToStandard(defaultAnswer));
    return FromStandard(box.exec());
}

}  // namespace

void UseMessageBoxDialogs() {
    SetMessageBoxDialog(&ShowDialog, &OwnerWindow);
}

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

}  // namespace velotune::platform
