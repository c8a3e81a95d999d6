#include "recording_list_view.h"

#include <utility>

RecordingListView::RecordingListView()
    : thread_([this] { Loop(); })
{
}

RecordingListView::~RecordingListView()
{
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void RecordingListView::Loop()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || !queue_.empty(); });
        if (queue_.empty())
            return;
        auto batch = std::move(queue_);
        queue_.clear();
        lock.unlock();
        for (auto& operation : batch)
            operation();
        lock.lock();
    }
}

void RecordingListView::RunOnListThread(const std::function<void()>& operation)
{
    std::mutex doneMutex;
    std::condition_variable doneSignal;
    bool done = false;
    {
        std::lock_guard lock(mutex_);
        queue_.push_back([&] {
            operation();
            std::lock_guard doneLock(doneMutex);
            done = true;
            doneSignal.notify_all();
        });
    }
    wake_.notify_all();
    std::unique_lock doneLock(doneMutex);
    doneSignal.wait(doneLock, [&] { return done; });
}

void RecordingListView::DeleteAllRows()
{
    RunOnListThread([this] {
        rows_.clear();
        completed_.clear();
        ++deleteAllCount_;
    });
}

int RecordingListView::AppendRow()
{
    int row = -1;
    RunOnListThread([&] {
        rows_.emplace_back();
        ++unfinished_;
        row = static_cast<int>(rows_.size()) - 1;
    });
    return row;
}

void RecordingListView::SetCellText(int row, int column, const std::u16string& text)
{
    RunOnListThread([&] { rows_.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(column)) = text; });
}

void RecordingListView::TurnRedrawOn()
{
    RunOnListThread([this] {
        completed_.insert(completed_.end(), static_cast<std::size_t>(unfinished_),
                          std::chrono::steady_clock::now());
        unfinished_ = 0;
    });
}

void RecordingListView::DeleteRow(int row)
{
    RunOnListThread([&] {
        rows_.erase(rows_.begin() + row);
        if (row < static_cast<int>(completed_.size()))
            completed_.erase(completed_.begin() + row);
    });
}

std::vector<Row> RecordingListView::Rows()
{
    std::vector<Row> copy;
    RunOnListThread([&] { copy = rows_; });
    return copy;
}

int RecordingListView::DeleteAllCount()
{
    int count = 0;
    RunOnListThread([&] { count = deleteAllCount_; });
    return count;
}

int RecordingListView::UnfinishedRows()
{
    int count = 0;
    RunOnListThread([&] { count = unfinished_; });
    return count;
}

std::vector<std::chrono::steady_clock::time_point> RecordingListView::CompletionTimes()
{
    std::vector<std::chrono::steady_clock::time_point> copy;
    RunOnListThread([&] { copy = completed_; });
    return copy;
}

int RecordingListView::WaitForRows(int count, std::chrono::milliseconds limit)
{
    auto completed = [this] { return static_cast<int>(CompletionTimes().size()); };
    WaitUntil([&] { return completed() >= count; }, limit);
    return completed();
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}
