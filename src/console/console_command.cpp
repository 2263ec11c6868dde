#include "console/console_command.h"

#include <algorithm>
#include <cstdint>

namespace console {
namespace {

struct VerbName {
    std::string_view name;
    Verb verb;
};
constexpr VerbName kVerbs[] = {{"scan", Verb::Scan}, {"watch", Verb::Watch}, {"export", Verb::Export}};

struct FormatName {
    std::string_view name;
    ExportKind kind;
};
constexpr FormatName kFormats[] = {{"json", ExportKind::Json}, {"csv", ExportKind::Csv}, {"pcapng", ExportKind::Pcapng}};

constexpr unsigned Bit(Verb verb) { return 1u << static_cast<unsigned>(verb); }

// The options each command takes; those taking a value are marked.
struct Option {
    std::string_view name;
    bool value;
    unsigned verbs;  // Bit of each
};
constexpr Option kOptions[] = {
    {"--replay", true, Bit(Verb::Scan) | Bit(Verb::Watch)},
    {"--json", false, Bit(Verb::Scan)},
    {"--fresh", false, Bit(Verb::Scan)},
    {"--interval", true, Bit(Verb::Watch)},
    {"--count", true, Bit(Verb::Watch)},
    {"--filter", true, Bit(Verb::Watch)},
    {"--format", true, Bit(Verb::Export)},
    {"--out", true, Bit(Verb::Export)},
};

std::string_view VerbText(Verb verb) {
    for (const auto& [name, v] : kVerbs)
        if (v == verb) return name;
    return "";
}

// A whole number from 1 to max, or none.
std::optional<uint64_t> Count(std::string_view text, uint64_t max) {
    if (text.empty() || text.size() > 20) return std::nullopt;
    uint64_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + static_cast<uint64_t>(c - '0');
        if (n > max) return std::nullopt;
    }
    if (n == 0) return std::nullopt;
    return n;
}

Parse Fail(std::string error) { return {std::nullopt, std::move(error)}; }

// Code points, which is what a console shows one cell each for most text.
size_t Columns(std::string_view text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

}  // namespace

Parse ParseArguments(const std::vector<std::string>& args) {
    Command command;
    std::optional<Verb> verb;
    std::vector<std::pair<std::string_view, std::string>> given;  // option, value
    std::vector<std::string> operands;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h" || arg == "/?") return {Command{.verb = Verb::Help}, ""};
        if (arg == "--version") return {Command{.verb = Verb::Version}, ""};
        if (arg.starts_with("--")) {
            const auto option = std::find_if(std::begin(kOptions), std::end(kOptions),
                                             [&](const Option& o) { return o.name == arg; });
            if (option == std::end(kOptions)) return Fail("unknown option " + arg);
            if (std::any_of(given.begin(), given.end(), [&](const auto& g) { return g.first == option->name; }))
                return Fail(arg + " is given twice");
            std::string value;
            if (option->value) {
                if (i + 1 >= args.size() || args[i + 1].empty() || args[i + 1].starts_with("--"))
                    return Fail(arg + " needs a value");
                value = args[++i];
            }
            given.emplace_back(option->name, std::move(value));
            continue;
        }
        if (!verb) {
            const auto known = std::find_if(std::begin(kVerbs), std::end(kVerbs),
                                            [&](const VerbName& v) { return v.name == arg; });
            if (known == std::end(kVerbs)) return Fail("unknown command " + arg);
            verb = known->verb;
            continue;
        }
        operands.push_back(arg);
    }
    if (!verb) return Fail("no command given");
    command.verb = *verb;
    for (const auto& [name, value] : given) {
        const Option& option = *std::find_if(std::begin(kOptions), std::end(kOptions),
                                             [&](const Option& o) { return o.name == name; });
        if (!(option.verbs & Bit(*verb)))
            return Fail(std::string(VerbText(*verb)) + " does not take " + std::string(name));
        if (name == "--replay") command.replay = value;
        else if (name == "--json") command.json = true;
        else if (name == "--fresh") command.fresh = true;
        else if (name == "--filter") command.filter = value;
        else if (name == "--out") command.out = value;
        else if (name == "--interval") {
            const auto seconds = Count(value, kLongestWatchSeconds);
            if (!seconds)
                return Fail("--interval takes whole seconds from 1 to " + std::to_string(kLongestWatchSeconds) +
                            ", not " + value);
            command.intervalSeconds = static_cast<uint32_t>(*seconds);
        } else if (name == "--count") {
            command.count = Count(value, UINT32_MAX);
            if (!command.count) return Fail("--count takes a whole number from 1, not " + value);
        } else if (name == "--format") {
            const auto format = std::find_if(std::begin(kFormats), std::end(kFormats),
                                             [&](const FormatName& f) { return f.name == value; });
            if (format == std::end(kFormats)) return Fail("--format is json, csv or pcapng, not " + value);
            command.format = format->kind;
        }
    }
    if (*verb == Verb::Export) {
        if (operands.empty()) return Fail("export needs the recording to convert");
        command.recording = operands.front();
        operands.erase(operands.begin());
        if (std::none_of(given.begin(), given.end(), [](const auto& g) { return g.first == "--format"; }))
            return Fail("export needs --format json, csv or pcapng");
        if (command.out.empty()) return Fail("export needs --out FILE");
    }
    if (!operands.empty()) return Fail("unexpected argument " + operands.front());
    return {command, ""};
}

