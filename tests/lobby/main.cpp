#include <gtest/gtest.h>

#include <QCoreApplication>

#include "lobby/prosody.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    testsupport::TestProsody::stopShared();
    return rc;
}
