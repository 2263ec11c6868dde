#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "common/win32/accessible_reader.h"
#include "shell/app_fixture.h"
#include "shell/application.h"
#include "shell/menu.h"
#include "sitesurvey/sample_plan.h"
#include "sitesurvey/survey_file.h"
#include "sitesurvey/win32/plan_image.h"
#include "sitesurvey/win32/site_survey_window.h"

using namespace sitesurvey;

namespace {

void Command(SiteSurveyWindow& w, WORD command) { SendMessageW(w.hwnd(), WM_COMMAND, MAKEWPARAM(command, 0), 0); }

// A left click on the plan view at plan pixels, as the mouse makes it.
void ClickAt(SiteSurveyWindow& w, double x, double y) {
    const POINT c = w.view.ToClient(x, y);
    SendMessageW(w.view.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.x, c.y));
    SendMessageW(w.view.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(c.x, c.y));
}

// Two access points of the sample office, and where the surveyor stands, in plan pixels
// (5 cm each). The RSSI lists hold, for epoch k + 1, what point k hears (log-distance,
// exponent 3), so that each point is measured from the scan that follows its click.
struct Ap {
    const char* bssid;
    const char* ssid;
    uint32_t frequencyKhz;
    double x, y;
};
constexpr Ap kAps[] = {{"02:00:00:00:00:0A", "Office", 5180000, 150, 150},
                       {"02:00:00:00:00:0B", "Office", 2437000, 650, 450}};
std::vector<std::pair<double, double>> Walkway() {
    std::vector<std::pair<double, double>> points;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column) points.push_back({100.0 + column * 200, 100.0 + row * 200});
    return points;
}
int RssiAt(const Ap& ap, double x, double y) {
    const double metres = std::max(1.0, std::hypot(x - ap.x, y - ap.y) * 0.05);
    return static_cast<int>(std::lround(-38 - 30 * std::log10(metres)));
}
// firstMeasured: the epoch of the scan that completes after the first click.
std::string Scenario(int firstMeasured = 2) {
    const auto points = Walkway();
    std::string bss;
    for (const Ap& ap : kAps) {
        std::string list;
        for (int epoch = 1; epoch <= 60; ++epoch) {
            const int k = std::clamp(epoch - firstMeasured, 0, static_cast<int>(points.size()) - 1);
            list += (list.empty() ? "" : ", ") + std::to_string(RssiAt(ap, points[k].first, points[k].second));
        }
        bss += std::string(bss.empty() ? "" : ",\n") + R"({"bssid": ")" + ap.bssid + R"(", "ssid": ")" + ap.ssid +
            R"(", "frequency_khz": )" + std::to_string(ap.frequencyKhz) + R"(, "rssi": [)" + list + "]}";
    }
    return R"({"interfaces": [{"description": "Wi-Fi A", "scan_cache": true,
      "networks": [{"ssid": "Office", "quality": 80}], "bss": [)" +
        bss + "]}]}";
}

std::string WritePlan(const TempFolder& folder) {
    const SamplePlan office = DrawSampleOffice();
    const std::string file = folder.Path("office.png");
    std::string error;
    EXPECT_TRUE(WritePng({office.width, office.height, office.pixels}, file, error)) << error;
    return file;
}

// A BMP header that claims a picture wider than a plan may be.
std::string HugeBmp() {
    const int width = kMaxPlanSide + 1, height = 1;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    BITMAPINFOHEADER info{sizeof info, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    BITMAPFILEHEADER head{0x4D42, static_cast<DWORD>(sizeof head + sizeof info + stride * height), 0, 0,
                          static_cast<DWORD>(sizeof head + sizeof info)};
    std::string data(reinterpret_cast<const char*>(&head), sizeof head);
    data.append(reinterpret_cast<const char*>(&info), sizeof info);
    data.append(stride * height, '\x80');
    return data;
}

using SiteSurvey = AppTest;

}  // namespace

