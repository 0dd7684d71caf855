// The computer players' word list: a minimal DAWG over the same 15-byte
// records the host judges with, packed into three flat arrays. A node's
// outgoing letters are a 26-bit mask, so a child is found with one popcount
// instead of a search.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "rules/mydict.h"

namespace zindle::engine {

class Lexicon {
public:
    using Node = uint32_t;
    static constexpr Node kNone = 0xFFFFFFFFu;

    // Only words the host's binary search can find are taken, so the players
    // never lay a word the host would refuse: when the records are out of
    // order, each word is checked with the same search first.
    static Lexicon fromRecords(WordListBytes records);
    static Lexicon fromWords(const std::vector<std::string>& words);

    Node root() const { return 0; }
    uint32_t letters(Node n) const { return mask_[n] & kLetterBits; }  // bit L: an edge for code L
    bool terminal(Node n) const { return (mask_[n] & kTerminalBit) != 0; }
    Node child(Node n, int letter) const {
        const uint32_t m = mask_[n];
        if (!(m & (1u << letter))) return kNone;
        return target_[first_[n] + std::popcount(m & ((1u << letter) - 1))];
    }
    // Follows lower-case or upper-case letters; kNone when the path leaves the list.
    Node walk(Node n, std::string_view letters) const;
    bool contains(std::string_view word) const;

    std::size_t wordCount() const { return words_; }
    std::size_t nodeCount() const { return mask_.size(); }
    std::size_t memoryBytes() const {
        return mask_.capacity() * 4 + first_.capacity() * 4 + target_.capacity() * 4;
    }

private:
    static constexpr uint32_t kLetterBits = (1u << 26) - 1;
    static constexpr uint32_t kTerminalBit = 1u << 26;

    std::vector<uint32_t> mask_;    // per node: letters and the terminal bit
    std::vector<uint32_t> first_;   // per node: index of its first edge in target_
    std::vector<uint32_t> target_;  // per edge, in letter order: the child node
    std::size_t words_ = 0;

    friend class LexiconBuilder;
};

}  // namespace zindle::engine
