// CTrigonometricfunctionTable: sine lookup for per-vertex wave animation.
// One period is sampled at a power-of-two count and interpolated linearly;
// the error stays below 1e-6 for any finite angle.
#pragma once
#include "companion_api.h"
#include "windef.h"

class KESTU_COMPANION_API CTrigonometricfunctionTable {
public:
    static constexpr DWORD kEntries = 4096;

    CTrigonometricfunctionTable();

    // Sine of an angle in radians; any finite angle, not only one period.
    // Non-finite angles give 0.
    float Query(float angle) const;
    float QueryCos(float angle) const;

private:
    float Lookup(double angle) const;
    float m_table[kEntries + 1];
};
