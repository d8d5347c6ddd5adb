// velotune: the Internet-radio player.
#include <QApplication>

#include "app/gui_platform.h"
#include "app/torvik_app.h"
#include "platform/msgbox/msgbox.h"
#include "res/texts.h"

int main(int argc, char** argv) {
    velotune::ChoosePlayerPlatform();
    QApplication app(argc, argv);
    velotune::platform::UseMessageBoxDialogs();
    QCoreApplication::setApplicationName(QString::fromUtf8(velotune::text::kProductName));
    QGuiApplication::setDesktopFileName(QString::fromUtf8(velotune::text::kDesktopEntryId));
    // The application object goes before the QApplication: it gives up the bus name on the way.
    velotune::CTorvikApp player;
    return player.Run(QCoreApplication::arguments().mid(1));
}
