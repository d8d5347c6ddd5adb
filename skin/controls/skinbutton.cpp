#include "skin/controls/skinbutton.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>

#include "skin/controls/skinlog.h"

namespace velotune {

CSkinButton::CSkinButton(QWidget* parent) : QAbstractButton(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    hide();
}

CSkinButton::~CSkinButton() = default;

int CSkinButton::Create(const QString& text, Show show, int normal, int hover, int pressed,
                        int disabled, QColor transparent, QWidget* parent, int id) {
    const std::array<int, 4> ids = {normal, hover, pressed, disabled};
    for (size_t i = 0; i < ids.size(); ++i) {
        if (!faces_[i].LoadBitmap(ids[i]))
            return 0;
    }
    return Finish(text, show, transparent, parent, id);
}

int CSkinButton::Create(const QString& text, Show show, const QString& normal, const QString& hover,
                        const QString& pressed, const QString& disabled, QColor transparent,
                        QWidget* parent, int id) {
    const std::array<QString, 4> paths = {normal, hover, pressed, disabled};
    for (size_t i = 0; i < paths.size(); ++i) {
        if (!faces_[i].LoadBitmap(paths[i]))
            return 0;
    }
    return Finish(text, show, transparent, parent, id);
}

int CSkinButton::Finish(const QString& text, Show show, QColor transparent, QWidget* parent,
                        int id) {
    QRegion region = BitmapToRegion(faces_[kNormal].Image(), transparent);
    if (region.isEmpty()) {
        qCWarning(lcSkin) << "button" << id << "has no shape left after its key colour";
        return 0;
    }
    const QRect box = region.boundingRect();
    region_ = region.translated(-box.topLeft());
    if (parent && parent != parentWidget())
        setParent(parent);
    setObjectName(QString::number(id));
    setText(text);
    setGeometry(QRect(QPoint(0, 0), box.size()));
    setMask(region_);
    setVisible(show == Show::Visible);
    return 1;
}

void CSkinButton::SetTooltipText(const QString& text, bool activate) {
    tooltipText_ = text;
    tooltipActive_ = tooltipActive_ || activate;
    setToolTip(tooltipActive_ ? text : QString());
}

QSize CSkinButton::sizeHint() const {
    return region_.isEmpty() ? faces_[kNormal].Size() : region_.boundingRect().size();
}

bool CSkinButton::hitButton(const QPoint& pos) const {
    return region_.contains(pos);
}

void CSkinButton::paintEvent(QPaintEvent*) {
    Face face = kNormal;
    if (!isEnabled())
        face = kDisabled;
    else if (isDown())
        face = kPressed;
    else if (hover_ || hasFocus())
        face = kHover;
    QPainter painter(this);
    painter.setClipRegion(region_);
    painter.drawImage(QPoint(0, 0), faces_[face].Image(), rect());
}

void CSkinButton::SetHover(bool hover) {
    if (hover != hover_) {
        hover_ = hover;
        update();
    }
}

void CSkinButton::mouseMoveEvent(QMouseEvent* event) {
    // While the button is held, QAbstractButton tracks whether the press is still over the
    // shape; hover only changes while it is not held.
    if (!(event->buttons() & Qt::LeftButton))
        SetHover(region_.contains(event->position().toPoint()));
    QAbstractButton::mouseMoveEvent(event);
}

void CSkinButton::mouseReleaseEvent(QMouseEvent* event) {
    QAbstractButton::mouseReleaseEvent(event);
    // The click may have run a dialog or a popup menu, which took the pointer away and brought
    // no leave event here: where the pointer is now decides, not where it was released.
    SetHover(region_.contains(mapFromGlobal(QCursor::pos())));
}

void CSkinButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double-click arrives as a double-click; treat it as the press it
    // is, so that the release that follows clicks again.
    mousePressEvent(event);
}

void CSkinButton::leaveEvent(QEvent* event) {
    SetHover(false);
    QAbstractButton::leaveEvent(event);
}

bool CSkinButton::event(QEvent* event) {
    // A dialog or popup that takes over deactivates the window without a leave event.
    if (event->type() == QEvent::WindowDeactivate)
        SetHover(false);
    return QAbstractButton::event(event);
}

void CSkinButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        hover_ = false;
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::EnabledChange)
        update();
    QAbstractButton::changeEvent(event);
}

}  // namespace velotune
