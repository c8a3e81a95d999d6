#include "unlisted_count.h"

void CUnlistedCount::Add(const std::string& macText)
{
    if (beyond_ || macTexts_.contains(macText))
        return;
    if (macTexts_.size() < static_cast<std::size_t>(MAX_UNLISTED_COUNTED))
        macTexts_.insert(macText);
    else
        beyond_ = true;
}

int CUnlistedCount::Count() const
{
    return static_cast<int>(macTexts_.size()) + (beyond_ ? 1 : 0);
}
