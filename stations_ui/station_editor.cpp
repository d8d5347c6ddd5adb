#include "stations_ui/station_editor.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/msgbox/msgbox.h"
#include "playback/command_centre.h"
#include "res/texts.h"
#include "stations_ui/dialog_util.h"

namespace velotune {

using stations_ui::FindEntry;
using stations_ui::SelectQuietly;
using stations_ui::SetControlId;
using stations_ui::Text;

namespace {

bool IsEntry(const QComboBox* list, const char* entry) {
    return QString::compare(list->currentText(), Text(entry), Qt::CaseInsensitive) == 0;
}

// Selects the entry whose text is value (letter case ignored), else the first entry.
void SelectStored(QComboBox* list, const QString& value) {
    const int index = FindEntry(list, value);
    SelectQuietly(list, index >= 0 ? index : 0);
}

}  // namespace

CStationEditorDlg::CStationEditorDlg(CTorvikCommandCentre& controller, int radioId, QWidget* parent)
    : QDialog(parent), controller_(controller), radioId_(radioId) {
    BuildControls();
    Load();

    for (QLineEdit* field : {stationName_, frequency_, stationUrl_, streamUrl_, languageOne_,
                             languageTwo_, state_, city_, comments_})
        connect(field, &QLineEdit::textChanged, this, &CStationEditorDlg::OnChanged);
    for (QComboBox* list : {genreOne_, genreTwo_, genreThree_, streamFormat_, country_})
        connect(list, &QComboBox::currentIndexChanged, this, &CStationEditorDlg::OnChanged);
    connect(save_, &QPushButton::clicked, this, &CStationEditorDlg::OnSave);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

CStationEditorDlg::~CStationEditorDlg() = default;

void CStationEditorDlg::BuildControls() {
    auto* group = new QGroupBox(Text(text::kEditorGroup), this);

    const auto makeField = [group](int id) {
        auto* field = new QLineEdit(group);
        SetControlId(field, id);
        return field;
    };
    const auto makeList = [group](int id) {
        auto* list = new QComboBox(group);
        SetControlId(list, id);
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        list->setMinimumContentsLength(18);
        list->setMaxVisibleItems(20);
        return list;
    };
    stationName_ = makeField(kIdStationName);
    frequency_ = makeField(kIdFrequency);
    genreOne_ = makeList(kIdGenreOne);
    genreTwo_ = makeList(kIdGenreTwo);
    genreThree_ = makeList(kIdGenreThree);
    stationUrl_ = makeField(kIdStationUrl);
    streamUrl_ = makeField(kIdStreamUrl);
    streamFormat_ = makeList(kIdStreamFormat);
    languageOne_ = makeField(kIdLanguageOne);
    languageTwo_ = makeField(kIdLanguageTwo);
    country_ = makeList(kIdCountry);
    state_ = makeField(kIdState);
    city_ = makeField(kIdCity);
    comments_ = makeField(kIdComments);
    streamUrlLabel_ = new QLabel(Text(text::kEditorStreamUrl), group);
    SetControlId(streamUrlLabel_, kIdStreamUrlLabel);
    streamUrlLabel_->setBuddy(streamUrl_);

    // Two columns of short fields, then the addresses and the comments across the whole width.
    auto* station = new QFormLayout;
    station->addRow(Text(text::kEditorStationName), stationName_);
    station->addRow(Text(text::kEditorFrequency), frequency_);
    station->addRow(Text(text::kEditorGenreOne), genreOne_);
    station->addRow(Text(text::kEditorGenreTwo), genreTwo_);
    station->addRow(Text(text::kEditorGenreThree), genreThree_);
    station->addRow(Text(text::kEditorStreamFormat), streamFormat_);
    auto* place = new QFormLayout;
    place->addRow(Text(text::kEditorLanguageOne), languageOne_);
    place->addRow(Text(text::kEditorLanguageTwo), languageTwo_);
    place->addRow(Text(text::kEditorCountry), country_);
    place->addRow(Text(text::kEditorState), state_);
    place->addRow(Text(text::kEditorCity), city_);
    auto* columns = new QHBoxLayout;
    columns->addLayout(station, 1);
    columns->addSpacing(16);
    columns->addLayout(place, 1);
    auto* wide = new QFormLayout;
    wide->addRow(Text(text::kEditorStationUrl), stationUrl_);
    wide->addRow(streamUrlLabel_, streamUrl_);
    wide->addRow(Text(text::kEditorComments), comments_);
    stationUrl_->setMinimumWidth(420);

    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addLayout(columns);
    groupLayout->addLayout(wide);

    save_ = new QPushButton(Text(text::kEditorSave), this);
    SetControlId(save_, kIdSave);
    save_->setDefault(true);
    cancel_ = new QPushButton(Text(text::kEditorCancel), this);
    SetControlId(cancel_, kIdCancel);
    cancel_->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save_);
    buttons->addWidget(cancel_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CStationEditorDlg::Load() {
    save_->setEnabled(false);

    NameList genres;
    controller_.GetGenres(genres);
    genres.prepend(Text(text::kNoneDefined));
    for (QComboBox* list : {genreOne_, genreTwo_, genreThree_}) {
        stations_ui::FillSorted(list, genres);
        SelectQuietly(list, 0);
    }
    stations_ui::FillInOrder(
        streamFormat_, {Text(text::kNoneDefined), Text(text::kFormatWmp), Text(text::kFormatReal)});
    SelectQuietly(streamFormat_, 0);
    NameList countries;
    controller_.GetCountries(countries);
    countries.prepend(Text(text::kCountryNotFound));
    stations_ui::FillSorted(country_, countries);
    SelectQuietly(country_, 0);

    if (radioId_ == kNewStation) {
        setWindowTitle(Text(text::kEditorAddTitle));
        stored_.m_Active = 1;
        stored_.m_Playlist = 0;
        stored_.m_Ranking = 0;
        return;
    }
    setWindowTitle(Text(text::kEditorEditTitle));
    if (controller_.GetStation(radioId_, stored_) != kDbOk)
        stored_ = CRadioSet{};
    stored_.m_RadioID = radioId_;
    stationName_->setText(stored_.m_StationName);
    frequency_->setText(stored_.m_Frequency);
    stationUrl_->setText(stored_.m_StationURL);
    languageOne_->setText(stored_.m_LanguageOne);
    languageTwo_->setText(stored_.m_LanguageTwo);
    state_->setText(stored_.m_State);
    city_->setText(stored_.m_City);
    comments_->setText(stored_.m_Comments);
    SelectStored(genreOne_, stored_.m_GenreOne);
    SelectStored(genreTwo_, stored_.m_GenreTwo);
    SelectStored(genreThree_, stored_.m_GenreThree);
    SelectStored(streamFormat_, stored_.m_StreamFormat);
    SelectStored(country_, stored_.m_Country);
    streamUrlLabel_->setEnabled(true);
    streamUrl_->setEnabled(true);
}

void CStationEditorDlg::OnChanged() {
    modified_ = true;
    save_->setEnabled(IsComplete());
}

bool CStationEditorDlg::IsComplete() const {
    return !stationName_->text().isEmpty() && !genreOne_->currentText().isEmpty() &&
           !IsEntry(genreOne_, text::kNoneDefined) &&
           (radioId_ != kNewStation || !streamUrl_->text().isEmpty()) &&
           !streamFormat_->currentText().isEmpty() && !IsEntry(streamFormat_, text::kNoneDefined) &&
           !country_->currentText().isEmpty() && !IsEntry(country_, text::kCountryNotFound) &&
           !languageOne_->text().isEmpty();
}

CRadioSet CStationEditorDlg::BuildRecord() const {
    // Starting from the stored row carries every column the dialog does not show.
    CRadioSet record = stored_;
    record.m_RadioID = radioId_ == kNewStation ? 0 : radioId_;
    record.m_StationName = stationName_->text();
    record.m_Frequency = frequency_->text();
    record.m_GenreOne = genreOne_->currentText();
    record.m_GenreTwo = genreTwo_->currentText();
    record.m_GenreThree = genreThree_->currentText();
    record.m_StationURL = stationUrl_->text();
    if (radioId_ == kNewStation || !streamUrl_->text().isEmpty())
        record.m_StreamURL = streamUrl_->text();
    record.m_StreamFormat = streamFormat_->currentText();
    record.m_City = city_->text();
    record.m_State = state_->text();
    record.m_Country = country_->currentText();
    record.m_LanguageOne = languageOne_->text();
    record.m_LanguageTwo = languageTwo_->text();
    record.m_Comments = comments_->text();
    return record;
}

void CStationEditorDlg::OnSave() {
    if (!modified_ || !save_->isEnabled())
        return;
    platform::MessageBoxRequest question;
    question.owner = this;
    if (radioId_ == kNewStation)
        question.text = Text(text::kConfirmAddStation);
    else if (!streamUrl_->text().isEmpty())
        question.text = Text(text::kConfirmStreamUrlChange);
    else
        question.text = Text(text::kConfirmSaveChanges);
    question.buttons = platform::MsgButtons::YesNo;
    question.icon = platform::MsgIcon::Question;
    question.defaultAnswer = platform::kIdNo;
    if (platform::ShowMessageBox(question) != platform::kIdYes)
        return;

    const CRadioSet record = BuildRecord();
    const int result = radioId_ == kNewStation ? controller_.InsertStation(record)
                                               : controller_.UpdateStation(record);
    // The database layer has said why a write failed; the input stays for another try or Cancel.
    if (result != kDbOk)
        return;
    accept();
}

}  // namespace velotune
