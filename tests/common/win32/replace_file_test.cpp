#include "common/win32/replace_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "common/win32/fixtures.h"
#include "common/win32/unique.h"
#include "common/win32/wide.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(std::filesystem::path(Widen(path)), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

size_t EntriesIn(const TempFolder& folder) {
    size_t n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(Widen(folder.Path())))) {
        (void)entry;
        ++n;
    }
    return n;
}

TEST(FileReplacing, WritesNewAndReplacesOldWholly) {
    TempFolder folder;
    const std::string target = folder.Path("survey é.csv");
    const std::string big(3u << 20, 'x');  // more than one write
    ASSERT_TRUE(WriteFileReplacing(target, "first").ok);
    EXPECT_EQ(ReadAll(target), "first");
    const FileWriteResult result = WriteFileReplacing(target, big);
    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_EQ(ReadAll(target), big);
    EXPECT_EQ(EntriesIn(folder), 1u);  // no temporary file left
}

TEST(FileReplacing, FailureKeepsOldFileAndSaysWhy) {
    TempFolder folder;
    const FileWriteResult missing = WriteFileReplacing(folder.Path("no such folder\\out.json"), "{}");
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.error.empty());

    const std::string target = folder.Path("busy.json");
    ASSERT_TRUE(WriteFileReplacing(target, "old").ok);
    {
        // Another program holds the file open without sharing: it cannot be replaced.
        UniqueFile held(CreateFileW(Widen(target).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        const FileWriteResult busy = WriteFileReplacing(target, "new");
        EXPECT_FALSE(busy.ok);
        EXPECT_FALSE(busy.error.empty());
    }
    EXPECT_EQ(ReadAll(target), "old");
    EXPECT_EQ(EntriesIn(folder), 1u);
}

}  // namespace
