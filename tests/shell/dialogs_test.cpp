#include <windows.h>

#include <gtest/gtest.h>

#include <utility>

#include "common/win32/profile_file.h"
#include "common/win32/registry.h"
#include "common/win32/settings.h"
#include "shell/app_fixture.h"

namespace {

using Dialogs = AppTest;

TEST_F(Dialogs, SettingsStoreOnlyOnOk) {
    auto& a = Start(R"({"interfaces": []})");
    a.settings.onShown = [&] {
        EXPECT_FALSE(a.settings.debug_chk.Checked());
        a.settings.debug_chk.SetChecked(true);
        a.settings.ok_btn.Click();
    };
    a.main.Settings1Click();
    EXPECT_EQ(ReadSetting("debug_mode"), "1");

    a.settings.onShown = [&] {
        EXPECT_TRUE(a.settings.debug_chk.Checked());  // shows the stored state
        a.settings.debug_chk.SetChecked(false);
        PostMessageW(a.settings.hwnd(), WM_CLOSE, 0, 0);
    };
    a.main.Settings1Click();
    EXPECT_EQ(ReadSetting("debug_mode"), "1");  // the close box stores nothing

    a.settings.onShown = [&] {
        a.settings.debug_chk.SetChecked(false);
        PostMessageW(a.settings.hwnd(), WM_KEYDOWN, VK_RETURN, 0);  // Enter is the default button
    };
    a.main.Settings1Click();
    EXPECT_EQ(ReadSetting("debug_mode"), "0");
}

// The settings window as it stands, and as it lays itself out at 144 DPI.
void SaveSettingsScreenshots(TSettingsDlg& settings) {
    const std::string folder = std::string(VELLUMAR_TEST_BINARY_DIR) + "/screenshots/";
    CreateDirectoryW(Widen(folder).c_str(), nullptr);
    UpdateWindow(settings.hwnd());
    SaveScreenshot(settings.hwnd(), folder + "settings-96dpi.bmp");
    for (const UINT dpi : {144u, 96u}) {
        RECT frame{0, 0, MulDiv(262, static_cast<int>(dpi), 96), MulDiv(75, static_cast<int>(dpi), 96)};
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(settings.hwnd(), GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(settings.hwnd(), GWL_EXSTYLE)));
        OffsetRect(&frame, 100 - frame.left, 100 - frame.top);
        SendMessageW(settings.hwnd(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&frame));
        UpdateWindow(settings.hwnd());
        if (dpi == 144) SaveScreenshot(settings.hwnd(), folder + "settings-144dpi.bmp");
    }
}

