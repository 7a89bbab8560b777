#include "effects/particles/methods/MethodTypes.h"

#include <new>

#include "kestu_ppsmethods.h"

CPPS_METHOD_BASE* CreatePPSMethod(DWORD type, const CParticleMethodMng& mng)
{
    switch (type) {
    case PPS_METHOD_POINT: return new (std::nothrow) CMethodPoint;
    case PPS_METHOD_TRIANGLE: return new (std::nothrow) CMethodTriangle;
    case PPS_METHOD_QUAD: return new (std::nothrow) CMethodQuad;
    case PPS_METHOD_POINTSPRITE: return new (std::nothrow) CMethodPointSprite;
    case PPS_METHOD_BB: {
        auto* bb = new (std::nothrow) CMethodBB(mng.GetEye(), mng.GetTextureMng(), 0);
        if (bb && mng.GetBillboardMng()) bb->SetBillboardMng(mng.GetBillboardMng());
        return bb;
    }
    case PPS_METHOD_SKLANI: return new (std::nothrow) CMethodSklAni(mng.GetMeshDataMng());
    case PPS_METHOD_MESH: return new (std::nothrow) CMethodMesh;
    default: return nullptr;
    }
}

void GivePPSMethodTextureMng(CPPS_METHOD_BASE* method, DWORD type, CTextureMng* textureMng)
{
    // A method added by hand may carry the billboard type without being one.
    if (type != PPS_METHOD_BB) return;
    if (auto* bb = dynamic_cast<CMethodBB*>(method)) bb->SetTextureMng(textureMng);
}
