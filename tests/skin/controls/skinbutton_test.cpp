// Skin buttons: shape-true hover and hit testing, the face for each state, double-clicks that
// count, disabled buttons that stay inert, and Create's failure paths.
#include "skin/controls/skinbutton.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QImage>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include "res/resource_ids.h"
#include "tests/support/test_env.h"

namespace velotune {
namespace {

const QColor kRed(255, 0, 0);
const QColor kNormal(0x20, 0x40, 0x60), kHover(0x30, 0x90, 0x30), kPressed(0x90, 0x30, 0x30),
    kDisabled(0x50, 0x50, 0x50);

// A 20 x 20 button whose shape is a disc of radius 10: the corners are outside the shape.
class SkinButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = test::MakeTempDir(QStringLiteral("button"));
        normal_ = Face(QStringLiteral("normal"), kNormal);
        hover_ = Face(QStringLiteral("hover"), kHover);
        pressed_ = Face(QStringLiteral("pressed"), kPressed);
        disabled_ = Face(QStringLiteral("disabled"), kDisabled);
        ASSERT_EQ(button_.Create(QStringLiteral("Play"), CSkinButton::Show::Visible, normal_,
                                 hover_, pressed_, disabled_, kRed, &parent_, 1551),
                  1);
        button_.move(10, 10);
        parent_.resize(60, 60);
    }

    QString Face(const QString& name, QColor color) {
        QImage image(20, 20, QImage::Format_RGB32);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                const double dx = x + 0.5 - 10, dy = y + 0.5 - 10;
                image.setPixelColor(x, y, dx * dx + dy * dy <= 100 ? color : kRed);
            }
        const QString path = dir_ + QLatin1Char('/') + name + QStringLiteral(".png");
        EXPECT_TRUE(image.save(path));
        return path;
    }

    void Send(QEvent::Type type, QPoint pos, Qt::MouseButton button = Qt::LeftButton) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease || type == QEvent::MouseMove
                ? Qt::NoButton
                : Qt::MouseButtons(button);
        QMouseEvent event(type, QPointF(pos), QPointF(button_.mapToGlobal(pos)),
                          type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(&button_, &event);
    }

    QColor CentreColour() { return button_.grab().toImage().pixelColor(10, 10); }

    QString dir_, normal_, hover_, pressed_, disabled_;
    QWidget parent_;
    CSkinButton button_;
};

TEST_F(SkinButtonTest, CreateShapesTheButtonOrFailsForMissingImagesOrAnEmptyShape) {
    EXPECT_EQ(button_.size(), QSize(20, 20));
    EXPECT_TRUE(button_.ShapeRegion().contains(QPoint(10, 10)));
    EXPECT_FALSE(button_.ShapeRegion().contains(QPoint(1, 1)));
    EXPECT_EQ(button_.mask(), button_.ShapeRegion());
    EXPECT_FALSE(button_.isHidden());

    CSkinButton hidden;
    ASSERT_EQ(hidden.Create(QStringLiteral("Pause"), CSkinButton::Show::Hidden, normal_, hover_,
                            pressed_, disabled_, kRed, &parent_, 1557),
              1);
    EXPECT_TRUE(hidden.isHidden());

    CSkinButton missing;
    EXPECT_EQ(
        missing.Create(QStringLiteral("X"), CSkinButton::Show::Visible, normal_,
                       dir_ + QStringLiteral("/none.png"), pressed_, disabled_, kRed, &parent_, 1),
        0);
    EXPECT_EQ(missing.Create(QStringLiteral("X"), CSkinButton::Show::Visible, 138, 139, 140, 9999,
                             kRed, &parent_, 1),
              0);
    EXPECT_TRUE(missing.isHidden());

    QImage allKey(20, 20, QImage::Format_RGB32);
    allKey.fill(kRed);
    const QString keyPath = dir_ + QStringLiteral("/key.png");
    ASSERT_TRUE(allKey.save(keyPath));
    CSkinButton empty;
    EXPECT_EQ(empty.Create(QStringLiteral("X"), CSkinButton::Show::Visible, keyPath, hover_,
                           pressed_, disabled_, kRed, &parent_, 1),
              0);

    // The compiled-in images work by id.
    CSkinButton play;
    EXPECT_EQ(play.Create(QStringLiteral("Play"), CSkinButton::Show::Visible, res::kBmpPlayNormal,
                          res::kBmpPlayHover, res::kBmpPlayPressed, res::kBmpPlayDisabled, kRed,
                          &parent_, 1551),
              1);
}