std::string Usage() {
    return "Usage:\n"
           "  vellumar scan [--json] [--fresh] [--replay FILE]\n"
           "      one pass: the adapters, networks and access points (a table, or with --json one\n"
           "      JSON document); --fresh first asks every adapter to scan and waits up to 10 s\n"
           "  vellumar watch [--interval S] [--count N] [--filter TEXT] [--replay FILE]\n"
           "      one JSON object per line and pass, every S seconds (default 1), N passes or until\n"
           "      Ctrl+C; --filter takes the words and tokens of the window's filter box\n"
           "  vellumar export RECORDING --format json|csv|pcapng --out FILE\n"
           "      converts a recording: json one object per line and pass, csv the access points\n"
           "      of every pass, pcapng a beacon per access point and pass; a site survey file\n"
           "      the same way, each measured point a pass\n"
           "  vellumar --help | --version\n"
           "The survey runs on the system's WLAN service, on the scenario VELLUMAR_WLAN_SCENARIO\n"
           "names, or on the recording --replay names. Exit codes: 0 done, 1 a WLAN service call\n"
           "failed, 2 bad usage or a bad file.\n";
}

std::string VersionLine(std::string_view version) { return "Vellumar " + std::string(version); }

std::string ClosingLine(uint64_t lines) {
    return "vellumar: " + std::to_string(lines) + (lines == 1 ? " line" : " lines");
}

std::string ReadableTables(const std::vector<TextTable>& tables) {
    std::string out;
    for (const TextTable& table : tables) {
        if (!out.empty()) out += '\n';
        out += table.title + '\n';
        std::vector<size_t> widths;
        auto measure = [&](const std::vector<std::string>& cells) {
            if (widths.size() < cells.size()) widths.resize(cells.size());
            for (size_t c = 0; c < cells.size(); ++c) widths[c] = std::max(widths[c], Columns(cells[c]));
        };
        measure(table.headers);
        for (const auto& row : table.rows) measure(row);
        auto line = [&](const std::vector<std::string>& cells) {
            std::string text;
            for (size_t c = 0; c < cells.size(); ++c) {
                text += cells[c];
                if (c + 1 < cells.size()) text.append(widths[c] - Columns(cells[c]) + 2, ' ');
            }
            out += text + '\n';
        };
        line(table.headers);
        for (const auto& row : table.rows) line(row);
    }
    return out;
}

}  // namespace console
