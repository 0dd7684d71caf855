// The command line every program shares: --help, --version and the answer to an
// unknown option, on QCommandLineParser, plus process-wide signal set-up.
#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <optional>

namespace zindle::cli {

struct Program {
    QString name;     // "zindle-host"
    QString summary;  // one line: what it does
    QString args;     // the positional arguments' syntax, "" when none
    QString details;  // further lines after the options, "" when none
};

// QCommandLineParser that remembers its options, for a usage text that
// needs no application object (zindle answers --help before any display).
class Parser : public QCommandLineParser {
public:
    bool addOption(const QCommandLineOption& option) {
        list_ << option;
        return QCommandLineParser::addOption(option);
    }
    bool addOptions(const QList<QCommandLineOption>& options) {
        for (const QCommandLineOption& option : options) addOption(option);
        return true;
    }
    const QList<QCommandLineOption>& options() const { return list_; }

private:
    QList<QCommandLineOption> list_;
};

// The usage text: the summary, the options and the positional arguments.
QString usage(const Parser& parser, const Program& program);

// Adds --help and --version and parses args (args[0] is the program).
// Returns the exit status when the program should end at once: 0 after
// --help (usage on stdout) or --version; 2 after an unknown option or a
// missing value (the cause and the usage on stderr).
std::optional<int> parse(Parser& parser, const Program& program, const QStringList& args);

// Reports a bad value the way parse() reports an unknown option; returns 2.
int badUsage(const Parser& parser, const Program& program, const QString& cause);

// A file-size limit must not kill the program: writes past it fail with EFBIG
// and the saving code reports that like any other failed write.
void ignoreFileSizeSignal();

// argv as a list, with the file-size signal ignored: main()'s first line.
QStringList arguments(int argc, char** argv);

// For a program with windows: parses before any display is opened, knowing
// Qt's own options (-platform, -style, ...) without listing them, then
// creates the application. Returns the exit status when the program should
// end at once.
void addToolkitOptions(Parser& parser);
template <class App>
std::optional<int> parseGui(int& argc, char** argv, const Program& program, Parser& parser,
                            std::optional<App>& app) {
    addToolkitOptions(parser);
    if (auto done = parse(parser, program, arguments(argc, argv))) return done;
    app.emplace(argc, argv);
    return std::nullopt;
}

}  // namespace zindle::cli
