// Build-time generator of the built-in word list: reads plain word lists and
// writes the sorted 15-byte records.
//   mkwordlist [--lower-only] OUTPUT LIST...
// --lower-only keeps only all-lower-case words (drops proper names).
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "rules/mydict.h"

int main(int argc, char** argv) {
    int arg = 1;
    bool lowerOnly = false;
    if (arg < argc && std::strcmp(argv[arg], "--lower-only") == 0) {
        lowerOnly = true;
        ++arg;
    }
    if (argc - arg < 2) {
        std::fprintf(stderr, "usage: mkwordlist [--lower-only] OUTPUT LIST...\n");
        return 2;
    }
    const std::string output = argv[arg++];
    std::stringstream all;
    for (; arg < argc; ++arg) {
        std::ifstream in(argv[arg], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "mkwordlist: cannot read %s\n", argv[arg]);
            return 1;
        }
        all << in.rdbuf() << '\n';
    }
    const auto records = zindle::recordsFromWords(all, lowerOnly);
    if (records.empty()) {
        std::fprintf(stderr, "mkwordlist: no words found\n");
        return 1;
    }
    const std::string temp = output + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(records.data()),
                  static_cast<std::streamsize>(records.size()));
        if (!out) {
            std::fprintf(stderr, "mkwordlist: cannot write %s\n", temp.c_str());
            return 1;
        }
    }
    if (std::rename(temp.c_str(), output.c_str()) != 0) {
        std::fprintf(stderr, "mkwordlist: cannot replace %s\n", output.c_str());
        return 1;
    }
    std::printf("mkwordlist: %zu words\n", records.size() / zindle::kRecordSize);
    return 0;
}
