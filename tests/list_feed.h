// Lists rows in a window as the search worker would, for window tests that open no socket.
#pragma once

#include "device_rows.h"

class CQuenloDlg;

// Hands a complete row to the window's list bridge and lets the window take it at once.
void ListRow(CQuenloDlg& dialog, const RowCells& cells);
