#include "search_commands.h"

CSearchCommands::CSearchCommands(CSearchSession& session, CListPresenter& list)
    : session_(session), list_(list)
{
}

void CSearchCommands::Search()
{
    session_.Search();
}

void CSearchCommands::Stop()
{
    session_.Stop();
}

void CSearchCommands::Refresh(const std::vector<int>& selected)
{
    // Kept before the search empties the list.
    list_.KeepView(selected);
    session_.Refresh();
}

ListChange CSearchCommands::TakeChange()
{
    return list_.Apply(session_.TakeUpdate());
}

std::u16string CSearchCommands::StatusText() const
{
    return list_.StatusText(session_.Worker().IsSearching());
}
