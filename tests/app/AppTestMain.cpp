#include <QApplication>

#include <gtest/gtest.h>

// The shell's windows need a QApplication; the test environment selects the offscreen platform.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Barquill"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
