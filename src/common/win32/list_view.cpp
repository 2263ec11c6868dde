#include "common/win32/list_view.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>
#include <utility>

#include "common/air_text.h"
#include "common/win32/unique.h"
#include "common/win32/wide.h"

namespace {

// An off-screen 32-bit picture at least width x height, kept for the thread's later paints.
// A DIB section, not a bitmap compatible with the screen: under Wine, selecting a
// device-dependent bitmap into a DC asks the server for the display's depth, and the
// list view draws each of its images through one built like its target.
HDC PaintBuffer(int width, int height) {
    struct Buffer {
        UniqueGdiObject bitmap;
        UniqueDC dc;  // destroyed first, while the bitmap is still selected into it
        HGDIOBJ original = nullptr;
        int width = 0, height = 0;
        ~Buffer() {
            if (dc) SelectObject(dc.get(), original);
        }
    };
    thread_local Buffer buffer;
    if (buffer.dc && width <= buffer.width && height <= buffer.height) return buffer.dc.get();
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), std::max(width, buffer.width), -std::max(height, buffer.height), 1, 32,
                    BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    UniqueGdiObject bitmap(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) return nullptr;
    if (!buffer.dc) {
        buffer.dc.reset(CreateCompatibleDC(nullptr));
        if (!buffer.dc) return nullptr;
        buffer.original = SelectObject(buffer.dc.get(), bitmap.get());
    } else {
        SelectObject(buffer.dc.get(), bitmap.get());
    }
    buffer.bitmap = std::move(bitmap);
    buffer.width = bi.bmiHeader.biWidth;
    buffer.height = -bi.bmiHeader.biHeight;
    return buffer.dc.get();
}

// The list view's images, each drawn once as the control would draw it and then copied.
// Under Wine the control's every image costs two device contexts and two bitmaps (two
// X graphics contexts and four memory mappings). Only a drawing that does not depend on
// what lies under it is kept; any other is drawn by the image list each time, as the
// control would.
class ImageTiles {
public:
    void Draw(HDC dc, const ImageList& images, int image, const RECT& at, UINT style, COLORREF background) {
        const int width = at.right - at.left, height = at.bottom - at.top;
        // The control draws nothing for an index past the list's end; nor is it kept.
        if (width <= 0 || height <= 0 || image >= images.Count()) return;
        const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);  // what a selected image is blended with
        if (images.Generation() != generation_ || background != background_ || highlight != highlight_) {
            tiles_.clear();
            generation_ = images.Generation();
            background_ = background;
            highlight_ = highlight;
        }
        const Key key{image, style, width, height};
        auto found = tiles_.find(key);
        if (found == tiles_.end()) found = tiles_.emplace(key, Make(images.handle(), key)).first;
        if (!found->second) {
            ImageList_DrawEx(images.handle(), image, dc, at.left, at.top, width, height, background, CLR_DEFAULT, style);
            return;
        }
        const SelectGuard select(dc_.get(), found->second.get());
        BitBlt(dc, at.left, at.top, width, height, dc_.get(), 0, 0, SRCCOPY);
    }

private:
    struct Key {
        int image;
        UINT style;
        int width, height;
        auto operator<=>(const Key&) const = default;
    };

    // The image drawn over black and over white: the same pixels make a tile, else none.
    UniqueGdiObject Make(HIMAGELIST list, const Key& key) {
        if (!dc_) dc_.reset(CreateCompatibleDC(nullptr));
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), key.width, -key.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        UniqueGdiObject tile(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!dc_ || !tile) return {};
        const size_t n = static_cast<size_t>(key.width) * key.height;
        std::vector<uint32_t> over_black(n);
        const SelectGuard select(dc_.get(), tile.get());
        for (const DWORD fill : {BLACKNESS, WHITENESS}) {
            PatBlt(dc_.get(), 0, 0, key.width, key.height, fill);
            ImageList_DrawEx(list, key.image, dc_.get(), 0, 0, key.width, key.height, background_, CLR_DEFAULT,
                             key.style);
            GdiFlush();
            if (fill == BLACKNESS) std::memcpy(over_black.data(), bits, n * sizeof(uint32_t));
        }
        const auto* over_white = static_cast<const uint32_t*>(bits);
        for (size_t i = 0; i < n; ++i)
            if ((over_black[i] ^ over_white[i]) & 0x00FFFFFFu) return {};
        return tile;
    }

    unsigned generation_ = 0;  // none: every list's generations start at 1
    COLORREF background_ = CLR_NONE, highlight_ = CLR_NONE;
    UniqueDC dc_;
    std::map<Key, UniqueGdiObject> tiles_;
};

