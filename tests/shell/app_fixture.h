#pragma once
// Runs the whole program in the test process: every window of it, real list
// views and dialogs, over the simulated Native Wifi service. Only the modal
// message box is replaced, so that tests read its text instead of blocking.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/win32/fixtures.h"
#include "common/win32/shell.h"
#include "common/win32/wide.h"
#include "shell/application.h"
#include "sim/scenario.h"
#include "sim/simulated_wlan.h"

// The program file for these tests: a copy of the test executable without its debug
// sections (the build makes it), whose version resource is the program's, in a folder
// of its own (a portable copy writes its settings file beside it).
class ProgramCopy {
public:
    ProgramCopy() {
        exe_ = folder_.Path("vellumar.exe");
        EXPECT_TRUE(CopyFileW(Widen(VELLUMAR_TEST_PROGRAM_IMAGE).c_str(), Widen(exe_).c_str(), FALSE));
    }
    const std::string& exe() const { return exe_; }
    std::string Path(std::string_view name) const { return folder_.Path(name); }

private:
    TempFolder folder_;
    std::string exe_;
};

// Records the addresses that the shell hands to the web browser and the mail program.
class BrowserRecorder {
public:
    BrowserRecorder();
    ~BrowserRecorder();
    // The addresses opened so far, waiting up to a few seconds for the first `count`.
    std::vector<std::string> Opened(size_t count = 1) const;

private:
    std::string unix_folder_;
    RegistryGuard guard_{HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser"};
};

// A window's left, top, width and height on the screen.
inline std::array<int, 4> PlaceOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

// Runs the messages waiting for this thread's windows.
inline void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Every cell of one row of a list view, and of every row.
std::vector<std::string> Row(ListView& list, int row);
std::vector<std::vector<std::string>> Rows(ListView& list);

class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the program on an inline scenario and runs its start-up sequence.
    Application& Start(const std::string& scenario_json, std::vector<std::string> arguments = {});
    void Tick(int passes = 1);
    std::vector<std::string> LogLines() const;  // oldest first, messages only
    bool Logged(const std::string& text) const;
    std::string DataFolderPath() const;

    static ProgramCopy* program;
    std::vector<std::string> messages;
    std::unique_ptr<wlan::sim::SimulatedWlan> service;
    std::unique_ptr<Application> app;

private:
    RegistryGuard maker_guard_{HKEY_CURRENT_USER, L"SOFTWARE\\Quintavo"};
    bool had_data_folder_ = false;
};
