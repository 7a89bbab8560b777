// Window classes: registration, lookup and class data.
#include <algorithm>
#include <cstring>

#include "win32/user_state.h"
#include "win32/win32_common.h"

using namespace kestu::platform::win32;

namespace {

std::shared_ptr<WindowClass> FindClass(LPCSTR name)
{
    UserState& u = User();
    if (name == nullptr) return nullptr;
    if (IS_INTRESOURCE(name)) {
        ATOM atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name));
        for (auto& [key, cls] : u.classes)
            if (cls->atom == atom) return cls;
        return nullptr;
    }
    auto it = u.classes.find(LowerAscii(name));
    return it == u.classes.end() ? nullptr : it->second;
}

ATOM Register(const WNDCLASSEXA& wc)
{
    if (wc.lpszClassName == nullptr || IS_INTRESOURCE(wc.lpszClassName) || wc.lpszClassName[0] == '\0' ||
        wc.cbClsExtra < 0 || wc.cbWndExtra < 0 || wc.cbClsExtra > 40 * 1024 || wc.cbWndExtra > 40 * 1024) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    UserState& u = User();
    std::string key = LowerAscii(wc.lpszClassName);
    if (u.classes.count(key)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto cls = std::make_shared<WindowClass>();
    cls->name = wc.lpszClassName;
    cls->atom = u.nextAtom++;
    cls->style = wc.style;
    cls->proc = wc.lpfnWndProc;
    cls->clsExtra = wc.cbClsExtra;
    cls->wndExtra = wc.cbWndExtra;
    cls->instance = wc.hInstance;
    cls->icon = wc.hIcon;
    cls->iconSmall = wc.hIconSm;
    cls->cursor = wc.hCursor;
    cls->background = wc.hbrBackground;
    if (wc.lpszMenuName != nullptr && !IS_INTRESOURCE(wc.lpszMenuName)) {
        cls->menuName = wc.lpszMenuName;
        cls->menuNameArg = cls->menuName.c_str();
    } else {
        cls->menuNameArg = wc.lpszMenuName;
    }
    cls->extra.assign(static_cast<size_t>(wc.cbClsExtra), 0);
    u.classes[key] = cls;
    return cls->atom;
}

} // namespace

namespace kestu::platform::win32 {
std::shared_ptr<WindowClass> LookupClass(LPCSTR name) { return FindClass(name); }
} // namespace kestu::platform::win32

