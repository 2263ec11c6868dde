#include "common/win32/controls.h"

#include <initguid.h>
#include <oleacc.h>

#include <algorithm>
#include <atomic>
#include <string_view>
#include <utility>

#include "common/win32/wide.h"

bool Button::Create(Window& parent, const CreateArgs& args) {
    return CreateChild(parent, WC_BUTTONW, args.caption,
                       WS_TABSTOP | (args.is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0, args.rect, args.anchors,
                       args.id);
}

void Button::SetGlyph(Glyph glyph, int design_size) {
    glyph_ = glyph;
    glyph_design_size_ = design_size;
    DrawGlyphImage();
    SetWindowLongPtrW(hwnd_, GWL_STYLE, GetWindowLongPtrW(hwnd_, GWL_STYLE) | BS_MULTILINE);
}

void Button::DrawGlyphImage() {
    // Drawn again at the target size rather than stretched, so it stays sharp.
    const int size = parent_->Scale(glyph_design_size_);
    glyphs_.reset(ImageList_Create(size, size, ILC_COLOR32, 1, 0));
    UniqueGdiObject bitmap(PictureToBitmap(DrawGlyph(glyph_, size)));
    ImageList_Add(glyphs_.get(), static_cast<HBITMAP>(bitmap.get()), nullptr);
    BUTTON_IMAGELIST bil{};
    bil.himl = glyphs_.get();
    bil.margin = {0, parent_->Scale(4), 0, 0};
    bil.uAlign = BUTTON_IMAGELIST_ALIGN_TOP;
    SendMessageW(hwnd_, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&bil));
}

void Button::OnDpiChanged(UINT /*old_dpi*/) {
    if (glyph_design_size_ > 0) DrawGlyphImage();
}

void Button::OnCommand(WORD code) {
    if (code == BN_CLICKED && onClick) onClick();
}

bool CheckBox::Create(Window& parent, const CreateArgs& args) {
    return CreateChild(parent, WC_BUTTONW, args.caption, WS_TABSTOP | BS_AUTOCHECKBOX, 0, args.rect, args.anchors);
}

