#pragma once
// The main window's three lists over the survey session's models: each pass's rows
// copied into the views with the selection kept, a colour square per chart line in
// the shared image list, header clicks that sort, and copying rows and columns.
#include <windows.h>

#include "common/win32/controls.h"
#include "common/win32/list_view.h"
#include "survey/survey_session.h"

class SurveyListViews {
public:
    SurveyListViews(SurveySession& session, ListView& adapters, ListView& networks, ListView& accessPoints,
                    ImageList& images)
        : session_(session), views_{&adapters, &networks, &accessPoints}, images_(images) {}

    // Once the controls exist and the settings are in place: the stored sort orders,
    // the header clicks and the selected network's chart line.
    void Bind();
    ListView& View(SurveyList list) { return *views_[static_cast<size_t>(list)]; }
    // The list of a view or of its window; none for another window.
    const SurveyList* ListOf(HWND view) const;

    void PresentAll();
    void Present(SurveyList list);
    // The survey starts over: the chart's lines, and their squares, are gone.
    void StartOver();

    // The selected rows with a header line, or the cells of one column, to the clipboard.
    void CopyRows(HWND owner, SurveyList list);
    void CopyColumn(HWND owner, SurveyList list, int column);
    // The context menu of a list at a point of the screen (-1: the keyboard's menu key).
    void ShowMenu(HWND owner, SurveyList list, LPARAM at);

private:
    void AddColourSquares();
    void SortBy(SurveyList list, int column);

    SurveySession& session_;
    ListView* views_[3];
    ImageList& images_;
    uint64_t squaresOf_ = 0;  // the chart's LineSetChanges the squares were made for
};
