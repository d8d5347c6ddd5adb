// tests/skin/popup_driver.h
//
// Drives menus and modal dialogs, which run their own event loops: a test arms a handler before
// the call that opens one, and the handler runs inside that loop once the popup or dialog is up.
#pragma once

#include <QMenu>
#include <QStringList>
#include <functional>

namespace velotune::test {

// Once QApplication::activePopupWidget() is a QMenu, calls use with it; then closes the menu if
// it is still open. When no menu comes up within 10 s, any popup is closed and nothing is called.
void WhenMenuUp(std::function<void(QMenu*)> use);

// Once QApplication::activeModalWidget() is a T, calls use with it (which must close it). When
// none comes up within 10 s, the modal widget there is, if any, is closed.
template <typename T>
void WhenModalUp(std::function<void(T*)> use);

// Clicks the item with command id `id` as a user would. False when there is no such item.
bool ClickItem(QMenu* menu, int id);

// The menu's items in order: the command id and text of each, "-" for a separator.
QStringList MenuItems(const QMenu* menu);

// Implementation detail of WhenModalUp.
void WhenModalWidgetUp(std::function<bool(QWidget*)> use);

template <typename T>
void WhenModalUp(std::function<void(T*)> use) {
    WhenModalWidgetUp([use = std::move(use)](QWidget* widget) {
        T* dialog = qobject_cast<T*>(widget);
        if (!dialog)
            return false;
        use(dialog);
        return true;
    });
}

}  // namespace velotune::test
