#include <gtest/gtest.h>

#include <vector>

#include "host/host_win32.h"
#include "win32/window_store.h"
#include "windows.h"

namespace {

struct Seen {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Seen> g_seen;
LRESULT g_createResult = 0;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    g_seen.push_back({hwnd, msg, wParam, lParam});
    if (msg == WM_CREATE) return g_createResult;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

std::vector<UINT> Messages()
{
    std::vector<UINT> out;
    for (const Seen& s : g_seen) out.push_back(s.msg);
    return out;
}

class Win32Window : public ::testing::Test {
protected:
    void SetUp() override
    {
        host::ResetWin32();
        g_seen.clear();
        g_createResult = 0;
        WNDCLASSA wc{};
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = RecordingProc;
        wc.cbWndExtra = 16;
        wc.lpszClassName = "Test Window";
        ASSERT_NE(RegisterClassA(&wc), 0);
    }
    void TearDown() override { host::ResetWin32(); }

    HWND Make(DWORD style, int w, int h, DWORD ex = 0)
    {
        return CreateWindowExA(ex, "Test Window", "title", style, 10, 20, w, h, nullptr, nullptr, nullptr, nullptr);
    }
};

TEST_F(Win32Window, CreationSendsMessagesInOrderAndSizesTheStore)
{
    HWND hwnd = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 200);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW}));

    RECT wr, cr;
    ASSERT_TRUE(GetWindowRect(hwnd, &wr));
    ASSERT_TRUE(GetClientRect(hwnd, &cr));
    EXPECT_EQ(wr.left, 10);
    EXPECT_EQ(wr.top, 20);
    EXPECT_EQ(wr.right - wr.left, 300);
    EXPECT_EQ(wr.bottom - wr.top, 200);
    // The frame takes room: growing the client rectangle by the frame gives
    // back the window size.
    EXPECT_LT(cr.right, 300);
    EXPECT_LT(cr.bottom, 200);
    RECT grown = cr;
    ASSERT_TRUE(AdjustWindowRect(&grown, WS_OVERLAPPEDWINDOW, FALSE));
    EXPECT_EQ(grown.right - grown.left, 300);
    EXPECT_EQ(grown.bottom - grown.top, 200);
    // WM_SIZE carries the client size.
    EXPECT_EQ(LOWORD(g_seen[2].lParam), cr.right);
    EXPECT_EQ(HIWORD(g_seen[2].lParam), cr.bottom);

    auto* store = kestu::platform::GetWindowStore(hwnd);
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->width, cr.right);
    EXPECT_EQ(store->height, cr.bottom);
    EXPECT_EQ(store->pixels.size(), static_cast<size_t>(cr.right * cr.bottom));
    EXPECT_TRUE(IsWindowVisible(hwnd));

    // Client coordinates start inside the frame.
    POINT p{wr.left, wr.top};
    ASSERT_TRUE(ScreenToClient(hwnd, &p));
    EXPECT_LT(p.x, 0);
    EXPECT_LT(p.y, 0);
    POINT back = p;
    ASSERT_TRUE(ClientToScreen(hwnd, &back));
    EXPECT_EQ(back.x, wr.left);
    EXPECT_EQ(back.y, wr.top);
}

TEST_F(Win32Window, StoreFollowsClientAreaThroughMovesAndStyleChanges)
{
    // The engine's default style: a popup has no frame, client = window.
    HWND hwnd = Make(WS_POPUP | WS_SYSMENU, 200, 100);
    ASSERT_NE(hwnd, nullptr);
    auto* store = kestu::platform::GetWindowStore(hwnd);
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->width, 200);
    EXPECT_EQ(store->height, 100);
    store->pixels[5 * 200 + 7] = 0x00ABCDEF;

    g_seen.clear();
    ASSERT_TRUE(SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 320, 240, SWP_NOMOVE));
    store = kestu::platform::GetWindowStore(hwnd);
    EXPECT_EQ(store->width, 320);
    EXPECT_EQ(store->height, 240);
    EXPECT_EQ(store->pixels[5 * 320 + 7], 0x00ABCDEFu) << "content kept where old and new areas overlap";
    ASSERT_EQ(Messages(), std::vector<UINT>{WM_SIZE});
    EXPECT_EQ(g_seen[0].wParam, static_cast<WPARAM>(SIZE_RESTORED));
    EXPECT_EQ(g_seen[0].lParam, MAKELPARAM(320, 240));
    EXPECT_TRUE(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);

    // A move alone sends WM_MOVE and keeps the store.
    g_seen.clear();
    ASSERT_TRUE(SetWindowPos(hwnd, HWND_NOTOPMOST, 50, 60, 0, 0, SWP_NOSIZE));
    EXPECT_EQ(Messages(), std::vector<UINT>{WM_MOVE});
    EXPECT_FALSE(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT wr;
    GetWindowRect(hwnd, &wr);
    EXPECT_EQ(wr.left, 50);
    EXPECT_EQ(wr.right, 370);

    // A framed style keeps the window rectangle and shrinks the client area.
    LONG old = SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(WS_OVERLAPPEDWINDOW));
    EXPECT_EQ(static_cast<DWORD>(old), static_cast<DWORD>(WS_POPUP | WS_SYSMENU));
    RECT cr;
    GetClientRect(hwnd, &cr);
    RECT grown = cr;
    AdjustWindowRect(&grown, WS_OVERLAPPEDWINDOW, FALSE);
    EXPECT_EQ(grown.right - grown.left, 320);
    EXPECT_EQ(kestu::platform::GetWindowStore(hwnd)->width, cr.right);
    EXPECT_EQ(kestu::platform::GetWindowStore(hwnd)->height, cr.bottom);

    // Popup styles with the top bit set survive the 32-bit round trip.
    SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(0x80080000u));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)), 0x80080000u);
}

