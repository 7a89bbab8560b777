#include "kestu_palette.h"

#include <algorithm>
#include <cstring>

namespace {

const int kSysElements[21] = {
    COLOR_ACTIVEBORDER, COLOR_ACTIVECAPTION, COLOR_APPWORKSPACE,   COLOR_BACKGROUND,      COLOR_BTNFACE,
    COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW,     COLOR_BTNTEXT,        COLOR_CAPTIONTEXT,     COLOR_GRAYTEXT,
    COLOR_HIGHLIGHT,    COLOR_HIGHLIGHTTEXT, COLOR_INACTIVEBORDER, COLOR_INACTIVECAPTION, COLOR_INACTIVECAPTIONTEXT,
    COLOR_MENU,         COLOR_MENUTEXT,      COLOR_SCROLLBAR,      COLOR_WINDOW,          COLOR_WINDOWFRAME,
    COLOR_WINDOWTEXT,
};

int8_t StepOf(int to, int from) { return static_cast<int8_t>((to - from) / 16); }

BYTE AddStep(BYTE v, int8_t step) { return static_cast<BYTE>(v + step); }

} // namespace

PGFX::PGFX() : PGFX(nullptr) {}

PGFX::PGFX(COLORTABLE* table) : m_colorTable(table), m_step(0), m_delay(0), m_flag(-1), m_noStatic(0), m_flashing(0)
{
    std::memset(m_current, 0, sizeof(m_current));
    std::memset(m_target, 0, sizeof(m_target));
    std::memset(m_steps, 0, sizeof(m_steps));
    std::memset(m_savedSysColors, 0, sizeof(m_savedSysColors));
    std::memcpy(m_sysElements, kSysElements, sizeof(m_sysElements));
}

PGFX::~PGFX() = default;

HPALETTE PGFX::GetHpalRealized() const { return m_colorTable != nullptr ? m_colorTable->GetHpal() : nullptr; }

bool PGFX::ClampRange(int& start, int& count)
{
    start = std::clamp(start, 0, 256);
    count = std::clamp(count, 0, 256 - start);
    return count > 0;
}

int PGFX::AniSetup(const ANIINFO& info)
{
    m_info = info;
    m_info.segmentCount = std::clamp(m_info.segmentCount, 0, 5);
    for (int s = 0; s < 5; ++s) ClampRange(m_info.segments[s].start, m_info.segments[s].count);
    m_delay = m_info.framesPerStep;
    m_step = 16;
    if (m_info.type < ANI_FADETO || m_info.type > ANI_CYCLE) {
        m_step = 0;
        return 1;
    }
    HPALETTE own = GetHpalRealized();
    HPALETTE from = m_info.colorTable != nullptr ? m_info.colorTable->GetHpal() : own;
    const PALETTEENTRY c = m_info.colour;
    const ANISEG first = m_info.segments[0];
    const bool hasFirst = m_info.segmentCount > 0;

    auto readSegments = [&] {
        for (int s = 0; s < m_info.segmentCount; ++s) {
            const ANISEG& g = m_info.segments[s];
            if (from != nullptr && g.count > 0)
                GetPaletteEntries(from, UINT(g.start), UINT(g.count), &m_current[g.start]);
        }
    };

    switch (m_info.type) {
    case ANI_FADETO:
        readSegments();
        if (hasFirst)
            for (int i = first.start; i < first.start + first.count; ++i) {
                m_current[i].peFlags = PC_RESERVED;
                m_target[i] = PALETTEENTRY{c.peRed, c.peGreen, c.peBlue, PC_RESERVED};
                m_steps[i][0] = StepOf(c.peRed, m_current[i].peRed);
                m_steps[i][1] = StepOf(c.peGreen, m_current[i].peGreen);
                m_steps[i][2] = StepOf(c.peBlue, m_current[i].peBlue);
            }
        break;
    case ANI_FADEFROM: {
        for (auto& e : m_current) e = PALETTEENTRY{c.peRed, c.peGreen, c.peBlue, e.peFlags};
        COLORTABLE* table = m_info.colorTable != nullptr ? m_info.colorTable : m_colorTable;
        const RGBQUAD* rgb = table != nullptr ? table->GetRGB() : nullptr;
        if (hasFirst)
            for (int i = first.start; i < first.start + first.count; ++i) {
                m_current[i].peFlags = PC_RESERVED;
                const PALETTEENTRY t = rgb != nullptr
                                           ? PALETTEENTRY{rgb[i].rgbRed, rgb[i].rgbGreen, rgb[i].rgbBlue, PC_RESERVED}
                                           : PALETTEENTRY{0, 0, 0, PC_RESERVED};
                m_target[i] = t;
                m_steps[i][0] = StepOf(t.peRed, c.peRed);
                m_steps[i][1] = StepOf(t.peGreen, c.peGreen);
                m_steps[i][2] = StepOf(t.peBlue, c.peBlue);
            }
        break;
    }
    case ANI_FLASH:
        readSegments();
        if (hasFirst)
            for (int i = first.start; i < first.start + first.count; ++i) {
                m_target[i] = m_current[i];
                m_steps[i][0] = StepOf(c.peRed, m_current[i].peRed);
                m_steps[i][1] = StepOf(c.peGreen, m_current[i].peGreen);
                m_steps[i][2] = StepOf(c.peBlue, m_current[i].peBlue);
                m_current[i].peFlags = PC_RESERVED;
            }
        m_flashing = 1;
        break;
    case ANI_CYCLE:
        if (own != nullptr) GetPaletteEntries(own, 0, 256, m_current);
        break;
    default: break;
    }
    return 1;
}

