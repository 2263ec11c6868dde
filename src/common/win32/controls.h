#pragma once
// Thin wrappers over the common controls. Each control belongs to a Window,
// is placed by its anchors, and raises its events as std::function members.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/picture.h"
#include "common/win32/unique.h"
#include "common/win32/window.h"

struct ImageListTraits {
    using Handle = HIMAGELIST;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ImageList_Destroy(h); }
};
using UniqueImageList = Unique<ImageListTraits>;

class Button : public Control {
public:
    struct CreateArgs {
        std::string caption{};
        DesignRect rect{};
        unsigned anchors = kAnchorTopLeft;
        int id = 0;               // IDOK and IDCANCEL take Enter and Escape
        bool is_default = false;  // the button Enter presses
    };
    bool Create(Window& parent, const CreateArgs& args);
    // A picture above the caption, design_size square at 96 DPI, drawn for the window's DPI.
    void SetGlyph(Glyph glyph, int design_size);
    void Click() { OnCommand(BN_CLICKED); }
    // Said outright: not every platform's object for the window class knows a button.
    std::optional<long> AccessibleRole() const override { return ROLE_SYSTEM_PUSHBUTTON; }
    std::function<void()> onClick;
    void OnCommand(WORD code) override;
    void OnDpiChanged(UINT old_dpi) override;

private:
    void DrawGlyphImage();

    UniqueImageList glyphs_;
    Glyph glyph_{};
    int glyph_design_size_ = 0;  // none
};

class CheckBox : public Control {
public:
    struct CreateArgs {
        std::string caption{};
        DesignRect rect{};
        unsigned anchors = kAnchorTopLeft;
    };
    bool Create(Window& parent, const CreateArgs& args);
    bool Checked() const;
    void SetChecked(bool checked);
    std::function<void()> onClick;  // the user changed it
    void OnCommand(WORD code) override {
        if (code == BN_CLICKED && onClick) onClick();
    }
};

// A whole-number field: an edit that takes digits, with up-down arrows at its right.
class SpinEdit : public Control {
public:
    ~SpinEdit() override;
    struct CreateArgs {
        DesignRect rect{};
        unsigned anchors = kAnchorTopLeft;
        int minimum = 0, maximum = 0;
    };
    bool Create(Window& parent, const CreateArgs& args);
    // The number shown, held to the range; none while the field holds no number.
    std::optional<int> Value() const;
    void SetValue(int value);
    HWND arrows() const { return arrows_; }
    void Place(int x, int y, int width, int height) override;

private:
    HWND arrows_ = nullptr;
    int minimum_ = 0, maximum_ = 0;
};

class GroupBox : public Control {
public:
    struct CreateArgs {
        std::string caption{};
        DesignRect rect{};
        unsigned anchors = kAnchorTopLeft;
    };
    bool Create(Window& parent, const CreateArgs& args);
};

class Label : public Control {
public:
    struct CreateArgs {
        std::string text{};
        DesignRect rect{};
        unsigned anchors = kAnchorTopLeft;
        bool word_wrap = false;
    };
    bool Create(Window& parent, const CreateArgs& args);
    // Colours for a label on a coloured band; CLR_INVALID keeps the system's.
    void SetColors(COLORREF text, HBRUSH background);
    void SetBold(bool bold);
    HBRUSH OnColorStatic(HDC dc) override;
    void SetFont(HFONT font) override;

private:
    COLORREF text_color_ = CLR_INVALID;
    HBRUSH background_ = nullptr;
    bool bold_ = false;
    UniqueGdiObject bold_font_;
};

// A flat coloured band with a lowered inner edge.
class Panel : public Control {
public:
    struct CreateArgs {
        COLORREF color = 0;
        DesignRect rect{};
        unsigned anchors = kAnchorTopLeft;
    };
    bool Create(Window& parent, const CreateArgs& args);
    HBRUSH Brush() const { return static_cast<HBRUSH>(brush_.get()); }
    HBRUSH OnColorStatic(HDC dc) override;

private:
    UniqueGdiObject brush_;
};

// A picture shown as-is (an icon or a banner bitmap made in code), drawn again
// whenever the window's DPI changes.
class PictureBox : public Control {
public:
    bool Create(Window& parent, const Placement& place);
    // An icon design_size square at 96 DPI.
    void SetIcon(std::function<Picture(int size)> draw, int design_size);
    // A bitmap drawn for the window's DPI; the box owns what draw returns.
    void SetBitmap(std::function<HBITMAP(const Window& window)> draw);
    void OnDpiChanged(UINT old_dpi) override;

private:
    void Draw();

    std::function<Picture(int size)> draw_icon_;
    int icon_design_size_ = 0;
    std::function<HBITMAP(const Window& window)> draw_bitmap_;
    UniqueIcon icon_;
    UniqueGdiObject bitmap_;
};

class ProgressBar : public Control {
public:
    bool Create(Window& parent, const Placement& place);
    void SetRange(int max);
    void SetPosition(int position);
    int Position() const;
};

// 32-bit images with alpha, added as pictures drawn in code. The images are
// square, design_size at 96 DPI, and drawn again when the owner's DPI changes;
// the handle stays the same, so the lists that show it keep it.
class ImageList : public DpiDrawing {
public:
    ImageList() = default;
    ImageList(const ImageList&) = delete;
    ImageList& operator=(const ImageList&) = delete;
    ~ImageList();
    bool Create(Window& owner, int design_size);
    using Drawing = std::function<Picture(int size)>;
    int Add(Drawing draw);
    int Count() const;
    void SetCount(int count);  // drops the images from count on
    int Size() const;  // the side of an image at the owner's DPI
    HIMAGELIST handle() const { return list_.get(); }
    void OnDpiChanged() override;
    // Changes whenever an image under an index may have (not when one is added): what was
    // drawn from the old ones is stale. No two lists of the process share one, so a list made
    // where another was destroyed is not taken for it.
    unsigned Generation() const { return generation_; }

private:
    Window* owner_ = nullptr;
    UniqueImageList list_;
    int design_size_ = 0;
    std::vector<Drawing> drawings_;
    unsigned generation_ = 0;
    static unsigned NextGeneration();
};

// A one-line text box with a grey hint while empty; raises onChange on every edit.
class EditBox : public Control {
public:
    struct CreateArgs {
        std::string cue{};  // the grey hint while empty
        DesignRect rect{};
        unsigned anchors = kAnchorTopLeft;
    };
    bool Create(Window& parent, const CreateArgs& args);
    std::function<void()> onChange;
    void OnCommand(WORD code) override;
};

class Timer : public WindowTimer {
public:
    Timer() = default;
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    ~Timer();
    void Attach(Window& owner, UINT interval_ms);
    void SetEnabled(bool enabled);
    bool Enabled() const { return enabled_; }
    void SetInterval(UINT interval_ms);
    void Fire() override {
        if (onTick) onTick();
    }
    std::function<void()> onTick;

private:
    Window* owner_ = nullptr;
    UINT interval_ = 1000;
    bool enabled_ = false;
};

// Converts a picture drawn in code into a 32-bit top-down DIB section.
HBITMAP PictureToBitmap(const Picture& picture);

// A name for a control that says more than its caption: screen readers announce it, and
// a tooltip shows it. The caption stays as it is.
void NameControl(Window& owner, HWND control, const std::string& name);