TEST_F(SkinButtonTest, HoverFollowsTheShapeNotTheRectangle) {
    Send(QEvent::MouseMove, QPoint(10, 10));
    EXPECT_TRUE(button_.IsHover());
    EXPECT_EQ(CentreColour(), kHover);

    // Still inside the button's rectangle, but off the disc.
    Send(QEvent::MouseMove, QPoint(1, 1));
    EXPECT_FALSE(button_.IsHover());
    EXPECT_EQ(CentreColour(), kNormal);

    Send(QEvent::MouseMove, QPoint(12, 8));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&button_, &leave);
    EXPECT_FALSE(button_.IsHover());
}

TEST_F(SkinButtonTest, ClicksCountOnTheShapeOnlyAndDoubleClicksCountTwice) {
    QSignalSpy clicked(&button_, &QAbstractButton::clicked);
    QCursor::setPos(button_.mapToGlobal(QPoint(10, 10)));

    Send(QEvent::MouseButtonPress, QPoint(10, 10));
    EXPECT_EQ(CentreColour(), kPressed);
    Send(QEvent::MouseButtonRelease, QPoint(10, 10));
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_TRUE(button_.IsHover());  // released over the shape

    // A press in a corner of the rectangle is beside the shape.
    Send(QEvent::MouseButtonPress, QPoint(1, 1));
    Send(QEvent::MouseButtonRelease, QPoint(1, 1));
    EXPECT_EQ(clicked.count(), 1);

    // What a double-click delivers: press, release, double-click, release.
    clicked.clear();
    Send(QEvent::MouseButtonPress, QPoint(10, 10));
    Send(QEvent::MouseButtonRelease, QPoint(10, 10));
    Send(QEvent::MouseButtonDblClick, QPoint(10, 10));
    Send(QEvent::MouseButtonRelease, QPoint(10, 10));
    EXPECT_EQ(clicked.count(), 2);
}

// A click that runs a dialog or a popup menu, or a window that loses the activation to one,
// takes the pointer away without a leave event: the hover face must not stay behind.
TEST_F(SkinButtonTest, HoverClearsWhenADialogOrPopupTakesThePointerAway) {
    QCursor::setPos(button_.mapToGlobal(QPoint(10, 10)));
    QObject::connect(&button_, &QAbstractButton::clicked, [this] {
        QCursor::setPos(button_.mapToGlobal(QPoint(200, 200)));  // where the dialog was
    });
    Send(QEvent::MouseMove, QPoint(10, 10));
    Send(QEvent::MouseButtonPress, QPoint(10, 10));
    Send(QEvent::MouseButtonRelease, QPoint(10, 10));
    EXPECT_FALSE(button_.IsHover());
    EXPECT_EQ(CentreColour(), kNormal);

    parent_.show();
    parent_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&parent_));
    Send(QEvent::MouseMove, QPoint(10, 10));
    ASSERT_TRUE(button_.IsHover());
    QWidget dialog;
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_FALSE(button_.IsHover());
}

TEST_F(SkinButtonTest, DisabledButtonShowsItsFaceAndIgnoresTheMouse) {
    QSignalSpy clicked(&button_, &QAbstractButton::clicked);
    Send(QEvent::MouseMove, QPoint(10, 10));
    button_.setEnabled(false);
    EXPECT_FALSE(button_.IsHover());
    EXPECT_EQ(CentreColour(), kDisabled);

    Send(QEvent::MouseButtonPress, QPoint(10, 10));
    Send(QEvent::MouseButtonRelease, QPoint(10, 10));
    Send(QEvent::MouseButtonDblClick, QPoint(10, 10));
    EXPECT_EQ(clicked.count(), 0);

    button_.setEnabled(true);
    EXPECT_EQ(CentreColour(), kNormal);
}

TEST_F(SkinButtonTest, TooltipShowsOnlyOnceActivated) {
    button_.SetTooltipText(QStringLiteral("Preset One"), false);
    EXPECT_TRUE(button_.toolTip().isEmpty());
    EXPECT_EQ(button_.TooltipText(), QStringLiteral("Preset One"));
    button_.SetTooltipText(QStringLiteral("Preset One"));
    EXPECT_EQ(button_.toolTip(), QStringLiteral("Preset One"));
    // Once active, a later text shows even without asking again.
    button_.SetTooltipText(QStringLiteral("Radio Paradise"), false);
    EXPECT_EQ(button_.toolTip(), QStringLiteral("Radio Paradise"));
}

}  // namespace
}  // namespace velotune
