// The marquee: two pixels a tick, characters entering one after another and the text starting
// over with its first character; restarts and odd inputs must not break the rhythm.
#include "skin/controls/scrollingtext.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QPainter>
#include <QTest>

namespace velotune {
namespace {

class ScrollingTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        marquee_.resize(60, 20);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(14);
        marquee_.SetFont(font);
    }

    // Ticks until a character enters (the next index changes) and returns the new index.
    int TicksUntilNextChar(int* ticks) {
        const int before = marquee_.NextCharIndex();
        *ticks = 0;
        while (marquee_.NextCharIndex() == before && *ticks < 100) {
            marquee_.Tick();
            ++*ticks;
        }
        return marquee_.NextCharIndex();
    }

    CScrollingText marquee_;
};

TEST_F(ScrollingTextTest, FrameMovesTwoPixelsLeftEveryTick) {
    marquee_.SetText(QStringLiteral("Velotune - 100% Internet Radio"));
    marquee_.StartScrolling();
    for (int i = 0; i < 12; ++i)
        marquee_.Tick();
    ASSERT_FALSE(marquee_.Frame().isNull());
    ASSERT_EQ(marquee_.Frame().size(), marquee_.size());

    for (int i = 0; i < 20; ++i) {
        const QImage before = marquee_.Frame().copy();
        marquee_.Tick();
        const QImage after = marquee_.Frame();
        // Everything except the two columns that came in from the right is the old frame
        // moved two pixels to the left.
        EXPECT_EQ(after.copy(0, 0, 58, 20), before.copy(2, 0, 58, 20)) << "tick " << i;
    }
    // The text is drawn: something other than the background shows.
    const QImage frame = marquee_.Frame();
    bool lit = false;
    for (int y = 0; y < frame.height() && !lit; ++y)
        for (int x = 0; x < frame.width() && !lit; ++x)
            lit = frame.pixelColor(x, y) != QColor(Qt::black);
    EXPECT_TRUE(lit);
}

TEST_F(ScrollingTextTest, CharactersEnterInTurnAndTheTextStartsOver) {
    marquee_.SetText(QStringLiteral("MW"));
    marquee_.StartScrolling();
    EXPECT_EQ(marquee_.NextCharIndex(), 0);

    marquee_.Tick();  // 'M' enters
    EXPECT_EQ(marquee_.NextCharIndex(), 1);
    const int mWidth = QFontMetrics(marquee_.Font()).horizontalAdvance(QLatin1Char('M'));
    EXPECT_EQ(marquee_.RemainingPixels(), mWidth - 1 - 2);

    int ticks = 0;
    EXPECT_EQ(TicksUntilNextChar(&ticks), 2);  // 'W' enters once 'M' has scrolled in
    // A character w pixels wide takes ceil((w - 1) / 2) ticks of two pixels.
    EXPECT_EQ(ticks, mWidth / 2);
    EXPECT_EQ(TicksUntilNextChar(&ticks), 1);  // then 'M' again
    EXPECT_EQ(TicksUntilNextChar(&ticks), 2);
}

TEST_F(ScrollingTextTest, NewTextRestartsFromItsFirstCharacter) {
    marquee_.SetText(QStringLiteral("abcdef"));
    marquee_.StartScrolling();
    for (int i = 0; i < 30; ++i)
        marquee_.Tick();
    ASSERT_GT(marquee_.NextCharIndex(), 1);

    marquee_.SetText(QStringLiteral("Buffering"));
    EXPECT_EQ(marquee_.NextCharIndex(), 0);
    EXPECT_TRUE(marquee_.IsScrolling());
    marquee_.Tick();  // rebuilds the images only
    EXPECT_EQ(marquee_.NextCharIndex(), 0);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x)
            ASSERT_EQ(marquee_.Frame().pixelColor(x, y), QColor(Qt::black));
    marquee_.Tick();
    EXPECT_EQ(marquee_.NextCharIndex(), 1);
}

