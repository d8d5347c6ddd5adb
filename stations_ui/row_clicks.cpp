#include "stations_ui/row_clicks.h"

#include <QEvent>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTreeWidget>

namespace velotune::stations_ui {

RowClicks::RowClicks(QTreeWidget* list) : QObject(list), list_(list) {
    list->installEventFilter(this);
    list->viewport()->installEventFilter(this);
    connect(list, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item)
            Q_EMIT Clicked(list_->indexOfTopLevelItem(item) + 1);
    });
}

int RowClicks::RowAt(QPoint pos) const {
    QTreeWidgetItem* item = list_->itemAt(pos);
    return item ? list_->indexOfTopLevelItem(item) + 1 : 0;
}

bool RowClicks::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::FocusIn) {
        // A list that gains the focus without a current row makes its first row current, which
        // is no choice of the user's: give it a current row quietly first. Quietly includes not
        // scrolling to it: the focus of a click comes before the click's press, which would
        // otherwise land on whatever row the scroll brought under the pointer.
        if (!list_->currentItem() && list_->topLevelItemCount() > 0) {
            const QSignalBlocker blocker(list_);
            const bool autoScroll = list_->hasAutoScroll();
            list_->setAutoScroll(false);
            list_->selectionModel()->setCurrentIndex(list_->model()->index(0, 0),
                                                     QItemSelectionModel::NoUpdate);
            list_->setAutoScroll(autoScroll);
        }
        return false;
    }
    if (watched != list_->viewport())
        return false;
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) {
                const int row = RowAt(mouse->position().toPoint());
                if (event->type() == QEvent::MouseButtonPress)
                    Q_EMIT Clicked(row);
                else if (row > 0)
                    Q_EMIT DoubleClicked(row);
            }
            return true;
        }
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove:
            // Without its press the list would start a drag selection of its own.
            return static_cast<QMouseEvent*>(event)->buttons() != Qt::NoButton ||
                   event->type() == QEvent::MouseButtonRelease;
        default:
            return false;
    }
}

}  // namespace velotune::stations_ui