TEST_F(SiteSurvey, ImportScaleMeasureLayersSaveReopenExport) {
    // The epochs that start-up takes, so that each point hears what the scenario has for its place.
    Start(Scenario());
    app->main.scantmr.SetEnabled(false);
    Tick();
    const int firstMeasured = static_cast<int>(service->Epoch()) + 1;
    app.reset();
    auto& a = Start(Scenario(firstMeasured));
    a.main.scantmr.SetEnabled(false);  // passes come from Tick only
    Tick();
    ASSERT_EQ(static_cast<int>(service->Epoch()) + 1, firstMeasured);

    HMENU view = GetSubMenu(GetMenu(a.main.hwnd()), 2);
    wchar_t caption[64] = {};
    GetMenuStringW(view, kCmdSiteSurvey, caption, 64, MF_BYCOMMAND);
    EXPECT_EQ(Narrow(caption), "&Site Survey...\tCtrl+U");
    SiteSurveyWindow& w = a.siteSurvey;
    EXPECT_FALSE(w.Showing());
    SendMessageW(a.main.hwnd(), WM_COMMAND, MAKEWPARAM(kCmdSiteSurvey, 0), 0);
    ASSERT_TRUE(w.Showing());
    EXPECT_EQ(w.Text(), "Site Survey");
    EXPECT_NE(GetWindowLongPtrW(w.hwnd(), GWL_STYLE) & WS_THICKFRAME, 0);  // resizable
    EXPECT_TRUE(IsWindowEnabled(a.main.hwnd()));                          // and not modal
    HMENU file = GetSubMenu(GetMenu(w.hwnd()), 0);
    std::vector<std::string> items;
    for (int i = 0; i < GetMenuItemCount(file); ++i) {
        GetMenuStringW(file, static_cast<UINT>(i), caption, 64, MF_BYPOSITION);
        if (caption[0]) items.push_back(Narrow(caption));
    }
    EXPECT_EQ(items, (std::vector<std::string>{"&New", "&Open...", "&Save", "Save &As...", "&Import Plan...",
                                               "&Export...", "Lay &Recording on Plan...", "&Close"}));

    TempFolder folder;
    std::string answer;
    w.ask.planFile = [&](std::string& f) { return f = answer, true; };
    w.ask.saveFile = w.ask.openFile = w.ask.exportFile = w.ask.planFile;

    // Refused pictures leave the survey as it was, and say why.
    WriteTestFile(answer = folder.Path("notes.png"), "not a picture at all");
    Command(w, kSiteImportPlan);
    WriteTestFile(answer = folder.Path("huge.bmp"), HugeBmp());
    Command(w, kSiteImportPlan);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_NE(messages[0].find("not a PNG, JPEG, BMP, GIF or TIFF image"), std::string::npos) << messages[0];
    EXPECT_NE(messages[1].find("8193 x 1 pixels"), std::string::npos) << messages[1];
    EXPECT_TRUE(w.Survey().plans.empty());
    messages.clear();

    answer = WritePlan(folder);
    Command(w, kSiteImportPlan);
    ASSERT_EQ(w.Survey().plans.size(), 1u);
    EXPECT_EQ(w.Survey().plans[0].mediaType, "image/png");
    EXPECT_EQ(w.Survey().plans[0].name, "office");

    // The scale: two clicks 600 pixels apart, 30 m (or its feet where the system measures so).
    std::string unit;
    w.ask.scaleDistance = [&](const std::string& u, double& d) {
        unit = u;
        d = u == "metres" ? 30 : 30 / 0.3048;
        return true;
    };
    Command(w, kSiteSetScale);
    ClickAt(w, 100, 560);
    EXPECT_FALSE(w.Survey().plans[0].metresPerPixel);
    ClickAt(w, 700, 560);
    EXPECT_TRUE(unit == "metres" || unit == "feet") << unit;
    ASSERT_TRUE(w.Survey().plans[0].metresPerPixel);
    EXPECT_NEAR(*w.Survey().plans[0].metresPerPixel, 0.05, 0.001);  // within a click's rounding

    answer = folder.Path("office.json");
    Command(w, kSiteSaveAs);
    EXPECT_EQ(w.FileName(), answer);
    EXPECT_EQ(w.Text(), "Site Survey - office.json");

    // Stop-and-go: each click waits for the scan that completes after it, and is saved at once.
    const auto points = Walkway();
    for (size_t k = 0; k < points.size(); ++k) {
        ClickAt(w, points[k].first, points[k].second);
        ASSERT_TRUE(w.WaitingForScan());
        EXPECT_EQ(w.StatusText(), "Waiting for a scan...");
        const uint64_t clickEpoch = service->Epoch();
        Tick();
        ASSERT_FALSE(w.WaitingForScan()) << k;
        const SurveyPoint& p = w.Survey().plans[0].points.back();
        EXPECT_NEAR(p.x, points[k].first, 1);
        EXPECT_NEAR(p.y, points[k].second, 1);
        EXPECT_TRUE(IsUtcTime(p.time)) << p.time;
        ASSERT_EQ(p.bss.size(), 2u);
        // The scan asked at the click completes in the next epoch: its RSSIs, not the last pass's.
        const int measured = std::clamp(static_cast<int>(clickEpoch + 1) - firstMeasured, 0,
                                        static_cast<int>(points.size()) - 1);
        EXPECT_EQ(measured, static_cast<int>(k));
        for (const SurveyBss& b : p.bss) {
            const Ap& ap = b.bssid == kAps[0].bssid ? kAps[0] : kAps[1];
            EXPECT_EQ(b.rssi, RssiAt(ap, points[measured].first, points[measured].second)) << k << " " << b.bssid;
        }
        const SurveyLoad saved = ParseSurvey(ReadTestFile(answer), answer);
        ASSERT_TRUE(saved.survey) << saved.error;
        EXPECT_EQ(saved.survey->plans[0].points.size(), k + 1);
    }
    // Undo takes the last point back out, from the file too.
    ClickAt(w, 400, 300);
    Tick();
    EXPECT_EQ(w.Survey().plans[0].points.size(), points.size() + 1);
    Command(w, kSiteUndo);
    EXPECT_EQ(w.Survey().plans[0].points.size(), points.size());
    EXPECT_EQ(ParseSurvey(ReadTestFile(answer), answer).survey->plans[0].points.size(), points.size());
    EXPECT_TRUE(messages.empty()) << messages.front();

    // The heat map: fitted off the window's thread, painted near the points only.
    ASSERT_TRUE(w.WaitForFit(60000));
    ASSERT_TRUE(w.ShownError());
    EXPECT_LT(*w.ShownError(), 3.0);
    const LayerGrid& signal = w.ShownGrid();
    ASSERT_FALSE(signal.values.empty());
    const auto cellAt = [&](const LayerGrid& g, double x, double y) {
        return g.At(static_cast<int>((x * 0.05 - g.layout.x0) / g.layout.step + 0.5),
                    static_cast<int>((y * 0.05 - g.layout.y0) / g.layout.step + 0.5));
    };
    ASSERT_TRUE(cellAt(signal, 150, 150));
    ASSERT_TRUE(cellAt(signal, 400, 300));
    EXPECT_GT(*cellAt(signal, 150, 150), *cellAt(signal, 400, 300));  // stronger near the access point

    // Hovering names the layer's value there and the nearest point's list.
    const POINT nearA = w.view.ToClient(100, 110);
    const std::string tip = w.view.TipAt(nearA.x, nearA.y);
    EXPECT_NE(tip.find(" dBm\nNearest point, 0.5 m away:\n"), std::string::npos) << tip;
    EXPECT_NE(tip.find("02:00:00:00:00:0A  Office"), std::string::npos) << tip;

    // A screen reader hears the same, part by part: the estimated access points, then the points.
    const AccessibleTree tree = ReadAccessibleTree(w.view.hwnd());
    ASSERT_HRESULT_SUCCEEDED(tree.result);
    EXPECT_EQ(tree.self.name, "Floor plan");
    ASSERT_GE(tree.children.size(), 2u);
    EXPECT_EQ(tree.children[0].name, "Access point Office");
    size_t pointParts = 0;
    for (const auto& child : tree.children) pointParts += child.name.starts_with("Point ");
    EXPECT_EQ(tree.children.back().name, "Point " + std::to_string(pointParts));
    EXPECT_NE(tree.children.back().value.find(" dBm Nearest point, "), std::string::npos) << tree.children.back().value;

    // The wheel zooms about the mouse; the right button drags the plan.
    const double zoom = w.view.Zoom();
    POINT screen = nearA;
    ClientToScreen(w.view.hwnd(), &screen);
    SendMessageW(w.view.hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(screen.x, screen.y));
    EXPECT_NEAR(w.view.Zoom(), zoom * 1.25, 1e-9);
    EXPECT_NEAR(w.view.ToClient(100, 110).x, nearA.x, 1);
    EXPECT_NEAR(w.view.ToClient(100, 110).y, nearA.y, 1);
    const POINT zoomed = w.view.ToClient(100, 110);
    SendMessageW(w.view.hwnd(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(100, 100));
    SendMessageW(w.view.hwnd(), WM_MOUSEMOVE, MK_RBUTTON, MAKELPARAM(130, 80));
    SendMessageW(w.view.hwnd(), WM_RBUTTONUP, 0, MAKELPARAM(130, 80));
    EXPECT_EQ(w.view.ToClient(100, 110).x, zoomed.x + 30);
    EXPECT_EQ(w.view.ToClient(100, 110).y, zoomed.y - 20);
    Command(w, kSiteFit);
    EXPECT_NEAR(w.view.Zoom(), zoom, 1e-9);

    const std::string shots = std::string(VELLUMAR_TEST_BINARY_DIR) + "/screenshots/";
    CreateDirectoryW(Widen(shots).c_str(), nullptr);
    SetWindowPos(w.hwnd(), HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE);
    const auto shoot = [&](const std::string& name) {
        RedrawWindow(w.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpMessages();
        SaveScreenshot(w.hwnd(), shots + name);
    };
    shoot("site-survey-signal-96dpi.bmp");

    // Other layers: the channel layer shows the two channels heard.
    w.SelectLayer(Layer::Channel);
    ASSERT_TRUE(w.WaitForFit(60000));
    std::set<int> channels;
    for (float v : w.ShownGrid().values)
        if (std::isfinite(v)) channels.insert(static_cast<int>(v));
    EXPECT_EQ(channels, (std::set<int>{6, 36}));
    ASSERT_TRUE(w.ShownError());
    shoot("site-survey-channel-96dpi.bmp");
    w.SelectLayer(Layer::Count);
    ASSERT_TRUE(w.WaitForFit(60000));
    EXPECT_TRUE(w.ShownError());
    // A higher threshold counts fewer access points, and nowhere more.
    const std::vector<float> at75 = w.ShownGrid().values;
    w.SetThreshold(-50);
    ASSERT_TRUE(w.WaitForFit(60000));
    const std::vector<float> at50 = w.ShownGrid().values;
    ASSERT_EQ(at50.size(), at75.size());
    int fewer = 0;
    for (size_t i = 0; i < at75.size(); ++i) {
        if (!std::isfinite(at75[i])) continue;
        EXPECT_LE(at50[i], at75[i]);
        fewer += at50[i] < at75[i];
    }
    EXPECT_GT(fewer, 0);
    w.SetThreshold(-75);
    w.SelectLayer(Layer::Signal);
    ASSERT_TRUE(w.WaitForFit(60000));

    // At 144 DPI the plan keeps its size in inches and the marks grow with the DPI.
    RECT at96{};
    GetWindowRect(w.hwnd(), &at96);
    const double zoom96 = w.view.Zoom();
    RECT frame{at96.left, at96.top, at96.left + (at96.right - at96.left) * 3 / 2,
               at96.top + (at96.bottom - at96.top) * 3 / 2};
    SendMessageW(w.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&frame));
    EXPECT_EQ(w.dpi(), 144u);
    EXPECT_NEAR(w.view.Zoom(), zoom96 * 1.5, 1e-9);
    shoot("site-survey-signal-144dpi.bmp");
    w.SelectLayer(Layer::Channel);
    ASSERT_TRUE(w.WaitForFit(60000));
    shoot("site-survey-channel-144dpi.bmp");
    w.SelectLayer(Layer::Signal);
    ASSERT_TRUE(w.WaitForFit(60000));
    frame = at96;
    SendMessageW(w.hwnd(), WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&frame));

    // Export: the picture and the grid of the shown layer.
    answer = folder.Path("office-signal.png");
    Command(w, kSiteExport);
    EXPECT_EQ(ReadTestFile(answer).substr(0, 4), "\x89PNG");
    answer = folder.Path("office-signal.csv");
    Command(w, kSiteExport);
    const std::string csv = ReadTestFile(answer);
    EXPECT_EQ(csv.substr(0, csv.find('\n')), "x_m,y_m,value\r");
    EXPECT_TRUE(messages.empty()) << messages.front();

    // New, then reopen: the same plan, scale and points.
    Command(w, kSiteNew);
    EXPECT_TRUE(w.Survey().plans.empty());
    EXPECT_EQ(w.Text(), "Site Survey");
    answer = folder.Path("office.json");
    Command(w, kSiteOpen);
    ASSERT_EQ(w.Survey().plans.size(), 1u);
    EXPECT_EQ(w.Survey().plans[0].points.size(), points.size());
    EXPECT_NEAR(*w.Survey().plans[0].metresPerPixel, 0.05, 0.001);
    ASSERT_TRUE(w.WaitForFit(60000));
    EXPECT_FALSE(w.ShownGrid().values.empty());

    // A broken file is refused with the loader's place and problem; the open survey stays.
    WriteTestFile(answer = folder.Path("broken.json"), "{\"format\": \"vellumar-survey\", \"version\": 2}");
    Command(w, kSiteOpen);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("broken.json:1:"), std::string::npos) << messages[0];
    EXPECT_EQ(w.Survey().plans[0].points.size(), points.size());
    EXPECT_EQ(w.FileName(), folder.Path("office.json"));
}

