#include "common/win32/controls.h"
#include "common/win32/drawn_control.h"
#include "common/win32/fixtures.h"
#include "common/win32/list_view.h"
#include "common/win32/window.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

class TestFrame : public Window {
public:
    TestFrame() {
        CreateFrame({.caption = "Frame", .style = WS_OVERLAPPEDWINDOW, .client_width = 300, .client_height = 200});
        SetMinimumClientSize(300, 200);
        list.Create(*this,
                    {.rect = {10, 10, 280, 100}, .anchors = AnchorLeft | AnchorTop | AnchorRight | AnchorBottom});
        list.AddColumn("Name", 100);
        list.AddColumn("Value", 80);
        right.Create(*this, {.caption = "R", .rect = {250, 150, 40, 20}, .anchors = AnchorRight | AnchorBottom});
    }
    ListView list;
    Button right;
};

class TestDialog : public ModalWindow {
public:
    TestDialog() {
        CreateDialogFrame({.caption = "Dialog", .owner = nullptr, .client_width = 200, .client_height = 100});
        ok.Create(*this, {.caption = "OK", .rect = {60, 60, 75, 25}, .id = IDOK, .is_default = true});
        ok.onClick = [this] { EndModal(IDOK); };
    }
    Button ok;
};

// A custom-drawn control on the shared base: it sees its messages from WM_NCCREATE on.
class CountingControl : public Control {
public:
    bool Create(Window& parent, DesignRect rect) {
        static ATOM atom = [] {
            WNDCLASSEXW wc{};
            wc.lpszClassName = L"VellumarTestCounting";
            return RegisterBoundClass(wc);
        }();
        return atom && CreateChild(parent, L"VellumarTestCounting", "", 0, 0, rect, kAnchorTopLeft);
    }
    int created = 0, text_set = 0;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_NCCREATE || msg == WM_CREATE) ++created;
        if (msg == WM_SETTEXT) ++text_set;
        return Control::OnMessage(msg, wp, lp);
    }
};

// A standard control whose messages pass through the object before the control's own
// procedure; those of one kind are counted.
template <class Base, UINT kCounted>
class Counting : public Base {
public:
    int count = 0;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == kCounted) ++count;
        return Base::OnMessage(msg, wp, lp);
    }
};
using CountingButton = Counting<Button, WM_SETTEXT>;

RECT ChildRect(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST(Window, ListRowsAreRewrittenInPlace) {
    TestFrame frame;
    ASSERT_NE(frame.hwnd(), nullptr);
    frame.list.AppendRow();
    frame.list.SetRow(0, {"a", {"1"}, -1, {}, 42});
    EXPECT_EQ(frame.list.Cell(0, 0), "a");
    EXPECT_EQ(frame.list.Cell(0, 1), "1");
    EXPECT_EQ(frame.list.RowData(0), 42);
    frame.list.SelectRow(0);
    frame.list.AppendRow();
    frame.list.SetRow(1, {"Caf\xC3\xA9", {"2"}, -1, {}, 7});
    EXPECT_EQ(frame.list.Cell(1, 0), "Caf\xC3\xA9");  // UTF-8 survives the W calls
    frame.list.SetRow(0, {"b", {"3"}, -1, {}, 43});
    EXPECT_EQ(frame.list.SelectedRow(), 0);  // the selection stays with the position
    frame.list.DeleteLastRow();
    EXPECT_EQ(frame.list.RowCount(), 1);
    frame.list.DeleteColumnsAfterFirst();
    EXPECT_EQ(frame.list.ColumnCount(), 1);
}

// A name from the air keeps its bytes in the row (copies and exports use them) but is
// shown, and read by a screen reader, on one line and in its order.
TEST(Window, ListsShowNamesFromTheAirMadeSafe) {
    TestFrame frame;
    ASSERT_NE(frame.hwnd(), nullptr);
    const std::string forged = "Cafe\r\nNew AP found\xE2\x80\xAE";
    frame.list.AppendRow();
    frame.list.SetRow(0, {forged, {"1"}, -1, {}, 0});
    EXPECT_EQ(frame.list.Cell(0, 0), forged);
    wchar_t shown[64] = {};
    ListView_GetItemText(frame.list.hwnd(), 0, 0, shown, 64);
    EXPECT_STREQ(shown, L"Cafe\xFFFD\xFFFDNew AP found\xFFFD");
}

// The list's client area below its header: as the control draws all of it at once
// (WM_PRINTCLIENT), or as it is on the screen after its paints.
std::vector<uint32_t> ListPixels(HWND list, bool on_screen) {
    RECT r;
    GetClientRect(list, &r);
    RECT header;
    GetWindowRect(ListView_GetHeader(list), &header);
    const int top = header.bottom - header.top;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), r.right, -r.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBITMAP bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    if (on_screen) {
        const HDC screen = GetDC(list);
        BitBlt(dc, 0, 0, r.right, r.bottom, screen, 0, 0, SRCCOPY);
        ReleaseDC(list, screen);
    } else {
        SendMessageW(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_ERASEBKGND | PRF_CLIENT);
    }
    GdiFlush();
    const auto* first = static_cast<const uint32_t*>(bits) + static_cast<size_t>(top) * r.right;
    std::vector<uint32_t> pixels(first, first + static_cast<size_t>(r.bottom - top) * r.right);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixels;
}

