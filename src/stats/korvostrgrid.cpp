#include "stats/korvostrgrid.h"

#include <charconv>
#include <fstream>
#include <iterator>

namespace zindle {

void TStringGrid::SetSize(int cols, int rows) {
    if (cols < 0 || rows < 0) throw std::invalid_argument("negative grid size");
    cells_.resize(static_cast<std::size_t>(cols));
    for (auto& column : cells_) column.resize(static_cast<std::size_t>(rows));
    cols_ = cols;
    rows_ = rows;
}

void TStringGrid::DeleteRow(int row) {
    if (row < 0 || row >= rows_) throw std::out_of_range("no such grid row");
    for (auto& column : cells_) column.erase(column.begin() + row);
    --rows_;
}

std::string GridText(const TStringGrid& grid) {
    std::string text =
        std::to_string(grid.ColCount()) + "\r\n" + std::to_string(grid.RowCount()) + "\r\n";
    for (int c = 0; c < grid.ColCount(); ++c)
        for (int r = 0; r < grid.RowCount(); ++r) {
            text += grid.Cells(c, r);
            text += "\r\n";
        }
    return text;
}

namespace {

// Splits off one line at a time; a lone LF ends a line too.
class LineReader {
public:
    explicit LineReader(std::string_view text) : rest_(text) {}
    bool next(std::string_view& line) {
        if (rest_.empty()) return false;
        const std::size_t lf = rest_.find('\n');
        line = rest_.substr(0, lf);
        rest_ = lf == std::string_view::npos ? std::string_view() : rest_.substr(lf + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return true;
    }
    // Lines still to come, counted without splitting them.
    std::size_t remaining() const {
        if (rest_.empty()) return 0;
        std::size_t n = 0;
        for (const char ch : rest_) n += ch == '\n';
        return n + (rest_.back() == '\n' ? 0 : 1);
    }

private:
    std::string_view rest_;
};

long long readCount(LineReader& lines, const char* what) {
    std::string_view line;
    if (!lines.next(line)) throw EGridError(std::string("the ") + what + " is missing");
    long long n = 0;
    const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), n);
    if (line.empty() || ec != std::errc() || end != line.data() + line.size())
        throw EGridError(std::string("the ") + what + " \"" + std::string(line.substr(0, 20)) +
                         "\" is not a number");
    return n;
}

}  // namespace

void ParseGridText(std::string_view text, TStringGrid& grid, int maxCols, int maxRows) {
    LineReader lines(text);
    const long long cols = readCount(lines, "column count");
    const long long rows = readCount(lines, "row count");
    if (cols < 0 || cols > maxCols)
        throw EGridError("the column count " + std::to_string(cols) + " is absurd");
    if (rows < 0 || rows > maxRows)
        throw EGridError("the row count " + std::to_string(rows) + " is absurd");
    // Count before allocating, so a damaged count never sizes the grid beyond the text.
    const std::size_t cells = static_cast<std::size_t>(cols * rows);
    const std::size_t have = lines.remaining();
    if (have < cells)
        throw EGridError("it has " + std::to_string(have + 2) + " lines where " +
                         std::to_string(cells + 2) + " are announced");

    TStringGrid read(static_cast<int>(cols), static_cast<int>(rows));
    std::string_view line;
    for (int c = 0; c < read.ColCount(); ++c)
        for (int r = 0; r < read.RowCount(); ++r) {
            lines.next(line);
            read.Cells(c, r) = line;
        }
    grid = std::move(read);
}

void SaveGridToFile(const TStringGrid& grid, const std::string& fileName) {
    const std::string text = GridText(grid);
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    if (!out.write(text.data(), static_cast<std::streamsize>(text.size())) || !out.flush())
        throw EGridError("cannot write " + fileName);
}

void LoadGridFromFile(TStringGrid& grid, const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw EGridError("cannot open " + fileName);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw EGridError("cannot read " + fileName);
    ParseGridText(text, grid);
}

}  // namespace zindle
