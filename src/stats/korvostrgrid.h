#pragma once
// KorvoStrgrid: a grid of text cells and its text file.
//
// The file: line 1 the column count, line 2 the row count, then one line per cell, column by
// column (all rows of column 0, then column 1, ...), every line ending in CR LF. Cell texts are
// written as the bytes they are, unquoted; the tally keeps them in Windows-1252.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zindle {

// A grid file that cannot be read or written; what() says why, in a few words.
class EGridError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TStringGrid {
public:
    TStringGrid() = default;
    TStringGrid(int cols, int rows) { SetSize(cols, rows); }

    int ColCount() const { return cols_; }
    int RowCount() const { return rows_; }
    // Cells inside both the old and the new size keep their text; new cells are empty.
    void SetSize(int cols, int rows);
    void SetRowCount(int rows) { SetSize(cols_, rows); }

    std::string& Cells(int col, int row) { return cells_.at(col).at(row); }
    const std::string& Cells(int col, int row) const { return cells_.at(col).at(row); }

    // Moves every later row up by one.
    void DeleteRow(int row);

    bool operator==(const TStringGrid&) const = default;

private:
    int cols_ = 0;
    int rows_ = 0;
    std::vector<std::vector<std::string>> cells_;  // [col][row]
};

// The file's content for a grid.
std::string GridText(const TStringGrid& grid);

// Reads a grid from the file's content. Lines may end in CR LF or LF alone; anything after
// the last cell is ignored. Throws EGridError for a count that is not a number, a count
// beyond the limits, or fewer lines than the counts announce; grid is then left as it was.
void ParseGridText(std::string_view text, TStringGrid& grid, int maxCols = 1000,
                   int maxRows = 1000000);

// Throw EGridError when the file cannot be written or read, or (loading) is malformed.
void SaveGridToFile(const TStringGrid& grid, const std::string& fileName);
void LoadGridFromFile(TStringGrid& grid, const std::string& fileName);

}  // namespace zindle
