#include "effects/particles/methods/MethodTypes.h"

// The drawing methods (points, triangles, quads, point sprites, billboards,
// skeletal models and meshes) are not in the engine yet: no type has a class.
CPPS_METHOD_BASE* CreatePPSMethod(DWORD type, const CParticleMethodMng& mng) { return nullptr; }

void GivePPSMethodTextureMng(CPPS_METHOD_BASE* method, DWORD type, CTextureMng* textureMng) {}
