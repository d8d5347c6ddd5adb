// skin/controls/skinslider.h
//
// CSkinSlider is a track bar painted over a skin image: the image as background, a rounded
// channel, tick marks, an optional selection range and a bevelled thumb in colours the owner
// chooses. Like the classic track bar, a vertical slider has its minimum at the top: the main
// window's volume slider runs 0 (top) to 100 (bottom) and sets the volume to 100 - position.
//
// Mouse: dragging the thumb moves it; a press elsewhere on the slider moves one page towards
// the press. Keys and the wheel move it as QAbstractSlider does, Up moving the thumb up (the
// constructor sets invertedControls for that; a slider made horizontal should clear it).
// Scrolled() reports every change the user makes; changes made by code (setValue) do not
// emit it.
//
// Threading: user-interface thread only.
#pragma once

#include <QAbstractSlider>
#include <QColor>
#include <QRect>

#include "skin/controls/skinbitmap.h"

namespace velotune {

class CSkinSlider : public QAbstractSlider {
    Q_OBJECT

public:
    // The thumb's length along the channel and the channel's width, in pixels.
    static constexpr int kThumbLength = 8;
    static constexpr int kChannelWidth = 4;
    // The part of the background image that is shown.
    static constexpr QSize kBackgroundArea{30, 120};

    // A vertical slider from 0 to 100, position 0, tick frequency 1, colours from the palette
    // (thumb: button face, channel: window, selection: highlight).
    explicit CSkinSlider(QWidget* parent = nullptr);
    ~CSkinSlider() override;

    // Uses bitmap `bitmapId` (its low 16 bits) as the background; 0 does nothing. Returns
    // whether the image loaded.
    bool SetBackground(int bitmapId);

    // Colours. Setting the thumb or selection colour repaints; the channel colour shows at the
    // next repaint.
    void SetThumbColor(QColor color);
    void SetSelectionColor(QColor color);
    void SetChannelColor(QColor color);
    QColor ThumbColor() const { return thumb_; }
    QColor SelectionColor() const { return selection_; }
    QColor ChannelColor() const { return channel_; }

    // A tick every `frequency` positions from the minimum (0: no ticks).
    void SetTickFrequency(int frequency);
    int TickFrequency() const { return tickFrequency_; }

    // A highlighted range of positions drawn in the channel; ClearSelection() removes it.
    void SetSelection(int start, int end);
    void ClearSelection();

    // Geometry, in the slider's coordinates.
    QRect ChannelRect() const;
    QRect ThumbRect() const;
    // The position whose thumb centre lies nearest to `point` (clamped to the range).
    int ValueAt(QPoint point) const;

    // The colour steps of the thumb's bevel: each channel +51 (Lighter) or -51 (Darker), a
    // channel that would leave 0..255 staying as it is.
    static QColor Lighter(QColor color);
    static QColor Darker(QColor color);

    QSize sizeHint() const override;

Q_SIGNALS:
    // The user moved the slider to `position`.
    void Scrolled(int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    bool Vertical() const { return orientation() == Qt::Vertical; }
    // Along the main axis: the room the thumb's top (or left) edge travels in, and the pixel
    // of that edge for `value`.
    int Span() const;
    int EdgeFor(int value) const;
    void SetByUser(int value);

    CSkinBitmap background_;
    QColor thumb_, channel_, selection_;
    int tickFrequency_ = 1;
    int selStart_ = 0, selEnd_ = -1;  // no selection while selEnd_ < selStart_
    bool dragging_ = false;
    int grabOffset_ = 0;  // where on the thumb the drag began, along the main axis
};

}  // namespace velotune
