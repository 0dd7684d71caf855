#include "cli/commandline.h"

#include <algorithm>
#include <csignal>
#include <cstdio>

#include "cli/version.h"

namespace zindle::cli {

namespace {

void write(std::FILE* to, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
    std::fflush(to);
}

}  // namespace

QString usage(const Parser& parser, const Program& program) {
    QString text = "Usage: " + program.name + " [options]";
    if (!program.args.isEmpty()) text += " " + program.args;
    text += "\n" + program.summary + "\n\nOptions:\n";
    QStringList rows;
    qsizetype width = 0;
    QList<QCommandLineOption> shown;
    for (const QCommandLineOption& option : parser.options()) {
        if (option.flags() & QCommandLineOption::HiddenFromHelp) continue;
        shown << option;
        QStringList names;
        for (const QString& name : option.names()) names << (name.size() == 1 ? "-" : "--") + name;
        QString row = "  " + names.join(", ");
        if (!option.valueName().isEmpty()) row += " " + option.valueName();
        rows << row;
        width = std::max(width, row.size());
    }
    for (int i = 0; i < rows.size(); ++i)
        text += rows[i].leftJustified(width + 2) + shown[i].description() + "\n";
    if (!program.details.isEmpty()) text += "\n" + program.details + "\n";
    return text;
}

std::optional<int> parse(Parser& parser, const Program& program, const QStringList& args) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{"h", "help"}, "Show this help and exit.");
    const QCommandLineOption version("version", "Show the program's name and version and exit.");
    parser.addOptions({help, version});
    const bool ok = parser.parse(args);
    if (parser.isSet(help)) {
        write(stdout, usage(parser, program));
        return 0;
    }
    if (parser.isSet(version)) {
        write(stdout, program.name + " " + ZINDLE_VERSION + "\n");
        return 0;
    }
    if (!ok) return badUsage(parser, program, parser.errorText());
    return std::nullopt;
}

int badUsage(const Parser& parser, const Program& program, const QString& cause) {
    write(stderr, program.name + ": " + cause + "\n" + usage(parser, program));
    return 2;
}

void addToolkitOptions(Parser& parser) {
    auto hidden = [&parser](const QString& name, const QString& value) {
        QCommandLineOption option(name, QString(), value);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    };
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin", "display",
                             "geometry", "qwindowgeometry", "qwindowtitle", "qwindowicon", "style",
                             "stylesheet", "session", "name", "title"})
        hidden(name, "value");
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"})
        hidden(name, QString());
}

void ignoreFileSizeSignal() {
    std::signal(SIGXFSZ, SIG_IGN);
}

QStringList arguments(int argc, char** argv) {
    ignoreFileSizeSignal();
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    return args;
}

}  // namespace zindle::cli
