// Billboards: camera-facing quads. The face-me and vertical kinds share one
// orientation matrix each, refreshed by the camera whenever it changes.
#pragma once
#include "d3dx8math.h"
#include "kestu_export.h"

class CEye;

class KESTU_API CBillboard {
public:
    // The eye of the last camera change; null until the first one.
    static CEye* m_pEye;
};

class KESTU_API CBBFaceMe : public CBillboard {
public:
    // Rotation X(pitch) * rotation Y(yaw) of the eye.
    static void UpdateWorldMatrix(CEye* eye);
    alignas(16) static D3DXMATRIX m_matWorldFaceMe;
};

class KESTU_API CBBVertical : public CBillboard {
public:
    // Rotation Y(yaw) of the eye.
    static void UpdateWorldMatrix(CEye* eye);
    alignas(16) static D3DXMATRIX m_matWorldBBVertical;
};
