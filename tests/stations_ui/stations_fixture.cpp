#include "tests/stations_ui/stations_fixture.h"

#include <QTest>

namespace velotune::test {

IListWindow* StationWindowFactory::CreatePlaylistWindow(CTorvikCommandCentre& c, QWidget* parent) {
    ++playlistsMade;
    return playlist = stations.CreatePlaylistWindow(c, parent);
}

IListWindow* StationWindowFactory::CreateFileListWindow(CTorvikCommandCentre& c, QWidget* parent) {
    return fileList = stations.CreateFileListWindow(c, parent);
}

CRadioSet Station(const char* name, const char* genre, const char* country, const char* state,
                  const char* city, const char* format) {
    CRadioSet station;
    station.m_StationName = QString::fromUtf8(name);
    station.m_Frequency = QStringLiteral("98.1");
    station.m_GenreOne = QString::fromUtf8(genre);
    station.m_Country = QString::fromUtf8(country);
    station.m_State = QString::fromUtf8(state);
    station.m_City = QString::fromUtf8(city);
    station.m_StreamFormat = QString::fromUtf8(format);
    station.m_StreamURL = QStringLiteral("http://127.0.0.1:9/") + station.m_StationName;
    station.m_LanguageOne = QStringLiteral("English");
    station.m_Active = 1;
    return station;
}

StationDbContent StationsUiTest::DefaultContent() {
    StationDbContent content;
    content.edition = 7;
    content.countries = {QStringLiteral("Ireland"), QStringLiteral("France"),
                         QStringLiteral("IRELAND")};
    content.genres = {QStringLiteral("Pop"), QStringLiteral("Rock"), QStringLiteral("Jazz")};
    content.stations = {
        Station("Alpha", "Pop", "Ireland", "Leinster", "Dublin"),
        Station("Bravo", "Rock", "Ireland", "Leinster", "Kildare"),
        Station("Charlie", "Pop", "Ireland", "Munster", "Cork", "Real"),
        Station("Delta", "Pop", "Ireland", "", ""),
        Station("Echo", "Jazz", "France", "", ""),
        Station("Foxtrot", "Pop", "Ireland", "Connacht", ""),
        Station("Golf", "Pop", "Ireland", "Leinster", "Dublin", ""),
    };
    SetPlaylist(content, {1, 2, 3, 4});
    return content;
}

void StationsUiTest::SetUp() {
    sandbox_.FreshSettings();
    main_ = std::make_unique<FakeMainWindow>();
}

void StationsUiTest::Start(const StationDbContent& content) {
    controller_ = sandbox_.MakeController(content, &factory_);
    ASSERT_TRUE(controller_);
    ASSERT_EQ(controller_->OpenDatabase(), kDbOk) << messages_.Last().toStdString();
    controller_->SetMainWindow(main_.get());
}

void StationsUiTest::TearDown() {
    controller_.reset();
    main_.reset();
    Drain();
}

PlaylistList StationsUiTest::StoredPlaylist() {
    PlaylistList list;
    EXPECT_EQ(controller_->LoadPlaylist(list), kDbOk);
    return list;
}

CRadioSet StationsUiTest::StoredStation(int radioId) {
    CRadioSet station;
    EXPECT_EQ(controller_->GetStation(radioId, station), kDbOk);
    return station;
}

QStringList StationsUiTest::Column(const QTreeWidget* list, int column) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts.append(list->topLevelItem(i)->text(column));
    return texts;
}

QList<int> StationsUiTest::Ids(const QTreeWidget* list) {
    QList<int> ids;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        ids.append(list->topLevelItem(i)->data(0, Qt::UserRole).toInt());
    return ids;
}

void StationsUiTest::Choose(QComboBox* list, const QString& text) {
    const int index = list->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    ASSERT_GE(index, 0) << "no entry " << text.toStdString();
    list->setCurrentIndex(index);
}

QStringList StationsUiTest::Entries(const QComboBox* list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries.append(list->itemText(i));
    return entries;
}

void StationsUiTest::ClickRow(QTreeWidget* list, int row) {
    QPoint at;
    if (row > 0) {
        at = list->visualItemRect(list->topLevelItem(row - 1)).center();
    } else {
        at = QPoint(list->viewport()->width() / 2, list->viewport()->height() - 2);
        ASSERT_EQ(list->itemAt(at), nullptr) << "the list is too full to click below its rows";
    }
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
}

}  // namespace velotune::test
