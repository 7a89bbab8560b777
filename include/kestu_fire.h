// CGfxFirePhysical: the core of a spreading fire. A grid of cells burns one
// random unburnt cell per interval while fuel lasts; the client's class says
// how a cell burns (and draws the flames). When every cell has burnt the grid
// starts over; the fuel is not refilled.
#pragma once
#include <windows.h>

#include "kestu_export.h"

struct KESTU_API SFirePhysicalInit {
    int32_t nWidth = 0;  // cells per row
    int32_t nHeight = 0; // rows
    float fFuel = 0.0f;
    float fInterval = 0.0f; // seconds between two burns

    int IsValid() const { return nWidth >= 1 && nHeight >= 1 && fFuel > 0.0f; }
};

class KESTU_API CGfxFirePhysical {
public:
    // Owns its cell array: a copy would free it twice.
    CGfxFirePhysical(const CGfxFirePhysical&) = delete;
    CGfxFirePhysical& operator=(const CGfxFirePhysical&) = delete;
    virtual ~CGfxFirePhysical();

    int IsNoFuel() const { return m_fFuel <= 0.0f ? 1 : 0; }
    float GetFuel() const { return m_fFuel; }
    int32_t GetWidth() const { return m_nWidth; }
    int32_t GetHeight() const { return m_nHeight; }
    float GetInterval() const { return m_fInterval; }
    int32_t GetUnburntNum() const { return m_nUnburnt; }
    float GetLastBurnTime() const { return m_fLastBurnTime; }
    // 1 when the cell has burnt in this round; cells outside the grid read 0.
    int IsCellBurnt(int row, int column) const;

protected:
    CGfxFirePhysical();

    // E_INVALIDARG for a grid narrower or lower than one cell (or too large to
    // count), E_OUTOFMEMORY without memory for the cells; an earlier grid is
    // freed first. Any fuel is accepted: fuel 0 or less is no fuel (IsNoFuel,
    // and Logic does nothing).
    HRESULT Build(const SFirePhysicalInit& init);
    // One step at the absolute time in seconds: at most one cell per interval.
    void Logic(float time);
    void ResetFuel();
    void Release();

    // Burns the cell; `fuelUsed` arrives holding the current time and leaves
    // holding the fuel the cell took. 0 leaves the cell unburnt.
    virtual BOOL BurnCell(int row, int column, float& fuelUsed) = 0;

private:
    int32_t m_nWidth;
    int32_t m_nHeight;
    float m_fFuel;
    float m_fInterval;
    BYTE* m_pCells; // row by row, 0 unburnt, 1 burnt
    int32_t m_nUnburnt;
    float m_fLastBurnTime;
};