TEST_F(Dialogs, ScanIntervalIsStoredOnOkUsedFromTheNextPassAndTravelsWithAPortableCopy) {
    auto& a = Start(R"({"interfaces": []})");
    EXPECT_EQ(a.main.session().Scan().requests.Interval(), 4);
    struct Step {
        int shown;          // what the field shows when the window opens
        const char* typed;  // nullptr: one press of the up arrow
        bool ok;            // else the close box
        const char* stored;
        int used;  // the interval the scan requests go by
    };
    const Step steps[] = {
        {4, "12", true, "12", 12},  {12, "30", false, "12", 12}, {12, nullptr, true, "13", 13},
        {13, "", true, "13", 13},   {13, "75", true, "60", 60},  {60, "1", true, "1", 2},
        {1, "0", true, "0", 0},
    };
    bool screenshots = false;
    for (const Step& step : steps) {
        a.settings.onShown = [&] {
            if (!std::exchange(screenshots, true)) SaveSettingsScreenshots(a.settings);
            EXPECT_EQ(a.settings.interval_spn.Value(), step.shown);
            if (step.typed)
                a.settings.interval_spn.SetText(step.typed);
            else
                SendMessageW(a.settings.interval_spn.hwnd(), WM_KEYDOWN, VK_UP, 0);
            if (step.ok)
                a.settings.ok_btn.Click();
            else
                PostMessageW(a.settings.hwnd(), WM_CLOSE, 0, 0);
        };
        a.main.Settings1Click();
        EXPECT_EQ(ReadSetting("scan_interval"), step.stored) << step.shown;
        EXPECT_EQ(a.main.session().Scan().requests.Interval(), step.used) << step.shown;
    }

    // A portable copy carries the setting in its settings file, and the next start goes by it.
    a.settings.onShown = [&] {
        a.settings.interval_spn.SetText("9");
        a.settings.ok_btn.Click();
    };
    a.main.Settings1Click();
    SendMessageW(a.main.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(ReadProfileString(program->Path("settings.ini"), "Settings", "scan_interval"), "9");
    EXPECT_FALSE(RegistryKey::Open(HKEY_CURRENT_USER, "SOFTWARE\\Quintavo\\Vellumar", KEY_READ, false).IsOpen());
    app.reset();
    auto& b = Start(R"({"interfaces": []})");
    EXPECT_EQ(b.main.session().Scan().requests.Interval(), 9);
    b.settings.onShown = [&] {
        EXPECT_EQ(b.settings.interval_spn.Value(), 9);
        b.settings.ok_btn.Click();
    };
    b.main.Settings1Click();
}

// The update offer may open over another modal window (the silent check ending while
// it is open): the main window stays disabled until both are closed.
TEST_F(Dialogs, NestedModalWindowsKeepTheMainWindowDisabled) {
    auto& a = Start(R"({"interfaces": []})");
    const HWND main = a.main.hwnd();
    bool disabledUnderOffer = false, disabledAfterOffer = false;
    a.update.onShown = [&] {
        disabledUnderOffer = !IsWindowEnabled(main);
        PostMessageW(a.update.hwnd(), WM_CLOSE, 0, 0);
    };
    a.settings.onShown = [&] {
        a.main.ShowUpdateOffer();
        disabledAfterOffer = !IsWindowEnabled(main);
        PostMessageW(a.settings.hwnd(), WM_CLOSE, 0, 0);
    };
    a.main.Settings1Click();
    EXPECT_TRUE(disabledUnderOffer);
    EXPECT_TRUE(disabledAfterOffer) << "closing the offer enabled the main window under the settings";
    EXPECT_TRUE(IsWindowEnabled(main));
}

TEST_F(Dialogs, AboutShowsNameVersionAndOpensTheLinks) {
    BrowserRecorder browser;
    auto& a = Start(R"({"interfaces": []})");
    a.about.onShown = [&] {
        EXPECT_EQ(a.about.Text(), "About Vellumar");
        EXPECT_EQ(a.about.appname_lbl.Text(), "Application Name : Vellumar");
        EXPECT_EQ(a.about.version_lbl.Text(), "Version : 1.6.3.18");
        a.about.email_btn.Click();
        a.about.web_btn.Click();
        a.about.forum_btn.Click();
        a.about.ok_btn.Click();
    };
    a.main.About1Click();
    auto opened = browser.Opened(3);
    std::sort(opened.begin(), opened.end());
    EXPECT_EQ(opened, (std::vector<std::string>{"https://www.quintavo.example/", "https://www.quintavo.example/forum",
                                                "mailto:contact@quintavo.example"}));
}

TEST_F(Dialogs, MenuPagesAndDrivers) {
    BrowserRecorder browser;
    auto& a = Start(R"({"interfaces": []})");
    a.main.ChangeLog1Click();
    a.main.BugreportFeaturerequestKnownissues1Click();
    a.main.drivers_btnClick();  // no driver-update program recorded
    auto opened = browser.Opened(3);
    std::sort(opened.begin(), opened.end());
    EXPECT_EQ(opened, (std::vector<std::string>{
                          "https://www.quintavo.example/bugs/changelog_page.php?project_id=22",
                          "https://www.quintavo.example/bugs/view_all_bug_page.php?project_id=22",
                          "https://www.quintavo.example/rensel/drivers.php"}));
}

}  // namespace
