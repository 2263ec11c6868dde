#pragma once
// What the settings keep of a window and its lists: "left,top,width,height", the corner
// in screen pixels and the size at 96 DPI, with ",max" when maximised; and the column
// widths "200,96,70" at 96 DPI.
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct WindowPlace {
    int left = 0, top = 0, width = 0, height = 0;  // the restored rectangle
    bool maximised = false;
    bool operator==(const WindowPlace&) const = default;
};

std::string WindowPlaceText(const WindowPlace& place);
// None for a text that is no place: not four numbers, or no width or height.
std::optional<WindowPlace> ParseWindowPlace(std::string_view text);

std::string ColumnWidthsText(std::span<const int> widths);
// None unless there are exactly `count` widths, each from 0 to kMaxColumnWidth.
inline constexpr int kMaxColumnWidth = 4000;
std::optional<std::vector<int>> ParseColumnWidths(std::string_view text, size_t count);
