#include "pixels.h"

#include "files.h"
#include "remote.h"

#include <algorithm>

const char* IconName(Icon icon) {
    switch (icon) {
    case Icon::None: return "none";
    case Icon::Information: return "information";
    case Icon::Warning: return "warning";
    case Icon::Error: return "error";
    case Icon::Question: return "question";
    case Icon::Unknown: break;
    }
    return "unknown";
}

namespace {

Pixels ReadBitmap(HDC dc, HBITMAP bitmap, int width, int height, bool* complete = nullptr) {
    Pixels p;
    p.width = width;
    p.height = height;
    p.data.assign(static_cast<std::size_t>(width * height), 0);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const int lines =
        GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), p.data.data(), &info, DIB_RGB_COLORS);
    if (complete) *complete = lines == height;
    return p;
}

// Pixels of a width × height bitmap compatible with the screen, after draw(dc)
// has painted into it.
template <class Draw>
Pixels Offscreen(int width, int height, Draw draw, bool* complete = nullptr) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(dc, bitmap);
    draw(dc, screen);
    SelectObject(dc, old);
    Pixels p = ReadBitmap(dc, bitmap, width, height, complete);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return p;
}

// The icon drawn as the message box's static control draws it, over a plain
// background of the given colour.
Pixels DrawIcon(HICON icon, int width, int height, COLORREF background) {
    return Offscreen(width, height, [&](HDC dc, HDC) {
        HBRUSH brush = CreateSolidBrush(background);
        RECT all{0, 0, width, height};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        DrawIconEx(dc, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    });
}

Pixels CaptureScreen(const RECT& r, bool* complete = nullptr) {
    const int width = r.right - r.left, height = r.bottom - r.top;
    return Offscreen(
        width, height,
        [&](HDC dc, HDC screen) { BitBlt(dc, 0, 0, width, height, screen, r.left, r.top, SRCCOPY); },
        complete);
}

BOOL CALLBACK FindIconStatic(HWND child, LPARAM lParam) {
    if (ClassOf(child) == "Static" && IsWindowVisible(child) &&
        (StyleOf(child) & SS_TYPEMASK) == SS_ICON) {
        *reinterpret_cast<HWND*>(lParam) = child;
        return FALSE;
    }
    return TRUE;
}

// Share of the icon's opaque pixels (the same over black and over white) that
// the screen shows in the same colour.
double MatchShare(const Pixels& screen, HICON icon) {
    const Pixels black = DrawIcon(icon, screen.width, screen.height, RGB(0, 0, 0));
    const Pixels white = DrawIcon(icon, screen.width, screen.height, RGB(255, 255, 255));
    int opaque = 0, same = 0;
    for (int y = 0; y < screen.height; ++y)
        for (int x = 0; x < screen.width; ++x) {
            if (black.at(x, y) != white.at(x, y)) continue;
            ++opaque;
            if (black.at(x, y) == screen.at(x, y)) ++same;
        }
    return opaque ? static_cast<double>(same) / opaque : 0.0;
}

}  // namespace

// Icon handles mean nothing across processes, so the icon is told by its
// pixels: the box's icon control is compared with each standard icon.
Icon IdentifyIcon(HWND box) {
    HWND control = nullptr;
    EnumChildWindows(box, FindIconStatic, reinterpret_cast<LPARAM>(&control));
    if (!control) return Icon::None;
    RECT r;
    GetWindowRect(control, &r);
    if (r.right - r.left <= 0 || r.bottom - r.top <= 0) return Icon::None;
    // A box larger than the screen may have its icon off screen: move the
    // box so that the icon comes into view near the top left corner. Such a
    // box holds a very long text and takes a while to paint again.
    DWORD paintMs = 2000;
    if (r.left < 0 || r.top < 0 || r.right > GetSystemMetrics(SM_CXSCREEN) ||
        r.bottom > GetSystemMetrics(SM_CYSCREEN)) {
        RECT b;
        GetWindowRect(box, &b);
        SetWindowPos(box, nullptr, b.left - r.left + 8, b.top - r.top + 8, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        GetWindowRect(control, &r);
        paintMs = 20000;
    }
    static const struct {
        Icon icon;
        LPCSTR id;
    } kCandidates[] = {{Icon::Information, IDI_ASTERISK},
                       {Icon::Warning, IDI_EXCLAMATION},
                       {Icon::Error, IDI_HAND},
                       {Icon::Question, IDI_QUESTION}};
    Icon best = Icon::Unknown;
    // The box may not have painted yet: look again for a while.
    WaitUntil(
        [&] {
            const Pixels screen = CaptureScreen(r);
            double bestShare = 0.0;
            for (const auto& c : kCandidates) {
                HICON icon = static_cast<HICON>(LoadImageA(nullptr, c.id, IMAGE_ICON, screen.width,
                                                           screen.height, LR_SHARED));
                if (!icon) continue;
                const double share = MatchShare(screen, icon);
                if (share > bestShare) {
                    bestShare = share;
                    best = c.icon;
                }
            }
            if (bestShare < 0.95) best = Icon::Unknown;
            return best != Icon::Unknown;
        },
        paintMs);
    return best;
}

Pixels GrabScreen(const RECT& r) {
    if (r.right <= r.left || r.bottom <= r.top) return Pixels{};
    bool complete = false;
    const Pixels p = CaptureScreen(r, &complete);
    return complete ? p : Pixels{};
}

Pixels GrabWindow(HWND hwnd) {
    RECT r{};
    if (!GetWindowRect(hwnd, &r) || r.right <= r.left || r.bottom <= r.top) return Pixels{};
    bool complete = false;
    const Pixels p = CaptureScreen(r, &complete);
    return complete ? p : Pixels{};
}

Pixels GrabSettled(HWND hwnd) {
    Pixels last = GrabWindow(hwnd);
    Pixels now;
    WaitUntil(
        [&] {
            Sleep(150);
            now = GrabWindow(hwnd);
            const bool same = now == last && now.width > 0;
            last = now;
            return same;
        },
        5000);
    return last;
}

int DistinctColours(const Pixels& p, int enough, const RECT* r) {
    const int left = r ? std::max(0, static_cast<int>(r->left)) : 0;
    const int top = r ? std::max(0, static_cast<int>(r->top)) : 0;
    const int right = r ? std::min(p.width, static_cast<int>(r->right)) : p.width;
    const int bottom = r ? std::min(p.height, static_cast<int>(r->bottom)) : p.height;
    std::vector<DWORD> seen;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            const DWORD c = p.at(x, y);
            if (std::find(seen.begin(), seen.end(), c) == seen.end()) {
                seen.push_back(c);
                if (static_cast<int>(seen.size()) >= enough) return enough;
            }
        }
    return static_cast<int>(seen.size());
}

bool WriteBmp(const std::string& path, const Pixels& p) {
    // Bottom-up rows of blue, green, red, each padded to 4 bytes.
    const int stride = (p.width * 3 + 3) & ~3;
    std::string rows(static_cast<std::size_t>(stride) * p.height, '\0');
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const DWORD c = p.at(x, y);
            char* px = &rows[static_cast<std::size_t>(p.height - 1 - y) * stride + x * 3];
            px[0] = static_cast<char>(c & 0xFF);
            px[1] = static_cast<char>((c >> 8) & 0xFF);
            px[2] = static_cast<char>((c >> 16) & 0xFF);
        }
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = p.width;
    header.biHeight = p.height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(rows.size());
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&header), sizeof header);
    bytes += rows;
    return WriteTextFile(path, bytes);
}
