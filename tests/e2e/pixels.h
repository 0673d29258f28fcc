// Pixels of the screen: telling a message box's icon by what it shows (icon
// handles mean nothing across processes), and pictures of windows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

enum class Icon { None, Information, Warning, Error, Question, Unknown };
const char* IconName(Icon icon);

// The standard icon the box's icon control shows: None without one, Unknown
// when it matches none of them.
Icon IdentifyIcon(HWND box);

struct Pixels {
    int width = 0, height = 0;
    std::vector<DWORD> data;  // top-down 0x00RRGGBB
    DWORD at(int x, int y) const { return data[static_cast<std::size_t>(y * width + x)] & 0xFFFFFF; }
    COLORREF Colour(int x, int y) const {
        const DWORD v = at(x, y);
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    bool operator==(const Pixels& o) const {
        return width == o.width && height == o.height && data == o.data;
    }
};

// The window as it is on the screen: with Wine drawing the frame itself
// (Managed=N) that includes the caption and its buttons. Empty on failure.
Pixels GrabWindow(HWND hwnd);
// The screen's pixels in r (screen coordinates). Empty on failure.
Pixels GrabScreen(const RECT& r);
// A window that has just appeared may not have painted all of itself yet:
// grabs until two pictures a little apart are the same.
Pixels GrabSettled(HWND hwnd);
// The number of colours in the picture, counted up to enough; within r only
// (picture coordinates, clipped to the picture) when given.
int DistinctColours(const Pixels& p, int enough, const RECT* r = nullptr);
// A 24-bit BMP file.
bool WriteBmp(const std::string& path, const Pixels& p);
