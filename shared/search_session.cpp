#include "search_session.h"

#include <utility>

#ifdef _WIN32
#include <winsock2.h>
#endif

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

bool StartSockets()
{
#ifdef _WIN32
    // Version 1.1 exactly; any other grant is given back.
    WSADATA data;
    if (::WSAStartup(MAKEWORD(1, 1), &data) != 0)
        return false;
    if (data.wVersion != MAKEWORD(1, 1)) {
        ::WSACleanup();
        return false;
    }
#endif
    return true;
}
