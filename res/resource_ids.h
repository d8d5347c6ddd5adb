// res/resource_ids.h
//
// The numeric ids of the player's skin images and icons, and the one map from an id to the image
// compiled into the program. Windows ask for artwork by id (the main view is 132, the Play
// button's hover image 139, ...); this header gives each id a name that says what the image is,
// and ResourcePath() turns it into the Qt resource path of the PNG under res/skin/.
//
// The images are painted by tools/skinart, which writes every id in this map; the PNGs are
// checked in so that a build needs no generator run.
//
// Key colours: window skins (main view, minibar, list window) are shaped by magenta
// (255, 0, 255), buttons by pure red (255, 0, 0), the About logo by green (0, 255, 0).
// Pixels within 8 of the key colour in every channel lie outside the shape. The slider
// background and the icons have no key colour.
//
// Threading: everything here is constant data and may be called from any thread; LoadIcon()
// needs a QGuiApplication.
#pragma once

#include <QColor>
#include <QIcon>
#include <QList>
#include <QSize>
#include <QString>

namespace velotune::res {

// ---- Key colours ----------------------------------------------------------------------------
inline constexpr QRgb kKeyWindow = 0xff00ff;  // magenta: outside a window's shape
inline constexpr QRgb kKeyButton = 0xff0000;  // pure red: outside a button's shape
inline constexpr QRgb kKeyLogo = 0x00ff00;    // green: around the About logo

// ---- Window skins ---------------------------------------------------------------------------
inline constexpr int kBmpMinibar = 131;           // 300 x 18, magenta key
inline constexpr int kBmpMainView = 132;          // 300 x 104, magenta key
inline constexpr int kBmpListWindow = 189;        // 300 x 252, magenta key (playlist, file list)
inline constexpr int kBmpAboutLogo = 208;         // green key
inline constexpr int kBmpSliderBackground = 211;  // 30 x 120, no key

// ---- Main view buttons: normal, hover, pressed, disabled ------------------------------------
// The six preset buttons share one set of images.
inline constexpr int kBmpPresetNormal = 133;
inline constexpr int kBmpPresetHover = 135;
inline constexpr int kBmpPresetPressed = 136;
inline constexpr int kBmpPresetDisabled = 137;
inline constexpr int kBmpPlayNormal = 138;
inline constexpr int kBmpPlayHover = 139;
inline constexpr int kBmpPlayPressed = 140;
inline constexpr int kBmpPlayDisabled = 141;
inline constexpr int kBmpPauseNormal = 142;
inline constexpr int kBmpPauseHover = 143;
inline constexpr int kBmpPausePressed = 144;
inline constexpr int kBmpPauseDisabled = 145;
inline constexpr int kBmpStopNormal = 146;
inline constexpr int kBmpStopHover = 147;
inline constexpr int kBmpStopPressed = 148;
inline constexpr int kBmpStopDisabled = 149;
inline constexpr int kBmpInfoNormal = 150;
inline constexpr int kBmpInfoHover = 151;
inline constexpr int kBmpInfoPressed = 152;
inline constexpr int kBmpInfoDisabled = 153;
inline constexpr int kBmpOpenListNormal = 154;
inline constexpr int kBmpOpenListHover = 155;
inline constexpr int kBmpOpenListPressed = 156;
inline constexpr int kBmpOpenListDisabled = 157;
inline constexpr int kBmpPrevNormal = 158;
inline constexpr int kBmpPrevHover = 159;
inline constexpr int kBmpPrevPressed = 160;
inline constexpr int kBmpPrevDisabled = 161;
inline constexpr int kBmpNextNormal = 162;
inline constexpr int kBmpNextHover = 163;
inline constexpr int kBmpNextPressed = 164;
inline constexpr int kBmpNextDisabled = 165;
// "Go to playing station": note the descending ids.
inline constexpr int kBmpCenterNormal = 224;
inline constexpr int kBmpCenterHover = 223;
inline constexpr int kBmpCenterPressed = 222;
inline constexpr int kBmpCenterDisabled = 221;
inline constexpr int kBmpRecordNormal = 235;
inline constexpr int kBmpRecordHover = 236;
inline constexpr int kBmpRecordPressed = 237;
inline constexpr int kBmpRecordDisabled = 238;
inline constexpr int kBmpOpenMenuNormal = 239;  // the "Open..." button
inline constexpr int kBmpOpenMenuHover = 240;
inline constexpr int kBmpOpenMenuPressed = 241;
inline constexpr int kBmpOpenMenuDisabled = 242;

// ---- Window buttons (both layouts) ----------------------------------------------------------
inline constexpr int kBmpMenuNormal = 169;
inline constexpr int kBmpMenuHover = 170;
inline constexpr int kBmpMenuPressed = 171;
inline constexpr int kBmpMenuDisabled = 172;
inline constexpr int kBmpCloseNormal = 173;
inline constexpr int kBmpCloseHover = 174;
inline constexpr int kBmpClosePressed = 175;
inline constexpr int kBmpCloseDisabled = 176;
inline constexpr int kBmpMinimizeNormal = 177;
inline constexpr int kBmpMinimizeHover = 178;
inline constexpr int kBmpMinimizePressed = 179;
inline constexpr int kBmpMinimizeDisabled = 180;
// Shared by "Minibar" (main view) and "Main View" (minibar): the layout toggle.
inline constexpr int kBmpLayoutNormal = 181;
inline constexpr int kBmpLayoutHover = 182;
inline constexpr int kBmpLayoutPressed = 183;
inline constexpr int kBmpLayoutDisabled = 184;

// ---- Minibar transport: one image serves all four states ------------------------------------
inline constexpr int kBmpMiniPlay = 185;
inline constexpr int kBmpMiniStop = 186;
inline constexpr int kBmpMiniNext = 187;
inline constexpr int kBmpMiniPrev = 188;

// ---- List window buttons (playlist and file list) -------------------------------------------
// Close uses the main window's close images.
inline constexpr int kBmpListCloseNormal = kBmpCloseNormal;
inline constexpr int kBmpListCloseHover = kBmpCloseHover;
inline constexpr int kBmpListClosePressed = kBmpClosePressed;
inline constexpr int kBmpListCloseDisabled = kBmpCloseDisabled;
inline constexpr int kBmpListAddNormal = 250;
inline constexpr int kBmpListAddHover = 251;
inline constexpr int kBmpListAddPressed = 252;
inline constexpr int kBmpListAddDisabled = 253;
inline constexpr int kBmpListEditNormal = 254;
inline constexpr int kBmpListEditHover = 255;
inline constexpr int kBmpListEditPressed = 256;
inline constexpr int kBmpListEditDisabled = 257;
inline constexpr int kBmpListRemoveNormal = 258;
inline constexpr int kBmpListRemoveHover = 259;
inline constexpr int kBmpListRemovePressed = 260;
inline constexpr int kBmpListRemoveDisabled = 261;
inline constexpr int kBmpListUpNormal = 262;
inline constexpr int kBmpListUpHover = 263;
inline constexpr int kBmpListUpPressed = 264;
inline constexpr int kBmpListUpDisabled = 265;
inline constexpr int kBmpListDownNormal = 266;
inline constexpr int kBmpListDownHover = 267;
inline constexpr int kBmpListDownPressed = 268;
inline constexpr int kBmpListDownDisabled = 269;

// ---- Icons ----------------------------------------------------------------------------------
inline constexpr int kIconApp = 128;   // window icon (also the tray record's icon id)
inline constexpr int kIconTray = 230;  // notification-area icon

// The resource path (":/skin/...png") of bitmap `id`, or of icon `id` at its largest size.
// Empty for an id that is not in the map.
QString ResourcePath(int id);

// The file of bitmap `id` relative to res/ ("skin/main_view.png"); empty when unknown. The
// generator writes to these files.
QString ResourceFile(int id);

// Every bitmap id in the map, ascending.
QList<int> BitmapIds();

// The sizes (square, ascending) in which icon `id` is drawn; empty when `id` is not an icon.
QList<int> IconSizes(int id);

// The resource path and the file relative to res/ of icon `id` at `size` (one of IconSizes()).
QString IconPath(int id, int size);
QString IconFile(int id, int size);

// Every icon id in the map, ascending.
QList<int> IconIds();

// Icon `id` with all its sizes; a null icon when `id` is unknown.
QIcon LoadIcon(int id);

}  // namespace velotune::res
