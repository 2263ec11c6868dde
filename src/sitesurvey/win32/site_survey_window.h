#pragma once
// The site survey window: a floor plan on which the surveyor clicks where they
// stand (stop-and-go) or each turn of a walk, and the heat maps of what was heard.
// Not modal and resizable; it hears the main window's scan passes through the
// session, saves its survey after every point and fits the access points on a worker.
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/win32/controls.h"
#include "common/win32/window.h"
#include "sitesurvey/model_worker.h"
#include "sitesurvey/point_capture.h"
#include "sitesurvey/survey_file.h"
#include "sitesurvey/win32/plan_image.h"
#include "sitesurvey/win32/plan_view.h"
#include "survey/survey_session.h"

namespace sitesurvey {

// A drop-down list.
class DropDown : public Control {
public:
    bool Create(Window& parent, const Placement& place);
    void Clear();
    void Add(const std::string& text);
    int Count() const;
    void Select(int index);
    int Selected() const;
    std::string ItemText(int index) const;
    std::function<void()> onChange;
    void OnCommand(WORD code) override;
};

// A horizontal slider from 0 to 100.
class Slider : public Control {
public:
    bool Create(Window& parent, const Placement& place);
    void SetPosition(int position);
    int Position() const;
    std::function<void()> onChange;
};

// Whole dBm below zero, typed or stepped as their magnitude beside a "-".
class DbmSpin : public SpinEdit {
public:
    std::function<void()> onChange;
    void OnCommand(WORD code) override;
};

enum SiteSurveyCommand : WORD {
    kSiteNew = 200,
    kSiteOpen,
    kSiteSave,
    kSiteSaveAs,
    kSiteImportPlan,
    kSiteExport,
    kSiteClose,
    kSiteUndo,
    kSiteSetScale,
    kSiteZoomIn,
    kSiteZoomOut,
    kSiteFit,
    kSiteLayRecording,
    kSiteShow,  // posted at start, so that the window opens over the main one
    kSiteLast = kSiteShow,
};

enum class MeasureMode { StopAndGo, Walk };

class SiteSurveyWindow : public SideWindow, private SurveyObserver {
public:
    SiteSurveyWindow(HWND owner, SurveySession& session);
    ~SiteSurveyWindow() override;

    void ShowSurvey();
    // "--site-survey [FILE]": shows the window at start with FILE, or with the sample office.
    void OpenFromArguments(const std::vector<std::string>& arguments);
    void OpenSample();
    bool Showing() const { return hwnd_ && IsWindowVisible(hwnd_); }
    void SaveSettings();

    // The commands of the window's menu.
    void NewSurvey();
    bool OpenSurvey(const std::string& fileName);  // false, with a message shown, when it cannot be read
    bool SaveSurvey();                             // to its file; asks for one when it has none
    bool SaveSurveyAs(const std::string& fileName);
    bool ImportPlan(const std::string& fileName);  // false, with a message, when the image is refused
    bool Export(const std::string& fileName);      // .png or .csv by its ending
    void StartScale();                             // the next two clicks set the scale
    void Undo();
    // A recording made without a plan: its passes wait for the walk drawn next, which
    // FinishLaying (or Enter) ends. False, with a message, when the file is no recording.
    bool LayRecording(const std::string& fileName);
    void FinishLaying();
    // A click on the plan at plan pixels, as the view reports it.
    void ClickPlan(double x, double y);
    void SetMode(MeasureMode mode);
    void SelectLayer(Layer layer);
    void SetThreshold(int dbm);  // the count layer's, -120 to -30
    // Waits (pumping messages) until the fit of the current points is shown; false on timeout.
    bool WaitForFit(int timeoutMs);

    // The questions the commands ask; tests answer instead of the standard dialogs.
    struct Questions {
        std::function<bool(std::string& fileName)> openFile, saveFile, planFile, exportFile, recordingFile;
        // The distance between the scale's two points, in the unit named ("metres" or "feet").
        std::function<bool(const std::string& unit, double& distance)> scaleDistance;
    } ask;

    const SurveyFile& Survey() const { return survey_; }
    const std::string& FileName() const { return fileName_; }
    size_t PlanIndex() const { return plan_; }
    const LayerGrid& ShownGrid() const { return layerGrid_; }
    std::optional<double> ShownError() const { return looRmse_; }
    const std::string& StatusText() const { return statusText_; }
    bool WaitingForScan() const { return capture_.Waiting(); }

    DropDown mode_cmb, plan_cmb, layer_cmb, target_cmb;
    Label mode_lbl, plan_lbl, layer_lbl, target_lbl, opacity_lbl, status_lbl, threshold_lbl, dbm_lbl;
    DbmSpin threshold_spn;  // the count layer's threshold
    Slider opacity_bar;
    PlanView view;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void Closing() override;

private:
    // SurveyObserver: the main window's passes and the service's notifications.
    void PassEnded(const SurveySession& session, const TickOutcome& outcome) override;
    void Notified(const wlan::WlanNotification& notification) override;

    void OnMenu(WORD command);
    void FillPlans();
    bool OnKey(UINT key, bool control);
    SurveyPlan* Plan();
    void ShowPlan(size_t index);  // decodes the plan's picture and starts its fit
    void AddPoints(std::vector<SurveyPoint> points);
    void PointsChanged();  // saves, refits, redraws
    void RequestScan();
    void Refit();
    void TakeFit();
    void ShowLayer();
    void FillTargets();
    void UpdateScene();
    void SetStatus(const std::string& text);
    void UpdateCaption();
    LayerRequest Request() const;
    std::string TipAt(double x, double y) const;
    bool WriteSurveyFile(const std::string& fileName);

    SurveySession& session_;
    SurveyFile survey_;
    size_t plan_ = 0;
    std::string fileName_;
    bool dirty_ = false;
    PlanPicture picture_;
    PointCapture capture_;
    MeasureMode mode_ = MeasureMode::StopAndGo;
    std::vector<WalkMark> walk_;
    std::vector<WalkPass> walkPasses_;
    std::vector<size_t> undo_;  // points added by each action on the shown plan
    std::vector<PlanScene::Mark> scaleClicks_;
    bool settingScale_ = false;
    std::optional<std::vector<std::vector<SurveyBss>>> laying_;  // a recording's passes, waiting for their walk

    uint64_t generation_ = 0;
    std::optional<FittedSurvey> fitted_;
    LayerGrid layerGrid_;
    std::optional<double> looRmse_;
    std::vector<std::string> targetKeys_;  // "" all, "S:<ssid>", "B:<bssid>" per target entry
    std::string targetKey_;  // the one chosen
    std::string statusText_;
    bool placed_ = false;
    std::unique_ptr<ModelWorker> worker_;
};

}  // namespace sitesurvey
