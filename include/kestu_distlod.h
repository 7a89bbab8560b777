// SGfxDistLOD: ascending distance thresholds, held squared, that map a
// distance from the eye to a level of detail.
#pragma once
#include "kestu_export.h"
#include <cstdint>

#pragma pack(push, 1)
struct KESTU_API SGfxDistLOD {
    static constexpr int kMaxLevels = 16;

    // Entry i: the squared distance up to which level i is used.
    float m_fRefQ[kMaxLevels];
    unsigned char m_byLevelCount;
    unsigned char m_byMinLevel;

    SGfxDistLOD();

    // Indices and counts stay below 16; nothing is checked.
    void Set(const float* distances, unsigned char count, unsigned char minLevel);
    float GetRef(unsigned char i) const;
    float GetRefQ(unsigned char i) const { return m_fRefQ[i]; }
    void SetRef(unsigned char i, float d) { m_fRefQ[i] = d * d; }
    void SetRefQ(unsigned char i, float d2) { m_fRefQ[i] = d2; }
    unsigned char GetLevelCount() const { return m_byLevelCount; }
    unsigned char GetMinLevel() const { return m_byMinLevel; }

    unsigned char GetLevel(float distance) const { return GetLevelQ(distance * distance); }
    // The first level from the minimum whose entry is strictly greater than
    // d2; the level count when there is none.
    unsigned char GetLevelQ(float d2) const
    {
        for (unsigned char i = m_byMinLevel; i < m_byLevelCount; ++i)
            if (m_fRefQ[i] > d2) return i;
        return m_byLevelCount;
    }
};
#pragma pack(pop)
static_assert(sizeof(SGfxDistLOD) == 66, "SGfxDistLOD is 66 packed bytes");
