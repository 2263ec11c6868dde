#include "survey/win32/wlan_service.h"

#include <windows.h>

#include <utility>

#include "common/product.h"
#include "common/win32/wide.h"
#include "sim/simulated_wlan.h"
#include "wireless/win32/system_wlan.h"

std::unique_ptr<wlan::WlanApi> CreateWlanApi(wlan::sim::Reporter report) {
    wchar_t buffer[1024];
    DWORD n = GetEnvironmentVariableW(L"VELLUMAR_WLAN_SCENARIO", buffer, static_cast<DWORD>(std::size(buffer)));
    std::wstring path;
    if (n >= std::size(buffer)) {  // a longer path: ask again with room for it
        path.resize(n);
        n = GetEnvironmentVariableW(L"VELLUMAR_WLAN_SCENARIO", path.data(), n);
        path.resize(n);
    } else {
        path.assign(buffer, n);
    }
    if (!path.empty()) return std::make_unique<wlan::sim::SimulatedWlan>(Narrow(path), std::move(report));
    return std::make_unique<wlan::SystemWlan>();
}

void ReportScenarioProblem(const std::string& reason) {
    OutputDebugStringW(Widen(std::string(kProductName) + ": " + reason + "\n").c_str());
    wlan::sim::ReportToStandardError(reason);
}
