#include "skin/controls/scrollingtext.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTimerEvent>
#include <algorithm>
#include <cstring>

namespace velotune {

CScrollingText::CScrollingText(QWidget* parent) : QWidget(parent), font_(QWidget::font()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CScrollingText::~CScrollingText() {
    StopScrolling();
}

void CScrollingText::Restart() {
    nextChar_ = 0;
    remaining_ = 0;
    built_ = false;
}

void CScrollingText::SetText(const QString& text) {
    text_ = text;
    Restart();
}

void CScrollingText::SetFont(const QFont& font) {
    font_ = font;
    Restart();
}

void CScrollingText::SetScrollPeriod(int milliseconds) {
    periodMs_ = milliseconds > 0 ? milliseconds : kDefaultPeriodMs;
}

void CScrollingText::SetTextColor(QColor color) {
    textColor_ = color;
}

void CScrollingText::SetBackgroundColor(QColor color) {
    backgroundColor_ = color;
}

void CScrollingText::StartScrolling() {
    timer_.stop();
    Build();
    running_ = true;
    activePeriodMs_ = periodMs_;
    if (onScreen_)
        timer_.start(activePeriodMs_, this);
}

void CScrollingText::StopScrolling() {
    timer_.stop();
    running_ = false;
}

void CScrollingText::Build() {
    const QFontMetrics fm(font_);
    const int stripWidth = width() + fm.maxWidth();
    strip_ = QImage(std::max(stripWidth, 1), std::max(fm.height(), 1), QImage::Format_RGB32);
    strip_.fill(backgroundColor_);
    frame_ = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    frame_.fill(backgroundColor_);
    // The strip starts empty, so whatever was entering is gone: the next tick brings in the
    // next character.
    remaining_ = 0;
    built_ = true;
}

void CScrollingText::Tick() {
    if (!built_ || !running_) {
        Build();
        return;
    }

    const int visible = width();
    if (remaining_ <= 0 && !text_.isEmpty()) {
        if (nextChar_ >= text_.size())
            nextChar_ = 0;
        const QChar ch = text_.at(nextChar_++);
        const QFontMetrics fm(font_);
        QPainter painter(&strip_);
        painter.fillRect(QRect(visible, 0, strip_.width() - visible, strip_.height()),
                         backgroundColor_);
        painter.setFont(font_);
        painter.setPen(textColor_);
        painter.drawText(QPoint(visible, fm.ascent()), QString(ch));
        remaining_ = fm.horizontalAdvance(ch) - 1;
    }

    // Shift the strip left; the columns it leaves behind at the right get the background.
    const int w = strip_.width();
    const int shift = std::min(kStepPixels, w);
    const QRgb background = backgroundColor_.rgb();
    for (int y = 0; y < strip_.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(strip_.scanLine(y));
        std::memmove(row, row + shift, static_cast<size_t>(w - shift) * sizeof(QRgb));
        for (int x = w - shift; x < w; ++x)
            row[x] = background;
    }

    // The frame is the strip's visible part, centred vertically, on the background. Both are
    // 32-bit images of our own, so whole rows are copied rather than painted.
    frame_.fill(backgroundColor_);
    const int top = (frame_.height() - strip_.height()) / 2;
    const int columns = std::min(visible, frame_.width());
    for (int y = std::max(0, -top); y < strip_.height() && y + top < frame_.height(); ++y)
        std::memcpy(frame_.scanLine(y + top), strip_.constScanLine(y),
                    static_cast<size_t>(columns) * sizeof(QRgb));
    remaining_ -= kStepPixels;
    update();
}

void CScrollingText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (built_ && frame_.size() == size())
        painter.drawImage(QPoint(0, 0), frame_);
    else
        painter.fillRect(rect(), backgroundColor_);
}

void CScrollingText::timerEvent(QTimerEvent* event) {
    if (event->timerId() == timer_.timerId())
        Tick();
    else
        QWidget::timerEvent(event);
}

// Nobody sees a hidden or minimised marquee, so it does not tick; it goes on where it was when
// it shows again. (Minimising sends hide and show events too, though the control stays
// "visible" in Qt's sense.)
void CScrollingText::showEvent(QShowEvent* event) {
    onScreen_ = true;
    if (running_ && !timer_.isActive())
        timer_.start(activePeriodMs_, this);
    QWidget::showEvent(event);
}

void CScrollingText::hideEvent(QHideEvent* event) {
    onScreen_ = false;
    timer_.stop();
    QWidget::hideEvent(event);
}

void CScrollingText::resizeEvent(QResizeEvent* event) {
    // The images follow the control's size; rebuild them on the next tick. A hidden control
    // gets its resize event only when shown, after it may have been built at that size.
    if (frame_.size() != size())
        built_ = false;
    QWidget::resizeEvent(event);
}

}  // namespace velotune
