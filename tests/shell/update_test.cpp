// The update check, the offer window and the automatic update, against the local
// stand-in for the maker's server (tests/support/http_test_server.py).
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>

#include "common/win32/registry.h"
#include "common/win32/settings.h"
#include "net/maker_server.h"
#include "net/win32/http_client.h"
#include "shell/app_fixture.h"
#include "shell/menu.h"
#include "support/win32/net_test_server.h"
#include "common/text.h"
#include "update/win32/file_product.h"
#include "update/win32/rensel_lite.h"

namespace {

constexpr char kScenario[] = R"({"interfaces": [{"networks": [{"ssid": "A"}]}]})";
constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VellumarUpdateTest";

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(std::filesystem::path(Widen(path)), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(std::filesystem::path(Widen(path)), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool Exists(const std::string& path) { return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

class UpdateTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        ASSERT_TRUE(ca_.ok());
        server_ = "127.0.0.1:" + std::to_string(net_test::Port("https"));
        SetEnvironmentReader([this](const char* name) -> std::optional<std::string> {
            if (std::string_view(name) == "VELLUMAR_SERVER") return server_;
            return std::nullopt;
        });
        WriteSetting("debug_mode", "1");  // keeps the level-0 lines and saves the log after each line
        for (const char* name : {"check-answer", "check-query.txt", "files/vellumar.exe"})
            DeleteFileW(Widen(ServerFile(name)).c_str());
        CleanDataFolder();
    }

    void TearDown() override {
        app.reset();
        CleanDataFolder();
        SetEnvironmentReader(nullptr);
        AppTest::TearDown();
    }

    void CleanDataFolder() {
        for (const char* name : {"update.exe", "installer-args.txt", "update.log"})
            DeleteFileW(Widen(DataFolderPath() + name).c_str());
        for (const auto& folder : RunFolders()) {
            std::error_code ec;
            std::filesystem::remove_all(std::filesystem::path(Widen(folder)), ec);
        }
    }
    // The folders made for runs of the installer, each with the final backslash.
    std::vector<std::string> RunFolders() const {
        std::vector<std::string> folders;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(Widen(DataFolderPath())), ec))
            if (entry.is_directory() && entry.path().filename().wstring().rfind(L"update-", 0) == 0)
                folders.push_back(Narrow(entry.path().wstring()) + "\\");
        return folders;
    }
    // The one run folder, "" while there is none.
    std::string RunFolder() const {
        const auto folders = RunFolders();
        return folders.size() == 1 ? folders[0] : "";
    }

    static std::string ServerFile(const std::string& name) { return net_test::ServerFolder() + "/" + name; }
    static void Answer(const std::string& body) { WriteBytes(ServerFile("check-answer"), {body.begin(), body.end()}); }
    static void ServeInstaller(const std::vector<uint8_t>& bytes) { WriteBytes(ServerFile("files/vellumar.exe"), bytes); }

    void MarkInstalled() {
        auto key = RegistryKey::Open(HKEY_CURRENT_USER, kUninstallKey, KEY_ALL_ACCESS, true);
        key.WriteString("DisplayName", "Quintavo Vellumar 1.6.3.18");
    }

