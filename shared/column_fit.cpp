#include "column_fit.h"

#include <algorithm>

ColumnWidths FitColumns(int available, const ColumnWidths& needed)
{
    ColumnWidths widths = needed;
    int rest = available;
    for (const int column : {COL_MAC, COL_IP, COL_PORT, COL_GATEWAY})
        rest -= needed[column];
    rest = std::max(rest, 0);

    if (needed[COL_CHN] + needed[COL_VERSION] <= rest) {
        // Room for both: the two texts, which are cut first in a narrower list, share what is left
        // over, so the columns fill the list.
        widths[COL_CHN] = needed[COL_CHN] + (rest - needed[COL_CHN] - needed[COL_VERSION]) / 2;
        widths[COL_VERSION] = rest - widths[COL_CHN];
        return widths;
    }
    // The narrower of the two gets what it needs, up to half; the other the rest.
    const int narrow = needed[COL_CHN] <= needed[COL_VERSION] ? COL_CHN : COL_VERSION;
    const int wide = narrow == COL_CHN ? COL_VERSION : COL_CHN;
    widths[narrow] = std::min(needed[narrow], rest / 2);
    widths[wide] = rest - widths[narrow];
    return widths;
}
