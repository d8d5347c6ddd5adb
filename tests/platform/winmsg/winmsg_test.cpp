// Messages posted from another thread must arrive on the receiver's thread, in order, with their
// parameters; that is what keeps engines and workers away from widgets.
#include <gtest/gtest.h>

#include <QThread>
#include <thread>

#include "platform/winmsg/winmsg.h"

namespace velotune::platform {
namespace {

class Receiver : public QObject {
public:
    struct Got {
        int message;
        intptr_t wParam, lParam;
        QThread* thread;
    };
    std::vector<Got> got;

protected:
    void customEvent(QEvent* event) override {
        if (const WindowMessage* m = AsWindowMessage(event))
            got.push_back({m->Message(), m->WParam(), m->LParam(), QThread::currentThread()});
    }
};

TEST(WinMsgTest, PostedFromAnotherThreadArriveInOrderOnTheReceiversThread) {
    Receiver receiver;
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i)
            PostWindowMessage(&receiver, kWmApp + 30, 0x8020 + i, -i);
    });
    worker.join();
    EXPECT_FALSE(PostWindowMessage(nullptr, kWmApp));
    EXPECT_TRUE(receiver.got.empty());  // nothing is handled on the posting thread
    QCoreApplication::processEvents();
    ASSERT_EQ(receiver.got.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(receiver.got[i].message, 0x801E);
        EXPECT_EQ(receiver.got[i].wParam, 0x8020 + i);
        EXPECT_EQ(receiver.got[i].lParam, -i);
        EXPECT_EQ(receiver.got[i].thread, QThread::currentThread());
    }
    QEvent plain(QEvent::User);
    EXPECT_EQ(AsWindowMessage(&plain), nullptr);
}

}  // namespace
}  // namespace velotune::platform
