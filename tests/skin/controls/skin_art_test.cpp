// The artwork must fit the windows that use it: every id loads, windows have the sizes their
// layout is built on, and every button's shape fills its image.
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

}  // namespace
}  // namespace velotune