ImageTiles& TheImageTiles() {
    thread_local ImageTiles tiles;
    return tiles;
}

// The image index a cell gets while the list draws the images itself: not one of the list's,
// so the control leaves the cell the room for an image but draws none.
constexpr int kImageDrawnByList = INT_MAX;

}  // namespace

bool ListView::Create(Window& parent, const Placement& place) {
    // Clipping its header, the list's repaints leave the header alone. No LVS_EX_DOUBLEBUFFER:
    // PaintBuffered paints through a picture of its own.
    if (!CreateChild(parent, WC_LISTVIEWW, "",
                     WS_TABSTOP | WS_CLIPCHILDREN | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS |
                         LVS_OWNERDATA,
                     WS_EX_CLIENTEDGE, place.rect, place.anchors))
        return false;
    ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_SUBITEMIMAGES);
    header_ = ListView_GetHeader(hwnd_);
    return true;
}

const ListView::Geometry::Column* ListView::ColumnAt(int column) const {
    if (column < 0) return nullptr;
    auto& columns = geometry_.columns;
    if (columns.size() <= static_cast<size_t>(column)) columns.resize(static_cast<size_t>(column) + 1);
    Geometry::Column& c = columns[static_cast<size_t>(column)];
    if (!c.known) {
        c.known = true;
        c.exists = Header_GetItemRect(header_, column, &c.header) != FALSE;
    }
    return c.exists ? &c : nullptr;
}

bool ListView::RowBounds(int row, RECT& bounds) const {
    // The rows of a report are all as high as one another, one under the other.
    if (row < 0 || row >= RowCount()) return false;
    if (geometry_.row < 0) {
        if (!ListView_GetItemRect(hwnd_, row, &geometry_.bounds, LVIR_BOUNDS)) return false;
        geometry_.row = row;
    }
    bounds = geometry_.bounds;
    OffsetRect(&bounds, 0, (row - geometry_.row) * (bounds.bottom - bounds.top));
    return true;
}

bool ListView::IconRect(int row, int column, RECT& icon) const {
    // Every row of a report places a column's image alike: asked once, then moved to the row.
    RECT bounds;
    if (!RowBounds(row, bounds) || !ColumnAt(column)) return false;
    Geometry::Column& c = geometry_.columns[static_cast<size_t>(column)];
    if (!c.icon_known) {
        if (!ListView_GetSubItemRect(hwnd_, row, column, LVIR_ICON, &c.icon)) return false;
        OffsetRect(&c.icon, -bounds.left, -bounds.top);
        c.icon_known = true;
    }
    icon = c.icon;
    OffsetRect(&icon, bounds.left, bounds.top);
    return true;
}

void ListView::AddColumn(const std::string& caption, int design_width) {
    std::wstring text = Widen(caption);
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.pszText = text.data();
    col.cx = parent_->Scale(design_width);
    col.iSubItem = ColumnCount();
    SendMessageW(hwnd_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(col.iSubItem), reinterpret_cast<LPARAM>(&col));
    columns_.push_back({design_width, col.cx, false});
}

