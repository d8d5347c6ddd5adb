// The station finder on a real controller and database: narrowing by country, state and city,
// the genre search, putting stations on and off the playlist, deleting, editing from the finder,
// and test play as the owner of a real playback.
#include "stations_ui/station_finder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "res/texts.h"
#include "stations_ui/station_editor.h"
#include "tests/stations_ui/stations_fixture.h"
#include "tests/support/media_fixtures.h"
#include "tests/support/silent_server.h"

namespace velotune::test {
namespace {

QString T(const char* text) {
    return QString::fromUtf8(text);
}

class FinderTest : public StationsUiTest {
protected:
    void Open(int playingRadioId = 0) {
        finder_ = std::make_unique<CStationFinderDlg>(*controller_, playingRadioId);
        finder_->show();
        names_ = Control<QComboBox>(finder_.get(), CStationFinderDlg::kIdNames);
        states_ = Control<QComboBox>(finder_.get(), CStationFinderDlg::kIdStates);
        cities_ = Control<QComboBox>(finder_.get(), CStationFinderDlg::kIdCities);
        results_ = Control<QTreeWidget>(finder_.get(), CStationFinderDlg::kIdResults);
        toggle_ = Control<QPushButton>(finder_.get(), CStationFinderDlg::kIdPlaylistToggle);
        testPlay_ = Control<QPushButton>(finder_.get(), CStationFinderDlg::kIdTestPlay);
    }
    void TearDown() override {
        finder_.reset();
        StationsUiTest::TearDown();
    }
    void Click(int id) { Control<QAbstractButton>(finder_.get(), id)->click(); }
    void ChooseCountry(const char* country) {
        Click(CStationFinderDlg::kIdCountryMode);
        Choose(names_, T(country));
    }
    QList<int> Shown() const { return Ids(results_); }

