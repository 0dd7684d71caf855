#include <gtest/gtest.h>

#include <QApplication>

#include "widgets/flatstyle.h"
#include "widgets/paths.h"

// The windows as the program shows them: its names and its flat style.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    zindle::setProgramIdentity("org.zindle.Zindle");
    zindle::applyFlatStyle(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
