#include "rules/board.h"

namespace zindle {

void getboard(Grid& colours, int a, int b, int c, int d) {
    // Later tests overwrite earlier ones; (9, 9) matches none and becomes the centre.
    for (int x = 0; x < kBoardSize; ++x) {
        for (int y = 0; y < kBoardSize; ++y) {
            if (x <= 9 && y <= 8) colours[x][y] = a;
            if (x >= 10 && y <= 9) colours[x][y] = c;
            if (x <= 8 && y >= 9) colours[x][y] = b;
            if (x >= 9 && y >= 10) colours[x][y] = d;
        }
    }
    colours[kCentre][kCentre] = kCentreColour;
}

void getboard(Grid& colours, const Arrangement& arrangement) {
    getboard(colours, arrangement.a, arrangement.b, arrangement.c, arrangement.d);
}

void fillGrid(Grid& grid, int32_t value) {
    for (auto& column : grid) column.fill(value);
}

Grid makeGrid(int32_t value) {
    Grid grid;
    fillGrid(grid, value);
    return grid;
}

std::string converttoletter(int code) {
    if (!isLetterCode(code)) return "a";
    return std::string(1, static_cast<char>('a' + code));
}

int flippedletter(int code) {
    if (code >= 0 && code <= 24) return 25 - code;
    return 0;
}

int32_t codeOfLetter(char letter) {
    if (letter >= 'a' && letter <= 'z') return letter - 'a';
    if (letter >= 'A' && letter <= 'Z') return letter - 'A';
    return kNoTile;
}

}  // namespace zindle
