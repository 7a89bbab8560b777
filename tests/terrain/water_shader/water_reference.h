// The shader water on the CPU: the thirty constants from the wave settings
// and the transforms, and what the vertex and pixel shader make of a vertex.
#pragma once
#include <cmath>

#include "water_fixture.h"

namespace watertest {

using Constants = std::array<std::array<float, 4>, 30>;

inline Constants ReferenceConstants(const WaterView& w, const D3DXMATRIX& world, const D3DXMATRIX& view,
                                    const D3DXMATRIX& proj)
{
    const double pi = 3.14159265358979;
    Constants c{};
    D3DXMATRIX vp;
    D3DXMatrixMultiply(&vp, &view, &proj);
    for (int r = 0; r < 4; ++r)
        for (int k = 0; k < 4; ++k) {
            c[r][k] = vp.m[r][k];
            c[4 + r][k] = world.m[r][k];
        }
    const Kestu::GeoState& g = w.m_GeoState;
    c[8] = {0, 0, 0, g.fReflectLv};
    const double K = g.fChop / (40 * pi) >= g.fAmpOverLen ? 5.0 : g.fChop / (8 * pi * g.fAmpOverLen);
    for (int i = 0; i < 4; ++i) {
        const Kestu::GeoWaveDesc& v = w.m_GeoWaves[i];
        c[9][i] = v.fFreq;
        c[10][i] = v.fPhase;
        c[11][i] = v.fAmp;
        c[12][i] = v.fDirX;
        c[13][i] = v.fDirZ;
        c[17][i] = v.fLen;
        c[19][i] = float(K * v.fDirX);
        c[20][i] = float(K * v.fDirZ);
        c[21][i] = v.fFreq * v.fDirX;
        c[22][i] = v.fFreq * v.fDirZ;
        c[23][i] = float(K * v.fFreq);
        c[24][i] = float(K * v.fFreq * v.fDirX * v.fDirX);
        c[25][i] = float(K * v.fFreq * v.fDirX * v.fDirZ);
        c[26][i] = float(K * v.fFreq * v.fDirZ * v.fDirZ);
    }
    const Kestu::TexState& t = w.m_TexState;
    c[14] = {g.fBumpDistOffset, 1 / g.fBumpDistRange,
             float(2 * (t.fNoise + 4) * g.fBumpFactor * t.fAmpOverLen * 2 * pi), 1 / t.fRippleScale};
    c[15] = {w.m_vEye.x, w.m_vEye.y, w.m_vEye.z, 1};
    const D3DXVECTOR3 d = w.m_vEnvCentre - w.m_vEye;
    c[16] = {d.x, d.y, d.z, d.x * d.x + d.y * d.y + d.z * d.z - g.fEnvRadius * g.fEnvRadius};
    c[18] = {-200, -0.01f, 0, 1};
    c[27] = {float(pi), float(1 / (2 * pi)), float(2 * pi), float(-pi)};
    c[28] = {-1 / 6.f, 1 / 120.f, -1 / 5040.f, 1 / 24.f};
    c[29] = {-0.5f, 1, -1 / 720.f, 0};
    return c;
}

struct VertexResult {
    D3DXVECTOR4 clip;      // output position
    D3DXVECTOR3 displaced; // world position after the waves
    D3DXVECTOR3 rows[3];
    D3DXVECTOR3 eyeVector; // the w components of texture coordinates 1 to 3
    float alpha;
};

// The vertex shader's computation for position p and diffuse alpha.
inline VertexResult ReferenceVertex(const Constants& c, const D3DXVECTOR3& p, float alpha)
{
    VertexResult out{};
    double P[4];
    for (int k = 0; k < 4; ++k) P[k] = p.x * c[4][k] + p.y * c[5][k] + p.z * c[6][k] + c[7][k];
    const double pi = 3.14159265358979;
    double x = P[0], y = P[1], z = P[2], Cx = 0, Cz = 0, Sxx = 0, Sxz = 0, Szz = 0, Ss = 0;
    for (int i = 0; i < 4; ++i) {
        const double theta = c[9][i] * (c[12][i] * P[0] + c[13][i] * P[2]) + c[10][i];
        double f = (theta + pi) / (2 * pi);
        f -= std::floor(f);
        const double phi = f * 2 * pi - pi;
        const double p2 = phi * phi;
        const double S = phi - phi * p2 / 6 + phi * p2 * p2 / 120 - phi * p2 * p2 * p2 / 5040;
        const double C = 1 - p2 / 2 + p2 * p2 / 24 - p2 * p2 * p2 / 720;
        const double a = c[11][i] * std::min(std::max(double(c[17][i]), 0.0), 1.0) * alpha;
        y += a * S;
        x += c[19][i] * a * alpha * C;
        z += c[20][i] * a * alpha * C;
        Cx += c[21][i] * a * alpha * C;
        Cz += c[22][i] * a * alpha * C;
        Sxx += c[24][i] * a * S;
        Sxz += c[25][i] * a * S;
        Szz += c[26][i] * a * S;
        Ss += c[23][i] * a * S;
    }
    out.displaced = D3DXVECTOR3(float(x), float(y), float(z));
    const double X[4] = {x, y, z, P[3]};
    double clip[4];
    for (int k = 0; k < 4; ++k) clip[k] = X[0] * c[0][k] + X[1] * c[1][k] + X[2] * c[2][k] + X[3] * c[3][k];
    out.clip = D3DXVECTOR4(float(clip[0]), float(clip[1]), float(clip[2]), float(clip[3]));
    const double E[3] = {x - c[15][0], y - c[15][1], z - c[15][2]};
    const double dist = std::sqrt(E[0] * E[0] + E[1] * E[1] + E[2] * E[2]);
    const double V[3] = {E[0] / dist, E[1] / dist, E[2] / dist};
    double att = std::min(std::max((dist + c[14][0]) * c[14][1], 0.0), 1.0);
    const double B = att * att * c[14][2];
    // The rows of the wave surface's frame: tangent along x, normal, tangent along z.
    out.rows[0] = D3DXVECTOR3(float(B * (1 - Sxx)), float(-Cx), float(-B * Sxz));
    out.rows[1] = D3DXVECTOR3(float(B * Cx), float(1 - Ss), float(B * Cz));
    out.rows[2] = D3DXVECTOR3(float(-B * Sxz), float(-Cz), float(B * (1 - Szz)));
    const double vd = V[0] * c[16][0] + V[1] * c[16][1] + V[2] * c[16][2];
    const double t = vd + std::sqrt(std::max(vd * vd - c[16][3], 0.0));
    out.eyeVector =
        D3DXVECTOR3(float(-(t * V[0] - c[16][0])), float(-(t * V[1] - c[16][1])), float(-(t * V[2] - c[16][2])));
    out.alpha = alpha;
    return out;
}

// The cube face the pixel shader samples for bump normal n; -1 when the
// reflection lies too near an edge of the cube to call.
inline int ReflectedFace(const VertexResult& v, const D3DXVECTOR3& n)
{
    const D3DXVECTOR3 N(D3DXVec3Dot(&v.rows[0], &n), D3DXVec3Dot(&v.rows[1], &n), D3DXVec3Dot(&v.rows[2], &n));
    const D3DXVECTOR3& E = v.eyeVector;
    const float k = 2 * D3DXVec3Dot(&N, &E) / D3DXVec3Dot(&N, &N);
    const float R[3] = {k * N.x - E.x, k * N.y - E.y, k * N.z - E.z};
    const float m[3] = {std::fabs(R[0]), std::fabs(R[1]), std::fabs(R[2])};
    const int axis = m[0] >= m[1] && m[0] >= m[2] ? 0 : (m[1] >= m[2] ? 1 : 2);
    const float second = std::max(m[(axis + 1) % 3], m[(axis + 2) % 3]);
    if (m[axis] < 1.15f * second) return -1;
    return 2 * axis + (R[axis] < 0 ? 1 : 0);
}

} // namespace watertest
