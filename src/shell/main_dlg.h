#pragma once
// The main window: the three lists, the signal chart, the detail buttons and
// the menu. It drives the survey session from a one-second timer and shows what
// each tick did; the session owns the scan, the lists' models and the recording.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/run_log.h"
#include "common/win32/controls.h"
#include "common/win32/list_view.h"
#include "common/win32/replace_file.h"
#include "common/win32/settings.h"
#include "common/win32/window.h"
#include "shell/housekeeping.h"
#include "shell/link_status_bar.h"
#include "shell/location_notice.h"
#include "shell/menu.h"
#include "shell/survey_lists.h"
#include "survey/survey_session.h"
#include "survey/win32/strip_chart_control.h"

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
namespace sitesurvey {
class SiteSurveyWindow;
}
class TLinkDlg;
class THistoryDlg;
class TLocateDlg;

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
    sitesurvey::SiteSurveyWindow* siteSurvey = nullptr;
    TLinkDlg* link = nullptr;
    THistoryDlg* history = nullptr;
    TLocateDlg* locate = nullptr;
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
    void Channels1Click();
    void SiteSurvey1Click();
    void Link1Click();
    void History1Click();
    // The selected access point in the Locate window.
    void Locate1Click();
    // Enter on a part of a drawn control: the network of a chart line, an access point of the graph.
    void OpenNetworkOfLine(size_t line);
    void OpenAccessPoint(const std::string& bssid);
    void FormClose();
    void FormDestroy();
    // A scan call answered access denied (5): since Windows 11 24H2 that means
    // desktop programs may not use location. Shows the notice above the lists.
    void ReportAccessDenied();
    void location_lnkClick();
    void InitUID();

    // Controls, in the names the handlers use.
    Panel top_pnl;
    PictureBox Image1;
    Label Label2, subtitle_lbl, source_lbl;
    Button more_adapt_btn, more_net_btn, more_ap_btn, drivers_btn;
    StripChartControl scope;
    ListView adapt_lst, net_lst, ap_lst;
    EditBox filter_edt;
    Label filter_lbl;
    LocationNotice location_pnl;
    LinkStatusBar status_bar;
    Timer scantmr;
    ImageList colors;

    // The files the commands ask for; tests answer instead of the standard dialogs.
    struct FileQuestions {
        std::function<bool(std::string& fileName, ExportFormat& format)> exportFile;
        std::function<bool(std::string& fileName)> recordingFile, replayFile;
    } ask;

    TRunLog* log() const { return log_.get(); }
    // The kept place was maximised: the program shows the window so.
    bool StartMaximised() const { return startMaximised_; }
    SurveySession& session() { return session_; }
    TRenselLite* checker() const { return updateChecker.get(); }

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    // MessageSink: the modal message box.
    void ShowMessage(const std::string& text) override;

    void CreateControls();
    void CreateViews();
    void StartSilentUpdateCheck();
    void OpenPage(const std::string& path);
    void OnMenu(WORD command);

    // The survey: started here, started over after a change of service; what each tick did.
    bool StartSurvey();
    void ReportStartFailure(uint32_t result);
    void SurveyStartedOver();
    void ShowTickOutcome(const TickOutcome& outcome);
    void StopRecording();
    void UpdateCaption();
    void ShowLocationNotice(bool visible);

    // The window's place and the lists' column widths, kept across runs.
    void RestorePlaces();
    void SavePlaces();
    void FitAddedColumns();

    // The session's models copied into the list views.
    void PresentLists();
    void FilterChanged();
    void FocusFilter();
    void ClearFilter();
    void CopySelection();

    ProgramPlace place_;
    MainDlgDialogs dialogs_;
    UniqueAccelerators accelerators_;
    std::unique_ptr<TRunLog> log_;
    bool silentUpdateCheck = false;
    std::unique_ptr<TFileGrabber> hintGrabber;
    std::unique_ptr<TRenselLite> updateChecker;
    RegistrySettings settings_;
    ReplacingFileWriter files_;
    SurveySession session_;
    SurveyListViews lists_{session_, adapt_lst, net_lst, ap_lst, colors};
    std::string baseCaption_;
    bool showingTick_ = false;  // a tick's messages are on screen: the ticks in their loop wait
    bool activated_ = false;
    bool closed_ = false;
    bool startMaximised_ = false;
    bool fitAddedColumns_ = false;  // no kept widths: the added columns fit their content once
};
