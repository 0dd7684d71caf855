// Records of seeded runs kept beside the tests: a run must give its record
// exactly. With ZINDLE_GOLDEN_WRITE set the record is written anew instead
// (after a deliberate change; review its diff) and the test is skipped.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace testsupport {

// Line by line, so a failure names the first line that differs.
inline void expectRecord(const std::string& path, const std::string& text) {
    if (std::getenv("ZINDLE_GOLDEN_WRITE")) {
        std::ofstream(path, std::ios::binary) << text;
        GTEST_SKIP() << "wrote " << path;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path;
    std::stringstream recorded;
    recorded << in.rdbuf();
    std::istringstream want(recorded.str()), got(text);
    std::string w, g;
    int line = 0;
    while (std::getline(want, w)) {
        ++line;
        ASSERT_TRUE(std::getline(got, g)) << path << ": missing from line " << line << ": " << w;
        ASSERT_EQ(g, w) << path << ": line " << line;
    }
    EXPECT_FALSE(std::getline(got, g)) << path << ": more than recorded: " << g;
}

}  // namespace testsupport
