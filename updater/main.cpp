// velosync: brings the user's station database up to the newest edition on the update server.
// The player starts it as "velosync -v:<edition>".
#include <QApplication>

#include "platform/msgbox/msgbox.h"
#include "res/texts.h"
#include "updater/update_app.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    velotune::platform::UseMessageBoxDialogs();
    QCoreApplication::setApplicationName(QString::fromUtf8(velotune::text::kUpdaterName));
    velotune::CTorvikDBUpdateApp updater;
    return updater.Run(QCoreApplication::arguments().mid(1));
}