    bool WaitForCheck() {
        return net_test::PumpUntil([this] { return app->main.checker() && !app->main.checker()->Busy(); });
    }
    bool CheckMenuEnabled() const {
        return !(GetMenuState(GetMenu(app->main.hwnd()), kCmdCheckForUpdate, MF_BYCOMMAND) & MF_GRAYED);
    }
    bool LoggedStart(const std::string& prefix) const {
        for (const auto& line : LogLines())
            if (line.rfind(prefix, 0) == 0) return true;
        return false;
    }
    // The saved log, oldest first: what remains once the program has quit.
    std::vector<std::string> SavedLog() const {
        std::vector<std::string> lines;
        std::ifstream in(std::filesystem::path(Widen(DataFolderPath() + "Vellumar.log")));
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const size_t second_tab = line.find('\t', line.find('\t') + 1);
            if (second_tab != std::string::npos) lines.insert(lines.begin(), line.substr(second_tab + 1));
        }
        return lines;
    }
    // Waits for the test installer's record of its arguments.
    std::optional<std::string> InstallerArguments(DWORD waitMs = 15000) const {
        std::string path;
        auto found = [&] {
            const std::string folder = RunFolder();
            return !folder.empty() && Exists(path = folder + "installer-args.txt");
        };
        if (!net_test::PumpUntil(found, waitMs))
            return std::nullopt;
        net_test::PumpFor(300);  // let it finish writing
        const auto bytes = ReadBytes(path);
        return std::string(bytes.begin(), bytes.end());
    }
    std::string ExpectedArguments() const {
        return "/FORCECLOSEAPPLICATIONS /VERYSILENT /NOICONS /LOG=\"" + DataFolderPath() + "update.log\"";
    }
    // Runs the automatic update as an offer of the test installer's version would.
    bool RunAutoUpdate(const std::string& url, const std::string& announced = VELLUMAR_TEST_INSTALLER_VERSION,
                       const std::string& running = "1.6.3.18") {
        app->autoUpdate.DownloadURL = url;
        app->autoUpdate.Log = app->main.log();
        app->autoUpdate.Expected = {"Vellumar", TRenselVersion::Create(running), TRenselVersion::Create(announced)};
        return app->autoUpdate.Execute();
    }
    static std::vector<uint8_t> InstallerOfSize(size_t size) {
        auto bytes = ReadBytes(VELLUMAR_TEST_INSTALLER_SMALL);
        EXPECT_LT(bytes.size(), size);
        bytes.resize(size, 0);  // data after the last section is ignored by the loader
        return bytes;
    }

    net_test::TrustedTestCa ca_;
    std::string server_;
    RegistryGuard uninstall_guard_{HKEY_CURRENT_USER, Widen(kUninstallKey)};
};

TEST_F(UpdateTest, CheckAnswersAtStartAndFromTheMenu) {
    struct C {
        const char* name;
        std::optional<std::string> body;  // nullopt: the server answers 404
        bool valid, newer;
        const char* replied;              // nullptr: no answer arrived
        const char* cause;                // the verbose line after an invalid answer
    };
    const C cases[] = {
        {"newer", "1.6.3.19", true, true, "1.6.3.19", nullptr},
        {"same", "1.6.3.18", true, false, "1.6.3.18", nullptr},
        {"major", "2.0", true, true, "2.0.0.0", nullptr},
        {"line break", "1.6.3.19\n", true, false, "1.6.3.0", nullptr},
        {"empty", "", false, false, "0.0.0.0", "OK"},
        {"html", "<html><body>Maintenance</body></html>", false, false, "0.0.0.0", "OK"},
        {"404", std::nullopt, false, false, nullptr, nullptr},  // an error page is no answer, whatever it says
        {"over 64 KiB", std::string(70000, '1'), false, false, nullptr, nullptr},
    };
    int offers = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.body)
            Answer(*c.body);
        else
            DeleteFileW(Widen(ServerFile("check-answer")).c_str());
        messages.clear();
        offers = 0;
        Start(kScenario);
        app->update.onShown = [&] {
            ++offers;
            app->update.close_btn.Click();
        };
        ASSERT_TRUE(WaitForCheck());
        EXPECT_EQ(app->main.checker()->ValidAnswer(), c.valid);
        EXPECT_EQ(app->main.checker()->NewVersion(), c.newer);
        const auto query = ReadBytes(ServerFile("check-query.txt"));
        // The test program's copy names itself after the test build.
        EXPECT_EQ(std::string(query.begin(), query.end()),
                  "uid=0&ProductName=" + UrlEncode(GetFileProductInfo(program->exe()).ProductName) +
                      "&Company=Quintavo&VH=65542&VL=196626");
        EXPECT_TRUE(Logged("Self update check..."));
        EXPECT_TRUE(Logged("Vellumar Update self check : Initialization"));
        if (c.replied) {
            EXPECT_TRUE(LoggedStart(std::string("Vellumar Update self check : Server replied ") + c.replied + " in "));
        } else {
            EXPECT_FALSE(LoggedStart("Vellumar Update self check : Server replied"));
            EXPECT_TRUE(LoggedStart("Vellumar Update self check : Server error ("));
        }
        if (!c.body) {
            EXPECT_TRUE(Logged("Vellumar Update self check : Server error (404)"));
        }
        if (c.cause) {
            EXPECT_TRUE(Logged(std::string("Vellumar Update self check : Server error (0 Cause : ") + c.cause + ")"));
        }
        EXPECT_EQ(Logged("New version of Vellumar is detected"), c.newer);
        EXPECT_EQ(Logged("Vellumar is already up to date."), c.valid && !c.newer);
        EXPECT_EQ(offers, c.newer ? 1 : 0);
        EXPECT_TRUE(messages.empty()) << "the check at start never reports";
        EXPECT_TRUE(CheckMenuEnabled());

        // From the menu: the item is disabled while the check runs, and the result is shown.
        app->main.Checkforupdate1Click();
        EXPECT_FALSE(CheckMenuEnabled());
        ASSERT_TRUE(WaitForCheck());
        EXPECT_TRUE(CheckMenuEnabled());
        EXPECT_EQ(offers, c.newer ? 2 : 0);
        if (c.valid && !c.newer) {
            EXPECT_EQ(messages, (std::vector<std::string>{"Vellumar is already up to date."}));
        } else {
            EXPECT_TRUE(messages.empty());
        }
        app.reset();
    }
}