TEST_F(Win32Window, SentMessagesRunAtOncePostedOnesWaitInTheQueue)
{
    HWND hwnd = Make(WS_POPUP, 64, 64);
    ASSERT_NE(hwnd, nullptr);
    g_seen.clear();

    EXPECT_EQ(SendMessageA(hwnd, WM_USER + 1, 11, 22), 0);
    ASSERT_EQ(Messages(), std::vector<UINT>{WM_USER + 1});
    EXPECT_EQ(g_seen[0].wParam, 11u);
    EXPECT_EQ(g_seen[0].lParam, 22);

    g_seen.clear();
    ASSERT_TRUE(PostMessageA(hwnd, WM_USER + 2, 1, 2));
    ASSERT_TRUE(PostMessageA(hwnd, WM_KEYDOWN, 3, 4));
    ASSERT_TRUE(PostMessageA(nullptr, WM_APP, 5, 6)); // a thread message
    EXPECT_TRUE(g_seen.empty());

    MSG m{};
    // A range filter picks the key message first and PM_NOREMOVE leaves it.
    ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_KEYDOWN));
    ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));

    // Handle -1 selects thread messages only.
    ASSERT_TRUE(PeekMessageA(&m, reinterpret_cast<HWND>(static_cast<intptr_t>(-1)), 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_APP));
    EXPECT_EQ(m.hwnd, nullptr);
    EXPECT_EQ(DispatchMessageA(&m), 0); // no window: nothing runs
    EXPECT_TRUE(g_seen.empty());

    ASSERT_TRUE(PeekMessageA(&m, hwnd, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 2));
    EXPECT_EQ(m.hwnd, hwnd);
    DispatchMessageA(&m);
    ASSERT_EQ(Messages(), std::vector<UINT>{WM_USER + 2});
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));

    // Quit comes after everything else.
    PostQuitMessage(3);
    PostMessageA(hwnd, WM_USER + 3, 0, 0);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 3));
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(m.wParam, 3u);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));

    // Invalid targets fail.
    EXPECT_FALSE(PostMessageA(reinterpret_cast<HWND>(0x1234), WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(Win32Window, CloseThroughDefaultProcedureDestroysTheWindow)
{
    HWND hwnd = Make(WS_OVERLAPPEDWINDOW, 100, 100);
    ASSERT_NE(hwnd, nullptr);
    PostMessageA(hwnd, WM_USER, 0, 0);
    g_seen.clear();

    EXPECT_EQ(SendMessageA(hwnd, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(kestu::platform::GetWindowStore(hwnd), nullptr);
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) << "messages of a destroyed window are dropped";
    EXPECT_FALSE(DestroyWindow(hwnd));
    RECT r;
    EXPECT_FALSE(GetWindowRect(hwnd, &r));
    // The class has no windows left, so it can go.
    EXPECT_TRUE(UnregisterClassA("test window", nullptr));
}

TEST_F(Win32Window, ChildWindowsDieWithTheirParent)
{
    HWND parent = Make(WS_POPUP, 100, 100);
    HWND child = CreateWindowExA(0, "Test Window", "", WS_CHILD, 5, 6, 20, 20, parent, nullptr, nullptr, nullptr);
    ASSERT_NE(child, nullptr);
    // A parent filter also takes its children's messages.
    PostMessageA(child, WM_USER, 0, 0);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, parent, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.hwnd, child);
    RECT r;
    GetWindowRect(child, &r);
    EXPECT_EQ(r.left, 15); // placed in the parent's client area
    EXPECT_EQ(r.top, 26);
    EXPECT_FALSE(UnregisterClassA("Test Window", nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_HAS_WINDOWS));
    DestroyWindow(parent);
    EXPECT_FALSE(IsWindow(child));
    EXPECT_EQ(nullptr, CreateWindowExA(0, "Test Window", "", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
}

TEST_F(Win32Window, CreationFailures)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = "TEST WINDOW";
    EXPECT_EQ(RegisterClassA(&wc), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));

    EXPECT_EQ(CreateWindowExA(0, "No Such Class", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));

    g_createResult = -1;
    g_seen.clear();
    EXPECT_EQ(Make(WS_POPUP, 10, 10), nullptr);
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_TRUE(host::ListWindows().empty());
}

TEST_F(Win32Window, WindowDataTextAndClassData)
{
    HWND hwnd = Make(WS_POPUP, 10, 10);
    ASSERT_NE(hwnd, nullptr);
    // Extra bytes: in range, and an index past the end.
    EXPECT_EQ(SetWindowLongA(hwnd, 12, 77), 0);
    EXPECT_EQ(GetWindowLongA(hwnd, 12), 77);
    EXPECT_EQ(GetWindowLongA(hwnd, 13), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
    EXPECT_EQ(SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0x123456789), 0);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_USERDATA), 0x123456789);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(RecordingProc));

    ASSERT_TRUE(SetWindowTextA(hwnd, "Kestu Application"));
    char text[8];
    EXPECT_EQ(GetWindowTextA(hwnd, text, sizeof(text)), 7);
    EXPECT_STREQ(text, "Kestu A");
    EXPECT_EQ(GetWindowTextLengthA(hwnd), 17);
    EXPECT_EQ(FindWindowA("test window", "Kestu Application"), hwnd);
    EXPECT_EQ(FindWindowA(nullptr, "other"), nullptr);

    // The class cursor is pointer-sized.
    HCURSOR cursor = reinterpret_cast<HCURSOR>(static_cast<uintptr_t>(0x7f0012345678));
    SetClassLongPtrA(hwnd, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(cursor));
    EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongA(hwnd, GCL_HCURSOR)), cursor);
    EXPECT_EQ(GetClassLongA(hwnd, GCL_STYLE), static_cast<ULONG_PTR>(CS_HREDRAW | CS_VREDRAW));
}

