#include "search_session.h"

#include <utility>

CSearchSession::CSearchSession(std::function<bool()> wake)
    : bridge_(std::move(wake))
{
}

CSearchSession::~CSearchSession()
{
    EndForGood();
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

void CSearchSession::EndForGood()
{
    ended_ = true;
    bridge_.Detach();
    worker_.Stop();
    // The worker never waits for the window's thread, so joining it cannot deadlock.
    worker_.Join();
}
