// Replies waiting for their send time, earliest first.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

// Where a reply goes: an address in host order, and the interface to leave by, or 0 to let the
// routing table choose.
struct ReplyTarget {
    std::uint32_t address = 0;
    int interfaceIndex = 0;
};

struct PendingReply {
    std::chrono::steady_clock::time_point due;
    std::uint64_t sequence = 0; // keeps replies that are due together in the order scheduled
    std::size_t deviceIndex = 0;
    ReplyTarget target;
    int copiesLeft = 1;
};

class ReplyScheduler
{
public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::size_t DEFAULT_LIMIT = 100000;

    // Each reply is due delay plus a uniform draw from [0, jitter] after its request; the draws
    // follow from seed. Each reply is sent copies times. At most limit replies wait at once.
    ReplyScheduler(std::size_t deviceCount, std::chrono::milliseconds delay,
                   std::chrono::milliseconds jitter, int copies, std::uint64_t seed,
                   std::size_t limit = DEFAULT_LIMIT);

    // Schedules one reply per device to a request that arrived at the given time; the replies
    // that would pass the limit are dropped. Returns how many were dropped.
    std::size_t ScheduleRequest(Clock::time_point arrival, ReplyTarget target);

    bool Empty() const { return heap_.empty(); }
    std::size_t PendingCount() const { return heap_.size(); }
    std::uint64_t DroppedCount() const { return dropped_; }

    // When the earliest reply is due; only when not Empty().
    Clock::time_point NextDue() const;

    // The earliest reply when it is due at now, else nullptr. It stays scheduled until
    // CopySent or Discard.
    const PendingReply* DueReply(Clock::time_point now) const;

    // One copy of the earliest reply went out; it leaves when no copies are left.
    void CopySent();

    // The earliest reply leaves whatever copies it has left.
    void Discard();

private:
    std::size_t deviceCount_ = 0;
    Clock::duration delay_{};
    std::uniform_int_distribution<std::int64_t> jitterMicroseconds_;
    std::mt19937_64 random_;
    int copies_ = 1;
    std::size_t limit_ = DEFAULT_LIMIT;
    std::vector<PendingReply> heap_;
    std::uint64_t nextSequence_ = 0;
    std::uint64_t dropped_ = 0;
};
