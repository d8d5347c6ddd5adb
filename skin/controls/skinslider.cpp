#include "skin/controls/skinslider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace velotune {
namespace {

constexpr int kStep = 51;
constexpr int kThumbInset = 2;  // between the slider's edge and the thumb, across the channel
constexpr int kTickRoom = 6;    // beside the thumb for the tick marks

QColor Average(const QColor& a, const QColor& b, const QColor& c) {
    return QColor((a.red() + b.red() + c.red()) / 3, (a.green() + b.green() + c.green()) / 3,
                  (a.blue() + b.blue() + c.blue()) / 3);
}

}  // namespace

CSkinSlider::CSkinSlider(QWidget* parent) : QAbstractSlider(parent) {
    setOrientation(Qt::Vertical);
    setRange(0, 100);
    setInvertedControls(true);  // Up moves the thumb up, towards the minimum
    setFocusPolicy(Qt::TabFocus);
    thumb_ = palette().color(QPalette::Button);
    channel_ = palette().color(QPalette::Base);
    selection_ = palette().color(QPalette::Highlight);
}

CSkinSlider::~CSkinSlider() = default;

bool CSkinSlider::SetBackground(int bitmapId) {
    const int id = bitmapId & 0xffff;
    if (id == 0)
        return false;
    const bool loaded = background_.LoadBitmap(id);
    update();
    return loaded;
}

QColor CSkinSlider::Lighter(QColor color) {
    const auto up = [](int c) { return c + kStep <= 255 ? c + kStep : c; };
    return QColor(up(color.red()), up(color.green()), up(color.blue()));
}

QColor CSkinSlider::Darker(QColor color) {
    const auto down = [](int c) { return c >= kStep ? c - kStep : c; };
    return QColor(down(color.red()), down(color.green()), down(color.blue()));
}

void CSkinSlider::SetThumbColor(QColor color) {
    thumb_ = color;
    update();
}

void CSkinSlider::SetSelectionColor(QColor color) {
    selection_ = color;
    update();
}

void CSkinSlider::SetChannelColor(QColor color) {
    channel_ = color;
}

void CSkinSlider::SetTickFrequency(int frequency) {
    tickFrequency_ = std::max(frequency, 0);
    update();
}

void CSkinSlider::SetSelection(int start, int end) {
    selStart_ = std::min(start, end);
    selEnd_ = std::max(start, end);
    update();
}

void CSkinSlider::ClearSelection() {
    selStart_ = 0;
    selEnd_ = -1;
    update();
}

QSize CSkinSlider::sizeHint() const {
    return Vertical() ? QSize(20, 100) : QSize(100, 20);
}

int CSkinSlider::Span() const {
    return std::max((Vertical() ? height() : width()) - kThumbLength, 0);
}

int CSkinSlider::EdgeFor(int value) const {
    const int range = maximum() - minimum();
    if (range <= 0)
        return 0;
    const double fraction = double(std::clamp(value, minimum(), maximum()) - minimum()) / range;
    return static_cast<int>(std::lround(fraction * Span()));
}

QRect CSkinSlider::ThumbRect() const {
    const int breadth = Vertical() ? width() : height();
    const int thickness = std::max(breadth - kThumbInset - kTickRoom + 1, 4);
    const int edge = EdgeFor(sliderPosition());
    return Vertical() ? QRect(kThumbInset, edge, thickness, kThumbLength)
                      : QRect(edge, kThumbInset, kThumbLength, thickness);
}

QRect CSkinSlider::ChannelRect() const {
    const QRect thumb = ThumbRect();
    if (Vertical()) {
        const int x = thumb.center().x() - kChannelWidth / 2 + 1;
        return QRect(x, kThumbLength / 2, kChannelWidth, Span());
    }
    const int y = thumb.center().y() - kChannelWidth / 2 + 1;
    return QRect(kThumbLength / 2, y, Span(), kChannelWidth);
}

int CSkinSlider::ValueAt(QPoint point) const {
    const int along = (Vertical() ? point.y() : point.x()) - kThumbLength / 2;
    const int span = Span();
    if (span <= 0)
        return minimum();
    const double fraction = std::clamp(double(along) / span, 0.0, 1.0);
    return minimum() + static_cast<int>(std::lround(fraction * (maximum() - minimum())));
}

void CSkinSlider::SetByUser(int value) {
    const int before = this->value();
    setValue(value);
    if (this->value() != before)
        Q_EMIT Scrolled(this->value());
}

