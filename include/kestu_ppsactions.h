// The seventeen particle actions. Each changes the particles of a group in
// its Update; the base decides when (kestu_ppsaction.h). The default
// constructors give the values a script starts from; the constructors from a
// header leave the own fields at those values for Serialize to read.
#pragma once
#include <d3dx8math.h>

#include "kestu_ppsaction.h"
#include "kestu_ppsdomain.h"

// The overrides every action declares.
#define KESTU_PPS_ACTION_OVERRIDES                                                                                     \
    HRESULT Update(CParticleGroup* group) override;                                                                    \
    HRESULT Serialize(std::iostream& stream, int bWrite) override;                                                     \
    HRESULT CreateFromScript(CDataChunk& chunk) override;                                                              \
    HRESULT WriteToScript(std::ostream& out) override;

// Steers particles that would hit the domain (triangle, rectangle, disc or
// sphere) within the look-ahead away from it, keeping their speed.
class KESTU_API SPPS_ACTION_AVOID : public SPPS_ACTION_BASE {
public:
    SPPS_ACTION_AVOID() : SPPS_ACTION_AVOID(0.0f, 0.0f, 0.0f) {}
    SPPS_ACTION_AVOID(float magnitude, float lookAhead, float epsilon);
    explicit SPPS_ACTION_AVOID(const SPPS_ACTION_DATA* data) : SPPS_ACTION_BASE(data) {}
    KESTU_PPS_ACTION_OVERRIDES

    SPPS_DOMAIN domain;
    float fLookAhead = 0.0f;
    float fMagnitude = 0.0f;
    float fEpsilon = 0.0f;
};

// Reflects the velocity of particles that cross the domain's surface
// (triangle, rectangle, disc, sphere or plane) during the step.
class KESTU_API SPPS_ACTION_BOUNCE : public SPPS_ACTION_BASE {
public:
    SPPS_ACTION_BOUNCE() : SPPS_ACTION_BOUNCE(0.0f, 0.0f, 0.0f, PPS_DOMAIN_NONE) {}
    SPPS_ACTION_BOUNCE(float oneMinFriction, float resilience, float cutoffSqr, EPPS_DOMAIN_TYPE type, float a0 = 0.0f,
                       float a1 = 0.0f, float a2 = 0.0f, float a3 = 0.0f, float a4 = 0.0f, float a5 = 0.0f,
                       float a6 = 0.0f, float a7 = 0.0f, float a8 = 0.0f);
    explicit SPPS_ACTION_BOUNCE(const SPPS_ACTION_DATA* data) : SPPS_ACTION_BASE(data) {}
    KESTU_PPS_ACTION_OVERRIDES

    SPPS_DOMAIN domain;
    float fOneMinFriction = 0.0f;
    float fResilience = 0.0f;
    float fCutoffSqr = 0.0f;
};

// Damps the velocity, per axis, of particles whose stored squared speed lies
// strictly inside (fVlowSqr, fVhighSqr).
class KESTU_API SPPS_ACTION_DAMP : public SPPS_ACTION_BASE {
public:
    SPPS_ACTION_DAMP() : SPPS_ACTION_DAMP(0.0f, 0.0f, 0.0f, 0.0f, 0.0f) {}
    SPPS_ACTION_DAMP(float x, float y, float z, float vHighSqr, float vLowSqr);
    explicit SPPS_ACTION_DAMP(const SPPS_ACTION_DATA* data) : SPPS_ACTION_BASE(data) {}
    KESTU_PPS_ACTION_OVERRIDES

    D3DXVECTOR3 fDamping{0.0f, 0.0f, 0.0f};
    float fVlowSqr = 0.0f;
    float fVhighSqr = 0.0f;
};