    std::unique_ptr<CStationFinderDlg> finder_;
    QComboBox* names_ = nullptr;
    QComboBox* states_ = nullptr;
    QComboBox* cities_ = nullptr;
    QTreeWidget* results_ = nullptr;
    QPushButton* toggle_ = nullptr;
    QPushButton* testPlay_ = nullptr;
};

TEST_F(FinderTest, OpensWithNothingToActOn) {
    Start();
    Open();
    EXPECT_EQ(finder_->windowTitle(), T(text::kFinderTitle));
    EXPECT_FALSE(results_->isEnabled());
    EXPECT_FALSE(states_->isEnabled());
    EXPECT_FALSE(cities_->isEnabled());
    EXPECT_FALSE(Control<QLabel>(finder_.get(), CStationFinderDlg::kIdRefineLabel)->isEnabled());
    for (int id : {CStationFinderDlg::kIdPlaylistToggle, CStationFinderDlg::kIdTestPlay,
                   CStationFinderDlg::kIdEdit, CStationFinderDlg::kIdDelete})
        EXPECT_FALSE(Control<QPushButton>(finder_.get(), id)->isEnabled()) << id;
    EXPECT_EQ(testPlay_->text(), T(text::kFinderTestPlay));
}

TEST_F(FinderTest, CountryStateAndCityNarrowTheResult) {
    Start();
    Open();
    Click(CStationFinderDlg::kIdCountryMode);
    EXPECT_EQ(Entries(names_), (QStringList{T(text::kSelectCountry), QStringLiteral("France"),
                                            QStringLiteral("Ireland"), QStringLiteral("IRELAND")}));
    EXPECT_EQ(names_->currentIndex(), 0);

    Choose(names_, QStringLiteral("Ireland"));
    // Golf has no stream format and is never listed.
    EXPECT_EQ(Shown(), (QList<int>{1, 2, 3, 4, 6}));
    EXPECT_EQ(Column(results_, 0), (QStringList{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(Column(results_, 1).first(), QStringLiteral("Alpha"));
    EXPECT_EQ(Column(results_, 5).first(), QStringLiteral("Leinster"));
    EXPECT_EQ(Column(results_, 7), (QStringList{"Yes", "Yes", "Yes", "Yes", ""}));
    EXPECT_TRUE(states_->isEnabled());
    EXPECT_FALSE(cities_->isEnabled());
    EXPECT_EQ(Entries(states_),
              (QStringList{T(text::kSelectState), "Connacht", "Leinster", "Munster"}));

    Choose(states_, QStringLiteral("Leinster"));
    EXPECT_EQ(Shown(), (QList<int>{1, 2}));
    EXPECT_TRUE(cities_->isEnabled());
    EXPECT_EQ(Entries(cities_), (QStringList{T(text::kSelectCity), "Dublin", "Kildare"}));

    Choose(cities_, QStringLiteral("Dublin"));
    EXPECT_EQ(Shown(), QList<int>{1});
    // The city prompt shows the state's stations again.
    Choose(cities_, T(text::kSelectCity));
    EXPECT_EQ(Shown(), (QList<int>{1, 2}));

    // The state prompt shows the whole country again and leaves the cities.
    Choose(states_, T(text::kSelectState));
    EXPECT_EQ(Shown(), (QList<int>{1, 2, 3, 4, 6}));
    EXPECT_FALSE(cities_->isEnabled());

    // A state without cities leaves the city list disabled.
    Choose(states_, QStringLiteral("Connacht"));
    EXPECT_EQ(Shown(), QList<int>{6});
    EXPECT_FALSE(cities_->isEnabled());
}

TEST_F(FinderTest, TheSameCountryAgainKeepsTheNarrowingAndACountryWithoutStatesHasNone) {
    Start();
    Open();
    ChooseCountry("Ireland");
    Choose(states_, QStringLiteral("Leinster"));
    Choose(cities_, QStringLiteral("Kildare"));
    ASSERT_EQ(Shown(), QList<int>{2});

    // The same name in other letters: no new search.
    Choose(names_, QStringLiteral("IRELAND"));
    EXPECT_EQ(Shown(), QList<int>{2});
    EXPECT_EQ(states_->currentText(), QStringLiteral("Leinster"));
    EXPECT_EQ(cities_->currentText(), QStringLiteral("Kildare"));

    Choose(names_, QStringLiteral("France"));
    EXPECT_EQ(Shown(), QList<int>{5});
    EXPECT_FALSE(states_->isEnabled());
    EXPECT_FALSE(cities_->isEnabled());
    EXPECT_FALSE(Control<QLabel>(finder_.get(), CStationFinderDlg::kIdRefineLabel)->isEnabled());

    // Back to Ireland, the state chosen before is no longer applied: choosing it again narrows.
    Choose(names_, QStringLiteral("Ireland"));
    EXPECT_EQ(Shown(), (QList<int>{1, 2, 3, 4, 6}));
    EXPECT_EQ(states_->currentText(), T(text::kSelectState));
    Choose(states_, QStringLiteral("Leinster"));
    EXPECT_EQ(Shown(), (QList<int>{1, 2}));

    // The prompt forgets the country and empties the result.
    Choose(names_, T(text::kSelectCountry));
    EXPECT_FALSE(results_->isEnabled());
    EXPECT_EQ(results_->topLevelItemCount(), 0);
    EXPECT_FALSE(states_->isEnabled());
}

TEST_F(FinderTest, GenreSearchMatchesTheFirstGenreAndIsKeptAcrossModes) {
    Start();
    Open();
    Click(CStationFinderDlg::kIdGenreMode);
    EXPECT_EQ(Entries(names_), (QStringList{T(text::kSelectGenre), "Jazz", "Pop", "Rock"}));
    Choose(names_, QStringLiteral("Pop"));
    EXPECT_EQ(Shown(), (QList<int>{1, 3, 4, 6}));

    ChooseCountry("France");
    EXPECT_EQ(Shown(), QList<int>{5});
    Click(CStationFinderDlg::kIdGenreMode);
    EXPECT_EQ(names_->currentText(), QStringLiteral("Pop"));
    EXPECT_EQ(Shown(), (QList<int>{1, 3, 4, 6}));
    EXPECT_FALSE(states_->isEnabled());
}

// The first click into a result list that has been scrolled gives the list the focus and
// selects the row under the pointer, as every later click does, and not the row that stood at
// that place before the list jumped back to its top.
TEST_F(FinderTest, TheFirstClickOnAScrolledListSelectsTheRowUnderThePointer) {
    StationDbContent content = DefaultContent();
    for (int i = 1; i <= 40; ++i)
        content.stations.append(
            Station(qPrintable(QStringLiteral("Station %1").arg(i, 2, 10, QLatin1Char('0'))), "Pop",
                    "Ireland", "Leinster", "Dublin"));
    Start(content);
    Open();
    ChooseCountry("Ireland");
    ASSERT_GT(results_->topLevelItemCount(), 30);
    finder_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(finder_.get()));
    names_->setFocus();
    ASSERT_FALSE(results_->hasFocus());
    results_->verticalScrollBar()->setValue(results_->verticalScrollBar()->maximum());
    ASSERT_GT(results_->verticalScrollBar()->value(), 0);

    const int row = results_->topLevelItemCount() - 1;  // near the bottom, in view
    QTreeWidgetItem* target = results_->topLevelItem(row - 1);
    ClickRow(results_, row);
    EXPECT_TRUE(results_->hasFocus());
    EXPECT_EQ(results_->currentItem(), target)
        << "selected row " << results_->indexOfTopLevelItem(results_->currentItem()) + 1
        << " instead of " << row;
    EXPECT_TRUE(target->isSelected());
    EXPECT_GT(results_->verticalScrollBar()->value(), 0);
}

TEST_F(FinderTest, NameSearchListsAsTheUserTypesBestFirstWithTheSameActions) {
    StationDbContent content = DefaultContent();
    content.stations.append(Station("Café Delta", "Jazz", "France", "", ""));  // RadioID 8
    Start(content);
    Open();
    Click(CStationFinderDlg::kIdNameMode);
    auto* box = Control<QLineEdit>(finder_.get(), CStationFinderDlg::kIdNameText);
    EXPECT_TRUE(box->isVisible());
    EXPECT_FALSE(names_->isVisible());
    EXPECT_FALSE(results_->isEnabled());

    // Each key narrows the list; a name that begins with the text comes first, then the others
    // by where the text stands in them. "Golf" has no playable stream.
    QTest::keyClicks(box, QStringLiteral("d"));
    EXPECT_EQ(Shown(), (QList<int>{4, 8}));
    QTest::keyClicks(box, QStringLiteral("E"));
    EXPECT_EQ(Shown(), (QList<int>{4, 8}));
    box->clear();
    QTest::keyClicks(box, QStringLiteral("cafe"));
    EXPECT_EQ(Shown(), QList<int>{8});
    box->clear();
    QTest::keyClicks(box, QStringLiteral("a"));
    EXPECT_EQ(Shown(), (QList<int>{1, 8, 2, 3, 4}));

    // Enter does not answer the dialog; the rows act as in the other modes.
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_TRUE(finder_->isVisible());
    ClickRow(results_, 1);
    EXPECT_TRUE(toggle_->isEnabled());
    EXPECT_EQ(toggle_->text(), T(text::kFinderRemoveFromPlaylist));

    // Another mode and back: the text and its result are kept; no match and no text list nothing.
    Click(CStationFinderDlg::kIdGenreMode);
    EXPECT_TRUE(names_->isVisible());
    Click(CStationFinderDlg::kIdNameMode);
    EXPECT_EQ(box->text(), QStringLiteral("a"));
    EXPECT_EQ(Shown(), (QList<int>{1, 8, 2, 3, 4}));
    QTest::keyClicks(box, QStringLiteral("zz"));
    EXPECT_TRUE(Shown().isEmpty());
    box->clear();
    QTest::keyClicks(box, QStringLiteral(" "));
    EXPECT_FALSE(results_->isEnabled());
    EXPECT_FALSE(toggle_->isEnabled());
    EXPECT_TRUE(messages_.Texts().isEmpty());
}

TEST_F(FinderTest, PuttingOnAndTakingOffThePlaylistKeepsItNumbered) {
    Start();
    Open();
    ChooseCountry("France");
    ClickRow(results_, 1);
    ASSERT_TRUE(toggle_->isEnabled());
    EXPECT_EQ(toggle_->text(), T(text::kFinderAddToPlaylist));

    toggle_->click();
    PlaylistList stored = StoredPlaylist();
    ASSERT_EQ(stored.size(), 5);
    EXPECT_EQ(stored.last(), (CPlaylistSet{5, 5}));
    EXPECT_EQ(StoredStation(5).m_Playlist, 1);
    EXPECT_EQ(toggle_->text(), T(text::kFinderRemoveFromPlaylist));
    EXPECT_EQ(results_->topLevelItem(0)->text(7), QStringLiteral("Yes"));

    Choose(names_, QStringLiteral("Ireland"));
    ClickRow(results_, 2);  // Bravo
    EXPECT_EQ(toggle_->text(), T(text::kFinderRemoveFromPlaylist));
    toggle_->click();
    stored = StoredPlaylist();
    EXPECT_EQ(stored, (PlaylistList{{1, 1}, {3, 2}, {4, 3}, {5, 4}}));
    EXPECT_EQ(StoredStation(2).m_Playlist, 0);
    EXPECT_EQ(results_->topLevelItem(1)->text(7), QString());
    EXPECT_TRUE(messages_.Texts().isEmpty()) << messages_.Last().toStdString();
}

TEST_F(FinderTest, AStationWhoseFlagWasLostGetsNoSecondEntry) {
    Start();
    CRadioSet charlie = StoredStation(3);
    charlie.m_Playlist = 0;
    ASSERT_EQ(controller_->UpdateStation(charlie), kDbOk);
    Open();
    ChooseCountry("Ireland");
    ClickRow(results_, 3);
    ASSERT_EQ(toggle_->text(), T(text::kFinderAddToPlaylist));
    toggle_->click();
    EXPECT_EQ(StoredPlaylist().size(), 4);
    EXPECT_EQ(StoredStation(3).m_Playlist, 1);
}

TEST_F(FinderTest, ThePlayingStationKeepsItsPlaylistPlaceAndCannotBeDeleted) {
    Start();
    Open(1);
    ChooseCountry("Ireland");
    ClickRow(results_, 1);
    toggle_->click();
    EXPECT_EQ(messages_.Last(), T(text::kPlaylistChangeWhilePlaying));
    EXPECT_EQ(StoredPlaylist().size(), 4);

    messages_.SetAnswer(platform::kIdYes);
    Click(CStationFinderDlg::kIdDelete);
    EXPECT_EQ(messages_.Texts().mid(1),
              (QStringList{T(text::kConfirmDeleteStation), T(text::kDeleteWhilePlaying)}));
    bool exists = false;
    ASSERT_EQ(controller_->StationExists(1, exists), kDbOk);
    EXPECT_TRUE(exists);
    EXPECT_EQ(Shown().size(), 5);

    testPlay_->click();
    EXPECT_EQ(messages_.Last(), T(text::kTestPlayWhilePlaying));
    // Every one of those boxes was the finder's.
    EXPECT_EQ(messages_.Owners(), QList<QWidget*>(messages_.Texts().size(), finder_.get()));
}

// A box that an always-on-top finder opens is the finder's own: its transient child (so the
// window manager keeps it above the finder, not behind), on top as the finder is, modal to it and
// centred on it rather than on the screen.
TEST_F(FinderTest, ABoxOfAnAlwaysOnTopFinderIsItsTransientChild) {
    Start();
    Open(1);
    finder_->hide();
    finder_->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    finder_->move(20, 10);
    finder_->show();
    ChooseCountry("Ireland");
    ClickRow(results_, 1);

    const platform::MessageBoxHook recorder = platform::SetMessageBoxHook({});  // the real box
    struct Seen {
        bool found = false;
        QWidget* parent = nullptr;
        QWindow* transientParent = nullptr;
        bool onTop = false;
        Qt::WindowModality modality = Qt::NonModal;
        QPoint centre;
    } seen;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(top);
            if (!box || !box->isVisible())
                continue;
            seen = {true,
                    box->parentWidget(),
                    box->windowHandle() ? box->windowHandle()->transientParent() : nullptr,
                    box->windowFlags().testFlag(Qt::WindowStaysOnTopHint),
                    box->windowModality(),
                    box->frameGeometry().center()};
            box->button(QMessageBox::Ok)->click();
        }
    });
    poll.start();
    testPlay_->click();  // "a station is playing": the box runs until the poll answers it
    poll.stop();
    platform::SetMessageBoxHook(recorder);

    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.parent, finder_.get());
    EXPECT_EQ(seen.transientParent, finder_->windowHandle());
    EXPECT_TRUE(seen.onTop);
    EXPECT_EQ(seen.modality, Qt::WindowModal);
    const QPoint offCentre = seen.centre - finder_->frameGeometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 40) << offCentre.x() << "," << offCentre.y();
}

