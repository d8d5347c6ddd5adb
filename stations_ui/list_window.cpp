#include "stations_ui/list_window.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <optional>

#include "platform/winmsg/winmsg.h"
#include "playback/command_centre.h"
#include "playback/docking.h"
#include "playback/player_messages.h"
#include "res/resource_ids.h"
#include "res/texts.h"
#include "skin/controls/skinbutton.h"
#include "stations_ui/dialog_util.h"
#include "stations_ui/list_docking.h"
#include "stations_ui/row_clicks.h"

namespace velotune {

using stations_ui::Text;

namespace {

struct ButtonSpec {
    int id = 0;
    int normal = 0;
    int hover = 0;
    int pressed = 0;
    int disabled = 0;
    QPoint pos;  // window pixels
    const char* tip = "";
};

// clang-format off
const ButtonSpec kButtons[] = {
    {CListWindow::kIdClose, res::kBmpListCloseNormal, res::kBmpListCloseHover,
     res::kBmpListClosePressed, res::kBmpListCloseDisabled, {286, 7}, text::kListCloseTip},
    {CListWindow::kIdAdd, res::kBmpListAddNormal, res::kBmpListAddHover, res::kBmpListAddPressed,
     res::kBmpListAddDisabled, {17, 227}, text::kListAddTip},
    {CListWindow::kIdEdit, res::kBmpListEditNormal, res::kBmpListEditHover,
     res::kBmpListEditPressed, res::kBmpListEditDisabled, {47, 227}, text::kListEditTip},
    {kIdRemove, res::kBmpListRemoveNormal, res::kBmpListRemoveHover, res::kBmpListRemovePressed,
     res::kBmpListRemoveDisabled, {76, 227}, text::kListRemoveTip},
    {kIdUp, res::kBmpListUpNormal, res::kBmpListUpHover, res::kBmpListUpPressed,
     res::kBmpListUpDisabled, {226, 224}, text::kListUpTip},
    {kIdDown, res::kBmpListDownNormal, res::kBmpListDownHover, res::kBmpListDownPressed,
     res::kBmpListDownDisabled, {226, 235}, text::kListDownTip},
};
// clang-format on

// Where the list sits on the skin.
constexpr QRect kListPlace(10, 28, 280, 188);

// A window's visible box on screen: the bounding box of its shape when it has one.
QRect VisibleBox(const QWidget* widget) {
    const QRegion mask = widget->mask();
    if (mask.isEmpty())
        return widget->frameGeometry();
    return mask.boundingRect().translated(widget->geometry().topLeft());
}

}  // namespace

CListWindow::CListWindow(CTorvikCommandCentre& controller, Kind kind, QWidget* parent)
    : CSkinDialog(parent, Qt::Tool), controller_(controller), kind_(kind) {
    valid_ = SetSkin(res::kBmpListWindow, QColor(QRgb(res::kKeyWindow))) != 0;

    for (const ButtonSpec& spec : kButtons) {
        auto* button = new CSkinButton(this);
        if (!button->Create(Text(spec.tip), CSkinButton::Show::Visible, spec.normal, spec.hover,
                            spec.pressed, spec.disabled, QColor(QRgb(res::kKeyButton)), this,
                            spec.id))
            valid_ = false;
        button->move(spec.pos);
        button->SetTooltipText(Text(spec.tip));
        buttons_.append(button);
        connect(button, &CSkinButton::clicked, this, [this, id = spec.id] {
            switch (id) {
                case kIdClose:
                    hide();
                    break;
                case kIdAdd:
                    OnAdd();
                    break;
                case kIdEdit:
                    OnEdit();
                    break;
                case kIdRemove:
                    OnRemove();
                    break;
                case kIdUp:
                    OnUp();
                    break;
                case kIdDown:
                    OnDown();
                    break;
                default:
                    break;
            }
        });
    }

    list_ = new QTreeWidget(this);
    stations_ui::SetControlId(list_, kIdList);
    list_->setGeometry(kListPlace);
    list_->setHeaderHidden(true);
    list_->header()->setStretchLastSection(false);
    list_->header()->setMinimumSectionSize(0);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // White on black, and the selection stays visible while another window has the focus.
    QPalette colours = list_->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::Base, Qt::black);
        colours.setColor(group, QPalette::Window, Qt::black);
        colours.setColor(group, QPalette::Text, Qt::white);
    }
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    list_->setPalette(colours);
    QFont small = list_->font();
    small.setPixelSize(11);
    list_->setFont(small);
    list_->show();

    auto* clicks = new stations_ui::RowClicks(list_);
    connect(clicks, &stations_ui::RowClicks::Clicked, this, &CListWindow::OnRowClicked);
    connect(clicks, &stations_ui::RowClicks::DoubleClicked, this,
            [this](int row) { OnRowDoubleClicked(row); });

    int value = CSettingsStore::kDefaultPLBinded;
    bound_ = settings_.ReadPLBinded(&value) ? value != 0 : CSettingsStore::kDefaultPLBinded != 0;
    value = CSettingsStore::kDefaultPLBottomBinded;
    bottomBound_ = settings_.ReadPLBottomBinded(&value)
                       ? value != 0
                       : CSettingsStore::kDefaultPLBottomBinded != 0;
}

CListWindow::~CListWindow() {
    if (valid_)
        StorePlacement();
    controller_.ListWindowDestroyed(this);
}

