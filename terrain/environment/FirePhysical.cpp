// CGfxFirePhysical: the fire's grid, fuel and clock.
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "kestu_fire.h"

CGfxFirePhysical::CGfxFirePhysical()
    : m_nWidth(0), m_nHeight(0), m_fFuel(0.0f), m_fInterval(0.0f), m_pCells(nullptr), m_nUnburnt(0),
      m_fLastBurnTime(0.0f)
{
}

CGfxFirePhysical::~CGfxFirePhysical() { Release(); }

HRESULT CGfxFirePhysical::Build(const SFirePhysicalInit& init)
{
    Release();
    // Any fuel is accepted (0 or less builds a fire that never burns); only the
    // grid must be countable.
    if (init.nWidth < 1 || init.nHeight < 1 || init.nWidth > std::numeric_limits<int32_t>::max() / init.nHeight)
        return E_INVALIDARG;
    m_pCells = new (std::nothrow) BYTE[size_t(init.nWidth) * size_t(init.nHeight)];
    if (!m_pCells) return E_OUTOFMEMORY;
    m_nWidth = init.nWidth;
    m_nHeight = init.nHeight;
    m_fFuel = init.fFuel;
    m_fInterval = init.fInterval;
    ResetFuel();
    return S_OK;
}

void CGfxFirePhysical::Release()
{
    delete[] m_pCells;
    m_pCells = nullptr;
    m_nUnburnt = 0;
}

void CGfxFirePhysical::ResetFuel()
{
    if (!m_pCells) return;
    std::memset(m_pCells, 0, size_t(m_nWidth) * size_t(m_nHeight));
    m_nUnburnt = m_nWidth * m_nHeight;
}

int CGfxFirePhysical::IsCellBurnt(int row, int column) const
{
    if (!m_pCells || row < 0 || row >= m_nHeight || column < 0 || column >= m_nWidth) return 0;
    return m_pCells[row * m_nWidth + column];
}

void CGfxFirePhysical::Logic(float time)
{
    if (!(m_fLastBurnTime + m_fInterval < time)) return;
    if (m_fFuel <= 0.0f || !m_pCells) return;
    m_fLastBurnTime = time;
    // A one-cell grid has no unburnt cell left after its first burn: it
    // starts over, so its one cell burns on every step.
    if (m_nUnburnt <= 0) ResetFuel();

    int k = std::rand() % m_nUnburnt;
    const int total = m_nWidth * m_nHeight;
    int n = 0;
    for (; n < total; ++n)
        if (m_pCells[n] == 0 && k-- == 0) break;
    const int row = n / m_nWidth, column = n % m_nWidth;
    float used = time;
    if (!BurnCell(row, column, used)) return;
    if (--m_nUnburnt <= 0) {
        // The last cell of the round: the grid starts over with this one burnt.
        ResetFuel();
        --m_nUnburnt;
    }
    m_pCells[n] = 1;
    m_fFuel -= used;
}
