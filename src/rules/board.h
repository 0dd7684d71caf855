// The shared model: board grids, cell colours, tile codes and their letters.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zindle {

inline constexpr int kBoardSize = 19;
inline constexpr int kCentre = 9;        // the centre cell is (9, 9)
inline constexpr int32_t kNoTile = 100;  // empty cell, empty slot, entry not in use
inline constexpr int32_t kCentreColour = 0;
inline constexpr int32_t kZindleColour = 5;
inline constexpr int32_t kLetterCount = 26;  // codes 0..25 are a..z

// Indexed [x][y]: x the column from the left, y the row from the top.
using Grid = std::array<std::array<int32_t, kBoardSize>, kBoardSize>;

// Four seat numbers for the quarters, in the order a, b, c, d.
struct Arrangement {
    int a, b, c, d;
    bool operator==(const Arrangement&) const = default;
};

// The four arrangements a game start picks from with random(4).
inline constexpr std::array<Arrangement, 4> kArrangements{
    {{1, 2, 3, 4}, {2, 3, 4, 1}, {3, 4, 1, 2}, {4, 1, 2, 3}}};

inline constexpr bool onBoard(int x, int y) {
    return x >= 0 && x < kBoardSize && y >= 0 && y < kBoardSize;
}

inline constexpr bool isLetterCode(int32_t code) {
    return code >= 0 && code < kLetterCount;
}

// Colours every cell with the pinwheel of quarters; the centre gets 0.
void getboard(Grid& colours, int a, int b, int c, int d);
void getboard(Grid& colours, const Arrangement& arrangement);

// Every cell set to value (kNoTile for an empty letters grid).
void fillGrid(Grid& grid, int32_t value);
Grid makeGrid(int32_t value);

// "a" for 0 ... "z" for 25; any other code gives "a".
std::string converttoletter(int code);

// The back of a double-sided tile: 25 - code for 0..24, 0 for anything else.
int flippedletter(int code);

// Lower-case or upper-case letter to its code; kNoTile for anything else.
int32_t codeOfLetter(char letter);

}  // namespace zindle