void CListWindow::StorePlacement() {
    if (shown_) {
        // Only a window that still touches the desktop is worth finding there again.
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QRect desktop = screen ? screen->virtualGeometry() : QRect();
        const WindowRect rect = WindowRect::FromQRect(frameGeometry());
        if (desktop.isValid() && rect.left <= desktop.x() + desktop.width() &&
            rect.right >= desktop.x() && rect.top <= desktop.y() + desktop.height() &&
            rect.bottom >= desktop.y()) {
            if (kind_ == Kind::Playlist)
                settings_.WritePlaylistRect(rect);
            else
                settings_.WriteLocalPlaylistRect(rect);
        }
    }
    settings_.WritePLBinded(bound_ ? 1 : 0);
    settings_.WritePLBottomBinded(bottomBound_ ? 1 : 0);
}

// ---- Rows and buttons --------------------------------------------------------------------------

void CListWindow::SetColumns(const QList<QPair<QString, int>>& columns) {
    list_->setColumnCount(static_cast<int>(columns.size()));
    QStringList titles;
    for (const auto& column : columns)
        titles.append(column.first);
    list_->setHeaderLabels(titles);
    for (int i = 0; i < columns.size(); ++i)
        list_->header()->resizeSection(i, columns.at(i).second);
}

void CListWindow::SelectRow(int row) {
    const QSignalBlocker blocker(list_);
    if (row <= 0 || row > list_->topLevelItemCount()) {
        list_->clearSelection();
        list_->setCurrentItem(nullptr);
        return;
    }
    QTreeWidgetItem* item = list_->topLevelItem(row - 1);
    list_->setCurrentItem(item);
    list_->scrollToItem(item);
}

int CListWindow::ItemData(int row) const {
    if (row <= 0 || row > list_->topLevelItemCount())
        return 0;
    return list_->topLevelItem(row - 1)->data(0, Qt::UserRole).toInt();
}

int CListWindow::RowCount() const {
    return list_->topLevelItemCount();
}

CSkinButton* CListWindow::Button(int id) const {
    for (CSkinButton* button : buttons_) {
        if (button->objectName() == QString::number(id))
            return button;
    }
    return nullptr;
}

void CListWindow::EnableButtons(bool enable) {
    for (int id : {kIdEdit, kIdRemove, kIdUp, kIdDown})
        EnableControl(id, enable);
}

void CListWindow::EnableControl(int id, bool enable) {
    if (CSkinButton* button = Button(id))
        button->setEnabled(enable);
}

void CListWindow::SelectInitialRow(int row) {
    if (row > 0 && row <= RowCount()) {
        SelectRow(row);
        EnableButtons(true);
        if (controller_.IsPlaying() && controller_.GetPlayingIndex() == row)
            EnableControl(kIdRemove, false);
    } else {
        EnableButtons(false);
    }
}

void CListWindow::SwapRows(int from, int to) {
    QTreeWidgetItem* moving = list_->topLevelItem(from);
    QTreeWidgetItem* other = list_->topLevelItem(to);
    if (!moving || !other)
        return;
    for (int column = 1; column < list_->columnCount(); ++column) {
        const QString text = moving->text(column);
        moving->setText(column, other->text(column));
        other->setText(column, text);
    }
    const QVariant data = moving->data(0, Qt::UserRole);
    moving->setData(0, Qt::UserRole, other->data(0, Qt::UserRole));
    other->setData(0, Qt::UserRole, data);
    if (moving->isSelected() || list_->currentItem() == moving)
        SelectRow(to + 1);
}

void CListWindow::OnRowClicked(int row) {
    QWidget* main = controller_.MainWindow() ? controller_.MainWindow()->Widget() : nullptr;
    if (row <= 0 || row > RowCount()) {
        EnableButtons(false);
        SelectRow(0);
        platform::PostWindowMessage(main, WM_PLAYER_SELECTION, 0, 0);
        return;
    }
    controller_.SetSelectedIndex(row);
    EnableButtons(true);
    SelectRow(row);
    EnableControl(kIdRemove, !(controller_.IsPlaying() && controller_.GetPlayingIndex() == row));
    platform::PostWindowMessage(main, WM_PLAYER_SELECTION, row, 0);
}

// ---- Window ------------------------------------------------------------------------------------

QPoint CListWindow::AdjustPosition(QPoint proposed) {
    if (!IsDragging())
        return proposed;
    bound_ = false;
    bottomBound_ = false;
    const QScreen* screen = this->screen();
    if (!screen)
        return proposed;
    // The rules work on the visible box; the window's corner may lie outside its shape.
    const QRect shape = SkinRegion().boundingRect();
    const QPoint offset = shape.isEmpty() ? QPoint() : shape.topLeft();
    const QSize size = shape.isEmpty() ? frameGeometry().size() : shape.size();
    std::optional<QRect> mainBox;
    if (IMainWindow* main = controller_.MainWindow()) {
        if (main->Widget()->isVisible())
            mainBox = VisibleBox(main->Widget());
    }
    const ListDocking docking =
        DockListWindow(proposed + offset, size, screen->geometry(),
                       MarginsOf(screen->geometry(), screen->availableGeometry()), mainBox);
    bound_ = docking.bound;
    bottomBound_ = docking.bottomBound;
    return docking.pos - offset;
}

void CListWindow::showEvent(QShowEvent* event) {
    shown_ = true;
    CSkinDialog::showEvent(event);
}

void CListWindow::changeEvent(QEvent* event) {
    CSkinDialog::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        for (CSkinButton* button : std::as_const(buttons_))
            button->update();
    }
}

}  // namespace velotune
