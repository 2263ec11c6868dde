#include "shell/survey_lists.h"

#include <windowsx.h>

#include "common/win32/clipboard.h"
#include "shell/menu.h"

namespace {

constexpr int kMacColumn = 0, kSsidColumn = 0;

// The list's selection as the views move it from pass to pass.
class ListRowSelection : public RowSelection {
public:
    explicit ListRowSelection(ListView& list) : list_(list) {}
    std::vector<int> SelectedRows() const override { return list_.SelectedRows(); }
    void SelectRows(const std::vector<int>& rows) override { list_.SelectRows(rows); }

private:
    ListView& list_;
};

Picture SquareOf(const TColourSquare& square, int size) {
    const uint8_t* bgr = square.bytes.data();
    return Picture(size, size, MakeArgb(255, bgr[2], bgr[1], bgr[0]));
}

}  // namespace

void SurveyListViews::Bind() {
    View(SurveyList::Networks).onSelectionChanged = [this] {
        session_.HighlightNetwork(View(SurveyList::Networks).SelectedRow());
    };
    session_.ReadSortOrders();
    for (SurveyList list : kSurveyLists) {
        const SortOrder order = session_.Rows(list).Sort();
        View(list).SetSortArrow(order.column, order.descending ? -1 : 1);
        View(list).onColumnClick = [this, list](int column) { SortBy(list, column); };
    }
}

const SurveyList* SurveyListViews::ListOf(HWND view) const {
    for (const SurveyList& list : kSurveyLists)
        if (views_[static_cast<size_t>(list)]->hwnd() == view) return &list;
    return nullptr;
}

void SurveyListViews::AddColourSquares() {
    const TStripChart& chart = session_.Chart();
    // Lines renumbered (retired, or a survey put back): every square is made anew.
    if (chart.LineSetChanges() != squaresOf_) {
        images_.SetCount(kFirstColourSquare);
        squaresOf_ = chart.LineSetChanges();
    }
    for (size_t line : LinesNeedingSquares(chart.LineCount(), static_cast<size_t>(images_.Count()), kFirstColourSquare))
        images_.Add([square = GetBitmap(chart.Line(line).Color)](int size) { return SquareOf(square, size); });
}

void SurveyListViews::Present(SurveyList list) {
    AddColourSquares();  // for the lines of the last pass, before a row shows one
    ListView& view = View(list);
    const ListView::Batch batch(view);  // the pass's changes painted once, at its end
    ListRowSelection selection(view);
    session_.Rows(list).Present(view, &selection);
}

void SurveyListViews::PresentAll() {
    for (SurveyList list : kSurveyLists) Present(list);
    session_.HighlightNetwork(View(SurveyList::Networks).SelectedRow());
}

void SurveyListViews::StartOver() { images_.SetCount(kFirstColourSquare); }

void SurveyListViews::SortBy(SurveyList list, int column) {
    const SortOrder order = session_.SortBy(list, column);
    View(list).SetSortArrow(order.column, order.descending ? -1 : 1);
    Present(list);
}

void SurveyListViews::CopyRows(HWND owner, SurveyList list) {
    const std::string text = session_.ShownRowsText(list, View(list).SelectedRows());
    if (!text.empty()) SetClipboardText(owner, text);
}

void SurveyListViews::CopyColumn(HWND owner, SurveyList list, int column) {
    std::string text;
    for (int row : View(list).SelectedRows()) text += View(list).Cell(row, column) + "\r\n";
    if (!text.empty()) SetClipboardText(owner, text);
}

void SurveyListViews::ShowMenu(HWND owner, SurveyList list, LPARAM at) {
    ListView& view = View(list);
    if (view.SelectedRows().empty()) return;
    POINT point{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    if (at == -1) {  // the keyboard's menu key: beside the first selected row
        RECT row{};
        ListView_GetItemRect(view.hwnd(), view.SelectedRows().front(), &row, LVIR_LABEL);
        point = {row.left, row.bottom};
        ClientToScreen(view.hwnd(), &point);
    }
    const UniqueMenu menu(CreatePopupMenu());
    AppendMenuW(menu.get(), MF_STRING, kCmdCopy, L"Copy\tCtrl+C");
    if (list == SurveyList::AccessPoints) AppendMenuW(menu.get(), MF_STRING, kCmdCopyMac, L"Copy MAC");
    if (list == SurveyList::AccessPoints) AppendMenuW(menu.get(), MF_STRING, kCmdLocate, L"&Locate\tCtrl+Shift+L");
    if (list == SurveyList::Networks) AppendMenuW(menu.get(), MF_STRING, kCmdCopySsid, L"Copy SSID");
    const UINT command = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, point.x, point.y,
                                        0, owner, nullptr);
    if (command == kCmdCopy)
        CopyRows(owner, list);
    else if (command == kCmdCopyMac)
        CopyColumn(owner, list, kMacColumn);
    else if (command == kCmdCopySsid)
        CopyColumn(owner, list, kSsidColumn);
    else if (command == kCmdLocate)
        PostMessageW(owner, WM_COMMAND, kCmdLocate, 0);
}
