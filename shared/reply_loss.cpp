#include "reply_loss.h"

#include <algorithm>

void ReplyLoss::Add(const ReplyLoss& later)
{
    any = any || later.any;
    counted = std::max(counted, later.counted);
    if (later.queueCap > 0)
        queueCap = later.queueCap;
}
