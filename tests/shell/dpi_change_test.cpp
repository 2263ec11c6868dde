// A main window moved from a 96-DPI screen to a 144-DPI one lays itself out as
// one started at 144 DPI. Wine takes the DPI once per process, so the window
// started at 144 DPI runs in a second process of this test program.
#include <windows.h>

#include <commctrl.h>

#include <sstream>

#include "common/win32/registry.h"
#include "shell/app_fixture.h"
#include "shell/main_dlg.h"

namespace {

constexpr wchar_t kLayoutFileVariable[] = L"VELLUMAR_TEST_LAYOUT_FILE";
constexpr char kScenario[] =
    R"({"interfaces": [{"networks": [{"ssid": "A"}, {"ssid": "B"}]}]})";

std::string SizeOf(HIMAGELIST images) {
    int width = 0, height = 0;
    if (images) ImageList_GetIconSize(images, &width, &height);
    return std::to_string(width) + "x" + std::to_string(height);
}

std::string SizeOf(HICON icon) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return "none";
    BITMAP bitmap{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return std::to_string(bitmap.bmWidth) + "x" + std::to_string(bitmap.bmHeight);
}

// One line per window inside the main window (place in the client area, font, and what
// each kind sizes for the DPI: column widths, row height, images), then the client size.
BOOL CALLBACK DescribeChild(HWND child, LPARAM param) {
    auto& out = *reinterpret_cast<std::ostringstream*>(param);
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetAncestor(child, GA_ROOT), reinterpret_cast<POINT*>(&r), 2);
    out << Narrow(name) << " at " << r.left << "," << r.top << " " << r.right - r.left << "x" << r.bottom - r.top;
    const bool icon = lstrcmpW(name, WC_STATICW) == 0 && (GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
    LOGFONTW font{};  // an icon has no font of its own
    if (auto f = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)); !icon && f && GetObjectW(f, sizeof font, &font))
        out << " font " << font.lfHeight;
    if (lstrcmpW(name, WC_LISTVIEWW) == 0) {
        out << " columns";
        for (int c = 0, n = Header_GetItemCount(ListView_GetHeader(child)); c < n; ++c)
            out << " " << ListView_GetColumnWidth(child, c);
        out << " images " << SizeOf(ListView_GetImageList(child, LVSIL_SMALL));
        RECT row{};
        if (ListView_GetItemRect(child, 0, &row, LVIR_BOUNDS)) out << " row " << row.bottom - row.top;
    } else if (lstrcmpW(name, WC_BUTTONW) == 0) {
        BUTTON_IMAGELIST glyph{};
        if (SendMessageW(child, BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&glyph)) && glyph.himl)
            out << " glyph " << SizeOf(glyph.himl) << " margin " << glyph.margin.top;
    } else if (auto* scope = dynamic_cast<StripChartControl*>(WindowBase::FromHandle(child))) {
        out << " grid " << scope->chart().GridSize();
    } else if (icon) {
        out << " icon " << SizeOf(reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0)));
    }
    out << "\n";
    return TRUE;
}

std::string Layout(HWND main) {
    std::ostringstream out;
    EnumChildWindows(main, DescribeChild, reinterpret_cast<LPARAM>(&out));
    RECT client;
    GetClientRect(main, &client);
    out << "client " << client.right << "x" << client.bottom << "\n";
    out << "icons " << SizeOf(reinterpret_cast<HICON>(SendMessageW(main, WM_GETICON, ICON_SMALL, 0))) << " "
        << SizeOf(reinterpret_cast<HICON>(SendMessageW(main, WM_GETICON, ICON_BIG, 0))) << "\n";
    return out.str();
}

// A window rectangle for a client area of the given size at 96 DPI, scaled to the window's DPI.
// Both windows get the same one, larger than their minimum: Wine draws the frame at one size for
// every DPI, so a minimum that counts the frame holds the two windows at different sizes.
RECT FrameFor(HWND window, UINT dpi) {
    RECT frame{0, 0, MulDiv(1100, static_cast<int>(dpi), 96), MulDiv(500, static_cast<int>(dpi), 96)};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), TRUE,
                       static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)));
    RECT now;
    GetWindowRect(window, &now);
    OffsetRect(&frame, now.left - frame.left, now.top - frame.top);
    return frame;
}

void Resize(HWND window, const RECT& r) {
    SetWindowPos(window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

class DpiChange : public AppTest {};

// The second process: started at 144 DPI by the test below, it writes the layout it made.
TEST_F(DpiChange, DISABLED_WritesTheLayoutItStartedWith) {
    wchar_t file[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(kLayoutFileVariable, file, MAX_PATH)) GTEST_SKIP() << "run by MovedFrom96To144Dpi";
    auto& main = Start(kScenario).main;
    Resize(main.hwnd(), FrameFor(main.hwnd(), main.dpi()));
    Tick();
    WriteTestFile(Narrow(file), Layout(main.hwnd()));
}

TEST_F(DpiChange, MainWindowMovedFrom96To144DpiLaysOutAsOneStartedThere) {
    TempFolder folder;
    const std::string file = folder.Path("layout-144.txt");
    {
        RegistryGuard desktop(HKEY_CURRENT_USER, L"Control Panel\\Desktop");
        RegistryKey::Open(HKEY_CURRENT_USER, "Control Panel\\Desktop", KEY_ALL_ACCESS, true).WriteDword("LogPixels", 144);
        SetEnvironmentVariableW(kLayoutFileVariable, Widen(file).c_str());
        // The test program again, in its copy without debug sections: quicker to load.
        std::wstring command = L"\"" + Widen(VELLUMAR_TEST_PROGRAM_IMAGE) +
                               L"\" --gtest_filter=DpiChange.DISABLED_WritesTheLayoutItStartedWith"
                               L" --gtest_also_run_disabled_tests";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        const bool started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
        SetEnvironmentVariableW(kLayoutFileVariable, nullptr);
        ASSERT_TRUE(started);
        CloseHandle(pi.hThread);
        EXPECT_EQ(WaitForSingleObject(pi.hProcess, 120000), WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hProcess);
        ASSERT_EQ(code, 0u) << "the process at 144 DPI failed";
    }
    const std::string started144 = ReadTestFile(file);
    ASSERT_NE(started144.find("SysListView32"), std::string::npos) << started144;

    auto& main = Start(kScenario).main;
    ASSERT_EQ(main.dpi(), 96u);
    Resize(main.hwnd(), FrameFor(main.hwnd(), 96));
    Tick();
    const std::string started96 = Layout(main.hwnd());
    // As Windows does on the move: the new DPI, and the window's rectangle at that DPI.
    const RECT suggested = FrameFor(main.hwnd(), 144);
    SendMessageW(main.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(main.dpi(), 144u);
    EXPECT_EQ(Layout(main.hwnd()), started144);
    EXPECT_NE(started96, started144);  // the comparison sees sizes at all
}

}  // namespace