TEST_F(Win32Window, ShowWindowMinimiseMaximiseRestore)
{
    host::SetScreenSize(800, 600);
    HWND hwnd = Make(WS_OVERLAPPEDWINDOW, 200, 150);
    ASSERT_NE(hwnd, nullptr);
    g_seen.clear();
    EXPECT_FALSE(ShowWindow(hwnd, SW_SHOWMAXIMIZED));
    EXPECT_TRUE(IsZoomed(hwnd));
    RECT cr;
    GetClientRect(hwnd, &cr);
    EXPECT_EQ(cr.right, 800);
    EXPECT_EQ(cr.bottom, 600);
    bool sawMax = false;
    for (const Seen& s : g_seen) sawMax |= s.msg == WM_SIZE && s.wParam == SIZE_MAXIMIZED;
    EXPECT_TRUE(sawMax);

    EXPECT_TRUE(ShowWindow(hwnd, SW_MINIMIZE));
    EXPECT_TRUE(IsIconic(hwnd));
    EXPECT_EQ(g_seen.back().msg, static_cast<UINT>(WM_SIZE));
    EXPECT_EQ(g_seen.back().wParam, static_cast<WPARAM>(SIZE_MINIMIZED));

    ShowWindow(hwnd, SW_RESTORE);
    EXPECT_FALSE(IsIconic(hwnd));
    EXPECT_FALSE(IsZoomed(hwnd));
    RECT wr;
    GetWindowRect(hwnd, &wr);
    EXPECT_EQ(wr.right - wr.left, 200);
    EXPECT_EQ(wr.bottom - wr.top, 150);
    EXPECT_TRUE(ShowWindow(hwnd, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(hwnd));
}

TEST_F(Win32Window, CursorMetricsAndColours)
{
    // A top-level window of style 0 gets a caption.
    HWND plain = Make(WS_OVERLAPPED, 100, 100);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(plain, GWL_STYLE)) & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));

    host::SetScreenSize(640, 480);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 640);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 480);
    host::SetSystemMetric(SM_CYCAPTION, 25);
    EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 25);
    RECT r{0, 0, 100, 100};
    AdjustWindowRect(&r, WS_CAPTION, FALSE);
    EXPECT_EQ(r.top, -25 - GetSystemMetrics(SM_CYDLGFRAME));

    // The cursor is clamped to the screen.
    SetCursorPos(1000, -5);
    POINT p;
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 639);
    EXPECT_EQ(p.y, 0);

    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(ShowCursor(TRUE), 0);
    HCURSOR c = reinterpret_cast<HCURSOR>(static_cast<uintptr_t>(0x40));
    EXPECT_EQ(SetCursor(c), nullptr);
    EXPECT_EQ(SetCursor(nullptr), c);

    DWORD old = GetSysColor(COLOR_BTNFACE);
    INT element = COLOR_BTNFACE;
    COLORREF red = RGB(255, 0, 0);
    ASSERT_TRUE(SetSysColors(1, &element, &red));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), red);
    host::ResetWin32();
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), old);
    EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 19);
}

} // namespace
