#include <gtest/gtest.h>

#include <QApplication>

#include "widgets/flatstyle.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    zindle::applyFlatStyle(app);  // the windows look as in the program
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
