#include "tests/skin/popup_driver.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>

namespace velotune::test {
namespace {

// Polls from a timer, in whatever event loop runs, until ready() holds; after 10 s closes the
// popup or dialog that blocks the test and fails it.
void Poll(std::function<bool()> ready) {
    auto* timer = new QTimer;
    auto polls = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, polls, ready = std::move(ready)] {
        const bool done = ready();
        if (!done && ++*polls < 1000)
            return;
        timer->stop();
        timer->deleteLater();
        if (done)
            return;
        ADD_FAILURE() << "no menu or dialog came up";
        for (QWidget* blocker :
             {QApplication::activePopupWidget(), QApplication::activeModalWidget()})
            if (blocker)
                blocker->close();
    });
    timer->start(10);
}

}  // namespace

void WhenMenuUp(std::function<void(QMenu*)> use) {
    Poll([use = std::move(use)] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || !menu->isVisible())
            return false;
        use(menu);
        menu->close();
        return true;
    });
}

void WhenModalUp(std::function<bool(QWidget*)> handle) {
    Poll([handle = std::move(handle)] {
        QWidget* modal = QApplication::activeModalWidget();
        return modal && modal->isVisible() && handle(modal);
    });
}

QAction* Item(const QMenu* menu, int id) {
    return menu->findChild<QAction*>(QString::number(id));
}

void ClickItem(QMenu* menu, int id) {
    QAction* action = Item(menu, id);
    ASSERT_NE(action, nullptr) << id;
    EXPECT_TRUE(action->isEnabled()) << id;
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
}

}  // namespace velotune::test
