// CDD: the 2D screen of the DirectDraw modes. All objects share one
// DirectDraw object, primary surface, clipper and 8-bit palette; each owns
// an off-screen surface (or the back buffer of a flip chain).
#pragma once

#include <windows.h>
#include <ddraw.h>

#include "kestu_export.h"
#include "kestu_winbuf.h"

class KESTU_API CDD : public WINDBUF {
public:
    CDD();
    CDD(int w, int h, int systemMemory);
    CDD(const CDD&) = delete;
    CDD& operator=(const CDD&) = delete;
    ~CDD() override;

    using WINDBUF::Paint;
    int Paint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD paintType, const GRECT* clip) override;
    void SetTransColor(int colour) override;
    int WhoAmI() override { return 0; }
    void* Prepare(GRECT* rect) override;
    void Unprepare() override;
    int Paint(HWND window, int x, int y, int w, int h, int sx, int sy) override;
    int FillScreen(HWND window, int x, int y, int w, int h, int colour) override;
    int AddToClipList(HWND window) override;
    virtual int SetDisplayMode(HWND window, int createOffScreen, unsigned long flags);
    virtual int SetDisplayMode(HWND window, int width, int height, int bits, int createOffScreen, unsigned long flags);
    virtual int RestoreDisplayMode();

    int SetCooperativeLevel(HWND window, unsigned long flags);
    int CreatePrimarySurface();
    int CreateSurface(int w, int h, int systemMemory);
    int Flip();
    int AbsLock();
    int AbsUnLock();
    int IsAbsLock() const { return m_absLock != nullptr ? 1 : 0; }
    int CreateColorTable(HWND window, HPALETTE palette);
    // 1 when this object held a surface and released it.
    int ReleaseSurface();
    // The result of the last Unprepare: 1 when the unlock succeeded or an absolute lock holds.
    int GetUnprepareResult() const { return m_unprepareResult; }

    void SetComplex(int complex) { m_complex = complex; }
    IDirectDrawSurface4* GetOffScreenSurface() const { return m_offScreen; }
    const DDSURFACEDESC2& GetSurfaceDesc() const { return m_desc; }

    static IDirectDraw4* GetDD() { return m_lpDD; }
    static IDirectDrawSurface4* GetPrimarySurface() { return m_lpDDSPrimary; }
    static IDirectDrawPalette* GetDDPalette() { return m_lpDDPOffScreen; }
    static int GetCDDNumber() { return m_iCntr; }
    static const DDCAPS_DX7& GetDriverCaps() { return m_ddDriverCaps; }
    static const DDPIXELFORMAT& GetSurfacePixelFormat() { return m_ddpf; }
    static float GetLighteness() { return m_fLighteness; }
    static const DDGAMMARAMP& GetOriginalGammaRamp() { return m_OriginalGammaRamp; }
    static const DDGAMMARAMP& GetBaseGammaRamp() { return m_BaseGammaRamp; }

    static long InitLightenessSetting();
    static long SetLighteness(float f);
    static long SetBaseGammaRamp(const DDGAMMARAMP& ramp, int apply);

private:
    int CreateFlipSurface();
    void ReadPixelFormat();
    // Locks the off-screen surface (or part) with retries; the memory or null.
    void* LockLoop(RECT* rect);
    int CreateSurfaces(int createOffScreen);
    static void ReleaseShared();

    IDirectDrawSurface4* m_offScreen = nullptr;
    int m_complex = 0;
    DDSURFACEDESC2 m_desc{};
    void* m_absLock = nullptr;
    int m_unprepareResult = 1;

    static IDirectDraw4* m_lpDD;
    static IDirectDrawSurface4* m_lpDDSPrimary;
    static IDirectDrawClipper* m_lpDDClipper;
    static IDirectDrawPalette* m_lpDDPOffScreen;
    static int m_iCntr;
    static DDCAPS_DX7 m_ddDriverCaps;
    static DDPIXELFORMAT m_ddpf;
    static int m_flgCtblChged;
    static float m_fLighteness;
    static DDGAMMARAMP m_OriginalGammaRamp;
    static DDGAMMARAMP m_BaseGammaRamp;
};
