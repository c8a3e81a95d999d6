#include "row_snapshot.h"

RowSnapshot& TheRowSnapshot()
{
    static RowSnapshot snapshot;
    return snapshot;
}
