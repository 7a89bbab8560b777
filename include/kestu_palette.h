// Palette objects of 8-bit screens: a colour table shown through its GDI
// palette, the system palette's use, and frame-by-frame palette animation
// (fades, a flashing pulse, colour cycling).
#pragma once

#include <windows.h>

#include <cstdint>

#include "kestu_colortable.h"
#include "kestu_export.h"

struct IDirectDrawPalette;

// A range of palette entries.
struct KESTU_API ANISEG {
    int start = 0;
    int count = 256;
};

enum ANITYPE : int {
    ANI_FADETO = 0,   // fade to the colour
    ANI_FADEFROM = 1, // fade from the colour
    ANI_FLASH = 2,
    ANI_CYCLE = 3,
};

struct KESTU_API ANIINFO {
    int framesPerStep = 0; // calls of AniPal each step is shown for, beyond the first
    int type = -1;         // ANITYPE; any other value: no animation
    PALETTEENTRY colour{0, 0, 0, 0};
    COLORTABLE* colorTable = nullptr; // null: the palette object's own
    int segmentCount = 1;
    ANISEG segments[5];
};

// How AssignInto fills its range.
enum AD : int {
    AD_COLOR = 0,      // one colour
    AD_COLORTABLE = 1, // the colour table's colours
};

class KESTU_API PGFX {
public:
    PGFX();
    explicit PGFX(COLORTABLE* table);
    PGFX(const PGFX&) = default;
    PGFX& operator=(const PGFX&) = default;
    virtual ~PGFX();

    virtual int RealizeFromColorTable(HWND window);
    virtual int AniPal();
    virtual int AssignPal();
    virtual int AssignInto(AD mode, PALETTEENTRY colour, int start, int count);

    int AniSetup(const ANIINFO& info);
    void Reset();
    void StopFlash();
    int IsAnimating() const { return m_step > 0 ? 1 : 0; }
    int GetCurrentAnimateStep() const { return m_step; }
    int IsFlashing() const { return m_flashing; }
    int GetFlag() const { return m_flag; }
    void RestorePal();
    int GetColorEntries(int start, int count, PALETTEENTRY* out);

    void SelectIn(COLORTABLE* table) { m_colorTable = table; }
    COLORTABLE* GetColorTable() const { return m_colorTable; }
    // The palette the colour table shows through; null without a table.
    HPALETTE GetHpalRealized() const;

    void SetSystemPaletteToNoStatic();
    void RestoreSystemPalette();
    static void EmptySystemPalette();
    static void SetSystemPaletteToNoUse();
    static void ShowPalette(HDC dc, int x, int y);

    int IsNoStatic() const { return m_noStatic; }
    const PALETTEENTRY& GetCurrentEntry(int i) const { return m_current[i & 255]; }

protected:
    // The first and the count of the entries an application may change.
    int UsableStart() const { return m_noStatic ? 1 : 10; }
    int UsableCount() const { return m_noStatic ? 254 : 236; }
    // Advances the animation state after a step was shown.
    void PrepareNextStep();
    // Whether AniPal should show a step now; counts down the delay.
    bool BeginStep(int* result);
    void RaiseFlag() { ++m_flag; }
    static bool ClampRange(int& start, int& count);

    PALETTEENTRY m_current[256];
    PALETTEENTRY m_target[256];
    int8_t m_steps[256][4];
    COLORTABLE* m_colorTable;
    COLORREF m_savedSysColors[21];
    int m_sysElements[21];
    ANIINFO m_info;
    int m_step;
    int m_delay;
    int m_flag;
    int m_noStatic;
    int m_flashing;
};

// The palette object of the DirectDraw screen: every change also reaches
// the DirectDraw palette.
class KESTU_API DDPGFX : public PGFX {
public:
    DDPGFX() = default;
    explicit DDPGFX(COLORTABLE* table) : PGFX(table) {}

    int RealizeFromColorTable(HWND window) override;
    int AniPal() override;
    int AssignPal() override;
    int AssignInto(AD mode, PALETTEENTRY colour, int start, int count) override;

    void SetDDPalette(IDirectDrawPalette* palette) { m_ddPalette = palette; }
    IDirectDrawPalette* GetDDPalette() const { return m_ddPalette; }

private:
    IDirectDrawPalette* m_ddPalette = nullptr;
};
