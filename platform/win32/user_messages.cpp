// The message queue, sent and posted messages, and the default window
// procedure.
#include <algorithm>
#include <cstring>

#include "win32/user_state.h"
#include "win32/win32_common.h"

using namespace kestu::platform::win32;

namespace {

// The window itself or one of its children, grandchildren...
bool IsWindowOrDescendant(HWND candidate, HWND ancestor)
{
    for (int depth = 0; candidate != nullptr && depth < 64; ++depth) {
        if (candidate == ancestor) return true;
        const Window* w = FindWindowRecord(candidate);
        if (w == nullptr || !(w->style & WS_CHILD)) return false;
        candidate = w->parent;
    }
    return false;
}

bool Matches(const MSG& m, HWND hwnd, UINT filterMin, UINT filterMax)
{
    if (hwnd == reinterpret_cast<HWND>(static_cast<intptr_t>(-1))) {
        if (m.hwnd != nullptr) return false;
    } else if (hwnd != nullptr && !IsWindowOrDescendant(m.hwnd, hwnd)) {
        return false;
    }
    if (filterMin == 0 && filterMax == 0) return true;
    return m.message >= filterMin && m.message <= filterMax;
}

MSG MakeMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    MSG m{};
    m.hwnd = hwnd;
    m.message = msg;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = GetTickCount();
    GetCursorPos(&m.pt);
    return m;
}

std::vector<HWND> TopLevelWindows()
{
    UserState& u = User();
    std::vector<HWND> out;
    for (auto& [h, w] : u.windows)
        if (h != u.desktop && !(w->style & WS_CHILD)) out.push_back(h);
    return out;
}

} // namespace

extern "C" {

BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    UserState& u = User();
    if (hwnd == HWND_BROADCAST) {
        for (HWND h : TopLevelWindows()) u.queue.push_back(MakeMessage(h, msg, wParam, lParam));
        return TRUE;
    }
    if (hwnd != nullptr && FindWindowRecord(hwnd) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    u.queue.push_back(MakeMessage(hwnd, msg, wParam, lParam));
    return TRUE;
}

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (hwnd == HWND_BROADCAST) {
        for (HWND h : TopLevelWindows()) SendMessageA(h, msg, wParam, lParam);
        return 0;
    }
    Window* w = FindWindowRecord(hwnd);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    WNDPROC proc = w->proc ? w->proc : DefWindowProcA;
    return proc(hwnd, msg, wParam, lParam);
}

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg)
{
    UserState& u = User();
    if (msg == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto it = std::find_if(u.queue.begin(), u.queue.end(),
                           [&](const MSG& m) { return Matches(m, hwnd, filterMin, filterMax); });
    if (it != u.queue.end()) {
        *msg = *it;
        if (removeMsg & PM_REMOVE) u.queue.erase(it);
        u.lastMessageTime = msg->time;
        return TRUE;
    }
    // WM_QUIT comes after every other message.
    if (u.quitPending && (hwnd == nullptr || hwnd == reinterpret_cast<HWND>(static_cast<intptr_t>(-1))) &&
        ((filterMin == 0 && filterMax == 0) || (WM_QUIT >= filterMin && WM_QUIT <= filterMax))) {
        *msg = MakeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(u.quitCode), 0);
        if (removeMsg & PM_REMOVE) u.quitPending = false;
        return TRUE;
    }
    return FALSE;
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageA(const MSG* msg)
{
    if (msg == nullptr || msg->hwnd == nullptr) return 0;
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        using TimerProc = void (*)(HWND, UINT, UINT_PTR, DWORD);
        reinterpret_cast<TimerProc>(msg->lParam)(msg->hwnd, msg->message, msg->wParam, msg->time);
        return 0;
    }
    return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int exitCode)
{
    UserState& u = User();
    u.quitPending = true;
    u.quitCode = exitCode;
}

DWORD GetMessageTime() { return User().lastMessageTime; }

LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return proc ? proc(hwnd, msg, wParam, lParam) : 0;
}

LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Window* w = FindWindowRecord(hwnd);
    if (w == nullptr) return 0;
    switch (msg) {
    case WM_NCCREATE: return TRUE;
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_SETTEXT: w->title = lParam ? reinterpret_cast<const char*>(lParam) : ""; return TRUE;
    case WM_GETTEXT: {
        char* out = reinterpret_cast<char*>(lParam);
        if (out == nullptr || wParam == 0) return 0;
        size_t n = std::min(w->title.size(), static_cast<size_t>(wParam) - 1);
        std::memcpy(out, w->title.data(), n);
        out[n] = '\0';
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(w->title.size());
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE: SendMessageA(hwnd, WM_CLOSE, 0, 0); break;
        case SC_MINIMIZE: ShowWindow(hwnd, SW_MINIMIZE); break;
        case SC_MAXIMIZE: ShowWindow(hwnd, SW_SHOWMAXIMIZED); break;
        case SC_RESTORE: ShowWindow(hwnd, SW_RESTORE); break;
        default: break;
        }
        return 0;
    case WM_NCHITTEST: {
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        POINT o = ClientOrigin(*w);
        SIZE s = ClientSize(*w);
        if (p.x >= o.x && p.y >= o.y && p.x < o.x + s.cx && p.y < o.y + s.cy) return HTCLIENT;
        if (p.x >= w->rect.left && p.y >= w->rect.top && p.x < w->rect.right && p.y < o.y) return HTCAPTION;
        return HTNOWHERE;
    }
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT && w->cls->cursor != nullptr) {
            SetCursor(w->cls->cursor);
            return TRUE;
        }
        return FALSE;
    case WM_QUERYENDSESSION:
    case WM_QUERYOPEN:
    case WM_NCACTIVATE: return TRUE;
    case WM_MOUSEACTIVATE: return 1; // MA_ACTIVATE
    default: return 0;
    }
}

} // extern "C"
