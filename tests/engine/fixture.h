// The built-in word list as the host judges with it and as the players read it.
#pragma once

#include <memory>

#include "engine/lexicon.h"
#include "rules/judge.h"
#include "rules/mydict.h"

namespace enginetest {

struct Words {
    zindle::TDictn dict;
    zindle::engine::Lexicon lex = zindle::engine::Lexicon::fromRecords(zindle::builtinWordList());
    zindle::WordLookup lookup = [this](std::string_view w) { return dict.lookup(w); };
};

inline Words& words() {
    static Words* w = new Words;  // built once for the whole test binary
    return *w;
}

// A rack from letters, slots 1.. in order.
inline zindle::Rack rackOf(std::string_view letters) {
    zindle::Rack r = zindle::emptyRack();
    int slot = 1;
    for (char c : letters) r[slot++] = zindle::codeOfLetter(c);
    return r;
}

}  // namespace enginetest
