// The volume slider: position 0 at the top and 100 at the bottom, pixels and positions mapping
// onto each other, user moves reported (code moves not), and the bevel's colour steps.
#include "skin/controls/skinslider.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalSpy>

#include "res/resource_ids.h"

namespace velotune {
namespace {

class SkinSliderTest : public ::testing::Test {
protected:
    void SetUp() override {
        // As the main window sets it up: 20 x 72, 0..100, ticks every 10.
        slider_.setGeometry(279, 18, 20, 72);
        slider_.SetBackground(res::kBmpSliderBackground);
        slider_.SetTickFrequency(10);
        slider_.SetThumbColor(QColor(153, 153, 153));
    }

    void Mouse(QEvent::Type type, QPoint pos) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
        QMouseEvent event(type, QPointF(pos), QPointF(slider_.mapToGlobal(pos)),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(&slider_, &event);
    }

    int ThumbCentreY() { return slider_.ThumbRect().top() + CSkinSlider::kThumbLength / 2; }

    CSkinSlider slider_;
};

TEST_F(SkinSliderTest, PositionsRunFromTopToBottom) {
    slider_.setValue(0);
    EXPECT_EQ(slider_.ThumbRect().top(), 0);
    slider_.setValue(100);
    EXPECT_EQ(slider_.ThumbRect().bottom(), 71);
    slider_.setValue(50);
    EXPECT_EQ(slider_.ThumbRect().top(), (72 - CSkinSlider::kThumbLength) / 2);

    EXPECT_EQ(slider_.ValueAt(QPoint(8, -20)), 0);
    EXPECT_EQ(slider_.ValueAt(QPoint(8, CSkinSlider::kThumbLength / 2)), 0);
    EXPECT_EQ(slider_.ValueAt(QPoint(8, 36)), 50);
    EXPECT_EQ(slider_.ValueAt(QPoint(8, 72 - CSkinSlider::kThumbLength / 2)), 100);
    EXPECT_EQ(slider_.ValueAt(QPoint(8, 500)), 100);

    // The thumb of every position points back at that position (64 pixels for 100 positions,
    // so within one).
    for (int v = 0; v <= 100; ++v) {
        slider_.setValue(v);
        EXPECT_NEAR(slider_.ValueAt(QPoint(8, ThumbCentreY())), v, 1) << v;
    }
    // The channel runs between the thumb centres of the two ends, under the thumb.
    const QRect channel = slider_.ChannelRect();
    EXPECT_EQ(channel.top(), CSkinSlider::kThumbLength / 2);
    EXPECT_EQ(channel.height(), 72 - CSkinSlider::kThumbLength);
    EXPECT_TRUE(slider_.ThumbRect().contains(QPoint(channel.center().x(), ThumbCentreY())));
}

TEST_F(SkinSliderTest, UserMovesAreReportedAndCodeMovesAreNot) {
    QSignalSpy scrolled(&slider_, &CSkinSlider::Scrolled);
    slider_.setValue(50);
    EXPECT_EQ(scrolled.count(), 0);

    // Drag the thumb down by 16 pixels: a quarter of the 64-pixel travel.
    const QPoint grab(8, ThumbCentreY());
    Mouse(QEvent::MouseButtonPress, grab);
    EXPECT_TRUE(slider_.isSliderDown());
    Mouse(QEvent::MouseMove, grab + QPoint(0, 16));
    Mouse(QEvent::MouseButtonRelease, grab + QPoint(0, 16));
    EXPECT_FALSE(slider_.isSliderDown());
    EXPECT_EQ(slider_.value(), 75);
    ASSERT_FALSE(scrolled.isEmpty());
    EXPECT_EQ(scrolled.last().at(0).toInt(), 75);

    // A press above the thumb moves one page up.
    scrolled.clear();
    Mouse(QEvent::MouseButtonPress, QPoint(8, 2));
    Mouse(QEvent::MouseButtonRelease, QPoint(8, 2));
    EXPECT_EQ(slider_.value(), 75 - slider_.pageStep());
    EXPECT_EQ(scrolled.count(), 1);

    // Up moves the thumb up (towards 0, the loudest volume).
    const int before = slider_.value();
    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QCoreApplication::sendEvent(&slider_, &up);
    EXPECT_EQ(slider_.value(), before - 1);
    EXPECT_EQ(scrolled.last().at(0).toInt(), before - 1);
}

TEST_F(SkinSliderTest, ColourStepsStayWithinTheScale) {
    EXPECT_EQ(CSkinSlider::Lighter(QColor(153, 153, 153)), QColor(204, 204, 204));
    EXPECT_EQ(CSkinSlider::Lighter(QColor(204, 204, 204)), QColor(255, 255, 255));
    EXPECT_EQ(CSkinSlider::Lighter(QColor(196, 210, 255)), QColor(247, 210, 255));
    EXPECT_EQ(CSkinSlider::Darker(QColor(64, 64, 255)), QColor(13, 13, 204));
    EXPECT_EQ(CSkinSlider::Darker(QColor(13, 51, 50)), QColor(13, 0, 50));
}

TEST_F(SkinSliderTest, DrawsBackgroundAndThumbInItsColours) {
    slider_.setValue(50);
    QImage shot = slider_.grab().toImage();
    const QImage background(res::ResourcePath(res::kBmpSliderBackground));
    EXPECT_EQ(shot.pixelColor(0, 71), background.pixelColor(0, 71));
    const QRect thumb = slider_.ThumbRect();
    const QPoint face(thumb.left() + 3, thumb.top() + 2);
    EXPECT_EQ(shot.pixelColor(face), QColor(153, 153, 153));

    // Held, the thumb is one step darker.
    Mouse(QEvent::MouseButtonPress, QPoint(8, ThumbCentreY()));
    shot = slider_.grab().toImage();
    EXPECT_EQ(shot.pixelColor(face), QColor(102, 102, 102));
    Mouse(QEvent::MouseButtonRelease, QPoint(8, ThumbCentreY()));
}

}  // namespace
}  // namespace velotune
