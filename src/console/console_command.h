#pragma once
// The console program's command line and what it prints, without the console:
//   vellumar [--replay FILE] scan [--json] [--fresh]
//   vellumar [--replay FILE] watch [--interval S] [--count N] [--filter TEXT]
//   vellumar export RECORDING --format json|csv|pcapng --out FILE
//   vellumar --help | --version
// Options may come before or after the command; a mistake is a usage error (exit 2)
// before anything is read or written.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace console {

inline constexpr int kExitOk = 0;
inline constexpr int kExitServiceFailed = 1;  // a Native Wifi call failed
inline constexpr int kExitUsage = 2;          // bad usage or a bad file

enum class Verb { Help, Version, Scan, Watch, Export };
enum class ExportKind { Json, Csv, Pcapng };

inline constexpr uint32_t kDefaultWatchSeconds = 1;
inline constexpr uint32_t kLongestWatchSeconds = 3600;
inline constexpr uint32_t kFreshScanWaitMs = 10000;

struct Command {
    Verb verb = Verb::Help;
    std::string replay = {};  // --replay FILE: the recording the survey runs on
    // scan
    bool json = false;
    bool fresh = false;
    // watch
    uint32_t intervalSeconds = kDefaultWatchSeconds;
    std::optional<uint64_t> count = {};
    std::string filter = {};
    // export
    std::string recording = {};
    ExportKind format = ExportKind::Json;
    std::string out = {};
};

struct Parse {
    std::optional<Command> command;
    std::string error;  // what is wrong, when there is no command
};

// The arguments after the program's name.
Parse ParseArguments(const std::vector<std::string>& args);

// Every command and option, for --help (and after a usage error's message).
std::string Usage();
// "Vellumar 1.6.3.18".
std::string VersionLine(std::string_view version);
// "vellumar: 12 lines", what watch says on standard error when it ends.
std::string ClosingLine(uint64_t lines);

// The lists for a reader: a title line per list, then its header and rows in
// columns two blanks apart, a blank line between lists. Cells are shown as they
// are; the caller makes names from the air safe first.
struct TextTable {
    std::string title;
    std::vector<std::string> headers;
    std::vector<std::vector<std::string>> rows;
};
std::string ReadableTables(const std::vector<TextTable>& tables);

}  // namespace console
