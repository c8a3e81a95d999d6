// The commands that start, stop and renew a window's search, as every window gives them, and the
// status line they leave: a window hands the command in, then draws the list's change and the
// status text.
#pragma once

#include "list_presenter.h"
#include "search_session.h"

#include <string>
#include <vector>

class CSearchCommands
{
public:
    // Both outlive the commands.
    CSearchCommands(CSearchSession& session, CListPresenter& list);

    // Starts a search unless one runs.
    void Search();
    void Stop();
    // A search afresh that keeps the list's order and the operator's column widths, and selects
    // the rows at the selected positions again as their devices answer.
    void Refresh(const std::vector<int>& selected);
    // What the worker did since the last time, taken into the list.
    ListChange TakeChange();
    // The status line, as the search stands now.
    std::u16string StatusText() const;

private:
    CSearchSession& session_;
    CListPresenter& list_;
};
