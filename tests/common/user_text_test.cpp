#include "common/user_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace {

struct ErrorCase {
    uint32_t code;
    CodeSign sign;
    const char* want;
};

TEST(UserText, ErrorTextWritesTheCodeAsAskedFor) {
    const ErrorCase cases[] = {
        {0, CodeSign::Unsigned, "Error WlanEnumInterfaces (0)"},
        {0, CodeSign::Signed, "Error WlanEnumInterfaces (0)"},
        {5, CodeSign::Unsigned, "Error WlanEnumInterfaces (5)"},
        {5, CodeSign::Signed, "Error WlanEnumInterfaces (5)"},
        {0x7FFFFFFF, CodeSign::Signed, "Error WlanEnumInterfaces (2147483647)"},
        {0x80000000, CodeSign::Unsigned, "Error WlanEnumInterfaces (2147483648)"},
        {0x80000000, CodeSign::Signed, "Error WlanEnumInterfaces (-2147483648)"},
        {0x80004005, CodeSign::Unsigned, "Error WlanEnumInterfaces (2147500037)"},
        {0x80004005, CodeSign::Signed, "Error WlanEnumInterfaces (-2147467259)"},
        {0xFFFFFFFF, CodeSign::Unsigned, "Error WlanEnumInterfaces (4294967295)"},
        {0xFFFFFFFF, CodeSign::Signed, "Error WlanEnumInterfaces (-1)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorText("WlanEnumInterfaces", c.code, c.sign), c.want) << c.code;
    EXPECT_EQ(ErrorText("", 1, CodeSign::Signed), "Error  (1)");
}

class CountingMessages : public MessageSink {
public:
    void ShowMessage(const std::string& text) override {
        shown.push_back(text);
        linesWhenShown.push_back(log ? log->Lines().size() : 0);
    }
    std::vector<std::string> shown;
    std::vector<size_t> linesWhenShown;
    const TRunLog* log = nullptr;
};

TEST(UserText, ReportErrorLogsBeforeTheBoxAndToleratesNoLog) {
    std::random_device rd;
    const auto dir = std::filesystem::temp_directory_path() / ("usertext-" + std::to_string(rd()));
    std::filesystem::create_directories(dir);
    {
        TRunLog log({.file_name = (dir / "Vellumar.log").string(), .max_lines = 100});
        CountingMessages messages;
        messages.log = &log;
        ReportError(&log, messages, "Error X (1)");
        ASSERT_EQ(messages.shown, std::vector<std::string>{"Error X (1)"});
        EXPECT_EQ(messages.linesWhenShown[0], 1u);  // the line is written before the box opens
        ASSERT_EQ(log.Lines().size(), 1u);
        EXPECT_NE(log.Lines()[0].find("Error X (1)"), std::string::npos);

        CountingMessages unlogged;
        ReportError(nullptr, unlogged, "Error Y (2)");
        EXPECT_EQ(unlogged.shown, std::vector<std::string>{"Error Y (2)"});
    }
    std::filesystem::remove_all(dir);
}

TEST(UserText, YesNo) {
    EXPECT_EQ(YesNo(true), "Yes");
    EXPECT_EQ(YesNo(false), "No");
}

}  // namespace
