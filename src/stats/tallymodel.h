#pragma once
// The tally: games finished and won by the local player, and for each followed opponent the
// games played together and who won them, all time and this session. Counts are decimal text
// in a 9-column grid; row 0 is the local player, row i the i-th followed opponent. Names are
// Windows-1252 bytes, as on the wire and in the file.

#include <string>
#include <string_view>
#include <vector>

#include "stats/korvostrgrid.h"

namespace zindle {

class TallyModel {
public:
    enum Column {
        Name = 0,
        Games = 1,    // row 0: games finished; opponent: games together
        HisWins = 2,  // row 0: the local player's wins
        MyWins = 3,
        NeitherWon = 4,
        SessionGames = 5,  // columns 5 to 8: the same four, this session only
        SessionHisWins = 6,
        SessionMyWins = 7,
        SessionNeitherWon = 8,
        Columns = 9,
    };
    // More followed opponents than this can only come from a damaged file.
    static constexpr int MaxRows = 10000;
    // The winner passed to addgame when the local player won alone.
    static constexpr std::string_view Mine = "addtomine";

    TallyModel() { reset(); }

    const TStringGrid& grid() const { return grid_; }
    const std::string& cell(int col, int row) const { return grid_.Cells(col, row); }
    int rowCount() const { return grid_.RowCount(); }

    // Names in the lists ignore letter case (Windows-1252 letters included).
    static bool sameName(std::string_view a, std::string_view b);
    // The row of a followed name, or -1.
    int find(std::string_view name) const;
    // Appends a row of "0" for a new name and returns it; -1 when the name is followed
    // already, or could not be stored (empty, a line break that would split the file, or
    // MaxRows opponents followed already).
    int follow(std::string_view name);
    // Deletes an opponent's row; later rows move up (moverow).
    void drop(int row);

    // Adds 1 to a cell and returns the new count (an empty cell counts as 0).
    int addit(int col, int row);
    // Counts one finished game: inGame holds the other players seated in it, winner is the
    // sole winner's name or Mine. Each followed opponent's row is counted once.
    void addgame(const std::vector<std::string>& inGame, std::string_view winner);

    // Every count to "0", no opponents.
    void reset();
    // A new run: the session columns of every opponent back to "0".
    void startSession();

    // The grid as file text, and back. load throws EGridError saying what is wrong (not 9
    // columns, an absurd row count, a count that is not a number, missing lines) and then
    // leaves the tally as it was.
    std::string text() const { return GridText(grid_); }
    void load(std::string_view text);

private:
    TStringGrid grid_;
};

}  // namespace zindle
