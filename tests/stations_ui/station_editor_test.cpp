// The station editor on a real database: what Save needs, what it asks, and what it writes.
#include "stations_ui/station_editor.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "res/texts.h"
#include "tests/stations_ui/stations_fixture.h"

namespace velotune::test {
namespace {

QString T(const char* text) {
    return QString::fromUtf8(text);
}

using Editor = CStationEditorDlg;

class EditorTest : public StationsUiTest {
protected:
    void Open(int radioId) {
        editor_ = std::make_unique<Editor>(*controller_, radioId);
        editor_->show();
        save_ = Control<QPushButton>(editor_.get(), Editor::kIdSave);
    }
    void TearDown() override {
        editor_.reset();
        StationsUiTest::TearDown();
    }
    QLineEdit* Field(int id) { return Control<QLineEdit>(editor_.get(), id); }
    QComboBox* List(int id) { return Control<QComboBox>(editor_.get(), id); }
    void FillNewStation() {
        Field(Editor::kIdStationName)->setText(QStringLiteral("Hotel"));
        Field(Editor::kIdStreamUrl)->setText(QStringLiteral("http://127.0.0.1:9/hotel"));
        Field(Editor::kIdLanguageOne)->setText(QStringLiteral("French"));
        Choose(List(Editor::kIdGenreOne), QStringLiteral("Jazz"));
        Choose(List(Editor::kIdStreamFormat), QStringLiteral("Real"));
        Choose(List(Editor::kIdCountry), QStringLiteral("France"));
    }
    bool Accepted() const {
        return !editor_->isVisible() && editor_->result() == QDialog::Accepted;
    }

