// Window buffers: 2D buffers that show themselves in a window, and CDIB,
// the one whose pixels live in a GDI DIB section.
#pragma once

#include <windows.h>

#include <memory>

#include "kestu_export.h"
#include "kestu_palette.h"
#include "kestu_paper.h"

class KESTU_API WINDBUF : public DBUF {
public:
    WINDBUF();
    WINDBUF(const WINDBUF&) = default;
    WINDBUF& operator=(const WINDBUF&) = default;
    ~WINDBUF() override;

    using DBUF::Build;
    using DBUF::Paint;
    // Shows the w x h part at (sx, sy) of the buffer at (x, y) of the window.
    virtual int Paint(HWND window, int x, int y, int w, int h, int sx, int sy) = 0;
    virtual int FillScreen(HWND window, int x, int y, int w, int h, int colour);
    virtual int SetColorTable();
    virtual int Build(int bits, int w, int h, HWND window);
    virtual int AddToClipList(HWND window);

    int Show();
    int Show(int x, int y, int w, int h);
    void AdjustToCenter();

    void SetPosition(int x, int y)
    {
        m_xScreen = x;
        m_yScreen = y;
    }
    void GetPosition(int& x, int& y) const
    {
        x = m_xScreen;
        y = m_yScreen;
    }
    int GetXScreen() const { return m_xScreen; }
    int GetYScreen() const { return m_yScreen; }
    void SetWindow(HWND window) { m_hwnd = window; }
    HWND GetWindow() const { return m_hwnd; }
    PGFX* GetPpgfx() const { return m_palette.get(); }

protected:
    // Copies share the palette object; the last one deletes it.
    void SetPpgfx(PGFX* palette) { m_palette.reset(palette); }

    int m_xScreen;
    int m_yScreen;
    HWND m_hwnd;
    std::shared_ptr<PGFX> m_palette;
};

class KESTU_API CDIB : public WINDBUF {
public:
    CDIB();
    CDIB(const CDIB&) = default;
    CDIB& operator=(const CDIB&) = default;
    ~CDIB() override;

    using WINDBUF::Build;
    using WINDBUF::Paint;
    int Build(int bits, int w, int h, HWND window) override;
    void* Prepare(GRECT* rect) override;
    void Unprepare() override {}
    int Paint(HWND window, int x, int y, int w, int h, int sx, int sy) override;
    int SetColorTable() override;
    int WhoAmI() override { return 5; }
    void Replace(int colour);

    operator HBITMAP() const { return m_bitmap; }
    const BITMAPINFOHEADER& GetHeader() const { return m_header; }
    const RGBQUAD* GetDibColorTable() const { return m_colors; }

private:
    HBITMAP m_bitmap;
    void* m_bits;
    int m_paletteStamp;
    HWND m_dibWindow;
    BITMAPINFOHEADER m_header;
    RGBQUAD m_colors[256];
    // Copies share the DIB section; the last one deletes it.
    std::shared_ptr<void> m_bitmapOwner;
};
