// Window placement: rectangles, moves and sizes, showing, coordinates.
#include <algorithm>

#include "win32/user_state.h"
#include "win32/win32_common.h"

namespace kestu::platform::win32 {

// The parent's client origin for child windows, (0, 0) otherwise.
POINT ParentOrigin(const Window& w)
{
    if (w.style & WS_CHILD)
        if (const Window* p = FindWindowRecord(w.parent)) return ClientOrigin(*p);
    return POINT{0, 0};
}

void SendSizeAndMove(HWND hwnd, bool sized, bool moved)
{
    Window* w = FindWindowRecord(hwnd);
    if (w == nullptr) return;
    if (sized) {
        SIZE s = ClientSize(*w);
        WPARAM kind = (w->style & WS_MINIMIZE)   ? SIZE_MINIMIZED
                      : (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED
                                                 : SIZE_RESTORED;
        SendMessageA(hwnd, WM_SIZE, kind, MAKELPARAM(s.cx, s.cy));
    }
    w = FindWindowRecord(hwnd);
    if (w != nullptr && moved) {
        POINT o = ClientOrigin(*w);
        POINT p = ParentOrigin(*w);
        SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(o.x - p.x, o.y - p.y));
    }
}

void SetVisible(HWND hwnd, bool visible)
{
    Window* w = FindWindowRecord(hwnd);
    if (w == nullptr) return;
    bool was = (w->style & WS_VISIBLE) != 0;
    if (was == visible) return;
    if (visible)
        w->style |= WS_VISIBLE;
    else
        w->style &= ~static_cast<DWORD>(WS_VISIBLE);
    SendMessageA(hwnd, WM_SHOWWINDOW, visible ? TRUE : FALSE, 0);
}

} // namespace kestu::platform::win32

using namespace kestu::platform::win32;

extern "C" {

BOOL GetWindowRect(HWND hwnd, LPRECT rect)
{
    Window* w = FindWindowRecord(hwnd);
    if (w == nullptr || rect == nullptr) {
        SetLastError(w == nullptr ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *rect = w->rect;
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect)
{
    Window* w = FindWindowRecord(hwnd);
    if (w == nullptr || rect == nullptr) {
        SetLastError(w == nullptr ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    SIZE s = ClientSize(*w);
    *rect = RECT{0, 0, s.cx, s.cy};
    return TRUE;
}

BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle)
{
    if (rect == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    RECT in = FrameInsets(style, exStyle, menu != FALSE);
    rect->left -= in.left;
    rect->top -= in.top;
    rect->right += in.right;
    rect->bottom += in.bottom;
    return TRUE;
}

BOOL AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu) { return AdjustWindowRectEx(rect, style, menu, 0); }

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    Window* w = FindWindowRecord(hwnd);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!(flags & SWP_NOZORDER)) {
        if (insertAfter == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
        if (insertAfter == HWND_NOTOPMOST) w->exStyle &= ~static_cast<DWORD>(WS_EX_TOPMOST);
    }
    RECT old = w->rect;
    RECT r = w->rect;
    if (!(flags & SWP_NOMOVE)) {
        POINT o = ParentOrigin(*w);
        LONG width = r.right - r.left, height = r.bottom - r.top;
        r.left = o.x + x;
        r.top = o.y + y;
        r.right = r.left + width;
        r.bottom = r.top + height;
    }
    if (!(flags & SWP_NOSIZE)) {
        r.right = r.left + std::max(cx, 0);
        r.bottom = r.top + std::max(cy, 0);
    }
    w->rect = r;
    if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) w->normalRect = r;
    SIZE before = {w->store.width, w->store.height};
    SyncStore(*w);
    bool sized = before.cx != w->store.width || before.cy != w->store.height ||
                 (old.right - old.left) != (r.right - r.left) || (old.bottom - old.top) != (r.bottom - r.top);
    bool moved = old.left != r.left || old.top != r.top;
    if (flags & SWP_SHOWWINDOW) SetVisible(hwnd, true);
    if (flags & SWP_HIDEWINDOW) SetVisible(hwnd, false);
    if (!(flags & SWP_NOACTIVATE) && (flags & SWP_SHOWWINDOW)) User().active = hwnd;
    SendSizeAndMove(hwnd, sized || (flags & SWP_FRAMECHANGED), moved);
    return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL)
{
    return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL ShowWindow(HWND hwnd, int cmdShow)
{
    Window* w = FindWindowRecord(hwnd);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    BOOL wasVisible = (w->style & WS_VISIBLE) ? TRUE : FALSE;
    const DWORD minMax = WS_MINIMIZE | WS_MAXIMIZE;
    switch (cmdShow) {
    case SW_HIDE: SetVisible(hwnd, false); return wasVisible;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE:
        if (!(w->style & minMax)) w->normalRect = w->rect;
        w->style = (w->style & ~minMax) | WS_MINIMIZE;
        SetVisible(hwnd, true);
        if ((w = FindWindowRecord(hwnd)) != nullptr) SendMessageA(hwnd, WM_SIZE, SIZE_MINIMIZED, 0);
        return wasVisible;
    case SW_SHOWMAXIMIZED: {
        if (!(w->style & minMax)) w->normalRect = w->rect;
        w->style = (w->style & ~minMax) | WS_MAXIMIZE;
        RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        AdjustWindowRectEx(&r, w->style, w->hasMenu, w->exStyle);
        w->rect = r;
        SyncStore(*w);
        SetVisible(hwnd, true);
        User().active = hwnd;
        SendSizeAndMove(hwnd, true, true);
        return wasVisible;
    }
    case SW_RESTORE:
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT:
        if (w->style & minMax) {
            w->style &= ~minMax;
            w->rect = w->normalRect;
            SyncStore(*w);
            SetVisible(hwnd, true);
            SendSizeAndMove(hwnd, true, true);
        } else {
            SetVisible(hwnd, true);
        }
        User().active = hwnd;
        return wasVisible;
    default:
        SetVisible(hwnd, true);
        if (cmdShow == SW_SHOW) User().active = hwnd;
        return wasVisible;
    }
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point)
{
    Window* w = FindWindowRecord(hwnd);
    if (w == nullptr || point == nullptr) return FALSE;
    POINT o = ClientOrigin(*w);
    point->x -= o.x;
    point->y -= o.y;
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point)
{
    Window* w = FindWindowRecord(hwnd);
    if (w == nullptr || point == nullptr) return FALSE;
    POINT o = ClientOrigin(*w);
    point->x += o.x;
    point->y += o.y;
    return TRUE;
}

} // extern "C"
