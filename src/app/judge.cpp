// zindle-judge: lays tiles on a board described by a scenario and prints the
// verdict of the rules, as the host would judge a "CMD_done".
//
//   zindle-judge [--words FILE] [SCENARIO]
//
// Scenario lines (blank lines and lines starting with # are skipped):
//   arrangement A B C D    zindles N    seat S    first yes|no
//   letter X Y L           rack R (ten letters or '.')
//   lay SLOT FLIP X Y      (FLIP y or n)
#include "rules/judge.h"

#include <charconv>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commandline.h"
#include "rules/bag.h"
#include "rules/board.h"
#include "rules/mydict.h"
#include "rules/seats.h"
#include "rules/zindle.h"

namespace {

struct Scenario {
    zindle::Arrangement arrangement{1, 2, 3, 4};
    int zindles = 0;
    int seat = 1;
    bool first = true;
    zindle::Grid letters = zindle::makeGrid(zindle::kNoTile);
    zindle::Rack rack = zindle::emptyRack();
    std::vector<zindle::LayGroup> lays;
};

struct Malformed {
    std::string message;
};

std::optional<int> toInt(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

std::vector<std::string> fieldsOf(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> fields;
    for (std::string f; in >> f;) fields.push_back(f);
    return fields;
}

Scenario parse(std::istream& in) {
    Scenario sc;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto f = fieldsOf(line);
        if (f.empty() || f[0][0] == '#') continue;
        auto fail = [&](const std::string& why) {
            return Malformed{"line " + std::to_string(number) + ": " + why + ": " + line};
        };
        auto integers = [&](std::size_t from, std::size_t count) {
            if (f.size() != from + count)
                throw fail("expected " + std::to_string(count) + " values");
            std::vector<int> values;
            for (std::size_t i = from; i < f.size(); ++i) {
                auto v = toInt(f[i]);
                if (!v) throw fail("not a number '" + f[i] + "'");
                values.push_back(*v);
            }
            return values;
        };
        const std::string& key = f[0];
        if (key == "arrangement") {
            const auto v = integers(1, 4);
            sc.arrangement = {v[0], v[1], v[2], v[3]};
        } else if (key == "zindles") {
            sc.zindles = integers(1, 1)[0];
        } else if (key == "seat") {
            sc.seat = integers(1, 1)[0];
            if (!zindle::isPlayer(sc.seat)) throw fail("seat must be 1 to 4");
        } else if (key == "first") {
            if (f.size() != 2 || (f[1] != "yes" && f[1] != "no")) throw fail("expected yes or no");
            sc.first = f[1] == "yes";
        } else if (key == "letter") {
            if (f.size() != 4) throw fail("expected X Y L");
            const auto x = toInt(f[1]), y = toInt(f[2]);
            if (!x || !y) throw fail("not a number");
            if (!zindle::onBoard(*x, *y)) throw fail("cell off the board");
            if (f[3].size() != 1 || f[3][0] < 'a' || f[3][0] > 'z')
                throw fail("letter must be a-z");
            sc.letters[*x][*y] = zindle::codeOfLetter(f[3][0]);
        } else if (key == "rack") {
            if (f.size() != 2 || f[1].size() != zindle::kRackSize)
                throw fail("expected ten characters");
            for (int slot = 1; slot <= zindle::kRackSize; ++slot) {
                const char ch = f[1][slot - 1];
                if (ch == '.') {
                    sc.rack[slot] = zindle::kNoTile;
                } else if (ch >= 'a' && ch <= 'z') {
                    sc.rack[slot] = zindle::codeOfLetter(ch);
                } else {
                    throw fail("rack holds letters a-z or '.'");
                }
            }
        } else if (key == "lay") {
            if (f.size() != 5 || (f[2] != "y" && f[2] != "n")) throw fail("expected SLOT y|n X Y");
            const auto slot = toInt(f[1]), x = toInt(f[3]), y = toInt(f[4]);
            if (!slot || !x || !y) throw fail("not a number");
            // Out-of-range values are the rules' business: they refuse the move.
            sc.lays.push_back({*slot, f[2] == "y", *x, *y});
        } else {
            throw fail("unknown keyword '" + key + "'");
        }
    }
    return sc;
}

}  // namespace

int main(int argc, char** argv) {
    std::string wordsFile;
    std::string scenarioFile;
    const zindle::cli::Program program{
        "zindle-judge", "Judges one move from a scenario and prints the verdict.", "[SCENARIO]",
        "SCENARIO is a file, or - or nothing for standard input."};
    zindle::cli::Parser parser;
    const QCommandLineOption wordsOption("words", "Judge words against FILE.", "FILE");
    parser.addOption(wordsOption);
    if (auto done = zindle::cli::parse(parser, program, zindle::cli::arguments(argc, argv)))
        return *done;
    if (parser.positionalArguments().size() > 1)
        return zindle::cli::badUsage(parser, program, "one scenario at most");
    if (parser.isSet(wordsOption)) wordsFile = parser.value(wordsOption).toStdString();
    if (!parser.positionalArguments().isEmpty())
        scenarioFile = parser.positionalArguments()[0].toStdString();

    Scenario sc;
    try {
        if (scenarioFile.empty() || scenarioFile == "-") {
            sc = parse(std::cin);
        } else {
            std::ifstream in(scenarioFile);
            if (!in) {
                std::cerr << "zindle-judge: cannot read " << scenarioFile << "\n";
                return 2;
            }
            sc = parse(in);
        }
    } catch (const Malformed& m) {
        std::cerr << "zindle-judge: " << m.message << "\n";
        return 2;
    }

    auto report = [](const std::string& message) {
        std::cerr << "zindle-judge: " << message << "\n";
    };
    std::unique_ptr<zindle::TDictn> dict;
    if (wordsFile.empty()) {
        dict = std::make_unique<zindle::TDictn>(zindle::builtinWordList(), report);
    } else {
        std::ifstream words(wordsFile, std::ios::binary);
        if (!words) {
            std::cerr << "zindle-judge: cannot read " << wordsFile << "\n";
            return 2;
        }
        const auto records = zindle::recordsFromWords(words);
        dict = std::make_unique<zindle::TDictn>(zindle::WordListBytes(records), report);
    }

    zindle::Grid colours{};
    zindle::getboard(colours, sc.arrangement);
    zindle::getzindle(colours, sc.zindles);

    const auto placed = zindle::fillplaced(sc.rack, sc.lays, sc.letters);
    zindle::Verdict verdict;
    if (placed)
        verdict = zindle::checkword({colours, sc.letters, sc.seat, sc.first}, *placed, *dict);

    if (!verdict.valid) {
        std::cout << "verdict invalid\n";
        return 0;
    }
    std::cout << "verdict valid\n"
              << "word " << verdict.word << "\n"
              << "score " << verdict.wordscore << "\n";
    for (int slot = 1; slot <= zindle::kRackSize; ++slot) {
        const zindle::Placed& p = verdict.placed[slot];
        if (p.code == zindle::kNoTile) continue;
        std::cout << "tile " << slot << ' ' << p.x << ' ' << p.y << ' '
                  << zindle::converttoletter(p.code) << "\n";
    }
    std::cout << "zindles-covered " << zindle::coveredZindles(verdict.placed, colours) << "\n";
    return 0;
}
