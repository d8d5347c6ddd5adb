#include "skin/controls/skindialog.h"

#include <QMouseEvent>
#include <QPainter>

#include "skin/controls/skinlog.h"

namespace velotune {

CSkinDialog::CSkinDialog(QWidget* parent, Qt::WindowFlags flags)
    : QDialog(parent, flags | Qt::FramelessWindowHint) {
    // The image paints every pixel of the shape, so Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CSkinDialog::~CSkinDialog() = default;

int CSkinDialog::SetSkin(int bitmapId, QColor transparent) {
    CSkinBitmap bitmap;
    if (!bitmap.LoadBitmap(bitmapId))
        return 0;
    return ApplySkin(bitmap, transparent);
}

int CSkinDialog::SetSkin(const QString& path, QColor transparent) {
    CSkinBitmap bitmap;
    if (!bitmap.LoadBitmap(path))
        return 0;
    return ApplySkin(bitmap, transparent);
}

int CSkinDialog::ApplySkin(const CSkinBitmap& bitmap, QColor transparent) {
    QRegion region = BitmapToRegion(bitmap.Image(), transparent);
    if (region.isEmpty()) {
        qCWarning(lcSkin) << "skin image has no shape left after its key colour";
        return 0;
    }
    bitmap_ = bitmap;
    region_ = region;
    // A fixed size: window managers must not offer to resize a window drawn from an image.
    setFixedSize(region_.boundingRect().size());
    setMask(region_);
    update();
    return 1;
}

void CSkinDialog::SetBodyCursor(std::optional<QCursor> cursor) {
    if (cursor)
        setCursor(*cursor);
    else
        unsetCursor();
}

void CSkinDialog::MoveWindow(QPoint pos) {
    move(AdjustPosition(pos));
}

QPoint CSkinDialog::AdjustPosition(QPoint proposed) {
    return proposed;
}

void CSkinDialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    bitmap_.Draw(painter, QPoint(0, 0));
}

void CSkinDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    // Qt keeps sending this window the mouse until the button is released, which is the
    // capture a drag needs.
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    event->accept();
}

void CSkinDialog::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) {
        QDialog::mouseMoveEvent(event);
        return;
    }
    MoveWindow(event->globalPosition().toPoint() - dragOffset_);
    event->accept();
}

void CSkinDialog::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && dragging_) {
        dragging_ = false;
        event->accept();
        return;
    }
    QDialog::mouseReleaseEvent(event);
}

void CSkinDialog::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        update();
    QDialog::changeEvent(event);
}

}  // namespace velotune
