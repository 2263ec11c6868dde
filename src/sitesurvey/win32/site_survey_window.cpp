#include "sitesurvey/win32/site_survey_window.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>

#include "common/air_text.h"
#include "common/win32/private_messages.h"
#include "common/win32/replace_file.h"
#include "common/win32/wide.h"
#include "sitesurvey/render_command.h"
#include "sitesurvey/sample_plan.h"
#include "sitesurvey/win32/render_run.h"
#include "wireless/value_text.h"

namespace sitesurvey {

namespace {

constexpr char kPlaceSetting[] = "site_survey_window";  // a WindowPlace
constexpr int kClientWidth = 900, kClientHeight = 640;
constexpr size_t kMaxPlanFileBytes = size_t{128} << 20;  // base64 of it still fits a survey file
constexpr double kFeet = 0.3048;

struct MenuItem {
    WORD command;  // 0: separator
    const wchar_t* caption;
};
constexpr MenuItem kFileMenu[] = {{kSiteNew, L"&New"},
                                  {kSiteOpen, L"&Open..."},
                                  {kSiteSave, L"&Save"},
                                  {kSiteSaveAs, L"Save &As..."},
                                  {0, nullptr},
                                  {kSiteImportPlan, L"&Import Plan..."},
                                  {kSiteExport, L"&Export..."},
                                  {kSiteLayRecording, L"Lay &Recording on Plan..."},
                                  {0, nullptr},
                                  {kSiteClose, L"&Close"}};
constexpr MenuItem kEditMenu[] = {{kSiteUndo, L"&Undo\tCtrl+Z"}, {kSiteSetScale, L"Set &Scale..."}};
constexpr MenuItem kViewMenu[] = {
    {kSiteZoomIn, L"Zoom &In\tCtrl+Plus"}, {kSiteZoomOut, L"Zoom &Out\tCtrl+Minus"}, {kSiteFit, L"&Fit\tCtrl+0"}};

template <size_t N>
HMENU Popup(const MenuItem (&items)[N]) {
    HMENU menu = CreatePopupMenu();
    for (const auto& item : items)
        AppendMenuW(menu, item.command ? MF_STRING : MF_SEPARATOR, item.command, item.caption);
    return menu;
}

HMENU CreateSurveyMenu() {
    HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(Popup(kFileMenu)), L"&File");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(Popup(kEditMenu)), L"&Edit");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(Popup(kViewMenu)), L"&View");
    return bar;
}

struct LayerChoice {
    Layer layer;
    const char* caption;
    bool decibels;  // its values, and so its error, are dB
};
constexpr LayerChoice kLayerChoices[] = {
    {Layer::Signal, "Signal (dBm)", true},
    {Layer::Second, "Second strongest signal (dBm)", true},
    {Layer::Count, "Access points above the threshold", false},
    {Layer::CoChannel, "Co-channel access points", false},
    {Layer::Channel, "Strongest channel", false},
};

struct MediaMagic {
    std::string_view type, magic;
};
constexpr MediaMagic kMediaMagic[] = {{"image/png", "\x89PNG"},        {"image/jpeg", "\xFF\xD8\xFF"},
                                      {"image/bmp", "BM"},             {"image/gif", "GIF8"},
                                      {"image/tiff", {"II*\0", 4}},    {"image/tiff", {"MM\0*", 4}}};

std::optional<std::string> MediaTypeOf(std::string_view bytes) {
    for (const MediaMagic& m : kMediaMagic)
        if (bytes.substr(0, m.magic.size()) == m.magic) return std::string(m.type);
    return std::nullopt;
}

// Whether the system measures in metres (else in feet).
bool MetricSystem() {
    DWORD value = 0;
    if (!GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_IMEASURE | LOCALE_RETURN_NUMBER,
                         reinterpret_cast<LPWSTR>(&value), sizeof value / sizeof(wchar_t)))
        return true;
    return value == 0;
}

bool AskFile(HWND owner, bool save, const wchar_t* filter, const wchar_t* extension, std::string& fileName) {
    wchar_t buffer[MAX_PATH * 4] = {};
    const std::wstring start = Widen(fileName);
    if (start.size() < std::size(buffer)) std::copy(start.begin(), start.end(), buffer);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.lpstrFile = buffer;
    ofn.nMaxFile = static_cast<DWORD>(std::size(buffer));
    ofn.lpstrDefExt = extension;
    ofn.Flags = OFN_NOCHANGEDIR | (save ? OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST : OFN_FILEMUSTEXIST);
    if (!(save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn))) return false;
    fileName = Narrow(buffer);
    return true;
}

constexpr wchar_t kSurveyFilter[] = L"Site surveys (*.json)\0*.json\0All files\0*.*\0";
constexpr wchar_t kPlanFilter[] =
    L"Images (*.png;*.jpg;*.jpeg;*.bmp;*.gif;*.tif;*.tiff)\0*.png;*.jpg;*.jpeg;*.bmp;*.gif;*.tif;*.tiff\0"
    L"All files\0*.*\0";