int ListView::ColumnCount() const {
    HWND header = ListView_GetHeader(hwnd_);
    return header ? Header_GetItemCount(header) : 0;
}

void ListView::DeleteColumnsAfterFirst() {
    while (ColumnCount() > 1) ListView_DeleteColumn(hwnd_, ColumnCount() - 1);
    columns_.resize(std::min<size_t>(columns_.size(), 1));
    share_count_ = 0;
}

void ListView::SetColumnWidth(int column, int width) {
    ListView_SetColumnWidth(hwnd_, column, width);
    if (static_cast<size_t>(column) < columns_.size()) columns_[static_cast<size_t>(column)].applied = width;
}

void ListView::ShareRemainingWidth(int first_design_width) {
    share_first_design_width_ = first_design_width;
    share_count_ = ColumnCount();
    for (size_t i = 1; i < columns_.size(); ++i) columns_[i].shared = true;
    ShareWidth();
}

void ListView::ShareWidth() {
    if (share_count_ < 2) return;
    // Room is kept for a vertical scroll bar, whether the rows show one yet or not.
    // From the design width, not the width now: a list that grows with its window shows more
    // of its columns, and the shares come out the same whatever size the DPI changed at.
    RECT client, frame;
    GetClientRect(hwnd_, &client);
    GetWindowRect(hwnd_, &frame);
    if (design_width_ > 0) client.right = parent_->Scale(design_width_) - ((frame.right - frame.left) - client.right);
    const int scroll_bar = SystemMetricForDpi(SM_CXVSCROLL, parent_->dpi());
    if (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_VSCROLL) client.right += scroll_bar;
    const int rest = client.right - parent_->Scale(share_first_design_width_) - scroll_bar;
    const int width = std::max(rest / (share_count_ - 1), parent_->Scale(40));
    for (size_t i = 1; i < columns_.size(); ++i)
        if (columns_[i].shared) SetColumnWidth(static_cast<int>(i), width);
}

void ListView::OnDpiChanged(UINT old_dpi) {
    for (size_t i = 0; i < columns_.size(); ++i) {
        Column& c = columns_[i];
        const int now = ColumnWidth(static_cast<int>(i));
        if (now != c.applied) c = {MulDiv(now, 96, static_cast<int>(old_dpi)), now, false};  // dragged by the user
        if (!c.shared) SetColumnWidth(static_cast<int>(i), parent_->Scale(c.design_width));
    }
    ShareWidth();
    FitLastColumn();
    // The rows take the height of the images as they are now.
    ListView_SetImageList(hwnd_, nullptr, LVSIL_SMALL);
    SetImageList(images_);
}

void ListView::SetImageList(const ImageList* images) {
    images_ = images;
    ListView_SetImageList(hwnd_, images ? images->handle() : nullptr, LVSIL_SMALL);
}

int ListView::RowCount() const { return static_cast<int>(rows_.size()); }

LRESULT ListView::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT:
            if (wp == 0) {
                PaintBuffered();
                return 0;
            }
            break;
        case WM_SIZE: {
            const LRESULT r = Control::OnMessage(msg, wp, lp);
            FitLastColumn();
            return r;
        }
        case WM_ERASEBKGND:
            // The buffered paint fills the background; a DC of another window (WM_PRINT) gets it here.
            if (WindowFromDC(reinterpret_cast<HDC>(wp)) == hwnd_) return 1;
            break;
        case LVM_DELETEALLITEMS:
        case LVM_DELETEITEM:
        case LVM_INSERTITEMW:
        case LVM_INSERTITEMA:
        case LVM_SETITEMCOUNT: {
            // Sent by someone else: the rows follow the count the control keeps.
            const LRESULT r = Control::OnMessage(msg, wp, lp);
            rows_.resize(static_cast<size_t>(std::max(ListView_GetItemCount(hwnd_), 0)));
            return r;
        }
        default:
            break;
    }
    return Control::OnMessage(msg, wp, lp);
}

