#include <cmath>
#include <cstdlib>

#include "kestu_ppsdomain.h"

float RandUniform() { return static_cast<float>(rand()) * 3.0518509e-05f; }

D3DXVECTOR3 RandUnitCube()
{
    D3DXVECTOR3 r;
    r.z = RandUniform();
    r.y = RandUniform();
    r.x = RandUniform();
    return r;
}

float RandNormal(float sigma)
{
    if (sigma <= 0.0f) return 0.0f;
    float y;
    for (;;) {
        y = -std::log(RandUniform());
        const float u2 = RandUniform();
        const float d = y - 1.0f;
        // A zero first draw gives an infinite y; it is drawn again like a
        // rejected one.
        if (!(u2 > std::exp(-0.5f * d * d)) && std::isfinite(y)) break;
    }
    return (rand() & 1) ? y * sigma * 1.2539185f : -y * sigma * 1.2539185f;
}