constexpr wchar_t kExportFilter[] = L"PNG picture (*.png)\0*.png\0CSV grid of the layer (*.csv)\0*.csv\0";

// The distance between the scale's two points, typed in.
class ScaleDialog : public ModalWindow {
public:
    ScaleDialog(HWND owner, const std::string& unit) {
        CreateDialogFrame({.caption = "Plan Scale", .owner = owner, .client_width = 300, .client_height = 86});
        prompt_lbl.Create(*this, {.text = "Distance between the two points, in " + unit + ":", .rect = {10, 12, 280, 16}});
        distance_edt.Create(*this, {.rect = {10, 32, 120, 22}});
        ok_btn.Create(*this, {.caption = "OK", .rect = {134, 54, 75, 25}, .id = IDOK, .is_default = true});
        cancel_btn.Create(*this, {.caption = "Cancel", .rect = {215, 54, 75, 25}, .id = IDCANCEL});
        ok_btn.onClick = [this] { EndModal(IDOK); };
        cancel_btn.onClick = [this] { EndModal(IDCANCEL); };
        onShown = [this] { SetFocus(distance_edt.hwnd()); };
    }
    Label prompt_lbl;
    EditBox distance_edt;
    Button ok_btn, cancel_btn;
};

std::optional<double> ParseDistance(std::string text) {
    std::replace(text.begin(), text.end(), ',', '.');
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    while (end && (*end == ' ' || *end == '\t')) ++end;
    if (text.empty() || (end && *end) || !(value > 0) || !std::isfinite(value)) return std::nullopt;
    return value;
}

bool SameRequest(const LayerRequest& a, const LayerRequest& b) {
    return a.layer == b.layer && a.target.kind == b.target.kind && a.target.name == b.target.name &&
        a.countThreshold == b.countThreshold && a.paintDistance == b.paintDistance;
}

int64_t UnixMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool DropDown::Create(Window& parent, const Placement& place) {
    return CreateChild(parent, WC_COMBOBOXW, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, place.rect,
                       place.anchors);
}
void DropDown::Clear() { SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0); }
void DropDown::Add(const std::string& text) {
    SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
}
int DropDown::Count() const { return static_cast<int>(SendMessageW(hwnd_, CB_GETCOUNT, 0, 0)); }
void DropDown::Select(int index) { SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0); }
int DropDown::Selected() const { return static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0)); }
std::string DropDown::ItemText(int index) const {
    const LRESULT length = SendMessageW(hwnd_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) return "";
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(hwnd_, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return Narrow(text);
}
void DropDown::OnCommand(WORD code) {
    if (code == CBN_SELCHANGE && onChange) onChange();
}

void DbmSpin::OnCommand(WORD code) {
    if (code == EN_CHANGE && onChange) onChange();
}

bool Slider::Create(Window& parent, const Placement& place) {
    if (!CreateChild(parent, TRACKBAR_CLASSW, "", TBS_HORZ | TBS_NOTICKS | WS_TABSTOP, 0, place.rect, place.anchors))
        return false;
    SendMessageW(hwnd_, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
    return true;
}
void Slider::SetPosition(int position) { SendMessageW(hwnd_, TBM_SETPOS, TRUE, position); }
int Slider::Position() const { return static_cast<int>(SendMessageW(hwnd_, TBM_GETPOS, 0, 0)); }

SiteSurveyWindow::SiteSurveyWindow(HWND owner, SurveySession& session) : session_(session) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    CreateFrame({.caption = "Site Survey",
                 .owner = owner,
                 .client_width = kClientWidth,
                 .client_height = kClientHeight,
                 .menu = CreateSurveyMenu()});
    SetMinimumClientSize(640, 360);
    mode_lbl.Create(*this, {.text = "Mode:", .rect = {8, 11, 36, 16}});
    mode_cmb.Create(*this, {.rect = {44, 7, 100, 200}});
    plan_lbl.Create(*this, {.text = "Plan:", .rect = {154, 11, 30, 16}});
    plan_cmb.Create(*this, {.rect = {184, 7, 140, 200}});
    layer_lbl.Create(*this, {.text = "Layer:", .rect = {334, 11, 36, 16}});
    layer_cmb.Create(*this, {.rect = {370, 7, 190, 200}});
    target_lbl.Create(*this, {.text = "Of:", .rect = {570, 11, 20, 16}});
    target_cmb.Create(*this, {.rect = {590, 7, 170, 300}, .anchors = AnchorLeft | AnchorTop | AnchorRight});
    opacity_lbl.Create(*this, {.text = "Opacity:", .rect = {768, 11, 48, 16}, .anchors = AnchorTop | AnchorRight});
    opacity_bar.Create(*this, {.rect = {816, 6, 78, 24}, .anchors = AnchorTop | AnchorRight});
    view.Create(*this, {.rect = {8, 36, 884, 576}, .anchors = AnchorLeft | AnchorTop | AnchorRight | AnchorBottom});
    status_lbl.Create(*this, {.rect = {8, 618, 690, 18}, .anchors = AnchorLeft | AnchorRight | AnchorBottom});
    threshold_lbl.Create(*this, {.text = "Count above: -", .rect = {704, 618, 84, 18}, .anchors = AnchorRight | AnchorBottom});
    threshold_spn.Create(*this, {.rect = {788, 615, 56, 22}, .anchors = AnchorRight | AnchorBottom, .minimum = 30, .maximum = 120});
    dbm_lbl.Create(*this, {.text = "dBm", .rect = {848, 618, 44, 18}, .anchors = AnchorRight | AnchorBottom});
    threshold_spn.SetValue(static_cast<int>(-kDefaultCountThreshold));

    mode_cmb.Add("Stop and go");
    mode_cmb.Add("Walk");
    mode_cmb.Select(0);
    for (const LayerChoice& c : kLayerChoices) layer_cmb.Add(c.caption);
    layer_cmb.Select(0);
    opacity_bar.SetPosition(60);
    view.scene.opacity = static_cast<uint8_t>(60 * 255 / 100);

    mode_cmb.onChange = [this] { SetMode(mode_cmb.Selected() == 1 ? MeasureMode::Walk : MeasureMode::StopAndGo); };
    plan_cmb.onChange = [this] {
        if (const int i = plan_cmb.Selected(); i >= 0) ShowPlan(static_cast<size_t>(i));
    };
    layer_cmb.onChange = [this] {
        looRmse_.reset();
        if (fitted_) worker_->Error(*fitted_, Request());
        ShowLayer();
    };
    target_cmb.onChange = [this] {
        const int i = target_cmb.Selected();
        targetKey_ = i >= 0 && i < static_cast<int>(targetKeys_.size()) ? targetKeys_[static_cast<size_t>(i)] : "";
        layer_cmb.onChange();
    };
    threshold_spn.onChange = [this] {
        if (!threshold_spn.Value() || Request().layer != Layer::Count) return;
        layer_cmb.onChange();
    };
    opacity_bar.onChange = [this] {
        view.scene.opacity = static_cast<uint8_t>(opacity_bar.Position() * 255 / 100);
        view.Changed();
    };
    view.onClick = [this](double x, double y) { ClickPlan(x, y); };
    view.onKey = [this](UINT key, bool control) { return OnKey(key, control); };
    view.tipAt = [this](double x, double y) { return TipAt(x, y); };

    const HWND window = hwnd_;
    worker_ = std::make_unique<ModelWorker>([window] { PostMessageW(window, kSiteSurveyFitMessage, 0, 0); });
    session_.Subscribe(*this);
    NewSurvey();
}

SiteSurveyWindow::~SiteSurveyWindow() {
    session_.Unsubscribe(*this);
    worker_.reset();  // joined before the window goes
}

void SiteSurveyWindow::ShowSurvey() {
    if (!std::exchange(placed_, true)) RestoreWindowPlace(hwnd_, kPlaceSetting);
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd_);
    SetActiveWindow(hwnd_);
    SetFocus(view.hwnd());
    view.Changed();
}

