#pragma once
// Picks the Native Wifi service: the simulated one when VELLUMAR_WLAN_SCENARIO
// names a scenario file, else the system's. Only the program entry (and its
// tests) knows both, so neither wireless nor sim depends on the other.
#include <memory>
#include <string>

#include "sim/simulated_wlan.h"
#include "wireless/wlan_api.h"

// Reports a scenario that cannot be loaded to the debugger output and standard error.
void ReportScenarioProblem(const std::string& reason);

// report: told why the scenario could not be loaded (when the survey starts).
std::unique_ptr<wlan::WlanApi> CreateWlanApi(wlan::sim::Reporter report = ReportScenarioProblem);
