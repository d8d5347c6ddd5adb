#include "res/resource_ids.h"

#include <algorithm>
#include <array>
#include <initializer_list>

namespace velotune::res {
namespace {

struct BitmapEntry {
    int id = 0;
    const char* file = nullptr;  // relative to res/
};

// The one table from bitmap ids to files. Button images are named <button>_<state>.
constexpr std::array kBitmaps = {
    BitmapEntry{kBmpMinibar, "skin/minibar.png"},
    BitmapEntry{kBmpMainView, "skin/main_view.png"},
    BitmapEntry{kBmpPresetNormal, "skin/buttons/preset_normal.png"},
    BitmapEntry{kBmpPresetHover, "skin/buttons/preset_hover.png"},
    BitmapEntry{kBmpPresetPressed, "skin/buttons/preset_pressed.png"},
    BitmapEntry{kBmpPresetDisabled, "skin/buttons/preset_disabled.png"},
    BitmapEntry{kBmpPlayNormal, "skin/buttons/play_normal.png"},
    BitmapEntry{kBmpPlayHover, "skin/buttons/play_hover.png"},
    BitmapEntry{kBmpPlayPressed, "skin/buttons/play_pressed.png"},
    BitmapEntry{kBmpPlayDisabled, "skin/buttons/play_disabled.png"},
    BitmapEntry{kBmpPauseNormal, "skin/buttons/pause_normal.png"},
    BitmapEntry{kBmpPauseHover, "skin/buttons/pause_hover.png"},
    BitmapEntry{kBmpPausePressed, "skin/buttons/pause_pressed.png"},
    BitmapEntry{kBmpPauseDisabled, "skin/buttons/pause_disabled.png"},
    BitmapEntry{kBmpStopNormal, "skin/buttons/stop_normal.png"},
    BitmapEntry{kBmpStopHover, "skin/buttons/stop_hover.png"},
    BitmapEntry{kBmpStopPressed, "skin/buttons/stop_pressed.png"},
    BitmapEntry{kBmpStopDisabled, "skin/buttons/stop_disabled.png"},
    BitmapEntry{kBmpInfoNormal, "skin/buttons/info_normal.png"},
    BitmapEntry{kBmpInfoHover, "skin/buttons/info_hover.png"},
    BitmapEntry{kBmpInfoPressed, "skin/buttons/info_pressed.png"},
    BitmapEntry{kBmpInfoDisabled, "skin/buttons/info_disabled.png"},
    BitmapEntry{kBmpOpenListNormal, "skin/buttons/open_list_normal.png"},
    BitmapEntry{kBmpOpenListHover, "skin/buttons/open_list_hover.png"},
    BitmapEntry{kBmpOpenListPressed, "skin/buttons/open_list_pressed.png"},
    BitmapEntry{kBmpOpenListDisabled, "skin/buttons/open_list_disabled.png"},
    BitmapEntry{kBmpPrevNormal, "skin/buttons/prev_normal.png"},
    BitmapEntry{kBmpPrevHover, "skin/buttons/prev_hover.png"},
    BitmapEntry{kBmpPrevPressed, "skin/buttons/prev_pressed.png"},
    BitmapEntry{kBmpPrevDisabled, "skin/buttons/prev_disabled.png"},
    BitmapEntry{kBmpNextNormal, "skin/buttons/next_normal.png"},
    BitmapEntry{kBmpNextHover, "skin/buttons/next_hover.png"},
    BitmapEntry{kBmpNextPressed, "skin/buttons/next_pressed.png"},
    BitmapEntry{kBmpNextDisabled, "skin/buttons/next_disabled.png"},
    BitmapEntry{kBmpMenuNormal, "skin/buttons/menu_normal.png"},
    BitmapEntry{kBmpMenuHover, "skin/buttons/menu_hover.png"},
    BitmapEntry{kBmpMenuPressed, "skin/buttons/menu_pressed.png"},
    BitmapEntry{kBmpMenuDisabled, "skin/buttons/menu_disabled.png"},
    BitmapEntry{kBmpCloseNormal, "skin/buttons/close_normal.png"},
    BitmapEntry{kBmpCloseHover, "skin/buttons/close_hover.png"},
    BitmapEntry{kBmpClosePressed, "skin/buttons/close_pressed.png"},
    BitmapEntry{kBmpCloseDisabled, "skin/buttons/close_disabled.png"},
    BitmapEntry{kBmpMinimizeNormal, "skin/buttons/minimize_normal.png"},
    BitmapEntry{kBmpMinimizeHover, "skin/buttons/minimize_hover.png"},
    BitmapEntry{kBmpMinimizePressed, "skin/buttons/minimize_pressed.png"},
    BitmapEntry{kBmpMinimizeDisabled, "skin/buttons/minimize_disabled.png"},
    BitmapEntry{kBmpLayoutNormal, "skin/buttons/layout_normal.png"},
    BitmapEntry{kBmpLayoutHover, "skin/buttons/layout_hover.png"},
    BitmapEntry{kBmpLayoutPressed, "skin/buttons/layout_pressed.png"},
    BitmapEntry{kBmpLayoutDisabled, "skin/buttons/layout_disabled.png"},
    BitmapEntry{kBmpMiniPlay, "skin/buttons/mini_play.png"},
    BitmapEntry{kBmpMiniStop, "skin/buttons/mini_stop.png"},
    BitmapEntry{kBmpMiniNext, "skin/buttons/mini_next.png"},
    BitmapEntry{kBmpMiniPrev, "skin/buttons/mini_prev.png"},
    BitmapEntry{kBmpListWindow, "skin/list_window.png"},
    BitmapEntry{kBmpAboutLogo, "skin/about_logo.png"},
    BitmapEntry{kBmpSliderBackground, "skin/slider_background.png"},
    BitmapEntry{kBmpCenterDisabled, "skin/buttons/center_disabled.png"},
    BitmapEntry{kBmpCenterPressed, "skin/buttons/center_pressed.png"},
    BitmapEntry{kBmpCenterHover, "skin/buttons/center_hover.png"},
    BitmapEntry{kBmpCenterNormal, "skin/buttons/center_normal.png"},
    BitmapEntry{kBmpRecordNormal, "skin/buttons/record_normal.png"},
    BitmapEntry{kBmpRecordHover, "skin/buttons/record_hover.png"},
    BitmapEntry{kBmpRecordPressed, "skin/buttons/record_pressed.png"},
    BitmapEntry{kBmpRecordDisabled, "skin/buttons/record_disabled.png"},
    BitmapEntry{kBmpOpenMenuNormal, "skin/buttons/open_menu_normal.png"},
    BitmapEntry{kBmpOpenMenuHover, "skin/buttons/open_menu_hover.png"},
    BitmapEntry{kBmpOpenMenuPressed, "skin/buttons/open_menu_pressed.png"},
    BitmapEntry{kBmpOpenMenuDisabled, "skin/buttons/open_menu_disabled.png"},
    BitmapEntry{kBmpListAddNormal, "skin/buttons/list_add_normal.png"},
    BitmapEntry{kBmpListAddHover, "skin/buttons/list_add_hover.png"},
    BitmapEntry{kBmpListAddPressed, "skin/buttons/list_add_pressed.png"},
    BitmapEntry{kBmpListAddDisabled, "skin/buttons/list_add_disabled.png"},
    BitmapEntry{kBmpListEditNormal, "skin/buttons/list_edit_normal.png"},
    BitmapEntry{kBmpListEditHover, "skin/buttons/list_edit_hover.png"},
    BitmapEntry{kBmpListEditPressed, "skin/buttons/list_edit_pressed.png"},
    BitmapEntry{kBmpListEditDisabled, "skin/buttons/list_edit_disabled.png"},
    BitmapEntry{kBmpListRemoveNormal, "skin/buttons/list_remove_normal.png"},
    BitmapEntry{kBmpListRemoveHover, "skin/buttons/list_remove_hover.png"},
    BitmapEntry{kBmpListRemovePressed, "skin/buttons/list_remove_pressed.png"},
    BitmapEntry{kBmpListRemoveDisabled, "skin/buttons/list_remove_disabled.png"},
    BitmapEntry{kBmpListUpNormal, "skin/buttons/list_up_normal.png"},
    BitmapEntry{kBmpListUpHover, "skin/buttons/list_up_hover.png"},
    BitmapEntry{kBmpListUpPressed, "skin/buttons/list_up_pressed.png"},
    BitmapEntry{kBmpListUpDisabled, "skin/buttons/list_up_disabled.png"},
    BitmapEntry{kBmpListDownNormal, "skin/buttons/list_down_normal.png"},
    BitmapEntry{kBmpListDownHover, "skin/buttons/list_down_hover.png"},
    BitmapEntry{kBmpListDownPressed, "skin/buttons/list_down_pressed.png"},
    BitmapEntry{kBmpListDownDisabled, "skin/buttons/list_down_disabled.png"},
};

struct IconEntry {
    int id = 0;
    const char* stem = nullptr;  // "skin/icons/app" -> skin/icons/app_32.png
    std::initializer_list<int> sizes;
};

const std::array kIcons = {
    IconEntry{kIconApp, "skin/icons/app", {16, 22, 24, 32, 48, 64, 128, 256}},
    IconEntry{kIconTray, "skin/icons/tray", {16, 22, 24, 32, 48, 64}},
};

const BitmapEntry* FindBitmap(int id) {
    const auto it = std::find_if(kBitmaps.begin(), kBitmaps.end(),
                                 [id](const BitmapEntry& e) { return e.id == id; });
    return it == kBitmaps.end() ? nullptr : &*it;
}

const IconEntry* FindIcon(int id) {
    const auto it =
        std::find_if(kIcons.begin(), kIcons.end(), [id](const IconEntry& e) { return e.id == id; });
    return it == kIcons.end() ? nullptr : &*it;
}

QString QrcPath(const QString& file) {
    return file.isEmpty() ? QString() : QStringLiteral(":/") + file;
}

}  // namespace

QString ResourceFile(int id) {
    const BitmapEntry* entry = FindBitmap(id);
    return entry ? QString::fromLatin1(entry->file) : QString();
}

QString ResourcePath(int id) {
    if (FindBitmap(id))
        return QrcPath(ResourceFile(id));
    const QList<int> sizes = IconSizes(id);
    return sizes.isEmpty() ? QString() : IconPath(id, sizes.last());
}

QList<int> BitmapIds() {
    QList<int> ids;
    for (const BitmapEntry& e : kBitmaps)
        ids.append(e.id);
    std::sort(ids.begin(), ids.end());
    return ids;
}

QList<int> IconSizes(int id) {
    const IconEntry* entry = FindIcon(id);
    return entry ? QList<int>(entry->sizes.begin(), entry->sizes.end()) : QList<int>();
}

QString IconFile(int id, int size) {
    const IconEntry* entry = FindIcon(id);
    if (!entry || std::find(entry->sizes.begin(), entry->sizes.end(), size) == entry->sizes.end())
        return QString();
    return QStringLiteral("%1_%2.png").arg(QString::fromLatin1(entry->stem)).arg(size);
}

QString IconPath(int id, int size) {
    return QrcPath(IconFile(id, size));
}

QList<int> IconIds() {
    QList<int> ids;
    for (const IconEntry& e : kIcons)
        ids.append(e.id);
    std::sort(ids.begin(), ids.end());
    return ids;
}

QIcon LoadIcon(int id) {
    QIcon icon;
    for (int size : IconSizes(id))
        icon.addFile(IconPath(id, size), QSize(size, size));
    return icon;
}

}  // namespace velotune::res
