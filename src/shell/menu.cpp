#include "shell/menu.h"

#include <iterator>

namespace {

struct MenuItem {
    WORD command;  // 0: separator
    const wchar_t* caption;
};

constexpr MenuItem kFileMenu[] = {{kCmdExport, L"&Export...\tCtrl+E"},
                                   {0, nullptr},
                                   {kCmdRecord, kRecordCaption},
                                   {kCmdOpenRecording, L"Open &Recording...\tCtrl+O"},
                                   {kCmdLive, L"&Live"},
                                   {0, nullptr},
                                   {kCmdQuit, L"&Quit"}};
constexpr MenuItem kOptionsMenu[] = {{kCmdSettings, L"&Settings\tCtrl+S"}};
constexpr MenuItem kViewMenu[] = {{kCmdChannels, L"&Channels...\tCtrl+H"},
                                  {kCmdSiteSurvey, L"&Site Survey...\tCtrl+U"},
                                  {kCmdLink, L"&Link...\tCtrl+K"},
                                  {kCmdHistory, L"Signal &History...\tCtrl+T"}};
constexpr MenuItem kHelpMenu[] = {
    {kCmdOpenLog, L"&Open Log\tCtrl+L"},
    {kCmdCheckForUpdate, L"Check for update...\tCtrl+G"},
    {0, nullptr},
    {kCmdChangeLog, L"&Change Log"},
    {kCmdBugReport, L"Bug report, Feature request, Known issues"},
    {0, nullptr},
    {kCmdAbout, L"&About...\tCtrl+B"},
};

template <size_t N>
HMENU Popup(const MenuItem (&items)[N]) {
    HMENU menu = CreatePopupMenu();
    for (const auto& item : items) {
        if (item.command)
            AppendMenuW(menu, MF_STRING, item.command, item.caption);
        else
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    }
    return menu;
}

}  // namespace

HMENU CreateMainMenu() {
    HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(Popup(kFileMenu)), L"&File");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(Popup(kOptionsMenu)), L"&Options");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(Popup(kViewMenu)), L"&View");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(Popup(kHelpMenu)), L"&?");
    return bar;
}

UniqueAccelerators CreateMainAccelerators() {
    ACCEL keys[] = {
        {FVIRTKEY | FCONTROL, 'S', kCmdSettings},
        {FVIRTKEY | FCONTROL, 'L', kCmdOpenLog},
        {FVIRTKEY | FCONTROL, 'G', kCmdCheckForUpdate},
        {FVIRTKEY | FCONTROL, 'B', kCmdAbout},
        {FVIRTKEY | FCONTROL, 'E', kCmdExport},
        {FVIRTKEY | FCONTROL, 'C', kCmdCopy},
        {FVIRTKEY | FCONTROL, 'F', kCmdFocusFilter},
        {FVIRTKEY, VK_ESCAPE, kCmdClearFilter},
        {FVIRTKEY | FCONTROL, 'R', kCmdRecord},
        {FVIRTKEY | FCONTROL, 'O', kCmdOpenRecording},
        {FVIRTKEY | FCONTROL, 'H', kCmdChannels},
        {FVIRTKEY | FCONTROL, 'U', kCmdSiteSurvey},
        {FVIRTKEY | FCONTROL, 'K', kCmdLink},
        {FVIRTKEY | FCONTROL, 'T', kCmdHistory},
        {FVIRTKEY | FCONTROL | FSHIFT, 'L', kCmdLocate},
    };
    return UniqueAccelerators(CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys))));
}
