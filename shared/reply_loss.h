// The replies a search lost in the reply socket's full receive queue, as the worker learns of them.
#pragma once

struct ReplyLoss {
    // Whether any were lost, and how many as the system counted them (0 where it does not count
    // them).
    bool any = false;
    int counted = 0;
    // The bytes of the reply socket's receive queue, when the system capped it below what was
    // asked; 0 otherwise.
    int queueCap = 0;

    // Takes in what a later report of the same search says.
    void Add(const ReplyLoss& later);
};
