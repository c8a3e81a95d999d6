// Takes the README's screenshot of the Windows window: Quenlo.exe's main dialog listing devices
// that simulators play in the private test network, drawn into a BMP file.
// Runs only under Wine with a display of its own, through tests/testnet/testnet.sh and
// tests/testnet/winerun.sh:
//
//   quenlo-screenshot OUTPUT.bmp
#include "quenlo_dlg.h"
#include "resource_text.h"
#include "screenshot_devices.h"
#include "udp_socket.h"
#include "win32_driver.h"

#include <cstdio>
#include <fstream>
#include <memory>
#include <vector>

namespace {

struct Picture {
    BITMAPINFOHEADER info{};
    std::vector<char> pixels;
};

// What the screen shows of the window, 24 bits a pixel, rows bottom-up as BMP keeps them.
Picture Capture(HWND window)
{
    RECT rect{};
    ::GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const HDC screen = ::GetDC(nullptr);
    const HDC memory = ::CreateCompatibleDC(screen);
    const HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    const HGDIOBJ previous = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    ::SelectObject(memory, previous);

    Picture picture;
    picture.info.biSize = sizeof picture.info;
    picture.info.biWidth = width;
    picture.info.biHeight = height;
    picture.info.biPlanes = 1;
    picture.info.biBitCount = 24;
    picture.info.biCompression = BI_RGB;
    const int stride = (width * 3 + 3) & ~3;
    picture.pixels.resize(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
    const int lines = ::GetDIBits(memory, bitmap, 0, static_cast<UINT>(height),
                                  picture.pixels.data(),
                                  reinterpret_cast<BITMAPINFO*>(&picture.info), DIB_RGB_COLORS);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    if (lines != height)
        picture.pixels.clear();
    return picture;
}

// The window once the screen has caught up with its painting: Wine hands what a window painted
// to the display while the thread waits for messages, so the captures between waits must agree.
Picture SettledCapture(HWND window)
{
    Picture last = Capture(window);
    for (int alike = 0, round = 0; alike < 3; ++round) {
        if (round == 200)
            return {};
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&message);
        Picture next = Capture(window);
        alike = next.pixels == last.pixels ? alike + 1 : 0;
        last = std::move(next);
    }
    return last;
}

bool Save(const Picture& picture, const char* output)
{
    if (picture.pixels.empty())
        return false;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof file + sizeof picture.info;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + picture.pixels.size());
    std::ofstream out(output, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&picture.info), sizeof picture.info);
    out.write(picture.pixels.data(), static_cast<std::streamsize>(picture.pixels.size()));
    return static_cast<bool>(out);
}

int TakeScreenshot(const char* output)
{
    std::vector<std::unique_ptr<testnet::DevSim>> simulators;
    const int rows = StartScreenshotDevices(simulators);

    InitWindowTests();
    UseResourceLanguage(LanguageOfWindowsUi(::GetUserDefaultUILanguage()));
    CQuenloDlg dialog;
    if (!dialog.Create(nullptr))
        return 1;
    ::ShowWindow(dialog.Handle(), SW_SHOW);
    dialog.OnBnClickedSearch();
    if (!PumpUntil([&] { return dialog.Presenter().Size() == rows; })) {
        std::fprintf(stderr, "quenlo-screenshot: %d of %d rows listed\n", dialog.Presenter().Size(),
                     rows);
        return 1;
    }
    // Sorted by address and narrowed down, as someone looking for one device among many does.
    dialog.OnColumnClick(COL_IP);
    ::SetDlgItemTextW(dialog.Handle(), IDC_FILTER, L"前门");
    const HWND list = dialog.DeviceList();
    ::SetFocus(list);
    ListView_SetItemState(list, 5, LVIS_FOCUSED, LVIS_FOCUSED);
    ListView_SetItemState(list, 2, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(list, 5, LVIS_SELECTED, LVIS_SELECTED);
    if (!Save(SettledCapture(dialog.Handle()), output)) {
        std::fprintf(stderr, "quenlo-screenshot: cannot write %s\n", output);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return ScreenshotMain(argc, argv, "bmp", [](const char* output) {
        return udp::StartSockets() ? TakeScreenshot(output) : 1;
    });
}
