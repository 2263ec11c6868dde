#pragma once
// Reads a window's accessible object as an assistive tool would: from another thread,
// through AccessibleObjectFromWindow, while the window's own thread goes on pumping
// its messages (the calls come back to it through COM).
#include <windows.h>
#include <oleacc.h>

#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/win32/wide.h"

struct AccessibleNode {
    std::string name, value;
    long role = 0;
    bool operator==(const AccessibleNode&) const = default;
};

struct AccessibleTree {
    AccessibleNode self;
    std::vector<AccessibleNode> children;  // the simple elements, child ids 1..n
    long focus = 0;                        // the focused child id; 0 for the object itself or none
    HRESULT result = E_FAIL;               // of AccessibleObjectFromWindow
};

namespace accessible_reader {

inline std::string Take(BSTR text) {
    if (!text) return "";
    std::string s = Narrow(std::wstring(text, SysStringLen(text)));
    SysFreeString(text);
    return s;
}

inline AccessibleNode Node(IAccessible* acc, long id) {
    VARIANT child;
    VariantInit(&child);
    child.vt = VT_I4;
    child.lVal = id;
    AccessibleNode node;
    BSTR text = nullptr;
    if (SUCCEEDED(acc->get_accName(child, &text))) node.name = Take(text);
    text = nullptr;
    if (SUCCEEDED(acc->get_accValue(child, &text))) node.value = Take(text);
    VARIANT role;
    VariantInit(&role);
    if (SUCCEEDED(acc->get_accRole(child, &role)) && role.vt == VT_I4) node.role = role.lVal;
    VariantClear(&role);
    return node;
}

inline AccessibleTree Read(HWND window) {
    AccessibleTree tree;
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    IAccessible* acc = nullptr;
    tree.result = AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                             reinterpret_cast<void**>(&acc));
    if (SUCCEEDED(tree.result) && acc) {
        tree.self = Node(acc, CHILDID_SELF);
        long count = 0;
        if (SUCCEEDED(acc->get_accChildCount(&count)))
            for (long id = 1; id <= count; ++id) tree.children.push_back(Node(acc, id));
        VARIANT focus;
        VariantInit(&focus);
        if (SUCCEEDED(acc->get_accFocus(&focus)) && focus.vt == VT_I4) tree.focus = focus.lVal;
        VariantClear(&focus);
        acc->Release();
    }
    CoUninitialize();
    return tree;
}

}  // namespace accessible_reader

// The tree of a window of this thread, read from a thread of its own.
inline AccessibleTree ReadAccessibleTree(HWND window) {
    std::packaged_task<AccessibleTree()> task([window] { return accessible_reader::Read(window); });
    std::future<AccessibleTree> done = task.get_future();
    std::thread tool(std::move(task));
    while (done.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    tool.join();
    return done.get();
}
