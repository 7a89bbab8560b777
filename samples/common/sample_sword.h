// A sword whose edge leaves a ribbon trail, as the sample clients draw it:
// the trail's look (white-hot at the blade, blue and fading towards the
// tail, narrowing as it goes), drawing the trail and the blade, and the
// carrier matrices of a sword held by a bone of a skeleton, one sequence per
// clip, for an emitter that a playing skeleton keeps in step.
#pragma once
#include <map>
#include <vector>

#include <kestu.h>

namespace sample {

struct ColourVertex {
    float x, y, z;
    DWORD color;
};

// Untextured and unlit, vertex colours and alpha, in world coordinates.
inline void DiffuseInWorld(IDirect3DDevice8* device)
{
    D3DXMATRIX id;
    D3DXMatrixIdentity(&id);
    device->SetTransform(D3DTS_WORLD, &id);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetTexture(0, nullptr);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
}

// The blade trail's channels on a strategy built for the device.
inline void BladeTrailLook(Kestu::CTrail_Strategy& strategy, IDirect3DDevice8* device)
{
    strategy.Init(device);
    struct ColorKey {
        float key;
        DWORD color;
    } colors[3] = {{0.0f, 0xFFFFFFFFu}, {0.25f, 0xFF60D0FFu}, {1.0f, 0xFF1030A0u}};
    struct FloatKey {
        float key, value;
    } alpha[2] = {{0.0f, 0.9f}, {1.0f, 0.0f}}, width[2] = {{0.0f, 1.0f}, {1.0f, 0.35f}};
    Kestu::CStrategyData data;
    data.AddSlot(1.0f, sizeof colors, sizeof colors[0], colors);
    strategy.SetStrategyData(&data, Kestu::TRAIL_CHANNEL_COLOR);
    data.Clear();
    data.AddSlot(1.0f, sizeof alpha, sizeof alpha[0], alpha);
    strategy.SetStrategyData(&data, Kestu::TRAIL_CHANNEL_ALPHA);
    data.Clear();
    data.AddSlot(1.0f, sizeof width, sizeof width[0], width);
    strategy.SetStrategyData(&data, Kestu::TRAIL_CHANNEL_WIDTH);
}

// The trail blended over the scene without writing depth.
inline void DrawTrail(IDirect3DDevice8* device, Kestu::ITrail_Emitter& emitter)
{
    DiffuseInWorld(device);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    emitter.RenderTrail();
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

// The blade: a thin steel quad from hilt to tip under the carrier matrix m,
// as wide as `across` (in the carrier's space) at the hilt.
inline void DrawBlade(IDirect3DDevice8* device, const D3DXMATRIX& m, const D3DXVECTOR3& hilt, const D3DXVECTOR3& tip,
                      const D3DXVECTOR3& across)
{
    D3DXVECTOR3 h, p, side;
    D3DXVec3TransformCoord(&h, &hilt, &m);
    D3DXVec3TransformCoord(&p, &tip, &m);
    D3DXVec3TransformNormal(&side, &across, &m);
    const ColourVertex v[4] = {{h.x - side.x, h.y - side.y, h.z - side.z, 0xFFB0B8C8u},
                               {p.x, p.y, p.z, 0xFFF0F4FFu},
                               {h.x + side.x, h.y + side.y, h.z + side.z, 0xFF8088A0u},
                               {p.x, p.y, p.z, 0xFFF0F4FFu}};
    DiffuseInWorld(device);
    device->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ColourVertex));
}

// Per clip id, the world matrix of a bone at every frame of the clip: the
// bone's key x the skeleton's local transform x world.
using BoneTracks = std::map<DWORD, std::vector<D3DXMATRIX>>;

// Files the bone's track of every clip of the skeleton in the emitter, as the
// sequence of the clip's id with the clip's frame times, and returns the
// tracks (empty when the skeleton has no such bone). Only the bones move;
// the skeleton is left to be moved to its frame again by whoever draws it.
inline BoneTracks FollowBone(Kestu::ITrail_Emitter& emitter, Kestu::CSkeleton& skeleton, const char* bone,
                             const D3DXMATRIX& world)
{
    BoneTracks tracks;
    Kestu::CSkAniBone* carrier = skeleton.GetBoneByName(bone);
    if (carrier == nullptr) return tracks;
    Kestu::CSkeleton::ActionMap::const_iterator it;
    for (Kestu::IActionAdapter* clip = skeleton.FirstAction(it); clip; clip = skeleton.NextAction(it)) {
        const DWORD frames = clip->GetFrameNum();
        const float* times = clip->GetFrameTime();
        if (frames == 0 || times == nullptr) continue;
        std::vector<D3DXMATRIX>& track = tracks[clip->GetID()];
        track.resize(frames);
        for (DWORD f = 0; f < frames; ++f) {
            clip->TransformObject(f, skeleton.GetTransform());
            track[f] = *carrier->GetRootMatrix() * *skeleton.GetLocalTransform() * world;
        }
        emitter.SetMatrixList(clip->GetID(), track.data(), frames);
        emitter.SetFrameTimeList(clip->GetID(), times, frames);
    }
    skeleton.SetCurrentFrame(0xFFFFFFFF);
    return tracks;
}

} // namespace sample
