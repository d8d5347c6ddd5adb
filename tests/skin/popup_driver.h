// tests/skin/popup_driver.h
//
// Menus and modal dialogs run event loops of their own: a test arms a handler before the call
// that opens one, and the handler runs inside that loop once the menu or dialog is up.
#pragma once

#include <QMenu>
#include <functional>

namespace velotune::test {

// Calls use with the open menu, then closes it if it is still open. Fails the test, closing any
// popup, when no menu comes up within 10 s.
void WhenMenuUp(std::function<void(QMenu*)> use);

// Clicks the item with command id `id` as a user would.
void ClickItem(QMenu* menu, int id);
QAction* Item(const QMenu* menu, int id);

// Calls handle with the modal widget until it answers true (having closed it); fails the
// test after 10 s.
void WhenModalUp(std::function<bool(QWidget*)> handle);

}  // namespace velotune::test
