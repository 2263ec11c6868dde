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
#include "common/report_list.h"

// A child window placed by its Window. The notifications the window receives
// for a control are handed to the control's own handlers below.
class Control : public WindowBase {
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

protected:
    bool CreateChild(Window& parent, const wchar_t* window_class, const std::string& text, DWORD style,
                     DWORD ex_style, DesignRect rect, unsigned anchors, int id = 0);
    Window* parent_ = nullptr;
};

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
    struct CreateArgs {
        DesignRect rect{};
        unsigned anchors = kAnchorTopLeft;
    };
    bool Create(Window& parent, const CreateArgs& args);
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
    struct CreateArgs {
        DesignRect rect{};
        unsigned anchors = kAnchorTopLeft;
    };
    bool Create(Window& parent, const CreateArgs& args);
    void SetRange(int max);
    void SetPosition(int position);
    int Position() const;
};

// 32-bit images with alpha, added as pictures drawn in code. The images are
// square, design_size at 96 DPI, and drawn again when the owner's DPI changes;
// the handle stays the same, so the lists that show it keep it.
class ImageList {
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
    void OnDpiChanged();
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

// A report-style list view: grid lines, whole-row selection, read-only cells. The rows
// live here and the control asks for what it draws (an owner-data list): a rewrite
// repaints exactly the cells that changed, where the control itself would repaint a
// whole row per cell, and under Wine every repaint request is a round trip to the server.
class ListView : public Control, public ReportList {
public:
    struct CreateArgs {
        DesignRect rect{};
        unsigned anchors = kAnchorTopLeft;
    };
    bool Create(Window& parent, const CreateArgs& args);
    void AddColumn(const std::string& caption, int design_width);
    int ColumnCount() const;
    void DeleteColumnsAfterFirst();
    // The columns after the first share what the first leaves of the width.
    void ShareRemainingWidth(int first_design_width);
    // The list keeps the pointer: the images outlive the list.
    void SetImageList(const ImageList* images);
    // Column widths follow the new DPI; a width the user dragged keeps its size at 96 DPI.
    void OnDpiChanged(UINT old_dpi) override;

    // ReportList: rows are rewritten cell by cell, and unchanged cells are not repainted.
    int RowCount() const override;
    void AppendRow() override;
    void SetRow(int row, const ReportRow& content) override;
    void DeleteLastRow() override;
    void Clear() override;

    // The cells changed while a Batch lives are painted at its end, at once.
    class Batch {
    public:
        explicit Batch(ListView& list) : list_(list) {
            if (list_.batch_depth_++ == 0) list_.ForgetGeometry();
        }
        ~Batch() {
            if (--list_.batch_depth_ == 0) list_.FlushChanges(true);
        }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        ListView& list_;
    };

    // Appends a row of plain texts: the caption, then the sub-items.
    void AddRow(const std::vector<std::string>& cells);
    void SetCell(int row, int column, const std::string& text);
    std::string Cell(int row, int column) const;
    int CellImage(int row, int column) const;
    intptr_t RowData(int row) const;
    int SelectedRow() const;  // -1 when none
    void SelectRow(int row);  // the only selected row
    std::vector<int> SelectedRows() const;
    void SelectRows(const std::vector<int>& rows);  // the others lose theirs
    std::string ColumnCaption(int column) const;
    int ColumnWidth(int column) const;

    // The header's arrow: 0 none, 1 ascending, -1 descending; the other columns lose theirs.
    void SetSortArrow(int column, int direction);
    int SortArrow(int column) const;
    bool OnEnter() override;
    void ClickColumn(int column) { if (onColumnClick) onColumnClick(column); }

    std::function<void()> onDoubleClick;  // also Enter on a focused row
    std::function<void(int column)> onColumnClick;
    std::function<void()> onSelectionChanged;
    LRESULT OnNotify(NMHDR* hdr) override;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void SetColumnWidth(int column, int width);
    void ShareWidth();
    struct Row {
        ReportRow content;
        std::vector<std::wstring> texts;  // the caption, then the sub-items, as the control asks for them
    };
    std::vector<Row> rows_;
    void SetCount();
    void SetText(int row, int column, const std::string& text);
    void SetImage(int row, int column, int image);
    void AnswerDisplayInfo(NMLVDISPINFOW* info) const;
    int FindCaption(const NMLVFINDITEMW* find) const;
    // Cells to repaint: a batch paints them at its end; a change outside one asks for a WM_PAINT.
    void Changed(int row, int column);  // column -1: the whole row
    void FlushChanges(bool now = false);  // now: painted at once rather than through WM_PAINT
    void SyncCount();
    std::vector<RECT> changed_;
    int batch_depth_ = 0;
    bool count_pending_ = false;  // rows came or went in a batch: the control learns the count at its end
    bool repaint_all_ = false;

    // Paints through an off-screen picture, the part to repaint alone, then copies it to the screen.
    void PaintBuffered();
    // The region painted now, through a device context of the window; false when hidden.
    bool PaintNow(HRGN region);
    // The control draws the region (null: all of area) into the picture, and area goes to target.
    bool Render(HRGN region, const RECT& area, HDC target);
    // While the control paints into that picture, it leaves the cells' images to DrawImages.
    LRESULT DrawImages(NMLVCUSTOMDRAW* draw) const;
    const ImageList* images_ = nullptr;
    bool painting_ = false;

    // Where the columns, a row and the cells' images are, asked of the controls once per
    // batch or paint: under Wine each question is a call across to the system's side and
    // back, and a pass would ask hundreds. Nothing moves within a batch or a paint.
    struct Geometry {
        struct Column {
            bool known = false, exists = false;
            RECT header{};  // the header item, in the header's coordinates
            bool icon_known = false;
            RECT icon{};  // the image's place in a row of this column, from the row's left and top
        };
        std::vector<Column> columns;
        int row = -1;  // the first row asked for, and its bounds
        RECT bounds{};
        COLORREF background = CLR_NONE;
        bool focused = false;
    };
    mutable Geometry geometry_;
    void ForgetGeometry() const { geometry_ = {}; }
    const Geometry::Column* ColumnAt(int column) const;  // null: no such column
    bool RowBounds(int row, RECT& bounds) const;
    bool IconRect(int row, int column, RECT& icon) const;
    HWND header_ = nullptr;

    struct Column {
        int design_width;  // at 96 DPI
        int applied;       // the width last set, to tell a width the user dragged
        bool shared;       // sized by ShareRemainingWidth
    };
    std::vector<Column> columns_;
    int share_first_design_width_ = 0;
    int share_count_ = 0;
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

class Timer {
public:
    Timer() = default;
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    ~Timer();
    void Attach(Window& owner, UINT interval_ms);
    void SetEnabled(bool enabled);
    bool Enabled() const { return enabled_; }
    void SetInterval(UINT interval_ms);
    UINT_PTR id() const { return reinterpret_cast<UINT_PTR>(this); }
    void Fire() { if (onTick) onTick(); }
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
