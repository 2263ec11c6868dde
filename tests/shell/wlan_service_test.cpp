#include "survey/win32/wlan_service.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "common/win32/wide.h"
#include "sim/simulated_wlan.h"
#include "wireless/value_text.h"
#include "wireless/win32/system_wlan.h"

namespace {

using namespace wlan;

// Sets VELLUMAR_WLAN_SCENARIO for one test and puts back what was there.
class ScenarioVariable {
public:
    explicit ScenarioVariable(const wchar_t* value) {
        wchar_t old[1024];
        DWORD n = GetEnvironmentVariableW(kName, old, 1024);
        had_ = n > 0 && n < 1024;
        if (had_) old_.assign(old, n);
        SetEnvironmentVariableW(kName, value);
    }
    ~ScenarioVariable() { SetEnvironmentVariableW(kName, had_ ? old_.c_str() : nullptr); }

private:
    static constexpr const wchar_t* kName = L"VELLUMAR_WLAN_SCENARIO";
    bool had_ = false;
    std::wstring old_;
};

TEST(WlanService, PicksTheSimulatorWhenTheVariableNamesAScenario) {
    const std::wstring demo = Widen(std::string(VELLUMAR_TEST_SOURCE_DIR) + "/scenarios/demo.json");
    {
        ScenarioVariable variable(demo.c_str());
        auto api = CreateWlanApi();
        ASSERT_NE(dynamic_cast<sim::SimulatedWlan*>(api.get()), nullptr);
        Handle h = nullptr;
        ASSERT_EQ(api->WlanOpenHandle(kClientVersion, nullptr, nullptr, &h), 0u);
        WlanBuffer<WLAN_INTERFACE_INFO_LIST> list(*api);
        ASSERT_EQ(api->WlanEnumInterfaces(h, nullptr, list.out()), 0u);
        ASSERT_EQ(list->dwNumberOfItems, 1u);
        EXPECT_EQ(InterfaceDescriptionText(list->InterfaceInfo[0]), "Simulated Dual-Band Wi-Fi 6E Adapter");
        list.reset();
        api->WlanCloseHandle(h, nullptr);
    }
    {
        ScenarioVariable variable(L"Z:\\no\\such\\scenario.json");
        auto api = CreateWlanApi();
        Handle h = nullptr;
        EXPECT_EQ(api->WlanOpenHandle(kClientVersion, nullptr, nullptr, &h), kErrorFileNotFound);
    }
    for (const wchar_t* value : {L"", static_cast<const wchar_t*>(nullptr)}) {
        ScenarioVariable variable(value);
        auto api = CreateWlanApi();
        EXPECT_NE(dynamic_cast<SystemWlan*>(api.get()), nullptr);
    }
}

TEST(WlanService, ScenarioPathsMayHoldAnyCharacter) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"vellumar-sc\u00e9nario-\u0436.json";
    const std::wstring demo = Widen(std::string(VELLUMAR_TEST_SOURCE_DIR) + "/scenarios/radio-off.json");
    ASSERT_TRUE(CopyFileW(demo.c_str(), path.c_str(), FALSE));
    {
        ScenarioVariable variable(path.c_str());
        auto api = CreateWlanApi();
        Handle h = nullptr;
        EXPECT_EQ(api->WlanOpenHandle(kClientVersion, nullptr, nullptr, &h), 0u);
        api->WlanCloseHandle(h, nullptr);
    }
    DeleteFileW(path.c_str());
}

}  // namespace