void CSkinSlider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (background_.IsLoaded())
        p.drawImage(QPoint(0, 0), background_.Image(), QRect(QPoint(0, 0), kBackgroundArea));
    else
        p.fillRect(rect(), palette().color(QPalette::Window));

    // The channel: a rounded groove with a sunken edge.
    const QRect channel = ChannelRect();
    const QPalette& pal = palette();
    const QColor edge = Average(pal.color(QPalette::Button), pal.color(QPalette::Dark),
                                pal.color(QPalette::Shadow));
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(edge);
    p.setBrush(isEnabled() ? channel_ : pal.color(QPalette::Button));
    p.drawRoundedRect(QRectF(channel).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    p.setRenderHint(QPainter::Antialiasing, false);

    // The selection range, in proportion to the slider's range.
    if (selEnd_ >= selStart_) {
        const int from = EdgeFor(selStart_) + kThumbLength / 2;
        const int to = EdgeFor(selEnd_) + kThumbLength / 2;
        const QRect inner = channel.adjusted(1, 1, -1, -1);
        const QRect sel = Vertical() ? QRect(inner.left(), from, inner.width(), to - from + 1)
                                     : QRect(from, inner.top(), to - from + 1, inner.height());
        p.fillRect(sel.intersected(inner), selection_);
    }

    // Tick marks beside the thumb; the first and the last are longer.
    if (tickFrequency_ > 0) {
        const QColor tick = Darker(thumb_);
        const int breadth = Vertical() ? width() : height();
        const auto drawTick = [&](int value, bool major) {
            const int at = EdgeFor(value) + kThumbLength / 2;
            const int from = breadth - (major ? 5 : 4);
            const int to = breadth - 2;
            if (Vertical())
                p.fillRect(QRect(from, at, to - from + 1, 1), tick);
            else
                p.fillRect(QRect(at, from, 1, to - from + 1), tick);
        };
        for (int v = minimum(); v < maximum(); v += tickFrequency_)
            drawTick(v, v == minimum());
        drawTick(maximum(), true);
    }

    // The thumb: its colour (one step darker while held) with a two-step bevel.
    const QColor base = isSliderDown() ? Darker(thumb_) : thumb_;
    const QRect t = ThumbRect();
    p.fillRect(t, base);
    const QColor lightOuter = Lighter(Lighter(base)), lightInner = Lighter(base);
    const QColor darkInner = Darker(base), darkOuter = Darker(Darker(base));
    p.fillRect(QRect(t.left(), t.top(), t.width(), 1), lightOuter);
    p.fillRect(QRect(t.left(), t.top(), 1, t.height()), lightOuter);
    p.fillRect(QRect(t.left() + 1, t.top() + 1, t.width() - 2, 1), lightInner);
    p.fillRect(QRect(t.left() + 1, t.top() + 1, 1, t.height() - 2), lightInner);
    p.fillRect(QRect(t.left(), t.bottom(), t.width(), 1), darkOuter);
    p.fillRect(QRect(t.right(), t.top(), 1, t.height()), darkOuter);
    p.fillRect(QRect(t.left() + 1, t.bottom() - 1, t.width() - 2, 1), darkInner);
    p.fillRect(QRect(t.right() - 1, t.top() + 1, 1, t.height() - 2), darkInner);
    // A groove across the middle of the thumb, so it reads as something to grip.
    if (Vertical())
        p.fillRect(QRect(t.left() + 3, t.center().y(), t.width() - 6, 1), darkInner);
    else
        p.fillRect(QRect(t.center().x(), t.top() + 3, 1, t.height() - 6), darkInner);
}

void CSkinSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || maximum() == minimum()) {
        event->ignore();
        return;
    }
    event->accept();
    const QPoint pos = event->position().toPoint();
    const QRect thumb = ThumbRect();
    const int along = Vertical() ? pos.y() : pos.x();
    const int edge = Vertical() ? thumb.top() : thumb.left();
    if (thumb.contains(pos)) {
        dragging_ = true;
        grabOffset_ = along - edge;
        setSliderDown(true);
        update();
        return;
    }
    // Beside the thumb: one page towards the press.
    SetByUser(along < edge ? value() - pageStep() : value() + pageStep());
}

void CSkinSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) {
        event->ignore();
        return;
    }
    const QPoint pos = event->position().toPoint();
    const int edge = (Vertical() ? pos.y() : pos.x()) - grabOffset_;
    const QPoint centre =
        Vertical() ? QPoint(0, edge + kThumbLength / 2) : QPoint(edge + kThumbLength / 2, 0);
    SetByUser(ValueAt(centre));
}

void CSkinSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragging_) {
        event->ignore();
        return;
    }
    dragging_ = false;
    setSliderDown(false);
    update();
}

void CSkinSlider::keyPressEvent(QKeyEvent* event) {
    const int before = value();
    QAbstractSlider::keyPressEvent(event);
    if (value() != before)
        Q_EMIT Scrolled(value());
}

void CSkinSlider::wheelEvent(QWheelEvent* event) {
    const int before = value();
    QAbstractSlider::wheelEvent(event);
    if (value() != before)
        Q_EMIT Scrolled(value());
}

}  // namespace velotune
