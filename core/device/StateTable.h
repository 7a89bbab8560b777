// Rows of render and texture-stage states that a drawing helper sets for its
// own use and puts back afterwards, touching the device only where the value
// actually changes.
#pragma once
#include "d3d8.h"

struct StateRow {
    int stage;  // -1: render state
    DWORD type;
    DWORD value;
};

inline void PutState(IDirect3DDevice8* device, const StateRow& row, DWORD value)
{
    if (row.stage < 0)
        device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(row.type), value);
    else
        device->SetTextureStageState(static_cast<DWORD>(row.stage), static_cast<D3DTEXTURESTAGESTATETYPE>(row.type),
                                     value);
}

// Reads the row's state into *saved, then sets it to want.
inline void SaveAndSetState(IDirect3DDevice8* device, const StateRow& row, DWORD want, DWORD* saved)
{
    if (row.stage < 0)
        device->GetRenderState(static_cast<D3DRENDERSTATETYPE>(row.type), saved);
    else
        device->GetTextureStageState(static_cast<DWORD>(row.stage), static_cast<D3DTEXTURESTAGESTATETYPE>(row.type),
                                     saved);
    if (*saved != want) PutState(device, row, want);
}

inline void RestoreState(IDirect3DDevice8* device, const StateRow& row, DWORD saved, DWORD set)
{
    if (saved != set) PutState(device, row, saved);
}
