#include "common/window_place.h"

#include "common/text.h"

std::string WindowPlaceText(const WindowPlace& place) {
    return std::to_string(place.left) + "," + std::to_string(place.top) + "," + std::to_string(place.width) + "," +
           std::to_string(place.height) + (place.maximised ? ",max" : "");
}

std::optional<WindowPlace> ParseWindowPlace(std::string_view text) {
    const int count = CountTokens(text, ",");
    if (count != 4 && !(count == 5 && TokenAt(text, 4, ",") == "max")) return std::nullopt;
    int values[4] = {};
    for (int i = 0; i < 4; ++i) {
        const std::optional<int32_t> v = StrToInt(TokenAt(text, i, ","));
        if (!v) return std::nullopt;
        values[i] = *v;
    }
    if (values[2] <= 0 || values[3] <= 0) return std::nullopt;
    return WindowPlace{values[0], values[1], values[2], values[3], count == 5};
}

std::string ColumnWidthsText(std::span<const int> widths) {
    std::string text;
    for (int w : widths) text += (text.empty() ? "" : ",") + std::to_string(w);
    return text;
}

std::optional<std::vector<int>> ParseColumnWidths(std::string_view text, size_t count) {
    if (count == 0 || CountTokens(text, ",") != static_cast<int>(count)) return std::nullopt;
    std::vector<int> widths;
    for (size_t i = 0; i < count; ++i) {
        const std::optional<int32_t> w = StrToInt(TokenAt(text, static_cast<int>(i), ","));
        if (!w || *w < 0 || *w > kMaxColumnWidth) return std::nullopt;
        widths.push_back(*w);
    }
    return widths;
}