void SiteSurveyWindow::OpenFromArguments(const std::vector<std::string>& arguments) {
    const auto it = std::find(arguments.begin(), arguments.end(), "--site-survey");
    if (it == arguments.end()) return;
    if (it + 1 != arguments.end() && !it[1].starts_with("--")) {
        if (!OpenSurvey(it[1])) return;
    } else {
        OpenSample();
    }
    PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(kSiteShow, 0), 0);
}

void SiteSurveyWindow::OpenSample() {
    survey_ = SampleSurvey();
    targetKey_.clear();
    fileName_.clear();
    dirty_ = true;
    plan_ = 0;
    FillPlans();
    ShowPlan(0);
    UpdateCaption();
}

void SiteSurveyWindow::SaveSettings() {
    if (hwnd_ && placed_) SaveWindowPlace(hwnd_, kPlaceSetting);
}

SurveyPlan* SiteSurveyWindow::Plan() { return plan_ < survey_.plans.size() ? &survey_.plans[plan_] : nullptr; }

LayerRequest SiteSurveyWindow::Request() const {
    LayerRequest r;
    const int layer = layer_cmb.Selected();
    r.layer = kLayerChoices[layer >= 0 && layer < static_cast<int>(std::size(kLayerChoices)) ? layer : 0].layer;
    r.countThreshold = -threshold_spn.Value().value_or(static_cast<int>(-kDefaultCountThreshold));
    if (targetKey_.size() > 2)
        r.target = {targetKey_[0] == 'S' ? Target::Kind::Ssid : Target::Kind::Bssid, targetKey_.substr(2)};
    return r;
}

void SiteSurveyWindow::UpdateCaption() {
    SetText(fileName_.empty() ? "Site Survey" : "Site Survey - " + BaseName(fileName_));
}

void SiteSurveyWindow::SetStatus(const std::string& text) {
    statusText_ = text;
    status_lbl.SetText(text);
}

void SiteSurveyWindow::NewSurvey() {
    survey_ = {};
    targetKey_.clear();
    fileName_.clear();
    dirty_ = false;
    FillPlans();
    ShowPlan(0);
    UpdateCaption();
}

