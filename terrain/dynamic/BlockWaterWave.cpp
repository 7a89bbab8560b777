// Block water: the wave state of a time, the waving surface, the opacity of
// water by depth and the texture-coordinate sets that tile one water texture
// over 2 x 2 blocks in four orientations.
#include <cmath>

#include "kestu_dtblock.h"

namespace {

// Per set, the (u, v) of the block corners (x0, z0), (x0, z1), (x1, z1), (x1, z0).
constexpr float kSetCorners[16][4][2] = {
    {{0, 1}, {0, 0.5f}, {0.5f, 0.5f}, {0.5f, 1}}, {{0.5f, 1}, {0.5f, 0.5f}, {1, 0.5f}, {1, 1}},
    {{0.5f, 0.5f}, {0.5f, 0}, {1, 0}, {1, 0.5f}}, {{0, 0.5f}, {0, 0}, {0.5f, 0}, {0.5f, 0.5f}},
    {{1, 1}, {0.5f, 1}, {0.5f, 0.5f}, {1, 0.5f}}, {{1, 0.5f}, {0.5f, 0.5f}, {0.5f, 0}, {1, 0}},
    {{0.5f, 0.5f}, {0, 0.5f}, {0, 0}, {0.5f, 0}}, {{0.5f, 1}, {0, 1}, {0, 0.5f}, {0.5f, 0.5f}},
    {{1, 0}, {1, 0.5f}, {0.5f, 0.5f}, {0.5f, 0}}, {{0.5f, 0}, {0.5f, 0.5f}, {0, 0.5f}, {0, 0}},
    {{0.5f, 0.5f}, {0.5f, 1}, {0, 1}, {0, 0.5f}}, {{1, 0.5f}, {1, 1}, {0.5f, 1}, {0.5f, 0.5f}},
    {{0, 0}, {0.5f, 0}, {0.5f, 0.5f}, {0, 0.5f}}, {{0, 0.5f}, {0.5f, 0.5f}, {0.5f, 1}, {0, 1}},
    {{0.5f, 0.5f}, {1, 0.5f}, {1, 1}, {0.5f, 1}}, {{0.5f, 0}, {1, 0}, {1, 0.5f}, {0.5f, 0.5f}},
};

float g_SubTileUV[16 * 25][2];

// Fills the table when the library loads.
struct SubTileTableInit {
    SubTileTableInit() { InitSubTileUVTable(); }
} g_SubTileTableInit;

} // namespace

void InitSubTileUVTable()
{
    for (int set = 0; set < 16; ++set) {
        const auto& c = kSetCorners[set];
        for (int v = 0; v < 25; ++v) {
            const float s = float(v % 5) / 4.0f, t = float(v / 5) / 4.0f;
            for (int k = 0; k < 2; ++k)
                g_SubTileUV[set * 25 + v][k] =
                    c[0][k] * (1 - s) * (1 - t) + c[3][k] * s * (1 - t) + c[1][k] * (1 - s) * t + c[2][k] * s * t;
        }
    }
}

void GetSubTileUV(float* u, float* v, int orientation, int vertex, int quadrant)
{
    const float* pair = g_SubTileUV[(quadrant + 4 * orientation) * 25 + vertex];
    *u = pair[0];
    *v = pair[1];
}

void SWaveWaterPara::Update(float time, const SWaterWave* wave)
{
    constexpr double kTwoPi = 6.2831854820251465;
    constexpr float kTwoPiF = 6.2831855f;
    fPhaseX = static_cast<float>(std::fmod(static_cast<double>(time * wave->fXFrequency), kTwoPi));
    fPhaseZ = static_cast<float>(std::fmod(static_cast<double>(time * wave->fZFrequency), kTwoPi));
    fWaveNumX = wave->fXLength != 0.0f ? wave->fXFrequency / wave->fXLength * kTwoPiF : 0.0f;
    fWaveNumZ = wave->fZLength != 0.0f ? wave->fZFrequency / wave->fZLength * kTwoPiF : 0.0f;
    fAmpX = wave->fXAmplitude;
    fAmpZ = wave->fZAmplitude;
}

DWORD CalcWaterVertexAlpha(DWORD colour, float depth, float fullDepth)
{
    DWORD alpha = 255;
    if (!(fullDepth < 0.001f || depth >= fullDepth)) {
        if (depth <= 0.0f) {
            alpha = 100;
        } else {
            const float a = 100.0f + std::trunc(255.0f * depth / fullDepth);
            alpha = a < 255.0f ? static_cast<DWORD>(a) : 255;
        }
    }
    return (colour & 0x00FFFFFF) | alpha << 24;
}

void CDynamicTerrainBlock::FrameMoveWater(const SWaveWaterPara* para, const CTrigonometricfunctionTable* sine)
{
    if (!m_dwNumWaterVer || !IsWaveWater()) return;
    for (DWORD i = 0; i < m_dwNumWaterVer; ++i) {
        SDTVertexEx& w = m_WaterVer[i];
        const float ax = para->fWaveNumX * w.p.x + para->fPhaseX;
        const float az = para->fWaveNumZ * w.p.z + para->fPhaseZ;
        const float sx = sine ? sine->Query(ax) : std::sin(ax);
        const float sz = sine ? sine->Query(az) : std::sin(az);
        const float first = para->fAmpX * sx;
        w.p.y = m_fWaterAltitude + first + para->fAmpZ * sz;
    }
}
