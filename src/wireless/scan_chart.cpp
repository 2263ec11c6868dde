#include "wireless/scan_chart.h"

#include <algorithm>

void StripScanChart::PassStarted() {
    if (onPassStarted) onPassStarted();
}

void StripScanChart::NetworkListed(const std::string& name, uint32_t quality) {
    networks_.UpdateNetworkLine(name, static_cast<int32_t>(std::min<uint32_t>(quality, 100)));
}

void StripScanChart::InterfaceNetworks(const std::vector<std::string>& names) { networks_.RetireLines(names); }

void StripScanChart::PassCompleted() { chart_.Step(); }
