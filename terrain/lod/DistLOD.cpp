// SGfxDistLOD: setting the squared thresholds.
#include <cmath>

#include "kestu_distlod.h"

SGfxDistLOD::SGfxDistLOD() : m_fRefQ{}, m_byLevelCount(0), m_byMinLevel(0) {}

void SGfxDistLOD::Set(const float* distances, unsigned char count, unsigned char minLevel)
{
    m_byLevelCount = count;
    m_byMinLevel = minLevel;
    for (int i = 0; i < kMaxLevels; ++i) m_fRefQ[i] = i < count ? distances[i] * distances[i] : 0.0f;
}

float SGfxDistLOD::GetRef(unsigned char i) const { return std::sqrt(m_fRefQ[i]); }
