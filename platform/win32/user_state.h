// The in-memory window system: classes, windows, the message queue, cursor,
// screen and system metrics.
#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "win32/window_store.h"
#include "windows.h"

namespace kestu::platform::win32 {

struct WindowClass {
    std::string name;
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC proc = nullptr;
    int clsExtra = 0;
    int wndExtra = 0;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HICON iconSmall = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    LPCSTR menuNameArg = nullptr; // as given (integer id or the stored text)
    std::string menuName;
    std::vector<uint8_t> extra;
    int windowCount = 0;
};

struct Window {
    HWND handle = nullptr;
    std::shared_ptr<WindowClass> cls;
    std::string title;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{};       // window rectangle, screen coordinates
    RECT normalRect{}; // rectangle to restore after minimise or maximise
    bool hasMenu = false;
    bool destroying = false;
    HWND parent = nullptr;
    HMENU menu = nullptr;
    HINSTANCE instance = nullptr;
    WNDPROC proc = nullptr;
    LONG_PTR userData = 0;
    LONG_PTR id = 0;
    std::vector<uint8_t> extra;
    WindowStore store;
};

struct UserState {
    std::map<std::string, std::shared_ptr<WindowClass>> classes; // by lower-case name
    ATOM nextAtom = 0xC000;
    std::map<HWND, std::unique_ptr<Window>> windows; // by handle = creation order
    uintptr_t nextHandle = 0x10000;
    HWND desktop = nullptr;
    std::deque<MSG> queue;
    bool quitPending = false;
    int quitCode = 0;
    DWORD lastMessageTime = 0;
    HWND active = nullptr;
    HWND focus = nullptr;
    HWND capture = nullptr;
    POINT cursor{0, 0};
    RECT cursorClip{};
    bool cursorClipped = false;
    HCURSOR currentCursor = nullptr;
    int cursorShowCount = 0;
    int screenWidth = 1024;
    int screenHeight = 768;
    std::map<int, int> metricOverrides;
    std::vector<COLORREF> sysColors;
};

UserState& User();

Window* FindWindowRecord(HWND hwnd);
std::shared_ptr<WindowClass> LookupClass(LPCSTR name);
// Thickness of the non-client frame on each side for the given styles.
RECT FrameInsets(DWORD style, DWORD exStyle, bool hasMenu);
// Client size of a window from its rectangle and styles (never negative).
SIZE ClientSize(const Window& w);
// Screen position of the client area's top-left corner.
POINT ClientOrigin(const Window& w);
// Resizes the pixel store to the client size (content kept where it overlaps).
void SyncStore(Window& w);
void ApplyScreenSize();
// The parent's client origin for child windows, (0, 0) otherwise.
POINT ParentOrigin(const Window& w);
// Sends WM_SIZE and/or WM_MOVE with the window's current client area.
void SendSizeAndMove(HWND hwnd, bool sized, bool moved);
// Sets or clears WS_VISIBLE, sending WM_SHOWWINDOW when it changes.
void SetVisible(HWND hwnd, bool visible);

} // namespace kestu::platform::win32
