// stations_ui/dialog_util.h
//
// Small helpers the station windows share: control ids as object names, sorted drop-down lists,
// the wait cursor, and the texts of res/texts.h as QStrings. Internal to stations_ui/.
//
// Threading: user-interface thread only.
#pragma once

#include <QString>
#include <QStringList>

class QComboBox;
class QWidget;

namespace velotune::stations_ui {

// A constant text of res/texts.h.
inline QString Text(const char* text) {
    return QString::fromUtf8(text);
}

// Gives a control its id: its objectName is the id in decimal, so code and tests find it.
void SetControlId(QWidget* control, int id);

// Fills a drop-down list with items sorted as a sorted list box sorts them (without regard to
// letter case; equal names keep their order), leaving no entry selected. Signals are blocked.
void FillSorted(QComboBox* list, QStringList items);

// Fills a drop-down list in the given order. Signals are blocked.
void FillInOrder(QComboBox* list, const QStringList& items);

// The index of the entry whose whole text equals text without regard to letter case, or -1.
int FindEntry(const QComboBox* list, const QString& text);

// Selects entry index without telling the list's listeners.
void SelectQuietly(QComboBox* list, int index);

// Shows the wait cursor while it lives.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace velotune::stations_ui
