#pragma once
// The program's own window messages, all in one reserved range above WM_APP, so
// that no two windows or layers pick the same number.
#include <windows.h>

enum PrivateMessage : UINT {
    kPrivateMessageFirst = WM_APP + 0x40,
    kModalShownMessage = kPrivateMessageFirst,  // a modal window is showing: run its onShown
    kActivationSettledMessage,                  // the main window's activation has settled
    kTransferDoneMessage,                       // an HTTP worker finished; lParam owns the transfer
    kScanNotificationMessage,                   // the service reported finished scans: take them from the queue
    kSiteSurveyFitMessage,                      // the site survey's worker has a fit: take it
    kPrivateMessageEnd,
};
static_assert(kPrivateMessageEnd <= 0xBFFF, "WM_APP messages end at 0xBFFF");
