#include <QApplication>

#include <gtest/gtest.h>

// Widgets need a QApplication; the test environment selects the offscreen platform.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
