#include "tests/playback/controller_sandbox.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include "tests/support/test_env.h"

namespace velotune::test {

bool WaitForEvents(const std::function<bool()>& pred, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!pred()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

void DrainEvents() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

void SetPlaylist(StationDbContent& content, const QList<int>& numbers) {
    std::int32_t position = 0;
    for (int number : numbers) {
        content.playlist.append(CPlaylistSet{number, ++position});
        content.stations[number - 1].m_Playlist = 1;
    }
}

ControllerSandbox::~ControllerSandbox() {
    if (saved_)
        qputenv("XDG_CONFIG_HOME", savedConfigHome_);
}

void ControllerSandbox::FreshSettings() {
    if (!saved_) {
        savedConfigHome_ = qgetenv("XDG_CONFIG_HOME");
        saved_ = true;
    }
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(MakeTempDir(QStringLiteral("config"))));
}

std::unique_ptr<CTorvikCommandCentre> ControllerSandbox::MakeController(
    const StationDbContent& content, IPlayerWindowFactory* windows,
    std::function<std::unique_ptr<IUsageReporter>(IUsageReportOwner&)> reporter) {
    dataDir = MakeTempDir(QStringLiteral("data"));
    programDir = MakeTempDir(QStringLiteral("program"));
    QString error;
    if (!WriteStationDatabase(dataDir + QStringLiteral("/velostn.dat"), content, &error)) {
        ADD_FAILURE() << "the database was not written: " << error.toStdString();
        return nullptr;
    }
    CommandCentreSetup setup;
    setup.dataDirectory = dataDir;
    setup.programDirectory = programDir;
    setup.windows = windows;
    setup.makeUsageReporter = std::move(reporter);
    return std::make_unique<CTorvikCommandCentre>(setup);
}

}  // namespace velotune::test
