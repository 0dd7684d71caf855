// Runs zindle-lzrw1 as a user would and checks exit codes, output files and messages.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

class LzrwCli : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "zindle-cli-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string path(const char* name) const { return (dir / name).string(); }

    static std::string slurp(const std::string& name) {
        std::ifstream f(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
    static void spit(const std::string& name, const std::string& data) {
        std::ofstream(name, std::ios::binary) << data;
    }

    Outcome run(const std::string& args) const {
        const std::string cmd = std::string("'") + ZINDLE_LZRW1 + "' " + args + " >'" +
                                path("stdout") + "' 2>'" + path("stderr") + "'";
        const int status = std::system(cmd.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(path("stdout")),
                slurp(path("stderr"))};
    }

    fs::path dir;
};

TEST_F(LzrwCli, CompressAndDecompressRoundTrip) {
    std::string data;
    for (int i = 0; i < 10000; ++i) data += "9\r\n" + std::to_string(i % 37) + "\r\nAnn\r\n";
    spit(path("tally.txt"), data);

    // This text is large and repetitive, so auto picks the fast coding.
    for (const char* mode : {"fast", "good", "auto"}) {
        const std::string args = std::string("compress --mode ") + mode + " '" + path("tally.txt") +
                                 "' '" + path("tally.tld") + "'";
        const Outcome c = run(args);
        ASSERT_EQ(c.code, 0) << c.err;
        EXPECT_NE(c.out.find(" : Lzrw1 : successfully compressed at "), std::string::npos);
        EXPECT_EQ(slurp(path("tally.tld")).substr(0, 4),
                  std::string(mode) == "good" ? "!HZL" : "WRZL");

        const Outcome d = run("decompress '" + path("tally.tld") + "' '" + path("back.txt") + "'");
        ASSERT_EQ(d.code, 0) << d.err;
        EXPECT_EQ(slurp(path("back.txt")), data);
    }

    const Outcome a = run("advise '" + path("tally.txt") + "'");
    EXPECT_EQ(a.code, 0);
    EXPECT_EQ(a.out.rfind("fast\nLzrw1 recommends FAST compression : ", 0), 0u) << a.out;
    EXPECT_EQ(a.out.substr(a.out.size() - 3), "%.\n");
}

TEST_F(LzrwCli, FailuresPrintTheMessageAndExitOne) {
    spit(path("bad.tld"), std::string("NOPE\0\0\0\0", 8));
    Outcome r = run("decompress '" + path("bad.tld") + "' '" + path("out.txt") + "'");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err,
              path("bad.tld") + " : Lzrw1 decompression : this file has no valid header !\n");
    EXPECT_FALSE(fs::exists(path("out.txt")));

    spit(path("short.tld"), std::string("WRZL\x10\0\0\0", 8));
    r = run("decompress '" + path("short.tld") + "' '" + path("out.txt") + "'");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err,
              "Lzrw1 : Error reading from input file : " + path("short.tld") + " (LZRW1/KH)\n");
    EXPECT_FALSE(fs::exists(path("out.txt")));

    // The same file in and out is refused before anything is written or deleted.
    spit(path("tally.txt"), "9\r\nAnn\r\n");
    r = run("compress --mode fast '" + path("tally.txt") + "' '" + path("tally.txt") + "'");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err,
              "Lzrw1 (de)compression : Failed to open output file : " + path("tally.txt") + "\n");
    EXPECT_EQ(slurp(path("tally.txt")), "9\r\nAnn\r\n");
    ASSERT_EQ(run("compress --mode fast '" + path("tally.txt") + "' '" + path("t.tld") + "'").code,
              0);
    const std::string packed = slurp(path("t.tld"));
    r = run("decompress '" + path("t.tld") + "' '" + path("t.tld") + "'");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(slurp(path("t.tld")), packed);

    r = run("advise '" + path("missing") + "'");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Lzrw1 advise : can not get the size of : " + path("missing") + "\n");

    EXPECT_EQ(run("compress --mode slow a b").code, 2);
    EXPECT_EQ(run("decompress onlyone").code, 2);
    EXPECT_EQ(run("").code, 2);
}

}  // namespace
