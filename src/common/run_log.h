#pragma once
// The program's one text log: lines kept in memory newest first, written whole to
// a file in the ANSI code page. Every part of the program reports through Add; the
// objects that log hold a pointer that may be null, and LogAdd makes that harmless.
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

// Local date and time of a log line.
struct LogTime {
    int year = 2000, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;
};

// The separator between hours, minutes and seconds of the time stamps. The Windows
// layer installs the user's locale separator; until then, and after resetting with an
// empty source, it is ":".
using TimeSeparatorSource = std::function<std::string()>;
void SetLogTimeSeparator(TimeSeparatorSource source);

// "[yy-mm-dd hh:mm:ss]" with the current time separator.
std::string LogTimeStamp(const LogTime& t);

// A verbose line is kept only by a verbose log.
enum class LogLevel { Verbose, Info, Error };

struct RunLogOptions {
    std::string file_name;  // UTF-8
    bool verbose = false;
    int32_t max_lines = 10000;
    // An existing file's lines are taken over as they stand, so new lines go on top of them.
    bool load_existing = false;
};

class TRunLog {
public:

    using Clock = std::function<LogTime()>;
    using FileOpener = std::function<void(const std::string& file_name)>;

    explicit TRunLog(RunLogOptions options);
    ~TRunLog();  // saves once more
    TRunLog(const TRunLog&) = delete;
    TRunLog& operator=(const TRunLog&) = delete;

    void Add(std::string_view text, LogLevel level);
    // Rewrites the file; a failure leaves the file as it was and is not reported.
    void Save();
    // Saves, then hands the file to the opener (the shell on Windows).
    void OpenInViewer();

    void SetClock(Clock clock);            // default: the local time now
    void SetFileOpener(FileOpener opener); // default: does nothing

    const std::deque<std::string>& Lines() const { return lines_; }  // UTF-8, index 0 newest
    const std::string& FileName() const { return file_name_; }
    bool Verbose() const { return verbose_; }
    int32_t MaxLines() const { return max_lines_; }

private:
    void Load();

    std::deque<std::string> lines_;
    std::string file_name_;
    int32_t max_lines_;
    bool verbose_;
    Clock clock_;
    FileOpener opener_;
};

// Logging through an absent log does nothing.
void LogAdd(TRunLog* log, std::string_view text, LogLevel level);

// The local time now, from the C runtime.
LogTime LocalTimeNow();
