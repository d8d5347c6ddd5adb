// The main of every test program: a private environment first, then the Qt application object
// (offscreen), then GoogleTest.
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/msgbox/msgbox.h"
#include "tests/support/test_env.h"

int main(int argc, char** argv) {
    velotune::test::PrepareEnvironment();
    QApplication app(argc, argv);
    velotune::platform::UseMessageBoxDialogs();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
