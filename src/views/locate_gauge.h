#pragma once
// The Locate window's gauge: the signal in large digits, a bar from -100 to -20 dBm
// and a strip of the last passes under it. A screen reader reads it as one value,
// told again whenever it changes enough to say (AnnounceValueChange).
#include <windows.h>

#include <deque>
#include <optional>
#include <string>

#include "common/win32/drawn_control.h"

class LocateGauge : public DrawnControl {
public:
    bool Create(Window& parent, const Placement& place);
    // This pass's signal (none: not heard) and the passes before it, oldest first.
    void SetReading(std::optional<int32_t> rssiDbm, std::deque<std::optional<int32_t>> history);

    std::string TipAt(int x, int y) const override;
    std::optional<std::string> AccessibleName() const override { return "Signal"; }
    std::optional<std::string> AccessibleValue() const override;
    std::optional<long> AccessibleRole() const override { return ROLE_SYSTEM_PROGRESSBAR; }
    void OnDpiChanged(UINT old_dpi) override;

protected:
    void Paint(HDC dc) override;

private:
    void Draw(HDC dc, const RECT& client);
    int Px(int design) const { return parent_ ? parent_->Scale(design) : design; }

    std::optional<int32_t> rssi_;
    std::deque<std::optional<int32_t>> history_;
    UniqueGdiObject digits_font_;
    UINT font_dpi_ = 0;
};