// Carries a domain and a factor; changes nothing.
class KESTU_API SPPS_ACTION_DIFFUSE : public SPPS_ACTION_BASE {
public:
    SPPS_ACTION_DIFFUSE() : SPPS_ACTION_DIFFUSE(0.0f, PPS_DOMAIN_NONE) {}
    SPPS_ACTION_DIFFUSE(float factor, EPPS_DOMAIN_TYPE type, float a0 = 0.0f, float a1 = 0.0f, float a2 = 0.0f,
                        float a3 = 0.0f, float a4 = 0.0f, float a5 = 0.0f, float a6 = 0.0f, float a7 = 0.0f,
                        float a8 = 0.0f);
    explicit SPPS_ACTION_DIFFUSE(const SPPS_ACTION_DATA* data) : SPPS_ACTION_BASE(data) {}
    KESTU_PPS_ACTION_OVERRIDES

    SPPS_DOMAIN domain;
    float fFactor = 0.0f;
};

// A spherical shock wave of Gaussian profile at fVelocity * fAge from the
// centre pushes particles outward.
class KESTU_API SPPS_ACTION_EXPLODE : public SPPS_ACTION_BASE {
public:
    SPPS_ACTION_EXPLODE() : SPPS_ACTION_EXPLODE(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f) {}
    SPPS_ACTION_EXPLODE(float cx, float cy, float cz, float velocity, float magnitude, float stdev,
                        float epsilon = 0.001f, float age = 0.0f);
    explicit SPPS_ACTION_EXPLODE(const SPPS_ACTION_DATA* data) : SPPS_ACTION_BASE(data) {}
    KESTU_PPS_ACTION_OVERRIDES

    D3DXVECTOR3 vCenter{0.0f, 0.0f, 0.0f};
    float fVelocity = 0.0f;
    float fMagnitude = 0.0f;
    float fStdev = 0.0f;
    float fAge = 0.0f;
    float fEpsilon = 0.001f;
};

// Pulls each particle towards the one after it in the group.
class KESTU_API SPPS_ACTION_FOLLOW : public SPPS_ACTION_BASE {
public:
    SPPS_ACTION_FOLLOW() : SPPS_ACTION_FOLLOW(0.0f, 0.0f, 0.0f) {}
    SPPS_ACTION_FOLLOW(float magnitude, float epsilon, float maxRadius);
    explicit SPPS_ACTION_FOLLOW(const SPPS_ACTION_DATA* data) : SPPS_ACTION_BASE(data) {}
    KESTU_PPS_ACTION_OVERRIDES

    float fMagnitude = 0.0f;
    float fEpsilon = 0.0f;
    float fMaxRadius = 0.0f;
};

// Adds a constant acceleration.
class KESTU_API SPPS_ACTION_GRAVITY : public SPPS_ACTION_BASE {
public:
    SPPS_ACTION_GRAVITY() : SPPS_ACTION_GRAVITY(0.0f, 0.0f, 0.0f) {}
    SPPS_ACTION_GRAVITY(float x, float y, float z);
    explicit SPPS_ACTION_GRAVITY(const SPPS_ACTION_DATA* data) : SPPS_ACTION_BASE(data) {}
    KESTU_PPS_ACTION_OVERRIDES

    D3DXVECTOR3 vDirection{0.0f, 0.0f, 0.0f};
};

// Every pair of particles closer than fMaxRadius attracts each other.
class KESTU_API SPPS_ACTION_GRAVITATE : public SPPS_ACTION_BASE {
public:
    SPPS_ACTION_GRAVITATE() : SPPS_ACTION_GRAVITATE(0.0f, 0.0f, 0.0f) {}
    SPPS_ACTION_GRAVITATE(float magnitude, float epsilon, float maxRadius);
    explicit SPPS_ACTION_GRAVITATE(const SPPS_ACTION_DATA* data) : SPPS_ACTION_BASE(data) {}
    KESTU_PPS_ACTION_OVERRIDES

    float fMagnitude = 0.0f;
    float fEpsilon = 0.0f;
    float fMaxRadius = 0.0f;
};

