#include <QCoreApplication>

#include <gtest/gtest.h>

// The store needs an event loop for its timers and for results coming back from the thread pool.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
