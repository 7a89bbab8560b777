// A device-object manager that accepts every event.
#pragma once
#include "kestu_devobjmng.h"

class CGfxNullDevObjMng : public CKestuDevObjMng {
public:
    ~CGfxNullDevObjMng() override;
    HRESULT InitDeviceObjects(IDirect3DDevice8* device) override;
    HRESULT ActivateDeviceObjects() override;
    HRESULT InvalidateDeviceObjects() override;
};