TEST_F(ScrollingTextTest, StoppedOrEmptyMarqueeDoesNotAdvance) {
    marquee_.SetText(QStringLiteral("abc"));
    marquee_.Tick();
    marquee_.Tick();
    EXPECT_EQ(marquee_.NextCharIndex(), 0);  // never started

    marquee_.SetText(QString());
    marquee_.StartScrolling();
    for (int i = 0; i < 5; ++i)
        marquee_.Tick();
    EXPECT_EQ(marquee_.NextCharIndex(), 0);
    marquee_.StopScrolling();
    EXPECT_FALSE(marquee_.IsScrolling());
}

TEST_F(ScrollingTextTest, ShowingTheControlDoesNotRestartIt) {
    // A layout set up before the window is shown: the control's resize arrives with the show.
    marquee_.SetText(QStringLiteral("abc"));
    marquee_.StartScrolling();
    marquee_.Tick();
    const int remaining = marquee_.RemainingPixels();
    marquee_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&marquee_));
    marquee_.Tick();
    EXPECT_EQ(marquee_.NextCharIndex(), 1);
    EXPECT_EQ(marquee_.RemainingPixels(), remaining - 2);
}

TEST_F(ScrollingTextTest, TimerDrivesTheTicksAtTheScrollPeriod) {
    marquee_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&marquee_));
    marquee_.SetScrollPeriod(5);
    marquee_.SetText(QStringLiteral("ab"));
    marquee_.StartScrolling();
    EXPECT_TRUE(QTest::qWaitFor([this] { return marquee_.NextCharIndex() == 2; }, 10000));
    marquee_.StopScrolling();
    const int index = marquee_.NextCharIndex();
    const int remaining = marquee_.RemainingPixels();
    QTest::qWait(30);
    EXPECT_EQ(marquee_.NextCharIndex(), index);
    EXPECT_EQ(marquee_.RemainingPixels(), remaining);
}

// A window that counts its own paint events, with a marquee on it as the player's display line.
class CountingWindow : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override {
        ++paints;
        QPainter(this).fillRect(rect(), Qt::darkGray);
    }
};

// Each tick repaints the marquee's own rectangle and nothing of the window around it; a hidden
// window's marquee does not tick, not even when restarted meanwhile, and goes on once shown.
TEST(ScrollingTextOnScreenTest, RepaintsOnlyItselfAndRestsWhileHidden) {
    CountingWindow window;
    window.resize(200, 80);
    auto* marquee = new CScrollingText(&window);
    marquee->setGeometry(20, 30, 120, 20);
    int marqueePaints = 0;
    struct Spy : QObject {
        int* count;
        explicit Spy(int* c) : count(c) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint)
                ++*count;
            return false;
        }
    } spy(&marqueePaints);
    marquee->installEventFilter(&spy);
    marquee->SetScrollPeriod(5);
    marquee->SetText(QStringLiteral("abc   "));
    marquee->StartScrolling();

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(QTest::qWaitFor([&] { return marquee->NextCharIndex() >= 2; }, 10000));
    const int windowPaints = window.paints;
    const int before = marqueePaints;
    ASSERT_TRUE(QTest::qWaitFor([&] { return marqueePaints >= before + 5; }, 10000));
    EXPECT_EQ(window.paints, windowPaints);

    window.hide();
    const int index = marquee->NextCharIndex();
    const int remaining = marquee->RemainingPixels();
    QTest::qWait(40);
    EXPECT_EQ(marquee->NextCharIndex(), index);
    EXPECT_EQ(marquee->RemainingPixels(), remaining);
    marquee->SetText(QStringLiteral("xyz   "));
    marquee->StartScrolling();
    QTest::qWait(40);
    EXPECT_EQ(marquee->NextCharIndex(), 0);
    EXPECT_TRUE(marquee->IsScrolling());

    window.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return marquee->NextCharIndex() >= 2; }, 10000));
}

}  // namespace
}  // namespace velotune
