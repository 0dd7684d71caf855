#include "stats/tallymodel.h"

#include <charconv>
#include <climits>
#include <set>

namespace zindle {

namespace {

// Windows-1252 lower case to upper case; the other bytes stay.
unsigned char upper1252(unsigned char ch) {
    if (ch >= 'a' && ch <= 'z') return static_cast<unsigned char>(ch - 32);
    if (ch >= 0xE0 && ch <= 0xFE && ch != 0xF7) return static_cast<unsigned char>(ch - 32);
    switch (ch) {
        case 0x9A:
            return 0x8A;  // s caron
        case 0x9C:
            return 0x8C;  // oe
        case 0x9E:
            return 0x8E;  // z caron
        case 0xFF:
            return 0x9F;  // y diaeresis
        default:
            return ch;
    }
}

// assign(1, '0') rather than = "0": GCC 12 warns falsely about the latter (-Wrestrict).
void zero(std::string& cell) {
    cell.assign(1, '0');
}

bool parseCount(std::string_view text, long long& n) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size() && n >= INT_MIN &&
           n <= INT_MAX;
}

}  // namespace

bool TallyModel::sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper1252(static_cast<unsigned char>(a[i])) !=
            upper1252(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

int TallyModel::find(std::string_view name) const {
    for (int r = 1; r < grid_.RowCount(); ++r)
        if (sameName(grid_.Cells(Name, r), name)) return r;
    return -1;
}

int TallyModel::follow(std::string_view name) {
    // A row more than load accepts would make the saved file unreadable.
    if (name.empty() || name.find_first_of("\r\n") != std::string_view::npos || find(name) >= 0 ||
        grid_.RowCount() > MaxRows)
        return -1;
    const int row = grid_.RowCount();
    grid_.SetRowCount(row + 1);
    grid_.Cells(Name, row) = name;
    for (int c = Games; c < Columns; ++c) zero(grid_.Cells(c, row));
    return row;
}

void TallyModel::drop(int row) {
    // Row 0 is the local player's and always stays.
    if (row >= 1 && row < grid_.RowCount()) grid_.DeleteRow(row);
}

int TallyModel::addit(int col, int row) {
    std::string& cell = grid_.Cells(col, row);
    long long n = 0;
    if (!parseCount(cell, n)) n = 0;
    if (n < INT_MAX) ++n;
    cell = std::to_string(n);
    return static_cast<int>(n);
}

void TallyModel::addgame(const std::vector<std::string>& inGame, std::string_view winner) {
    addit(Games, 0);
    const bool mine = winner == Mine;
    if (mine) addit(HisWins, 0);
    // Two seated players whose names differ only in case share one row; count it once.
    std::set<int> counted;
    for (const std::string& name : inGame) {
        const int row = find(name);
        if (row < 0 || !counted.insert(row).second) continue;
        for (int c = Games; c < Columns; ++c)
            if (grid_.Cells(c, row).empty()) zero(grid_.Cells(c, row));
        addit(Games, row);
        addit(SessionGames, row);
        if (grid_.Cells(Name, row) == winner) {
            addit(HisWins, row);
            addit(SessionHisWins, row);
        } else if (mine) {
            addit(MyWins, row);
            addit(SessionMyWins, row);
        } else {
            addit(NeitherWon, row);
            addit(SessionNeitherWon, row);
        }
    }
}

void TallyModel::reset() {
    grid_.SetSize(Columns, 1);
    for (int c = 0; c < Columns; ++c) zero(grid_.Cells(c, 0));
}

void TallyModel::startSession() {
    for (int r = 1; r < grid_.RowCount(); ++r)
        for (int c = SessionGames; c < Columns; ++c) zero(grid_.Cells(c, r));
}

void TallyModel::load(std::string_view text) {
    TStringGrid read;
    ParseGridText(text, read, 1000, MaxRows + 1);
    if (read.ColCount() != Columns)
        throw EGridError("it has " + std::to_string(read.ColCount()) + " columns instead of " +
                         std::to_string(int(Columns)));
    if (read.RowCount() < 1) throw EGridError("it has no rows");
    long long n = 0;
    for (int r = 0; r < read.RowCount(); ++r)
        for (int c = Games; c < Columns; ++c) {
            const std::string& cell = read.Cells(c, r);
            // Empty counts are allowed: addgame treats them as 0.
            if (!cell.empty() && !parseCount(cell, n))
                throw EGridError("the count \"" + cell.substr(0, 20) + "\" in row " +
                                 std::to_string(r) + ", column " + std::to_string(c) +
                                 " is not a number");
        }
    grid_ = std::move(read);
}

}  // namespace zindle
