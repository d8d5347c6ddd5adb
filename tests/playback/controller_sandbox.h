// tests/playback/controller_sandbox.h
//
// What every test of a real controller sets up: a private settings folder, a station database
// file written for the test, the controller over it, and waits that keep the event loop running.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <ostream>

#include "playback/command_centre.h"
#include "stationdb/dbwriter.h"

// Lets failures show texts as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace velotune::test {

// Processes events until pred holds or timeoutMs passes.
bool WaitForEvents(const std::function<bool()>& pred, int timeoutMs = 20000);
// Processes the events already posted (and those they post in turn, briefly).
void DrainEvents();

// Puts the stations with these 1-based numbers on the playlist, in that order, and flags them.
void SetPlaylist(StationDbContent& content, const QList<int>& numbers);

// Owns the settings folder of a test: XDG_CONFIG_HOME points at a fresh folder after each
// FreshSettings and at the original again once the sandbox goes.
class ControllerSandbox {
public:
    ~ControllerSandbox();

    void FreshSettings();
    // Writes content as the database of a fresh data folder and makes a controller over it (the
    // database not yet opened), with a fresh program folder. Null, with the test failed, when
    // the database cannot be written.
    std::unique_ptr<CTorvikCommandCentre> MakeController(
        const StationDbContent& content, IPlayerWindowFactory* windows,
        std::function<std::unique_ptr<IUsageReporter>(IUsageReportOwner&)> reporter = {});

    QString dataDir;
    QString programDir;

private:
    QByteArray savedConfigHome_;
    bool saved_ = false;
};

}  // namespace velotune::test
