#include "shell/main_dlg.h"

#include "common/paths.h"
#include "common/product.h"
#include "common/system_info.h"
#include "common/text.h"
#include "common/uid.h"
#include "common/user_text.h"
#include "common/win32/clipboard.h"
#include "common/win32/files.h"
#include "common/win32/installed_programs.h"
#include "common/win32/private_messages.h"
#include "common/win32/profile_file.h"
#include "common/win32/registry.h"
#include "common/win32/replace_file.h"
#include "common/win32/settings.h"
#include "common/win32/shell.h"
#include "common/win32/system_info_win.h"
#include "common/win32/wide.h"
#include "net/maker_server.h"
#include "net/url.h"
#include "net/win32/file_grabber.h"
#include "net/win32/http_custo.h"
#include "shell/about_dlg.h"
#include "shell/auto_update_dlg.h"
#include "shell/main_dlg_layout.h"
#include "shell/settings_dlg.h"
#include "shell/update_dlg.h"
#include "survey/survey_views.h"
#include "update/update_check.h"
#include "update/win32/rensel_lite.h"
#include "update/win32/run_folder.h"
#include "views/adapter_stats_dlg.h"
#include "views/ap_more_dlg.h"
#include "views/channels_dlg.h"
#include "views/net_more_dlg.h"
#include "wireless/information_elements.h"
#include "wireless/list_image.h"

#include <commdlg.h>
#include <shellapi.h>
#include <windowsx.h>

#include <unordered_map>

namespace {

// The pictures of the list images, in ListImage order.
constexpr Glyph kListGlyphs[] = {Glyph::GreenShield, Glyph::OrangeShield, Glyph::RedShield, Glyph::Signal3,
                                 Glyph::Signal2,     Glyph::Signal1,      Glyph::RadioTower, Glyph::NetworkCard,
                                 Glyph::SignalWaves, Glyph::RedCross};
static_assert(std::size(kListGlyphs) == kListImageCount);
static_assert(kListGlyphs[ImageIndex(ListImage::Adapter)] == Glyph::NetworkCard);
static_assert(kListGlyphs[ImageIndex(ListImage::Network)] == Glyph::SignalWaves);
static_assert(kListGlyphs[ImageIndex(ListImage::AccessPoint)] == Glyph::RadioTower);

// The maker's pages opened from the menu, over HTTPS.
constexpr char kChangeLogPage[] = "/bugs/changelog_page.php?project_id=22";
constexpr char kBugTrackerPage[] = "/bugs/view_all_bug_page.php?project_id=22";
constexpr char kDriversPage[] = "/rensel/drivers.php";
constexpr char kDefaultHintPage[] = "/forum/";
constexpr char kTagline[] = "Wireless networks, access points and their signal, second by second";

// A list view as the detail commands see it: the selection and the row data.
class ListSelection : public SelectableList {
public:
    explicit ListSelection(ListView& list) : list_(list) {}
    int RowCount() const override { return list_.RowCount(); }
    int SelectedRow() const override { return list_.SelectedRow(); }
    void SelectRow(int row) override { list_.SelectRow(row); }
    intptr_t RowData(int row) const override { return list_.RowData(row); }

private:
    ListView& list_;
};

// The list's selection as the views move it from pass to pass.
class ListRowSelection : public RowSelection {
public:
    explicit ListRowSelection(ListView& list) : list_(list) {}
    std::vector<int> SelectedRows() const override { return list_.SelectedRows(); }
    void SelectRows(const std::vector<int>& rows) override { list_.SelectRows(rows); }

private:
    ListView& list_;
};

// Settings that keep each list's sort column and direction.
constexpr char kSortAdapters[] = "sort_adapters";
constexpr char kSortNetworks[] = "sort_networks";
constexpr char kSortAps[] = "sort_aps";
// Line n of the chart has its colour square after the fixed pictures.
constexpr int kFirstColourSquare = kListImageCount;
constexpr int kMacColumn = 0, kSsidColumn = 0;

// A setting that a registry refuses to read is no sort at all.
std::string SafeReadSetting(const char* name) {
    try {
        return ReadSetting(name);
    } catch (const std::exception&) {
        return "";
    }
}

std::string UtcTimestamp() {
    SYSTEMTIME t;
    GetSystemTime(&t);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond);
    return text;
}

// The standard file dialogs' record: the name goes in and comes back in buffer.
template <size_t N>
OPENFILENAMEW FileDialog(HWND owner, wchar_t (&buffer)[N], const wchar_t* filter, const wchar_t* title,
                         const wchar_t* extension, DWORD flags) {
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer;
    ofn.nMaxFile = static_cast<DWORD>(N);
    ofn.lpstrTitle = title;
    ofn.lpstrDefExt = extension;
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | flags;
    return ofn;
}

// The standard save dialog; the file type box picks the format.
bool AskExportFile(HWND owner, std::string& fileName, ExportFormat& format) {
    std::wstring initial = Widen(std::string(kProductName) + " survey");
    wchar_t buffer[MAX_PATH * 4] = {};
    initial.copy(buffer, std::size(buffer) - 1);
    OPENFILENAMEW ofn = FileDialog(owner, buffer, L"CSV, comma-separated (*.csv)\0*.csv\0JSON (*.json)\0*.json\0",
                                   L"Export", L"csv", OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST);
    if (!GetSaveFileNameW(&ofn)) return false;
    format = ofn.nFilterIndex == 2 ? ExportFormat::Json : ExportFormat::Csv;
    fileName = Narrow(buffer);
    // The default extension follows the first type; make the name match the chosen one.
    const std::string wanted = format == ExportFormat::Json ? ".json" : ".csv";
    const std::string other = format == ExportFormat::Json ? ".csv" : ".json";
    if (TextEndsWith(fileName, other) && ofn.nFileExtension && !TextEndsWith(fileName, wanted))
        fileName = fileName.substr(0, fileName.size() - other.size()) + wanted;
    return true;
}