extern "C" {

ATOM RegisterClassA(const WNDCLASSA* wc)
{
    if (wc == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    WNDCLASSEXA ex{};
    ex.cbSize = sizeof(ex);
    ex.style = wc->style;
    ex.lpfnWndProc = wc->lpfnWndProc;
    ex.cbClsExtra = wc->cbClsExtra;
    ex.cbWndExtra = wc->cbWndExtra;
    ex.hInstance = wc->hInstance;
    ex.hIcon = wc->hIcon;
    ex.hCursor = wc->hCursor;
    ex.hbrBackground = wc->hbrBackground;
    ex.lpszMenuName = wc->lpszMenuName;
    ex.lpszClassName = wc->lpszClassName;
    return Register(ex);
}

ATOM RegisterClassExA(const WNDCLASSEXA* wc)
{
    if (wc == nullptr || wc->cbSize != sizeof(WNDCLASSEXA)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Register(*wc);
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE)
{
    auto cls = FindClass(className);
    if (!cls) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (cls->windowCount > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    User().classes.erase(LowerAscii(cls->name));
    return TRUE;
}

BOOL GetClassInfoExA(HINSTANCE, LPCSTR className, LPWNDCLASSEXA wc)
{
    auto cls = FindClass(className);
    if (!cls || wc == nullptr) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    wc->style = cls->style;
    wc->lpfnWndProc = cls->proc;
    wc->cbClsExtra = cls->clsExtra;
    wc->cbWndExtra = cls->wndExtra;
    wc->hInstance = cls->instance;
    wc->hIcon = cls->icon;
    wc->hCursor = cls->cursor;
    wc->hbrBackground = cls->background;
    wc->lpszMenuName = cls->menuNameArg;
    wc->lpszClassName = cls->name.c_str();
    wc->hIconSm = cls->iconSmall;
    return cls->atom;
}

BOOL GetClassInfoA(HINSTANCE instance, LPCSTR className, LPWNDCLASSA wc)
{
    WNDCLASSEXA ex{};
    ex.cbSize = sizeof(ex);
    if (wc == nullptr || !GetClassInfoExA(instance, className, &ex)) return FALSE;
    wc->style = ex.style;
    wc->lpfnWndProc = ex.lpfnWndProc;
    wc->cbClsExtra = ex.cbClsExtra;
    wc->cbWndExtra = ex.cbWndExtra;
    wc->hInstance = ex.hInstance;
    wc->hIcon = ex.hIcon;
    wc->hCursor = ex.hCursor;
    wc->hbrBackground = ex.hbrBackground;
    wc->lpszMenuName = ex.lpszMenuName;
    wc->lpszClassName = ex.lpszClassName;
    return TRUE;
}

ULONG_PTR GetClassLongPtrA(HWND hwnd, int index)
{
    Window* w = FindWindowRecord(hwnd);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    WindowClass& c = *w->cls;
    if (index >= 0) {
        if (static_cast<size_t>(index) + sizeof(ULONG_PTR) > c.extra.size()) {
            // Also accept a 32-bit read at the tail of the extra bytes.
            if (static_cast<size_t>(index) + sizeof(DWORD) > c.extra.size()) {
                SetLastError(ERROR_INVALID_INDEX);
                return 0;
            }
            DWORD v = 0;
            std::memcpy(&v, c.extra.data() + index, sizeof(v));
            return v;
        }
        ULONG_PTR v = 0;
        std::memcpy(&v, c.extra.data() + index, sizeof(v));
        return v;
    }
    switch (index) {
    case GCLP_MENUNAME: return reinterpret_cast<ULONG_PTR>(c.menuNameArg);
    case GCLP_HBRBACKGROUND: return reinterpret_cast<ULONG_PTR>(c.background);
    case GCLP_HCURSOR: return reinterpret_cast<ULONG_PTR>(c.cursor);
    case GCLP_HICON: return reinterpret_cast<ULONG_PTR>(c.icon);
    case GCLP_HMODULE: return reinterpret_cast<ULONG_PTR>(c.instance);
    case GCL_CBWNDEXTRA: return static_cast<ULONG_PTR>(c.wndExtra);
    case GCL_CBCLSEXTRA: return static_cast<ULONG_PTR>(c.clsExtra);
    case GCLP_WNDPROC: return reinterpret_cast<ULONG_PTR>(c.proc);
    case GCL_STYLE: return c.style;
    case GCW_ATOM: return c.atom;
    case GCLP_HICONSM: return reinterpret_cast<ULONG_PTR>(c.iconSmall);
    default: SetLastError(ERROR_INVALID_INDEX); return 0;
    }
}

ULONG_PTR GetClassLongA(HWND hwnd, int index) { return GetClassLongPtrA(hwnd, index); }

ULONG_PTR SetClassLongPtrA(HWND hwnd, int index, LONG_PTR value)
{
    Window* w = FindWindowRecord(hwnd);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    WindowClass& c = *w->cls;
    ULONG_PTR old = GetClassLongPtrA(hwnd, index);
    if (index >= 0) {
        if (static_cast<size_t>(index) + sizeof(LONG_PTR) > c.extra.size()) {
            SetLastError(ERROR_INVALID_INDEX);
            return 0;
        }
        std::memcpy(c.extra.data() + index, &value, sizeof(value));
        return old;
    }
    switch (index) {
    case GCLP_HBRBACKGROUND: c.background = reinterpret_cast<HBRUSH>(value); break;
    case GCLP_HCURSOR: c.cursor = reinterpret_cast<HCURSOR>(value); break;
    case GCLP_HICON: c.icon = reinterpret_cast<HICON>(value); break;
    case GCLP_HICONSM: c.iconSmall = reinterpret_cast<HICON>(value); break;
    case GCLP_WNDPROC: c.proc = reinterpret_cast<WNDPROC>(value); break;
    case GCL_STYLE: c.style = static_cast<UINT>(value); break;
    default: SetLastError(ERROR_INVALID_INDEX); return 0;
    }
    return old;
}

int GetClassNameA(HWND hwnd, LPSTR name, int maxCount)
{
    Window* w = FindWindowRecord(hwnd);
    if (w == nullptr || name == nullptr || maxCount <= 0) {
        SetLastError(w == nullptr ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = std::min(w->cls->name.size(), static_cast<size_t>(maxCount - 1));
    std::memcpy(name, w->cls->name.data(), n);
    name[n] = '\0';
    return static_cast<int>(n);
}

} // extern "C"
