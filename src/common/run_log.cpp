#include "common/run_log.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "common/encoding.h"

namespace fs = std::filesystem;

namespace {

constexpr std::array<std::string_view, 3> kLevelMarkers = {"Verbose", "Info", "Error"};

TimeSeparatorSource& SeparatorSource() {
    static TimeSeparatorSource source;
    return source;
}

// The file name is UTF-8; a plain std::string path would be read as ANSI on Windows.
fs::path PathFromUtf8(std::string_view utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string TwoDigits(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

}  // namespace

void SetLogTimeSeparator(TimeSeparatorSource source) { SeparatorSource() = std::move(source); }

std::string LogTimeStamp(const LogTime& t) {
    const std::string sep = SeparatorSource() ? SeparatorSource()() : ":";
    return "[" + TwoDigits(t.year % 100) + "-" + TwoDigits(t.month) + "-" + TwoDigits(t.day) + " " +
           TwoDigits(t.hour) + sep + TwoDigits(t.minute) + sep + TwoDigits(t.second) + "]";
}

LogTime LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &now);
#else
    localtime_r(&now, &tm);
#endif
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

TRunLog::TRunLog(RunLogOptions options)
    : file_name_(std::move(options.file_name)),
      max_lines_(options.max_lines),
      verbose_(options.verbose),
      clock_(LocalTimeNow) {
    if (options.load_existing) Load();
}

TRunLog::~TRunLog() { Save(); }

void TRunLog::SetClock(Clock clock) { clock_ = clock ? std::move(clock) : Clock(LocalTimeNow); }

void TRunLog::SetFileOpener(FileOpener opener) { opener_ = std::move(opener); }

void TRunLog::Add(std::string_view text, LogLevel level) {
    if (level == LogLevel::Verbose && !verbose_) return;
    // A level made from another number is read as the nearest one, never past the markers.
    const size_t marker = std::clamp<size_t>(static_cast<size_t>(level), 0, kLevelMarkers.size() - 1);
    std::string line(kLevelMarkers[marker]);
    line += '\t';
    line += LogTimeStamp(clock_());
    line += '\t';
    line += text;
    lines_.push_front(std::move(line));
    if (static_cast<int64_t>(lines_.size()) > max_lines_) lines_.pop_back();

    if (verbose_) Save();
}

void TRunLog::Save() {
    // A failed save must never cost the previous file: write beside it, then swap it in.
    try {
        std::string text;
        size_t size = 0;
        for (const auto& line : lines_) size += line.size() + 2;
        text.reserve(size);
        for (const auto& line : lines_) {
            text += line;
            text += "\r\n";
        }
        const std::string bytes = Utf8ToAnsi(text);

        const fs::path target = PathFromUtf8(file_name_);
        fs::path temp = target;
        temp += ".tmp";
        std::error_code ec;
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            if (!out) return;
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            out.close();
            if (!out) {
                fs::remove(temp, ec);
                return;
            }
        }
        fs::rename(temp, target, ec);
        if (ec) fs::remove(temp, ec);
    } catch (...) {
        // Out of memory or an unusable path: the lines stay, the next save tries again.
    }
}

void TRunLog::OpenInViewer() {
    Save();
    if (opener_) opener_(file_name_);
}

void TRunLog::Load() {
    try {
        std::ifstream in(PathFromUtf8(file_name_), std::ios::binary);
        if (!in) return;
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string text = AnsiToUtf8(bytes);
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            size_t stop = end;
            if (stop > start && text[stop - 1] == '\r') --stop;
            lines_.emplace_back(text, start, stop - start);
            start = end + 1;
        }
    } catch (...) {
        lines_.clear();
    }
}

void LogAdd(TRunLog* log, std::string_view text, LogLevel level) {
    if (log) log->Add(text, level);
}
