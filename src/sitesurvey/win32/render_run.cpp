#include "sitesurvey/win32/render_run.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/air_text.h"
#include "common/win32/unique.h"
#include "common/win32/wide.h"

using namespace sitesurvey;

std::optional<std::string> ReadFileCapped(const std::string& path, size_t cap, std::string_view what,
                                          std::string& error) {
    const std::filesystem::path file(std::u8string(path.begin(), path.end()));
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec) {
        error = path + ": cannot read " + std::string(what);
        return std::nullopt;
    }
    if (size > cap) {
        error = path + ": the file has " + std::to_string(size) + " bytes, more than the " + std::to_string(cap >> 20) +
            " MiB it may have";
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    if (in) text << in.rdbuf();
    if (!in) {
        error = path + ": cannot read " + std::string(what);
        return std::nullopt;
    }
    return text.str();
}

namespace {

bool WriteText(const std::string& path, const std::string& text, std::string& error) {
    const std::wstring target = Widen(path), temporary = target + L".tmp";
    {
        std::ofstream out(std::filesystem::path(temporary), std::ios::binary);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        if (!out) error = "cannot write " + path;
    }
    if (error.empty() && !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        error = "cannot write " + path;
    if (!error.empty()) DeleteFileW(temporary.c_str());
    return error.empty();
}

COLORREF Ref(uint32_t rgb) { return RGB(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF); }

}  // namespace

PlanPicture RenderPicture(const RenderInput& input, const RenderCommand& command, const PlanPicture& plan) {
    const double m = input.plan.metresPerPixel.value_or(1);
    // Cells of about four pixels, not finer than 10 cm: sharp enough, and quick.
    const GridLayout grid = PlanGrid(input.plan, plan.width, plan.height, std::max(0.1, m * 4));
    const LayerGrid layer = SampleLayer(*input.model, command.request, grid);

    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(bi.bmiHeader), plan.width, -plan.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    UniqueDC dc(CreateCompatibleDC(nullptr));
    UniqueGdiObject dib(CreateDIBSection(dc.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    PlanPicture out{plan.width, plan.height, plan.pixels};
    if (!dc || !dib || !bits) {
        PaintLayer(out.pixels, out.width, out.height, m, layer, command.request.layer, 150);
        return out;
    }
    auto* pixels = static_cast<uint32_t*>(bits);
    std::memcpy(pixels, plan.pixels.data(), plan.pixels.size() * 4);
    PaintLayer(std::span(pixels, plan.pixels.size()), plan.width, plan.height, m, layer, command.request.layer, 150);
    GdiFlush();

    SelectGuard bitmap(dc.get(), dib.get());
    const int side = std::max(plan.width, plan.height);
    const int unit = std::clamp(side / 250, 2, 12);  // marks grow with the picture
    UniqueGdiObject font(
        CreateFontW(-unit * 6, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0, L"Segoe UI"));
    SelectGuard useFont(dc.get(), font.get());
    SetBkMode(dc.get(), TRANSPARENT);
    // The measured points: small white discs, outlined.
    UniqueGdiObject outline(CreatePen(PS_SOLID, std::max(1, unit / 2), RGB(20, 20, 20)));
    SelectGuard pen(dc.get(), outline.get());
    SelectGuard brush(dc.get(), GetStockObject(WHITE_BRUSH));
    for (const SurveyPoint& p : input.plan.points) {
        const int x = static_cast<int>(std::lround(p.x)), y = static_cast<int>(std::lround(p.y));
        Ellipse(dc.get(), x - unit * 2, y - unit * 2, x + unit * 2 + 1, y + unit * 2 + 1);
    }
    // The estimated access points of the target: a dark diamond and the name.
    UniqueGdiObject dark(CreateSolidBrush(RGB(30, 30, 90)));
    SelectGuard darkBrush(dc.get(), dark.get());
    SetTextColor(dc.get(), RGB(10, 10, 60));
    for (const ApEstimate& ap : input.model->AccessPoints()) {
        if (!Targets(command.request.target, ap.bssid, ap.ssid)) continue;
        const Place at = ap.field.Model().position;
        const int x = static_cast<int>(std::lround(at.x / m)), y = static_cast<int>(std::lround(at.y / m));
        const int r = unit * 4;
        const POINT diamond[] = {{x, y - r}, {x + r, y}, {x, y + r}, {x - r, y}};
        Polygon(dc.get(), diamond, 4);
        const std::wstring name = Widen(AirTextForDisplay(ap.ssid.empty() ? ap.bssid : ap.ssid));
        TextOutW(dc.get(), x + r + unit, y - unit * 3, name.c_str(), static_cast<int>(name.size()));
    }
    // The legend, bottom left: the palette, its ends, and how far off the layer is.
    const bool signal = command.request.layer == Layer::Signal || command.request.layer == Layer::Second;
    const double low = signal ? -90 : 0, high = signal ? -40 : 4;
    const std::optional<double> loo =
        input.model->LeaveOneOutRmse(command.request.layer, command.request.target, command.request.countThreshold);
    char text[160];
    std::snprintf(
        text, sizeof text, "%s %s: %g to %g%s, \xC2\xB1 %.1f%s", std::string(KeyOf(command.request.layer)).c_str(),
        command.request.target.kind == Target::Kind::All ? "(all)"
                                                         : AirTextForDisplay(command.request.target.name).c_str(),
        low, high, signal ? " dBm" : "", loo.value_or(0), signal ? " dB" : "");
    const std::wstring legend = Widen(text);
    SIZE textSize{};
    GetTextExtentPoint32W(dc.get(), legend.c_str(), static_cast<int>(legend.size()), &textSize);
    const int w = std::min(plan.width - 2 * unit, std::max<int>(unit * 60, textSize.cx + unit * 4));
    const int h = unit * 12 + textSize.cy;
    const int left = unit * 2, top = plan.height - h - unit * 2;
    if (w > unit * 10 && top > 0) {
        RECT box{left, top, left + w, top + h};
        FillRect(dc.get(), &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        FrameRect(dc.get(), &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        for (int x = 0; x < w - unit * 4; ++x) {
            const double v = low + (high - low) * x / (w - unit * 4);
            RECT cell{left + unit * 2 + x, top + unit * 2, left + unit * 2 + x + 1, top + unit * 8};
            UniqueGdiObject fill(CreateSolidBrush(Ref(LayerColour(command.request.layer, v))));
            FillRect(dc.get(), &cell, static_cast<HBRUSH>(fill.get()));
        }
        SetTextColor(dc.get(), RGB(0, 0, 0));
        TextOutW(dc.get(), left + unit * 2, top + unit * 10, legend.c_str(), static_cast<int>(legend.size()));
    }
    GdiFlush();
    std::memcpy(out.pixels.data(), pixels, out.pixels.size() * 4);
    for (uint32_t& p : out.pixels) p &= 0x00FFFFFF;
    return out;
}

int RunRenderCommand(const std::vector<std::string>& args, std::string& error) {
    const RenderParse parse = ParseRenderArguments(args);
    if (!parse.command) {
        error = parse.error + "\n" + RenderUsage();
        return 2;
    }
    const RenderCommand& command = *parse.command;
    const std::optional<std::string> text = ReadFileCapped(command.survey, kMaxSurveyBytes, "the survey file", error);
    if (!text) return 2;
    const RenderInput input = PrepareRender(command, *text);
    if (!input.model) {
        error = input.error;
        return 2;
    }
    std::string imageError;
    const std::optional<PlanPicture> plan = DecodePlanImage(input.plan.image, imageError);
    if (!plan) {
        error = command.survey + ": " + imageError;
        return 2;
    }
    bool written = false;
    switch (command.output) {
        case RenderCommand::Output::Csv:
            written = WriteText(command.out, RenderCsv(input, command, plan->width, plan->height), error);
            break;
        case RenderCommand::Output::Json:
            written = WriteText(command.out, RenderJson(input, command), error);
            break;
        case RenderCommand::Output::Png:
            written = WritePng(RenderPicture(input, command, *plan), command.out, error);
            break;
    }
    return written ? 0 : 2;
}