void SiteSurveyWindow::FillPlans() {
    plan_cmb.Clear();
    for (size_t i = 0; i < survey_.plans.size(); ++i) {
        const std::string& name = survey_.plans[i].name;
        plan_cmb.Add(std::to_string(i + 1) + (name.empty() ? "" : ": " + AirTextForDisplay(name)));
    }
    if (plan_ < survey_.plans.size()) plan_cmb.Select(static_cast<int>(plan_));
}

void SiteSurveyWindow::ShowPlan(size_t index) {
    plan_ = index;
    undo_.clear();
    walk_.clear();
    laying_.reset();
    walkPasses_.clear();
    capture_.Cancel();
    scaleClicks_.clear();
    settingScale_ = false;
    picture_ = {};
    if (const SurveyPlan* plan = Plan(); plan && !plan->image.empty()) {
        std::string error;
        if (std::optional<PlanPicture> picture = DecodePlanImage(plan->image, error))
            picture_ = std::move(*picture);
        else
            ShowMessage(hwnd_, "Plan " + std::to_string(index + 1) + ": " + error);
    }
    if (plan_ < survey_.plans.size()) plan_cmb.Select(static_cast<int>(plan_));
    view.scene.plan = picture_.width > 0 ? &picture_ : nullptr;
    view.Fit();
    ++generation_;
    Refit();
}

void SiteSurveyWindow::SetMode(MeasureMode mode) {
    mode_ = mode;
    mode_cmb.Select(mode == MeasureMode::Walk ? 1 : 0);
    capture_.Cancel();
    walk_.clear();
    walkPasses_.clear();
    UpdateScene();
}

void SiteSurveyWindow::SetThreshold(int dbm) { threshold_spn.SetValue(-dbm); }

void SiteSurveyWindow::SelectLayer(Layer layer) {
    for (size_t i = 0; i < std::size(kLayerChoices); ++i)
        if (kLayerChoices[i].layer == layer) layer_cmb.Select(static_cast<int>(i));
    layer_cmb.onChange();
}

bool SiteSurveyWindow::WriteSurveyFile(const std::string& fileName) {
    const FileWriteResult result = WriteFileReplacing(fileName, WriteSurvey(survey_));
    if (!result.ok) ShowMessage(hwnd_, "The survey could not be saved to " + fileName + ": " + result.error);
    return result.ok;
}

bool SiteSurveyWindow::OpenSurvey(const std::string& fileName) {
    std::string error;
    const std::optional<std::string> text = ReadFileCapped(fileName, kMaxSurveyBytes, "the survey file", error);
    if (!text) {
        ShowMessage(hwnd_, error);
        return false;
    }
    SurveyLoad load = ParseSurvey(*text, fileName);
    if (!load.survey) {
        ShowMessage(hwnd_, load.error);
        return false;
    }
    survey_ = std::move(*load.survey);
    targetKey_.clear();
    fileName_ = fileName;
    dirty_ = false;
    plan_ = 0;
    FillPlans();
    ShowPlan(0);
    UpdateCaption();
    return true;
}

bool SiteSurveyWindow::SaveSurvey() {
    if (fileName_.empty()) {
        std::string file;
        if (!(ask.saveFile ? ask.saveFile(file) : AskFile(hwnd_, true, kSurveyFilter, L"json", file))) return false;
        return SaveSurveyAs(file);
    }
    if (!WriteSurveyFile(fileName_)) return false;
    dirty_ = false;
    return true;
}

bool SiteSurveyWindow::SaveSurveyAs(const std::string& fileName) {
    if (!WriteSurveyFile(fileName)) return false;
    fileName_ = fileName;
    dirty_ = false;
    UpdateCaption();
    UpdateScene();
    return true;
}