// Equal pictures of one list, or where they first differ.
testing::AssertionResult SamePixels(HWND list, const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    if (a == b) return testing::AssertionSuccess();
    RECT r;
    GetClientRect(list, &r);
    if (a.size() != b.size()) return testing::AssertionFailure() << "sizes " << a.size() << " and " << b.size();
    const size_t i = static_cast<size_t>(std::mismatch(a.begin(), a.end(), b.begin()).first - a.begin());
    return testing::AssertionFailure() << std::hex << "first difference at x " << std::dec << i % r.right << ", y "
                                       << i / r.right << " below the header: " << std::hex << a[i] << " and "
                                       << b[i];
}

TEST(Window, ListRowsRepaintOnlyChangedCells) {
    TestFrame frame;
    ListView& list = frame.list;
    ShowWindow(frame.hwnd(), SW_SHOWNOACTIVATE);
    list.AppendRow();
    list.AppendRow();
    list.SetRow(0, {"a", {"1"}, -1, {}, 1});
    list.SetRow(1, {"b", {"2"}, -1, {}, 2});
    UpdateWindow(frame.hwnd());
    RECT dirty;
    list.SetRow(0, {"a", {"1"}, -1, {}, 1});  // the same row: nothing to repaint
    EXPECT_FALSE(GetUpdateRect(list.hwnd(), &dirty, FALSE));
    // Paint over the list on the screen: what a repaint leaves alone keeps this colour.
    constexpr COLORREF kScribble = RGB(255, 0, 255);
    RECT client;
    GetClientRect(list.hwnd(), &client);
    {
        const HDC dc = GetDC(list.hwnd());
        const HBRUSH brush = CreateSolidBrush(kScribble);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        ReleaseDC(list.hwnd(), dc);
    }
    const std::vector<uint32_t> scribbled = ListPixels(list.hwnd(), true);
    {
        const ListView::Batch batch(list);
        list.SetRow(0, {"a", {"9"}, -1, {}, 1});
        EXPECT_EQ(ListPixels(list.hwnd(), true), scribbled);  // at the batch's end
    }
    EXPECT_FALSE(GetUpdateRect(list.hwnd(), &dirty, FALSE));  // painted at once
    // The changed cell alone, not its row, as the control draws it.
    RECT cell, header;
    ASSERT_TRUE(ListView_GetSubItemRect(list.hwnd(), 0, 1, LVIR_BOUNDS, &cell));
    GetWindowRect(ListView_GetHeader(list.hwnd()), &header);
    const std::vector<uint32_t> on_screen = ListPixels(list.hwnd(), true), drawn = ListPixels(list.hwnd(), false);
    int wrong = 0;
    for (size_t i = 0; i < on_screen.size(); ++i) {
        const POINT p{static_cast<LONG>(i % client.right), static_cast<LONG>(i / client.right) + header.bottom - header.top};
        wrong += on_screen[i] != (PtInRect(&cell, p) ? drawn[i] : scribbled[i]);
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_NE(drawn, scribbled);
    EXPECT_EQ(list.Cell(0, 0), "a");
    EXPECT_EQ(list.Cell(0, 1), "9");
    EXPECT_EQ(list.RowData(0), 1);
    wchar_t shown[16] = {};
    ListView_GetItemText(list.hwnd(), 0, 1, shown, 16);  // what the control, and a screen reader, reads
    EXPECT_STREQ(shown, L"9");
    SendMessageW(list.hwnd(), WM_CHAR, L'B', 1);  // typing finds the row by its caption
    EXPECT_EQ(list.SelectedRow(), 1);

    // Changes made past the object (raw messages) cannot set the rows and the control apart.
    LVITEMW item{};
    item.iSubItem = 1;
    item.pszText = const_cast<wchar_t*>(L"x");
    SendMessageW(list.hwnd(), LVM_SETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
    ListView_GetItemText(list.hwnd(), 0, 1, shown, 16);
    EXPECT_STREQ(shown, L"9");
    ListView_DeleteAllItems(list.hwnd());
    EXPECT_EQ(list.RowCount(), 0);
    list.AppendRow();
    list.SetRow(0, {"b", {"3"}, -1, {}, 2});
    EXPECT_EQ(list.Cell(0, 0), "b");
    EXPECT_EQ(list.RowData(0), 2);
}

// Rows rewritten in place reach the screen whole: what the list shows after its own
// (partial, buffered) repaints is what it draws when asked for all of itself.
TEST(Window, ListRepaintsShowEveryChangedCell) {
    TestFrame frame;
    ImageList images;
    ASSERT_TRUE(images.Create(frame, 16));
    for (Argb colour : {0xFFCC2020u, 0xFF20A040u, 0x802040C0u})
        images.Add([colour](int size) { return Picture(size, size, colour); });
    frame.list.SetImageList(&images);
    frame.list.AddColumn("Extra", 60);
    ShowWindow(frame.hwnd(), SW_SHOWNOACTIVATE);
    auto row = [](int i, int pass) {
        return ReportRow{"row " + std::to_string(i), {std::to_string(i * pass) + " dBm", i % 3 ? "x" : "y"}, i % 3,
                         {pass % 3, -1}, i};
    };
    for (int i = 0; i < 8; ++i) {
        frame.list.AppendRow();
        frame.list.SetRow(i, row(i, 1));
    }
    const auto shows_all = [&] {
        UpdateWindow(frame.list.hwnd());
        return SamePixels(frame.list.hwnd(), ListPixels(frame.list.hwnd(), true), ListPixels(frame.list.hwnd(), false));
    };
    frame.list.SelectRow(2);
    UpdateWindow(frame.hwnd());
    EXPECT_TRUE(shows_all());
    for (int pass = 2; pass < 6; ++pass) {
        std::optional<ListView::Batch> batch;
        if (pass % 2) batch.emplace(frame.list);  // repainted at its end
        for (int i = 0; i < 8; i += pass - 1) frame.list.SetRow(i, row(i, pass));  // some rows, some cells
        frame.list.SetCell(7, 2, "z" + std::to_string(pass));
        batch.reset();
        EXPECT_TRUE(shows_all()) << "pass " << pass;
    }
    frame.list.DeleteLastRow();
    EXPECT_TRUE(shows_all());
    {
        const ListView::Batch batch(frame.list);  // rows come and go inside one batch
        frame.list.DeleteLastRow();
        frame.list.AppendRow();
        frame.list.AppendRow();
        frame.list.SetRow(7, row(7, 9));
        frame.list.SelectRows({7});
        frame.list.SetRow(0, row(0, 9));
    }
    EXPECT_EQ(frame.list.RowCount(), 8);
    EXPECT_EQ(ListView_GetItemCount(frame.list.hwnd()), 8);
    EXPECT_EQ(frame.list.SelectedRow(), 7);
    EXPECT_TRUE(shows_all());

    // The list draws the images itself; they look as the control draws them.
    SetFocus(frame.list.hwnd());  // selected rows blend theirs with the selection colour
    ASSERT_EQ(GetFocus(), frame.list.hwnd());
    InvalidateRect(frame.list.hwnd(), nullptr, TRUE);
    EXPECT_TRUE(shows_all()) << "focused";
    images.SetCount(1);  // other images under the same indexes
    images.Add([](int size) { return Picture(size, size, 0xFF101010u); });
    images.Add([](int size) { return Picture(size, size, 0x40F0F000u); });
    InvalidateRect(frame.list.hwnd(), nullptr, TRUE);
    EXPECT_TRUE(shows_all()) << "replaced images";
    ListView_SetColumnWidth(frame.list.hwnd(), 1, frame.Scale(8));  // narrower than its images
    InvalidateRect(frame.list.hwnd(), nullptr, TRUE);
    EXPECT_TRUE(shows_all()) << "narrow column";
    std::optional<ImageList> made;  // made again in the same place: not taken for the one before
    for (Argb colour : {0xFF2080F0u, 0xFFF08020u}) {
        frame.list.SetImageList(nullptr);
        made.emplace();
        ASSERT_TRUE(made->Create(frame, 16));
        for (int i = 0; i < 3; ++i) made->Add([colour](int size) { return Picture(size, size, colour); });
        frame.list.SetImageList(&*made);
        InvalidateRect(frame.list.hwnd(), nullptr, TRUE);
        EXPECT_TRUE(shows_all()) << "images made anew";
    }
    ListView_SetBkColor(frame.list.hwnd(), CLR_NONE);  // images drawn over what lies under them
    InvalidateRect(frame.list.hwnd(), nullptr, TRUE);
    EXPECT_TRUE(shows_all()) << "no background";
}

// A drawn control that names the half of itself under the mouse.
class HalvesControl : public DrawnControl {
public:
    bool Create(Window& parent, DesignRect rect) {
        return CreateDrawn(parent, L"VellumarTestHalves", rect, kAnchorTopLeft);
    }
    std::string TipAt(int x, int) const override { return x < 50 ? "left" : "right"; }

protected:
    void Paint(HDC) override {}
};

// The mouse resting at a client point of a drawn control: the text of the tip that shows, "" for none.
std::string TipShownAt(HWND control, int x, int y) {
    POINT p{x, y};
    ClientToScreen(control, &p);
    SetCursorPos(p.x, p.y);
    SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    // A popup's owner is the top-level window of the parent it was created with.
    const TooltipTool tool{GetAncestor(control, GA_ROOT), control, reinterpret_cast<UINT_PTR>(control), true};
    std::string text;
    for (int i = 0; i < 300 && text.empty(); ++i) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        text = TooltipText(tool);
        if (text.empty()) Sleep(10);
    }
    return text;
}

TEST(Window, DrawnControlNamesWhatLiesUnderTheMouse) {
    TestFrame frame;
    HalvesControl halves;
    ASSERT_TRUE(halves.Create(frame, {10, 120, 100, 40}));
    ShowWindow(frame.hwnd(), SW_SHOW);
    UpdateWindow(frame.hwnd());
    EXPECT_EQ(TipShownAt(halves.hwnd(), frame.Scale(20), frame.Scale(20)), "left");
    EXPECT_EQ(TipShownAt(halves.hwnd(), frame.Scale(80), frame.Scale(20)), "right");
}

TEST(Window, AnchorsFollowTheClientArea) {
    TestFrame frame;
    RECT before = ChildRect(frame.right.hwnd());
    RECT list_before = ChildRect(frame.list.hwnd());
    RECT w;
    GetWindowRect(frame.hwnd(), &w);
    SetWindowPos(frame.hwnd(), nullptr, 0, 0, w.right - w.left + 50, w.bottom - w.top + 30, SWP_NOMOVE | SWP_NOZORDER);
    RECT after = ChildRect(frame.right.hwnd());
    RECT list_after = ChildRect(frame.list.hwnd());
    EXPECT_EQ(after.left - before.left, 50);
    EXPECT_EQ(after.top - before.top, 30);
    EXPECT_EQ((list_after.right - list_after.left) - (list_before.right - list_before.left), 50);
    EXPECT_EQ(list_after.left, list_before.left);
    // The minimum size holds.
    SetWindowPos(frame.hwnd(), nullptr, 0, 0, 10, 10, SWP_NOMOVE | SWP_NOZORDER);
    RECT client;
    GetClientRect(frame.hwnd(), &client);
    EXPECT_GE(client.right, frame.Scale(300));
}

TEST(Window, WindowsAndControlsShareOneBinding) {
    TestFrame frame;
    CountingControl custom;
    ASSERT_TRUE(custom.Create(frame, {0, 0, 50, 20}));
    EXPECT_EQ(custom.created, 2);
    custom.SetText("Caf\xC3\xA9");
    EXPECT_EQ(custom.text_set, 1);
    EXPECT_EQ(custom.Text(), "Caf\xC3\xA9");
    auto button = std::make_unique<CountingButton>();
    ASSERT_TRUE(button->Create(frame, {.caption = "A", .rect = {0, 30, 50, 20}}));
    button->SetText("B");
    EXPECT_EQ(button->count, 1);
    button->SetText("B");
    EXPECT_EQ(button->count, 1);  // the same text again would only repaint
    EXPECT_EQ(button->Text(), "B");  // the button's own procedure still keeps its text
    button->Enable(false);
    EXPECT_FALSE(button->Enabled());

    EXPECT_EQ(WindowBase::FromHandle(frame.hwnd()), &frame);
    EXPECT_EQ(Control::FromHandle(frame.hwnd()), nullptr);  // a window, not a control
    EXPECT_EQ(Control::FromHandle(custom.hwnd()), &custom);
    const HWND header = ListView_GetHeader(frame.list.hwnd());
    EXPECT_EQ(WindowBase::FromHandle(header), nullptr);  // a window we did not make
    const HWND gone = button->hwnd();
    button.reset();
    EXPECT_FALSE(IsWindow(gone));
    EXPECT_EQ(WindowBase::FromHandle(gone), nullptr);
}

int g_destroy_seen = 0;

LRESULT CALLBACK CountDestroy(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_NCDESTROY) {
        ++g_destroy_seen;
        RemoveWindowSubclass(h, CountDestroy, 1);
    }
    return DefSubclassProc(h, msg, wp, lp);
}

