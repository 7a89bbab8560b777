// Particle domains: small regions that actions draw random points from and
// test points against, and the random draws every particle action shares.
#pragma once
#include "kestu_export.h"
#include <cstdint>

#include <d3dx8math.h>

enum EPPS_DOMAIN_TYPE : int32_t {
    PPS_DOMAIN_NONE = 0,
    PPS_DOMAIN_POINT = 1,
    PPS_DOMAIN_LINE = 2,
    PPS_DOMAIN_TRIANGLE = 3,
    PPS_DOMAIN_RECTANGLE = 4,
    PPS_DOMAIN_DISC = 5,
    PPS_DOMAIN_SPHERE = 6,
    PPS_DOMAIN_CONE = 7,
    PPS_DOMAIN_CYLINDER = 8,
    PPS_DOMAIN_BOX = 9,
    PPS_DOMAIN_BLOB = 10,
    // 11 to 13 are accepted and behave as no shape.
    PPS_DOMAIN_PLANE = 14,
};

// 68 bytes: the type and sixteen floats whose meaning depends on the type
// (the constructor derives normals, bases and squared radii from its nine
// arguments; values read from files or scripts are kept as stored).
struct KESTU_API SPPS_DOMAIN {
    EPPS_DOMAIN_TYPE DomainType;
    D3DXVECTOR3 p1;
    D3DXVECTOR3 p2;
    D3DXVECTOR3 u;
    D3DXVECTOR3 v;
    float fRadius1;
    float fRadius2;
    float fRadius1Sqr;
    float fRadius2Sqr;

    SPPS_DOMAIN();
    SPPS_DOMAIN(EPPS_DOMAIN_TYPE type, float a0 = 0.0f, float a1 = 0.0f, float a2 = 0.0f, float a3 = 0.0f,
                float a4 = 0.0f, float a5 = 0.0f, float a6 = 0.0f, float a7 = 0.0f, float a8 = 0.0f);
    SPPS_DOMAIN(const SPPS_DOMAIN& other) = default;
    SPPS_DOMAIN& operator=(const SPPS_DOMAIN& other) = default;

    // A random point of the domain; the draws taken depend on the type.
    void Generate(D3DXVECTOR3& out) const;
    // 1 when the point lies in the domain, else 0 (the blob answers with a draw).
    int IsWithin(const float* pos) const;
    int IsWithin(const D3DXVECTOR3& pos) const { return IsWithin(&pos.x); }
    int IsWithin(const D3DXVECTOR3* pos) const { return IsWithin(&pos->x); }

    // Moves the domain so that its anchor point p1 lies at pos, keeping its
    // shape: the box moves both corners, and the plane terms of the triangle,
    // rectangle, disc and plane follow.
    void MoveTo(const D3DXVECTOR3& pos);
};

// rand() times 1/32767: in [0, 1], both ends reachable.
KESTU_API float RandUniform();
// Three uniform draws, stored in z, y and x in that order.
KESTU_API D3DXVECTOR3 RandUnitCube();
// A normal deviate with standard deviation sigma; 0 without a draw for sigma <= 0.
KESTU_API float RandNormal(float sigma);
