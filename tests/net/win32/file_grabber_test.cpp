#include "net/win32/file_grabber.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "common/win32/wide.h"
#include "net/maker_server.h"
#include "net/net_error.h"
#include "net/win32/http_custo.h"
#include "net/win32/openssl_lib.h"
#include "support/win32/net_test_server.h"

namespace {

namespace fs = std::filesystem;
using net_test::PumpUntil;
using net_test::Url;

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

class FileGrabberTest : public testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = fs::path(temp) / ("vellumar-grab-" + std::to_string(GetCurrentProcessId()));
        fs::create_directories(folder_);
        log_ = std::make_unique<TRunLog>(
            RunLogOptions{.file_name = Narrow((folder_ / "test.log").wstring()), .verbose = true, .max_lines = 1000});
    }
    void TearDown() override {
        grabber_.reset();
        log_.reset();
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }

    // Starts a fetch and waits for OnDone; returns how many times it was raised.
    int GrabAndWait(const std::string& url, const fs::path& target) {
        if (!grabber_) grabber_ = std::make_unique<TFileGrabber>(log_.get());
        int done = 0;
        grabber_->Grab(url, target.empty() ? "" : Narrow(target.wstring()), [&](TFileGrabber& sender) {
            EXPECT_EQ(&sender, grabber_.get());
            ++done;
        });
        EXPECT_TRUE(PumpUntil([&] { return done > 0; })) << url;
        net_test::PumpFor(50);
        return done;
    }

    // The log line (without level and time) that contains `part`, or "".
    std::string LogLine(const std::string& part) const {
        for (const auto& line : log_->Lines())
            if (line.find(part) != std::string::npos) return line.substr(line.rfind('\t') + 1);
        return "";
    }
    // "Verbose", "Info" or "Error": the level the line was written at.
    std::string LevelOf(const std::string& part) const {
        for (const auto& line : log_->Lines())
            if (line.find(part) != std::string::npos) return line.substr(0, line.find('\t'));
        return "";
    }

    fs::path folder_;
    std::unique_ptr<TRunLog> log_;
    std::unique_ptr<TFileGrabber> grabber_;
};

