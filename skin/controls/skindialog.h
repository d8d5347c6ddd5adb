// skin/controls/skindialog.h
//
// CSkinDialog is a borderless window whose face and shape are a skin image: pixels of the key
// colour are cut away (QWidget::setMask), the rest is painted from the image. The user moves it
// by dragging anywhere on its body. The main window and the list windows derive from it.
//
// Every move the window makes itself (dragging, MoveWindow) passes through AdjustPosition()
// first, so derived windows can snap to screen edges and to each other while being dragged.
//
// Enter and Escape keep QDialog's meaning (accept, reject); windows that must ignore them
// override accept() and reject().
//
// Threading: user-interface thread only.
#pragma once

#include <QColor>
#include <QCursor>
#include <QDialog>
#include <QPoint>
#include <QRegion>
#include <optional>

#include "skin/controls/skinbitmap.h"

namespace velotune {

class CSkinDialog : public QDialog {
    Q_OBJECT

public:
    // A frameless window; `flags` gives its type (Qt::Window for a main window, Qt::Tool or
    // Qt::Dialog for windows that belong to another).
    explicit CSkinDialog(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::Window);
    ~CSkinDialog() override;

    // Skins the window with bitmap `bitmapId`: the shape is the image less the pixels within
    // 8 of `transparent`; the window takes the size of the shape's bounding box without moving
    // and repaints. Returns 1, or 0 when the image cannot be loaded or has no shape left, in
    // which case the window keeps its previous skin.
    int SetSkin(int bitmapId, QColor transparent);

    // The same with an image file instead of a compiled-in bitmap.
    int SetSkin(const QString& path, QColor transparent);

    // The current skin image and the window's shape cut from it (window coordinates); the
    // shape's bounding box is the window's visible rectangle.
    const CSkinBitmap& SkinBitmap() const { return bitmap_; }
    const QRegion& SkinRegion() const { return region_; }

    // A cursor shown while the mouse is over the window's body; std::nullopt restores the
    // default.
    void SetBodyCursor(std::optional<QCursor> cursor);

    // True between a left button press on the body and its release.
    bool IsDragging() const { return dragging_; }

    // Moves the window's top-left corner (screen coordinates) to `pos` as changed by
    // AdjustPosition(). Size and stacking stay as they are.
    void MoveWindow(QPoint pos);

protected:
    // Called with the proposed top-left corner of every move made by dragging or MoveWindow();
    // returns the corner to use. The default keeps the proposal.
    virtual QPoint AdjustPosition(QPoint proposed);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int ApplySkin(const CSkinBitmap& bitmap, QColor transparent);

    CSkinBitmap bitmap_;
    QRegion region_;
    bool dragging_ = false;
    QPoint dragOffset_;  // where in the window the drag began
};

}  // namespace velotune
