#include "core/device/GfxNullDevObjMng.h"

CGfxNullDevObjMng::~CGfxNullDevObjMng() = default;

HRESULT CGfxNullDevObjMng::InitDeviceObjects(IDirect3DDevice8*) { return S_OK; }

HRESULT CGfxNullDevObjMng::ActivateDeviceObjects() { return S_OK; }

HRESULT CGfxNullDevObjMng::InvalidateDeviceObjects() { return S_OK; }
