#include "search_session.h"

#include <utility>

CSearchSession::CSearchSession(std::function<bool()> wake, CardNames chosen)
    : bridge_(std::move(wake)), worker_(bridge_, &bridge_, std::move(chosen))
{
}

CSearchSession::~CSearchSession()
{
    EndForGood();
}

ListUpdate CSearchSession::TakeUpdate()
{
    ListUpdate update = bridge_.TakeUpdate();
    if (update.SearchEnded())
        worker_.WorkersEnded(update.endedSearches);
    return update;
}

void CSearchSession::Search()
{
    if (!ended_)
        worker_.Search();
}

void CSearchSession::Stop()
{
    worker_.Stop();
}

void CSearchSession::Refresh()
{
    Stop();
    Search();
}

void CSearchSession::Finish()
{
    worker_.Stop();
    worker_.Join();
}

void CSearchSession::EndForGood()
{
    ended_ = true;
    bridge_.Detach();
    worker_.Stop();
    // The worker never waits for the window's thread, so joining it cannot deadlock.
    worker_.Join();
}