TEST_F(UpdateTest, TransportErrorIsLoggedOnly) {
    server_ = "127.0.0.1:" + std::to_string(net_test::ClosedPort());
    Start(kScenario);
    ASSERT_TRUE(WaitForCheck());
    EXPECT_FALSE(app->main.checker()->ValidAnswer());
    EXPECT_FALSE(app->main.checker()->NewVersion());
    EXPECT_TRUE(LoggedStart("Vellumar Update self check : Server error ("));
    app->main.Checkforupdate1Click();
    ASSERT_TRUE(WaitForCheck());
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(CheckMenuEnabled());
}

TEST_F(UpdateTest, ARefusedRequestIsLoggedAndLeavesTheMenuEnabled) {
    Answer("1.6.3.18");
    Start(kScenario);
    ASSERT_TRUE(WaitForCheck());
    messages.clear();
    SetHttpStartRefusedForTest(true);
    app->main.Checkforupdate1Click();
    SetHttpStartRefusedForTest(false);
    EXPECT_FALSE(app->main.checker()->Busy());
    EXPECT_TRUE(CheckMenuEnabled());
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(LoggedStart("RenselLite : Request could not be started"));
}

TEST_F(UpdateTest, AfterAFailedStartTheMenuCreatesTheChecker) {
    Answer("1.6.3.18");
    Start(R"({"open_result": 5, "interfaces": []})");
    EXPECT_EQ(app->main.checker(), nullptr);
    messages.clear();
    app->main.Checkforupdate1Click();
    ASSERT_TRUE(WaitForCheck());
    EXPECT_EQ(messages, (std::vector<std::string>{"Vellumar is already up to date."}));
}

