// The socket tests need an event loop for their notifiers.
#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#ifdef ZINDLE_ASAN_NO_LEAKS
// Qt keeps some allocations until exit; only memory errors matter here.
// The name is AddressSanitizer's own hook.
extern "C" const char* __asan_default_options() {  // NOLINT(bugprone-reserved-identifier)
    return "detect_leaks=0";
}
#endif