bool SiteSurveyWindow::ImportPlan(const std::string& fileName) {
    std::string error;
    const std::optional<std::string> bytes = ReadFileCapped(fileName, kMaxPlanFileBytes, "the plan image", error);
    if (!bytes) {
        ShowMessage(hwnd_, error);
        return false;
    }
    const std::optional<std::string> mediaType = MediaTypeOf(*bytes);
    if (!mediaType) {
        ShowMessage(hwnd_, fileName + ": not a PNG, JPEG, BMP, GIF or TIFF image");
        return false;
    }
    const std::span<const uint8_t> data(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size());
    if (!DecodePlanImage(data, error)) {
        ShowMessage(hwnd_, fileName + ": " + error);
        return false;
    }
    if (survey_.plans.size() >= kMaxPlans) {
        ShowMessage(hwnd_, "A survey holds at most " + std::to_string(kMaxPlans) + " plans.");
        return false;
    }
    SurveyPlan plan;
    std::string name = BaseName(fileName);
    if (const size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.resize(dot);
    plan.name = name;
    plan.mediaType = *mediaType;
    plan.image.assign(data.begin(), data.end());
    survey_.plans.push_back(std::move(plan));
    FillPlans();
    ShowPlan(survey_.plans.size() - 1);
    if (!fileName_.empty()) WriteSurveyFile(fileName_);
    else dirty_ = true;
    return true;
}

bool SiteSurveyWindow::Export(const std::string& fileName) {
    const SurveyPlan* plan = Plan();
    if (!plan || !fitted_ || !plan->metresPerPixel || picture_.width == 0) {
        ShowMessage(hwnd_, "Set the plan's scale and measure at least three points before exporting.");
        return false;
    }
    RenderCommand command;
    command.request = Request();
    command.out = fileName;
    RenderInput input;
    input.plan = *plan;
    input.model = *fitted_->model;
    std::string error;
    std::string lower = fileName;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    bool written = false;
    if (lower.ends_with(".csv")) {
        const FileWriteResult result =
            WriteFileReplacing(fileName, RenderCsv(input, command, picture_.width, picture_.height));
        written = result.ok;
        error = result.error;
    } else {
        written = WritePng(RenderPicture(input, command, picture_), fileName, error);
    }
    if (!written) ShowMessage(hwnd_, "The export could not be written: " + error);
    return written;
}

void SiteSurveyWindow::StartScale() {
    if (!Plan() || picture_.width == 0) {
        ShowMessage(hwnd_, "Import a plan first: File > Import Plan...");
        return;
    }
    capture_.Cancel();
    settingScale_ = true;
    scaleClicks_.clear();
    UpdateScene();
}

void SiteSurveyWindow::ClickPlan(double x, double y) {
    SurveyPlan* plan = Plan();
    if (!plan) return;
    if (settingScale_) {
        scaleClicks_.push_back({x, y});
        UpdateScene();
        if (scaleClicks_.size() < 2) return;
        const double pixels = std::hypot(scaleClicks_[1].x - scaleClicks_[0].x, scaleClicks_[1].y - scaleClicks_[0].y);
        const bool metric = MetricSystem();
        const std::string unit = metric ? "metres" : "feet";
        double distance = 0;
        bool given = false;
        if (ask.scaleDistance) {
            given = ask.scaleDistance(unit, distance);
        } else {
            ScaleDialog dialog(hwnd_, unit);
            for (;;) {
                if (dialog.ShowModal(hwnd_) != IDOK) break;
                if (const std::optional<double> d = ParseDistance(dialog.distance_edt.Text())) {
                    distance = *d, given = true;
                    break;
                }
                ShowMessage(hwnd_, "Type the distance as a number above 0.");
            }
        }
        settingScale_ = false;
        scaleClicks_.clear();
        if (given && distance > 0 && pixels >= 1) {
            const double metresPerPixel = distance * (metric ? 1 : kFeet) / pixels;
            if (metresPerPixel <= 1000) {
                plan->metresPerPixel = metresPerPixel;
                undo_.clear();  // the scale is not undone point by point
                PointsChanged();
                return;
            }
        }
        UpdateScene();
        return;
    }
    const uint64_t now = MonotonicMilliseconds();
    if (laying_) {
        walk_.push_back({x, y, now});
        UpdateScene();
        return;
    }
    if (mode_ == MeasureMode::StopAndGo) {
        capture_.Click(x, y, now);
        RequestScan();
        UpdateScene();
        return;
    }
    const WalkMark mark{x, y, now};
    if (walk_.empty()) {
        walk_.push_back(mark);
        walkPasses_.clear();
        UpdateScene();
        return;
    }
    std::vector<SurveyPoint> points = SpreadAlong(walk_.back(), mark, std::move(walkPasses_));
    walkPasses_.clear();
    walk_.push_back(mark);
    AddPoints(std::move(points));
}

bool SiteSurveyWindow::LayRecording(const std::string& fileName) {
    if (!Plan() || picture_.width == 0) {
        ShowMessage(hwnd_, "Import a plan first: File > Import Plan...");
        return false;
    }
    const wlan::sim::LoadResult load = wlan::sim::LoadScenarioFile(fileName);
    if (!load) {
        ShowMessage(hwnd_, load.message);
        return false;
    }
    std::string error;
    std::optional<std::vector<std::vector<SurveyBss>>> passes = RecordingPasses(load.scenario, error);
    if (!passes) {
        ShowMessage(hwnd_, fileName + ": " + error);
        return false;
    }
    capture_.Cancel();
    walk_.clear();
    walkPasses_.clear();
    laying_ = std::move(passes);
    UpdateScene();
    return true;
}

void SiteSurveyWindow::FinishLaying() {
    if (!laying_ || walk_.empty()) return;
    std::vector<SurveyPoint> points = LayAlongWalk(walk_, std::move(*laying_), UtcTimeText(UnixMilliseconds()));
    laying_.reset();
    walk_.clear();
    AddPoints(std::move(points));
}

void SiteSurveyWindow::RequestScan() {
    ScanState& scan = session_.Scan();
    if (!scan.client) return;
    for (const wlan::WLAN_INTERFACE_INFO& info : wlan::Entries(scan.interfaceList.get()))
        scan.api.WlanScan(scan.client.get(), &info.InterfaceGuid, nullptr, nullptr, nullptr);
}

void SiteSurveyWindow::PassEnded(const SurveySession& session, const TickOutcome& outcome) {
    if (outcome.pass != 0u || !Plan()) return;
    const uint64_t now = MonotonicMilliseconds();
    const std::string time = UtcTimeText(UnixMilliseconds());
    const wlan::WLAN_BSS_LIST* list = session.Scan().bssList.get();
    if (capture_.Waiting()) {
        if (std::optional<SurveyPoint> point = capture_.PassEnded(list, now, time)) AddPoints({std::move(*point)});
    } else if (mode_ == MeasureMode::Walk && !walk_.empty() && !laying_) {
        walkPasses_.push_back({now, time, BssOfList(list)});
    }
}

void SiteSurveyWindow::Notified(const wlan::WlanNotification& notification) { capture_.Notified(notification); }

void SiteSurveyWindow::AddPoints(std::vector<SurveyPoint> points) {
    SurveyPlan* plan = Plan();
    if (!plan) return;
    const size_t room = kMaxPointsPerPlan - std::min(kMaxPointsPerPlan, plan->points.size());
    if (points.size() > room) points.resize(room);
    undo_.push_back(points.size());
    for (SurveyPoint& p : points) plan->points.push_back(std::move(p));
    PointsChanged();
}

void SiteSurveyWindow::Undo() {
    if (laying_ && !walk_.empty()) {
        walk_.pop_back();
        UpdateScene();
        return;
    }
    if (capture_.Waiting() || settingScale_) {
        capture_.Cancel();
        settingScale_ = false;
        scaleClicks_.clear();
        UpdateScene();
        return;
    }
    SurveyPlan* plan = Plan();
    if (!plan || undo_.empty()) return;
    const size_t n = std::min(undo_.back(), plan->points.size());
    undo_.pop_back();
    plan->points.resize(plan->points.size() - n);
    if (!walk_.empty()) walk_.pop_back();
    walkPasses_.clear();
    PointsChanged();
}

void SiteSurveyWindow::PointsChanged() {
    // Saved at once: a crash loses nothing.
    if (!fileName_.empty())
        WriteSurveyFile(fileName_);
    else
        dirty_ = true;
    ++generation_;
    Refit();
}

void SiteSurveyWindow::Refit() {
    const SurveyPlan* plan = Plan();
    fitted_.reset();
    looRmse_.reset();
    layerGrid_ = {};
    if (plan && plan->metresPerPixel && picture_.width > 0) {
        if (std::optional<std::vector<MeasuredPlace>> places = MeasuredPlaces(*plan)) {
            const double step = std::max(0.25, *plan->metresPerPixel * 4);
            worker_->Fit(generation_, std::move(*places), PlanGrid(*plan, picture_.width, picture_.height, step),
                         Request());
        }
    }
    FillTargets();
    UpdateScene();
}

void SiteSurveyWindow::TakeFit() {
    std::optional<FittedSurvey> result = worker_->Take();
    if (!result || result->generation != generation_) return;  // the points have moved on
    const LayerRequest request = Request();
    if (SameRequest(result->request, request))
        looRmse_ = result->looRmse;
    else
        worker_->Error(*result, request);
    const bool newFit = !fitted_ || fitted_->model != result->model;
    fitted_ = std::move(result);
    if (newFit) FillTargets();
    ShowLayer();
}

bool SiteSurveyWindow::WaitForFit(int timeoutMs) {
    const uint64_t end = MonotonicMilliseconds() + static_cast<uint64_t>(timeoutMs);
    while (MonotonicMilliseconds() < end) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (fitted_ && fitted_->generation == generation_ && looRmse_.has_value()) return true;
        if (fitted_ && fitted_->generation == generation_ && SameRequest(fitted_->request, Request())) return true;
        Sleep(10);
    }
    return false;
}