TEST_F(UpdateTest, OfferCountsDownAndClosesItselfEveryShowing) {
    Answer("1.6.3.18");
    Start(kScenario);
    ASSERT_TRUE(WaitForCheck());
    TUpdateDlg& offer = app->update;
    offer.TimerClose.SetInterval(10);
    std::vector<std::string> captions;
    const auto tick = offer.TimerClose.onTick;
    offer.TimerClose.onTick = [&] {
        tick();
        captions.push_back(offer.close_btn.Text());
    };
    std::string shownCaption;
    bool linkVisible = true;
    offer.onShown = [&] {
        shownCaption = offer.close_btn.Text();
        linkVisible = IsWindowVisible(offer.changelog_lbl.hwnd()) != FALSE;
    };
    std::vector<std::string> expected;
    for (int n = 20; n >= 1; --n) expected.push_back("Close\n\r(" + std::to_string(n) + ")");
    for (int showing = 0; showing < 2; ++showing) {
        SCOPED_TRACE(showing);
        captions.clear();
        app->main.ShowUpdateOffer();
        EXPECT_EQ(shownCaption, "Close");
        EXPECT_EQ(captions, expected);
        EXPECT_FALSE(offer.IsShowing());
        EXPECT_FALSE(linkVisible);
        EXPECT_TRUE(IsWindow(app->main.hwnd())) << "closing the offer does not end the program";
    }
    const std::string base = "https://" + server_;
    EXPECT_EQ(offer.ProductPageURL, base + "/rensel/view.php?&ProductName=Vellumar&Company=Quintavo&prot=2");
    EXPECT_EQ(offer.InstallerURL, base + "/files/vellumar.exe");
}

TEST_F(UpdateTest, PortableCopyOffersManualUpdateOnly) {
    BrowserRecorder browser;
    Answer("1.6.3.19");
    bool autoEnabled = true;
    std::vector<std::string> captured;
    Start(kScenario);
    app->update.onShown = [&] {
        autoEnabled = app->update.auto_btn.Enabled();
        app->update.manual_btn.Click();
    };
    const HWND main = app->main.hwnd();
    ASSERT_TRUE(net_test::PumpUntil([&] { return !IsWindow(main); })) << "the program quits after a manual update";
    EXPECT_FALSE(autoEnabled);
    EXPECT_EQ(browser.Opened(),
              (std::vector<std::string>{"https://" + server_ +
                                        "/rensel/view.php?&ProductName=Vellumar&Company=Quintavo&prot=2"}));
    const auto log = SavedLog();
    EXPECT_NE(std::find(log.begin(), log.end(), "Manual update selected by user"), log.end());
}

TEST_F(UpdateTest, AutomaticUpdateRunsTheInstallerAndQuits) {
    MarkInstalled();
    Answer(VELLUMAR_TEST_INSTALLER_VERSION);
    const auto installer = ReadBytes(VELLUMAR_TEST_INSTALLER);
    ASSERT_GT(installer.size(), 102400u);
    ServeInstaller(installer);
    bool autoEnabled = false;
    Start(kScenario);
    app->update.onShown = [&] {
        autoEnabled = app->update.auto_btn.Enabled();
        app->update.RunsInstallers = true;  // as for a signed program (the installer tests sign one)
        app->update.auto_btn.Click();
    };
    const HWND main = app->main.hwnd();
    ASSERT_TRUE(net_test::PumpUntil([&] { return !IsWindow(main); }));
    EXPECT_TRUE(autoEnabled);
    EXPECT_EQ(InstallerArguments(), ExpectedArguments());
    // Run from a folder made for it under the data folder, and working there.
    ASSERT_NE(RunFolder(), "");
    EXPECT_EQ(ReadBytes(RunFolder() + "update.exe"), installer);
    const auto cwd = ReadBytes(RunFolder() + "installer-cwd.txt");
    EXPECT_EQ(std::string(cwd.begin(), cwd.end()) + "\\", RunFolder());
    EXPECT_FALSE(Exists(DataFolderPath() + "update.exe"));
    const auto log = SavedLog();
    // These lines in this order, others between them (a line ending in a space is a prefix).
    const std::vector<std::string> expected = {
        "Self update check...", "Vellumar Update self check : Initialization",
        "Vellumar Update self check : Server replied 1.6.3.19 in ", "New version of Vellumar is detected",
        "Auto update selected by user", "Starting update download", "File downloaded in ",
        "Starting update process", "Auto update succeeded", "Closing Vellumar..."};
    size_t next = 0;
    for (const auto& line : log) {
        if (next == expected.size()) break;
        const std::string& want = expected[next];
        if (want.back() == ' ' ? line.rfind(want, 0) == 0 : line == want) ++next;
    }
    EXPECT_EQ(next, expected.size()) << "missing or out of order: " << expected[std::min(next, expected.size() - 1)];
}

