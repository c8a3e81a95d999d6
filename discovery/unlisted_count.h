// The count of devices a full device table could not take, by their distinct MAC texts.
#pragma once

#include <set>
#include <string>

// Counted exactly up to this many; beyond it the count says only "more", so that a flood of
// made-up MACs costs bounded memory, and a search ends at once whatever it counted.
constexpr int MAX_UNLISTED_COUNTED = 10000;

// Whether a count is the one past the exact ones: more than MAX_UNLISTED_COUNTED.
constexpr bool UnlistedBeyondCount(int count)
{
    return count > MAX_UNLISTED_COUNTED;
}

class CUnlistedCount
{
public:
    void Add(const std::string& macText);
    // The distinct MAC texts added, or MAX_UNLISTED_COUNTED + 1 once there were more.
    int Count() const;

private:
    std::set<std::string> macTexts_;
    bool beyond_ = false;
};
