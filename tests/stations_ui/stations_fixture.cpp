#include "tests/stations_ui/stations_fixture.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTest>
#include <QThread>

#include "tests/support/test_env.h"

namespace velotune::test {

IListWindow* StationWindowFactory::CreatePlaylistWindow(CTorvikCommandCentre& c, QWidget* parent) {
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
    for (std::int32_t id = 1; id <= 4; ++id) {
        content.playlist.append(CPlaylistSet{id, id});
        content.stations[id - 1].m_Playlist = 1;
    }
    return content;
}

void StationsUiTest::SetUp() {
    savedConfigHome_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(MakeTempDir(QStringLiteral("config"))));
    main_ = std::make_unique<FakeMainWindow>();
}

void StationsUiTest::Start(const StationDbContent& content) {
    const QString dataDir = MakeTempDir(QStringLiteral("data"));
    QString error;
    ASSERT_TRUE(WriteStationDatabase(dataDir + QStringLiteral("/velostn.dat"), content, &error))
        << error.toStdString();
    CommandCentreSetup setup;
    setup.dataDirectory = dataDir;
    setup.programDirectory = MakeTempDir(QStringLiteral("program"));
    setup.windows = &factory_;
    controller_ = std::make_unique<CTorvikCommandCentre>(setup);
    ASSERT_EQ(controller_->OpenDatabase(), kDbOk) << messages_.Last().toStdString();
    controller_->SetMainWindow(main_.get());
}

void StationsUiTest::TearDown() {
    controller_.reset();
    main_.reset();
    Drain();
    qputenv("XDG_CONFIG_HOME", savedConfigHome_);
}

bool StationsUiTest::WaitFor(const std::function<bool()>& pred, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!pred()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

void StationsUiTest::Drain() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
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
