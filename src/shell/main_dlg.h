#pragma once
// The main window: the three lists, the signal chart, the detail buttons and
// the menu. It owns the Native Wifi handle for the whole run and drives the
// scan from a one-second timer.
#include <memory>
#include <string>
#include <vector>

#include "common/run_log.h"
#include "common/win32/controls.h"
#include "common/win32/replace_file.h"
#include "common/win32/window.h"
#include "shell/location_notice.h"
#include "shell/menu.h"
#include "survey/channel_graph.h"
#include "survey/list_view_model.h"
#include "survey/scan_chart.h"
#include "survey/strip_chart.h"
#include "survey/survey_export.h"
#include "survey/survey_source.h"
#include "survey/survey_views.h"
#include "survey/win32/strip_chart_control.h"
#include "wireless/detail_commands.h"
#include "wireless/scan_pass.h"
#include "wireless/scan_requests.h"

class TAdapterStatsDlg;
class TNetMoreDlg;
class TAPMoreDlg;
class TAboutDlg;
class TSettingsDlg;
class TFileGrabber;
class TRenselLite;
class TAutoUpdateDlg;
class TUpdateDlg;
class TChannelsDlg;

// What the window needs from outside: the wireless service, the program file
// and the command line. Tests supply their own.
struct MainDlgSetup {
    wlan::WlanApi* api = nullptr;
    std::string exeName;                 // the program file's full path
    std::vector<std::string> arguments;  // command-line arguments after the program
};

// The windows the main window's commands show; created after it by the program entry.
struct MainDlgDialogs {
    TAdapterStatsDlg* adapterStats = nullptr;
    TNetMoreDlg* netMore = nullptr;
    TAPMoreDlg* apMore = nullptr;
    TAboutDlg* about = nullptr;
    TSettingsDlg* settings = nullptr;
    TAutoUpdateDlg* autoUpdate = nullptr;
    TUpdateDlg* update = nullptr;
    TChannelsDlg* channels = nullptr;
};

class TMainDlg : public Window, private MessageSink {
public:
    explicit TMainDlg(MainDlgSetup setup);
    ~TMainDlg() override;
    void SetDialogs(MainDlgDialogs dialogs) { dialogs_ = dialogs; }
    HACCEL Accelerators() const { return accelerators_.get(); }

    // Event handlers, named after their control and event.
    void FormCreate();
    void AppEvtActivate();
    void scantmrTimer();
    void more_adapt_btnClick();
    void more_net_btnClick();
    void more_ap_btnClick();
    void drivers_btnClick();
    void Quit1Click();
    void Settings1Click();
    void OpenLog1Click();
    void Checkforupdate1Click();
    void OnRenselLite();
    void ShowUpdateOffer();
    void ChangeLog1Click();
    void BugreportFeaturerequestKnownissues1Click();
    void About1Click();
    void Export1Click();
    // Recording and replay: "&Record..." / "Stop &Recording", "Open &Recording...", "&Live".
    void Record1Click();
    void OpenRecording1Click();
    void Live1Click();
    // Starts the survey over again on the recording; a file that breaks the
    // scenario rules is shown and the survey goes on as it was.
    void Replay(const std::string& fileName);
    const SurveySource& source() const { return source_; }
    void Channels1Click();
    void FormClose();
    void FormDestroy();
    // A scan call answered access denied (5): since Windows 11 24H2 that means
    // desktop programs may not use location. Shows the notice above the lists.
    void ReportAccessDenied();
    void location_lnkClick();

    // Start-up and shut-down housekeeping.
    void InitUID();
    std::string LookupErrorHint(const std::string& key, const std::string& fallback) const;
    bool IsPortable() const;
    std::string ProgramFolder() const;
    std::string HintFileName() const;

