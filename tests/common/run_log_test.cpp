#include "common/run_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <vector>

namespace fs = std::filesystem;

namespace {

class RunLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        dir_ = fs::temp_directory_path() / ("runlog-" + std::to_string(rd()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        SetLogTimeSeparator(nullptr);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::vector<std::string> DirEntries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
        return names;
    }

    // Ticks one second per line from 2024-03-05 14:07:09.
    static TRunLog::Clock SteppingClock() {
        auto second = std::make_shared<int>(9);
        return [second] { return LogTime{2024, 3, 5, 14, 7, (*second)++}; };
    }

    fs::path dir_;
};

TEST_F(RunLogTest, VerboseFileFormatByteForByte) {
    const std::string path = PathOf("Vellumar.log");
    TRunLog log({.file_name = path, .verbose = true});
    log.SetClock(SteppingClock());
    log.Add("Starting", LogLevel::Info);
    EXPECT_EQ(Read(path), "Info\t[24-03-05 14:07:09]\tStarting\r\n");  // saved after every line
    log.Add("details", LogLevel::Verbose);
    log.Add("Error WlanEnumInterfaces (5)", LogLevel::Error);
    log.Add("level five", static_cast<LogLevel>(5));  // a number past the levels
    EXPECT_EQ(Read(path),
              "Error\t[24-03-05 14:07:12]\tlevel five\r\n"
              "Error\t[24-03-05 14:07:11]\tError WlanEnumInterfaces (5)\r\n"
              "Verbose\t[24-03-05 14:07:10]\tdetails\r\n"
              "Info\t[24-03-05 14:07:09]\tStarting\r\n");
    EXPECT_EQ(DirEntries(), std::vector<std::string>{"Vellumar.log"});  // no temporary file left
}

TEST_F(RunLogTest, TimeStamps) {
    EXPECT_EQ(LogTimeStamp({2009, 12, 31, 0, 0, 5}), "[09-12-31 00:00:05]");
    EXPECT_EQ(LogTimeStamp({2100, 1, 2, 23, 59, 59}), "[00-01-02 23:59:59]");
    SetLogTimeSeparator([] { return std::string("."); });
    EXPECT_EQ(LogTimeStamp({2024, 3, 5, 14, 7, 9}), "[24-03-05 14.07.09]");
    SetLogTimeSeparator(nullptr);
    EXPECT_EQ(LogTimeStamp({2024, 3, 5, 14, 7, 9}), "[24-03-05 14:07:09]");
}

TEST_F(RunLogTest, NormalLogDropsVerboseAndWritesOnlyWhenAsked) {
    const std::string path = PathOf("Vellumar.log");
    {
        std::ofstream(path, std::ios::binary) << "Info\t[24-01-01 00:00:00]\tlast run\r\n";
    }
    std::string opened;
    {
        TRunLog log({.file_name = path});
        log.SetClock(SteppingClock());
        log.SetFileOpener([&](const std::string& name) { opened = name; });
        log.Add("dropped", LogLevel::Verbose);
        log.Add("kept", LogLevel::Info);
        EXPECT_EQ(log.Lines().size(), 1u);
        EXPECT_EQ(Read(path), "Info\t[24-01-01 00:00:00]\tlast run\r\n");  // untouched until asked

        log.OpenInViewer();
        EXPECT_EQ(opened, path);
        EXPECT_EQ(Read(path), "Info\t[24-03-05 14:07:09]\tkept\r\n");  // the old run's file replaced

        log.Add("line\r\nwith a break", LogLevel::Error);
        EXPECT_EQ(log.Lines().size(), 2u);
    }
    // Destruction saves once more.
    EXPECT_EQ(Read(path),
              "Error\t[24-03-05 14:07:10]\tline\r\nwith a break\r\n"
              "Info\t[24-03-05 14:07:09]\tkept\r\n");
}

TEST_F(RunLogTest, LineCap) {
    const std::string path = PathOf("cap.log");
    TRunLog log({.file_name = path});
    log.SetClock([] { return LogTime{2024, 3, 5, 14, 7, 9}; });
    for (int i = 1; i <= 10001; ++i) log.Add(std::to_string(i), LogLevel::Info);
    ASSERT_EQ(log.Lines().size(), 10000u);
    EXPECT_EQ(log.Lines().front(), "Info\t[24-03-05 14:07:09]\t10001");
    EXPECT_EQ(log.Lines().back(), "Info\t[24-03-05 14:07:09]\t2");  // the very first line is gone
    log.Save();
    const std::string file = Read(path);
    size_t crlf = 0;
    for (size_t at = file.find("\r\n"); at != std::string::npos; at = file.find("\r\n", at + 2)) ++crlf;
    EXPECT_EQ(crlf, 10000u);
    EXPECT_TRUE(file.ends_with("\t2\r\n"));

    TRunLog small({.file_name = PathOf("small.log"), .verbose = true, .max_lines = 2});
    small.SetClock(SteppingClock());
    for (const char* text : {"a", "b", "c"}) small.Add(text, LogLevel::Info);
    EXPECT_EQ(Read(PathOf("small.log")),
              "Info\t[24-03-05 14:07:11]\tc\r\n"
              "Info\t[24-03-05 14:07:10]\tb\r\n");
}

TEST_F(RunLogTest, AbsentLogDoesNothing) {
    LogAdd(nullptr, "nobody listens", LogLevel::Error);
    TRunLog log({.file_name = PathOf("a.log"), .verbose = true, .max_lines = 10});
    log.SetClock(SteppingClock());
    LogAdd(&log, "through the helper", LogLevel::Info);
    EXPECT_EQ(log.Lines().size(), 1u);
}

TEST_F(RunLogTest, FailedSavesAreSwallowedAndRetried) {
    // Folder missing: the log keeps working in memory.
    const std::string missing = PathOf("no such folder/Vellumar.log");
    {
        TRunLog log({.file_name = missing, .verbose = true, .max_lines = 10});
        log.Add("first", LogLevel::Info);
        log.Add("second", LogLevel::Error);
        EXPECT_EQ(log.Lines().size(), 2u);
        log.OpenInViewer();
    }
    EXPECT_FALSE(fs::exists(dir_ / "no such folder"));

    // The target cannot be replaced (a folder with content stands in its way): no temp file
    // is left, and once the way is clear the next save writes every line.
    const std::string path = PathOf("blocked.log");
    fs::create_directories(fs::path(path) / "inside");
    TRunLog log({.file_name = path, .verbose = true, .max_lines = 10});
    log.SetClock(SteppingClock());
    log.Add("one", LogLevel::Info);
    EXPECT_EQ(DirEntries(), std::vector<std::string>{"blocked.log"});
    EXPECT_TRUE(fs::is_directory(path));
    fs::remove_all(path);
    log.Add("two", LogLevel::Info);
    EXPECT_EQ(Read(path),
              "Info\t[24-03-05 14:07:10]\ttwo\r\n"
              "Info\t[24-03-05 14:07:09]\tone\r\n");
}

TEST_F(RunLogTest, FileIsInTheAnsiCodePage) {
    const std::string path = PathOf("ansi.log");
    TRunLog log({.file_name = path, .verbose = true, .max_lines = 10});
    log.SetClock(SteppingClock());
    log.Add("New network found : Caf\xC3\xA9", LogLevel::Info);
    EXPECT_EQ(Read(path), "Info\t[24-03-05 14:07:09]\tNew network found : Caf\xE9\r\n");  // Latin-1 on the host
    EXPECT_EQ(log.Lines().front(), "Info\t[24-03-05 14:07:09]\tNew network found : Caf\xC3\xA9");
}

TEST_F(RunLogTest, LoadExistingPutsNewLinesOnTop) {
    const std::string path = PathOf("old.log");
    {
        std::ofstream(path, std::ios::binary) << "Info\t[24-01-01 00:00:00]\tB\r\nInfo\t[24-01-01 00:00:00]\tA\r\n";
    }
    TRunLog log({.file_name = path, .max_lines = 2, .load_existing = true});
    log.SetClock(SteppingClock());
    EXPECT_EQ(log.Lines().size(), 2u);
    log.Add("C", LogLevel::Info);
    log.Save();
    EXPECT_EQ(Read(path),
              "Info\t[24-03-05 14:07:09]\tC\r\n"
              "Info\t[24-01-01 00:00:00]\tB\r\n");
}

}  // namespace
