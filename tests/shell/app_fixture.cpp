#include "shell/app_fixture.h"

#include <fstream>

#include "common/win32/files.h"
#include "common/win32/long_path.h"
#include "common/win32/registry.h"

ProgramCopy* AppTest::program = nullptr;

std::vector<std::string> Row(ListView& list, int row) {
    std::vector<std::string> cells;
    for (int c = 0; c < list.ColumnCount(); ++c) cells.push_back(list.Cell(row, c));
    return cells;
}

std::vector<std::vector<std::string>> Rows(ListView& list) {
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < list.RowCount(); ++r) rows.push_back(Row(list, r));
    return rows;
}

BrowserRecorder::BrowserRecorder() : unix_folder_(VELLUMAR_TEST_BROWSER_DIR) {
    // The shell starts the programs named under WineBrowser; the build's stand-in records the address.
    DeleteFileW(Widen("Z:" + unix_folder_ + "/opened.txt").c_str());
    auto key = RegistryKey::Open(HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser", KEY_ALL_ACCESS, true);
    key.WriteString("Browsers", unix_folder_ + "/record-url");
    key.WriteString("Mailers", unix_folder_ + "/record-url");
}

BrowserRecorder::~BrowserRecorder() { DeleteFileW(Widen("Z:" + unix_folder_ + "/opened.txt").c_str()); }

std::vector<std::string> BrowserRecorder::Opened(size_t count) const {
    std::vector<std::string> lines;
    for (int i = 0; i < 100; ++i) {
        lines.clear();
        std::ifstream in(std::filesystem::path(Widen("Z:" + unix_folder_ + "/opened.txt")));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        if (lines.size() >= count) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return lines;
}

void AppTest::SetUp() {
    if (!program) program = new ProgramCopy();  // one copy for the whole run
    had_data_folder_ = LongDirectoryExists(DataFolderPath());
    SetMessageBoxHook([this](HWND, const std::string& text) { messages.push_back(text); });
}

void AppTest::TearDown() {
    app.reset();
    service.reset();
    SetMessageBoxHook(nullptr);
    DeleteFileW(Widen(program->Path("settings.ini")).c_str());
    if (!had_data_folder_) {
        DeleteFileW(Widen(DataFolderPath() + "Vellumar.log").c_str());
        DeleteFileW(Widen(DataFolderPath() + "vellumar.ini").c_str());
        RemoveDirectoryW(Widen(DataFolderPath()).c_str());
        RemoveEmptyMakerFolder();
    }
}

std::string AppTest::DataFolderPath() const {
    return GetSpecialFolder(CSIDL_APPDATA) + "\\Quintavo\\Vellumar\\";
}

Application& AppTest::Start(const std::string& scenario_json, std::vector<std::string> arguments) {
    auto loaded = wlan::sim::LoadScenarioText(scenario_json);
    EXPECT_TRUE(loaded) << loaded.message;
    service = std::make_unique<wlan::sim::SimulatedWlan>(loaded.scenario);
    app = std::make_unique<Application>(MainDlgSetup{service.get(), program->exe(), std::move(arguments)});
    app->main.AppEvtActivate();
    return *app;
}

void AppTest::Tick(int passes) {
    for (int i = 0; i < passes; ++i) app->main.scantmrTimer();
}

std::vector<std::string> AppTest::LogLines() const {
    std::vector<std::string> lines;
    if (!app || !app->main.log()) return lines;
    const auto& stored = app->main.log()->Lines();
    for (auto it = stored.rbegin(); it != stored.rend(); ++it) {
        // marker TAB stamp TAB message
        size_t second_tab = it->find('\t', it->find('\t') + 1);
        lines.push_back(it->substr(second_tab + 1));
    }
    return lines;
}

bool AppTest::Logged(const std::string& text) const {
    for (const auto& line : LogLines())
        if (line == text) return true;
    return false;
}