void SiteSurveyWindow::FillTargets() {
    targetKeys_ = {""};
    target_cmb.Clear();
    target_cmb.Add("All access points");
    if (fitted_) {
        std::set<std::string> ssids;
        for (const ApEstimate& ap : fitted_->model->AccessPoints())
            if (!ap.ssid.empty()) ssids.insert(ap.ssid);
        for (const std::string& ssid : ssids) {
            targetKeys_.push_back("S:" + ssid);
            target_cmb.Add("SSID " + AirTextForDisplay(ssid));
        }
        for (const ApEstimate& ap : fitted_->model->AccessPoints()) {
            targetKeys_.push_back("B:" + ap.bssid);
            target_cmb.Add(ap.bssid + (ap.ssid.empty() ? "" : " (" + AirTextForDisplay(ap.ssid) + ")"));
        }
    }
    // The chosen target stays chosen while the points change, heard or not.
    if (std::find(targetKeys_.begin(), targetKeys_.end(), targetKey_) == targetKeys_.end()) {
        targetKeys_.push_back(targetKey_);
        target_cmb.Add((targetKey_[0] == 'S' ? "SSID " : "") + AirTextForDisplay(targetKey_.substr(2)));
    }
    target_cmb.Select(static_cast<int>(std::find(targetKeys_.begin(), targetKeys_.end(), targetKey_) - targetKeys_.begin()));
}

