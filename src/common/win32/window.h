#pragma once
// A window is a small class; messages reach a virtual handler. Controls are
// owned by their window and raise events as std::function members. Top-level
// windows, standard controls and custom-drawn controls share one base.
#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/picture.h"
#include "common/win32/accessible.h"
#include "common/win32/unique.h"

struct IconTraits {
    using Handle = HICON;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DestroyIcon(h); }
};
using UniqueIcon = Unique<IconTraits>;

class Window;

// Layout positions are given at 96 DPI and scaled to the window's DPI.
enum Anchor : unsigned { AnchorLeft = 1, AnchorTop = 2, AnchorRight = 4, AnchorBottom = 8 };
constexpr unsigned kAnchorTopLeft = AnchorLeft | AnchorTop;

struct DesignRect {
    int left, top, width, height;
};

// Where a control stands at 96 DPI, and the edges it keeps its distance to.
struct Placement {
    DesignRect rect{};
    unsigned anchors = kAnchorTopLeft;
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

// A child window placed by its Window. The notifications the window receives
// for a control are handed to the control's own handlers below.
class Control : public WindowBase, public AccessibleSource {
public:
    // The control bound to a handle; null for other windows.
    static Control* FromHandle(HWND hwnd) { return dynamic_cast<Control*>(WindowBase::FromHandle(hwnd)); }

    virtual void OnCommand(WORD /*code*/) {}
    virtual LRESULT OnNotify(NMHDR* /*hdr*/) { return 0; }
    // Enter pressed while the control has the focus; true when the control acted on it.
    virtual bool OnEnter() { return false; }
    virtual HBRUSH OnColorStatic(HDC /*dc*/) { return nullptr; }
    virtual void Place(int x, int y, int width, int height);
    virtual void SetFont(HFONT font);
    // The window's DPI changed and the control is placed anew: re-apply what is sized at 96 DPI.
    virtual void OnDpiChanged(UINT /*old_dpi*/) {}

    // The name assistive tools read, in place of the caption (see NameControl).
    void SetAccessibleName(std::string name);
    std::optional<std::string> AccessibleName() const override;

protected:
    // Answers WM_GETOBJECT with the control's own object (AccessibleSource), else leaves it to the class.
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void AnswerAccessibility() { answers_objects_ = true; }
    bool CreateChild(Window& parent, const wchar_t* window_class, const std::string& text, DWORD style,
                     DWORD ex_style, DesignRect rect, unsigned anchors, int id = 0);
    Window* parent_ = nullptr;
    int design_width_ = 0;  // at 96 DPI, as created

private:
    std::optional<std::string> accessible_name_;
    bool answers_objects_ = false;
    AccessibleBridge accessible_;
};

// What a window keeps besides its controls (controls.h): timers that its WM_TIMER
// fires, and pictures it draws again for a new DPI before the controls follow.
class WindowTimer {
public:
    UINT_PTR id() const { return reinterpret_cast<UINT_PTR>(this); }
    virtual void Fire() = 0;

protected:
    ~WindowTimer() = default;
};

class DpiDrawing {
public:
    virtual void OnDpiChanged() = 0;

protected:
    ~DpiDrawing() = default;
};

// A top-level window; its client area is given at 96 DPI.
struct FrameArgs {
    std::string caption;
    DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    DWORD ex_style = 0;
    HWND owner = nullptr;
    int client_width = 0, client_height = 0;
    HMENU menu = nullptr;
};

class Window : public WindowBase {
public:
    UINT dpi() const { return dpi_; }
    int Scale(int value) const { return ScaleForDpi(value, dpi_); }
    HFONT Font() const { return static_cast<HFONT>(font_.get()); }

    // Called by controls as they are created.
    void AddControl(Control* control, DesignRect rect, unsigned anchors);
    void AddTimer(WindowTimer* timer);
    void RemoveTimer(WindowTimer* timer);
    void AddImageList(DpiDrawing* list);
    void RemoveImageList(DpiDrawing* list);
    // Places every control for the current client size and DPI.
    void Layout();
    // The control to give the focus back to when the window is next activated.
    void RememberFocus(HWND control) { last_focus_ = control; }
    // Gives a control a new place at 96 DPI, keeping its anchors (for bars that come and go).
    void MoveControl(Control* control, DesignRect rect);

protected:
    bool CreateFrame(const FrameArgs& args);
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void SetMinimumClientSize(int width, int height) { min_client_ = {width, height}; }
    // The whole window's minimum, frame included, at 96 DPI.
    void SetMinimumWindowSize(int width, int height) { min_window_ = {width, height}; }
    SIZE DesignClientSize() const { return design_client_; }

private:
    bool RestoreFocus();  // false: no control to give it to
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
    std::map<UINT_PTR, WindowTimer*> timers_;
    std::vector<DpiDrawing*> image_lists_;
    UniqueGdiObject font_;
    UniqueIcon small_icon_, big_icon_;
    UINT dpi_ = 96;
    SIZE design_client_{0, 0};
    SIZE min_client_{0, 0};
    SIZE min_window_{0, 0};
    HWND last_focus_ = nullptr;  // the control that had the focus when the window was deactivated
};

// A window that stays open beside its owner, not modal: Esc closes it, and closing hides it
// (it is reused) and gives the owner back the activation.
class SideWindow : public Window {
protected:
    // Before the window hides: what should outlast it is kept here.
    virtual void Closing() {}
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
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
    // Fixed size: single border, system menu and minimise button only. Resizable: a
    // sizing border and a maximise button, never smaller than the design size.
    struct DialogArgs {
        std::string caption;
        HWND owner = nullptr;
        int client_width = 0, client_height = 0;
        bool resizable = false;
        const char* place_setting = nullptr;  // a resizable window's size and place, kept across runs
    };
    bool CreateDialogFrame(const DialogArgs& args);
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    bool running_ = false;
    int result_ = IDCANCEL;
    const char* place_setting_ = nullptr;
    bool shown_before_ = false;
};

// A top-level window's place kept in a setting (see common/window_place.h). Restore puts it
// there unless that place lies on no screen now; false when it did not. Save keeps the
// restored rectangle, also while minimised or maximised; a registry that refuses is ignored.
bool RestoreWindowPlace(HWND window, std::string_view setting, bool* maximised = nullptr);
void SaveWindowPlace(HWND window, std::string_view setting);

// The application's plain message box: an OK button and the title as caption.
// Tests replace it to read the text instead of blocking.
void ShowMessage(HWND owner, const std::string& text);
using MessageBoxHook = std::function<void(HWND owner, const std::string& text)>;
void SetMessageBoxHook(MessageBoxHook hook);

// A picture as an icon handle, and the program icon (DrawProgramIcon) as one.
HICON PictureToIcon(const Picture& picture);
HICON ProgramIcon(int size);
