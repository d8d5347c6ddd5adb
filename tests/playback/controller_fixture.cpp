#include "tests/playback/controller_fixture.h"

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
    StationDbContent content;
    content.edition = 42;
    content.stations = stations;
    content.countries = {QStringLiteral("Ireland")};
    content.genres = {QStringLiteral("Pop")};
    SetPlaylist(content, playlistIds);

    sandbox_.FreshSettings();
    controller_ = sandbox_.MakeController(content, &factory_, reporterFactory_);
    ASSERT_TRUE(controller_);
    dataDir_ = sandbox_.dataDir;
    programDir_ = sandbox_.programDir;
    ASSERT_EQ(controller_->OpenDatabase(), kDbOk) << messages_.Last().toStdString();
    controller_->SetMainWindow(&main_);
}

void ControllerTest::TearDown() {
    controller_.reset();
    Drain();
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