void ListView::PaintBuffered() {
    UniqueGdiObject region(CreateRectRgn(0, 0, 0, 0));
    const int kind = GetUpdateRgn(hwnd_, static_cast<HRGN>(region.get()), FALSE);
    const PaintDC paint(hwnd_);
    if (!Render(kind == COMPLEXREGION ? static_cast<HRGN>(region.get()) : nullptr, paint.Area(), paint.get()))
        Default(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(paint.get()), PRF_ERASEBKGND | PRF_CLIENT);
}

bool ListView::PaintNow(HRGN region) {
    if (!IsWindowVisible(hwnd_) || IsIconic(GetAncestor(hwnd_, GA_ROOT))) return false;
    const WindowDC dc(hwnd_);  // without the header: the list clips its children
    if (!dc.get()) return false;
    RECT area;
    GetRgnBox(region, &area);
    SelectClipRgn(dc.get(), region);
    const bool painted = Render(region, area, dc.get());
    SelectClipRgn(dc.get(), nullptr);
    return painted;
}

bool ListView::Render(HRGN region, const RECT& area, HDC target) {
    RECT client;
    GetClientRect(hwnd_, &client);
    const HDC buffer = PaintBuffer(client.right, client.bottom);
    if (!buffer) return false;
    const int saved = SaveDC(buffer);
    // The control draws only the rows and cells that meet the clip.
    if (region) SelectClipRgn(buffer, region);
    IntersectClipRect(buffer, area.left, area.top, area.right, area.bottom);
    painting_ = images_ != nullptr;
    if (painting_) {
        ForgetGeometry();
        geometry_.background = ListView_GetBkColor(hwnd_);
        geometry_.focused = GetFocus() == hwnd_;
    }
    Default(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(buffer), PRF_ERASEBKGND | PRF_CLIENT);
    if (rows_.empty()) DrawEmptyText(buffer, client);
    painting_ = false;
    ForgetGeometry();
    BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, buffer, area.left, area.top,
           SRCCOPY);
    RestoreDC(buffer, saved);
    return true;
}

LRESULT ListView::DrawImages(NMLVCUSTOMDRAW* draw) const {
    // A row's images where the control would draw them, once the row is drawn and before
    // the grid lines and the focus rectangle. One notification a row, not two a cell: under
    // Wine each is a round trip between the program and the system's side.
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) return CDRF_NOTIFYPOSTPAINT;
    if (draw->nmcd.dwDrawStage != CDDS_ITEMPOSTPAINT) return CDRF_DODEFAULT;
    const int row = static_cast<int>(draw->nmcd.dwItemSpec);
    RECT bounds;
    if (row < 0 || row >= RowCount() || !RowBounds(row, bounds)) return CDRF_DODEFAULT;
    // An owner-data row has no cut or overlay state: the control keeps only its selection.
    const UINT style =
        geometry_.focused && ListView_GetItemState(hwnd_, row, LVIS_SELECTED) ? ILD_SELECTED : ILD_NORMAL;
    const HDC dc = draw->nmcd.hdc;
    const ReportRow& content = rows_[static_cast<size_t>(row)].content;
    for (size_t k = 0; k <= content.subItemImages.size(); ++k) {
        const int column = static_cast<int>(k);
        const int image = k == 0 ? content.image : content.subItemImages[k - 1];
        const Geometry::Column* c = image >= 0 ? ColumnAt(column) : nullptr;
        RECT icon;
        if (!c || !IconRect(row, column, icon)) continue;
        const RECT cell{bounds.left + c->header.left, bounds.top, bounds.left + c->header.right, bounds.bottom};
        RECT seen;
        if (!IntersectRect(&seen, &icon, &cell) || !RectVisible(dc, &seen)) continue;
        // Past its cell, an image is covered by the next cell, as the control draws them.
        const bool overflows = !EqualRect(&seen, &icon);
        const int saved = overflows ? SaveDC(dc) : 0;
        if (overflows) IntersectClipRect(dc, cell.left, cell.top, cell.right, cell.bottom);
        TheImageTiles().Draw(dc, *images_, image, icon, style, geometry_.background);
        if (overflows) RestoreDC(dc, saved);
    }
    return CDRF_DODEFAULT;
}

