#include "tests/skin/popup_driver.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>

namespace velotune::test {
namespace {

constexpr int kPollMs = 10;
constexpr int kPolls = 1000;  // 10 s

// Polls from a timer, in whatever event loop runs, until ready() returns true or the polls run
// out; then gives up with giveUp().
void Poll(std::function<bool()> ready, std::function<void()> giveUp) {
    auto* timer = new QTimer;
    auto polls = std::make_shared<int>(0);
    timer->setInterval(kPollMs);
    QObject::connect(timer, &QTimer::timeout,
                     [timer, polls, ready = std::move(ready), giveUp = std::move(giveUp)] {
                         if (ready()) {
                             timer->stop();
                             timer->deleteLater();
                         } else if (++*polls >= kPolls) {
                             timer->stop();
                             timer->deleteLater();
                             giveUp();
                         }
                     });
    timer->start();
}

}  // namespace

void WhenMenuUp(std::function<void(QMenu*)> use) {
    Poll(
        [use = std::move(use)] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu || !menu->isVisible())
                return false;
            use(menu);
            if (menu->isVisible())
                menu->close();
            return true;
        },
        [] {
            ADD_FAILURE() << "no menu came up";
            if (QWidget* popup = QApplication::activePopupWidget())
                popup->close();
        });
}

void WhenModalWidgetUp(std::function<bool(QWidget*)> use) {
    Poll(
        [use = std::move(use)] {
            QWidget* modal = QApplication::activeModalWidget();
            return modal && modal->isVisible() && use(modal);
        },
        [] {
            ADD_FAILURE() << "no dialog came up";
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
}

bool ClickItem(QMenu* menu, int id) {
    for (QAction* action : menu->actions()) {
        if (action->data().toInt() != id || action->isSeparator())
            continue;
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        return true;
    }
    return false;
}

QStringList MenuItems(const QMenu* menu) {
    QStringList items;
    for (const QAction* action : menu->actions())
        items.append(action->isSeparator()
                         ? QStringLiteral("-")
                         : action->objectName() + QLatin1Char(' ') + action->text());
    return items;
}

}  // namespace velotune::test
