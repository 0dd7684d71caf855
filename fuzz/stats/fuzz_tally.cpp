// The tally loader on hostile bytes: decompression and the grid parse, as at start-up.
// The first byte picks the framing: the bytes as the whole file, or the rest packed into a
// valid container first so that the grid parse sees arbitrary text. A tally that loads must
// save and load back unchanged.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "stats/tallyfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    zindle::TallyFile file("/nonexistent/zindletally.tld");
    std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    if (data[0] & 1) bytes = file.pack(bytes);

    zindle::TallyModel model;
    try {
        file.decode(bytes, model);
    } catch (const zindle::EGridError&) {
        return 0;
    }
    model.startSession();
    model.addgame({model.rowCount() > 1 ? model.cell(0, 1) : std::string("x")}, "addtomine");
    zindle::TallyModel back;
    file.decode(file.encode(model), back);
    if (!(back.grid() == model.grid())) std::abort();
    return 0;
}