TEST_F(UpdateTest, InstallerSizeLimitIsExact) {
    Answer("1.6.3.18");
    Start(kScenario);
    ASSERT_TRUE(WaitForCheck());
    const std::string url = net_test::Url("https", "/files/vellumar.exe");

    ServeInstaller(InstallerOfSize(102399));
    EXPECT_FALSE(RunAutoUpdate(url));
    EXPECT_EQ(messages, (std::vector<std::string>{"Failed"}));
    EXPECT_TRUE(Logged("Failed download. File Size : 102399 Bytes"));
    EXPECT_FALSE(Exists(DataFolderPath() + "update.exe"));

    messages.clear();
    ServeInstaller(InstallerOfSize(102400));
    EXPECT_TRUE(RunAutoUpdate(url));
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(Logged("Starting update process"));
    EXPECT_EQ(InstallerArguments(), ExpectedArguments());
}

TEST_F(UpdateTest, RefusedDownloadsNeverRun) {
    Answer("1.6.3.18");
    Start(kScenario);
    ASSERT_TRUE(WaitForCheck());
    ServeInstaller(ReadBytes(VELLUMAR_TEST_INSTALLER));

    // A big file that is no program, sent slowly: the bar follows the download, then it is refused.
    int maxRange = 0, maxPosition = 0;
    app->autoUpdate.onShown = [&] {
        net_test::PumpUntil([&] {
            maxRange = std::max(maxRange, static_cast<int>(SendMessageW(app->autoUpdate.pb.hwnd(), PBM_GETRANGE, FALSE, 0)));
            maxPosition = std::max(maxPosition, app->autoUpdate.pb.Position());
            return !app->autoUpdate.IsShowing();
        });
    };
    EXPECT_FALSE(RunAutoUpdate(net_test::Url("https", "/slow/204800")));
    app->autoUpdate.onShown = nullptr;
    EXPECT_EQ(maxRange, 204800);
    EXPECT_GT(maxPosition, 0);
    EXPECT_TRUE(Logged("Update refused : the download is not a Windows program"));

    // Plain http (what the TLS fallback would give) and an untrusted certificate.
    const std::string http = net_test::Url("http", "/files/vellumar.exe");
    EXPECT_FALSE(RunAutoUpdate(http));
    EXPECT_TRUE(Logged("Update refused : not downloaded over verified HTTPS (" + http + ")"));
    EXPECT_FALSE(RunAutoUpdate(net_test::Url("https_self", "/files/vellumar.exe")));
    EXPECT_TRUE(Logged("Failed download. File Size : 0 Bytes"));

    // A validly served installer that is not the announced version, or an older build.
    const std::string url = net_test::Url("https", "/files/vellumar.exe");
    EXPECT_FALSE(RunAutoUpdate(url, "1.6.3.20"));
    EXPECT_TRUE(Logged(std::string("Update refused : installer version ") + VELLUMAR_TEST_INSTALLER_VERSION +
                       " is not the announced 1.6.3.20"));
    EXPECT_FALSE(RunAutoUpdate(url, VELLUMAR_TEST_INSTALLER_VERSION, "1.6.3.25"));
    EXPECT_TRUE(Logged(std::string("Update refused : installer version ") + VELLUMAR_TEST_INSTALLER_VERSION +
                       " is not above the running 1.6.3.25"));

    EXPECT_EQ(messages, (std::vector<std::string>(5, "Failed")));
    EXPECT_FALSE(Exists(DataFolderPath() + "update.exe"));
    EXPECT_TRUE(RunFolders().empty());
    EXPECT_EQ(InstallerArguments(500), std::nullopt);
}