TEST_F(FinderTest, DeleteAsksFirstAndLeavesTheOtherEntriesNumbersAlone) {
    Start();
    Open();
    ChooseCountry("Ireland");
    ClickRow(results_, 2);  // Bravo, playlist entry 2

    messages_.SetAnswer(platform::kIdNo);
    Click(CStationFinderDlg::kIdDelete);
    EXPECT_EQ(messages_.Last(), T(text::kConfirmDeleteStation));
    EXPECT_EQ(Shown().size(), 5);

    messages_.SetAnswer(platform::kIdYes);
    Click(CStationFinderDlg::kIdDelete);
    EXPECT_EQ(Shown(), (QList<int>{1, 3, 4, 6}));
    bool exists = true;
    ASSERT_EQ(controller_->StationExists(2, exists), kDbOk);
    EXPECT_FALSE(exists);
    EXPECT_EQ(StoredPlaylist(), (PlaylistList{{1, 1}, {3, 3}, {4, 4}}));
    EXPECT_FALSE(toggle_->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(finder_.get(), CStationFinderDlg::kIdDelete)->isEnabled());
}

TEST_F(FinderTest, AfterAnEditTheStateResultShowsWithTheRowSelectedAgain) {
    Start();
    Open();
    ChooseCountry("Ireland");
    Choose(states_, QStringLiteral("Leinster"));
    Choose(cities_, QStringLiteral("Kildare"));
    ClickRow(results_, 1);  // Bravo
    messages_.SetAnswer(platform::kIdYes);

    bool edited = false;
    QTimer::singleShot(0, [&] {
        auto* editor = qobject_cast<CStationEditorDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(editor, nullptr);
        Control<QLineEdit>(editor, CStationEditorDlg::kIdFrequency)
            ->setText(QStringLiteral("88.8"));
        Control<QPushButton>(editor, CStationEditorDlg::kIdSave)->click();
        edited = true;
    });
    Click(CStationFinderDlg::kIdEdit);
    ASSERT_TRUE(edited);

    EXPECT_EQ(StoredStation(2).m_Frequency, QStringLiteral("88.8"));
    EXPECT_EQ(Shown(), (QList<int>{1, 2}));
    EXPECT_EQ(results_->currentItem(), results_->topLevelItem(0));
    EXPECT_TRUE(toggle_->isEnabled());
    EXPECT_EQ(toggle_->text(), T(text::kFinderRemoveFromPlaylist));  // Alpha is on the playlist
}

