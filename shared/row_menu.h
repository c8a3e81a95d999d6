// The commands of the row menu and of the list's heading menu, as every window carries them out.
#pragma once

#include "resource.h"
#include "search_worker.h"

// Carries out the row-menu command id on window, which offers the row commands by these names.
// Returns false for an id that is no row command, such as 0 for a menu closed without a choice.
template <class Window>
bool RunRowCommand(Window& window, int id)
{
    switch (id) {
    case ID_ROW_EDIT:
        window.OnRowEdit();
        return true;
    case ID_ROW_DELETE:
        window.OnRowDelete();
        return true;
    case ID_ROW_COPY:
        window.OnRowCopy();
        return true;
    case ID_ROW_COPY_IP:
        window.OnRowCopyCell(COL_IP);
        return true;
    case ID_ROW_COPY_MAC:
        window.OnRowCopyCell(COL_MAC);
        return true;
    case ID_ROW_TAKE_LATEST:
        window.OnRowTakeLatest();
        return true;
    case ID_ROW_COPY_WITH_HEADINGS:
        window.OnRowCopy(true);
        return true;
    case ID_ROW_OPEN_PAGE:
        window.OnRowOpenPage();
        return true;
    case ID_ROW_COPY_URL:
        window.OnRowCopyUrl();
        return true;
    case ID_ROW_REACH:
        window.OnRowReach();
        return true;
    default:
        return false;
    }
}

// The same for the heading menu's commands.
template <class Window>
bool RunListCommand(Window& window, int id)
{
    switch (id) {
    case ID_LIST_SAVE:
        window.OnSaveList(false);
        return true;
    case ID_LIST_SAVE_SELECTED:
        window.OnSaveList(true);
        return true;
    case ID_LIST_CARDS:
        window.OnNetworkCards();
        return true;
    case ID_LIST_OPEN_PLAN:
        window.OnOpenPlan();
        return true;
    case ID_LIST_MISSING:
        window.OnMissingPlanned();
        return true;
    case ID_LIST_TAKE_ALL_LATEST:
        window.OnTakeAllLatest();
        return true;
    default:
        return false;
    }
}
