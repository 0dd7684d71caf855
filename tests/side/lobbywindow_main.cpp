#include <gtest/gtest.h>

#include <QApplication>

#include "lobby/prosody.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    testsupport::TestProsody::stopShared();
    return rc;
}
