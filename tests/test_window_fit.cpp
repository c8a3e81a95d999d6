#include "resource.h"
#include "window_fit.h"

#include <gtest/gtest.h>

#include <ostream>

std::ostream& operator<<(std::ostream& out, const WindowRect& r)
{
    return out << r.x << ',' << r.y << ' ' << r.width << 'x' << r.height;
}

TEST(WindowFit, OpensAtTheTemplatesSizeWhereItFitsShrunkWhereNotCentredInTheWorkArea)
{
    struct Case {
        const char* what;
        WindowRect workArea;
        WindowRect expected;
    } const cases[] = {
        {"fits", {0, 0, 1920, 1040}, {539, 202, 842, 636}},
        {"a task bar on the left", {60, 0, 1860, 1080}, {569, 222, 842, 636}},
        {"too low: 200 % on 1080 lines", {0, 0, 960, 520}, {59, 0, 842, 520}},
        {"too small both ways", {100, 50, 800, 600}, {100, 50, 800, 600}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, FitInWorkArea(842, 636, c.workArea)) << c.what;
}

TEST(WindowFit, MovedToAnotherMonitorItStaysWholeInItsWorkArea)
{
    const WindowRect right{1920, 0, 1366, 728};
    struct Case {
        const char* what;
        WindowRect window;
        WindowRect expected;
    } const cases[] = {
        {"inside", {2000, 20, 842, 636}, {2000, 20, 842, 636}},
        {"sticks out on the right and below", {2800, 300, 842, 636}, {2444, 92, 842, 636}},
        {"sticks out on the left, above", {1800, -10, 842, 636}, {1920, 0, 842, 636}},
        {"twice the scaling: larger than the monitor", {2000, 20, 1684, 1272},
         {1920, 0, 1366, 728}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, KeepInWorkArea(c.window, right)) << c.what;
}

TEST(WindowFit, TheListTakesTheRoomTheFilterItsWidthTheStatusLineTheBottomTheButtonsStay)
{
    const WindowRect list{42, 164, 636, 369};
    const WindowRect status{42, 541, 636, 15};
    const WindowRect button{162, 71, 75, 23};
    EXPECT_EQ((WindowRect{42, 164, 736, 419}), Follow(list, HowFollows(IDC_DEVICE_LIST), 100, 50));
    EXPECT_EQ((WindowRect{42, 591, 736, 15}), Follow(status, HowFollows(IDC_STATUS), 100, 50));
    EXPECT_EQ(button, Follow(button, HowFollows(IDC_SEARCH), 100, 50));
    // The right-hand button stays in a narrower window: as far from its right edge as before.
    const WindowRect stop{563, 71, 75, 23};
    EXPECT_EQ(stop, Follow(stop, HowFollows(IDC_STOP), 100, 50));
    EXPECT_EQ((WindowRect{463, 71, 75, 23}), Follow(stop, HowFollows(IDC_STOP), -100, -50));
    EXPECT_EQ(button, Follow(button, HowFollows(IDC_SEARCH), -100, -50));
    // The filter field above the list keeps its place and spans the list's width.
    EXPECT_EQ((WindowRect{42, 130, 736, 20}),
              Follow({42, 130, 636, 20}, HowFollows(IDC_FILTER), 100, 50));
    EXPECT_EQ((WindowRect{42, 441, 536, 15}), Follow(status, HowFollows(IDC_STATUS), -100, -100));
    EXPECT_EQ((WindowRect{42, 164, 0, 0}), Follow(list, HowFollows(IDC_DEVICE_LIST), -700, -400))
        << "never a negative size";
}