// Accelerates particles near vCenter by vectors drawn from a domain. A script
// keeps a domain other than the default as flat "JetDomain..." lines, and the
// binary file in its second record form only.
class KESTU_API SPPS_ACTION_JET : public SPPS_ACTION_BASE {
public:
    SPPS_ACTION_JET() : SPPS_ACTION_JET(0.0f, 0.0f, 0.0f, 1.0f, 0.001f, 1.0e16f) {}
    SPPS_ACTION_JET(float cx, float cy, float cz, float magnitude, float epsilon, float maxRadius);
    explicit SPPS_ACTION_JET(const SPPS_ACTION_DATA* data) : SPPS_ACTION_BASE(data) {}
    KESTU_PPS_ACTION_OVERRIDES

    D3DXVECTOR3 vCenter{0.0f, 0.0f, 0.0f};
    // Where the accelerations are drawn from.
    SPPS_DOMAIN domain;
    float fMagnitude = 1.0f;
    float fEpsilon = 0.001f;
    float fMaxRadius = 1.0e16f;
};

// Removes particles older than fAgeLimit while bKillLessThan is set.
class KESTU_API SPPS_ACTION_KILL : public SPPS_ACTION_BASE {
public:
    SPPS_ACTION_KILL() : SPPS_ACTION_KILL(60.0f, 0) {}
    SPPS_ACTION_KILL(float ageLimit, int killLessThan);
    explicit SPPS_ACTION_KILL(const SPPS_ACTION_DATA* data) : SPPS_ACTION_BASE(data) {}
    KESTU_PPS_ACTION_OVERRIDES

    float fAgeLimit = 60.0f;
    int32_t bKillLessThan = 0;
};

// Nearby particles share velocity; fMaxRadius is compared with squared
// distances.
class KESTU_API SPPS_ACTION_MATCH : public SPPS_ACTION_BASE {
public:
    SPPS_ACTION_MATCH();
    explicit SPPS_ACTION_MATCH(const SPPS_ACTION_DATA* data) : SPPS_ACTION_BASE(data) {}
    KESTU_PPS_ACTION_OVERRIDES

    float fMagnitude = 0.0f;
    float fEpsilon = 0.0f;
    float fMaxRadius = 0.0f;
};

// Ages particles and moves them by their velocity.
class KESTU_API SPPS_ACTION_MOVE : public SPPS_ACTION_BASE {
public:
    SPPS_ACTION_MOVE();
    explicit SPPS_ACTION_MOVE(const SPPS_ACTION_DATA* data) : SPPS_ACTION_BASE(data) {}
    HRESULT Update(CParticleGroup* group) override;
    HRESULT CreateFromScript(CDataChunk& chunk) override;
    HRESULT WriteToScript(std::ostream& out) override;
};

// Pulls particles within fMaxRadius towards the centre. A script keeps a
// centre away from the origin as one flat "OrbitCenter" line, and the binary
// file in its second record form only.
class KESTU_API SPPS_ACTION_ORBIT : public SPPS_ACTION_BASE {
public:
    SPPS_ACTION_ORBIT() : SPPS_ACTION_ORBIT(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f) {}
    SPPS_ACTION_ORBIT(float cx, float cy, float cz, float magnitude, float epsilon, float maxRadius);
    explicit SPPS_ACTION_ORBIT(const SPPS_ACTION_DATA* data) : SPPS_ACTION_BASE(data) {}
    KESTU_PPS_ACTION_OVERRIDES

    D3DXVECTOR3 vCenter{0.0f, 0.0f, 0.0f};
    float fMagnitude = 0.0f;
    float fEpsilon = 0.0f;
    float fMaxRadius = 0.0f;
};

