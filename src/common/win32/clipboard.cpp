#include "common/win32/clipboard.h"

#include <cstring>

#include "common/win32/unique.h"
#include "common/win32/wide.h"

namespace {

// Open and close in pairs; another program may hold the clipboard for a moment.
class OpenedClipboard {
public:
    explicit OpenedClipboard(HWND owner) {
        for (int attempt = 0; attempt < 10 && !(open_ = OpenClipboard(owner) != FALSE); ++attempt) Sleep(10);
    }
    ~OpenedClipboard() {
        if (open_) CloseClipboard();
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    explicit operator bool() const { return open_; }

private:
    bool open_ = false;
};

}  // namespace

bool SetClipboardText(HWND owner, std::string_view text) {
    const std::wstring wide = Widen(text);
    const size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    UniqueGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!memory) return false;
    if (void* target = GlobalLock(memory.get())) {
        std::memcpy(target, wide.c_str(), bytes);
        GlobalUnlock(memory.get());
    }
    OpenedClipboard clipboard(owner);
    if (!clipboard || !EmptyClipboard() || !SetClipboardData(CF_UNICODETEXT, memory.get())) return false;
    memory.release();  // the clipboard's now
    return true;
}

std::string ClipboardText(HWND owner) {
    OpenedClipboard clipboard(owner);
    if (!clipboard) return "";
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (!data) return "";
    const auto* text = static_cast<const wchar_t*>(GlobalLock(data));
    if (!text) return "";
    std::string result = Narrow(text);
    GlobalUnlock(data);
    return result;
}