void ListView::SetCount() {
    // The rows above keep their pixels; the new or gone ones are repainted with the changes.
    const bool wasEmpty = ListView_GetItemCount(hwnd_) == 0;
    Control::OnMessage(LVM_SETITEMCOUNT, rows_.size(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    if (!empty_text_.empty() && wasEmpty != rows_.empty()) InvalidateRect(hwnd_, nullptr, TRUE);  // the text comes or goes
}

std::vector<int> ListView::DesignWidths() const {
    std::vector<int> widths;
    for (int c = 0, n = ColumnCount(); c < n; ++c)
        widths.push_back(MulDiv(ColumnWidth(c), 96, static_cast<int>(parent_->dpi())));
    return widths;
}

void ListView::SetDesignWidths(const std::vector<int>& widths) {
    for (size_t i = 0; i < widths.size() && i < columns_.size(); ++i) {
        columns_[i] = {widths[i], parent_->Scale(widths[i]), false};
        SetColumnWidth(static_cast<int>(i), parent_->Scale(widths[i]));
    }
}

void ListView::SetLastColumnFills(bool fills) {
    last_column_fills_ = fills;
    FitLastColumn();
}

void ListView::FitLastColumn() {
    const int last = ColumnCount() - 1;
    if (!last_column_fills_ || last < 0) return;
    RECT client;
    GetClientRect(hwnd_, &client);
    int rest = client.right;
    for (int c = 0; c < last; ++c) rest -= ColumnWidth(c);
    FitColumnToContent(last);
    SetColumnWidth(last, std::max(ColumnWidth(last), rest));
}

void ListView::FitColumnToContent(int column) {
    // The cells alone, then the caption alone (the last column would take the rest of the width).
    ListView_SetColumnWidth(hwnd_, column, LVSCW_AUTOSIZE);
    const int cells = ColumnWidth(column);
    int caption = 0;
    if (const HWND header = ListView_GetHeader(hwnd_)) {
        const std::wstring text = Widen(ColumnCaption(column));
        const WindowDC dc(header);
        const HGDIOBJ old = SelectObject(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(header, WM_GETFONT, 0, 0)));
        SIZE size{};
        GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc.get(), old);
        caption = size.cx + parent_->Scale(12) * 2;  // the header's padding and room for the sort arrow
    }
    SetColumnWidth(column, std::max(cells, caption));
}

void ListView::SetEmptyText(const std::string& text) {
    if (text == empty_text_) return;
    empty_text_ = text;
    if (rows_.empty()) InvalidateRect(hwnd_, nullptr, TRUE);
}

void ListView::DrawEmptyText(HDC dc, RECT client) const {
    if (empty_text_.empty()) return;
    if (const HWND header = ListView_GetHeader(hwnd_); header && IsWindowVisible(header)) {
        RECT h;
        GetWindowRect(header, &h);
        client.top += h.bottom - h.top;
    }
    InflateRect(&client, -parent_->Scale(8), -parent_->Scale(8));
    SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    const std::wstring text = Widen(empty_text_);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &client, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
}

void ListView::AppendRow() {
    rows_.push_back({ReportRow{}, {L""}});
    if (batch_depth_ > 0) {
        count_pending_ = repaint_all_ = true;
        return;
    }
    SetCount();
    Changed(RowCount() - 1, -1);
}

void ListView::SyncCount() {
    // A batch tells the control its new count once: each change of it updates the scroll bars.
    if (!std::exchange(count_pending_, false)) return;
    SetCount();
}

