#pragma once
// The report-style list view: the rows live in the object, the control asks for what
// it draws, and a pass's changed cells are painted at once through an off-screen
// picture, with the cells' images copied from tiles drawn once.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "common/report_list.h"
#include "common/win32/controls.h"
#include "common/win32/window.h"

// A report-style list view: grid lines, whole-row selection, read-only cells. The rows
// live here and the control asks for what it draws (an owner-data list): a rewrite
// repaints exactly the cells that changed, where the control itself would repaint a
// whole row per cell, and under Wine every repaint request is a round trip to the server.
class ListView : public Control, public ReportList {
public:
    bool Create(Window& parent, const Placement& place);
    void AddColumn(const std::string& caption, int design_width);
    int ColumnCount() const;
    void DeleteColumnsAfterFirst();
    // The columns after the first share what the first leaves of the width.
    void ShareRemainingWidth(int first_design_width);
    // The list keeps the pointer: the images outlive the list.
    void SetImageList(const ImageList* images);
    // Column widths follow the new DPI; a width the user dragged keeps its size at 96 DPI.
    void OnDpiChanged(UINT old_dpi) override;

    // Every column's width at 96 DPI, as the user left it; and widths to take as if the user had dragged them.
    std::vector<int> DesignWidths() const;
    void SetDesignWidths(const std::vector<int>& widths);
    // The column as wide as the widest of its cells and its caption.
    void FitColumnToContent(int column);
    // The last column takes whatever width the others leave, at least its content's, whenever the list is sized.
    void SetLastColumnFills(bool fills);
    void FitLastColumn();

    // Said inside the list while it has no rows; "" says nothing.
    void SetEmptyText(const std::string& text);
    const std::string& EmptyText() const { return empty_text_; }

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
    void DrawEmptyText(HDC dc, RECT client) const;
    std::string empty_text_;
    bool last_column_fills_ = false;
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
