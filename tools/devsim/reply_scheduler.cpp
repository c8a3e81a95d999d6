#include "reply_scheduler.h"

#include <algorithm>

namespace {

// Orders the heap so that its front is the earliest due, first scheduled reply.
bool DueLater(const PendingReply& a, const PendingReply& b)
{
    return a.due != b.due ? a.due > b.due : a.sequence > b.sequence;
}

} // namespace

ReplyScheduler::ReplyScheduler(std::size_t deviceCount, std::chrono::milliseconds delay,
                               std::chrono::milliseconds jitter, int copies, std::uint64_t seed,
                               std::size_t limit)
    : deviceCount_(deviceCount),
      delay_(delay),
      jitterMicroseconds_(0, std::chrono::microseconds(jitter).count()),
      random_(seed),
      copies_(copies),
      limit_(limit)
{
}

std::size_t ReplyScheduler::ScheduleRequest(Clock::time_point arrival, ReplyTarget target)
{
    const std::size_t room = limit_ - std::min(limit_, heap_.size());
    const std::size_t accepted = std::min(room, deviceCount_);
    for (std::size_t device = 0; device < accepted; ++device) {
        PendingReply reply;
        reply.due = arrival + delay_ + std::chrono::microseconds(jitterMicroseconds_(random_));
        reply.sequence = nextSequence_++;
        reply.deviceIndex = device;
        reply.target = target;
        reply.copiesLeft = copies_;
        heap_.push_back(reply);
        std::push_heap(heap_.begin(), heap_.end(), DueLater);
    }
    const std::size_t droppedNow = deviceCount_ - accepted;
    dropped_ += droppedNow;
    return droppedNow;
}

ReplyScheduler::Clock::time_point ReplyScheduler::NextDue() const
{
    return heap_.front().due;
}

const PendingReply* ReplyScheduler::DueReply(Clock::time_point now) const
{
    return !heap_.empty() && heap_.front().due <= now ? &heap_.front() : nullptr;
}

void ReplyScheduler::CopySent()
{
    if (--heap_.front().copiesLeft == 0)
        Discard();
}

void ReplyScheduler::Discard()
{
    std::pop_heap(heap_.begin(), heap_.end(), DueLater);
    heap_.pop_back();
}
