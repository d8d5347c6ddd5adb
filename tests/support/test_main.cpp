// The main of every test program: a private environment first, then the Qt application object
// (offscreen), then GoogleTest.
#include <gtest/gtest.h>

#include <QApplication>

#include "tests/support/test_env.h"

int main(int argc, char** argv) {
    velotune::test::PrepareEnvironment();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
