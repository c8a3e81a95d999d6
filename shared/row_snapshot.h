// The right-clicked row: which row it is and the five texts the Edit command works on, exactly as
// the cells show them. The version takes no part in it.
#pragma once

#include "device_rows.h"

#include <string>

struct RowSnapshot {
    RowId row = NO_ROW;
    std::u16string chn;
    std::u16string ip;
    std::u16string port;
    std::u16string gateway;
    std::u16string mac;
};

// The snapshot of the row at a position of the list.
RowSnapshot TakeRowSnapshot(const DeviceRows& rows, int position);

enum class EditOutcome { Unchanged, Changed };

// Compares the edit fields with the snapshot, each text whole and case-sensitive. When any
// differs, all five field texts replace the snapshot's.
EditOutcome ApplyEdit(RowSnapshot& snapshot, const RowSnapshot& fields);

// Writes the snapshot's texts back into its row's cells, wherever the row now is; a row that is
// gone is left alone.
void WriteBack(const RowSnapshot& snapshot, DeviceRows& rows);
