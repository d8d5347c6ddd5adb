#include "skin/main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QScreen>
#include <QShortcut>
#include <array>

#include "platform/msgbox/msgbox.h"
#include "platform/winmsg/winmsg.h"
#include "playback/command_centre.h"
#include "playback/docking.h"
#include "playback/player_messages.h"
#include "res/resource_ids.h"
#include "res/texts.h"
#include "skin/controls/scrollingtext.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skinslider.h"
#include "skin/window_placement.h"
#include "stationdb/radiodatabase.h"

Q_LOGGING_CATEGORY(lcMainWindow, "velotune.mainwindow")

namespace velotune {
namespace {

QString Text(const char* text) {
    return QString::fromUtf8(text);
}
QString Padded(const QString& text) {
    return text + Text(text::kDisplayPad);
}

// A button position meaning "hidden in this layout", and one meaning "left where it is".
constexpr QPoint kHidden(-1, -1);
constexpr QPoint kStays(-2, -2);

struct ButtonSpec {
    int id;
    const char* name;            // the button's window text
    std::array<int, 4> bitmaps;  // normal, hover, pressed, disabled
    const char* tip;
    QPoint mainView;
    QPoint minibar;
};

// The four images of a button: normal, hover, pressed, disabled.
constexpr std::array<int, 4> Faces(int normal, int hover, int pressed, int disabled) {
    return {normal, hover, pressed, disabled};
}
// A button that looks the same in every state.
constexpr std::array<int, 4> OneFace(int image) {
    return {image, image, image, image};
}

using namespace res;

// The 25 buttons in the order they are made: presets, main transport, minibar transport, window
// buttons. Center lies outside the minibar's shape, so it needs no hiding there.
// clang-format off
constexpr std::array<ButtonSpec, 25> kButtons = {{
    {1501, "Preset1", Faces(kBmpPresetNormal, kBmpPresetHover, kBmpPresetPressed, kBmpPresetDisabled), text::kTipPresetOne, {44, 84}, kHidden},
    {1502, "Preset2", Faces(kBmpPresetNormal, kBmpPresetHover, kBmpPresetPressed, kBmpPresetDisabled), text::kTipPresetTwo, {61, 84}, kHidden},
    {1503, "Preset3", Faces(kBmpPresetNormal, kBmpPresetHover, kBmpPresetPressed, kBmpPresetDisabled), text::kTipPresetThree, {78, 84}, kHidden},
    {1504, "Preset4", Faces(kBmpPresetNormal, kBmpPresetHover, kBmpPresetPressed, kBmpPresetDisabled), text::kTipPresetFour, {96, 84}, kHidden},
    {1505, "Preset5", Faces(kBmpPresetNormal, kBmpPresetHover, kBmpPresetPressed, kBmpPresetDisabled), text::kTipPresetFive, {113, 84}, kHidden},
    {1506, "Preset6", Faces(kBmpPresetNormal, kBmpPresetHover, kBmpPresetPressed, kBmpPresetDisabled), text::kTipPresetSix, {130, 84}, kHidden},
    {kIdPlay, "Play", Faces(kBmpPlayNormal, kBmpPlayHover, kBmpPlayPressed, kBmpPlayDisabled), text::kTipPlay, {148, 75}, kHidden},
    {kIdStop, "Stop", Faces(kBmpStopNormal, kBmpStopHover, kBmpStopPressed, kBmpStopDisabled), text::kTipStop, {174, 75}, kHidden},
    {kIdRecord, "Record", Faces(kBmpRecordNormal, kBmpRecordHover, kBmpRecordPressed, kBmpRecordDisabled), text::kTipRecord, {199, 75}, kHidden},
    {kIdInfo, "Info", Faces(kBmpInfoNormal, kBmpInfoHover, kBmpInfoPressed, kBmpInfoDisabled), text::kTipInfo, {224, 75}, kHidden},
    {kIdOpen, "Open", Faces(kBmpOpenListNormal, kBmpOpenListHover, kBmpOpenListPressed, kBmpOpenListDisabled), text::kOpenPlaylistTip, {249, 75}, kHidden},
    {kIdOpenEx, "OpenEx", Faces(kBmpOpenMenuNormal, kBmpOpenMenuHover, kBmpOpenMenuPressed, kBmpOpenMenuDisabled), text::kTipOpenMenu, {268, 78}, kHidden},
    {kIdPause, "Pause", Faces(kBmpPauseNormal, kBmpPauseHover, kBmpPausePressed, kBmpPauseDisabled), text::kTipPause, {148, 75}, kHidden},
    {kIdPrev, "Prev", Faces(kBmpPrevNormal, kBmpPrevHover, kBmpPrevPressed, kBmpPrevDisabled), text::kTipPrevious, {11, 11}, kHidden},
    {kIdNext, "Next", Faces(kBmpNextNormal, kBmpNextHover, kBmpNextPressed, kBmpNextDisabled), text::kTipNext, {11, 60}, kHidden},
    {kIdCenter, "Center", Faces(kBmpCenterNormal, kBmpCenterHover, kBmpCenterPressed, kBmpCenterDisabled), text::kTipGoToPlaying, {4, 44}, kStays},
    {kIdMiniPlay, "Play", OneFace(kBmpMiniPlay), text::kTipPlay, kHidden, {180, 6}},
    {kIdMiniStop, "Stop", OneFace(kBmpMiniStop), text::kTipStop, kHidden, {195, 6}},
    {kIdMiniPrev, "Prev", OneFace(kBmpMiniPrev), text::kTipPrevious, kHidden, {210, 6}},
    {kIdMiniNext, "Next", OneFace(kBmpMiniNext), text::kTipNext, kHidden, {225, 6}},
    {kIdMenu, "Menu", Faces(kBmpMenuNormal, kBmpMenuHover, kBmpMenuPressed, kBmpMenuDisabled), text::kTipMenu, {5, 6}, {6, 6}},
    {kIdClose, "Exit", Faces(kBmpCloseNormal, kBmpCloseHover, kBmpClosePressed, kBmpCloseDisabled), text::kTipClose, {283, 6}, {285, 6}},
    {kIdMinimize, "Mini", Faces(kBmpMinimizeNormal, kBmpMinimizeHover, kBmpMinimizePressed, kBmpMinimizeDisabled), text::kTipMinimize, {261, 6}, {261, 6}},
    {kIdMinibar, "Minibar", Faces(kBmpLayoutNormal, kBmpLayoutHover, kBmpLayoutPressed, kBmpLayoutDisabled), text::kTipMinibar, {272, 6}, kHidden},
    {kIdMainView, "MainDlg", Faces(kBmpLayoutNormal, kBmpLayoutHover, kBmpLayoutPressed, kBmpLayoutDisabled), text::kTipMainView, kHidden, {273, 6}},
}};
// clang-format on

// Fixed geometry, in window pixels.
const QRect kVolumeRect(QPoint(279, 18), QPoint(298, 89));
const QRect kMainViewDisplayRect(QPoint(22, 41), QPoint(273, 61));
// The whole of the minibar skin's dark field (its rows 3 to 12).
const QRect kMinibarDisplayRect(QPoint(46, 3), QPoint(177, 12));

constexpr int kMainViewScrollMs = 50;
constexpr int kMinibarScrollMs = 70;
constexpr int kMainViewPointSize = 14;
constexpr int kMinibarPointSize = 8;

// The font of the given family and size, made smaller where its lines would be taller than
// height pixels, so that no part of a character is cut off.
QFont FittingFont(const QString& family, int pointSize, int height) {
    QFont font(family, pointSize);
    int pixels = QFontMetrics(font).height();
    while (QFontMetrics(font).height() > height && pixels > 4)
        font.setPixelSize(--pixels);
    return font;
}
// A minibar this close to the usable bottom (the main view's height and the 3 pixels by which a
// freshly shown list window overlaps it) was a main view on the bottom edge: it goes there too.
constexpr int kMinibarBottomReach = 107;
// How far the window's bottom edge moves when the layout changes (104 - 18).
constexpr int kLayoutHeightChange = 86;

const QColor kWindowKey = QColor::fromRgb(res::kKeyWindow);
const QColor kButtonKey = QColor::fromRgb(res::kKeyButton);

bool IsPreset(int id) {
    return id >= kIdPreset1 && id <= kIdPreset6;
}

}  // namespace

CTorvikMainDlg::CTorvikMainDlg(CTorvikCommandCentre& controller)
    : CSkinDialog(nullptr, Qt::Window), controller_(controller) {
    // The window's own controls, present from the start as a dialog template's would be.
    display_ = new CScrollingText(this);
    display_->setObjectName(QString::number(kIdDisplayLine));
    display_->setGeometry(kMainViewDisplayRect);
    slider_ = new CSkinSlider(this);
    slider_->setObjectName(QString::number(kIdVolume));
    slider_->hide();
    connect(slider_, &CSkinSlider::Scrolled, this,
            [this](int position) { controller_.SetVolume(100 - position); });
}

CTorvikMainDlg::~CTorvikMainDlg() {
    if (controller_.MainWindow() == this)
        controller_.SetMainWindow(nullptr);
}

// ---- Initialisation ----------------------------------------------------------------------------

CTorvikMainDlg::InitResult CTorvikMainDlg::Initialise() {
    setWindowIcon(res::LoadIcon(res::kIconApp));

    if (controller_.OpenDatabase() != kDbOk) {
        // The database layer has shown why. The program cannot run without its stations.
        qCWarning(lcMainWindow) << "the station database did not open; quitting";
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
        return InitResult::kNoDatabase;
    }
    controller_.SetMainWindow(this);
    setWindowTitle(Text(text::kMainWindowTitle));

    if (!SetSkin(res::kBmpMainView, kWindowKey)) {
        qCWarning(lcMainWindow) << "the main view's skin could not be made";
        return InitResult::kIncomplete;
    }
    if (!CreateButtons())
        return InitResult::kIncomplete;
    CreateVolumeSlider();
    // F1 is the application's Help command, in every window of the player.
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    help->setContext(Qt::ApplicationShortcut);
    connect(help, &QShortcut::activated, this, [this] { controller_.ShowHelp(); });

    mainFont_ =
        FittingFont(QStringLiteral("ARIAL"), kMainViewPointSize, kMainViewDisplayRect.height());
    miniFont_ =
        FittingFont(QStringLiteral("ARIAL"), kMinibarPointSize, kMinibarDisplayRect.height());

    int isMini = CSettingsStore::kDefaultIsMini;
    if (!settings_.ReadIsMini(&isMini))
        isMini = CSettingsStore::kDefaultIsMini;
    if (isMini)
        SwitchToMinibar();
    else
        SwitchToMainView();

    // Only Left and Top are used; a place on no screen (one that has gone, or a damaged setting)
    // becomes the nearest one on the primary screen.
    QPoint place(CSettingsStore::kDefaultPlayerLeft, CSettingsStore::kDefaultPlayerTop);
    WindowRect stored;
    if (settings_.ReadPlayerRect(&stored))
        place = PlaceOnScreens(QPoint(stored.left, stored.top), size());
    MoveWindow(place);

    controller_.ApplyAlwaysOnTop(controller_.IsAlwaysOnTop());

    controller_.ShowList(this, 0);
    EnableControl(kIdCenter, false);

    RestoreSelections();
    // The display line, the buttons and the presets (which stand for the first playlist entries
    // from the start, missing ones disabled) for the restored list and selection.
    ShowCurrentList();

    lastPos_ = pos();

    int showWindow = CSettingsStore::kDefaultShowWindow;
    if (settings_.ReadShowWindow(&showWindow) && showWindow == 0) {
        if (controller_.IsTrayIconShown())
            return InitResult::kReady;  // it stays in the tray
        show();
        // Without a tray icon a hidden window could not be reached again.
        settings_.WriteShowWindow(1);
        return InitResult::kReady;
    }
    show();
    int listVisible = CSettingsStore::kDefaultPLVisible;
    if (settings_.ReadPLVisible(&listVisible) && listVisible == 1)
        controller_.ShowList(this, 1);
    return InitResult::kReady;
}

bool CTorvikMainDlg::CreateButtons() {
    for (const ButtonSpec& spec : kButtons) {
        auto* button = new CSkinButton(this);
        if (!button->Create(Text(spec.name), CSkinButton::Show::Hidden, spec.bitmaps[0],
                            spec.bitmaps[1], spec.bitmaps[2], spec.bitmaps[3], kButtonKey, this,
                            spec.id)) {
            qCWarning(lcMainWindow) << "button" << spec.id << "could not be made";
            delete button;
            return false;
        }
        button->SetTooltipText(Text(spec.tip), true);
        const int id = spec.id;
        connect(button, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
        buttons_[id] = button;
    }
    return true;
}

void CTorvikMainDlg::CreateVolumeSlider() {
    int volume = CSettingsStore::kDefaultVolume;
    if (!settings_.ReadVolume(&volume))
        volume = CSettingsStore::kDefaultVolume;
    slider_->setGeometry(kVolumeRect);
    slider_->SetBackground(res::kBmpSliderBackground);
    slider_->setRange(0, 100);
    slider_->SetTickFrequency(10);
    slider_->setValue(volume);
    slider_->SetThumbColor(QColor(153, 153, 153));
    slider_->SetSelectionColor(QColor(64, 64, 255));
    slider_->SetChannelColor(QColor(196, 196, 255));
    slider_->show();
}

// The stored list and selections; a selection beyond its list's end (the list changed since)
// is forgotten rather than shown as a nameless row.
void CTorvikMainDlg::RestoreSelections() {
    int fileRow = CSettingsStore::kDefaultCurrentLocalPlaylistID;
    if (!settings_.ReadCurrentLocalPlaylistID(&fileRow))
        fileRow = CSettingsStore::kDefaultCurrentLocalPlaylistID;
    int stationRow = CSettingsStore::kDefaultCurrentPlaylistID;
    if (!settings_.ReadCurrentPlaylistID(&stationRow))
        stationRow = CSettingsStore::kDefaultCurrentPlaylistID;

    QStringList files;
    if (!settings_.ReadFileEntries(&files))
        files.clear();
    if (fileRow < 0 || fileRow > files.size())
        fileRow = 0;
    if (stationRow < 0 || stationRow > controller_.PlaylistRowCount())
        stationRow = 0;
    controller_.SetSelectedFileIndex(fileRow);
    controller_.SetSelectedStationIndex(stationRow);

    // Last: the switch tells this window the restored selection of the list it makes current.
    int listType = CSettingsStore::kDefaultActivePlaylistType;
    if (!settings_.ReadActivePlaylistType(&listType))
        listType = CSettingsStore::kDefaultActivePlaylistType;
    controller_.SetListMode(listType);
}

// ---- Layouts -----------------------------------------------------------------------------------

void CTorvikMainDlg::SwitchToMinibar() {
    ApplyLayout(true);
}

void CTorvikMainDlg::SwitchToMainView() {
    ApplyLayout(false);
}

void CTorvikMainDlg::ApplyLayout(bool mini) {
    const bool changes = (mini_ != 0) != mini;
    const QPoint before = pos();

    if (!SetSkin(mini ? res::kBmpMinibar : res::kBmpMainView, kWindowKey))
        qCWarning(lcMainWindow) << "the layout's skin could not be made; the old one stays";

    // Hide what the new layout does not show first, so that nothing of the old one flashes up.
    for (const ButtonSpec& spec : kButtons) {
        CSkinButton* button = Button(spec.id);
        if (button && (mini ? spec.minibar : spec.mainView) == kHidden)
            button->hide();
    }
    for (const ButtonSpec& spec : kButtons) {
        CSkinButton* button = Button(spec.id);
        const QPoint at = mini ? spec.minibar : spec.mainView;
        if (!button || at == kHidden || at == kStays)
            continue;
        button->move(at);
        // Play and Pause share one place; which one shows depends on what plays.
        if (!mini && spec.id == kIdPlay)
            button->setVisible(!pauseShown_);
        else if (!mini && spec.id == kIdPause)
            button->setVisible(pauseShown_);
        else
            button->show();
    }
    // The volume slider lies below the minibar's shape; hidden, it cannot take the focus there.
    slider_->setVisible(!mini);

    // Keep the window on screen: a window near the bottom goes flush with the usable bottom, or
    // with the top of the room a visible list window needs below it.
    if (const QScreen* screen = this->screen()) {
        const QRect box = VisibleBox(this);
        const int listSpace = controller_.IsListVisible() ? kListWindowSpace : 0;
        const int reach = mini ? kMinibarBottomReach : box.height();
        const int top =
            KeepOnScreenTop(box.y(), box.height(), reach, screen->availableGeometry(), listSpace);
        if (top != box.y())
            move(pos() + QPoint(0, top - box.y()));
    }

    display_->setGeometry(mini ? kMinibarDisplayRect : kMainViewDisplayRect);
    display_->SetFont(mini ? miniFont_ : mainFont_);
    display_->SetScrollPeriod(mini ? kMinibarScrollMs : kMainViewScrollMs);
    display_->SetBackgroundColor(Qt::black);
    update();

    mini_ = mini ? 1 : 0;

    // A list window docked below follows the bottom edge, which moved by the change in height.
    if (changes)
        controller_.MoveListWindows(
            before, before + QPoint(0, mini ? -kLayoutHeightChange : kLayoutHeightChange), 1);
}

// ---- Refresh -----------------------------------------------------------------------------------

void CTorvikMainDlg::ShowText(const QString& text) {
    displayText_ = text;
    display_->SetText(text);
    display_->StartScrolling();
}

std::optional<QString> CTorvikMainDlg::FileNameAt(int row) {
    QStringList entries;
    if (!settings_.ReadFileEntries(&entries))
        return std::nullopt;
    const int position = controller_.RowToId(row);
    if (position < 1 || position > entries.size())
        return std::nullopt;
    const QString& entry = entries.at(position - 1);
    const qsizetype split = entry.indexOf(Text(text::kFileEntrySeparator));
    if (split < 0)
        return std::nullopt;
    const QString fileName = entry.left(split);
    const qsizetype dot = fileName.indexOf(QLatin1Char('.'));
    return dot < 0 ? fileName : fileName.left(dot);
}

void CTorvikMainDlg::UpdateDisplayLine(int selection) {
    if (selection == 0) {
        ShowText(Padded(Text(text::kIdleDisplay)));
        return;
    }
    if (controller_.GetPlaybackStatus() == kStatusBuffering)
        return;
    const bool playing = controller_.IsPlaying();
    const bool thisRow = controller_.GetPlayingIndex() == selection;

    // The song a station or file names, when the user asked to see it.
    QString title;
    int showTitles = CSettingsStore::kDefaultShowSongTitles;
    if (playing && thisRow && settings_.ReadShowSongTitles(&showTitles) && showTitles == 1)
        title = controller_.NowPlayingTitle();

    if (controller_.GetListMode() == CTorvikCommandCentre::kFileListMode) {
        const std::optional<QString> name = FileNameAt(selection);
        if (!name)
            return;
        if (playing && thisRow)
            ShowText(Padded(Text(text::kYouArePlaying) + (title.isEmpty() ? *name : title)));
        else if (playing)
            ShowText(Padded(*name + Text(text::kSelectedChangeFiles)));
        else
            ShowText(Padded(*name + Text(text::kSelectedStartPlayback)));
        return;
    }

    const QString name = controller_.StationNameAt(selection);
    if (playing && !thisRow)
        ShowText(Padded(name + Text(text::kSelectedSwitchStation)));
    else if (playing && controller_.IsRecording())
        ShowText(Padded(Text(text::kYouAreRecording) + name));
    else if (playing && !title.isEmpty())
        ShowText(Padded(Text(text::kYouAreTunedTo) + name + QStringLiteral(": ") + title));
    else if (playing)
        ShowText(Padded(Text(text::kYouAreTunedTo) + name));
    else
        ShowText(Padded(name + Text(text::kSelectedTuneIn)));
}

void CTorvikMainDlg::UpdateButtons(int selection, int playingIndex) {
    const bool fileList = controller_.GetListMode() == CTorvikCommandCentre::kFileListMode;
    EnableControl(kIdOpen, true);
    if (selection == 0) {
        for (int id : {kIdPlay, kIdMiniPlay, kIdPause, kIdRecord, kIdInfo, kIdStop, kIdMiniStop})
            EnableControl(id, false);
        EnableControl(kIdOpenEx, true);
        if (fileList)
            EnableControl(kIdCenter, false);
        return;
    }

    struct States {
        bool play, pause, stop, record, info, openEx, center;
    };
    // Play may start another row than the one that plays, never the playing one again.
    const bool other = selection != playingIndex;
    States s{};
    switch (controller_.GetPlaybackStatus()) {
        case kStatusLive:
            s = fileList ? States{other, false, true, false, false, true, true}
                         : States{other, false, true, false, true, true, true};
            break;
        case kStatusFile:
            s = fileList ? States{other, true, true, false, false, true, true}
                         : States{other, false, true, false, true, true, true};
            break;
        case kStatusStopped:
            s = fileList ? States{true, false, false, false, false, true, false}
                         : States{true, false, false, true, true, true, false};
            break;
        case kStatusBuffering:
            s = fileList ? States{false, false, true, false, false, false, false}
                         : States{false, false, true, false, true, false, false};
            break;
        default:
            return;
    }
    EnableControl(kIdPlay, s.play);
    EnableControl(kIdMiniPlay, s.play);
    EnableControl(kIdPause, s.pause);
    EnableControl(kIdStop, s.stop);
    EnableControl(kIdMiniStop, s.stop);
    EnableControl(kIdRecord, s.record);
    EnableControl(kIdInfo, s.info);
    EnableControl(kIdOpenEx, s.openEx);
    EnableControl(kIdCenter, s.center);
}

void CTorvikMainDlg::ShowPauseButton(bool on) {
    pauseShown_ = on;
    if (mini_) {
        if (CSkinButton* play = Button(kIdMiniPlay))
            play->show();
        return;
    }
    if (CSkinButton* play = Button(kIdPlay))
        play->setVisible(!on);
    if (CSkinButton* pause = Button(kIdPause))
        pause->setVisible(on);
}

void CTorvikMainDlg::UpdatePresets(int refresh) {
    if (controller_.GetListMode() == CTorvikCommandCentre::kFileListMode || refresh == 0)
        return;
    const int rows = controller_.PlaylistRowCount();
    for (int id = kIdPreset1; id <= kIdPreset6; ++id) {
        CSkinButton* button = Button(id);
        if (!button)
            continue;
        const int position = id - kIdPreset1 + 1;
        if (position > rows) {
            button->setEnabled(false);
            continue;
        }
        button->setEnabled(true);
        button->SetTooltipText(controller_.StationNameAt(position), true);
    }
}

// ---- IMainWindow -------------------------------------------------------------------------------

CSkinButton* CTorvikMainDlg::Button(int id) const {
    const auto it = buttons_.find(id);
    return it == buttons_.end() ? nullptr : it->second;
}

void CTorvikMainDlg::EnableControl(int id, bool enable) {
    if (CSkinButton* button = Button(id))
        button->setEnabled(enable);
}

void CTorvikMainDlg::SetDisplayText(const QString& text) {
    ShowText(text);
}

int CTorvikMainDlg::VolumePosition() const {
    return slider_->value();
}

void CTorvikMainDlg::ShowCurrentList() {
    const int selection = controller_.GetSelectedIndex();
    UpdateDisplayLine(selection);
    UpdateButtons(selection, controller_.GetPlayingIndex());
    // While a start is under way the busy screen stays; the start's end sets the presets.
    if (controller_.GetPlaybackStatus() == kStatusBuffering)
        return;
    if (controller_.GetListMode() == CTorvikCommandCentre::kFileListMode)
        DisablePresets();
    else
        UpdatePresets(1);
}

void CTorvikMainDlg::DisablePresets() {
    for (int id = kIdPreset1; id <= kIdPreset6; ++id)
        EnableControl(id, false);
}

void CTorvikMainDlg::SetOpenButtonTip(const QString& tip) {
    if (CSkinButton* open = Button(kIdOpen))
        open->SetTooltipText(tip, true);
}

bool CTorvikMainDlg::SetTopmost(bool on) {
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on)
        return true;
    // Changing a window's flags makes a new native window, which starts hidden.
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (visible)
        show();
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on;
}

void CTorvikMainDlg::DestroyWindow() {
    if (controller_.MainWindow() == this)
        controller_.SetMainWindow(nullptr);
    display_->StopScrolling();
    hide();
    deleteLater();
}

// ---- Commands ----------------------------------------------------------------------------------

QRect CTorvikMainDlg::ScreenRect(int id) const {
    const CSkinButton* button = Button(id);
    if (!button)
        return {};
    return QRect(button->mapToGlobal(QPoint(0, 0)), button->size());
}

void CTorvikMainDlg::OnCommand(int id) {
    const bool fileList = controller_.GetListMode() == CTorvikCommandCentre::kFileListMode;
    if (IsPreset(id)) {
        if (!fileList)
            OnPreset(id - kIdPreset1 + 1);
        return;
    }
    switch (id) {
        case kIdPlay:
        case kIdMiniPlay:
            if (fileList)
                controller_.PlayFile(controller_.GetSelectedIndex());
            else if (controller_.GetSelectedIndex() != 0)
                controller_.Play(0, this);
            break;
        case kIdStop:
        case kIdMiniStop:
            controller_.Stop();
            break;
        case kIdRecord:
            if (!fileList)
                controller_.Record(0);
            break;
        case kIdInfo:
            controller_.StationInfo();
            break;
        case kIdOpen:
            controller_.ShowList(this, controller_.IsListVisible() ? 0 : 1);
            break;
        case kIdOpenEx:
            controller_.ShowOpenMenu(ScreenRect(kIdOpenEx));
            activateWindow();
            setFocus();
            break;
        case kIdPause:
            OnPause();
            break;
        case kIdPrev:
        case kIdMiniPrev:
            controller_.PreviousEntry();
            break;
        case kIdNext:
        case kIdMiniNext:
            controller_.NextEntry();
            break;
        case kIdCenter:
            controller_.GoToPlaying();
            break;
        case kIdMenu:
            controller_.ShowSystemMenu(0, ScreenRect(kIdMenu));
            activateWindow();
            setFocus();
            break;
        case kIdMinimize:
            controller_.Minimize();
            break;
        case kIdMinibar:
            SwitchToMinibar();
            break;
        case kIdMainView:
            SwitchToMainView();
            break;
        case kIdClose:
            controller_.Exit(0);
            break;
        default:
            break;
    }
}

void CTorvikMainDlg::OnPreset(int position) {
    const int stationId = controller_.StationIdAt(position);
    // A preset beyond the playlist's end has no station; playing "station 0" would mean the
    // selected row instead.
    if (stationId <= 0)
        return;
    controller_.SetSelectedIndex(position);
    controller_.SelectRow(position);
    if (!controller_.IsPlaying() || controller_.GetPlayingIndex() != position)
        controller_.Play(stationId, this);
    else
        UpdateDisplayLine(position);
}

void CTorvikMainDlg::OnPause() {
    controller_.Pause(paused_ ? 1 : 0);
    if (paused_)
        UpdateDisplayLine(controller_.GetSelectedIndex());
    else
        ShowText(Padded(Text(text::kPlaybackPaused)));
    paused_ = !paused_;
    controller_.NotifyChanged();
}

// ---- Controller messages -----------------------------------------------------------------------

void CTorvikMainDlg::customEvent(QEvent* event) {
    const platform::WindowMessage* message = platform::AsWindowMessage(event);
    if (!message) {
        CSkinDialog::customEvent(event);
        return;
    }
    if (message->Message() == WM_PLAYER_SELECTION)
        OnPlayerSelection(static_cast<int>(message->WParam()));
    else if (message->Message() == WM_PLAYER_STATUS)
        OnPlayerStatus(static_cast<int>(message->WParam()));
}

void CTorvikMainDlg::OnPlayerSelection(int selection) {
    controller_.SetSelectedIndex(selection);
    UpdateButtons(selection, controller_.GetPlayingIndex());
    UpdateDisplayLine(selection);
    controller_.NotifyChanged();
}

void CTorvikMainDlg::TitleChanged() {
    // Only the line that names what plays carries a title; a paused file's line says so.
    const int selection = controller_.GetSelectedIndex();
    if (!paused_ && selection != 0 && selection == controller_.GetPlayingIndex() &&
        controller_.GetPlaybackStatus() != kStatusBuffering)
        UpdateDisplayLine(selection);
}

void CTorvikMainDlg::OnPlayerStatus(int code) {
    const int selection = controller_.GetSelectedIndex();
    switch (code) {
        case PLAYER_TUNED:
        case PLAYER_STOPPED:
            UpdateDisplayLine(selection);
            ShowPauseButton(false);
            UpdateButtons(selection, controller_.GetPlayingIndex());
            UpdatePresets(1);
            break;
        case PLAYER_FILE_PLAYING:
            UpdateDisplayLine(selection);
            ShowPauseButton(true);
            UpdateButtons(selection, controller_.GetPlayingIndex());
            break;
        case PLAYER_BUFFERING: {
            // What buffers is named as the list names it: a station, or a file of the file list.
            const int playing = controller_.GetPlayingIndex();
            QString name;
            if (controller_.GetListMode() == CTorvikCommandCentre::kFileListMode)
                name = FileNameAt(playing).value_or(QString());
            else
                name = controller_.StationNameAt(playing);
            ShowText(Padded(Text(text::kBuffering) + name + Text(text::kPleaseWait)));
            ShowPauseButton(false);
            UpdateButtons(selection, playing);
            break;
        }
        case PLAYER_RECONNECTING: {
            // The controls stay as they are while playing: Stop ends the attempts.
            const int playing = controller_.GetPlayingIndex();
            const QString name = controller_.GetListMode() == CTorvikCommandCentre::kFileListMode
                                     ? FileNameAt(playing).value_or(QString())
                                     : controller_.StationNameAt(playing);
            ShowText(Padded(Text(text::kReconnecting) + name + Text(text::kPleaseWait)));
            return;
        }
        default:
            return;
    }
    paused_ = false;
}

// ---- Window events -----------------------------------------------------------------------------

QPoint CTorvikMainDlg::AdjustPosition(QPoint proposed) {
    // Snapping works on the visible box, which the window's shape may inset from its corner.
    const QPoint inset = SkinRegion().boundingRect().topLeft();
    const QSize size = SkinRegion().boundingRect().size();
    QPoint box = proposed + inset;
    const QScreen* screen =
        QGuiApplication::screenAt(box + QPoint(size.width() / 2, size.height() / 2));
    if (!screen)
        screen = this->screen();
    if (screen)
        box = SnapToScreen(box, size, screen->availableGeometry());
    if (IListWindow* list = controller_.ActiveListWindow()) {
        const QWidget* widget = list->Widget();
        if (widget->isVisible())
            box = SnapToListWindow(box, size, VisibleBox(widget));
    }
    return box - inset;
}

void CTorvikMainDlg::moveEvent(QMoveEvent* event) {
    CSkinDialog::moveEvent(event);
    if (isMinimized())
        return;
    const QPoint now = pos();
    if (lastPos_ && *lastPos_ != now)
        controller_.MoveListWindows(*lastPos_, now, 0);
    lastPos_ = now;
}

void CTorvikMainDlg::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        CSkinDialog::mouseDoubleClickEvent(event);
        return;
    }
    if (mini_)
        SwitchToMainView();
    else
        SwitchToMinibar();
    event->accept();
}

void CTorvikMainDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    controller_.Exit(0);
}

}  // namespace velotune
