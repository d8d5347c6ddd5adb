#include "stations_ui/station_finder.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "platform/msgbox/msgbox.h"
#include "platform/winmsg/winmsg.h"
#include "playback/command_centre.h"
#include "playback/player_messages.h"
#include "res/texts.h"
#include "stations_ui/dialog_util.h"
#include "stations_ui/row_clicks.h"
#include "stations_ui/station_editor.h"

namespace velotune {

using stations_ui::FillSorted;
using stations_ui::FindEntry;
using stations_ui::SelectQuietly;
using stations_ui::SetControlId;
using stations_ui::Text;

namespace {

struct ColumnSpec {
    const char* title = "";
    int width = 0;
};

constexpr ColumnSpec kColumns[CStationFinderDlg::kColumnCount] = {
    {text::kFinderColumnId, 30},        {text::kFinderColumnName, 78},
    {text::kFinderColumnFrequency, 40}, {text::kFinderColumnGenre, 80},
    {text::kFinderColumnCountry, 80},   {text::kFinderColumnState, 74},
    {text::kFinderColumnCity, 74},      {text::kFinderColumnOnPlaylist, 62},
};

QPushButton* MakeButton(const char* text, int id, QWidget* parent) {
    auto* button = new QPushButton(Text(text), parent);
    SetControlId(button, id);
    button->setAutoDefault(false);
    return button;
}

// A width that fits every text the button will show, so that the row of buttons keeps its
// layout while the text changes.
void FitTexts(QPushButton* button, std::initializer_list<const char*> texts) {
    int widest = 0;
    for (const char* text : texts)
        widest = std::max(widest, button->fontMetrics().horizontalAdvance(Text(text)));
    button->setMinimumWidth(widest + 2 * button->fontMetrics().averageCharWidth() + 12);
}

}  // namespace

CStationFinderDlg::CStationFinderDlg(CTorvikCommandCentre& controller, int playingRadioId,
                                     QWidget* parent)
    : QDialog(parent), controller_(controller), playingRadioId_(playingRadioId) {
    BuildControls();

    testPlay_->setText(Text(text::kFinderTestPlay));
    refineLabel_->setEnabled(false);
    states_->setEnabled(false);
    cities_->setEnabled(false);
    results_->setEnabled(false);
    EnableSelectionButtons(false);
    names_->setFocus();
}

CStationFinderDlg::~CStationFinderDlg() = default;

void CStationFinderDlg::BuildControls() {
    setWindowTitle(Text(text::kFinderTitle));

    auto* group = new QGroupBox(Text(text::kFinderGroup), this);
    auto* prompt = new QLabel(Text(text::kFinderPrompt), group);
    countryMode_ = new QRadioButton(Text(text::kFinderCountry), group);
    SetControlId(countryMode_, kIdCountryMode);
    genreMode_ = new QRadioButton(Text(text::kFinderGenre), group);
    SetControlId(genreMode_, kIdGenreMode);
    nameMode_ = new QRadioButton(Text(text::kFinderName), group);
    SetControlId(nameMode_, kIdNameMode);
    modes_ = new QButtonGroup(this);
    modes_->addButton(countryMode_);
    modes_->addButton(genreMode_);
    modes_->addButton(nameMode_);
    nameText_ = new QLineEdit(group);
    SetControlId(nameText_, kIdNameText);
    nameText_->setPlaceholderText(Text(text::kFinderNamePlaceholder));
    nameText_->setClearButtonEnabled(true);
    nameText_->installEventFilter(this);
    nameText_->hide();
    names_ = new QComboBox(group);
    SetControlId(names_, kIdNames);
    refineLabel_ = new QLabel(Text(text::kFinderRefine), group);
    SetControlId(refineLabel_, kIdRefineLabel);
    refineLabel_->setWordWrap(true);
    states_ = new QComboBox(group);
    SetControlId(states_, kIdStates);
    cities_ = new QComboBox(group);
    SetControlId(cities_, kIdCities);
    for (QComboBox* list : {names_, states_, cities_}) {
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        list->setMinimumContentsLength(16);
        list->setMaxVisibleItems(20);
    }

    results_ = new QTreeWidget(group);
    SetControlId(results_, kIdResults);
    results_->setColumnCount(kColumnCount);
    QStringList titles;
    for (const ColumnSpec& column : kColumns)
        titles.append(Text(column.title));
    results_->setHeaderLabels(titles);
    results_->setRootIsDecorated(false);
    results_->setUniformRowHeights(true);
    results_->setAllColumnsShowFocus(true);
    results_->setSelectionMode(QAbstractItemView::SingleSelection);
    results_->setSelectionBehavior(QAbstractItemView::SelectRows);
    // The last column takes whatever room the list has beyond the columns' own widths.
    results_->header()->setStretchLastSection(true);
    results_->header()->setSectionsMovable(false);
    int listWidth = 0;
    for (int i = 0; i < kColumnCount; ++i) {
        results_->header()->resizeSection(i, kColumns[i].width);
        listWidth += kColumns[i].width;
    }
    results_->setMinimumSize(listWidth + 2 * results_->frameWidth() +
                                 results_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4,
                             240);
    auto* clicks = new stations_ui::RowClicks(results_);
    connect(clicks, &stations_ui::RowClicks::Clicked, this, &CStationFinderDlg::OnRowClicked);

    fetching_ = new QLabel(Text(text::kFinderFetching), group);
    SetControlId(fetching_, kIdFetching);
    fetching_->setAlignment(Qt::AlignCenter);
    QFont bold = fetching_->font();
    bold.setBold(true);
    fetching_->setFont(bold);
    QSizePolicy keepPlace = fetching_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    fetching_->setSizePolicy(keepPlace);
    fetching_->hide();

    playlistToggle_ = MakeButton(text::kFinderAddToPlaylist, kIdPlaylistToggle, group);
    FitTexts(playlistToggle_, {text::kFinderAddToPlaylist, text::kFinderRemoveFromPlaylist});
    testPlay_ = MakeButton(text::kFinderTestPlay, kIdTestPlay, group);
    FitTexts(testPlay_, {text::kFinderTestPlay, text::kFinderConnecting, text::kFinderBuffering,
                         text::kFinderStopPlay, text::kFinderFailedToPlay});
    addNew_ = MakeButton(text::kFinderAddNewStation, kIdAddNew, group);
    edit_ = MakeButton(text::kFinderEditStation, kIdEdit, group);
    delete_ = MakeButton(text::kFinderDeleteStation, kIdDelete, group);
    close_ = MakeButton(text::kFinderClose, kIdClose, this);
    close_->setDefault(true);

    // The search: how and what, then the refinement.
    auto* search = new QGridLayout;
    search->addWidget(prompt, 0, 0, 1, 3);
    search->addWidget(countryMode_, 1, 0);
    auto* modes = new QHBoxLayout;
    modes->addWidget(genreMode_);
    modes->addWidget(nameMode_);
    search->addLayout(modes, 1, 1);
    search->addWidget(names_, 1, 2);
    search->addWidget(nameText_, 1, 2);
    search->addWidget(refineLabel_, 2, 0, 1, 3);
    auto* refine = new QHBoxLayout;
    refine->addWidget(states_, 1);
    refine->addWidget(cities_, 1);
    search->addLayout(refine, 3, 0, 1, 3);
    search->setColumnStretch(2, 1);

    auto* actions = new QHBoxLayout;
    for (QPushButton* button : {playlistToggle_, testPlay_, addNew_, edit_, delete_})
        actions->addWidget(button);
    actions->addStretch();

    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addLayout(search);
    groupLayout->addWidget(results_, 1);
    groupLayout->addWidget(fetching_);
    groupLayout->addLayout(actions);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(close_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group, 1);
    layout->addLayout(bottom);

    connect(countryMode_, &QRadioButton::clicked, this, &CStationFinderDlg::OnCountryMode);
    connect(genreMode_, &QRadioButton::clicked, this, &CStationFinderDlg::OnGenreMode);
    connect(nameMode_, &QRadioButton::clicked, this, &CStationFinderDlg::OnNameMode);
    connect(nameText_, &QLineEdit::textEdited, this, &CStationFinderDlg::OnNameTyped);
    connect(names_, &QComboBox::currentIndexChanged, this, &CStationFinderDlg::OnNameChosen);
    connect(states_, &QComboBox::currentIndexChanged, this, &CStationFinderDlg::OnStateChosen);
    connect(cities_, &QComboBox::currentIndexChanged, this, &CStationFinderDlg::OnCityChosen);
    connect(playlistToggle_, &QPushButton::clicked, this, &CStationFinderDlg::OnPlaylistToggle);
    connect(testPlay_, &QPushButton::clicked, this, &CStationFinderDlg::OnTestPlay);
    connect(addNew_, &QPushButton::clicked, this, &CStationFinderDlg::OnAddNew);
    connect(edit_, &QPushButton::clicked, this, &CStationFinderDlg::OnEdit);
    connect(delete_, &QPushButton::clicked, this, &CStationFinderDlg::OnDelete);
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
}

// ---- Searching ---------------------------------------------------------------------------------

void CStationFinderDlg::ShowNameBox(bool show) {
    names_->setVisible(!show);
    nameText_->setVisible(show);
}

void CStationFinderDlg::OnNameMode() {
    mode_ = Mode::Name;
    ShowNameBox(true);
    refineLabel_->setEnabled(false);
    states_->setEnabled(false);
    cities_->setEnabled(false);
    EnableSelectionButtons(false);
    nameText_->setFocus();
    OnNameTyped(nameText_->text());
}

void CStationFinderDlg::OnNameTyped(const QString& text) {
    if (mode_ != Mode::Name)
        return;
    nameQuery_ = text;
    if (text.trimmed().isEmpty()) {
        displayed_.clear();
        ClearResults();
        EnableSelectionButtons(false);
        return;
    }
    results_->setEnabled(true);
    SearchName();
    FillRows();
}

void CStationFinderDlg::SearchName() {
    displayed_.clear();
    controller_.FindStationsByName(nameQuery_, displayed_);
}

bool CStationFinderDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == nameText_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CStationFinderDlg::OnGenreMode() {
    mode_ = Mode::Genre;
    ShowNameBox(false);
    refineLabel_->setEnabled(false);
    states_->setEnabled(false);
    cities_->setEnabled(false);
    ClearResults();
    EnableSelectionButtons(false);
    if (!genresRead_) {
        controller_.GetGenres(genres_);
        genres_.prepend(Text(text::kSelectGenre));
        genresRead_ = true;
    }
    FillSorted(names_, genres_);
    SelectQuietly(names_, FindEntry(names_, Text(text::kSelectGenre)));
    if (genre_.isEmpty())
        return;
    if (const int index = FindEntry(names_, genre_); index >= 0)
        SelectQuietly(names_, index);
    results_->setEnabled(true);
    SearchGenre();
    FillRows();
}

void CStationFinderDlg::OnCountryMode() {
    mode_ = Mode::Country;
    ShowNameBox(false);
    refineLabel_->setEnabled(false);
    states_->setEnabled(false);
    cities_->setEnabled(false);
    ClearResults();
    EnableSelectionButtons(false);
    if (!countriesRead_) {
        controller_.GetCountries(countries_);
        countries_.prepend(Text(text::kSelectCountry));
        countriesRead_ = true;
    }
    FillSorted(names_, countries_);
    SelectQuietly(names_, FindEntry(names_, Text(text::kSelectCountry)));
    if (country_.isEmpty())
        return;
    if (const int index = FindEntry(names_, country_); index >= 0)
        SelectQuietly(names_, index);
    results_->setEnabled(true);
    LoadStates();
    SearchCountry();
    FillRows();
}

void CStationFinderDlg::OnNameChosen(int index) {
    if (mode_ == Mode::None || mode_ == Mode::Name || index < 0)
        return;
    const stations_ui::WaitCursor wait;
    EnableSelectionButtons(false);
    const QString name = names_->itemText(index);
    const bool genreMode = mode_ == Mode::Genre;
    if (name == Text(genreMode ? text::kSelectGenre : text::kSelectCountry)) {
        if (genreMode) {
            genre_.clear();
        } else {
            country_.clear();
            state_.clear();
            city_.clear();
        }
        ClearResults();
        refineLabel_->setEnabled(false);
        states_->setEnabled(false);
        cities_->setEnabled(false);
        return;
    }
    results_->setEnabled(true);
    QString& remembered = genreMode ? genre_ : country_;
    if (QString::compare(name, remembered, Qt::CaseInsensitive) == 0)
        return;
    remembered = name;
    if (genreMode) {
        SearchGenre();
    } else {
        LoadStates();
        SearchCountry();
    }
    FillRows();
}

void CStationFinderDlg::LoadStates() {
    // The lists below now show their prompts, so no state or city is chosen any more; the cities
    // of the previous state are no choice for this country.
    state_.clear();
    city_.clear();
    stations_ui::FillInOrder(cities_, {});
    cities_->setEnabled(false);

    NameList states;
    controller_.GetStates(country_, states);
    if (states.isEmpty()) {
        stations_ui::FillInOrder(states_, {});
        refineLabel_->setEnabled(false);
        states_->setEnabled(false);
        return;
    }
    refineLabel_->setEnabled(true);
    states_->setEnabled(true);
    states.prepend(Text(text::kSelectState));
    FillSorted(states_, states);
    SelectQuietly(states_, FindEntry(states_, Text(text::kSelectState)));
}

void CStationFinderDlg::OnStateChosen(int index) {
    if (mode_ != Mode::Country || index < 0)
        return;
    const QString state = states_->itemText(index);
    if (state == Text(text::kSelectState)) {
        state_.clear();
        city_.clear();
        cities_->setEnabled(false);
        RerunSearch();
        FillRows();
        return;
    }
    if (QString::compare(state, state_, Qt::CaseInsensitive) == 0)
        return;
    state_ = state;
    city_.clear();
    NameList cities;
    controller_.GetCities(state_, cities);
    if (cities.isEmpty()) {
        stations_ui::FillInOrder(cities_, {});
        cities_->setEnabled(false);
    } else {
        cities_->setEnabled(true);
        cities.prepend(Text(text::kSelectCity));
        FillSorted(cities_, cities);
        SelectQuietly(cities_, FindEntry(cities_, Text(text::kSelectCity)));
    }
    displayed_.clear();
    controller_.FilterStationsByState(countryResult_, state_, displayed_);
    stateResult_ = displayed_;
    FillRows();
}

void CStationFinderDlg::OnCityChosen(int index) {
    if (mode_ != Mode::Country || index < 0)
        return;
    const QString city = cities_->itemText(index);
    if (city == Text(text::kSelectCity)) {
        city_.clear();
        RerunSearch();
        FillRows();
        return;
    }
    if (QString::compare(city, city_, Qt::CaseInsensitive) == 0)
        return;
    city_ = city;
    displayed_.clear();
    controller_.FilterStationsByCity(stateResult_, city_, displayed_);
    FillRows();
}

void CStationFinderDlg::SearchGenre() {
    displayed_.clear();
    controller_.FindStationsByGenre(genre_, displayed_);
}

void CStationFinderDlg::SearchCountry() {
    displayed_.clear();
    controller_.FindStationsByCountry(country_, displayed_);
    countryResult_ = displayed_;
}

void CStationFinderDlg::RerunSearch() {
    const stations_ui::WaitCursor wait;
    if (mode_ == Mode::Genre) {
        SearchGenre();
    } else if (mode_ == Mode::Name) {
        if (!nameQuery_.trimmed().isEmpty())
            SearchName();
    } else if (mode_ == Mode::Country) {
        SearchCountry();
        if (!state_.isEmpty()) {
            IdList narrowed;
            controller_.FilterStationsByState(countryResult_, state_, narrowed);
            displayed_ = narrowed;
            stateResult_ = displayed_;
        }
    }
}

void CStationFinderDlg::FillRows() {
    const QSignalBlocker blocker(results_);
    results_->clear();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(displayed_.size());
    for (qsizetype i = 0; i < displayed_.size(); ++i) {
        const std::int32_t radioId = displayed_.at(i);
        auto* row = new QTreeWidgetItem;
        row->setText(kColNumber, QString::number(i + 1));
        row->setData(kColNumber, Qt::UserRole, radioId);
        CRadioSet station;
        if (radioId != 0 && controller_.GetStation(radioId, station) == kDbOk) {
            row->setText(kColName, station.m_StationName);
            row->setText(kColFrequency, station.m_Frequency);
            row->setText(kColGenre, station.m_GenreOne);
            row->setText(kColCountry, station.m_Country);
            row->setText(kColState, station.m_State);
            row->setText(kColCity, station.m_City);
            if (station.m_Playlist)
                row->setText(kColOnPlaylist, Text(text::kFinderOnPlaylistYes));
        }
        rows.append(row);
    }
    results_->addTopLevelItems(rows);
    // The rows are new and none of them is chosen: the buttons must not act on whatever station
    // now stands at the old position.
    EnableSelectionButtons(false);
}

void CStationFinderDlg::ClearResults() {
    const QSignalBlocker blocker(results_);
    results_->clear();
    results_->setEnabled(false);
}

// ---- Selection ---------------------------------------------------------------------------------

void CStationFinderDlg::OnRowClicked(int row) {
    if (row <= 0 || row > results_->topLevelItemCount()) {
        EnableSelectionButtons(false);
        const QSignalBlocker blocker(results_);
        results_->clearSelection();
        return;
    }
    if ((testStarted_ || testPlaying_) && row != selectedRow_)
        controller_.Stop();
    selectedRow_ = row;
    EnableSelectionButtons(true);
    const int radioId = SelectedRadioId();
    CRadioSet station;
    onPlaylist_ =
        radioId > 0 && controller_.GetStation(radioId, station) == kDbOk && station.m_Playlist != 0;
    playlistToggle_->setText(
        Text(onPlaylist_ ? text::kFinderRemoveFromPlaylist : text::kFinderAddToPlaylist));
    {
        const QSignalBlocker blocker(results_);
        QTreeWidgetItem* item = results_->topLevelItem(row - 1);
        results_->setCurrentItem(item);
        results_->scrollToItem(item);
    }
    testPlay_->setText(Text(text::kFinderTestPlay));
}

void CStationFinderDlg::ReselectRow() {
    if (selectedRow_ > 0 && selectedRow_ <= results_->topLevelItemCount())
        OnRowClicked(selectedRow_);
    else
        EnableSelectionButtons(false);
}

void CStationFinderDlg::EnableSelectionButtons(bool enable) {
    for (QPushButton* button : {playlistToggle_, testPlay_, edit_, delete_})
        button->setEnabled(enable);
}

int CStationFinderDlg::SelectedRadioId() const {
    if (selectedRow_ <= 0 || selectedRow_ > results_->topLevelItemCount())
        return 0;
    return results_->topLevelItem(selectedRow_ - 1)->data(kColNumber, Qt::UserRole).toInt();
}

// ---- Playlist, delete, editor ------------------------------------------------------------------

void CStationFinderDlg::OnPlaylistToggle() {
    const int radioId = SelectedRadioId();
    if (radioId <= 0)
        return;
    if (radioId == playingRadioId_) {
        platform::ShowMessageBox(this, Text(text::kPlaylistChangeWhilePlaying));
        return;
    }
    CRadioSet station;
    if (controller_.GetStation(radioId, station) != kDbOk)
        return;
    QTreeWidgetItem* row = results_->topLevelItem(selectedRow_ - 1);

    if (onPlaylist_) {
        if (controller_.RemovePlaylistEntry(radioId) != kDbOk)
            return;
        station.m_Playlist = 0;
        // Only a playlist that was read can be written back; an empty list in its place would
        // wipe the whole playlist.
        PlaylistList list;
        if (controller_.LoadPlaylist(list) == kDbOk) {
            CTorvikCommandCentre::RenumberPlaylist(list);
            controller_.SavePlaylist(list);
        }
        playlistToggle_->setText(Text(text::kFinderAddToPlaylist));
        onPlaylist_ = false;
        row->setText(kColOnPlaylist, QString());
    } else {
        PlaylistList list;
        qsizetype count = 0;
        bool listed = false;
        if (controller_.LoadPlaylist(list) == kDbOk) {
            count = list.size();
            listed = std::any_of(list.cbegin(), list.cend(), [radioId](const CPlaylistSet& e) {
                return e.m_RadioID == radioId;
            });
        }
        // A station whose flag was lost (a failed write, a database carried over by the updater)
        // may already have its entry: it gets its flag back, not a second entry.
        if (!listed) {
            CPlaylistSet entry;
            entry.m_RadioID = radioId;
            entry.m_PlaylistID = static_cast<std::int32_t>(count + 1);
            if (controller_.AddPlaylistEntry(entry) != kDbOk)
                return;
        }
        station.m_Playlist = 1;
        playlistToggle_->setText(Text(text::kFinderRemoveFromPlaylist));
        onPlaylist_ = true;
        row->setText(kColOnPlaylist, Text(text::kFinderOnPlaylistYes));
    }
    controller_.UpdateStation(station);
}

void CStationFinderDlg::OnDelete() {
    const int radioId = SelectedRadioId();
    if (selectedRow_ == 0 || radioId <= 0)
        return;
    platform::MessageBoxRequest question;
    question.owner = this;
    question.text = Text(text::kConfirmDeleteStation);
    question.buttons = platform::MsgButtons::YesNo;
    question.icon = platform::MsgIcon::Question;
    question.defaultAnswer = platform::kIdNo;
    if (platform::ShowMessageBox(question) != platform::kIdYes)
        return;
    if (radioId == playingRadioId_) {
        platform::ShowMessageBox(this, Text(text::kDeleteWhilePlaying));
        return;
    }
    {
        const QSignalBlocker blocker(results_);
        delete results_->takeTopLevelItem(selectedRow_ - 1);
    }
    // A station that is still there keeps its playlist entry.
    if (controller_.DeleteStation(radioId) == kDbOk)
        controller_.RemovePlaylistEntry(radioId);
    RerunSearch();
    FillRows();
    selectedRow_ = 0;
    EnableSelectionButtons(false);
}

void CStationFinderDlg::OnAddNew() {
    RunEditor(-1);
}

void CStationFinderDlg::OnEdit() {
    const int radioId = SelectedRadioId();
    if (radioId > 0)
        RunEditor(radioId);
}

void CStationFinderDlg::RunEditor(int radioId) {
    CStationEditorDlg editor(controller_, radioId, this);
    platform::OwnDialog(&editor, this);
    if (editor.exec() != QDialog::Accepted)
        return;
    RerunSearch();
    FillRows();
    ReselectRow();
}

// ---- Test play ---------------------------------------------------------------------------------

void CStationFinderDlg::OnTestPlay() {
    const int radioId = SelectedRadioId();
    if (selectedRow_ == 0 || radioId <= 0)
        return;
    if (playingRadioId_ != 0) {
        platform::ShowMessageBox(this, Text(text::kTestPlayWhilePlaying));
        return;
    }
    if (testStarted_ || testPlaying_ || testConnecting_) {
        // While it connects the button stops the start (whose own events brought this click).
        testStopAsked_ = testConnecting_;
        controller_.Stop();
        return;
    }
    LockControls();
    // While it connects, the button is the way to stop the start (the finder is otherwise locked
    // until the runtime gives up on a station that does not answer).
    testPlay_->setEnabled(true);
    fetching_->show();
    testPlay_->setText(Text(text::kFinderConnecting));
    // The start blocks while the stream opens; show the wait texts first.
    fetching_->repaint();
    testPlay_->repaint();
    testConnecting_ = true;
    testStopAsked_ = false;
    const int started = controller_.Play(radioId, this);
    testConnecting_ = false;
    if (started != kCcOk && std::exchange(testStopAsked_, false)) {
        // Stopped by the user: the controller tells this window it stopped; nothing failed.
        return;
    }
    if (started != kCcOk) {
        testPlay_->setEnabled(false);
        platform::ShowMessageBox(this, Text(text::kFailedToConnect));
        testPlay_->setText(Text(text::kFinderFailedToPlay));
        UnlockControls();
        fetching_->hide();
        return;  // Test Play stays disabled until a row is clicked
    }
    testStarted_ = true;
}

void CStationFinderDlg::customEvent(QEvent* event) {
    const platform::WindowMessage* message = platform::AsWindowMessage(event);
    if (message && message->Message() == WM_PLAYER_STATUS)
        OnPlayerStatus(static_cast<int>(message->WParam()));
    else
        QDialog::customEvent(event);
}

void CStationFinderDlg::OnPlayerStatus(int code) {
    switch (code) {
        case PLAYER_TUNED:
        case PLAYER_FILE_PLAYING:  // a station whose address is a file or an on-demand stream
            testPlay_->setText(Text(text::kFinderStopPlay));
            testPlay_->setEnabled(true);
            fetching_->hide();
            testPlaying_ = true;
            break;
        case PLAYER_BUFFERING:
            testPlay_->setText(Text(text::kFinderBuffering));
            break;
        case PLAYER_STOPPED:
            testPlay_->setText(Text(text::kFinderTestPlay));
            testPlay_->setEnabled(true);
            UnlockControls();
            fetching_->hide();
            testPlaying_ = false;
            testStarted_ = false;
            break;
        default:
            break;
    }
}

void CStationFinderDlg::LockControls() {
    if (locked_)
        return;
    lockedControls_.clear();
    for (QWidget* control : std::initializer_list<QWidget*>{
             countryMode_, genreMode_, nameMode_, names_, nameText_, states_, cities_, results_,
             playlistToggle_, addNew_, edit_, delete_, close_}) {
        if (control->isEnabled()) {
            lockedControls_.append(control);
            control->setEnabled(false);
        }
    }
    testPlay_->setEnabled(false);
    locked_ = true;
}

// The controls get back the states they had before the test play: a state or city list that had
// nothing to offer (genre mode, a country without states) stays disabled.
void CStationFinderDlg::UnlockControls() {
    if (!locked_)
        return;
    for (QWidget* control : std::as_const(lockedControls_))
        control->setEnabled(true);
    lockedControls_.clear();
    locked_ = false;
}

void CStationFinderDlg::done(int result) {
    if (testStarted_ || testPlaying_) {
        controller_.Stop();
        testStarted_ = false;
        testPlaying_ = false;
    }
    QDialog::done(result);
}

}  // namespace velotune
