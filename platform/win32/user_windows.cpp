// Windows: creation and destruction, placement, styles, text and window data.
#include <algorithm>
#include <cstring>

#include "win32/user_state.h"
#include "win32/win32_common.h"

namespace kestu::platform::win32 {

UserState& User()
{
    static UserState state;
    return state;
}

Window* FindWindowRecord(HWND hwnd)
{
    if (hwnd == nullptr) return nullptr;
    UserState& u = User();
    auto it = u.windows.find(hwnd);
    return it == u.windows.end() ? nullptr : it->second.get();
}

RECT FrameInsets(DWORD style, DWORD exStyle, bool hasMenu)
{
    auto metric = [](int i) { return GetSystemMetrics(i); };
    int frame = 0;
    if (style & WS_THICKFRAME)
        frame = metric(SM_CXFRAME);
    else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
        frame = metric(SM_CXDLGFRAME);
    else if (style & WS_BORDER)
        frame = metric(SM_CXBORDER);
    if (exStyle & WS_EX_CLIENTEDGE) frame += metric(SM_CXEDGE);
    if (exStyle & WS_EX_STATICEDGE) frame += metric(SM_CXBORDER);
    int top = frame;
    if ((style & WS_CAPTION) == WS_CAPTION)
        top += (exStyle & WS_EX_TOOLWINDOW) ? metric(SM_CYSMCAPTION) : metric(SM_CYCAPTION);
    if (hasMenu && !(style & WS_CHILD)) top += metric(SM_CYMENU);
    return RECT{frame, top, frame, frame};
}

SIZE ClientSize(const Window& w)
{
    RECT in = FrameInsets(w.style, w.exStyle, w.hasMenu);
    LONG cx = w.rect.right - w.rect.left - in.left - in.right;
    LONG cy = w.rect.bottom - w.rect.top - in.top - in.bottom;
    return SIZE{std::max<LONG>(cx, 0), std::max<LONG>(cy, 0)};
}

POINT ClientOrigin(const Window& w)
{
    RECT in = FrameInsets(w.style, w.exStyle, w.hasMenu);
    return POINT{w.rect.left + in.left, w.rect.top + in.top};
}

void SyncStore(Window& w)
{
    SIZE size = ClientSize(w);
    WindowStore& s = w.store;
    if (s.width == size.cx && s.height == size.cy) return;
    std::vector<uint32_t> pixels(static_cast<size_t>(size.cx) * static_cast<size_t>(size.cy), 0u);
    int32_t rows = std::min(s.height, size.cy);
    int32_t cols = std::min(s.width, size.cx);
    for (int32_t y = 0; y < rows; ++y)
        std::memcpy(pixels.data() + static_cast<size_t>(y) * size.cx,
                    s.pixels.data() + static_cast<size_t>(y) * s.width, static_cast<size_t>(cols) * 4);
    s.pixels.swap(pixels);
    s.width = size.cx;
    s.height = size.cy;
}

void ApplyScreenSize()
{
    UserState& u = User();
    if (Window* d = FindWindowRecord(u.desktop)) {
        d->rect = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        SyncStore(*d);
    }
}

} // namespace kestu::platform::win32

namespace kestu::platform {

WindowStore* GetWindowStore(HWND hwnd)
{
    win32::Window* w = win32::FindWindowRecord(hwnd);
    return w ? &w->store : nullptr;
}

} // namespace kestu::platform

using namespace kestu::platform::win32;

namespace {

HWND NewHandle()
{
    UserState& u = User();
    HWND h = reinterpret_cast<HWND>(u.nextHandle);
    u.nextHandle += 4;
    return h;
}

} // namespace

