// The right-clicked row: its index and the texts the Edit command works on, as the cells show
// them. One per process.
#pragma once

#include <QString>

struct RowSnapshot {
    int row = -1;
    QString chn;
    QString ip;
    QString port;
    QString gateway;
    QString mac;
};

RowSnapshot& TheRowSnapshot();
