#include "views/detail_list.h"

#include "common/win32/shell.h"

void CreateInfoList(Window& owner, ListView& list, DesignRect rect) {
    list.Create(owner, {.rect = rect, .anchors = AnchorLeft | AnchorTop | AnchorRight | AnchorBottom});
    list.AddColumn("Info", 200);
    list.AddColumn("Value", 90);
}

void FillInfoList(ListView& list, const DetailRows& rows) {
    list.Clear();
    for (const auto& [caption, value] : rows) list.AddRow({caption, value});
    AutoSizeListColumns(list.hwnd());
    list.SetLastColumnFills(true);  // the values take the width the window gives them
}
