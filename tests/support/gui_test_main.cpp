// The main() of every test program that shows widgets: a QApplication on the platform the test's
// environment names (offscreen, or the X server for tests that need one).
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