TEST(Window, ASubclassOnTopOfABoundControlSeesItsDestruction) {
    TestFrame frame;
    auto button = std::make_unique<Button>();
    ASSERT_TRUE(button->Create(frame, {.caption = "A", .rect = {0, 30, 50, 20}}));
    const HWND h = button->hwnd();
    ASSERT_TRUE(SetWindowSubclass(h, CountDestroy, 1, 0));
    button->SetText("B");  // through both subclasses to the button's own procedure
    EXPECT_EQ(button->Text(), "B");
    g_destroy_seen = 0;
    button.reset();  // the button's messages still pass through ours, now to the button alone
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(g_destroy_seen, 1);
    EXPECT_EQ(WindowBase::FromHandle(h), nullptr);
}

TEST(Window, ModalLoopEndsWithTheButtonsResult) {
    TestDialog dialog;
    dialog.onShown = [&] {
        EXPECT_TRUE(IsWindowVisible(dialog.hwnd()));
        dialog.ok.Click();
    };
    EXPECT_EQ(dialog.ShowModal(nullptr), IDOK);
    EXPECT_FALSE(IsWindowVisible(dialog.hwnd()));
    dialog.onShown = [&] { PostMessageW(dialog.hwnd(), WM_CLOSE, 0, 0); };
    EXPECT_EQ(dialog.ShowModal(nullptr), IDCANCEL);  // the close box is not OK
}

TEST(Window, MessageBoxHookSeesTheText) {
    std::string seen;
    SetMessageBoxHook([&](HWND, const std::string& text) { seen = text; });
    ShowMessage(nullptr, "Please select a network.");
    SetMessageBoxHook(nullptr);
    EXPECT_EQ(seen, "Please select a network.");
}

}  // namespace