void ListView::SetText(int row, int column, const std::string& text) {
    Row& r = rows_[static_cast<size_t>(row)];
    std::string* cell = &r.content.caption;
    if (column > 0) {
        if (r.content.subItems.size() < static_cast<size_t>(column)) r.content.subItems.resize(static_cast<size_t>(column));
        cell = &r.content.subItems[static_cast<size_t>(column) - 1];
    }
    if (*cell == text) return;
    *cell = text;
    if (r.texts.size() <= static_cast<size_t>(column)) r.texts.resize(static_cast<size_t>(column) + 1);
    // Shown as the air sent it would let a name break lines or reorder the row: shown made safe.
    r.texts[static_cast<size_t>(column)] = Widen(AirTextForDisplay(text));
    Changed(row, column);
}

void ListView::SetImage(int row, int column, int image) {
    ReportRow& r = rows_[static_cast<size_t>(row)].content;
    int* cell = &r.image;
    if (column > 0) {
        if (r.subItemImages.size() < static_cast<size_t>(column)) r.subItemImages.resize(static_cast<size_t>(column), -1);
        cell = &r.subItemImages[static_cast<size_t>(column) - 1];
    }
    if (*cell == image) return;
    *cell = image;
    Changed(row, column);
}

void ListView::SetCell(int row, int column, const std::string& text) {
    if (row < 0 || row >= RowCount() || column < 0) return;
    SetText(row, column, text);
    FlushChanges();
}

std::string ListView::Cell(int row, int column) const {
    if (row < 0 || row >= RowCount() || column < 0) return "";
    const ReportRow& r = rows_[static_cast<size_t>(row)].content;
    if (column == 0) return r.caption;
    return static_cast<size_t>(column) <= r.subItems.size() ? r.subItems[static_cast<size_t>(column) - 1] : "";
}

int ListView::CellImage(int row, int column) const {
    if (row < 0 || row >= RowCount() || column < 0) return -1;
    const ReportRow& r = rows_[static_cast<size_t>(row)].content;
    if (column == 0) return r.image;
    return static_cast<size_t>(column) <= r.subItemImages.size() ? r.subItemImages[static_cast<size_t>(column) - 1]
                                                                 : -1;
}

intptr_t ListView::RowData(int row) const {
    return row >= 0 && row < RowCount() ? rows_[static_cast<size_t>(row)].content.data : 0;
}

void ListView::SetRow(int row, const ReportRow& content) {
    if (row < 0 || row >= RowCount()) return;
    if (rows_[static_cast<size_t>(row)].content == content) return;
    SetText(row, 0, content.caption);
    SetImage(row, 0, content.image);
    const size_t shown = std::max(content.subItems.size(), rows_[static_cast<size_t>(row)].content.subItems.size());
    for (size_t i = 0; i < shown; ++i) {
        const int column = static_cast<int>(i) + 1;
        SetText(row, column, i < content.subItems.size() ? content.subItems[i] : "");
        SetImage(row, column, i < content.subItemImages.size() ? content.subItemImages[i] : -1);
    }
    // Exactly as given, trailing empty cells included: a row equal to the last one written is left alone.
    rows_[static_cast<size_t>(row)].content = content;
    if (batch_depth_ == 0) FlushChanges();
}

void ListView::DeleteLastRow() {
    if (rows_.empty()) return;
    if (batch_depth_ > 0) {
        rows_.pop_back();
        count_pending_ = repaint_all_ = true;
        return;
    }
    Changed(RowCount() - 1, -1);
    rows_.pop_back();
    SetCount();
    FlushChanges();
}

