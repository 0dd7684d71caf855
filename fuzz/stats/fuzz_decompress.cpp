// Decompress on hostile containers. The first byte picks how the rest is framed, so that
// most inputs get past the tag: raw bytes; a "WRZL" or "!HZL" header with a fuzzed size;
// one LZRW1/KH block whose length field fits its body; or, as a check on the coders,
// the rest compressed in both codings and decompressed back, which must give it unchanged.

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "lzrw1.h"

namespace {

std::string decompress(const std::string& container, bool& ok) {
    std::istringstream in(container);
    std::ostringstream out;
    Tlzrw1 c;
    c.UseStream = true;
    c.InputStream = &in;
    c.OutputStream = &out;
    ok = true;
    try {
        if (c.Decompress() != static_cast<std::int64_t>(out.str().size())) std::abort();
    } catch (const ELzrw1Exception&) {
        ok = false;
    }
    return out.str();
}

void roundTrip(const std::string& data) {
    for (const TCompressMode mode : {TCompressMode::Fast, TCompressMode::Good}) {
        std::istringstream in(data);
        std::stringstream packed;
        Tlzrw1 c;
        c.UseStream = true;
        c.CompressMode = mode;
        c.InputStream = &in;
        c.OutputStream = &packed;
        c.Compress();
        bool ok = false;
        if (decompress(packed.str(), ok) != data || !ok) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string sizeField = rest.substr(0, 4);
    const std::string after = rest.size() > 4 ? rest.substr(4) : std::string();
    bool ok = false;
    switch (data[0] % 5) {
        case 0:
            decompress(rest, ok);
            break;
        case 1:
            decompress("WRZL" + rest, ok);
            break;
        case 2:
            decompress("!HZL" + rest, ok);
            break;
        case 3: {
            const std::size_t len = after.size();
            std::string c = "WRZL" + sizeField;
            c += static_cast<char>(len & 0xFF);
            c += static_cast<char>((len >> 8) & 0xFF);
            decompress(c + after, ok);
            break;
        }
        default:
            roundTrip(rest);
    }
    return 0;
}
