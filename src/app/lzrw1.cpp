// zindle-lzrw1: compresses and decompresses files with the tally container.
//
//   zindle-lzrw1 compress [--mode fast|good|auto] IN OUT
//   zindle-lzrw1 decompress IN OUT
//   zindle-lzrw1 advise IN
//
// Prints the component's closing caption on success and exits 0; on failure prints the
// exception's message on standard error and exits 1. Bad usage exits 2.

#include "lzrw1.h"

#include <cstdio>
#include <exception>
#include <string>

namespace {

// A view that is always "visible" and keeps only the latest caption.
class LastCaption : public TLzrw1View {
public:
    bool Visible() const override { return true; }
    void SetCaption(const std::string& caption) override { text = caption; }
    std::string text;
};

int usage()
{
    std::fputs("usage: zindle-lzrw1 compress [--mode fast|good|auto] IN OUT\n"
               "       zindle-lzrw1 decompress IN OUT\n"
               "       zindle-lzrw1 advise IN\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    const std::string command = argv[1];

    LastCaption view;
    Tlzrw1 lzrw1(&view);
    try {
        if (command == "compress") {
            int i = 2;
            if (i < argc && std::string(argv[i]) == "--mode") {
                if (i + 1 >= argc)
                    return usage();
                const std::string mode = argv[i + 1];
                if (mode == "fast")
                    lzrw1.CompressMode = TCompressMode::Fast;
                else if (mode == "good")
                    lzrw1.CompressMode = TCompressMode::Good;
                else if (mode == "auto")
                    lzrw1.CompressMode = TCompressMode::Auto;
                else
                    return usage();
                i += 2;
            }
            if (argc - i != 2)
                return usage();
            lzrw1.InputFile = argv[i];
            lzrw1.OutputFile = argv[i + 1];
            lzrw1.Compress();
        } else if (command == "decompress") {
            if (argc != 4)
                return usage();
            lzrw1.InputFile = argv[2];
            lzrw1.OutputFile = argv[3];
            lzrw1.Decompress();
        } else if (command == "advise") {
            if (argc != 3)
                return usage();
            lzrw1.InputFile = argv[2];
            const TCompressMode mode = lzrw1.Advise();
            std::puts(mode == TCompressMode::Fast ? "fast" : "good");
        } else {
            return usage();
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    if (!view.text.empty())
        std::puts(view.text.c_str());
    return 0;
}
