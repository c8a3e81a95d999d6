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

WindowRect KeepInWorkArea(const WindowRect& window, const WindowRect& workArea)
{
    WindowRect kept;
    kept.width = std::min(window.width, workArea.width);
    kept.height = std::min(window.height, workArea.height);
    kept.x = std::clamp(window.x, workArea.x, workArea.x + workArea.width - kept.width);
    kept.y = std::clamp(window.y, workArea.y, workArea.y + workArea.height - kept.height);
    return kept;
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
    case IDC_STOP:
        return Follows::RightWhenNarrower;
    default:
        return Follows::Nothing;
    }
}

WindowRect Follow(const WindowRect& templateRect, Follows follows, int dx, int dy)
{
    WindowRect placed = templateRect;
    if (follows == Follows::Nothing)
        return placed;
    if (follows == Follows::RightWhenNarrower) {
        placed.x = templateRect.x + std::min(dx, 0);
        return placed;
    }
    placed.width = std::max(0, templateRect.width + dx);
    if (follows == Follows::Size)
        placed.height = std::max(0, templateRect.height + dy);
    else if (follows == Follows::BottomAndWidth)
        placed.y = templateRect.y + dy;
    return placed;
}
