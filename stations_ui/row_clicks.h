// stations_ui/row_clicks.h
//
// RowClicks reports how the user chooses rows in a list (a QTreeWidget used as a report view):
// a left click on a row or beside the rows, a double-click on a row, or a keyboard move. The
// list's own press handling is replaced: the owner selects the row itself, so that what the list
// shows and what the owner acts on never differ.
//
// The owner changes the list's current row only with the list's signals blocked; any current-row
// change that is not blocked is taken for a keyboard move.
//
// Threading: user-interface thread only. Ownership: a child of the list.
#pragma once

#include <QObject>

class QTreeWidget;

namespace velotune::stations_ui {

class RowClicks : public QObject {
    Q_OBJECT

public:
    explicit RowClicks(QTreeWidget* list);

Q_SIGNALS:
    // A left click (row 1-based; 0 beside the rows) or a keyboard move to a row.
    void Clicked(int row);
    // A left double-click on a row (1-based).
    void DoubleClicked(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int RowAt(QPoint pos) const;

    QTreeWidget* list_;
};

}  // namespace velotune::stations_ui