TEST_F(FileGrabberTest, OnlyA200AnswerIsWritten) {
    net_test::TrustedTestCa ca;
    struct Case { std::string url; std::string body; };
    const Case cases[] = {
        {Url("https", "/redirect/2"), "end of the chain"},
        {Url("http", "/relative/a/b"), "/relative/c/target?x=1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        const fs::path target = folder_ / "out.txt";
        WriteFile(target, "old content that is longer than the new one");
        EXPECT_EQ(GrabAndWait(c.url, target), 1);
        EXPECT_EQ(grabber_->ErrorCode, 0);
        EXPECT_EQ(ReadFile(target), c.body);
        EXPECT_EQ(LogLine("File downloaded in ").rfind("File downloaded in ", 0), 0u);
        EXPECT_EQ(LogLine("File downloaded in ").back(), 's');
        EXPECT_EQ(LevelOf("File downloaded in "), "Info");
        EXPECT_EQ(grabber_->URL, c.url);
        EXPECT_FALSE(fs::exists(folder_ / "out.txt.download"));
    }
    // An error page never replaces the file.
    const fs::path target = folder_ / "vellumar.ini";
    WriteFile(target, "[errors]\r\n");
    EXPECT_EQ(GrabAndWait(Url("https", "/status/404"), target), 1);
    EXPECT_EQ(grabber_->ErrorCode, 404);
    EXPECT_EQ(ReadFile(target), "[errors]\r\n");
    EXPECT_EQ(LogLine("File download : Server error"), "File download : Server error (404 Cause : Not Found)");
    EXPECT_FALSE(fs::exists(folder_ / "vellumar.ini.download"));
}

TEST_F(FileGrabberTest, ARefusedStartIsLoggedAndEndsTheFetch) {
    grabber_ = std::make_unique<TFileGrabber>(log_.get());
    SetHttpStartRefusedForTest(true);
    int done = 0;
    grabber_->Grab(Url("http", "/status/404"), "", [&](TFileGrabber&) { ++done; });
    SetHttpStartRefusedForTest(false);
    EXPECT_EQ(done, 1);
    EXPECT_EQ(grabber_->ErrorCode, static_cast<int32_t>(NetError::StartFailed));
    EXPECT_EQ(LogLine("FileGrabber : "), "FileGrabber : Request could not be started");
    EXPECT_EQ(LevelOf("FileGrabber : "), "Error");
}

TEST_F(FileGrabberTest, FailuresLeaveTheFileAndStillRaiseOnDone) {
    SetHttpIdleTimeoutForTest(300);
    const std::string refused = "http://127.0.0.1:" + std::to_string(net_test::ClosedPort()) + "/x";
    struct Case { std::string url; std::string line; };
    const Case cases[] = {
        {refused, "File download : Server error (10061 Cause : Connection refused)"},
        {Url("http", "/stall"), "File download : Server error (20008 Cause : Time-out: no data from the server (300 ms without data))"},
        {Url("http", "/len/70000"), "File download : Server error (20005 Cause : Response body limit exceeded (65536 bytes))"},
        {Url("http", "/hugeheader"), "File download : Server error (20004 Cause : Response header limit exceeded (65536 bytes))"},
        {Url("https_self", "/len/10"), "File download : Server error (20012 Cause : Server certificate rejected (untrusted root))"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        const fs::path target = folder_ / "keep.txt";
        WriteFile(target, "previous");
        EXPECT_EQ(GrabAndWait(c.url, target), 1);
        EXPECT_EQ(ReadFile(target), "previous");
        EXPECT_EQ(LogLine("File download : Server error"), c.line);
        EXPECT_EQ(LevelOf("File download : Server error"), "Error");
        log_ = std::make_unique<TRunLog>(
            RunLogOptions{.file_name = Narrow((folder_ / "test.log").wstring()), .verbose = true, .max_lines = 1000});
        grabber_->Log = log_.get();
    }
    SetHttpIdleTimeoutForTest(std::nullopt);
}

TEST_F(FileGrabberTest, AFailedWriteKeepsTheOldFile) {
    // Held open without sharing, as another program might hold the hint file.
    const fs::path busy = folder_ / "busy.ini";
    WriteFile(busy, "old");
    HANDLE held = CreateFileW(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GrabAndWait(Url("http", "/len/100"), busy), 1);
    CloseHandle(held);
    EXPECT_EQ(ReadFile(busy), "old");
    EXPECT_NE(LogLine("File download : Write error").find("busy.ini"), std::string::npos);
    EXPECT_EQ(LevelOf("File download : Write error"), "Error");
    EXPECT_FALSE(fs::exists(folder_ / "busy.ini.download"));

    for (const fs::path& target : {folder_ / "no-such-folder" / "x.bin", folder_ / "a-folder"}) {
        fs::create_directories(folder_ / "a-folder");
        EXPECT_EQ(GrabAndWait(Url("http", "/len/100"), target), 1);
        EXPECT_NE(LogLine("File download : Write error").find(target.filename().string()), std::string::npos);
    }
    EXPECT_TRUE(fs::is_directory(folder_ / "a-folder"));
}

TEST_F(FileGrabberTest, EmptyFileNameKeepsTheBodyInMemory) {
    grabber_ = std::make_unique<TFileGrabber>(log_.get());
    EXPECT_EQ(grabber_->ContentLength(), 0);  // no client yet
    EXPECT_EQ(grabber_->ReceivedCount(), 0);
    EXPECT_EQ(GrabAndWait(Url("http", "/close/3000"), {}), 1);
    EXPECT_EQ(grabber_->Buffer.size(), 3000u);
    EXPECT_EQ(grabber_->ContentLength(), -1);
    EXPECT_EQ(grabber_->ReceivedCount(), 3000);
    EXPECT_EQ(GrabAndWait(Url("http", "/len/2000"), {}), 1);
    EXPECT_EQ(grabber_->Buffer.size(), 2000u);  // emptied at each fetch
    EXPECT_EQ(grabber_->ContentLength(), 2000);
}

TEST_F(FileGrabberTest, ASecondGrabAbandonsTheFirst) {
    grabber_ = std::make_unique<TFileGrabber>(log_.get());
    int firstDone = 0;
    grabber_->Grab(Url("http", "/stall"), Narrow((folder_ / "first.bin").wstring()), [&](TFileGrabber&) { ++firstDone; });
    net_test::PumpFor(150);
    EXPECT_EQ(GrabAndWait(Url("http", "/len/10"), folder_ / "second.bin"), 1);
    net_test::PumpFor(300);
    EXPECT_EQ(firstDone, 0);
    EXPECT_FALSE(fs::exists(folder_ / "first.bin"));
    EXPECT_EQ(ReadFile(folder_ / "second.bin").size(), 10u);

    // Destroying the fetcher abandons a running transfer too.
    int done = 0;
    grabber_->Grab(Url("http", "/stall"), "", [&](TFileGrabber&) { ++done; });
    net_test::PumpFor(100);
    grabber_.reset();
    net_test::PumpFor(300);
    EXPECT_EQ(done, 0);
}

TEST_F(FileGrabberTest, ProxySettingsAreUsed) {
    grabber_ = std::make_unique<TFileGrabber>(log_.get());
    grabber_->SetProxy(true, "127.0.0.1", net_test::Port("proxy"), "user", "secret");
    EXPECT_EQ(GrabAndWait(Url("http", "/echo"), folder_ / "echo.txt"), 1);
    const std::string head = ReadFile(folder_ / "echo.txt");
    // Absolute form and credentials: the request went to the proxy.
    EXPECT_EQ(head.rfind("GET http://127.0.0.1:" + std::to_string(net_test::Port("http")) + "/echo HTTP/1.1\r\n", 0), 0u) << head;
    EXPECT_NE(head.find("\r\nProxy-Authorization: Basic dXNlcjpzZWNyZXQ=\r\n"), std::string::npos) << head;
    grabber_->SetProxy(true, "127.0.0.1", net_test::Port("proxy"), "user", "wrong");
    EXPECT_EQ(GrabAndWait(Url("http", "/echo"), folder_ / "echo.txt"), 1);
    EXPECT_EQ(grabber_->ErrorCode, 407);
    EXPECT_EQ(ReadFile(folder_ / "echo.txt"), head);  // the proxy's refusal is no file
}

TEST_F(FileGrabberTest, WithoutOpenSslHttpsIsNotFetched) {
    SetOpenSslFoldersForTest({L"C:\\no-such-folder"});
    UnloadOpenSslForTest();
    // The plain server's port under an https address: a downgrade would be answered.
    const std::string url = "HTTPS://127.0.0.1:" + std::to_string(net_test::Port("http")) + "/len/10";
    WriteFile(folder_ / "plain.bin", "old");
    EXPECT_EQ(GrabAndWait(url, folder_ / "plain.bin"), 1);
    EXPECT_EQ(grabber_->Client, nullptr);
    EXPECT_EQ(grabber_->ErrorCode, static_cast<int32_t>(NetError::StartFailed));
    EXPECT_EQ(LogLine("FileGrabber : No SSL"), "FileGrabber : No SSL / Not fetched");
    EXPECT_EQ(LevelOf("FileGrabber : No SSL"), "Error");
    EXPECT_EQ(ReadFile(folder_ / "plain.bin"), "old");
    EXPECT_EQ(OpenSslLogLine(), "OpenSSL : Not Available");
    SetOpenSslFoldersForTest({});
    EXPECT_TRUE(IsSslAvailable());
    EXPECT_EQ(OpenSslLogLine().rfind("OpenSSL : OpenSSL 3.", 0), 0u) << OpenSslLogLine();

    log_ = std::make_unique<TRunLog>(
        RunLogOptions{.file_name = Narrow((folder_ / "test.log").wstring()), .verbose = true, .max_lines = 1000});
    grabber_->Log = log_.get();
    net_test::TrustedTestCa ca;
    EXPECT_EQ(GrabAndWait(Url("https", "/len/10"), folder_ / "tls.bin"), 1);
    EXPECT_EQ(LogLine("FileGrabber : No SSL"), "");
    EXPECT_EQ(ReadFile(folder_ / "tls.bin").size(), 10u);
    // The test CA's certificates name no revocation server: fetched, and the log says so.
    EXPECT_EQ(LogLine("FileGrabber : Certificate"),
              "FileGrabber : Certificate revocation not checked (no revocation server answered)");
}

TEST_F(FileGrabberTest, HintFileComesFromTheMakerServer) {
    net_test::TrustedTestCa ca;
    const std::string server = "127.0.0.1:" + std::to_string(net_test::Port("https"));
    SetEnvironmentReader([&](const char* name) -> std::optional<std::string> {
        if (std::string(name) == "VELLUMAR_SERVER") return server;
        return std::nullopt;
    });
    grabber_ = std::make_unique<TFileGrabber>(log_.get());
    StartHintDownload(*grabber_, Narrow(folder_.wstring()));
    SetEnvironmentReader(nullptr);
    EXPECT_EQ(grabber_->URL, "https://" + server + "/vellumar/vellumar.ini");
    EXPECT_TRUE(PumpUntil([&] { return !grabber_->Client->Busy(); }));
    EXPECT_EQ(ReadFile(folder_ / "vellumar.ini"), "[errors]\r\n1062=https://hint.example/wlan-service\r\n");
    EXPECT_NE(LogLine("File downloaded in "), "");
}

}  // namespace