bool PGFX::BeginStep(int* result)
{
    if (m_step == 0) {
        *result = 0;
        return false;
    }
    if (m_delay > 0) {
        --m_delay;
        *result = 1;
        return false;
    }
    m_delay = m_info.framesPerStep;
    --m_step;
    *result = 1;
    return true;
}

void PGFX::PrepareNextStep()
{
    const ANISEG first = m_info.segments[0];
    const int firstEnd = m_info.segmentCount > 0 ? first.start + first.count : first.start;
    auto addSteps = [&] {
        for (int i = first.start; i < firstEnd; ++i) {
            m_current[i].peRed = AddStep(m_current[i].peRed, m_steps[i][0]);
            m_current[i].peGreen = AddStep(m_current[i].peGreen, m_steps[i][1]);
            m_current[i].peBlue = AddStep(m_current[i].peBlue, m_steps[i][2]);
            m_current[i].peFlags = PC_RESERVED;
        }
    };
    switch (m_info.type) {
    case ANI_FADETO:
    case ANI_FADEFROM:
        if (m_step == 1)
            for (int i = first.start; i < firstEnd; ++i) m_current[i] = m_target[i];
        else if (m_step > 1)
            addSteps();
        break;
    case ANI_FLASH:
        if (m_step == 10) {
            m_step = 16;
            for (int i = first.start; i < firstEnd; ++i)
                for (int k = 0; k < 3; ++k) m_steps[i][k] = static_cast<int8_t>(-m_steps[i][k]);
        } else if (m_step > 0) {
            addSteps();
        }
        break;
    case ANI_CYCLE:
        for (int s = 0; s < m_info.segmentCount; ++s) {
            const ANISEG& g = m_info.segments[s];
            if (g.count > 1)
                std::rotate(&m_current[g.start], &m_current[g.start + g.count - 1], &m_current[g.start + g.count]);
        }
        if (m_step == 0) m_step = 16;
        break;
    default: break;
    }
}

int PGFX::AniPal()
{
    int result = 0;
    if (!BeginStep(&result)) return result;
    HPALETTE pal = GetHpalRealized();
    if (pal != nullptr)
        for (int s = 0; s < m_info.segmentCount; ++s) {
            const ANISEG& g = m_info.segments[s];
            if (g.count > 0) AnimatePalette(pal, UINT(g.start), UINT(g.count), &m_current[g.start]);
        }
    PrepareNextStep();
    return 1;
}

void PGFX::Reset()
{
    m_step = 0;
    m_delay = 0;
}

void PGFX::StopFlash()
{
    m_flashing = 0;
    m_step = 2;
    m_delay = 0;
}

void PGFX::RestorePal()
{
    if (m_colorTable != nullptr) m_colorTable->RestoreLogicalPalette(SYSTEMPALETTE_NOSTATIC);
}

int PGFX::GetColorEntries(int start, int count, PALETTEENTRY* out)
{
    HPALETTE pal = GetHpalRealized();
    if (pal == nullptr || out == nullptr || !ClampRange(start, count)) return 0;
    return static_cast<int>(GetPaletteEntries(pal, UINT(start), UINT(count), out));
}

int PGFX::AssignPal()
{
    const RGBQUAD* rgb = m_colorTable != nullptr ? m_colorTable->GetRGB() : nullptr;
    HPALETTE pal = GetHpalRealized();
    if (rgb == nullptr || pal == nullptr) return 0;
    for (int i = 0; i < 256; ++i)
        m_current[i] = PALETTEENTRY{rgb[i].rgbRed, rgb[i].rgbGreen, rgb[i].rgbBlue, PC_RESERVED};
    AnimatePalette(pal, UINT(UsableStart()), UINT(UsableCount()), &m_current[UsableStart()]);
    return 1;
}

int PGFX::AssignInto(AD mode, PALETTEENTRY colour, int start, int count)
{
    if (!ClampRange(start, count)) return 0;
    const RGBQUAD* rgb = m_colorTable != nullptr ? m_colorTable->GetRGB() : nullptr;
    if (mode == AD_COLORTABLE && rgb == nullptr) return 0;
    for (int i = start; i < start + count; ++i)
        m_current[i] = mode == AD_COLORTABLE ? PALETTEENTRY{rgb[i].rgbRed, rgb[i].rgbGreen, rgb[i].rgbBlue, PC_RESERVED}
                                             : PALETTEENTRY{colour.peRed, colour.peGreen, colour.peBlue, PC_RESERVED};
    HPALETTE pal = GetHpalRealized();
    if (pal != nullptr) AnimatePalette(pal, UINT(start), UINT(count), &m_current[start]);
    return 1;
}

int PGFX::RealizeFromColorTable(HWND window)
{
    HPALETTE pal = GetHpalRealized();
    if (pal == nullptr) return 0;
    HDC dc = GetDC(window);
    if (dc == nullptr) return 0;
    SelectPalette(dc, pal, FALSE);
    RealizePalette(dc);
    ReleaseDC(window, dc);
    RaiseFlag();
    return 1;
}
