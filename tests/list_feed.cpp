#include "list_feed.h"

#include "quenlo_dlg.h"

void ListRow(CQuenloDlg& dialog, const RowCells& cells)
{
    CDeviceListBridge& bridge = dialog.ListBridge();
    const int row = bridge.AppendRow();
    for (int column = 0; column < COL_COUNT; ++column)
        bridge.SetCellText(row, column, cells[static_cast<std::size_t>(column)]);
    bridge.TurnRedrawOn();
    dialog.OnListUpdate();
}
