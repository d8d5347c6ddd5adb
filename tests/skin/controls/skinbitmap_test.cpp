// Shapes cut from images: the region must follow the key colour exactly, tolerance included,
// or windows show key-coloured fringes or lose their edges.
#include "skin/controls/skinbitmap.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include <functional>

#include "res/resource_ids.h"
#include "skin/controls/skindialog.h"

namespace velotune {
namespace {

const QColor kMagenta(255, 0, 255);

// Every pixel of `image` inside `region` is exactly the set `inside` says.
void ExpectRegionMatches(const QRegion& region, const QImage& image,
                         const std::function<bool(int, int)>& inside) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(region.contains(QPoint(x, y)), inside(x, y)) << "at " << x << "," << y;
}

TEST(BitmapToRegionTest, AnImageOfOnlyTheKeyColourHasNoShape) {
    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(kMagenta);
    EXPECT_TRUE(BitmapToRegion(image, kMagenta).isEmpty());
    EXPECT_TRUE(BitmapToRegion(QImage(), kMagenta).isEmpty());

    QImage clear(30, 20, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    EXPECT_TRUE(BitmapToRegion(clear, kMagenta).isEmpty());
}

TEST(BitmapToRegionTest, PixelsWithinEightOfTheKeyAreOutsideAndNoOthers) {
    QImage image(12, 6, QImage::Format_RGB32);
    image.fill(kMagenta);
    QPainter(&image).fillRect(QRect(3, 1, 6, 4), QColor(40, 50, 60));
    // Near the key on every channel: outside. One channel a step too far: inside.
    image.setPixel(0, 0, qRgb(247, 8, 247));
    image.setPixel(1, 0, qRgb(255, 3, 250));
    image.setPixel(0, 5, qRgb(246, 0, 255));
    image.setPixel(1, 5, qRgb(255, 9, 255));
    image.setPixel(2, 5, qRgb(255, 0, 246));

    const QRegion region = BitmapToRegion(image, kMagenta);
    ExpectRegionMatches(region, image, [](int x, int y) {
        if (y == 5 && x <= 2)
            return true;
        return x >= 3 && x < 9 && y >= 1 && y < 5;
    });
    EXPECT_EQ(region.boundingRect(), QRect(0, 1, 9, 5));
}

TEST(BitmapToRegionTest, ToleranceRangeIsClampedAtBothEndsOfTheScale) {
    // Green key: 255 + 8 and 0 - 8 leave the scale; the clamped range still catches 247..255.
    QImage image(4, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(0, 255, 0));
    image.setPixel(1, 0, qRgb(8, 247, 8));
    image.setPixel(2, 0, qRgb(0, 246, 0));
    image.setPixel(3, 0, qRgb(9, 255, 0));
    const QRegion region = BitmapToRegion(image, QColor(0, 255, 0));
    EXPECT_EQ(region, QRegion(2, 0, 2, 1));
}

TEST(BitmapToRegionTest, ManyRunsAcrossBatchesGiveTheExactShape) {
    // 80 runs a row over 120 rows: thousands of runs, so the shape is united from several
    // batches; every pixel must still land on the right side.
    QImage image(160, 120, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, (x + y) % 2 ? qRgb(255, 0, 255) : qRgb(10, 20, 30));
    const QRegion region = BitmapToRegion(image, kMagenta);
    ExpectRegionMatches(region, image, [](int x, int y) { return (x + y) % 2 == 0; });
}

TEST(SkinDialogTest, SetSkinShapesAndSizesTheWindowOrReportsFailure) {
    CSkinDialog dialog;
    ASSERT_EQ(dialog.SetSkin(res::kBmpMainView, kMagenta), 1);
    EXPECT_EQ(dialog.size(), QSize(300, 104));
    EXPECT_EQ(dialog.mask(), dialog.SkinRegion());
    // Rounded corners: the corner pixel is cut away, the middle is not.
    EXPECT_FALSE(dialog.SkinRegion().contains(QPoint(0, 0)));
    EXPECT_TRUE(dialog.SkinRegion().contains(QPoint(150, 52)));

    // An image of nothing but the key colour is refused; the window keeps its skin.
    const QString path = QDir::temp().filePath(QStringLiteral("all_key.png"));
    QImage empty(40, 40, QImage::Format_RGB32);
    empty.fill(kMagenta);
    ASSERT_TRUE(empty.save(path));
    EXPECT_EQ(dialog.SetSkin(path, kMagenta), 0);
    EXPECT_EQ(dialog.SetSkin(9999, kMagenta), 0);
    EXPECT_EQ(dialog.size(), QSize(300, 104));

    // Switching layouts resizes in place.
    const QPoint where = dialog.pos();
    ASSERT_EQ(dialog.SetSkin(res::kBmpMinibar, kMagenta), 1);
    EXPECT_EQ(dialog.size(), QSize(300, 18));
    EXPECT_EQ(dialog.pos(), where);
}

// A window that snaps its x to multiples of 10, as the main window snaps to edges.
class SnappingDialog : public CSkinDialog {
public:
    int adjustCalls = 0;

protected:
    QPoint AdjustPosition(QPoint proposed) override {
        ++adjustCalls;
        return QPoint(proposed.x() / 10 * 10, proposed.y());
    }
};

void SendMouse(QWidget* w, QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
    const QPointF global = w->mapToGlobal(QPointF(local));
    QMouseEvent event(type, QPointF(local), global,
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(w, &event);
}

TEST(SkinDialogTest, DraggingTheBodyMovesTheWindowThroughAdjustPosition) {
    SnappingDialog dialog;
    ASSERT_EQ(dialog.SetSkin(res::kBmpMainView, kMagenta), 1);
    dialog.move(100, 100);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QPoint start = dialog.pos();

    SendMouse(&dialog, QEvent::MouseButtonPress, QPoint(50, 50), Qt::LeftButton);
    EXPECT_TRUE(dialog.IsDragging());
    // Global position of the grab point moves by (37, 12): the window follows, its x snapped.
    const QPoint grabGlobal = dialog.mapToGlobal(QPoint(50, 50));
    QMouseEvent move(QEvent::MouseMove, QPointF(50, 50), QPointF(grabGlobal + QPoint(37, 12)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&dialog, &move);
    EXPECT_EQ(dialog.pos(), QPoint((start.x() + 37) / 10 * 10, start.y() + 12));
    EXPECT_EQ(dialog.adjustCalls, 1);
    EXPECT_EQ(dialog.size(), QSize(300, 104));

    SendMouse(&dialog, QEvent::MouseButtonRelease, QPoint(50, 50), Qt::NoButton);
    EXPECT_FALSE(dialog.IsDragging());
    const QPoint after = dialog.pos();
    SendMouse(&dialog, QEvent::MouseMove, QPoint(90, 60), Qt::NoButton);
    EXPECT_EQ(dialog.pos(), after);
}

}  // namespace
}  // namespace velotune
