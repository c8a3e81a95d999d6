#include "row_snapshot.h"

RowSnapshot TakeRowSnapshot(const DeviceRows& rows, int position)
{
    const DeviceRow& row = rows.At(position);
    return {row.id,
            row.cells[COL_CHN],
            row.cells[COL_IP],
            row.cells[COL_PORT],
            row.cells[COL_GATEWAY],
            row.cells[COL_MAC]};
}

EditOutcome ApplyEdit(RowSnapshot& snapshot, const RowSnapshot& fields)
{
    if (fields.ip == snapshot.ip && fields.mac == snapshot.mac && fields.chn == snapshot.chn
        && fields.gateway == snapshot.gateway && fields.port == snapshot.port)
        return EditOutcome::Unchanged;
    const RowId row = snapshot.row;
    snapshot = fields;
    snapshot.row = row;
    return EditOutcome::Changed;
}

void WriteBack(const RowSnapshot& snapshot, DeviceRows& rows)
{
    rows.SetCell(snapshot.row, COL_CHN, snapshot.chn);
    rows.SetCell(snapshot.row, COL_IP, snapshot.ip);
    rows.SetCell(snapshot.row, COL_PORT, snapshot.port);
    rows.SetCell(snapshot.row, COL_GATEWAY, snapshot.gateway);
    rows.SetCell(snapshot.row, COL_MAC, snapshot.mac);
}
