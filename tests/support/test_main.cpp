#include <QApplication>

#include <gtest/gtest.h>

#include "support/temp_home.h"

int main(int argc, char** argv) {
    // Standard folders and settings of the tests live under a throw-away HOME.
    tarvolin::test::UseThrowAwayHome();
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