    // Controls, in the names the handlers use.
    Panel top_pnl;
    PictureBox Image1;
    Label Label2, subtitle_lbl;
    Button more_adapt_btn, more_net_btn, more_ap_btn, drivers_btn;
    StripChartControl scope;
    ListView adapt_lst, net_lst, ap_lst;
    EditBox filter_edt;
    Label filter_lbl;
    LocationNotice location_pnl;
    Timer scantmr;
    ImageList colors;

    // State shared with the scan and the detail commands.
    TRunLog* log() const { return log_.get(); }
    ScanState& scan() { return scan_; }
    bool started() const { return started_; }
    TRenselLite* checker() const { return updateChecker.get(); }

    // The rows as the scan pass wrote them; the lists show them sorted and filtered.
    ListViewModel& AdapterRows() { return adapterRows_; }
    ListViewModel& NetworkRows() { return networkRows_; }
    ListViewModel& AccessPointRows() { return apRows_; }
    // Writes the survey; false (after saying why) when the file could not be written.
    bool ExportTo(const std::string& fileName, ExportFormat format);
    // Asks for the file; tests answer instead of the save dialog.
    std::function<bool(std::string& fileName, ExportFormat& format)> chooseExportFile;
    // Ask for the recording's file and for the file to replay; tests answer instead of the dialogs.
    std::function<bool(std::string& fileName)> chooseRecordingFile, chooseReplayFile;
    // The selected rows of a list with a header line; "" when none is selected.
    std::string SelectedRowsText(ListView& list);
    // Ctrl+C: the selected rows of the focused list.
    void CopySelection();

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    // Chart point P0: a colour square in `colors` for every new line of the chart.
    void AddColourSquares();
    // MessageSink: the modal message box.
    void ShowMessage(const std::string& text) override;

    void CreateControls();
    void CreateViews();
    // Shows the rows of the last pass in the three lists, sorted and filtered.
    void PresentLists();
    void PresentList(ListViewModel& rows, ListView& list);
    void SortList(ListViewModel& rows, ListView& list, const char* setting, int column);
    void FilterChanged();
    // The selected network's chart line drawn thick and in front.
    void HighlightSelectedNetwork();
    void ShowListMenu(ListView& list, LPARAM at);
    void CopyColumn(ListView& list, int column);
    ExportDocument SurveyDocument() const;
    // After each pass: 0 when it completed, else the code that ended it.
    void OnScanPassEnded(uint32_t result);
    void ShowLocationNotice(bool visible);
    void WriteLogHeader(bool debug);
    // Finished scans reported by the service reach the scan requests on this thread.
    void ListenForScanNotifications();
    void TakeScanNotifications();
    void OpenPage(const std::string& path);
    void OnMenu(WORD command);
    // The access points of the last pass for the channel view, in their networks' chart colours.
    std::vector<ChannelAp> ChannelAccessPointsOfLastPass();
    void StartSilentUpdateCheck();
    // Opens the service's handle and starts the scan timer; false when the service refused.
    bool StartSurvey();
    // Ends the survey, lets switchService change the service behind it, and starts over.
    void RestartSurvey(const std::function<void()>& switchService);
    void StopRecording();
    void UpdateCaption();

    MainDlgSetup setup_;
    MainDlgDialogs dialogs_;
    UniqueAccelerators accelerators_;
    std::unique_ptr<TRunLog> log_;
    bool silentUpdateCheck = false;
    std::unique_ptr<TFileGrabber> hintGrabber;
    std::unique_ptr<TRenselLite> updateChecker;
    ReplacingFileWriter files_;
    SurveySource source_;
    std::string baseCaption_;
    bool saveFailureShown_ = false;
    ScanState scan_;
    ListViewModel adapterRows_, networkRows_, apRows_;
    SurveyFacts facts_;
    RowFilter filter_;
    NotificationQueue scanNotifications_;
    TNetworkChart networkChart_;
    StripScanChart scanChart_;
    bool activated_ = false;
    bool started_ = false;
    bool closed_ = false;
};