void SiteSurveyWindow::ShowLayer() {
    const SurveyPlan* plan = Plan();
    if (fitted_ && plan && plan->metresPerPixel)
        layerGrid_ = SampleLayer(*fitted_->model, *fitted_->fields, Request());
    else
        layerGrid_ = {};
    UpdateScene();
}

void SiteSurveyWindow::UpdateScene() {
    const SurveyPlan* plan = Plan();
    PlanScene& s = view.scene;
    s.plan = picture_.width > 0 ? &picture_ : nullptr;
    s.metresPerPixel = plan && plan->metresPerPixel ? *plan->metresPerPixel : 0;
    s.grid = layerGrid_.values.empty() ? nullptr : &layerGrid_;
    const LayerRequest request = Request();
    s.layer = request.layer;
    s.points.clear();
    if (plan)
        for (const SurveyPoint& p : plan->points) s.points.push_back({p.x, p.y});
    s.waiting.reset();
    if (capture_.Waiting()) s.waiting = PlanScene::Mark{capture_.WaitingX(), capture_.WaitingY()};
    s.walk.clear();
    for (const WalkMark& m : walk_) s.walk.push_back({m.x, m.y});
    s.scaleClicks = scaleClicks_;
    s.aps.clear();
    s.legend.clear();
    s.channels.clear();
    if (fitted_ && s.metresPerPixel > 0) {
        for (const ApEstimate& ap : fitted_->model->AccessPoints()) {
            if (!Targets(request.target, ap.bssid, ap.ssid)) continue;
            const Place at = ap.field.Model().position;
            s.aps.push_back({at.x / s.metresPerPixel, at.y / s.metresPerPixel,
                             AirTextForDisplay(ap.ssid.empty() ? ap.bssid : ap.ssid)});
        }
        const int layer = std::max(0, layer_cmb.Selected());
        const LayerChoice& choice = kLayerChoices[std::min<size_t>(static_cast<size_t>(layer), std::size(kLayerChoices) - 1)];
        std::string heading = request.layer == Layer::Count
            ? "Access points above " + std::to_string(static_cast<int>(request.countThreshold)) + " dBm"
            : std::string(choice.caption);
        heading += ", " + target_cmb.ItemText(std::max(0, target_cmb.Selected()));
        if (request.layer == Layer::Channel) {
            // The channels are named in the legend; an error in channel numbers means nothing.
        } else if (looRmse_) {
            char error[48];
            std::snprintf(error, sizeof error, "   \xC2\xB1 %.1f%s", *looRmse_, choice.decibels ? " dB" : "");
            heading += error;
        } else {
            heading += "   \xC2\xB1 ...";
        }
        s.legend = heading;
        const bool signal = request.layer == Layer::Signal || request.layer == Layer::Second;
        s.legendLow = signal ? -90 : 0;
        s.legendHigh = signal ? -40 : 4;
        if (request.layer == Layer::Channel) {
            std::set<int> channels;
            for (float v : layerGrid_.values)
                if (std::isfinite(v)) channels.insert(static_cast<int>(std::lround(v)));
            s.channels.assign(channels.begin(), channels.end());
        }
    }
    // What the surveyor does next.
    std::string status;
    const size_t points = plan ? plan->points.size() : 0;
    if (!plan || picture_.width == 0)
        status = "File > Import Plan... to begin.";
    else if (settingScale_)
        status = scaleClicks_.empty() ? "Scale: click the first of two points a known distance apart."
                                      : "Scale: click the second point.";
    else if (capture_.Waiting())
        status = "Waiting for a scan...";
    else if (laying_)
        status = "A recording of " + std::to_string(laying_->size()) +
            " passes: click each turn of the walk it was made along; Enter ends the walk.";
    else if (!plan->metresPerPixel)
        status = std::to_string(points) + " points. Set the scale: Edit > Set Scale..., then click two points.";
    else if (mode_ == MeasureMode::Walk)
        status = std::to_string(points) + " points. " +
            (walk_.empty() ? "Click where the walk starts." : "Walking: click each turn; Esc ends the walk.");
    else
        status = std::to_string(points) + " points. Click where you stand to measure there.";
    if (plan && fileName_.empty() && points > 0) status += " Not saved yet: File > Save As...";
    SetStatus(status);
    view.Changed();
}

