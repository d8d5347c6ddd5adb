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

int ShowDialog(const MessageBoxRequest& request, int defaultAnswer) {
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
    box.setDefaultButton(ToStandard(defaultAnswer));
    return FromStandard(box.exec());
}

}  // namespace

void UseMessageBoxDialogs() {
    SetMessageBoxDialog(&ShowDialog);
}

}  // namespace velotune::platform
