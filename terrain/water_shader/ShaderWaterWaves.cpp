// CShaderWater: the default wave settings, generating a wave and moving the
// waves on, one of them at a time fading out, being made anew and fading in.
#include <cmath>
#include <cstdlib>

#include "kestu_shaderwater.h"

namespace Kestu {

namespace {

constexpr float kDegree = 0.017453292f;
constexpr double kTwoPi = 6.2831854820251465;

double UnitDraw() { return std::rand() / 32767.0; }
double SignedDraw() { return std::rand() * 2.0 / 32767.0 - 1.0; }

float RoundHalfAway(float x) { return static_cast<float>(static_cast<int>(x >= 0.0f ? x + 0.5f : x - 0.5f)); }

// The fading wave: 1 when it has faded out and must be made anew.
template <class Settings, class Wave>
bool Fade(Settings& settings, Wave& wave, int index, int count, float elapsed)
{
    if (index != settings.nFadingWave) return false;
    wave.fFade += elapsed * settings.fFadeRate;
    if (wave.fFade < 0.0f) return true;
    if (wave.fFade > 1.0f) {
        wave.fFade = 1.0f;
        settings.fFadeRate = -settings.fFadeRate;
        settings.nFadingWave = (settings.nFadingWave + 1) % count;
    }
    return false;
}

} // namespace

void CShaderWater::InitTexState()
{
    TexState& s = m_TexState;
    s.fNoise = 0.04f;
    s.fAngleDeviation = 15.0f;
    s.vWindDir = D3DXVECTOR2(0.0f, 2.0f);
    s.fMaxLength = 10.0f;
    s.fMinLength = 1.0f;
    s.fAmpOverLen = 0.03f;
    s.fRippleScale = 25.0f;
    s.fSpeedDeviation = 0.1f;
    s.nFadingWave = 0;
    s.fFadeRate = -0.2f;
}

void CShaderWater::InitTexWave(int i)
{
    const TexState& s = m_TexState;
    TexWaveDesc& w = m_TexWaves[i];
    const double a = SignedDraw() * s.fAngleDeviation * kDegree;
    const double sa = std::sin(a), ca = std::cos(a);
    const auto rx = static_cast<float>(sa * s.vWindDir.y - ca * s.vWindDir.x);
    const auto ry = static_cast<float>(sa * s.vWindDir.x + ca * s.vWindDir.y);
    const float minLen = 256.0f * s.fMinLength / s.fRippleScale;
    const float maxLen = 256.0f * s.fMaxLength / s.fRippleScale;
    const float len = minLen + (maxLen - minLen) * static_cast<float>(i) * (1.0f / 15.0f);
    const float r = 256.0f / len;
    w.vRepeat.x = RoundHalfAway(r * rx);
    w.vRepeat.y = RoundHalfAway(r * ry);
    // A wind too weak (or zero) to give a whole repeat keeps one along its
    // stronger axis, so the wave stays a finite, tiling one.
    if (w.vRepeat.x == 0.0f && w.vRepeat.y == 0.0f) {
        if (std::fabs(rx) > std::fabs(ry))
            w.vRepeat.x = rx < 0.0f ? -1.0f : 1.0f;
        else
            w.vRepeat.y = ry < 0.0f ? -1.0f : 1.0f;
    }
    const float m = std::sqrt(w.vRepeat.x * w.vRepeat.x + w.vRepeat.y * w.vRepeat.y);
    w.fLength = 256.0f / m;
    w.vDir = D3DXVECTOR2(w.vRepeat.x / m, w.vRepeat.y / m);
    w.fPhase = static_cast<float>(UnitDraw());
    w.fFade = 1.0f;
    w.fSpeed =
        static_cast<float>((1.0 + s.fSpeedDeviation * SignedDraw()) / (3.0 * std::sqrt(w.fLength * 0.0053051645)));
}

void CShaderWater::InitGeoState()
{
    GeoState& s = m_GeoState;
    s.fChop = 2.5f;
    s.fAngleDeviation = 15.0f;
    s.vWindDir = D3DXVECTOR2(0.0f, 1.0f);
    s.fMinLength = 15.0f;
    s.fMaxLength = 25.0f;
    s.fAmpOverLen = 0.01f;
    s.fReflectLv = 0.2f;
    s.fBumpFactor = 1.0f;
    s.fBumpDistOffset = 200.0f;
    s.fBumpDistRange = 100.0f;
    s.fEnvRadius = 200.0f;
    s.nFadingWave = 0;
    s.fFadeRate = -1.0f / 6.0f;
}

void CShaderWater::InitGeoWave(int i)
{
    const GeoState& s = m_GeoState;
    GeoWaveDesc& w = m_GeoWaves[i];
    w.fPhase = static_cast<float>(UnitDraw() * kTwoPi);
    w.fLen = static_cast<float>(UnitDraw() * (s.fMaxLength - s.fMinLength) + s.fMinLength);
    w.fAmp = w.fLen * s.fAmpOverLen * 0.25f;
    w.fFade = 1.0f;
    w.fFreq = static_cast<float>(kTwoPi / w.fLen);
    const double a = SignedDraw() * s.fAngleDeviation * kDegree;
    const double sa = std::sin(a), ca = std::cos(a);
    w.fDirX = static_cast<float>(s.vWindDir.x * ca + s.vWindDir.y * sa);
    w.fDirZ = static_cast<float>(s.vWindDir.y * ca - s.vWindDir.x * sa);
}

void CShaderWater::UpdateTexWave(int i, float elapsed)
{
    TexWaveDesc& w = m_TexWaves[i];
    if (Fade(m_TexState, w, i, kTexWaves, elapsed)) {
        InitTexWave(i);
        w.fFade = 0.0f;
        m_TexState.fFadeRate = -m_TexState.fFadeRate;
    }
    w.fPhase -= elapsed * w.fSpeed;
    w.fPhase -= static_cast<float>(static_cast<int>(w.fPhase));
}

void CShaderWater::UpdateGeoWave(int i, float elapsed)
{
    GeoWaveDesc& w = m_GeoWaves[i];
    if (Fade(m_GeoState, w, i, kGeoWaves, elapsed)) {
        InitGeoWave(i);
        w.fFade = 0.0f;
        m_GeoState.fFadeRate = -m_GeoState.fFadeRate;
    }
    w.fPhase = static_cast<float>(std::fmod(w.fPhase + elapsed / std::sqrt(w.fLen * 0.0053051645), kTwoPi));
    w.fAmp = w.fFade * m_GeoState.fAmpOverLen * w.fLen * 0.25f;
}

} // namespace Kestu
