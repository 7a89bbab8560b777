// Saves the device states that 2D text and sprite drawing depend on, sets the
// values it needs, and puts the saved values back. A state is written only
// when its value differs from the wanted one.
#pragma once
#include "d3d8.h"
#include "kestu_export.h"

class KESTU_API CGfxRSMng {
public:
    static constexpr int kRenderStates = 15;
    static constexpr int kStageStates = 13;

    CGfxRSMng() {}
    virtual ~CGfxRSMng() {}

    virtual HRESULT Initialize(IDirect3DDevice8* device);
    virtual HRESULT Restore() { return 0; }
    virtual HRESULT Invalidate() { return 0; }
    virtual HRESULT Release() { return 0; }

    HRESULT BeginDrawTextTo2D();
    HRESULT EndDrawTextTo2D();

private:
    IDirect3DDevice8* m_pDevice = nullptr;
    BOOL m_bBegun = FALSE;
    DWORD m_dwSavedRS[kRenderStates] = {};
    DWORD m_dwSavedTSS[kStageStates] = {};
};
