#pragma once
// The tally file "zindletally.tld": the tally's grid text in a "WRZL" container, coded in
// mode Fast. The uncompressed text lives in memory only, so two windows never share a
// temporary file and the current directory does not matter.

#include <string>
#include <string_view>

#include "stats/lzrw1.h"
#include "stats/tallymodel.h"

namespace zindle {

class TallyFile {
public:
    explicit TallyFile(std::string path);
    TallyFile(const TallyFile&) = delete;
    TallyFile& operator=(const TallyFile&) = delete;

    const std::string& path() const { return path_; }

    // The compressor, set to mode Fast.
    Tlzrw1 doit;

    // A tally file larger than this, or announcing more text, is damaged.
    static constexpr std::size_t MaxFileSize = 8u << 20;
    static constexpr std::size_t MaxTextSize = 16u << 20;

    // The container for a tally, and a tally from a container's bytes. decode throws
    // EGridError saying what is wrong, and then leaves the model as it was.
    std::string encode(const TallyModel& model) { return pack(model.text()); }
    // Any grid text in a container.
    std::string pack(const std::string& text);
    void decode(std::string_view bytes, TallyModel& model);

    enum class Loaded { Fresh, Read, Damaged };
    // No file gives a fresh tally. A file that cannot be read, decompressed or parsed gives
    // a fresh tally and Damaged with the reason; the file is moved aside (keptAs) so that no
    // save overwrites it. When that move fails now, the next save tries it again first.
    Loaded load(TallyModel& model, std::string& reason);
    // Where a damaged file was moved; empty when none was.
    const std::string& keptAs() const { return keptAs_; }

    // Writes a temporary file beside the tally, flushes it to the disk and renames it over
    // the old one, so the file on disk is always one complete tally, even if the program is
    // killed part-way. false with the reason; the previous file is then as it was. A tally
    // that is a symbolic link stays one: its target is replaced.
    bool save(const TallyModel& model, std::string& reason);

private:
    bool moveAside(std::string& reason);
    void removeStaleTemporaries();

    std::string path_;
    std::string keptAs_;
    bool damaged_ = false;
};

}  // namespace zindle
