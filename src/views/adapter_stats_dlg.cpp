#include "views/adapter_stats_dlg.h"

#include "common/win32/shell.h"

TAdapterStatsDlg::TAdapterStatsDlg(HWND owner) : owner_(owner) {
    CreateDialogFrame({.caption = "Adapter Statistics", .owner = owner, .client_width = 782, .client_height = 612, .resizable = true, .place_setting = "adapter_stats_window"});
    constexpr unsigned kAll = AnchorLeft | AnchorTop | AnchorRight | AnchorBottom;
    group.Create(*this, {.rect = {8, 8, 769, 601}, .anchors = kAll});
    // The lists stand in the group box; positions are the box's plus their own.
    gen_lst.Create(*this, {.rect = {8 + 448, 8 + 16, 313, 65}, .anchors = AnchorLeft | AnchorTop | AnchorRight});
    gen_lst.AddColumn("Info", 200);
    gen_lst.AddColumn("Value", 90);
    MACstats_lst.Create(*this, {.rect = {8 + 8, 8 + 16, 425, 233}});
    MACstats_lst.AddColumn("MAC Layer Stats", 200);
    MACstats_lst.AddColumn("Unicast", 80);
    MACstats_lst.AddColumn("Multicast", 80);
    PHYstats_lst.Create(*this, {.rect = {8 + 8, 8 + 256, 753, 337}, .anchors = kAll});
    PHYstats_lst.AddColumn("PHY Layer Stats", 200);
}

void TAdapterStatsDlg::ShowStatistics(const AdapterStatsTables& tables) {
    gen_lst.Clear();
    PHYstats_lst.Clear();
    MACstats_lst.Clear();
    for (const auto& row : tables.general) gen_lst.AddRow(row);
    PHYstats_lst.DeleteColumnsAfterFirst();
    for (const auto& caption : tables.phyColumns) PHYstats_lst.AddColumn(caption, 80);
    FillMACStats(tables);
    FillPHYStats(tables);
    AutoSizeListColumns(MACstats_lst.hwnd());
    AutoSizeListColumns(PHYstats_lst.hwnd());
    AutoSizeListColumns(gen_lst.hwnd());
    gen_lst.SetLastColumnFills(true);
    ShowModal(owner_);
}

void TAdapterStatsDlg::FillMACStats(const AdapterStatsTables& tables) {
    for (const auto& row : tables.mac) MACstats_lst.AddRow(row);
}

void TAdapterStatsDlg::FillPHYStats(const AdapterStatsTables& tables) {
    for (const auto& row : tables.phy) PHYstats_lst.AddRow(row);
}