bool CheckBox::Checked() const { return SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void CheckBox::SetChecked(bool checked) {
    SendMessageW(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

SpinEdit::~SpinEdit() {
    if (arrows_ && IsWindow(arrows_)) DestroyWindow(arrows_);
}

bool SpinEdit::Create(Window& parent, const CreateArgs& args) {
    minimum_ = args.minimum;
    maximum_ = args.maximum;
    // The arrows exist before the edit is placed; they take no tab stop of their own.
    arrows_ = CreateWindowExW(0, UPDOWN_CLASSW, L"", WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS,
                              0, 0, 0, 0, parent.hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!arrows_) return false;
    if (!CreateChild(parent, WC_EDITW, "", WS_TABSTOP | ES_NUMBER | ES_RIGHT, WS_EX_CLIENTEDGE, args.rect,
                     args.anchors))
        return false;
    SendMessageW(hwnd_, EM_LIMITTEXT, std::to_wstring(maximum_).size(), 0);
    SendMessageW(arrows_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(hwnd_), 0);
    SendMessageW(arrows_, UDM_SETRANGE32, static_cast<WPARAM>(minimum_), maximum_);
    return true;
}

std::optional<int> SpinEdit::Value() const {
    const std::string text = Text();
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    return std::clamp(std::stoi(text), minimum_, maximum_);
}

void SpinEdit::SetValue(int value) {
    SendMessageW(arrows_, UDM_SETPOS32, 0, std::clamp(value, minimum_, maximum_));
}

void SpinEdit::Place(int x, int y, int width, int height) {
    // The arrows are as wide as a scroll bar at 96 DPI, scaled to the window's.
    const int arrows = std::min(width / 2, parent_->Scale(17));
    Control::Place(x, y, width - arrows, height);
    MoveWindow(arrows_, x + width - arrows, y, arrows, height, TRUE);
}

bool GroupBox::Create(Window& parent, const CreateArgs& args) {
    return CreateChild(parent, WC_BUTTONW, args.caption, BS_GROUPBOX, WS_EX_TRANSPARENT, args.rect, args.anchors);
}

bool Label::Create(Window& parent, const CreateArgs& args) {
    return CreateChild(parent, WC_STATICW, args.text, args.word_wrap ? SS_LEFT : SS_LEFTNOWORDWRAP, 0, args.rect,
                       args.anchors);
}

void Label::SetColors(COLORREF text, HBRUSH background) {
    text_color_ = text;
    background_ = background;
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void Label::SetBold(bool bold) {
    bold_ = bold;
    SetFont(parent_->Font());
}

void Label::SetFont(HFONT font) {
    if (!bold_ || !font) {
        Control::SetFont(font);
        return;
    }
    LOGFONTW lf{};
    GetObjectW(font, sizeof(lf), &lf);
    lf.lfWeight = FW_BOLD;
    bold_font_.reset(CreateFontIndirectW(&lf));
    Control::SetFont(static_cast<HFONT>(bold_font_.get()));
}

HBRUSH Label::OnColorStatic(HDC dc) {
    if (text_color_ != CLR_INVALID) SetTextColor(dc, text_color_);
    if (!background_) return nullptr;
    SetBkMode(dc, TRANSPARENT);
    return background_;
}

bool Panel::Create(Window& parent, const CreateArgs& args) {
    brush_.reset(CreateSolidBrush(args.color));
    return CreateChild(parent, WC_STATICW, "", SS_SUNKEN, 0, args.rect, args.anchors);
}

HBRUSH Panel::OnColorStatic(HDC /*dc*/) { return Brush(); }

bool PictureBox::Create(Window& parent, const Placement& place) {
    return CreateChild(parent, WC_STATICW, "", SS_CENTERIMAGE | SS_REALSIZECONTROL, 0, place.rect, place.anchors);
}

void PictureBox::SetIcon(std::function<Picture(int size)> draw, int design_size) {
    draw_icon_ = std::move(draw);
    icon_design_size_ = design_size;
    draw_bitmap_ = nullptr;
    Draw();
}

void PictureBox::SetBitmap(std::function<HBITMAP(const Window& window)> draw) {
    draw_bitmap_ = std::move(draw);
    draw_icon_ = nullptr;
    Draw();
}

void PictureBox::OnDpiChanged(UINT /*old_dpi*/) { Draw(); }

void PictureBox::Draw() {
    const LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE) & ~SS_TYPEMASK;
    if (draw_icon_) {
        UniqueIcon icon(PictureToIcon(draw_icon_(parent_->Scale(icon_design_size_))));
        SetWindowLongPtrW(hwnd_, GWL_STYLE, style | SS_ICON);
        SendMessageW(hwnd_, STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);
        icon_ = std::move(icon);  // the old one goes once the box shows the new one
    } else if (draw_bitmap_) {
        UniqueGdiObject bitmap(draw_bitmap_(*parent_));
        SetWindowLongPtrW(hwnd_, GWL_STYLE, style | SS_BITMAP);
        SendMessageW(hwnd_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap.get()));
        bitmap_ = std::move(bitmap);
    }
}

bool ProgressBar::Create(Window& parent, const Placement& place) {
    return CreateChild(parent, PROGRESS_CLASSW, "", 0, 0, place.rect, place.anchors);
}

void ProgressBar::SetRange(int max) { SendMessageW(hwnd_, PBM_SETRANGE32, 0, max); }
void ProgressBar::SetPosition(int position) { SendMessageW(hwnd_, PBM_SETPOS, static_cast<WPARAM>(position), 0); }
int ProgressBar::Position() const { return static_cast<int>(SendMessageW(hwnd_, PBM_GETPOS, 0, 0)); }

HBITMAP PictureToBitmap(const Picture& picture) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = picture.width;
    bi.bmiHeader.biHeight = -picture.height;  // top-down, like the picture
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap) std::copy(picture.pixels.begin(), picture.pixels.end(), static_cast<Argb*>(bits));
    return bitmap;
}

