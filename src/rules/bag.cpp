#include "rules/bag.h"

namespace zindle {

Rack emptyRack() {
    Rack rack;
    rack.fill(kNoTile);
    return rack;
}

void Bag::createtileorder(Random& random) {
    for (int pos = 1; pos <= kBagSize; ++pos) bag[pos] = kNoTile;
    for (int32_t code = 0; code < kLetterCount; ++code) {
        for (int n = 0; n < kTileCounts[code]; ++n) {
            int pos;
            do {
                pos = random.random(kBagSize) + 1;
            } while (bag[pos] != kNoTile);
            bag[pos] = code;
        }
    }
}

std::optional<int32_t> Bag::gettile() {
    ++bagpos;
    if (bagpos > kMaxDrawn) {
        bagpos = kMaxDrawn;
        return std::nullopt;
    }
    if (bagpos < 1) bagpos = 1;  // a corrupted count must not index before the bag
    if (!isLetterCode(bag[bagpos])) bag[bagpos] = 0;
    return bag[bagpos];
}

std::optional<int32_t> Bag::gettile(Rack& rack, int slot) {
    auto code = gettile();
    if (code && slot >= 1 && slot <= kRackSize) rack[slot] = *code;
    return code;
}

}  // namespace zindle
