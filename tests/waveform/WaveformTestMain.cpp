#include <QApplication>

#include <gtest/gtest.h>

// Widgets need a QApplication; the test environment selects the offscreen platform.
int main(int argc, char** argv) {
    // Test discovery runs the binary outside the test environment: never look for a display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
