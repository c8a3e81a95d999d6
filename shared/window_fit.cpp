#include "window_fit.h"

#include "resource.h"

#include <algorithm>

WindowRect FitInWorkArea(int width, int height, const WindowRect& workArea)
{
    WindowRect fitted;
    fitted.width = std::min(width, workArea.width);
    fitted.height = std::min(height, workArea.height);
    fitted.x = workArea.x + (workArea.width - fitted.width) / 2;
    fitted.y = workArea.y + (workArea.height - fitted.height) / 2;
    return fitted;
}

Follows HowFollows(int controlId)
{
    switch (controlId) {
    case IDC_DEVICE_LIST:
        return Follows::Size;
    case IDC_FILTER:
        return Follows::Width;
    case IDC_STATUS:
        return Follows::BottomAndWidth;
    default:
        return Follows::Nothing;
    }
}

WindowRect Follow(const WindowRect& templateRect, Follows follows, int dx, int dy)
{
    WindowRect placed = templateRect;
    if (follows == Follows::Nothing)
        return placed;
    placed.width = std::max(0, templateRect.width + dx);
    if (follows == Follows::Size)
        placed.height = std::max(0, templateRect.height + dy);
    else if (follows == Follows::BottomAndWidth)
        placed.y = templateRect.y + dy;
    return placed;
}
