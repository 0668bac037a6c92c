// A gtest main for test executables that need a QApplication (widgets, event loops, networking).
// Compile it into the executable (${BARQUILL_QT_TEST_MAIN}); it then takes the place of gtest_main.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Test discovery at build time runs without the test environment: never try to reach a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
