#include "stations_ui/dialog_util.h"

#include <QApplication>
#include <QComboBox>
#include <QSignalBlocker>
#include <algorithm>

namespace velotune::stations_ui {

void SetControlId(QWidget* control, int id) {
    control->setObjectName(QString::number(id));
}

void FillSorted(QComboBox* list, QStringList items) {
    std::stable_sort(items.begin(), items.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    FillInOrder(list, items);
}

void FillInOrder(QComboBox* list, const QStringList& items) {
    const QSignalBlocker blocker(list);
    list->clear();
    list->addItems(items);
    list->setCurrentIndex(-1);
}

int FindEntry(const QComboBox* list, const QString& text) {
    for (int i = 0; i < list->count(); ++i) {
        if (QString::compare(list->itemText(i), text, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void SelectQuietly(QComboBox* list, int index) {
    const QSignalBlocker blocker(list);
    list->setCurrentIndex(index);
}

WaitCursor::WaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor() {
    QApplication::restoreOverrideCursor();
}

}  // namespace velotune::stations_ui