    std::unique_ptr<Editor> editor_;
    QPushButton* save_ = nullptr;
};

TEST_F(EditorTest, ANewStationNeedsEveryRequiredField) {
    Start();
    Open(Editor::kNewStation);
    EXPECT_EQ(editor_->windowTitle(), T(text::kEditorAddTitle));
    EXPECT_FALSE(save_->isEnabled());
    EXPECT_EQ(Entries(List(Editor::kIdStreamFormat)),
              (QStringList{T(text::kNoneDefined), "WMP", "Real"}));
    EXPECT_EQ(Entries(List(Editor::kIdGenreTwo)),
              (QStringList{T(text::kNoneDefined), "Jazz", "Pop", "Rock"}));
    EXPECT_EQ(List(Editor::kIdCountry)->currentText(), T(text::kCountryNotFound));

    FillNewStation();
    EXPECT_TRUE(save_->isEnabled());
    Field(Editor::kIdStreamUrl)->clear();
    EXPECT_FALSE(save_->isEnabled());
    Field(Editor::kIdStreamUrl)->setText(QStringLiteral("http://127.0.0.1:9/hotel"));
    Choose(List(Editor::kIdGenreOne), T(text::kNoneDefined));
    EXPECT_FALSE(save_->isEnabled());
    Choose(List(Editor::kIdGenreOne), QStringLiteral("Jazz"));
    Choose(List(Editor::kIdCountry), T(text::kCountryNotFound));
    EXPECT_FALSE(save_->isEnabled());
    Choose(List(Editor::kIdCountry), QStringLiteral("France"));
    Field(Editor::kIdLanguageOne)->clear();
    EXPECT_FALSE(save_->isEnabled());
}

TEST_F(EditorTest, ANewStationIsAddedActiveAndOffThePlaylistAfterYes) {
    Start();
    Open(Editor::kNewStation);
    FillNewStation();

    messages_.SetAnswer(platform::kIdNo);
    save_->click();
    EXPECT_EQ(messages_.Last(), T(text::kConfirmAddStation));
    EXPECT_TRUE(editor_->isVisible());
    std::int32_t count = 0;
    ASSERT_EQ(controller_->GetStationCount(count), kDbOk);
    EXPECT_EQ(count, 7);

    messages_.SetAnswer(platform::kIdYes);
    save_->click();
    EXPECT_TRUE(Accepted());
    const CRadioSet added = StoredStation(8);
    EXPECT_EQ(added.m_StationName, QStringLiteral("Hotel"));
    EXPECT_EQ(added.m_StreamURL, QStringLiteral("http://127.0.0.1:9/hotel"));
    EXPECT_EQ(added.m_StreamFormat, QStringLiteral("Real"));
    EXPECT_EQ(added.m_Country, QStringLiteral("France"));
    EXPECT_EQ(added.m_GenreOne, QStringLiteral("Jazz"));
    EXPECT_EQ(added.m_GenreTwo, T(text::kNoneDefined));
    EXPECT_EQ(added.m_Active, 1);
    EXPECT_EQ(added.m_Playlist, 0);
}

TEST_F(EditorTest, AnExistingStationKeepsItsStreamAndHiddenColumnsUnlessAUrlIsTyped) {
    StationDbContent content = DefaultContent();
    CRadioSet& alpha = content.stations[0];
    alpha.m_Ranking = 12;
    alpha.m_Popularity = QStringLiteral("high");
    alpha.m_ReserveOne = QStringLiteral("r1");
    alpha.m_ReserveThree = 3;
    alpha.m_GenreTwo = QStringLiteral("rock");  // another letter case than the Genre table
    Start(content);
    const CRadioSet before = StoredStation(1);

    Open(1);
    EXPECT_EQ(editor_->windowTitle(), T(text::kEditorEditTitle));
    EXPECT_TRUE(Field(Editor::kIdStreamUrl)->text().isEmpty());
    EXPECT_EQ(Field(Editor::kIdStationName)->text(), QStringLiteral("Alpha"));
    EXPECT_EQ(List(Editor::kIdGenreTwo)->currentText(), QStringLiteral("Rock"));
    EXPECT_EQ(List(Editor::kIdStreamFormat)->currentText(), QStringLiteral("WMP"));
    EXPECT_FALSE(save_->isEnabled());
    // Enter before any change does nothing.
    QTest::keyClick(Field(Editor::kIdStationName), Qt::Key_Return);
    EXPECT_TRUE(messages_.Texts().isEmpty());
    EXPECT_TRUE(editor_->isVisible());

    Field(Editor::kIdFrequency)->setText(QStringLiteral("104.4"));
    ASSERT_TRUE(save_->isEnabled());
    messages_.SetAnswer(platform::kIdYes);
    save_->click();
    EXPECT_EQ(messages_.Last(), T(text::kConfirmSaveChanges));
    ASSERT_TRUE(Accepted());
    CRadioSet expected = before;
    expected.m_Frequency = QStringLiteral("104.4");
    expected.m_GenreTwo = QStringLiteral("Rock");
    expected.m_GenreThree = T(text::kNoneDefined);
    EXPECT_EQ(StoredStation(1), expected);

    Open(1);
    Field(Editor::kIdStreamUrl)->setText(QStringLiteral("http://127.0.0.1:9/new"));
    save_->click();
    EXPECT_EQ(messages_.Last(), T(text::kConfirmStreamUrlChange));
    EXPECT_EQ(StoredStation(1).m_StreamURL, QStringLiteral("http://127.0.0.1:9/new"));
}

TEST_F(EditorTest, AStoredCountryOutsideTheCountryTableMustBeChosenAgain) {
    StationDbContent content = DefaultContent();
    content.stations[4].m_Country = QStringLiteral("Atlantis");
    Start(content);
    Open(5);
    EXPECT_EQ(List(Editor::kIdCountry)->currentText(), T(text::kCountryNotFound));
    Field(Editor::kIdCity)->setText(QStringLiteral("Paris"));
    EXPECT_FALSE(save_->isEnabled());
    Choose(List(Editor::kIdCountry), QStringLiteral("France"));
    EXPECT_TRUE(save_->isEnabled());
}

TEST_F(EditorTest, AFailedWriteKeepsTheDialogOpenWithTheInput) {
    Start();
    Open(2);
    ASSERT_EQ(controller_->DeleteStation(2), kDbOk);
    Field(Editor::kIdFrequency)->setText(QStringLiteral("90.0"));
    messages_.SetAnswer(platform::kIdYes);
    save_->click();
    EXPECT_EQ(messages_.Last(), T(text::kFailedToOpenRecordset));
    EXPECT_TRUE(editor_->isVisible());
    EXPECT_NE(editor_->result(), QDialog::Accepted);
    EXPECT_EQ(Field(Editor::kIdFrequency)->text(), QStringLiteral("90.0"));
}

}  // namespace
}  // namespace velotune::test
