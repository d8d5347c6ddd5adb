// skin/controls/scrollingtext.h
//
// CScrollingText is the one-line marquee of the player's display: the text enters at the right
// edge one character at a time and moves 2 pixels to the left on every tick of its timer,
// starting again with the first character after the last. Owners append a gap of spaces to the
// text so that the end and the start do not run together.
//
// Each tick draws into two off-screen images, a strip (as wide as the control plus the font's
// widest character, as high as the font) where characters enter, and a frame the size of the
// control, which is what gets painted; the screen gets one finished frame per tick, and only the
// control's own rectangle is repainted (it is opaque, so nothing behind it is drawn).
//
// Threading: user-interface thread only; the timer is a Qt timer of this widget.
#pragma once

#include <QBasicTimer>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <QWidget>

namespace velotune {

class CScrollingText : public QWidget {
    Q_OBJECT

public:
    static constexpr int kDefaultPeriodMs = 50;
    static constexpr int kStepPixels = 2;

    explicit CScrollingText(QWidget* parent = nullptr);
    ~CScrollingText() override;

    // Replaces the text and starts again from its first character; a running marquee keeps
    // running and rebuilds its images on the next tick.
    void SetText(const QString& text);
    QString Text() const { return text_; }

    // The same restart with a new font.
    void SetFont(const QFont& font);
    QFont Font() const { return font_; }

    // Milliseconds between ticks (default 50); takes effect at the next StartScrolling().
    void SetScrollPeriod(int milliseconds);
    int ScrollPeriod() const { return periodMs_; }

    // Text colour (default R 240, G 240, B 255) and background colour (default black); take
    // effect when the images are next built.
    void SetTextColor(QColor color);
    void SetBackgroundColor(QColor color);
    QColor TextColor() const { return textColor_; }
    QColor BackgroundColor() const { return backgroundColor_; }

    // Stops a running timer, builds the off-screen images and starts the timer with the scroll
    // period. The timer only runs while the control is on screen: hiding or minimising it
    // pauses the marquee, showing it again goes on with the same period.
    void StartScrolling();
    // Stops the timer; the last frame stays on screen.
    void StopScrolling();
    bool IsScrolling() const { return running_; }

    // One step of the marquee; the timer calls it every period. While the images are not built
    // or the marquee is stopped it only builds the images.
    void Tick();

    // The frame last drawn (the control's size), the index of the character that enters next
    // and the pixels of the entering character still to scroll in.
    const QImage& Frame() const { return frame_; }
    int NextCharIndex() const { return nextChar_; }
    int RemainingPixels() const { return remaining_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Build();
    void Restart();

    QString text_;
    QFont font_;
    int periodMs_ = kDefaultPeriodMs;
    int activePeriodMs_ = kDefaultPeriodMs;  // the period of the last StartScrolling()
    QColor textColor_{240, 240, 255};
    QColor backgroundColor_{Qt::black};
    int nextChar_ = 0;
    int remaining_ = 0;
    bool built_ = false;
    bool running_ = false;
    bool onScreen_ = false;  // between a show event and a hide event
    QBasicTimer timer_;
    QImage strip_;
    QImage frame_;
};

}  // namespace velotune
