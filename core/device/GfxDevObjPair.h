// The engine's device-event forwarder: passes each event to up to two managers.
#pragma once
#include "kestu_devobjmng.h"

class CGfxDevObjPair : public CKestuDevObjMng {
public:
    CGfxDevObjPair() = default;
    ~CGfxDevObjPair() override;

    HRESULT ConfirmDevice(D3DCAPS8* caps, DWORD behavior, D3DFORMAT backBufferFormat) override;
    HRESULT InitDeviceObjects(IDirect3DDevice8* device) override;
    HRESULT ActivateDeviceObjects() override;
    HRESULT InvalidateDeviceObjects() override;

    void SetFirst(CKestuDevObjMng* mng) { m_pFirst = mng; }
    CKestuDevObjMng* GetFirst() const { return m_pFirst; }
    void SetSecond(CKestuDevObjMng* mng) { m_pSecond = mng; }
    CKestuDevObjMng* GetSecond() const { return m_pSecond; }

private:
    template <typename Call>
    HRESULT Forward(Call call);

    CKestuDevObjMng* m_pFirst = nullptr;
    CKestuDevObjMng* m_pSecond = nullptr;
};
