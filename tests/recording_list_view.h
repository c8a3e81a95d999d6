// A device list for tests that carries out every operation on a thread of its own while the caller
// waits: the slowest list a worker can be given, and one whose rows a test can read at any time.
#pragma once

#include "search_worker.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using Row = std::array<std::u16string, COL_COUNT>;

class RecordingListView : public IDeviceListView
{
public:
    RecordingListView();
    ~RecordingListView() override;

    void DeleteAllRows() override;
    int AppendRow() override;
    void SetCellText(int row, int column, const std::u16string& text) override;
    void TurnRedrawOn() override;

    // What the operator would do: removes one row, on the list's thread.
    void DeleteRow(int row);

    std::vector<Row> Rows();
    int DeleteAllCount();
    // Rows appended but not yet completed by TurnRedrawOn.
    int UnfinishedRows();
    // When each row was completed by TurnRedrawOn, in order.
    std::vector<std::chrono::steady_clock::time_point> CompletionTimes();

    // Polls until at least count rows are complete or the limit passes; returns how many are.
    int WaitForRows(int count, std::chrono::milliseconds limit);

private:
    void RunOnListThread(const std::function<void()>& operation);
    void Loop();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<std::function<void()>> queue_;
    bool quit_ = false;
    std::thread thread_;

    // Touched on the list's thread only.
    std::vector<Row> rows_;
    int deleteAllCount_ = 0;
    int unfinished_ = 0;
    std::vector<std::chrono::steady_clock::time_point> completed_;
};

// Polls condition every few milliseconds until it holds or the limit passes.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit);
