#pragma once
// The chart points of the scan pass wired to the strip chart: one line per
// network name, the lines of unlisted names down to 0, one step per completed pass.
#include <functional>

#include "wireless/scan_pass.h"
#include "wireless/strip_chart.h"

class StripScanChart : public ScanChart {
public:
    StripScanChart(TStripChart& chart, TNetworkChart& networks) : chart_(chart), networks_(networks) {}

    // Runs at the start of every pass that enumerated the interfaces: the window
    // adds the colour squares of new lines here.
    std::function<void()> onPassStarted;

    void PassStarted() override;
    void NetworkListed(const std::string& name, uint32_t quality) override;
    void InterfaceNetworks(const std::vector<std::string>& names) override;
    void PassCompleted() override;

private:
    TStripChart& chart_;
    TNetworkChart& networks_;
};