void ListView::Clear() {
    rows_.clear();
    count_pending_ = false;
    SetCount();
    changed_.clear();
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void ListView::AddRow(const std::vector<std::string>& cells) {
    AppendRow();
    for (size_t i = 0; i < cells.size(); ++i) SetText(RowCount() - 1, static_cast<int>(i), cells[i]);
    if (batch_depth_ == 0) FlushChanges();
}

void ListView::Changed(int row, int column) {
    if (repaint_all_) return;
    RECT bounds{}, client, shown;
    if (!RowBounds(row, bounds)) return;
    GetClientRect(hwnd_, &client);
    // The cell's column across the row, as the control repaints one cell itself when it can.
    if (const Geometry::Column* c = ColumnAt(column)) {
        bounds.right = bounds.left + c->header.right;
        bounds.left += c->header.left;
    } else {
        bounds.left = client.left;
        bounds.right = client.right;
    }
    if (IntersectRect(&shown, &bounds, &client)) changed_.push_back(shown);
    if (batch_depth_ == 0 && column < 0) FlushChanges();
}

void ListView::FlushChanges(bool now) {
    ForgetGeometry();  // outside a batch, asked again for the next change
    SyncCount();
    if (std::exchange(repaint_all_, false)) {
        // Rows came or went: they move the ones below, and the whole list is repainted once.
        changed_.clear();
        InvalidateRect(hwnd_, nullptr, TRUE);
        return;
    }
    if (changed_.empty()) return;
    UniqueGdiObject region(CreateRectRgn(0, 0, 0, 0));
    const auto all = static_cast<HRGN>(region.get());
    for (const RECT& cell : changed_) {
        UniqueGdiObject one(CreateRectRgnIndirect(&cell));
        CombineRgn(all, all, static_cast<HRGN>(one.get()), RGN_OR);
    }
    changed_.clear();
    // A batch's cells are painted at once: under Wine a paint through WM_PAINT costs about
    // nine round trips to the server (the invalidation, the message, the update and visible
    // regions, the caret), a device context of the window one.
    if (!now || !PaintNow(all)) InvalidateRgn(hwnd_, all, TRUE);
}

void ListView::AnswerDisplayInfo(NMLVDISPINFOW* info) const {
    LVITEMW& item = info->item;
    if (item.iItem < 0 || item.iItem >= RowCount() || item.iSubItem < 0) return;
    const Row& r = rows_[static_cast<size_t>(item.iItem)];
    const auto column = static_cast<size_t>(item.iSubItem);
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        const std::wstring* text = column < r.texts.size() ? &r.texts[column] : nullptr;
        const size_t n = text ? std::min(text->size(), static_cast<size_t>(item.cchTextMax) - 1) : 0;
        if (n) text->copy(item.pszText, n);
        item.pszText[n] = L'\0';
    }
    if (item.mask & LVIF_IMAGE) {
        // No image: the first column keeps the room for one, the others give it to the text.
        const int image = CellImage(item.iItem, item.iSubItem);
        item.iImage = image >= 0 ? (painting_ ? kImageDrawnByList : image)
                                 : item.iSubItem == 0 ? I_IMAGENONE : I_IMAGECALLBACK;
    }
    if (item.mask & LVIF_PARAM) item.lParam = r.content.data;
    if (item.mask & LVIF_INDENT) item.iIndent = 0;
}

int ListView::FindCaption(const NMLVFINDITEMW* find) const {
    // Typing in the list: the next row, from the one given, whose caption starts with the typed text.
    const UINT flags = find->lvfi.flags;
    if (!(flags & (LVFI_STRING | LVFI_PARTIAL)) || !find->lvfi.psz) return -1;
    const std::wstring_view wanted = find->lvfi.psz;
    const int n = RowCount();
    const int start = std::clamp(find->iStart, 0, n);
    const int end = flags & LVFI_WRAP ? start + n : n;
    for (int k = start; k < end; ++k) {
        const Row& r = rows_[static_cast<size_t>(k % n)];
        const std::wstring_view caption = r.texts.empty() ? std::wstring_view() : std::wstring_view(r.texts.front());
        if (caption.size() < wanted.size() || (!(flags & LVFI_PARTIAL) && caption.size() != wanted.size())) continue;
        if (CompareStringOrdinal(caption.data(), static_cast<int>(wanted.size()), wanted.data(),
                                 static_cast<int>(wanted.size()), TRUE) == CSTR_EQUAL)
            return k % n;
    }
    return -1;
}

