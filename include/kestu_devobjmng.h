// The client's device-object manager: the engine calls it at fixed points of
// the device's life so the client can release and re-create its
// default-pool resources.
#pragma once
#include <windows.h>
#include <d3d8.h>

#include "kestu_export.h"

class KESTU_API CKestuDevObjMng {
public:
    CKestuDevObjMng() = default;
    CKestuDevObjMng(const CKestuDevObjMng&) {}
    CKestuDevObjMng& operator=(const CKestuDevObjMng&) { return *this; }
    virtual ~CKestuDevObjMng();

    // Accepts (non-negative) or refuses a candidate device configuration; accepts by default.
    virtual HRESULT ConfirmDevice(D3DCAPS8* caps, DWORD behavior, D3DFORMAT backBufferFormat);
    // The device has just been created or adopted.
    virtual HRESULT InitDeviceObjects(IDirect3DDevice8* device) = 0;
    // The device is ready: after creation and after every reset.
    virtual HRESULT ActivateDeviceObjects() = 0;
    // The device is about to be reset or released.
    virtual HRESULT InvalidateDeviceObjects() = 0;
};