// Walking: the passes between two clicks lie along the segment between them.
TEST_F(SiteSurvey, WalkSpreadsPassesAlongEachSegment) {
    auto& a = Start(Scenario());
    a.main.scantmr.SetEnabled(false);
    Tick();
    SiteSurveyWindow& w = a.siteSurvey;
    a.main.SiteSurvey1Click();
    TempFolder folder;
    std::string answer = WritePlan(folder);
    w.ask.planFile = [&](std::string& f) { return f = answer, true; };
    Command(w, kSiteImportPlan);
    w.SetMode(MeasureMode::Walk);
    ClickAt(w, 100, 300);
    Tick(3);
    ClickAt(w, 700, 300);
    const auto& walked = w.Survey().plans[0].points;
    ASSERT_EQ(walked.size(), 3u);
    for (size_t i = 0; i < walked.size(); ++i) {
        EXPECT_NEAR(walked[i].y, 300, 1);
        EXPECT_GE(walked[i].x, 99);
        EXPECT_LE(walked[i].x, 701);
        if (i > 0) {
            EXPECT_GE(walked[i].x, walked[i - 1].x);  // in the order walked
        }
        EXPECT_EQ(walked[i].bss.size(), 2u);
    }
    Tick(2);
    ClickAt(w, 700, 500);
    EXPECT_EQ(w.Survey().plans[0].points.size(), 5u);
    Command(w, kSiteUndo);  // the last segment goes as a whole
    EXPECT_EQ(w.Survey().plans[0].points.size(), 3u);

    // A recording made without the plan, laid along a walk drawn afterwards.
    WriteTestFile(answer = folder.Path("recording.json"), R"({"interfaces": [{"description": "Wi-Fi A", "bss": [
        {"bssid": "02:00:00:00:00:0C", "ssid": "Lab", "frequency_khz": 2412000, "rssi": [-40, -50, -60, -70]}]}]})");
    w.ask.recordingFile = w.ask.planFile;
    Command(w, kSiteLayRecording);
    ClickAt(w, 100, 500);
    ClickAt(w, 400, 500);
    EXPECT_EQ(w.Survey().plans[0].points.size(), 3u);  // nothing laid before the walk ends
    w.FinishLaying();
    const auto& all = w.Survey().plans[0].points;
    ASSERT_EQ(all.size(), 7u);
    EXPECT_NEAR(all[3].x, 100, 1);
    EXPECT_NEAR(all[6].x, 400, 1);
    EXPECT_EQ(all[3].bss.at(0).rssi, -40);
    EXPECT_EQ(all[6].bss.at(0).rssi, -70);
    EXPECT_TRUE(messages.empty()) << messages.front();
}