TEST_F(FinderTest, ATestPlayThatCannotStartGivesTheControlsBack) {
    Start();
    Open();
    Click(CStationFinderDlg::kIdGenreMode);
    Choose(names_, QStringLiteral("Rock"));
    ClickRow(results_, 1);  // Bravo, whose address refuses connections

    testPlay_->click();
    EXPECT_TRUE(messages_.Texts().contains(T(text::kFailedToConnect)));
    EXPECT_EQ(testPlay_->text(), T(text::kFinderFailedToPlay));
    EXPECT_FALSE(testPlay_->isEnabled());
    EXPECT_FALSE(Control<QLabel>(finder_.get(), CStationFinderDlg::kIdFetching)->isVisible());
    EXPECT_TRUE(names_->isEnabled());
    EXPECT_TRUE(results_->isEnabled());
    EXPECT_TRUE(Control<QPushButton>(finder_.get(), CStationFinderDlg::kIdClose)->isEnabled());
    // The genre search offers no states: the state list stays as it was.
    EXPECT_FALSE(states_->isEnabled());

    ClickRow(results_, 1);
    EXPECT_TRUE(testPlay_->isEnabled());
    EXPECT_EQ(testPlay_->text(), T(text::kFinderTestPlay));
}

// Test Play pressed again while the station connects (to a server that never answers) stops
// the start at once: no failure is reported, and the button is ready for the next try.
TEST_F(FinderTest, TestPlayPressedAgainWhileConnectingStopsTheStart) {
    SilentServer silent;
    ASSERT_TRUE(silent.IsRunning());
    StationDbContent content = DefaultContent();
    content.stations[1].m_StreamURL = silent.Url(QStringLiteral("/live"));  // Bravo
    Start(content);
    Open();
    Click(CStationFinderDlg::kIdGenreMode);
    Choose(names_, QStringLiteral("Rock"));
    ClickRow(results_, 1);  // Bravo

    QElapsedTimer sincePress;
    QTimer::singleShot(500, [&] {
        EXPECT_EQ(testPlay_->text(), T(text::kFinderConnecting));
        sincePress.start();
        testPlay_->click();
    });
    testPlay_->click();
    ASSERT_TRUE(sincePress.isValid());
    EXPECT_LT(sincePress.elapsed(), 2500);  // within 1 s, with a margin for a loaded machine
    EXPECT_FALSE(messages_.Texts().contains(T(text::kFailedToConnect)));
    EXPECT_TRUE(WaitFor([&] { return testPlay_->text() == T(text::kFinderTestPlay); }));
    EXPECT_TRUE(testPlay_->isEnabled());
    EXPECT_TRUE(results_->isEnabled());
    EXPECT_EQ(controller_->GetPlaybackStatus(), kStatusStopped);
}