ImageList::~ImageList() {
    if (owner_) owner_->RemoveImageList(this);
}

unsigned ImageList::NextGeneration() {
    static std::atomic<unsigned> last{0};
    return ++last;
}

bool ImageList::Create(Window& owner, int design_size) {
    owner_ = &owner;
    generation_ = NextGeneration();
    design_size_ = design_size;
    const int size = Size();
    list_.reset(ImageList_Create(size, size, ILC_COLOR32, 16, 16));
    owner.AddImageList(this);
    return static_cast<bool>(list_);
}

int ImageList::Size() const { return owner_->Scale(design_size_); }

int ImageList::Add(Drawing draw) {
    UniqueGdiObject bitmap(PictureToBitmap(draw(Size())));
    drawings_.push_back(std::move(draw));
    return ImageList_Add(list_.get(), static_cast<HBITMAP>(bitmap.get()), nullptr);
}

int ImageList::Count() const { return ImageList_GetImageCount(list_.get()); }

void ImageList::SetCount(int count) {
    if (count < 0 || count >= Count()) return;
    ImageList_SetImageCount(list_.get(), static_cast<UINT>(count));
    drawings_.resize(static_cast<size_t>(count));  // a later DPI change draws only the ones kept
    generation_ = NextGeneration();
}

void ImageList::OnDpiChanged() {
    generation_ = NextGeneration();
    // Setting the size empties the list; the same handle takes every image again, in order.
    const int size = Size();
    ImageList_SetIconSize(list_.get(), size, size);
    for (const Drawing& draw : drawings_) {
        UniqueGdiObject bitmap(PictureToBitmap(draw(size)));
        ImageList_Add(list_.get(), static_cast<HBITMAP>(bitmap.get()), nullptr);
    }
}

bool EditBox::Create(Window& parent, const CreateArgs& args) {
    if (!CreateChild(parent, WC_EDITW, "", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, args.rect, args.anchors))
        return false;
    SendMessageW(hwnd_, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(Widen(args.cue).c_str()));
    return true;
}

void EditBox::OnCommand(WORD code) {
    if (code == EN_CHANGE && onChange) onChange();
}

Timer::~Timer() {
    if (owner_) {
        if (owner_->hwnd()) KillTimer(owner_->hwnd(), id());
        owner_->RemoveTimer(this);
    }
}

void Timer::Attach(Window& owner, UINT interval_ms) {
    owner_ = &owner;
    interval_ = interval_ms;
    owner.AddTimer(this);
}

void Timer::SetEnabled(bool enabled) {
    enabled_ = enabled;
    if (!owner_ || !owner_->hwnd()) return;
    if (enabled)
        SetTimer(owner_->hwnd(), id(), interval_, nullptr);
    else
        KillTimer(owner_->hwnd(), id());
}

void Timer::SetInterval(UINT interval_ms) {
    interval_ = interval_ms;
    if (enabled_) SetEnabled(true);
}

void NameControl(Window& owner, HWND control, const std::string& name) {
    std::wstring text = Widen(name);
    HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner.hwnd(), nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (tip) {
        TOOLINFOW info{};
        info.cbSize = sizeof info;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = owner.hwnd();
        info.uId = reinterpret_cast<UINT_PTR>(control);
        info.lpszText = text.data();
        SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
    // Our own answer to WM_GETOBJECT, which every platform reads; and the accessibility
    // layer's annotation, for tools that ask it first.
    if (Control* bound = Control::FromHandle(control)) bound->SetAccessibleName(name);
    const ComScope com;
    IAccPropServices* found = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                   reinterpret_cast<void**>(&found)))) {
        const UniqueCom<IAccPropServices> services(found);
        services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_NAME, text.c_str());
    }
}
