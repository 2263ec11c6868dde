#include "shell/main_dlg.h"

#include "common/product.h"
#include "common/window_place.h"
#include "common/win32/files.h"
#include "common/win32/installed_programs.h"
#include "common/win32/private_messages.h"
#include "common/win32/settings.h"
#include "common/win32/shell.h"
#include "net/maker_server.h"
#include "net/url.h"
#include "net/win32/file_grabber.h"
#include "shell/about_dlg.h"
#include "shell/file_dialogs.h"
#include "shell/main_dlg_layout.h"
#include "shell/settings_dlg.h"
#include "shell/survey_lists.h"
#include "shell/update_dlg.h"
#include "update/update_check.h"
#include "update/win32/authenticode.h"
#include "update/win32/rensel_lite.h"
#include "update/win32/run_folder.h"
#include "views/adapter_stats_dlg.h"
#include "views/ap_more_dlg.h"
#include "sitesurvey/win32/site_survey_window.h"
#include "views/channels_dlg.h"
#include "views/history_dlg.h"
#include "views/link_dlg.h"
#include "views/locate_dlg.h"
#include "views/net_more_dlg.h"
#include "wireless/list_image.h"
#include "wireless/value_text.h"

#include <shellapi.h>

#include <algorithm>
#include <array>
#include <chrono>

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

}  // namespace

