// The method class behind each method type.
#pragma once
#include <windows.h>

class CPPS_METHOD_BASE;
class CParticleMethodMng;
class CTextureMng;

// A new method of the type, set up with what the manager hands to methods of
// that type; null for a type without a class.
CPPS_METHOD_BASE* CreatePPSMethod(DWORD type, const CParticleMethodMng& mng);
// Hands the texture manager to a method of a type that draws with it.
void GivePPSMethodTextureMng(CPPS_METHOD_BASE* method, DWORD type, CTextureMng* textureMng);
