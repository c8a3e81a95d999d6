// Where the main window opens and where its controls go as it is resized: the same rule for every
// window, in the window's own pixels.
#pragma once

struct WindowRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const WindowRect&) const = default;
};

// A window of the template's outer size, in a work area: at that size where it fits, shrunk to fit
// where it does not, centred in it.
WindowRect FitInWorkArea(int width, int height, const WindowRect& workArea);

// A window put where it was asked to go, such as onto a monitor of another scaling, kept whole in
// that monitor's work area: shrunk where it is larger, moved in by the least where it sticks out.
WindowRect KeepInWorkArea(const WindowRect& window, const WindowRect& workArea);

// How a control of the main window follows the client area when it is larger or smaller than the
// template's: the list takes the room, the filter field its width above it, the status line keeps
// to the bottom below it, the buttons stay where the template puts them; the button on the right
// keeps its distance from the right edge when the client area is narrower than the template's.
enum class Follows { Nothing, Size, Width, BottomAndWidth, RightWhenNarrower };
Follows HowFollows(int controlId);

// The control's place when the client area is dx wider and dy taller than the template's; a
// control never gets a negative size.
WindowRect Follow(const WindowRect& templateRect, Follows follows, int dx, int dy);