std::string SiteSurveyWindow::TipAt(double x, double y) const {
    const SurveyPlan* plan = survey_.plans.size() > plan_ ? &survey_.plans[plan_] : nullptr;
    if (!plan) return "";
    std::string tip;
    if (plan->metresPerPixel && !layerGrid_.values.empty()) {
        const GridLayout& g = layerGrid_.layout;
        const double mx = x * *plan->metresPerPixel, my = y * *plan->metresPerPixel;
        const int column = static_cast<int>(std::lround((mx - g.x0) / g.step));
        const int row = static_cast<int>(std::lround((my - g.y0) / g.step));
        if (const std::optional<double> v = layerGrid_.At(column, row)) {
            char text[64];
            const Layer layer = Request().layer;
            if (layer == Layer::Signal || layer == Layer::Second)
                std::snprintf(text, sizeof text, "%.0f dBm", *v);
            else if (layer == Layer::Channel)
                std::snprintf(text, sizeof text, "channel %.0f", *v);
            else
                std::snprintf(text, sizeof text, "%.0f access points", *v);
            tip = text;
        } else {
            tip = "not measured near here";
        }
    }
    // The nearest point's measured list, strongest first.
    const SurveyPoint* nearest = nullptr;
    double best = 0;
    for (const SurveyPoint& p : plan->points)
        if (const double d = std::hypot(p.x - x, p.y - y); !nearest || d < best) nearest = &p, best = d;
    if (nearest) {
        std::vector<const SurveyBss*> heard;
        for (const SurveyBss& b : nearest->bss) heard.push_back(&b);
        std::sort(heard.begin(), heard.end(), [](auto* a, auto* b) { return a->rssi > b->rssi; });
        char head[96];
        if (plan->metresPerPixel)
            std::snprintf(head, sizeof head, "Nearest point, %.1f m away:", best * *plan->metresPerPixel);
        else
            std::snprintf(head, sizeof head, "Nearest point:");
        tip += (tip.empty() ? "" : "\n") + std::string(head);
        constexpr size_t kShown = 8;
        for (size_t i = 0; i < std::min(kShown, heard.size()); ++i)
            tip += "\n" + std::to_string(heard[i]->rssi) + " dBm  " + ChannelText(heard[i]->frequencyKhz) + "  " +
                heard[i]->bssid + "  " + AirTextForDisplay(heard[i]->ssid);
        if (heard.size() > kShown) tip += "\n... " + std::to_string(heard.size() - kShown) + " more";
    }
    return tip;
}

bool SiteSurveyWindow::OnKey(UINT key, bool control) {
    if (control && key == 'Z') {
        Undo();
        return true;
    }
    if (key == VK_RETURN && laying_) {
        FinishLaying();
        return true;
    }
    if (key == VK_ESCAPE) {
        if (capture_.Waiting() || settingScale_ || !walk_.empty() || laying_) {
            laying_.reset();
            capture_.Cancel();
            settingScale_ = false;
            scaleClicks_.clear();
            walk_.clear();
            walkPasses_.clear();
            UpdateScene();
        } else {
            PostMessageW(hwnd_, WM_CLOSE, 0, 0);
        }
        return true;
    }
    return false;
}

void SiteSurveyWindow::OnMenu(WORD command) {
    std::string file;
    switch (command) {
        case kSiteNew:
            NewSurvey();
            break;
        case kSiteOpen:
            if (ask.openFile ? ask.openFile(file) : AskFile(hwnd_, false, kSurveyFilter, L"json", file))
                OpenSurvey(file);
            break;
        case kSiteSave:
            SaveSurvey();
            break;
        case kSiteSaveAs:
            file = fileName_;
            if (ask.saveFile ? ask.saveFile(file) : AskFile(hwnd_, true, kSurveyFilter, L"json", file))
                SaveSurveyAs(file);
            break;
        case kSiteImportPlan:
            if (ask.planFile ? ask.planFile(file) : AskFile(hwnd_, false, kPlanFilter, nullptr, file))
                ImportPlan(file);
            break;
        case kSiteExport:
            if (ask.exportFile ? ask.exportFile(file) : AskFile(hwnd_, true, kExportFilter, L"png", file))
                Export(file);
            break;
        case kSiteLayRecording:
            if (ask.recordingFile ? ask.recordingFile(file) : AskFile(hwnd_, false, kSurveyFilter, L"json", file))
                LayRecording(file);
            break;
        case kSiteShow:
            ShowSurvey();
            break;
        case kSiteClose:
            PostMessageW(hwnd_, WM_CLOSE, 0, 0);
            break;
        case kSiteUndo:
            Undo();
            break;
        case kSiteSetScale:
            StartScale();
            break;
        case kSiteZoomIn:
            view.ZoomBy(1.25);
            break;
        case kSiteZoomOut:
            view.ZoomBy(0.8);
            break;
        case kSiteFit:
            view.Fit();
            break;
        default:
            break;
    }
}

LRESULT SiteSurveyWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            if (lp == 0 && LOWORD(wp) >= kSiteNew && LOWORD(wp) <= kSiteLast) {
                OnMenu(LOWORD(wp));
                return 0;
            }
            break;
        case WM_HSCROLL:
            if (reinterpret_cast<HWND>(lp) == opacity_bar.hwnd() && opacity_bar.onChange) {
                opacity_bar.onChange();
                return 0;
            }
            break;
        case kSiteSurveyFitMessage:
            TakeFit();
            return 0;
        default:
            break;
    }
    return SideWindow::OnMessage(msg, wp, lp);
}

// Hidden, not destroyed: the survey stays open with the program.
void SiteSurveyWindow::Closing() {
    SaveSettings();
    capture_.Cancel();
}

}  // namespace sitesurvey
