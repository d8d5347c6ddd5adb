// A second process for the locking tests: opens a station database through CRadioDatabase and
// prints "result: <code>" and any message the layer showed. With --hold it keeps the database
// open until its standard input closes, so a test can try to open the file while it is held.
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <cstdio>

#include "platform/msgbox/msgbox.h"
#include "stationdb/radiodatabase.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2)
        return 2;
    QTextStream out(stdout);
    velotune::platform::SetMessageBoxHook([&](const velotune::platform::MessageBoxRequest& r) {
        out << "message: " << r.text << Qt::endl;
        return int(velotune::platform::kIdOk);
    });
    velotune::CRadioDatabase db;
    const int result = db.OpenDatabase(args.at(1));
    out << "result: " << result << Qt::endl;
    if (result == velotune::kDbOk && args.contains(QStringLiteral("--hold"))) {
        QFile in;
        if (in.open(stdin, QIODevice::ReadOnly))
            in.readAll();  // returns once the test closes our standard input
    }
    return result;
}