// The standard save or open dialog for a recording (a scenario file, .json).
bool AskRecordingFile(HWND owner, bool save, std::string& fileName) {
    wchar_t buffer[MAX_PATH * 4] = {};
    if (save) Widen(std::string(kProductName) + " recording").copy(buffer, std::size(buffer) - 1);
    OPENFILENAMEW ofn = FileDialog(owner, buffer, L"Recording (*.json)\0*.json\0All files (*.*)\0*.*\0",
                                   save ? L"Record" : L"Open Recording", L"json",
                                   save ? OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST : OFN_FILEMUSTEXIST);
    if (!(save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn))) return false;
    fileName = Narrow(buffer);
    return true;
}

// The chart line of a network name, compared ignoring case as the chart does.
size_t LineOfNetwork(const TStripChart& chart, const std::string& name) {
    for (size_t line = 0; line < chart.LineCount(); ++line)
        if (SameText(chart.Line(line).Name, name)) return line;
    return TStripChart::kNoLine;
}

Picture SquareOf(const TColourSquare& square, int size) {
    const uint8_t* bgr = square.bytes.data();
    return Picture(size, size, MakeArgb(255, bgr[2], bgr[1], bgr[0]));
}

}  // namespace

TMainDlg::TMainDlg(MainDlgSetup setup)
    : setup_(std::move(setup)),
      source_(*setup_.api, files_),
      scan_(source_.Api()),
      adapterRows_(AdapterColumns()),
      networkRows_(NetworkColumns()),
      apRows_(AccessPointColumns()),
      networkChart_(scope.chart()),
      scanChart_(scope.chart(), networkChart_) {
    scanChart_.onPassStarted = [this] { AddColourSquares(); };
    using namespace main_layout;
    CreateFrame(kProductName, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, nullptr, kClientWidth, kClientHeight,
                CreateMainMenu());
    SetMinimumWindowSize(kMinWidth, kMinHeight);
    SetWindowPos(hwnd_, nullptr, Scale(234), Scale(267), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    accelerators_ = CreateMainAccelerators();
    CreateControls();
    FormCreate();
    CreateViews();
    DragAcceptFiles(hwnd_, TRUE);  // a recording dropped on the window is replayed
    EnableMenuItem(GetMenu(hwnd_), kCmdLive, MF_BYCOMMAND | MF_GRAYED);
}

TMainDlg::~TMainDlg() {
    // Destroy while still a TMainDlg, so that FormDestroy runs.
    if (hwnd_) DestroyWindow(hwnd_);
}

void TMainDlg::CreateControls() {
    using namespace main_layout;
    top_pnl.Create(*this, {.color = GetSysColor(COLOR_WINDOWFRAME), .rect = kTopPanel, .anchors = AnchorLeft | AnchorTop | AnchorRight});
    Image1.Create(*this, {.rect = kIcon});
    Image1.SetIcon(DrawProgramIcon, 32);
    Label2.Create(*this, {.text = kProductName, .rect = kProductLabel});
    Label2.SetBold(true);
    Label2.SetColors(RGB(192, 192, 192), top_pnl.Brush());
    subtitle_lbl.Create(*this, {.text = kTagline, .rect = kSubtitle, .word_wrap = true});
    subtitle_lbl.SetColors(RGB(255, 255, 255), top_pnl.Brush());
    // The band lies under its picture and labels.
    SetWindowPos(top_pnl.hwnd(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    struct GlyphButton { Button& button; const char* caption; DesignRect rect; Glyph glyph; };
    GlyphButton buttons[] = {
        {more_adapt_btn, "More details", kMoreAdapter, Glyph::NetworkCard},
        {more_net_btn, "More details", kMoreNetwork, Glyph::SignalWaves},
        {more_ap_btn, "More details", kMoreAp, Glyph::RadioTower},
        {drivers_btn, "Drivers Update", kDrivers, Glyph::NetworkCard},
    };
    for (auto& b : buttons) {
        b.button.Create(*this, {.caption = b.caption, .rect = b.rect});
        b.button.SetGlyph(b.glyph, 32);
    }
    more_adapt_btn.onClick = [this] { more_adapt_btnClick(); };
    more_net_btn.onClick = [this] { more_net_btnClick(); };
    more_ap_btn.onClick = [this] { more_ap_btnClick(); };
    drivers_btn.onClick = [this] { drivers_btnClick(); };

    scope.Create(*this, {.rect = kScope, .anchors = AnchorLeft | AnchorTop | AnchorRight});
    TStripChart& chart = scope.chart();
    chart.SetColor(RgbColour(0, 0, 0));
    chart.SetGridColor(RgbColour(0, 0, 0));
    chart.SetBaseColor(RgbColour(0, 0, 0));
    chart.SetBaseLine(0);
    chart.SetGridSize(10);
    chart.SetUpdateTimeSteps(2);
    chart.SetInterval(50);

    colors.Create(*this, 16);
    for (Glyph g : kListGlyphs) colors.Add([g](int size) { return DrawGlyph(g, size); });

    adapt_lst.Create(*this, {.rect = kAdapters});
    adapt_lst.AddColumn("Adapter Name", 200);
    adapt_lst.AddColumn("State", 90);
    adapt_lst.AddColumn("802.11 Capacity", 100);
    net_lst.Create(*this, {.rect = kNetworks, .anchors = AnchorLeft | AnchorTop | AnchorBottom});
    for (const char* c : {"Network Name (SSID)", "Signal Quality", "Authentication", "Cipher"}) net_lst.AddColumn(c, 200);
    net_lst.ShareRemainingWidth(200);
    ap_lst.Create(*this, {.rect = kAccessPoints, .anchors = AnchorLeft | AnchorTop | AnchorBottom});
    for (const char* c : {"AP Name / MAC", "SSID", "Channel", "RSSi"}) ap_lst.AddColumn(c, 200);
    ap_lst.ShareRemainingWidth(200);
    // What the information elements and the address tell, after the list's own four columns.
    ap_lst.AddColumn("Vendor", 200);
    ap_lst.AddColumn("Standard", 70);
    ap_lst.AddColumn("Width", 70);
    for (ListView* list : {&adapt_lst, &net_lst, &ap_lst}) list->SetImageList(&colors);
    // Tab order: each list, then its details button.
    const HWND tabOrder[] = {adapt_lst.hwnd(), more_adapt_btn.hwnd(), net_lst.hwnd(), more_net_btn.hwnd(),
                             ap_lst.hwnd(),    more_ap_btn.hwnd(),    drivers_btn.hwnd()};
    for (size_t i = 1; i < std::size(tabOrder); ++i)
        SetWindowPos(tabOrder[i], tabOrder[i - 1], 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // The three buttons share a caption: screen readers and tooltips tell them apart.
    for (auto [button, name] : {std::pair<Button*, const char*>{&more_adapt_btn, "Adapter details"},
                                {&more_net_btn, "Network details"},
                                {&more_ap_btn, "Access point details"}})
        NameControl(*this, button->hwnd(), name);
    adapt_lst.onDoubleClick = [this] { more_adapt_btnClick(); };
    net_lst.onDoubleClick = [this] { more_net_btnClick(); };
    ap_lst.onDoubleClick = [this] { more_ap_btnClick(); };

    filter_edt.Create(*this, {.cue = "Filter", .rect = kFilter, .anchors = AnchorTop | AnchorRight});
    filter_edt.onChange = [this] { FilterChanged(); };
    filter_lbl.Create(*this, {.rect = kFilterStatus, .anchors = AnchorTop | AnchorRight, .word_wrap = true});
    filter_lbl.SetColors(RGB(255, 255, 255), top_pnl.Brush());
    SetWindowPos(top_pnl.hwnd(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    location_pnl.Create(*this, kLocationNotice);
    location_pnl.link.onClick = [this] { location_lnkClick(); };

    scantmr.Attach(*this, 1000);
    scantmr.onTick = [this] { scantmrTimer(); };
}

std::string TMainDlg::ProgramFolder() const { return FileFolder(setup_.exeName); }

bool TMainDlg::IsPortable() const { return !IsProductInstalled(kInstalledProductPrefix); }

std::string TMainDlg::HintFileName() const {
    return DataFolder(setup_.exeName, kProductName) + "vellumar.ini";
}

void TMainDlg::FormCreate() {
    if (!IsPortable()) return;
    try {
        ImportSettingsFromIni(kProductName, ProgramFolder() + std::string(kSettingsFileName));
    } catch (const std::exception& e) {
        // A registry that refuses a value: say so, and start with what was imported.
        ShowMessage(e.what());
    }
}

void TMainDlg::InitUID() {
    if (!ReadSetting("uid").empty()) return;
    WriteSetting("uid", MakeUserIdentifier(LocalTimeNow()));
}

void TMainDlg::WriteLogHeader(bool debug) {
    TRunLog* l = log_.get();
    LogAdd(l, "Starting", 1);
    if (debug) LogAdd(l, "Debug mode", 0);
    LogAdd(l, setup_.exeName, 1);
    LogAdd(l, Text(), 1);
    LogAdd(l, "Windows : " + WindowsVersionText(), 1);
    LogAdd(l, "64Bits : " + YesNo(IsWindows64()), 1);
    LogAdd(l, "Administrator : " + YesNo(RunsAsAdministrator()), 1);
    LogAdd(l, "Portable : " + YesNo(IsPortable()), 1);
    if (!setup_.arguments.empty()) LogAdd(l, setup_.arguments.front(), 1);
    LogAdd(l, "UID : " + ReadSetting("uid"), 0);
    LogAdd(l, OpenSslLogLine(), 0);
}

void TMainDlg::AppEvtActivate() {
    if (activated_) return;  // the start-up sequence runs once per process
    activated_ = true;

    RegisterProgramPath(kProductName, setup_.exeName);
    baseCaption_ = std::string(kProductName) + " v" + FileVersionText(setup_.exeName);
    SetText(baseCaption_);
    InvalidateRect(top_pnl.hwnd(), nullptr, TRUE);

    InitUID();
    const bool debug = ReadSetting("debug_mode") == "1";
    log_ = std::make_unique<TRunLog>(DataFolder(setup_.exeName, kProductName) + kProductName + ".log",
                                     debug, 10000, false);
    log_->SetFileOpener([](const std::string& file) { ShellOpenDocument(file, "", ""); });
    networkChart_.SetLog(log_.get());
    WriteLogHeader(debug);

    // The installer of an earlier update has finished by now; one still running keeps its folder.
    RemoveStaleRunFolders(DataFolder(setup_.exeName, kProductName));
    // The hint file arrives in the background; only a later start reads it.
    hintGrabber = std::make_unique<TFileGrabber>(log_.get());
    StartHintDownload(*hintGrabber, DataFolder(setup_.exeName, kProductName));

    if (const std::string replay = ReplayArgument(setup_.arguments); !replay.empty()) {
        std::string problem;
        if (auto scenario = SurveySource::Load(replay, problem)) {
            source_.UseReplay(replay, std::move(scenario));
            LogAdd(log_.get(), "Replaying " + replay, TRunLog::kInfo);
            UpdateCaption();
        } else {
            LogAdd(log_.get(), problem, TRunLog::kError);
            ShowMessage(problem);
        }
    }
    if (StartSurvey()) StartSilentUpdateCheck();
}

bool TMainDlg::StartSurvey() {
    uint32_t negotiated = 0;
    const uint32_t result = scan_.client.Open(&negotiated);
    if (result != 0) {
        const std::string text = ErrorText("WlanOpenHandle", result, CodeSign::Signed);
        LogAdd(log_.get(), text, 2);
        if (result == wlan::kErrorServiceNotActive) {
            std::string page = LookupErrorHint("1062", MakerAddress("https", kDefaultHintPage));
            // Only a plain web address reaches the shell: the hint file comes from the network.
            if (!IsShellSafeWebAddress(page)) page = MakerAddress("https", kDefaultHintPage);
            ShellOpenFromWindow(hwnd_, "", page, "", "", SW_SHOWNORMAL);
        } else {
            ShowMessage(text);
        }
        return false;
    }
    started_ = true;
    scan_.knownAPs.emplace();
    scan_.requests.SetInterval(StoredScanInterval());
    scan_.requests.onAccessDenied = [this] { ReportAccessDenied(); };
    ListenForScanNotifications();
    scan_.scanIdle = true;
    scantmr.SetEnabled(true);
    return true;
}

void TMainDlg::RestartSurvey(const std::function<void()>& switchService) {
    scantmr.SetEnabled(false);
    if (started_) scan_.api.WlanRegisterNotification(scan_.client.get(), wlan::kNotificationSourceNone, nullptr);
    // Every buffer goes back to the service that gave it before another takes its place.
    scan_.interfaceList.reset();
    scan_.bssList.reset();
    scan_.client.Close();
    scanNotifications_.TakeAll();
    started_ = false;
    switchService();
    for (ListViewModel* rows : {&adapterRows_, &networkRows_, &apRows_}) rows->Clear();
    scope.chart().ClearLines();
    colors.SetCount(kFirstColourSquare);
    scan_.requests = ScanRequests();
    ShowLocationNotice(false);
    PresentLists();
    StartSurvey();
    UpdateCaption();
}

void TMainDlg::Replay(const std::string& fileName) {
    std::string problem;
    auto scenario = SurveySource::Load(fileName, problem);
    if (!scenario) {
        LogAdd(log_.get(), problem, TRunLog::kError);
        ShowMessage(problem);
        return;
    }
    LogAdd(log_.get(), "Replaying " + fileName, TRunLog::kInfo);
    RestartSurvey([&] { source_.UseReplay(fileName, std::move(scenario)); });
}

void TMainDlg::OpenRecording1Click() {
    std::string fileName;
    if (chooseReplayFile && chooseReplayFile(fileName)) Replay(fileName);
}

void TMainDlg::Live1Click() {
    if (!source_.Replaying()) return;
    LogAdd(log_.get(), "Live survey", TRunLog::kInfo);
    RestartSurvey([this] { source_.UseLive(); });
}

void TMainDlg::Record1Click() {
    if (source_.Recording()) {
        StopRecording();
        return;
    }
    std::string fileName, error;
    if (!chooseRecordingFile || !chooseRecordingFile(fileName)) return;
    if (!source_.StartRecording(fileName, MonotonicMilliseconds(), error)) {
        const std::string text = "Could not record to " + fileName + ":\n" + error;
        LogAdd(log_.get(), text, TRunLog::kError);
        ShowMessage(text);
        return;
    }
    saveFailureShown_ = false;
    LogAdd(log_.get(), "Recording to " + fileName, TRunLog::kInfo);
    ModifyMenuW(GetMenu(hwnd_), kCmdRecord, MF_BYCOMMAND | MF_STRING, kCmdRecord, kStopRecordingCaption);
    UpdateCaption();
}

void TMainDlg::StopRecording() {
    if (!source_.Recording()) return;
    const std::string fileName = source_.RecordingFile();
    const uint64_t passes = source_.RecordedPasses();
    std::string error;
    if (source_.StopRecording(MonotonicMilliseconds(), error)) {
        LogAdd(log_.get(), "Recorded " + std::to_string(passes) + " passes to " + fileName, TRunLog::kInfo);
    } else {
        const std::string text = "Could not record to " + fileName + ":\n" + error;
        LogAdd(log_.get(), text, TRunLog::kError);
        if (!closed_) ShowMessage(text);
    }
    if (hwnd_) ModifyMenuW(GetMenu(hwnd_), kCmdRecord, MF_BYCOMMAND | MF_STRING, kCmdRecord, kRecordCaption);
    UpdateCaption();
}

void TMainDlg::UpdateCaption() {
    if (hwnd_ && !baseCaption_.empty()) SetText(source_.Caption(baseCaption_));
    if (hwnd_) EnableMenuItem(GetMenu(hwnd_), kCmdLive, MF_BYCOMMAND | (source_.Replaying() ? MF_ENABLED : MF_GRAYED));
}

void TMainDlg::ListenForScanNotifications() {
    // The handler runs on a thread of the service: it only queues and wakes this window.
    const HWND window = hwnd_;
    NotificationQueue* queue = &scanNotifications_;
    const uint32_t rc = scan_.api.WlanRegisterNotification(
        scan_.client.get(), wlan::kNotificationSourceAcm, [window, queue](const wlan::WlanNotification& notification) {
            if (notification.code != wlan::kAcmScanComplete && notification.code != wlan::kAcmScanFail) return;
            queue->Push(notification);
            PostMessageW(window, kScanNotificationMessage, 0, 0);
        });
    // Without notifications the interval alone paces the requests.
    if (rc != 0) LogAdd(log_.get(), "WlanRegisterNotification failed (" + std::to_string(rc) + ")", TRunLog::kVerbose);
}

void TMainDlg::TakeScanNotifications() {
    for (const wlan::WlanNotification& notification : scanNotifications_.TakeAll())
        scan_.requests.Notified(notification, log_.get());
}

std::string TMainDlg::LookupErrorHint(const std::string& key, const std::string& fallback) const {
    std::string value = ReadProfileString(HintFileName(), "errors", key, "");
    return value.size() >= 2 ? value : fallback;
}

void TMainDlg::scantmrTimer() {
    // A tick inside a pass's message box finds the rows half written: they wait for the pass.
    if (!scan_.scanIdle) return;
    // The pass before is complete now: the time to write the recording.
    std::string error;
    if (!source_.SaveIfDue(MonotonicMilliseconds(), error)) {
        const std::string text = "Could not record to " + source_.RecordingFile() + ":\n" + error;
        LogAdd(log_.get(), text, TRunLog::kError);
        if (!std::exchange(saveFailureShown_, true)) ShowMessage(text);  // once; the next write may succeed
    }
    const bool ended = source_.ReplayEnded();
    ScanLists lists{adapterRows_, networkRows_, apRows_};
    const auto result = ScanTimerTick(scan_, lists, scanChart_, *this, log_.get());
    PresentLists();
    if (result && *result == 0 && dialogs_.channels) dialogs_.channels->PassCompleted(ChannelAccessPointsOfLastPass());
    if (result) OnScanPassEnded(*result);
    if (source_.ReplayEnded() && !ended) LogAdd(log_.get(), "Replay ended", TRunLog::kInfo);
    if (source_.Recording() || source_.Replaying()) UpdateCaption();
}

std::vector<ChannelAp> TMainDlg::ChannelAccessPointsOfLastPass() {
    const TStripChart& chart = scope.chart();
    return ChannelAccessPoints(scan_.bssList.get(), [&chart](const std::string& name) -> std::optional<Colour> {
        const size_t line = LineOfNetwork(chart, name);
        if (line == TStripChart::kNoLine) return std::nullopt;
        return chart.Line(line).Color;
    });
}

void TMainDlg::Channels1Click() {
    if (dialogs_.channels) dialogs_.channels->ShowChannels(ChannelAccessPointsOfLastPass());
}

void TMainDlg::OnScanPassEnded(uint32_t result) {
    if (result == wlan::kErrorAccessDenied) ReportAccessDenied();
    // A completed pass whose scan request was refused still needs the notice.
    if (result == 0 && !scan_.requests.AccessDenied()) ShowLocationNotice(false);
}

void TMainDlg::ReportAccessDenied() { ShowLocationNotice(true); }

void TMainDlg::ShowLocationNotice(bool visible) {
    if (!hwnd_ || location_pnl.Visible() == visible) return;
    using namespace main_layout;
    const int shift = visible ? kNoticeShift : 0;
    for (auto [list, rect] : {std::pair{&net_lst, kNetworks}, std::pair{&ap_lst, kAccessPoints}})
        MoveControl(list, {rect.left, rect.top + shift, rect.width, rect.height - shift});
    location_pnl.SetVisible(visible);
}

void TMainDlg::location_lnkClick() {
    ShellOpenFromWindow(hwnd_, "", LocationNotice::kSettingsPage, "", "", SW_SHOWNORMAL);
}

void TMainDlg::AddColourSquares() {
    TStripChart& chart = scope.chart();
    for (size_t line : LinesNeedingSquares(chart.LineCount(), static_cast<size_t>(colors.Count()), kFirstColourSquare))
        colors.Add([square = GetBitmap(chart.Line(line).Color)](int size) { return SquareOf(square, size); });
}

void TMainDlg::CreateViews() {
    networkRows_.SetIdentity(NetworkIdentity);
    apRows_.SetIdentity(AccessPointIdentity);
    networkRows_.SetFilter([this](const ReportRow& row) {
        return filter_.Empty() || filter_.Matches(NetworkRowFacts(row, facts_));
    });
    const int vendorColumn = ColumnOf(apRows_.Columns(), "Vendor");
    apRows_.SetFilter([this, vendorColumn](const ReportRow& row) {
        return filter_.Empty() || filter_.Matches(AccessPointRowFacts(row, facts_, vendorColumn));
    });
    // A network row shows its chart line's colour in place of the signal waves.
    networkRows_.SetDecoration([this](ReportRow& row) {
        const size_t line = LineOfNetwork(scope.chart(), row.caption);
        if (line == TStripChart::kNoLine) return;
        const int image = kFirstColourSquare + static_cast<int>(line);
        if (image < colors.Count()) row.image = image;
    });
    net_lst.onSelectionChanged = [this] { HighlightSelectedNetwork(); };

    struct Sorted { ListViewModel& rows; ListView& list; const char* setting; };
    for (Sorted s : {Sorted{adapterRows_, adapt_lst, kSortAdapters}, Sorted{networkRows_, net_lst, kSortNetworks},
                     Sorted{apRows_, ap_lst, kSortAps}}) {
        s.rows.SetSort(ParseSortSetting(SafeReadSetting(s.setting), static_cast<int>(s.rows.Columns().size())));
        const SortOrder order = s.rows.Sort();
        s.list.SetSortArrow(order.column, order.descending ? -1 : 1);
        s.list.onColumnClick = [this, s](int column) { SortList(s.rows, s.list, s.setting, column); };
    }
    chooseExportFile = [this](std::string& fileName, ExportFormat& format) {
        return AskExportFile(hwnd_, fileName, format);
    };
    chooseRecordingFile = [this](std::string& fileName) { return AskRecordingFile(hwnd_, true, fileName); };
    chooseReplayFile = [this](std::string& fileName) { return AskRecordingFile(hwnd_, false, fileName); };
    PresentLists();
}

void TMainDlg::HighlightSelectedNetwork() {
    const ReportRow* selected = networkRows_.ShownRow(net_lst.SelectedRow());
    scope.chart().SetHighlightedLine(selected ? LineOfNetwork(scope.chart(), selected->caption)
                                              : TStripChart::kNoLine);
}

void TMainDlg::PresentList(ListViewModel& rows, ListView& list) {
    const ListView::Batch batch(list);  // the pass's changes painted once, at its end
    ListRowSelection selection(list);
    rows.Present(list, &selection);
}

void TMainDlg::PresentLists() {
    AddColourSquares();  // lines that this pass added
    facts_.Collect(networkRows_.Rows(), apRows_.Rows());
    PresentList(adapterRows_, adapt_lst);
    PresentList(networkRows_, net_lst);
    PresentList(apRows_, ap_lst);
    HighlightSelectedNetwork();
    filter_lbl.SetText(FilterStatusText(networkRows_.ShownCount(), networkRows_.TotalCount()) + " networks\n" +
                       FilterStatusText(apRows_.ShownCount(), apRows_.TotalCount()) + " access points");
}

void TMainDlg::SortList(ListViewModel& rows, ListView& list, const char* setting, int column) {
    const SortOrder order = NextSortOrder(rows.Sort(), column);
    rows.SetSort(order);
    list.SetSortArrow(order.column, order.descending ? -1 : 1);
    try {
        WriteSetting(setting, SortSettingText(order));
    } catch (const std::exception& e) {
        LogAdd(log_.get(), e.what(), TRunLog::kError);
    }
    PresentList(rows, list);
}

void TMainDlg::FilterChanged() {
    filter_ = RowFilter(filter_edt.Text());
    PresentLists();
}

std::string TMainDlg::SelectedRowsText(ListView& list) {
    ListViewModel& rows = &list == &adapt_lst ? adapterRows_ : &list == &net_lst ? networkRows_ : apRows_;
    std::vector<std::vector<std::string>> cells;
    for (int row : list.SelectedRows())
        if (const ReportRow* shown = rows.ShownRow(row)) cells.push_back(rows.Cells(*shown));
    if (cells.empty()) return "";
    std::vector<std::string> headers;
    for (const ListColumn& column : rows.Columns()) headers.push_back(column.caption);
    return TabSeparatedText(headers, cells);
}

void TMainDlg::CopySelection() {
    const HWND focus = GetFocus();
    if (focus == filter_edt.hwnd()) {
        SendMessageW(focus, WM_COPY, 0, 0);
        return;
    }
    for (ListView* list : {&adapt_lst, &net_lst, &ap_lst}) {
        if (focus != list->hwnd()) continue;
        const std::string text = SelectedRowsText(*list);
        if (!text.empty()) SetClipboardText(hwnd_, text);
    }
}

void TMainDlg::CopyColumn(ListView& list, int column) {
    std::string text;
    for (int row : list.SelectedRows()) text += list.Cell(row, column) + "\r\n";
    if (!text.empty()) SetClipboardText(hwnd_, text);
}

void TMainDlg::ShowListMenu(ListView& list, LPARAM at) {
    if (list.SelectedRows().empty()) return;
    POINT point{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    if (at == -1) {  // the keyboard's menu key: beside the first selected row
        RECT row{};
        ListView_GetItemRect(list.hwnd(), list.SelectedRows().front(), &row, LVIR_LABEL);
        point = {row.left, row.bottom};
        ClientToScreen(list.hwnd(), &point);
    }
    const UniqueMenu menu(CreatePopupMenu());
    AppendMenuW(menu.get(), MF_STRING, kCmdCopy, L"Copy\tCtrl+C");
    if (&list == &ap_lst) AppendMenuW(menu.get(), MF_STRING, kCmdCopyMac, L"Copy MAC");
    if (&list == &net_lst) AppendMenuW(menu.get(), MF_STRING, kCmdCopySsid, L"Copy SSID");
    const UINT command = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, point.x, point.y,
                                        0, hwnd_, nullptr);
    if (command == kCmdCopy) {
        const std::string text = SelectedRowsText(list);
        if (!text.empty()) SetClipboardText(hwnd_, text);
    } else if (command == kCmdCopyMac) {
        CopyColumn(list, kMacColumn);
    } else if (command == kCmdCopySsid) {
        CopyColumn(list, kSsidColumn);
    }
}

ExportDocument TMainDlg::SurveyDocument() const {
    ExportDocument document{UtcTimestamp(), kProductName, FileVersionText(setup_.exeName), {}};
    document.tables.push_back(TableOf(adapterRows_, "Adapter", "adapters"));
    document.tables.push_back(TableOf(networkRows_, "Network", "networks"));
    ExportTable aps = TableOf(apRows_, "Access point", "access_points");
    // The decoded detail of each access point, from the BSS list its row data points into.
    const auto entries = BssEntries(scan_.bssList.get());
    for (size_t row : apRows_.SortedOrder()) {
        const intptr_t data = apRows_.Rows()[row].data;
        aps.detail.push_back(data >= 0 && static_cast<size_t>(data) < entries.size()
                                 ? AccessPointDetailRows(entries[static_cast<size_t>(data)],
                                                         BssEntryElementBytes(scan_.bssList.get(),
                                                                              static_cast<size_t>(data)))
                                 : DetailPairs{});
    }
    document.tables.push_back(std::move(aps));
    return document;
}

bool TMainDlg::ExportTo(const std::string& fileName, ExportFormat format) {
    const FileWriteResult written = WriteFileReplacing(fileName, ExportText(SurveyDocument(), format));
    if (!written.ok) {
        ReportError(log_.get(), *this, "Could not export to " + fileName + ":\n" + written.error);
        return false;
    }
    LogAdd(log_.get(), "Exported to " + fileName, TRunLog::kInfo);
    return true;
}

void TMainDlg::Export1Click() {
    std::string fileName;
    ExportFormat format = ExportFormat::Csv;
    if (chooseExportFile && chooseExportFile(fileName, format)) ExportTo(fileName, format);
}

void TMainDlg::ShowMessage(const std::string& text) { ::ShowMessage(hwnd_, text); }

void TMainDlg::more_adapt_btnClick() {
    DetailContext context{scan_, *this, log_.get()};
    ListSelection adapters(adapt_lst);
    MoreAdapterCommand(context, adapters, *dialogs_.adapterStats);
}

void TMainDlg::more_net_btnClick() {
    DetailContext context{scan_, *this, log_.get()};
    ListSelection networks(net_lst);
    MoreNetworkCommand(context, networks, *dialogs_.netMore);
}

void TMainDlg::more_ap_btnClick() {
    DetailContext context{scan_, *this, log_.get()};
    ListSelection accessPoints(ap_lst);
    MoreAccessPointCommand(context, accessPoints, *dialogs_.apMore);
}

void TMainDlg::drivers_btnClick() {
    const std::string path = ReadProgramPath(kDriverUpdateTitle);
    if (FileHasContent(path))
        ShellOpenDocument(path, "", "");
    else
        ShellOpenDocument(MakerAddress("https", kDriversPage), "", "");
}

void TMainDlg::OpenPage(const std::string& path) {
    ShellOpenFromWindow(hwnd_, "", MakerAddress("https", path), "", "", SW_SHOWNORMAL);
}

void TMainDlg::Quit1Click() { PostMessageW(hwnd_, WM_CLOSE, 0, 0); }
void TMainDlg::Settings1Click() {
    dialogs_.settings->Execute();
    scan_.requests.SetInterval(StoredScanInterval());  // from the next pass on
}
void TMainDlg::About1Click() { dialogs_.about->Execute(); }
void TMainDlg::ChangeLog1Click() { OpenPage(kChangeLogPage); }
void TMainDlg::BugreportFeaturerequestKnownissues1Click() { OpenPage(kBugTrackerPage); }

void TMainDlg::OpenLog1Click() {
    if (log_) log_->OpenInViewer();
}

void TMainDlg::StartSilentUpdateCheck() {
    updateChecker = std::make_unique<TRenselLite>(log_.get(), kProductName);
    silentUpdateCheck = true;
    Checkforupdate1Click();
}

void TMainDlg::Checkforupdate1Click() {
    // After a failed start there is no checker yet: the user's request creates it.
    if (!updateChecker) updateChecker = std::make_unique<TRenselLite>(log_.get(), kProductName);
    if (updateChecker->Busy()) return;
    EnableMenuItem(GetMenu(hwnd_), kCmdCheckForUpdate, MF_BYCOMMAND | MF_GRAYED);
    LogAdd(log_.get(), "Self update check...", TRunLog::kInfo);
    updateChecker->Check(setup_.exeName, [this](TRenselLite&) { OnRenselLite(); });
}

void TMainDlg::OnRenselLite() {
    if (updateChecker->NewVersion()) {
        LogAdd(log_.get(), std::string("New version of ") + kProductName + " is detected", TRunLog::kInfo);
        ShowUpdateOffer();
    } else if (updateChecker->ValidAnswer()) {
        const std::string upToDate = std::string(kProductName) + " is already up to date.";
        LogAdd(log_.get(), upToDate, TRunLog::kInfo);
        if (!silentUpdateCheck) ShowMessage(upToDate);
    }
    // The offer may have ended the program: the window is then gone.
    if (hwnd_) EnableMenuItem(GetMenu(hwnd_), kCmdCheckForUpdate, MF_BYCOMMAND | MF_ENABLED);
    silentUpdateCheck = false;
}

void TMainDlg::ShowUpdateOffer() {
    TUpdateDlg& offer = *dialogs_.update;
    offer.ProductPageURL = MakerAddress("https", kProductPagePath);
    offer.InstallerURL = MakerAddress("https", kInstallerPath);
    offer.Log = log_.get();
    offer.auto_btn.Enable(IsProductInstalled(kInstalledProductPrefix));
    if (offer.Execute()) Quit1Click();
}

void TMainDlg::OnMenu(WORD command) {
    switch (command) {
        case kCmdQuit: Quit1Click(); break;
        case kCmdSettings: Settings1Click(); break;
        case kCmdOpenLog: OpenLog1Click(); break;
        case kCmdCheckForUpdate: Checkforupdate1Click(); break;
        case kCmdChangeLog: ChangeLog1Click(); break;
        case kCmdBugReport: BugreportFeaturerequestKnownissues1Click(); break;
        case kCmdAbout: About1Click(); break;
        case kCmdExport: Export1Click(); break;
        case kCmdRecord: Record1Click(); break;
        case kCmdOpenRecording: OpenRecording1Click(); break;
        case kCmdLive: Live1Click(); break;
        case kCmdChannels: Channels1Click(); break;
        case kCmdCopy: CopySelection(); break;
        case kCmdFocusFilter:
            SetFocus(filter_edt.hwnd());
            SendMessageW(filter_edt.hwnd(), EM_SETSEL, 0, -1);
            break;
        case kCmdClearFilter:
            if (!filter_edt.Text().empty()) filter_edt.SetText("");
            break;
        default: break;
    }
}

void TMainDlg::FormClose() {
    if (closed_) return;
    closed_ = true;
    scantmr.SetEnabled(false);
    StopRecording();
    LogAdd(log_.get(), "Closing wLan handles...", 1);
    if (dialogs_.channels) dialogs_.channels->SaveSettings();  // before a portable copy exports them
    if (started_) scan_.api.WlanRegisterNotification(scan_.client.get(), wlan::kNotificationSourceNone, nullptr);
    scan_.client.Close();

    const std::string mirror = CleanVirtualStore(ProgramFolder());
    if (!mirror.empty()) LogAdd(log_.get(), "Cleaning VirtualStore : " + mirror, 0);
    LogAdd(log_.get(), "Closing Vellumar...", 1);
    if (!IsPortable()) return;
    try {
        RemoveEmptyMakerFolder();
        if (ExportSettingsToIni(kProductName, ProgramFolder() + std::string(kSettingsFileName))) {
            DeleteProductKey(kProductName);
            UnregisterProgramPath(kProductName);
            DeleteMakerKeyIfEmpty();
        }
    } catch (const std::exception& e) {
        ShowMessage(e.what());
    }
}

void TMainDlg::FormDestroy() {
    scantmr.SetEnabled(false);
    scan_.knownAPs.reset();
    updateChecker.reset();
    hintGrabber.reset();
    networkChart_.SetLog(nullptr);
    log_.reset();  // last: saving the log is its final act
}

LRESULT TMainDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_ACTIVATEAPP:
            if (wp) PostMessageW(hwnd_, kActivationSettledMessage, 0, 0);  // after activation has settled
            break;
        case kActivationSettledMessage:
            AppEvtActivate();
            return 0;
        case kScanNotificationMessage:
            TakeScanNotifications();
            return 0;
        case WM_ENDSESSION:
            if (wp) StopRecording();  // Windows is ending: no WM_CLOSE comes
            break;
        case WM_DROPFILES: {
            const HDROP drop = reinterpret_cast<HDROP>(wp);
            std::wstring file(DragQueryFileW(drop, 0, nullptr, 0) + 1, L'\0');
            file.resize(DragQueryFileW(drop, 0, file.data(), static_cast<UINT>(file.size())));
            DragFinish(drop);
            if (!file.empty()) Replay(Narrow(file));
            return 0;
        }
        case WM_COMMAND:
            // Enter, from the dialog keyboard handling: for the focused control (a list opens its details).
            if (LOWORD(wp) == IDOK && HIWORD(wp) == 0) break;
            if (lp == 0) {  // menu item or shortcut
                OnMenu(LOWORD(wp));
                return 0;
            }
            break;
        case WM_CONTEXTMENU:
            for (ListView* list : {&adapt_lst, &net_lst, &ap_lst}) {
                if (reinterpret_cast<HWND>(wp) != list->hwnd()) continue;
                ShowListMenu(*list, lp);
                return 0;
            }
            break;
        case WM_SETCURSOR:
            if (location_pnl.SetLinkCursor(reinterpret_cast<HWND>(wp))) return TRUE;
            break;
        case WM_CLOSE:
            FormClose();
            DestroyWindow(hwnd_);
            return 0;
        case WM_DESTROY:
            FormDestroy();
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return Window::OnMessage(msg, wp, lp);
}
