// Cursor, keyboard state, system metrics and system colours.
#include <algorithm>

#include "host/host_win32.h"
#include "win32/user_state.h"
#include "win32/win32_common.h"

using namespace kestu::platform::win32;

namespace {

POINT Clamp(POINT p)
{
    UserState& u = User();
    LONG maxX = std::max(GetSystemMetrics(SM_CXSCREEN) - 1, 0);
    LONG maxY = std::max(GetSystemMetrics(SM_CYSCREEN) - 1, 0);
    p.x = std::clamp<LONG>(p.x, 0, maxX);
    p.y = std::clamp<LONG>(p.y, 0, maxY);
    if (u.cursorClipped) {
        p.x = std::clamp<LONG>(p.x, u.cursorClip.left, std::max(u.cursorClip.left, u.cursorClip.right - 1));
        p.y = std::clamp<LONG>(p.y, u.cursorClip.top, std::max(u.cursorClip.top, u.cursorClip.bottom - 1));
    }
    return p;
}

// The classic colour scheme.
const COLORREF kDefaultColors[31] = {
    RGB(212, 208, 200), RGB(58, 110, 165),  RGB(10, 36, 106),   RGB(128, 128, 128), RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(212, 208, 200), RGB(128, 128, 128), RGB(10, 36, 106),   RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(64, 64, 64),    RGB(212, 208, 200), RGB(0, 0, 0),       RGB(255, 255, 225),
    RGB(181, 181, 181), RGB(0, 0, 128),     RGB(166, 202, 240), RGB(192, 192, 192), RGB(49, 106, 197),
    RGB(236, 233, 216),
};

std::vector<COLORREF>& Colors()
{
    UserState& u = User();
    if (u.sysColors.empty()) u.sysColors.assign(std::begin(kDefaultColors), std::end(kDefaultColors));
    return u.sysColors;
}

} // namespace

extern "C" {

BOOL GetCursorPos(LPPOINT point)
{
    if (point == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *point = User().cursor;
    return TRUE;
}

BOOL SetCursorPos(int x, int y)
{
    User().cursor = Clamp(POINT{x, y});
    return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor)
{
    HCURSOR old = User().currentCursor;
    User().currentCursor = cursor;
    return old;
}

HCURSOR GetCursor() { return User().currentCursor; }

int ShowCursor(BOOL show)
{
    UserState& u = User();
    u.cursorShowCount += show ? 1 : -1;
    return u.cursorShowCount;
}

BOOL ClipCursor(const RECT* rect)
{
    UserState& u = User();
    if (rect == nullptr) {
        u.cursorClipped = false;
    } else {
        u.cursorClip = *rect;
        u.cursorClipped = true;
        u.cursor = Clamp(u.cursor);
    }
    return TRUE;
}

HWND SetCapture(HWND hwnd)
{
    HWND old = GetCapture();
    User().capture = FindWindowRecord(hwnd) ? hwnd : nullptr;
    return old;
}

BOOL ReleaseCapture()
{
    User().capture = nullptr;
    return TRUE;
}

HWND GetCapture() { return FindWindowRecord(User().capture) ? User().capture : nullptr; }

SHORT GetAsyncKeyState(int) { return 0; }
SHORT GetKeyState(int) { return 0; }

int GetSystemMetrics(int index)
{
    UserState& u = User();
    auto it = u.metricOverrides.find(index);
    if (it != u.metricOverrides.end()) return it->second;
    const int w = u.screenWidth, h = u.screenHeight;
    switch (index) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
    case SM_CXVIRTUALSCREEN: return w;
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN: return h;
    case SM_CYFULLSCREEN: return h - 19;
    case SM_CXMAXIMIZED:
    case SM_CXMAXTRACK: return w + 8;
    case SM_CYMAXIMIZED:
    case SM_CYMAXTRACK: return h + 8;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL: return 16;
    case SM_CYVTHUMB:
    case SM_CXHTHUMB: return 16;
    case SM_CYCAPTION:
    case SM_CYMENU: return 19;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CYSMCAPTION: return 15;
    case SM_CXSIZE:
    case SM_CYSIZE:
    case SM_CXMENUSIZE:
    case SM_CYMENUSIZE: return 18;
    case SM_CXSMSIZE:
    case SM_CYSMSIZE: return 12;
    case SM_CXMIN:
    case SM_CXMINTRACK: return 112;
    case SM_CYMIN:
    case SM_CYMINTRACK: return 27;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG: return 4;
    case SM_CXICONSPACING:
    case SM_CYICONSPACING: return 75;
    case SM_CXMINIMIZED: return 160;
    case SM_CYMINIMIZED: return 24;
    case SM_CXMINSPACING: return 160;
    case SM_CYMINSPACING: return 24;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK: return 13;
    case SM_MOUSEPRESENT:
    case SM_MOUSEWHEELPRESENT:
    case SM_CMONITORS:
    case SM_SAMEDISPLAYFORMAT: return 1;
    case SM_CMOUSEBUTTONS: return 3;
    default: return 0;
    }
}

DWORD GetSysColor(int index)
{
    std::vector<COLORREF>& c = Colors();
    if (index < 0 || static_cast<size_t>(index) >= c.size()) return 0;
    return c[static_cast<size_t>(index)];
}

BOOL SetSysColors(int count, const INT* elements, const COLORREF* colors)
{
    if (count < 0 || (count > 0 && (elements == nullptr || colors == nullptr))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<COLORREF>& c = Colors();
    for (int i = 0; i < count; ++i)
        if (elements[i] >= 0 && static_cast<size_t>(elements[i]) < c.size())
            c[static_cast<size_t>(elements[i])] = colors[i] & 0x00FFFFFF;
    return TRUE;
}

} // extern "C"

namespace host {

void SetCursorPosition(int x, int y) { ::SetCursorPos(x, y); }
POINT GetCursorPosition() { return User().cursor; }
int GetCursorShowCount() { return User().cursorShowCount; }
HCURSOR GetCurrentCursor() { return User().currentCursor; }

void SetScreenSize(int width, int height)
{
    UserState& u = User();
    u.screenWidth = std::max(width, 1);
    u.screenHeight = std::max(height, 1);
    u.metricOverrides.erase(SM_CXSCREEN);
    u.metricOverrides.erase(SM_CYSCREEN);
    u.cursor = Clamp(u.cursor);
    ApplyScreenSize();
}

void SetSystemMetric(int index, int value)
{
    User().metricOverrides[index] = value;
    ApplyScreenSize();
}

} // namespace host
