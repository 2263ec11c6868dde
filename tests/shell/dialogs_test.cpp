#include <windows.h>

#include <gtest/gtest.h>

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
        EXPECT_EQ(a.about.Caption(), "About Vellumar");
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
