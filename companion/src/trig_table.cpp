#include "trig_table.h"

#include <cmath>
#include <numbers>

CTrigonometricfunctionTable::CTrigonometricfunctionTable()
{
    for (DWORD i = 0; i <= kEntries; ++i)
        m_table[i] = static_cast<float>(std::sin(2.0 * std::numbers::pi * i / kEntries));
}

float CTrigonometricfunctionTable::Query(float angle) const { return Lookup(angle); }

float CTrigonometricfunctionTable::Lookup(double angle) const
{
    if (!std::isfinite(angle)) return 0.0f;
    // Reduce in double so that angles of many periods keep their fraction.
    double pos = angle * (kEntries / (2.0 * std::numbers::pi));
    pos -= std::floor(pos / kEntries) * kEntries;
    if (!(pos >= 0.0) || pos >= kEntries) pos = 0.0;
    const DWORD i = static_cast<DWORD>(pos);
    const float t = static_cast<float>(pos - i);
    return m_table[i] + (m_table[i + 1] - m_table[i]) * t;
}

float CTrigonometricfunctionTable::QueryCos(float angle) const
{
    return Lookup(static_cast<double>(angle) + std::numbers::pi / 2.0);
}