TEST_F(FinderTest, ATestPlayRunsWithTheFinderAsOwnerUntilStopped) {
    IcecastStream stream;
    ASSERT_TRUE(stream.IsRunning()) << stream.Diagnostics().toStdString();
    StationDbContent content = DefaultContent();
    content.stations[4].m_StreamURL = stream.Url();  // Echo
    Start(content);
    Open();
    ChooseCountry("France");
    ClickRow(results_, 1);

    testPlay_->click();
    ASSERT_TRUE(WaitFor([&] { return testPlay_->text() == T(text::kFinderStopPlay); }))
        << testPlay_->text().toStdString() << " " << messages_.Last().toStdString();
    EXPECT_TRUE(testPlay_->isEnabled());
    EXPECT_FALSE(names_->isEnabled());
    EXPECT_FALSE(results_->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(finder_.get(), CStationFinderDlg::kIdClose)->isEnabled());
    EXPECT_FALSE(Control<QLabel>(finder_.get(), CStationFinderDlg::kIdFetching)->isVisible());
    // The main window is left alone.
    EXPECT_TRUE(main_->display.isEmpty());

    testPlay_->click();
    ASSERT_TRUE(WaitFor([&] { return testPlay_->text() == T(text::kFinderTestPlay); }));
    EXPECT_TRUE(names_->isEnabled());
    EXPECT_TRUE(results_->isEnabled());
    EXPECT_TRUE(toggle_->isEnabled());
    EXPECT_FALSE(states_->isEnabled());  // France has no states
    EXPECT_FALSE(controller_->IsPlaying());
}

}  // namespace
}  // namespace velotune::test
