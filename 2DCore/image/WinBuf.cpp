#include "kestu_winbuf.h"

WINDBUF::WINDBUF() : m_xScreen(0), m_yScreen(0), m_hwnd(nullptr) { m_orientation = 1; }

WINDBUF::~WINDBUF() = default;

int WINDBUF::FillScreen(HWND, int, int, int, int, int) { return 0; }
int WINDBUF::SetColorTable() { return 1; }
int WINDBUF::Build(int, int, int, HWND) { return 0; }
int WINDBUF::AddToClipList(HWND) { return 0; }

int WINDBUF::Show() { return Paint(m_hwnd, m_xScreen, m_yScreen, m_rect.width, m_rect.height, 0, 0); }

int WINDBUF::Show(int x, int y, int w, int h) { return Paint(m_hwnd, m_xScreen + x, m_yScreen + y, w, h, x, y); }

void WINDBUF::AdjustToCenter()
{
    RECT r{};
    if (!GetClientRect(m_hwnd, &r)) return;
    m_xScreen = (r.right - m_rect.width - r.left + 1) / 2;
    m_yScreen = (r.bottom - m_rect.height - r.top + 1) / 2;
}
