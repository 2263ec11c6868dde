#include "common/win32/tab_strip.h"

#include <commctrl.h>

#include "common/win32/wide.h"

bool TabStrip::Create(Window& parent, const Placement& place) {
    return CreateChild(parent, WC_TABCONTROLW, "", WS_TABSTOP, 0, place.rect, place.anchors);
}

void TabStrip::AddTab(const std::string& text) {
    std::wstring wide = Widen(text);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = wide.data();
    SendMessageW(hwnd_, TCM_INSERTITEMW, static_cast<WPARAM>(TabCount()), reinterpret_cast<LPARAM>(&item));
}

int TabStrip::TabCount() const { return static_cast<int>(SendMessageW(hwnd_, TCM_GETITEMCOUNT, 0, 0)); }

std::string TabStrip::TabText(int index) const {
    wchar_t text[64] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = static_cast<int>(std::size(text));
    SendMessageW(hwnd_, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    return Narrow(text);
}

int TabStrip::Selected() const { return static_cast<int>(SendMessageW(hwnd_, TCM_GETCURSEL, 0, 0)); }

void TabStrip::Select(int index) {
    SendMessageW(hwnd_, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    if (onChange) onChange();
}

LRESULT TabStrip::OnNotify(NMHDR* hdr) {
    if (hdr->code == TCN_SELCHANGE && onChange) onChange();
    return 0;
}
