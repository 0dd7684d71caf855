// The slow reference: lays every choice of rack letters on every run of free
// cells and asks the host's own judge. Tests and benchmarks hold the move
// generator against it.
#pragma once

#include <map>
#include <tuple>
#include <vector>

#include "engine/movegen.h"
#include "rules/judge.h"

namespace zindle::engine {

// A move as the board sees it after the host has laid it: (x, y, letter)
// sorted; for a first word the cells after the move to the middle.
using MoveKey = std::vector<std::tuple<int, int, int>>;

MoveKey keyOf(const PlacedSet& placed);

// Every accepted move of at most maxTiles tiles, with its best score (a first
// word scores by where it was laid, so the same key can be worth more than
// one amount).
std::map<MoveKey, int> bruteForceMoves(const Position& pos, const Rack& rack,
                                       const WordLookup& lookup, int maxTiles);

}  // namespace zindle::engine
