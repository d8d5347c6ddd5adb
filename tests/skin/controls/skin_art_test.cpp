// The artwork must fit the windows that use it: every id loads, windows have the sizes their
// layout is built on, and every button placed at its window position lies on the window's shape
// without covering another button, the display line, the slider or the list.
#include <gtest/gtest.h>

#include <QIcon>
#include <array>
#include <map>
#include <set>
#include <vector>

#include "res/resource_ids.h"
#include "skin/controls/skinbitmap.h"

namespace velotune {
namespace {

using namespace res;

struct Placed {
    int id;
    QPoint pos;
};

// Button positions of the main view, the minibar and the list windows.
const std::vector<Placed> kMainView = {
    {kBmpPresetNormal, {44, 84}}, {kBmpPresetNormal, {61, 84}},    {kBmpPresetNormal, {78, 84}},
    {kBmpPresetNormal, {96, 84}}, {kBmpPresetNormal, {113, 84}},   {kBmpPresetNormal, {130, 84}},
    {kBmpPlayNormal, {148, 75}},  {kBmpStopNormal, {174, 75}},     {kBmpRecordNormal, {199, 75}},
    {kBmpInfoNormal, {224, 75}},  {kBmpOpenListNormal, {249, 75}}, {kBmpOpenMenuNormal, {268, 78}},
    {kBmpPrevNormal, {11, 11}},   {kBmpNextNormal, {11, 60}},      {kBmpCenterNormal, {4, 44}},
    {kBmpMenuNormal, {5, 6}},     {kBmpCloseNormal, {283, 6}},     {kBmpMinimizeNormal, {261, 6}},
    {kBmpLayoutNormal, {272, 6}},
};
const std::vector<Placed> kMinibar = {
    {kBmpMiniPlay, {180, 6}},       {kBmpMiniStop, {195, 6}},     {kBmpMiniPrev, {210, 6}},
    {kBmpMiniNext, {225, 6}},       {kBmpMenuNormal, {6, 6}},     {kBmpCloseNormal, {285, 6}},
    {kBmpMinimizeNormal, {261, 6}}, {kBmpLayoutNormal, {273, 6}},
};
const std::vector<Placed> kListWindow = {
    {kBmpListCloseNormal, {286, 7}}, {kBmpListAddNormal, {17, 227}},
    {kBmpListEditNormal, {47, 227}}, {kBmpListRemoveNormal, {76, 227}},
    {kBmpListUpNormal, {226, 224}},  {kBmpListDownNormal, {226, 235}},
};

// The four faces of every button, normal first.
const std::vector<std::array<int, 4>> kButtonFaces = {
    {kBmpPresetNormal, kBmpPresetHover, kBmpPresetPressed, kBmpPresetDisabled},
    {kBmpPlayNormal, kBmpPlayHover, kBmpPlayPressed, kBmpPlayDisabled},
    {kBmpPauseNormal, kBmpPauseHover, kBmpPausePressed, kBmpPauseDisabled},
    {kBmpStopNormal, kBmpStopHover, kBmpStopPressed, kBmpStopDisabled},
    {kBmpRecordNormal, kBmpRecordHover, kBmpRecordPressed, kBmpRecordDisabled},
    {kBmpInfoNormal, kBmpInfoHover, kBmpInfoPressed, kBmpInfoDisabled},
    {kBmpOpenListNormal, kBmpOpenListHover, kBmpOpenListPressed, kBmpOpenListDisabled},
    {kBmpOpenMenuNormal, kBmpOpenMenuHover, kBmpOpenMenuPressed, kBmpOpenMenuDisabled},
    {kBmpPrevNormal, kBmpPrevHover, kBmpPrevPressed, kBmpPrevDisabled},
    {kBmpNextNormal, kBmpNextHover, kBmpNextPressed, kBmpNextDisabled},
    {kBmpCenterNormal, kBmpCenterHover, kBmpCenterPressed, kBmpCenterDisabled},
    {kBmpMenuNormal, kBmpMenuHover, kBmpMenuPressed, kBmpMenuDisabled},
    {kBmpCloseNormal, kBmpCloseHover, kBmpClosePressed, kBmpCloseDisabled},
    {kBmpMinimizeNormal, kBmpMinimizeHover, kBmpMinimizePressed, kBmpMinimizeDisabled},
    {kBmpLayoutNormal, kBmpLayoutHover, kBmpLayoutPressed, kBmpLayoutDisabled},
    {kBmpListAddNormal, kBmpListAddHover, kBmpListAddPressed, kBmpListAddDisabled},
    {kBmpListEditNormal, kBmpListEditHover, kBmpListEditPressed, kBmpListEditDisabled},
    {kBmpListRemoveNormal, kBmpListRemoveHover, kBmpListRemovePressed, kBmpListRemoveDisabled},
    {kBmpListUpNormal, kBmpListUpHover, kBmpListUpPressed, kBmpListUpDisabled},
    {kBmpListDownNormal, kBmpListDownHover, kBmpListDownPressed, kBmpListDownDisabled},
    {kBmpMiniPlay, kBmpMiniPlay, kBmpMiniPlay, kBmpMiniPlay},
    {kBmpMiniStop, kBmpMiniStop, kBmpMiniStop, kBmpMiniStop},
    {kBmpMiniPrev, kBmpMiniPrev, kBmpMiniPrev, kBmpMiniPrev},
    {kBmpMiniNext, kBmpMiniNext, kBmpMiniNext, kBmpMiniNext},
};

QImage Load(int id) {
    CSkinBitmap bitmap;
    EXPECT_TRUE(bitmap.LoadBitmap(id)) << "id " << id;
    return bitmap.Image();
}

QRegion ButtonShape(int id) {
    return BitmapToRegion(Load(id), QColor(kKeyButton));
}

TEST(SkinArtTest, EveryIdLoadsAndWindowsHaveTheirLayoutSizes) {
    const std::map<int, QSize> windows = {
        {kBmpMainView, {300, 104}},        {kBmpMinibar, {300, 18}},   {kBmpListWindow, {300, 252}},
        {kBmpSliderBackground, {30, 120}}, {kBmpAboutLogo, {240, 64}},
    };
    std::set<int> covered;
    for (const auto& [id, size] : windows) {
        EXPECT_EQ(Load(id).size(), size) << "id " << id;
        covered.insert(id);
    }
    for (const auto& faces : kButtonFaces) {
        const QSize size = Load(faces[0]).size();
        EXPECT_FALSE(size.isEmpty());
        for (int id : faces) {
            EXPECT_EQ(Load(id).size(), size) << "id " << id;
            covered.insert(id);
        }
    }
    // Every id of the map is accounted for above, and nothing else is in it.
    const QList<int> ids = BitmapIds();
    EXPECT_EQ(std::set<int>(ids.begin(), ids.end()), covered);
    EXPECT_TRUE(ResourcePath(134).isEmpty());

    for (int id : IconIds()) {
        ASSERT_FALSE(IconSizes(id).isEmpty());
        for (int size : IconSizes(id))
            EXPECT_EQ(QImage(IconPath(id, size)).size(), QSize(size, size)) << id << " " << size;
        EXPECT_FALSE(LoadIcon(id).isNull());
    }
}

TEST(SkinArtTest, ButtonShapesReachTheirImageEdges) {
    // A button's window is its shape's bounding box with the image drawn from its corner, so
    // each shape must touch all four edges of its image or the picture and the shape drift apart.
    for (const auto& faces : kButtonFaces) {
        const QImage image = Load(faces[0]);
        EXPECT_EQ(ButtonShape(faces[0]).boundingRect(), image.rect()) << "id " << faces[0];
    }
}

void ExpectLayoutFits(const char* name, int windowId, const std::vector<Placed>& buttons,
                      const std::vector<QRect>& obstacles) {
    SCOPED_TRACE(name);
    const QRegion window = BitmapToRegion(Load(windowId), QColor(kKeyWindow));
    for (const QRect& r : obstacles)
        EXPECT_EQ(window.intersected(r), QRegion(r)) << "area off the window";
    QRegion taken;
    for (const QRect& r : obstacles)
        taken += r;
    for (const Placed& b : buttons) {
        const QRegion shape = ButtonShape(b.id).translated(b.pos);
        EXPECT_EQ(window.intersected(shape), shape) << "button " << b.id << " off the window";
        EXPECT_TRUE(taken.intersected(shape).isEmpty()) << "button " << b.id << " overlaps";
        taken += shape;
    }
}

TEST(SkinArtTest, ButtonsLieOnTheirWindowWithoutOverlapping) {
    const QRect mainDisplay(22, 41, 252, 21), slider(279, 18, 20, 72);
    ExpectLayoutFits("main view", kBmpMainView, kMainView, {mainDisplay, slider});
    // Pause takes Play's place when shown.
    std::vector<Placed> withPause = kMainView;
    withPause[6] = {kBmpPauseNormal, {148, 75}};
    ExpectLayoutFits("main view paused", kBmpMainView, withPause, {mainDisplay, slider});
    ExpectLayoutFits("minibar", kBmpMinibar, kMinibar, {QRect(46, 4, 132, 8)});
    ExpectLayoutFits("list window", kBmpListWindow, kListWindow, {QRect(10, 28, 280, 188)});
}

}  // namespace
}  // namespace velotune
