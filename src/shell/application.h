#pragma once
// Every window of the program, created once in a fixed order and kept for the whole run.
#include "shell/about_dlg.h"
#include "shell/auto_update_dlg.h"
#include "shell/main_dlg.h"
#include "shell/settings_dlg.h"
#include "shell/update_dlg.h"
#include "views/adapter_stats_dlg.h"
#include "views/ap_more_dlg.h"
#include "sitesurvey/win32/site_survey_window.h"
#include "views/channels_dlg.h"
#include "views/history_dlg.h"
#include "views/link_dlg.h"
#include "views/locate_dlg.h"
#include "views/net_more_dlg.h"

class Application {
public:
    explicit Application(MainDlgSetup setup);
    // Shows the main window and runs the message loop until it closes.
    int Run(int show_command = SW_SHOWNORMAL);

    // In creation order: the main window first, then the windows it shows.
    TMainDlg main;
    TAdapterStatsDlg adapterStats;
    TNetMoreDlg netMore;
    TAPMoreDlg apMore;
    TAboutDlg about;
    TSettingsDlg settings;
    TAutoUpdateDlg autoUpdate;
    TUpdateDlg update;
    TChannelsDlg channels;
    sitesurvey::SiteSurveyWindow siteSurvey;
    TLinkDlg link;
    THistoryDlg history;
    TLocateDlg locate;
};

// Runs one message, as the main loop does; false once the loop should end.
bool PumpOneMessage(HWND main_window, HACCEL accelerators, bool wait);
