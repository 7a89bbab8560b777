// Skeletal figures made in memory with the engine's own object model: bones
// joined by a hierarchy (with helper objects), skins of tubes around the
// bones whose vertices blend with the parent bone near each joint, and
// clips whose keys come from per-bone rotations walked down the hierarchy
// by the clip's own tools. The sample character (a dozen bones, two skins,
// a walk and a wave) is exported by the character sample and read back by
// the tests; the benchmark's creature has 60 bones and about 5,000 vertices.
// Figures are built like the exporters' output: z up, in centimetres.
#pragma once
#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <kestu.h>
#include <ou_archive.h>
#include <ou_file.h>

namespace samplechar {

using namespace Kestu;

struct BoneDef {
    std::string name;
    int parent;        // index of the parent bone, -1 for one under the root helper
    D3DXVECTOR3 joint; // where it turns, in the bind pose
    D3DXVECTOR3 tip;   // where its tube ends
    float radius;
    int skin;
    DWORD material;
};

// A bone's turn at a phase of the clip (0..1).
using Pose = std::function<D3DXMATRIX(int bone, float phase)>;

struct ClipDef {
    DWORD frames;
    float seconds;
    Pose pose;
};

struct SkinDef {
    std::string name;
    std::vector<D3DCOLORVALUE> materials;
    std::vector<std::string> textures; // file names, one per material (may be empty)
};

struct Figure {
    std::vector<BoneDef> bones;
    std::vector<SkinDef> skins;
    std::vector<ClipDef> clips;
    std::string rootHelper = "root";
    std::string tipHelper; // a helper object hung on the last bone (may be empty)
    int rings = 6;         // rings of a tube
    int segments = 10;     // vertices of a ring
};

inline D3DXMATRIX Turn(float x, float y, float z)
{
    D3DXMATRIX rx, ry, rz;
    D3DXMatrixRotationX(&rx, x);
    D3DXMatrixRotationY(&ry, y);
    D3DXMatrixRotationZ(&rz, z);
    return rx * ry * rz;
}

// The sample character: hips, spine, chest, head, two arms of two bones and
// two legs of two bones; a "body" skin (shirt and trousers) and an "arms"
// skin; clip 0 walks, clip 1 waves the right arm.
inline Figure Character()
{
    Figure f;
    auto v = [](float x, float y, float z) { return D3DXVECTOR3(x, y, z); };
    f.bones = {
        {"hips", -1, v(0, 0, 95), v(0, 0, 110), 15, 0, 1},
        {"spine", 0, v(0, 0, 110), v(0, 0, 128), 14, 0, 0},
        {"chest", 1, v(0, 0, 128), v(0, 0, 150), 16, 0, 0},
        {"head", 2, v(0, 0, 152), v(0, 0, 178), 10, 0, 2},
        {"l_arm", 2, v(20, 0, 146), v(46, 0, 146), 5, 1, 0},
        {"l_forearm", 4, v(46, 0, 146), v(72, 0, 146), 4, 1, 0},
        {"r_arm", 2, v(-20, 0, 146), v(-46, 0, 146), 5, 1, 0},
        {"r_forearm", 6, v(-46, 0, 146), v(-72, 0, 146), 4, 1, 0},
        {"l_thigh", 0, v(9, 0, 95), v(9, 0, 50), 7, 0, 1},
        {"l_shin", 8, v(9, 0, 50), v(9, 0, 4), 5, 0, 1},
        {"r_thigh", 0, v(-9, 0, 95), v(-9, 0, 50), 7, 0, 1},
        {"r_shin", 10, v(-9, 0, 50), v(-9, 0, 4), 5, 0, 1},
    };
    f.skins = {{"body",
                {{0.25f, 0.45f, 0.85f, 1}, {0.35f, 0.3f, 0.25f, 1}, {0.95f, 0.75f, 0.6f, 1}},
                {"shirt.bmp", "trousers.bmp", "skin.bmp"}},
               {"arms", {{0.95f, 0.75f, 0.6f, 1}}, {"skin.bmp"}}};
    f.tipHelper = "r_hand_tip";
    // Arms hang down from the shoulders in both clips (a turn about y).
    auto hang = [](int bone) { return bone == 4 ? 1.3f : bone == 6 ? -1.3f : 0.0f; };
    const Pose walk = [hang](int bone, float phase) {
        const float s = std::sin(6.2831853f * phase);
        switch (bone) {
        case 4: return Turn(0.5f * s, hang(bone), 0);
        case 6: return Turn(-0.5f * s, hang(bone), 0);
        case 5:
        case 7: return Turn(-0.3f, 0, 0);
        case 8: return Turn(-0.5f * s, 0, 0);
        case 10: return Turn(0.5f * s, 0, 0);
        case 9: return Turn(0.6f * std::max(0.0f, s), 0, 0);
        case 11: return Turn(0.6f * std::max(0.0f, -s), 0, 0);
        case 2: return Turn(0, 0, 0.15f * s);
        default: return Turn(0, 0, 0);
        }
    };
    const Pose wave = [hang](int bone, float phase) {
        const float s = std::sin(6.2831853f * 2.0f * phase);
        switch (bone) {
        case 4: return Turn(0, hang(bone), 0);
        case 6: return Turn(0, 0.5f, 0);
        case 7: return Turn(0, 1.2f + 0.4f * s, 0);
        case 3: return Turn(0, 0.1f * s, 0);
        default: return Turn(0, 0, 0);
        }
    };
    f.clips = {{24, 0.8f, walk}, {20, 1.0f, wave}};
    return f;
}

// The benchmark's creature: arms x bonesPerArm bones fanned out from the
// root, each a tube of rings x segments vertices, one clip that curls them.
inline Figure Creature(int arms, int bonesPerArm, int rings, int segments, DWORD frames)
{
    Figure f;
    f.rings = rings;
    f.segments = segments;
    f.skins = {{"creature", {{0.6f, 0.8f, 0.5f, 1}}, {}}};
    for (int a = 0; a < arms; ++a) {
        const float angle = 6.2831853f * float(a) / float(arms);
        const D3DXVECTOR3 dir(std::cos(angle), std::sin(angle), 0.3f);
        for (int b = 0; b < bonesPerArm; ++b) {
            const D3DXVECTOR3 joint = dir * (10.0f * float(b));
            f.bones.push_back({"arm" + std::to_string(a) + "_" + std::to_string(b),
                               b == 0 ? -1 : int(f.bones.size()) - 1, joint, dir * (10.0f * float(b + 1)),
                               3.0f - 0.15f * float(b), 0, 0});
        }
    }
    const Pose curl = [bonesPerArm](int bone, float phase) {
        const float s = std::sin(6.2831853f * phase + 0.4f * float(bone / bonesPerArm));
        return Turn(0.15f * s, 0.1f * s, 0.05f * float(bone % bonesPerArm) * s);
    };
    f.clips = {{frames, 1.0f, curl}};
    return f;
}

struct Vertex {
    float x, y, z, nx, ny, nz;
    DWORD colour;
    float u, v;
};

// A mesh as a client has it after loading: written as its "MESHDATA"
// chunk (which turns the exporter's winding and groups the faces by
// material) and read back.
inline CMeshDataBase* Settle(CMeshDataBase* made)
{
    made->AddRef();
    made->SetConverCoord(0);
    COUMemFile out;
    out.Open(nullptr, OU_FILE_CREATE);
    DWORD count = 0;
    {
        COUArchive ar(&out, OU_ARCHIVE_STORE);
        made->Serialize(2, 1, ar, count, 0, 1, 0);
    }
    made->Release();
    COUMemFile in(out.GetBuffer().data(), out.GetBuffer().size());
    in.Open(nullptr, OU_FILE_READ);
    COUArchive ar(&in, OU_ARCHIVE_LOAD);
    count = 0;
    return ReadMeshDataChunk(ar, count, 2, 1, 0, 0);
}

// One skin's mesh: a tube around every bone of the skin, each vertex bound
// to its bone and, near the joint, to the parent bone.
inline CMeshDataBase* MakeSkinMesh(const Figure& f, int skin, std::vector<int>& skinBones)
{
    std::map<int, DWORD> local;
    auto slot = [&](int bone) {
        auto it = local.find(bone);
        if (it != local.end()) return it->second;
        const DWORD s = DWORD(skinBones.size());
        skinBones.push_back(bone);
        local[bone] = s;
        return s;
    };
    std::vector<Vertex> vertices;
    std::vector<DWORD> influences;
    std::vector<float> weights;
    std::vector<DWORD> indices;
    std::vector<DWORD> materials;
    for (int b = 0; b < int(f.bones.size()); ++b) {
        const BoneDef& bone = f.bones[b];
        if (bone.skin != skin) continue;
        D3DXVECTOR3 axis = bone.tip - bone.joint;
        const float length = D3DXVec3Length(&axis);
        axis /= length;
        D3DXVECTOR3 side(0, 0, 1);
        if (std::fabs(axis.z) > 0.9f) side = D3DXVECTOR3(1, 0, 0);
        D3DXVECTOR3 u, w;
        D3DXVec3Cross(&u, &axis, &side);
        D3DXVec3Normalize(&u, &u);
        D3DXVec3Cross(&w, &axis, &u);
        const DWORD first = DWORD(vertices.size());
        const DWORD own = slot(b);
        const DWORD parent = bone.parent >= 0 ? slot(bone.parent) : own;
        for (int r = 0; r < f.rings; ++r) {
            const float t = float(r) / float(f.rings - 1);
            const float radius = bone.radius * (1.0f - 0.25f * t);
            const float toParent = bone.parent >= 0 ? std::max(0.0f, 0.5f - t) : 0.0f;
            for (int s = 0; s < f.segments; ++s) {
                const float a = 6.2831853f * float(s) / float(f.segments);
                const D3DXVECTOR3 n = u * std::cos(a) + w * std::sin(a);
                const D3DXVECTOR3 p = bone.joint + axis * (length * t) + n * radius;
                vertices.push_back({p.x, p.y, p.z, n.x, n.y, n.z, 0xFFFFFFFF, float(s) / float(f.segments), t});
                influences.push_back(own);
                influences.push_back(parent);
                weights.push_back(1.0f - toParent);
                weights.push_back(toParent);
            }
        }
        for (int r = 0; r + 1 < f.rings; ++r)
            for (int s = 0; s < f.segments; ++s) {
                const DWORD a = first + DWORD(r * f.segments + s);
                const DWORD c = first + DWORD(r * f.segments + (s + 1) % f.segments);
                for (DWORD i : {a, c, a + DWORD(f.segments), c, c + DWORD(f.segments), a + DWORD(f.segments)})
                    indices.push_back(i);
                materials.insert(materials.end(), 2, bone.material);
            }
    }
    CMeshDataDynamic* mesh = new CMeshDataDynamic();
    const bool wide = vertices.size() > 0xFFFF;
    mesh->SetVertexStride(sizeof(Vertex));
    mesh->SetVertexFVF(0x152);
    mesh->SetVerticesNum(DWORD(vertices.size()));
    mesh->SetIndicesNum(DWORD(indices.size()));
    mesh->SetIndexFormat(wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16);
    mesh->SetPrimitiveCount(DWORD(indices.size() / 3));
    mesh->SetVertexData(reinterpret_cast<const char*>(vertices.data()), DWORD(vertices.size() * sizeof(Vertex)));
    if (wide) {
        mesh->SetIndexData(reinterpret_cast<const char*>(indices.data()), DWORD(indices.size() * 4));
    } else {
        std::vector<WORD> narrow(indices.begin(), indices.end());
        mesh->SetIndexData(reinterpret_cast<const char*>(narrow.data()), DWORD(narrow.size() * 2));
    }
    mesh->SetBonesPerVertex(2);
    mesh->SetVerInfluneceBuf(influences.data(), DWORD(influences.size()));
    mesh->SetVerWeightBuf(weights.data(), DWORD(weights.size()));
    mesh->SetPrimitiveMaterialList(materials.data());
    const SkinDef& def = f.skins[skin];
    for (size_t i = 0; i < def.materials.size(); ++i) {
        CMaterialData m;
        m.mtl.Diffuse = def.materials[i];
        m.mtl.Ambient = def.materials[i];
        m.dwBlendMode = 0;
        if (i < def.textures.size()) m.SetTextureFileName(def.textures[i].c_str());
        mesh->AddMaterial(&m);
    }
    return Settle(mesh);
}

// Fills an empty skeleton with the figure: bones, helpers, hierarchy, skins
// and clips (ids 0, 1, ... in the figure's order).
inline void Build(const Figure& f, CSkeleton& s)
{
    const int count = int(f.bones.size());
    std::vector<CSkAniBone*> bones(count);
    for (int b = 0; b < count; ++b) {
        const BoneDef& def = f.bones[b];
        CSkAniBone* bone = new CSkAniBone();
        bone->SetName(def.name.c_str());
        bone->EnableVisible(1);
        D3DXMATRIX bind, offset;
        D3DXMatrixTranslation(&bind, def.joint.x, def.joint.y, def.joint.z);
        D3DXMatrixTranslation(&offset, -def.joint.x, -def.joint.y, -def.joint.z);
        bone->SetRootMatrix(&bind);
        bone->SetOffsetMatrix(&offset);
        SBoundBox box;
        box.Reset();
        const D3DXVECTOR3 a(-def.radius, -def.radius, -def.radius);
        const D3DXVECTOR3 tip = def.tip - def.joint;
        const D3DXVECTOR3 c = tip + D3DXVECTOR3(def.radius, def.radius, def.radius);
        box.AddPoint(&a);
        box.AddPoint(&c);
        box.AddPoint(&tip);
        bone->SetBoundBox(&box);
        s.AddBone(def.name.c_str(), bone);
        bones[b] = bone;
    }
    CDummyObject* root = new CDummyObject();
    root->SetName(f.rootHelper.c_str());
    s.AddObject(f.rootHelper.c_str(), root);

    // The hierarchy: the root helper above the top bones.
    std::vector<CSkeletonTreeNode*> nodes(count);
    CSkeletonTreeNode* top = new CSkeletonTreeNode();
    top->SetName(f.rootHelper.c_str());
    for (int b = 0; b < count; ++b) {
        nodes[b] = new CSkeletonTreeNode();
        nodes[b]->SetName(f.bones[b].name.c_str());
        (f.bones[b].parent < 0 ? top : nodes[f.bones[b].parent])->AddChild(nodes[b]);
    }
    if (!f.tipHelper.empty()) {
        CDummyObject* tip = new CDummyObject();
        tip->SetName(f.tipHelper.c_str());
        s.AddObject(f.tipHelper.c_str(), tip);
        CSkeletonTreeNode* node = new CSkeletonTreeNode();
        node->SetName(f.tipHelper.c_str());
        nodes[count - 1]->AddChild(node);
    }
    s.SetSkeletonTree(top);
    s.BuildSkeletonTree(top);

    for (int k = 0; k < int(f.skins.size()); ++k) {
        std::vector<int> skinBones;
        CMeshDataBase* mesh = MakeSkinMesh(f, k, skinBones);
        CSkAniSkin* skin = new CSkAniSkin();
        skin->SetName(f.skins[k].name.c_str());
        skin->SetMeshData(mesh);
        for (int b : skinBones) skin->AddBoneToList(f.bones[b].name.c_str(), bones[b]->GetOffsetMatrix());
        s.AddSkin(f.skins[k].name.c_str(), skin);
    }

    for (const ClipDef& clipDef : f.clips) {
        CActionData* clip = new CActionData();
        std::vector<DWORD> ids(count);
        for (int b = 0; b < count; ++b) {
            clip->GetBoneNameListPtr()->push_back(f.bones[b].name);
            ids[b] = s.GetBoneIDByName(f.bones[b].name);
        }
        clip->SetBoneList(DWORD(count), ids.data());
        std::vector<float> times(clipDef.frames);
        std::vector<D3DXMATRIX> relative(size_t(clipDef.frames) * count);
        for (DWORD fr = 0; fr < clipDef.frames; ++fr) {
            const float phase = float(fr) / float(clipDef.frames - 1);
            times[fr] = clipDef.seconds * phase;
            for (int b = 0; b < count; ++b) {
                const BoneDef& def = f.bones[b];
                const D3DXVECTOR3 from = def.parent >= 0 ? f.bones[def.parent].joint : D3DXVECTOR3(0, 0, 0);
                D3DXMATRIX move;
                D3DXMatrixTranslation(&move, def.joint.x - from.x, def.joint.y - from.y, def.joint.z - from.z);
                relative[fr * count + b] = clipDef.pose(b, phase) * move;
            }
        }
        clip->SetFrameTime(clipDef.frames, times.data());
        clip->SetRMatrixList(DWORD(relative.size()), relative.data());
        clip->SetParent(&s);
        clip->GenMatListFromRMatList();
        clip->BuildQuaternion();
        CAction* adapter = new CAction();
        adapter->SetActionData(clip);
        clip->AddRef();
        s.AddAction(adapter);
    }
}

} // namespace samplechar
