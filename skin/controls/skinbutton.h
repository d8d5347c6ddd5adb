// skin/controls/skinbutton.h
//
// CSkinButton is a push button drawn from four skin images, one per state (normal, hover,
// pressed, disabled), and shaped by the normal image: its key-colour pixels are cut away, and
// only the shape reacts to the mouse. It emits QAbstractButton::clicked() like any button.
//
// Behaviour the windows rely on:
//   - hover follows the shape: moving onto the shape lights the button, moving off it (even
//     within its rectangle) clears it;
//   - a double-click counts as a second click (the second press of a double-click presses the
//     button again), so fast clicking on Next skips two stations;
//   - a disabled button ignores the mouse and shows its disabled image;
//   - clicking does not take the keyboard focus; Tab does, and a focused button shows its hover
//     image.
// The control id becomes the widget's objectName ("1551"), so code and tests find it by id.
//
// Threading: user-interface thread only.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QRegion>
#include <QString>
#include <array>

#include "skin/controls/skinbitmap.h"

namespace velotune {

class CSkinButton : public QAbstractButton {
    Q_OBJECT

public:
    // Whether Create() shows the button or leaves it hidden for its owner to show later.
    enum class Show { Hidden, Visible };

    // An uncreated button; Create() gives it images, shape, parent and id.
    explicit CSkinButton(QWidget* parent = nullptr);
    ~CSkinButton() override;

    // Loads the four images (compiled-in bitmap ids), cuts the shape from the normal image with
    // key colour `transparent` (tolerance 8), makes `parent` the button's parent, `text` its
    // window text and `id` its objectName, and sizes it to the shape's bounding box at (0, 0)
    // of the parent; the owner moves it into place. Returns 1, or 0 when an image cannot be
    // loaded or the normal image has no shape; the button is then unusable and stays hidden.
    int Create(const QString& text, Show show, int normal, int hover, int pressed, int disabled,
               QColor transparent, QWidget* parent, int id);

    // The same with image files.
    int Create(const QString& text, Show show, const QString& normal, const QString& hover,
               const QString& pressed, const QString& disabled, QColor transparent, QWidget* parent,
               int id);

    // Sets the tooltip text. The tooltip is shown only once it has been activated: `activate`
    // true activates it (and it stays active); false only changes the text.
    void SetTooltipText(const QString& text, bool activate = true);
    QString TooltipText() const { return tooltipText_; }

    // Whether the mouse is over the button's shape.
    bool IsHover() const { return hover_; }

    // The button's shape in its own coordinates.
    const QRegion& ShapeRegion() const { return region_; }

    QSize sizeHint() const override;

protected:
    bool hitButton(const QPoint& pos) const override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    enum Face { kNormal, kHover, kPressed, kDisabled };

    int Finish(const QString& text, Show show, QColor transparent, QWidget* parent, int id);
    void SetHover(bool hover);

    std::array<CSkinBitmap, 4> faces_;
    QRegion region_;
    bool hover_ = false;
    bool tooltipActive_ = false;
    QString tooltipText_;
};

}  // namespace velotune