extern "C" {

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param)
{
    UserState& u = User();
    auto cls = LookupClass(className);
    if (!cls) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if (parent == HWND_MESSAGE) parent = nullptr;
    if (parent != nullptr && FindWindowRecord(parent) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if ((style & WS_CHILD) && parent == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }

    auto w = std::make_unique<Window>();
    HWND hwnd = NewHandle();
    w->handle = hwnd;
    w->cls = cls;
    w->title = windowName ? windowName : "";
    // Top-level overlapped windows always have a caption.
    if (!(style & (WS_POPUP | WS_CHILD))) style |= WS_CAPTION | WS_CLIPSIBLINGS;
    w->style = style & ~static_cast<DWORD>(WS_VISIBLE);
    w->exStyle = exStyle;
    w->parent = parent;
    w->instance = instance;
    w->proc = cls->proc;
    if (style & WS_CHILD)
        w->id = static_cast<LONG_PTR>(reinterpret_cast<intptr_t>(menu));
    else
        w->menu = menu;
    w->hasMenu = !(style & WS_CHILD) && (menu != nullptr || cls->menuNameArg != nullptr);
    w->extra.assign(static_cast<size_t>(cls->wndExtra), 0);

    bool overlapped = !(style & (WS_POPUP | WS_CHILD));
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) {
        width = overlapped ? GetSystemMetrics(SM_CXSCREEN) * 3 / 4 : 0;
        height = overlapped ? GetSystemMetrics(SM_CYSCREEN) * 3 / 4 : 0;
    }
    width = std::max(width, 0);
    height = std::max(height, 0);
    POINT origin = ParentOrigin(*w);
    w->rect = RECT{origin.x + x, origin.y + y, origin.x + x + width, origin.y + y + height};
    w->normalRect = w->rect;
    SyncStore(*w);
    cls->windowCount++;
    u.windows[hwnd] = std::move(w);

    CREATESTRUCTA cs{};
    cs.lpCreateParams = param;
    cs.hInstance = instance;
    cs.hMenu = menu;
    cs.hwndParent = parent;
    cs.cx = width;
    cs.cy = height;
    cs.x = x;
    cs.y = y;
    cs.style = static_cast<LONG>(style);
    cs.lpszName = windowName;
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;

    if (!SendMessageA(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (FindWindowRecord(hwnd) == nullptr) return nullptr;
    if (SendMessageA(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (FindWindowRecord(hwnd) == nullptr) return nullptr;
    SendSizeAndMove(hwnd, true, true);
    if (style & WS_VISIBLE) {
        SetVisible(hwnd, true);
        if (!(style & WS_CHILD)) u.active = u.focus = hwnd;
    }
    return FindWindowRecord(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd)
{
    UserState& u = User();
    Window* w = FindWindowRecord(hwnd);
    if (w == nullptr || hwnd == u.desktop) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (w->destroying) return TRUE;
    w->destroying = true;
    if (w->style & WS_VISIBLE) w->style &= ~static_cast<DWORD>(WS_VISIBLE);
    SendMessageA(hwnd, WM_DESTROY, 0, 0);
    // Children and owned windows go with their parent.
    std::vector<HWND> dependants;
    for (auto& [h, other] : u.windows)
        if (other->parent == hwnd) dependants.push_back(h);
    for (HWND h : dependants) DestroyWindow(h);
    SendMessageA(hwnd, WM_NCDESTROY, 0, 0);

    std::erase_if(u.queue, [hwnd](const MSG& m) { return m.hwnd == hwnd; });
    if (u.active == hwnd) u.active = nullptr;
    if (u.focus == hwnd) u.focus = nullptr;
    if (u.capture == hwnd) u.capture = nullptr;
    auto it = u.windows.find(hwnd);
    if (it != u.windows.end()) {
        it->second->cls->windowCount--;
        u.windows.erase(it);
    }
    return TRUE;
}

BOOL IsWindow(HWND hwnd) { return FindWindowRecord(hwnd) != nullptr; }

BOOL IsWindowVisible(HWND hwnd)
{
    Window* w = FindWindowRecord(hwnd);
    return w != nullptr && (w->style & WS_VISIBLE) != 0;
}

BOOL IsIconic(HWND hwnd)
{
    Window* w = FindWindowRecord(hwnd);
    return w != nullptr && (w->style & WS_MINIMIZE) != 0;
}

BOOL IsZoomed(HWND hwnd)
{
    Window* w = FindWindowRecord(hwnd);
    return w != nullptr && (w->style & WS_MAXIMIZE) != 0;
}

HWND GetParent(HWND hwnd)
{
    Window* w = FindWindowRecord(hwnd);
    return w ? w->parent : nullptr;
}

HWND FindWindowA(LPCSTR className, LPCSTR windowName)
{
    UserState& u = User();
    for (auto& [h, w] : u.windows) {
        if (h == u.desktop || (w->style & WS_CHILD)) continue;
        if (className != nullptr) {
            if (IS_INTRESOURCE(className)) {
                if (w->cls->atom != static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(className))) continue;
            } else if (!EqualsNoCase(w->cls->name, className)) {
                continue;
            }
        }
        if (windowName != nullptr && w->title != windowName) continue;
        return h;
    }
    return nullptr;
}

HWND GetDesktopWindow()
{
    UserState& u = User();
    if (FindWindowRecord(u.desktop) == nullptr) {
        auto w = std::make_unique<Window>();
        auto cls = std::make_shared<WindowClass>();
        cls->name = "#32769";
        cls->proc = DefWindowProcA;
        cls->windowCount = 1;
        HWND hwnd = NewHandle();
        w->handle = hwnd;
        w->cls = cls;
        w->style = WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN;
        w->proc = DefWindowProcA;
        w->rect = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        w->normalRect = w->rect;
        SyncStore(*w);
        u.windows[hwnd] = std::move(w);
        u.desktop = hwnd;
    }
    return u.desktop;
}

HWND GetActiveWindow() { return FindWindowRecord(User().active) ? User().active : nullptr; }

HWND SetActiveWindow(HWND hwnd)
{
    HWND old = GetActiveWindow();
    if (FindWindowRecord(hwnd) == nullptr) return nullptr;
    User().active = hwnd;
    return old;
}

HWND GetForegroundWindow() { return GetActiveWindow(); }

BOOL SetForegroundWindow(HWND hwnd) { return SetActiveWindow(hwnd) != nullptr || GetActiveWindow() == hwnd; }

HWND GetFocus() { return FindWindowRecord(User().focus) ? User().focus : nullptr; }

HWND SetFocus(HWND hwnd)
{
    HWND old = GetFocus();
    if (hwnd != nullptr && FindWindowRecord(hwnd) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    User().focus = hwnd;
    return old;
}

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index)
{
    Window* w = FindWindowRecord(hwnd);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (index >= 0) {
        if (static_cast<size_t>(index) + sizeof(LONG_PTR) > w->extra.size()) {
            SetLastError(ERROR_INVALID_INDEX);
            return 0;
        }
        LONG_PTR v = 0;
        std::memcpy(&v, w->extra.data() + index, sizeof(v));
        return v;
    }
    switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>(w->parent);
    case GWLP_ID: return w->id;
    case GWL_STYLE: return static_cast<LONG>(w->style);
    case GWL_EXSTYLE: return static_cast<LONG>(w->exStyle);
    case GWLP_USERDATA: return w->userData;
    default: SetLastError(ERROR_INVALID_INDEX); return 0;
    }
}

LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value)
{
    Window* w = FindWindowRecord(hwnd);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    LONG_PTR old = 0;
    if (index >= 0) {
        if (static_cast<size_t>(index) + sizeof(LONG_PTR) > w->extra.size()) {
            SetLastError(ERROR_INVALID_INDEX);
            return 0;
        }
        std::memcpy(&old, w->extra.data() + index, sizeof(old));
        std::memcpy(w->extra.data() + index, &value, sizeof(value));
        return old;
    }
    switch (index) {
    case GWLP_WNDPROC:
        old = reinterpret_cast<LONG_PTR>(w->proc);
        w->proc = reinterpret_cast<WNDPROC>(value);
        return old;
    case GWLP_HINSTANCE:
        old = reinterpret_cast<LONG_PTR>(w->instance);
        w->instance = reinterpret_cast<HINSTANCE>(value);
        return old;
    case GWLP_HWNDPARENT:
        old = reinterpret_cast<LONG_PTR>(w->parent);
        w->parent = reinterpret_cast<HWND>(value);
        return old;
    case GWLP_ID:
        old = w->id;
        w->id = value;
        return old;
    case GWLP_USERDATA:
        old = w->userData;
        w->userData = value;
        return old;
    case GWL_STYLE:
    case GWL_EXSTYLE: {
        DWORD& field = index == GWL_STYLE ? w->style : w->exStyle;
        old = static_cast<LONG>(field);
        field = static_cast<DWORD>(value);
        // The window rectangle stays; the client area follows the new frame.
        SyncStore(*w);
        return old;
    }
    default: SetLastError(ERROR_INVALID_INDEX); return 0;
    }
}

LONG GetWindowLongA(HWND hwnd, int index)
{
    Window* w = FindWindowRecord(hwnd);
    if (w != nullptr && index >= 0) {
        if (static_cast<size_t>(index) + sizeof(LONG) > w->extra.size()) {
            SetLastError(ERROR_INVALID_INDEX);
            return 0;
        }
        LONG v = 0;
        std::memcpy(&v, w->extra.data() + index, sizeof(v));
        return v;
    }
    return static_cast<LONG>(GetWindowLongPtrA(hwnd, index));
}

LONG SetWindowLongA(HWND hwnd, int index, LONG value)
{
    Window* w = FindWindowRecord(hwnd);
    if (w != nullptr && index >= 0) {
        if (static_cast<size_t>(index) + sizeof(LONG) > w->extra.size()) {
            SetLastError(ERROR_INVALID_INDEX);
            return 0;
        }
        LONG old = 0;
        std::memcpy(&old, w->extra.data() + index, sizeof(old));
        std::memcpy(w->extra.data() + index, &value, sizeof(value));
        return old;
    }
    // Styles are bit sets: keep them unsigned on the way to the wider field.
    if (index == GWL_STYLE || index == GWL_EXSTYLE)
        return static_cast<LONG>(SetWindowLongPtrA(hwnd, index, static_cast<LONG_PTR>(static_cast<DWORD>(value))));
    return static_cast<LONG>(SetWindowLongPtrA(hwnd, index, value));
}

BOOL UpdateWindow(HWND hwnd) { return IsWindow(hwnd); }
BOOL InvalidateRect(HWND hwnd, const RECT*, BOOL) { return hwnd == nullptr || IsWindow(hwnd); }
BOOL ValidateRect(HWND hwnd, const RECT*) { return hwnd == nullptr || IsWindow(hwnd); }

BOOL SetWindowTextA(HWND hwnd, LPCSTR text)
{
    if (!IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowTextA(HWND hwnd, LPSTR text, int maxCount)
{
    if (!IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        if (text != nullptr && maxCount > 0) text[0] = '\0';
        return 0;
    }
    return static_cast<int>(
        SendMessageA(hwnd, WM_GETTEXT, static_cast<WPARAM>(std::max(maxCount, 0)), reinterpret_cast<LPARAM>(text)));
}

int GetWindowTextLengthA(HWND hwnd)
{
    if (!IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL EnableWindow(HWND hwnd, BOOL enable)
{
    Window* w = FindWindowRecord(hwnd);
    if (w == nullptr) return FALSE;
    BOOL wasDisabled = (w->style & WS_DISABLED) ? TRUE : FALSE;
    if (enable)
        w->style &= ~static_cast<DWORD>(WS_DISABLED);
    else
        w->style |= WS_DISABLED;
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND hwnd)
{
    Window* w = FindWindowRecord(hwnd);
    return w != nullptr && !(w->style & WS_DISABLED);
}

} // extern "C"

namespace kestu::platform::win32 {

void ResetUser()
{
    // Windows are dropped without messages: their procedures may belong to
    // objects that no longer exist.
    UserState& u = User();
    uintptr_t next = u.nextHandle; // handles are never reused, even across resets
    u = UserState{};
    u.nextHandle = next;
}

} // namespace kestu::platform::win32
