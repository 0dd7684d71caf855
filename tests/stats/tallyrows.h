#pragma once
// A tally as its rows, each row's cells joined by spaces: "Ann 1 0 1 0 1 0 1 0".

#include <string>
#include <vector>

#include "stats/tallymodel.h"

inline std::vector<std::string> rowsOf(const zindle::TallyModel& m) {
    std::vector<std::string> rows;
    for (int r = 0; r < m.rowCount(); ++r) {
        std::string line;
        for (int c = 0; c < zindle::TallyModel::Columns; ++c) line += (c ? " " : "") + m.cell(c, r);
        rows.push_back(line);
    }
    return rows;
}