int ListView::SelectedRow() const { return ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED); }

void ListView::SelectRow(int row) { SelectRows({row}); }

std::vector<int> ListView::SelectedRows() const {
    std::vector<int> rows;
    for (int row = ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(hwnd_, row, LVNI_SELECTED))
        rows.push_back(row);
    return rows;
}

void ListView::SelectRows(const std::vector<int>& rows) {
    SyncCount();  // rows appended in a batch can be selected
    ListView_SetItemState(hwnd_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (int row : rows) ListView_SetItemState(hwnd_, row, LVIS_SELECTED, LVIS_SELECTED);
    if (!rows.empty()) ListView_SetItemState(hwnd_, rows.front(), LVIS_FOCUSED, LVIS_FOCUSED);
}

void ListView::SetSortArrow(int column, int direction) {
    HWND header = ListView_GetHeader(hwnd_);
    for (int c = 0, n = ColumnCount(); c < n; ++c) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        Header_GetItem(header, c, &item);
        const int wanted = (item.fmt & ~(HDF_SORTUP | HDF_SORTDOWN)) |
                           (c != column || direction == 0 ? 0 : direction > 0 ? HDF_SORTUP : HDF_SORTDOWN);
        if (wanted == item.fmt) continue;
        item.fmt = wanted;
        Header_SetItem(header, c, &item);
    }
}

int ListView::SortArrow(int column) const {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    if (!Header_GetItem(ListView_GetHeader(hwnd_), column, &item)) return 0;
    return item.fmt & HDF_SORTUP ? 1 : item.fmt & HDF_SORTDOWN ? -1 : 0;
}

std::string ListView::ColumnCaption(int column) const {
    wchar_t buffer[256] = {};
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT;
    col.pszText = buffer;
    col.cchTextMax = 256;
    SendMessageW(hwnd_, LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&col));
    return Narrow(buffer);
}

int ListView::ColumnWidth(int column) const { return ListView_GetColumnWidth(hwnd_, column); }

LRESULT ListView::OnNotify(NMHDR* hdr) {
    if (hdr->code == NM_CUSTOMDRAW) return painting_ ? DrawImages(reinterpret_cast<NMLVCUSTOMDRAW*>(hdr)) : CDRF_DODEFAULT;
    if (hdr->code == LVN_GETDISPINFOW) {
        AnswerDisplayInfo(reinterpret_cast<NMLVDISPINFOW*>(hdr));
        return 0;
    }
    if (hdr->code == LVN_ODFINDITEMW) return FindCaption(reinterpret_cast<NMLVFINDITEMW*>(hdr));
    if (hdr->code == LVN_ODSTATECHANGED && onSelectionChanged) {
        const auto* change = reinterpret_cast<NMLVODSTATECHANGE*>(hdr);
        if ((change->uNewState ^ change->uOldState) & LVIS_SELECTED) onSelectionChanged();
    }
    if ((hdr->code == NM_DBLCLK || hdr->code == NM_RETURN) && onDoubleClick) onDoubleClick();
    if (hdr->code == LVN_COLUMNCLICK) ClickColumn(reinterpret_cast<NMLISTVIEW*>(hdr)->iSubItem);
    if (hdr->code == LVN_ITEMCHANGED && onSelectionChanged) {
        const auto* change = reinterpret_cast<NMLISTVIEW*>(hdr);
        if ((change->uChanged & LVIF_STATE) && ((change->uNewState ^ change->uOldState) & LVIS_SELECTED))
            onSelectionChanged();
    }
    return 0;
}

bool ListView::OnEnter() {
    if (!onDoubleClick) return false;
    onDoubleClick();
    return true;
}
