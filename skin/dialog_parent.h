// skin/dialog_parent.h (internal): which window the small modal dialogs belong to.
#pragma once

#include <QWidget>

#include "playback/command_centre.h"

namespace velotune {

// The main window while it is on screen; nullptr while it is hidden in the tray or gone, so that
// a dialog opened from the tray menu stands on its own.
inline QWidget* DialogParent(const CTorvikCommandCentre& controller) {
    QWidget* main = controller.MainWindow() ? controller.MainWindow()->Widget() : nullptr;
    return main && main->isVisible() ? main : nullptr;
}

}  // namespace velotune
