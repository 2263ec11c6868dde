#pragma once
// Adapter statistics: general counters, MAC counters by unicast and multicast,
// and PHY counters with one column per PHY of the adapter.
#include "common/win32/controls.h"
#include "common/win32/list_view.h"
#include "common/win32/window.h"
#include "wireless/detail_commands.h"

class TAdapterStatsDlg : public ModalWindow, public AdapterStatsView {
public:
    explicit TAdapterStatsDlg(HWND owner);
    void ShowStatistics(const AdapterStatsTables& tables) override;

    GroupBox group;
    ListView gen_lst, MACstats_lst, PHYstats_lst;

private:
    void FillMACStats(const AdapterStatsTables& tables);
    void FillPHYStats(const AdapterStatsTables& tables);
    HWND owner_;
};