// Removes particles whose position (nType 0) or velocity (nType 1) lies
// inside (bKillInside 1) or outside (0) the domain.
class KESTU_API SPPS_ACTION_SINK : public SPPS_ACTION_BASE {
public:
    SPPS_ACTION_SINK() : SPPS_ACTION_SINK(0, 1, PPS_DOMAIN_NONE) {}
    SPPS_ACTION_SINK(DWORD type, int killInside, EPPS_DOMAIN_TYPE domainType, float a0 = 0.0f, float a1 = 0.0f,
                     float a2 = 0.0f, float a3 = 0.0f, float a4 = 0.0f, float a5 = 0.0f, float a6 = 0.0f,
                     float a7 = 0.0f, float a8 = 0.0f);
    explicit SPPS_ACTION_SINK(const SPPS_ACTION_DATA* data) : SPPS_ACTION_BASE(data) {}
    KESTU_PPS_ACTION_OVERRIDES

    SPPS_DOMAIN domain;
    DWORD nType = 0;
    int32_t bKillInside = 1;
};

// Emits fRate particles per second, their position, velocity and colour
// drawn from domains, never more than the group has room for.
class KESTU_API SPPS_ACTION_SOURCE : public SPPS_ACTION_BASE {
public:
    SPPS_ACTION_SOURCE();
    SPPS_ACTION_SOURCE(float rate, const SPPS_DOMAIN& position, const SPPS_DOMAIN& velocity, const SPPS_DOMAIN& color);
    explicit SPPS_ACTION_SOURCE(const SPPS_ACTION_DATA* data);
    KESTU_PPS_ACTION_OVERRIDES

    // The system's source position: moves the position domain there.
    void SetSourcePos(const D3DXVECTOR3& pos) { position.MoveTo(pos); }

    SPPS_DOMAIN position;
    SPPS_DOMAIN positionB;
    SPPS_DOMAIN size;
    SPPS_DOMAIN velocity;
    SPPS_DOMAIN color;
    float fRate = 0.0f;
    float fAge = 0.0f;
    float fAgeSigma = 0.0f;
};

// Turns particles within fMaxRadius of vCenter about the axis through it.
class KESTU_API SPPS_ACTION_VORTEX : public SPPS_ACTION_BASE {
public:
    SPPS_ACTION_VORTEX() : SPPS_ACTION_VORTEX(0.0f, 0.0f, 0.0f, D3DXVECTOR3(0.0f, 1.0f, 0.0f), 0.0f, 0.0f, 0.0f) {}
    SPPS_ACTION_VORTEX(float cx, float cy, float cz, const D3DXVECTOR3& axis, float magnitude, float epsilon,
                       float maxRadius);
    explicit SPPS_ACTION_VORTEX(const SPPS_ACTION_DATA* data) : SPPS_ACTION_BASE(data) {}
    KESTU_PPS_ACTION_OVERRIDES

    D3DXVECTOR3 vCenter{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 vAxis{0.0f, 1.0f, 0.0f};
    float fMagnitude = 0.0f;
    float fEpsilon = 0.0f;
    float fMaxRadius = 0.0f;
};

// Drives each particle's colour from dwStartColor to dwEndColor over its age,
// once or back and forth, channel by channel.
class KESTU_API SPPS_ACTION_COLORCTRL : public SPPS_ACTION_BASE {
public:
    SPPS_ACTION_COLORCTRL() : SPPS_ACTION_COLORCTRL(0, 0, 0, 0, 0.0f, 0) {}
    SPPS_ACTION_COLORCTRL(int spark, int suddenChange, DWORD startColor, DWORD endColor, float cycle, int loop);
    explicit SPPS_ACTION_COLORCTRL(const SPPS_ACTION_DATA* data) : SPPS_ACTION_BASE(data) {}
    KESTU_PPS_ACTION_OVERRIDES

    float GetLoopOffset() const { return m_fLoopOffset; }

    int32_t bSpark = 0;
    int32_t bSuddenChange = 0;
    DWORD dwStartColor = 0;
    DWORD dwEndColor = 0;
    float fCycle = 0.0f;
    int32_t bLoop = 0;

private:
    // Age consumed by whole loops, shared by every particle and group.
    float m_fLoopOffset = 0.0f;
};

#undef KESTU_PPS_ACTION_OVERRIDES
