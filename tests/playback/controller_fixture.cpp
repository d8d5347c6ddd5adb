#include "tests/playback/controller_fixture.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>

#include "tests/support/test_env.h"

namespace velotune::test {

CRadioSet MakeStation(const QString& name, const QString& url, const QString& format) {
    CRadioSet station;
    station.m_StationName = name;
    station.m_StreamURL = url;
    station.m_StreamFormat = format;
    station.m_Frequency = QStringLiteral("101.1");
    station.m_GenreOne = QStringLiteral("Pop");
    station.m_Country = QStringLiteral("Ireland");
    station.m_Active = 1;
    return station;
}

void ControllerTest::Start(const QList<CRadioSet>& stations, const QList<int>& playlistIds) {
    if (savedConfigHome_.isNull())
        savedConfigHome_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(MakeTempDir(QStringLiteral("config"))));
    dataDir_ = MakeTempDir(QStringLiteral("data"));
    programDir_ = MakeTempDir(QStringLiteral("program"));

    StationDbContent content;
    content.edition = 42;
    content.stations = stations;
    content.countries = {QStringLiteral("Ireland")};
    content.genres = {QStringLiteral("Pop")};
    std::int32_t position = 0;
    for (int id : playlistIds) {
        content.playlist.append(CPlaylistSet{id, ++position});
        content.stations[id - 1].m_Playlist = 1;
    }
    QString error;
    ASSERT_TRUE(WriteStationDatabase(dataDir_ + QStringLiteral("/velostn.dat"), content, &error))
        << error.toStdString();

    CommandCentreSetup setup;
    setup.dataDirectory = dataDir_;
    setup.programDirectory = programDir_;
    setup.windows = &factory_;
    setup.makeUsageReporter = reporterFactory_;
    controller_ = std::make_unique<CTorvikCommandCentre>(setup);
    ASSERT_EQ(controller_->OpenDatabase(), kDbOk) << messages_.Last().toStdString();
    controller_->SetMainWindow(&main_);
}

void ControllerTest::TearDown() {
    controller_.reset();
    Drain();
    if (!savedConfigHome_.isNull())
        qputenv("XDG_CONFIG_HOME", savedConfigHome_);
}

bool ControllerTest::WaitFor(const std::function<bool()>& pred, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!pred()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

void ControllerTest::Drain() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

PlaylistList ControllerTest::StoredPlaylist() {
    PlaylistList list;
    EXPECT_EQ(controller_->LoadPlaylist(list), kDbOk);
    return list;
}

QStringList ControllerTest::StoredFiles() {
    QStringList entries;
    controller_->Settings().ReadFileEntries(&entries);
    return entries;
}

}  // namespace velotune::test