// The test program is unsigned: its automatic update opens the download page and downloads nothing.
TEST_F(UpdateTest, UnsignedProgramOpensTheDownloadPageInstead) {
    MarkInstalled();
    Answer(VELLUMAR_TEST_INSTALLER_VERSION);
    ServeInstaller(ReadBytes(VELLUMAR_TEST_INSTALLER));
    BrowserRecorder browser;
    Start(kScenario);
    app->update.onShown = [&] { app->update.auto_btn.Click(); };
    const HWND main = app->main.hwnd();
    ASSERT_TRUE(net_test::PumpUntil([&] { return !IsWindow(main); }));
    EXPECT_EQ(browser.Opened(),
              (std::vector<std::string>{"https://" + server_ +
                                        "/rensel/view.php?&ProductName=Vellumar&Company=Quintavo&prot=2"}));
    const auto log = SavedLog();
    EXPECT_NE(std::find(log.begin(), log.end(), "Auto update : unsigned program, the download page is opened instead"),
              log.end());
    EXPECT_EQ(std::find(log.begin(), log.end(), "Starting update download"), log.end());
    EXPECT_TRUE(RunFolders().empty());
}

// An installer that the system will not start (as when the elevation prompt is declined)
// is a failure: the offer says so and the program stays.
TEST_F(UpdateTest, AnInstallerThatDoesNotStartIsAFailure) {
    MarkInstalled();
    Answer(VELLUMAR_TEST_INSTALLER_VERSION);
    auto installer = ReadBytes(VELLUMAR_TEST_INSTALLER);
    // Another machine's image: it passes every check but cannot run here.
    const uint32_t pe = installer[0x3C] | installer[0x3D] << 8;
    installer[pe + 4] = 0x64;
    installer[pe + 5] = 0xAA;
    ServeInstaller(installer);
    Start(kScenario);
    app->update.onShown = [&] {
        app->update.RunsInstallers = true;
        app->update.auto_btn.Click();
    };
    ASSERT_TRUE(net_test::PumpUntil([&] { return LoggedStart("Auto update "); }));
    net_test::PumpFor(300);
    EXPECT_TRUE(IsWindow(app->main.hwnd())) << "the program stays";
    EXPECT_TRUE(LoggedStart("Update not started ("));
    EXPECT_TRUE(Logged("Auto update failed"));
    EXPECT_FALSE(Logged("Auto update succeeded"));
    EXPECT_EQ(messages, std::vector<std::string>{"Failed"});
    EXPECT_TRUE(RunFolders().empty());
}

// The folder an earlier update's installer ran from is removed at the next start.
TEST_F(UpdateTest, LeftOverRunFoldersAreRemovedAtStart) {
    const std::string left = DataFolderPath() + "update-0badf00d\\";
    std::filesystem::create_directories(std::filesystem::path(Widen(left)));
    WriteBytes(left + "update.exe", ReadBytes(VELLUMAR_TEST_INSTALLER_SMALL));
    ASSERT_EQ(RunFolders(), std::vector<std::string>{left});
    Answer("1.6.3.18");
    Start(kScenario);
    EXPECT_TRUE(RunFolders().empty());
}

TEST_F(UpdateTest, OldInstallerIsDeletedBeforeTheDownload) {
    Answer("1.6.3.18");
    Start(kScenario);
    ASSERT_TRUE(WaitForCheck());
    WriteBytes(DataFolderPath() + "update.exe", ReadBytes(VELLUMAR_TEST_INSTALLER));
    EXPECT_FALSE(RunAutoUpdate("https://127.0.0.1:" + std::to_string(net_test::ClosedPort()) + "/files/vellumar.exe"));
    EXPECT_FALSE(Exists(DataFolderPath() + "update.exe"));
    EXPECT_TRUE(Logged("Failed download. File Size : 0 Bytes"));
    EXPECT_EQ(InstallerArguments(500), std::nullopt);
}

}  // namespace
