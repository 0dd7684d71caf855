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

#include "cli/commandline.h"

namespace {

// A view that is always "visible" and keeps only the latest caption.
class LastCaption : public TLzrw1View {
public:
    bool Visible() const override { return true; }
    void SetCaption(const std::string& caption) override { text = caption; }
    std::string text;
};

}  // namespace

int main(int argc, char** argv) {
    const zindle::cli::Program program{
        "zindle-lzrw1", "Compresses and decompresses files in the tally's container.",
        "COMMAND IN [OUT]",
        "Commands:\n  compress IN OUT    --mode picks the method (auto)\n"
        "  decompress IN OUT\n  advise IN          prints fast or good"};
    zindle::cli::Parser parser;
    const QCommandLineOption modeOption("mode", "Compress with fast, good or auto.", "MODE");
    parser.addOption(modeOption);
    if (auto done = zindle::cli::parse(parser, program, zindle::cli::arguments(argc, argv)))
        return *done;
    const QStringList args = parser.positionalArguments();
    const std::string command = args.isEmpty() ? std::string() : args[0].toStdString();
    const qsizetype files = command == "advise" ? 1 : 2;
    if ((command != "compress" && command != "decompress" && command != "advise") ||
        args.size() != files + 1)
        return zindle::cli::badUsage(parser, program,
                                     "expected compress IN OUT, decompress IN OUT or advise IN");
    if (parser.isSet(modeOption) && command != "compress")
        return zindle::cli::badUsage(parser, program, "--mode goes with compress");

    LastCaption view;
    Tlzrw1 lzrw1(&view);
    try {
        if (command == "compress") {
            if (parser.isSet(modeOption)) {
                const QString mode = parser.value(modeOption);
                if (mode == "fast")
                    lzrw1.CompressMode = TCompressMode::Fast;
                else if (mode == "good")
                    lzrw1.CompressMode = TCompressMode::Good;
                else if (mode == "auto")
                    lzrw1.CompressMode = TCompressMode::Auto;
                else
                    return zindle::cli::badUsage(parser, program,
                                                 "--mode takes fast, good or auto");
            }
            lzrw1.InputFile = args[1].toStdString();
            lzrw1.OutputFile = args[2].toStdString();
            lzrw1.Compress();
        } else if (command == "decompress") {
            lzrw1.InputFile = args[1].toStdString();
            lzrw1.OutputFile = args[2].toStdString();
            lzrw1.Decompress();
        } else if (command == "advise") {
            lzrw1.InputFile = args[1].toStdString();
            const TCompressMode mode = lzrw1.Advise();
            std::puts(mode == TCompressMode::Fast ? "fast" : "good");
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    if (!view.text.empty()) std::puts(view.text.c_str());
    return 0;
}