TMainDlg::TMainDlg(MainDlgSetup setup)
    : place_{std::move(setup.exeName), std::move(setup.arguments)}, session_(*setup.api, settings_, files_) {
    using namespace main_layout;
    CreateFrame({.caption = kProductName,
                 .client_width = kClientWidth,
                 .client_height = kClientHeight,
                 .menu = CreateMainMenu()});
    SetWindowPos(hwnd_, nullptr, Scale(234), Scale(267), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    accelerators_ = CreateMainAccelerators();
    CreateControls();
    FormCreate();
    CreateViews();
    // After the kept place is taken: a size kept at one DPI stays as the user left it at another.
    SetMinimumWindowSize(kMinWidth, kMinHeight);
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
    source_lbl.Create(*this, {.text = session_.Source().StatusText(), .rect = kSource});
    source_lbl.SetColors(RGB(255, 224, 128), top_pnl.Brush());
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

    scope.Create(*this, {.rect = kScope, .anchors = AnchorLeft | AnchorTop | AnchorRight}, session_.Chart());
    TStripChart& chart = scope.chart();
    chart.SetColor(RgbColour(0, 0, 0));
    chart.SetGridColor(RgbColour(0, 0, 0));
    chart.SetBaseColor(RgbColour(0, 0, 0));
    chart.SetBaseLine(0);
    chart.SetUpdateTimeSteps(2);
    chart.SetInterval(50);
    scope.SetGridSize(10);
    scope.onOpenPart = [this](size_t line) { OpenNetworkOfLine(line); };

    colors.Create(*this, 16);
    for (Glyph g : kListGlyphs) colors.Add([g](int size) { return DrawGlyph(g, size); });

    adapt_lst.Create(*this, {.rect = kAdapters});
    adapt_lst.AddColumn("Adapter Name", 200);
    adapt_lst.AddColumn("State", 90);
    adapt_lst.AddColumn("802.11 Capacity", 100);
    net_lst.Create(*this, {.rect = kNetworks, .anchors = AnchorLeft | AnchorTop | AnchorBottom});
    for (const char* c : {"Network Name (SSID)", "Signal Quality", "Authentication", "Cipher"}) net_lst.AddColumn(c, 200);
    net_lst.ShareRemainingWidth(200);
    ap_lst.Create(*this, {.rect = kAccessPoints, .anchors = AnchorLeft | AnchorTop | AnchorRight | AnchorBottom});
    for (const char* c : {"AP Name / MAC", "SSID", "Channel", "RSSi"}) ap_lst.AddColumn(c, 200);
    ap_lst.ShareRemainingWidth(200);
    // What the information elements and the address tell, after the list's own four columns.
    ap_lst.AddColumn("Vendor", 200);
    ap_lst.AddColumn("Standard", 70);
    ap_lst.AddColumn("Width", 70);
    for (ListView* list : {&adapt_lst, &net_lst, &ap_lst}) list->SetImageList(&colors);
    // Tab order: each list, then its details button; the chart's lines after the buttons.
    const HWND tabOrder[] = {adapt_lst.hwnd(), more_adapt_btn.hwnd(), net_lst.hwnd(), more_net_btn.hwnd(),
                             ap_lst.hwnd(),    more_ap_btn.hwnd(),    drivers_btn.hwnd(),  scope.hwnd()};
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
    status_bar.Create(*this, kStatusBar, AnchorLeft | AnchorRight | AnchorBottom);
    scope.marks = [this] { return session_.Link().RoamMarks(); };

    scantmr.Attach(*this, 1000);
    scantmr.onTick = [this] { scantmrTimer(); };
}

void TMainDlg::FormCreate() {
    try {
        ImportPortableSettings(place_);
    } catch (const std::exception& e) {
        // A registry that refuses a value: say so, and start with what was imported.
        ShowMessage(e.what());
    }
}

void TMainDlg::InitUID() { InitUserIdentifier(); }

void TMainDlg::AppEvtActivate() {
    if (activated_) return;  // the start-up sequence runs once per process
    activated_ = true;

    RegisterProgramPath(kProductName, place_.exeName);
    baseCaption_ = std::string(kProductName) + " v" + FileVersionText(place_.exeName);
    SetText(baseCaption_);
    InvalidateRect(top_pnl.hwnd(), nullptr, TRUE);

    InitUID();
    const bool debug = ReadSetting("debug_mode") == "1";
    log_ = std::make_unique<TRunLog>(
        RunLogOptions{.file_name = place_.DataFolder() + kProductName + ".log", .verbose = debug, .max_lines = 10000});
    log_->SetFileOpener([](const std::string& file) { ShellOpenDocument(file, "", ""); });
    session_.SetLog(log_.get());
    WriteLogHeader(log_.get(), place_, Text(), debug);

    // The installer of an earlier update has finished by now; one still running keeps its folder.
    RemoveStaleRunFolders(place_.DataFolder());
    // The hint file arrives in the background; only a later start reads it.
    hintGrabber = std::make_unique<TFileGrabber>(log_.get());
    StartHintDownload(*hintGrabber, place_.DataFolder());

    if (const std::string replay = ReplayArgument(place_.arguments); !replay.empty()) {
        std::string problem;
        if (session_.Replay(replay, problem))
            UpdateCaption();
        else
            ShowMessage(problem);
    }
    if (StartSurvey()) StartSilentUpdateCheck();
}

bool TMainDlg::StartSurvey() {
    const HWND window = hwnd_;
    if (session_.Start([window] { PostMessageW(window, kScanNotificationMessage, 0, 0); }) != 0) {
        ReportStartFailure(session_.StartResult());
        PresentLists();  // the lists say why they stay empty
        return false;
    }
    scantmr.SetEnabled(true);
    return true;
}

void TMainDlg::ReportStartFailure(uint32_t result) {
    if (result != wlan::kErrorServiceNotActive) {
        ShowMessage(StartFailureText(result));
        return;
    }
    std::string page = LookupErrorHint(place_, "1062", MakerAddress("https", kDefaultHintPage));
    // The hint file comes from the network: only an https page of the maker's reaches the shell.
    if (!IsMakerWebPage(page)) page = MakerAddress("https", kDefaultHintPage);
    OpenWebPage(hwnd_, page);
}

void TMainDlg::SurveyStartedOver() {
    lists_.StartOver();
    ShowLocationNotice(false);
    PresentLists();
    status_bar.Show(session_.Link());
    scantmr.SetEnabled(session_.Started());
    if (!session_.Started()) ReportStartFailure(session_.StartResult());
    UpdateCaption();
}

void TMainDlg::Replay(const std::string& fileName) {
    std::string problem;
    if (!session_.Replay(fileName, problem)) {
        ShowMessage(problem);
        return;
    }
    SurveyStartedOver();
}

void TMainDlg::OpenRecording1Click() {
    std::string fileName;
    if (ask.replayFile && ask.replayFile(fileName)) Replay(fileName);
}

void TMainDlg::Live1Click() {
    if (session_.Live()) SurveyStartedOver();
}

void TMainDlg::Record1Click() {
    if (session_.Source().Recording()) {
        StopRecording();
        return;
    }
    std::string fileName, message;
    if (!ask.recordingFile || !ask.recordingFile(fileName)) return;
    if (!session_.StartRecording(fileName, MonotonicMilliseconds(), message)) {
        ShowMessage(message);
        return;
    }
    ModifyMenuW(GetMenu(hwnd_), kCmdRecord, MF_BYCOMMAND | MF_STRING, kCmdRecord, kStopRecordingCaption);
    UpdateCaption();
}

void TMainDlg::StopRecording() {
    if (!session_.Source().Recording()) return;
    std::string message;
    if (!session_.StopRecording(MonotonicMilliseconds(), message) && !closed_) ShowMessage(message);
    if (hwnd_) ModifyMenuW(GetMenu(hwnd_), kCmdRecord, MF_BYCOMMAND | MF_STRING, kCmdRecord, kRecordCaption);
    UpdateCaption();
}

void TMainDlg::UpdateCaption() {
    if (hwnd_ && !baseCaption_.empty()) SetText(session_.Source().Caption(baseCaption_));
    if (hwnd_) source_lbl.SetText(session_.Source().StatusText());
    if (hwnd_)
        EnableMenuItem(GetMenu(hwnd_), kCmdLive,
                       MF_BYCOMMAND | (session_.Source().Replaying() ? MF_ENABLED : MF_GRAYED));
}

void TMainDlg::scantmrTimer() {
    // A tick inside the message box of the last one: the pass waits until it is read.
    if (showingTick_) return;
    const TickOutcome outcome = session_.Tick(MonotonicMilliseconds());
    if (!outcome.pass) return;
    showingTick_ = true;
    ShowTickOutcome(outcome);
    showingTick_ = false;
}

void TMainDlg::ShowTickOutcome(const TickOutcome& outcome) {
    for (const std::string& text : outcome.messages) ShowMessage(text);
    PresentLists();
    status_bar.Show(session_.Link());
    if (dialogs_.link) dialogs_.link->PassCompleted(session_.Link());
    if (dialogs_.history) dialogs_.history->PassCompleted(session_.Link());
    if (outcome.pass == 0u && ap_lst.RowCount() > 0) FitAddedColumns();
    if (outcome.pass == 0u && dialogs_.channels) dialogs_.channels->PassCompleted(session_.ChannelAccessPoints());
    if (outcome.locationBlocked) ShowLocationNotice(*outcome.locationBlocked);
    if (outcome.captionChanged) UpdateCaption();
}

void TMainDlg::Channels1Click() {
    if (!dialogs_.channels) return;
    dialogs_.channels->onOpenAccessPoint = [this](const std::string& bssid) { OpenAccessPoint(bssid); };
    dialogs_.channels->ShowChannels(session_.ChannelAccessPoints());
}

void TMainDlg::OpenNetworkOfLine(size_t line) {
    const ListViewModel& networks = session_.Rows(SurveyList::Networks);
    for (int row = 0; row < net_lst.RowCount(); ++row) {
        const ReportRow* shown = networks.ShownRow(row);
        if (!shown || shown->caption != scope.chart().Line(line).Name) continue;
        net_lst.SelectRow(row);
        return more_net_btnClick();
    }
}

void TMainDlg::OpenAccessPoint(const std::string& bssid) {
    const auto entries = BssEntries(session_.Scan().bssList.get());
    for (int row = 0; row < ap_lst.RowCount(); ++row) {
        const intptr_t index = ap_lst.RowData(row);
        if (index < 0 || static_cast<size_t>(index) >= entries.size() ||
            MacAddressText(entries[static_cast<size_t>(index)].dot11Bssid) != bssid)
            continue;
        ap_lst.SelectRow(row);
        return more_ap_btnClick();
    }
}

void TMainDlg::Locate1Click() {
    const auto entries = BssEntries(session_.Scan().bssList.get());
    const int row = ap_lst.SelectedRow();
    const intptr_t index = row >= 0 ? ap_lst.RowData(row) : -1;
    if (!dialogs_.locate) return;
    if (index < 0 || static_cast<size_t>(index) >= entries.size()) {
        ShowMessage("Please select an access point.");
        return;
    }
    std::array<uint8_t, 6> bssid{};
    std::copy(std::begin(entries[static_cast<size_t>(index)].dot11Bssid),
              std::end(entries[static_cast<size_t>(index)].dot11Bssid), bssid.begin());
    dialogs_.locate->LocateAccessPoint(session_, bssid);
}

void TMainDlg::SiteSurvey1Click() {
    if (dialogs_.siteSurvey) dialogs_.siteSurvey->ShowSurvey();
}

void TMainDlg::Link1Click() {
    if (dialogs_.link) dialogs_.link->ShowLink(session_.Link());
}

void TMainDlg::History1Click() {
    if (!dialogs_.history) return;
    // The access points selected in the list, each in its network's chart colour.
    const std::vector<ChannelAp> aps = session_.ChannelAccessPoints();
    std::vector<HistoryPick> picks;
    for (int row : ap_lst.SelectedRows()) {
        HistoryPick pick{ap_lst.Cell(row, 0), RgbColour(128, 128, 128)};
        for (const ChannelAp& ap : aps)
            if (ap.bssid == pick.bssid) pick.colour = ap.colour;
        picks.push_back(std::move(pick));
    }
    dialogs_.history->ShowHistory(session_.Link(), std::move(picks));
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
    OpenWebPage(hwnd_, LocationNotice::kSettingsPage);
}

namespace {

// Where the main window and its lists' column widths are kept.
constexpr char kPlaceSetting[] = "main_window";
constexpr std::pair<const char*, ListView TMainDlg::*> kColumnSettings[] = {
    {"columns_adapters", &TMainDlg::adapt_lst}, {"columns_networks", &TMainDlg::net_lst}, {"columns_aps", &TMainDlg::ap_lst}};

}  // namespace

void TMainDlg::RestorePlaces() {
    bool maximised = false;
    if (RestoreWindowPlace(hwnd_, kPlaceSetting, &maximised)) startMaximised_ = maximised;
    for (const auto& [setting, member] : kColumnSettings) {
        ListView& list = this->*member;
        if (const auto widths = ParseColumnWidths(settings_.Read(setting), static_cast<size_t>(list.ColumnCount())))
            list.SetDesignWidths(*widths);
        else
            fitAddedColumns_ = fitAddedColumns_ || &list == &ap_lst;
    }
}

void TMainDlg::SavePlaces() {
    SaveWindowPlace(hwnd_, kPlaceSetting);
    for (const auto& [setting, member] : kColumnSettings) {
        try {
            WriteSetting(setting, ColumnWidthsText((this->*member).DesignWidths()));
        } catch (const std::exception&) {
            // the widths are a convenience: a registry that refuses them changes nothing else
        }
    }
}

void TMainDlg::FitAddedColumns() {
    // The first start: the columns added after the first four fit what the first pass put in them.
    if (!std::exchange(fitAddedColumns_, false)) return;
    for (int c = 4; c < ap_lst.ColumnCount(); ++c) ap_lst.FitColumnToContent(c);
}

void TMainDlg::CreateViews() {
    RestorePlaces();
    lists_.Bind();  // after a portable copy's settings are imported
    ask.exportFile = [this](std::string& fileName, ExportFormat& format) {
        return AskExportFile(hwnd_, session_.ExportScopeText(), fileName, format);
    };
    ask.recordingFile = [this](std::string& fileName) { return AskRecordingFile(hwnd_, true, fileName); };
    ask.replayFile = [this](std::string& fileName) { return AskRecordingFile(hwnd_, false, fileName); };
    PresentLists();
}

void TMainDlg::PresentLists() {
    lists_.PresentAll();
    const std::string empty = session_.EmptyListText();
    for (ListView* list : {&adapt_lst, &net_lst, &ap_lst}) list->SetEmptyText(empty);
    filter_lbl.SetText(session_.FilterStatus());
}

void TMainDlg::FilterChanged() {
    session_.SetFilter(filter_edt.Text());
    PresentLists();
}

void TMainDlg::CopySelection() {
    const HWND focus = GetFocus();
    if (focus == filter_edt.hwnd())
        SendMessageW(focus, WM_COPY, 0, 0);
    else if (const SurveyList* list = lists_.ListOf(focus))
        lists_.CopyRows(hwnd_, *list);
}

void TMainDlg::Export1Click() {
    std::string fileName, message;
    ExportFormat format = ExportFormat::TableCsv;
    if (!ask.exportFile || !ask.exportFile(fileName, format)) return;
    const ExportStamp stamp = StampAt(std::chrono::system_clock::now(), kProductName, FileVersionText(place_.exeName));
    if (!session_.Export(fileName, format, stamp, message)) ShowMessage(message);
}

void TMainDlg::ShowMessage(const std::string& text) { ::ShowMessage(hwnd_, text); }

void TMainDlg::more_adapt_btnClick() {
    DetailContext context{session_.Scan(), *this, log_.get()};
    ListSelection adapters(adapt_lst);
    MoreAdapterCommand(context, adapters, *dialogs_.adapterStats);
}

void TMainDlg::more_net_btnClick() {
    DetailContext context{session_.Scan(), *this, log_.get()};
    ListSelection networks(net_lst);
    MoreNetworkCommand(context, networks, *dialogs_.netMore);
}

void TMainDlg::more_ap_btnClick() {
    DetailContext context{session_.Scan(), *this, log_.get()};
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
    OpenWebPage(hwnd_, MakerAddress("https", path));
}

void TMainDlg::Quit1Click() { PostMessageW(hwnd_, WM_CLOSE, 0, 0); }
void TMainDlg::Settings1Click() {
    dialogs_.settings->Execute();
    session_.ReadScanInterval();  // from the next pass on
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
    LogAdd(log_.get(), "Self update check...", LogLevel::Info);
    updateChecker->Check(place_.exeName, [this](TRenselLite&) { OnRenselLite(); });
}

void TMainDlg::OnRenselLite() {
    if (updateChecker->NewVersion()) {
        LogAdd(log_.get(), std::string("New version of ") + kProductName + " is detected", LogLevel::Info);
        ShowUpdateOffer();
    } else if (updateChecker->ValidAnswer()) {
        const std::string upToDate = std::string(kProductName) + " is already up to date.";
        LogAdd(log_.get(), upToDate, LogLevel::Info);
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
    offer.Expected = {kProductName, updateChecker->LocalVersion(), updateChecker->AnnouncedVersion()};
    offer.RunsInstallers = SignerPublicKey(place_.exeName).has_value();
    offer.Log = log_.get();
    offer.auto_btn.Enable(IsProductInstalled(kInstalledProductPrefix));
    if (offer.Execute()) Quit1Click();
}

void TMainDlg::OnMenu(WORD command) {
    using Handler = void (TMainDlg::*)();
    static constexpr std::pair<MenuCommand, Handler> kHandlers[] = {
        {kCmdQuit, &TMainDlg::Quit1Click},
        {kCmdSettings, &TMainDlg::Settings1Click},
        {kCmdOpenLog, &TMainDlg::OpenLog1Click},
        {kCmdCheckForUpdate, &TMainDlg::Checkforupdate1Click},
        {kCmdChangeLog, &TMainDlg::ChangeLog1Click},
        {kCmdBugReport, &TMainDlg::BugreportFeaturerequestKnownissues1Click},
        {kCmdAbout, &TMainDlg::About1Click},
        {kCmdExport, &TMainDlg::Export1Click},
        {kCmdRecord, &TMainDlg::Record1Click},
        {kCmdOpenRecording, &TMainDlg::OpenRecording1Click},
        {kCmdLive, &TMainDlg::Live1Click},
        {kCmdChannels, &TMainDlg::Channels1Click},
        {kCmdSiteSurvey, &TMainDlg::SiteSurvey1Click},
        {kCmdLink, &TMainDlg::Link1Click},
        {kCmdHistory, &TMainDlg::History1Click},
        {kCmdLocate, &TMainDlg::Locate1Click},
        {kCmdCopy, &TMainDlg::CopySelection},
        {kCmdFocusFilter, &TMainDlg::FocusFilter},
        {kCmdClearFilter, &TMainDlg::ClearFilter},
    };
    for (const auto& [id, handler] : kHandlers)
        if (id == command) return (this->*handler)();
}

void TMainDlg::FocusFilter() {
    SetFocus(filter_edt.hwnd());
    SendMessageW(filter_edt.hwnd(), EM_SETSEL, 0, -1);
}

void TMainDlg::ClearFilter() {
    if (!filter_edt.Text().empty()) filter_edt.SetText("");
}

void TMainDlg::FormClose() {
    if (closed_) return;
    closed_ = true;
    scantmr.SetEnabled(false);
    StopRecording();
    LogAdd(log_.get(), "Closing wLan handles...", LogLevel::Info);
    if (dialogs_.channels) dialogs_.channels->SaveSettings();  // before a portable copy exports them
    if (dialogs_.siteSurvey) dialogs_.siteSurvey->SaveSettings();
    if (dialogs_.locate) dialogs_.locate->SaveSettings();
    SavePlaces();
    session_.Close();
    try {
        CloseHousekeeping(log_.get(), place_);
    } catch (const std::exception& e) {
        ShowMessage(e.what());
    }
}

void TMainDlg::FormDestroy() {
    scantmr.SetEnabled(false);
    session_.Scan().knownAPs.reset();
    updateChecker.reset();
    hintGrabber.reset();
    session_.SetLog(nullptr);
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
            session_.TakeNotifications();
            return 0;
        case WM_ENDSESSION:
            if (wp) StopRecording();  // Windows is ending: no WM_CLOSE comes
            break;
        case WM_DROPFILES:
            if (const std::string file = TakeDroppedFile(reinterpret_cast<HDROP>(wp)); !file.empty()) Replay(file);
            return 0;
        case WM_COMMAND:
            // Enter, from the dialog keyboard handling: for the focused control (a list opens its details).
            if (LOWORD(wp) == IDOK && HIWORD(wp) == 0) break;
            if (lp == 0) {  // menu item or shortcut
                OnMenu(LOWORD(wp));
                return 0;
            }
            break;
        case WM_CONTEXTMENU:
            if (const SurveyList* list = lists_.ListOf(reinterpret_cast<HWND>(wp))) {
                lists_.ShowMenu(hwnd_, *list, lp);
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
