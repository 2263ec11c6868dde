#pragma once
// A window is a small class; messages reach a virtual handler. Controls are
// owned by their window and raise events as std::function members. Top-level
// windows, standard controls and custom-drawn controls share one base.
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/picture.h"
#include "common/win32/unique.h"

struct IconTraits {
    using Handle = HICON;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DestroyIcon(h); }
};
using UniqueIcon = Unique<IconTraits>;

class Control;
class ImageList;
class Timer;

// Layout positions are given at 96 DPI and scaled to the window's DPI.
enum Anchor : unsigned { AnchorLeft = 1, AnchorTop = 2, AnchorRight = 4, AnchorBottom = 8 };
constexpr unsigned kAnchorTopLeft = AnchorLeft | AnchorTop;

struct DesignRect {
    int left, top, width, height;
};

UINT WindowDpi(HWND hwnd);
int ScaleForDpi(int value, UINT dpi);
// A system metric (GetSystemMetrics) as it is at the given DPI.
int SystemMetricForDpi(int index, UINT dpi);

// One object bound to one window handle. Windows of our own classes bind at
// WM_NCCREATE; standard controls bind by subclassing. Either way every message
// reaches OnMessage, and the window is destroyed with the object.
class WindowBase {
public:
    WindowBase() = default;
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;
    virtual ~WindowBase();

    HWND hwnd() const { return hwnd_; }
    // The object bound to a handle; null for windows that are not ours.
    static WindowBase* FromHandle(HWND hwnd);

    std::string Text() const;
    void SetText(const std::string& text);
    void Enable(bool enabled) { EnableWindow(hwnd_, enabled); }
    bool Enabled() const { return IsWindowEnabled(hwnd_) != FALSE; }
    void SetVisible(bool visible) { ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE); }

protected:
    // Registers a window class whose windows bind to the object passed to CreateBound.
    static ATOM RegisterBoundClass(WNDCLASSEXW wc);
    // Creates a window and binds it: at WM_NCCREATE for a registered class, else by subclassing.
    bool CreateBound(DWORD ex_style, const wchar_t* window_class, const std::string& text, DWORD style, HWND parent,
                     HMENU menu_or_id);
    virtual LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) { return Default(msg, wp, lp); }
    // What the window would do without us: its class's own procedure or DefWindowProc.
    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp);

    HWND hwnd_ = nullptr;

private:
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK SubclassProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
    void Bind(HWND h, bool in_slot);
    void Unbind();
    LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp);

    bool subclassed_ = false;
    bool in_slot_ = false;
    WNDPROC original_ = nullptr;
};

class Window : public WindowBase {
public:
    UINT dpi() const { return dpi_; }
    int Scale(int value) const { return ScaleForDpi(value, dpi_); }
    HFONT Font() const { return static_cast<HFONT>(font_.get()); }

    // Called by controls as they are created.
    void AddControl(Control* control, DesignRect rect, unsigned anchors);
    void AddTimer(Timer* timer);
    void RemoveTimer(Timer* timer);
    void AddImageList(ImageList* list);
    void RemoveImageList(ImageList* list);
    // Places every control for the current client size and DPI.
    void Layout();
    // Gives a control a new place at 96 DPI, keeping its anchors (for bars that come and go).
    void MoveControl(Control* control, DesignRect rect);

protected:
    // Creates the window; the client area is given at 96 DPI.
    bool CreateFrame(const std::string& caption, DWORD style, DWORD ex_style, HWND owner, int client_width,
                     int client_height, HMENU menu = nullptr);
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void SetMinimumClientSize(int width, int height) { min_client_ = {width, height}; }
    // The whole window's minimum, frame included, at 96 DPI.
    void SetMinimumWindowSize(int width, int height) { min_window_ = {width, height}; }
    SIZE DesignClientSize() const { return design_client_; }

private:
    void UpdateFont();
    // The caption and task-bar icons, drawn for the window's DPI.
    void UpdateIcons();
    SIZE FrameSizeFor(int client_width, int client_height) const;

    struct Placed {
        Control* control;
        DesignRect rect;
        unsigned anchors;
    };
    std::vector<Placed> placed_;
    std::map<UINT_PTR, Timer*> timers_;
    std::vector<ImageList*> image_lists_;
    UniqueGdiObject font_;
    UniqueIcon small_icon_, big_icon_;
    UINT dpi_ = 96;
    SIZE design_client_{0, 0};
    SIZE min_client_{0, 0};
    SIZE min_window_{0, 0};
};

// A fixed-size window shown modally: the owner is disabled and a nested message
// loop runs until the window is closed. Closing hides it; it is reused.
class ModalWindow : public Window {
public:
    int ShowModal(HWND owner);  // IDOK or IDCANCEL
    void EndModal(int result);
    bool IsShowing() const { return running_; }
    // Runs while the window is showing; tests use it to act on the window.
    std::function<void()> onShown;

protected:
    bool CreateDialogFrame(const std::string& caption, int client_width, int client_height, HWND owner);
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    bool running_ = false;
    int result_ = IDCANCEL;
};

// The application's plain message box: an OK button and the title as caption.
// Tests replace it to read the text instead of blocking.
void ShowMessage(HWND owner, const std::string& text);
using MessageBoxHook = std::function<void(HWND owner, const std::string& text)>;
void SetMessageBoxHook(MessageBoxHook hook);

// A picture as an icon handle, and the program icon (DrawProgramIcon) as one.
HICON PictureToIcon(const Picture& picture);
HICON ProgramIcon(int size);
