// Clips (frame lookups, keys, walks, records) and the action adapter.
#include <chrono>
#include <cmath>
#include <cstring>

#include "model/archive/LogText.h"
#include "kestu_bytes.h"
#include "skeleton_fixture.h"

namespace {

using namespace modeltest;
using kestu::GetU32;
using kestu::PutU32;

// A clip of two bones "a" and "b" (ids 0 and 1 of the skeleton) over the
// given frame times, every key a translation by (frame, bone, 0).
void FillClip(CActionData& clip, const std::vector<float>& times, DWORD bones = 2)
{
    const char* names[] = {"a", "b", "c"};
    std::vector<DWORD> ids;
    for (DWORD b = 0; b < bones; ++b) {
        clip.GetBoneNameListPtr()->push_back(names[b]);
        ids.push_back(b);
    }
    clip.SetBoneList(bones, ids.data());
    clip.SetFrameTime(DWORD(times.size()), times.data());
    std::vector<D3DXMATRIX> keys(times.size() * bones);
    for (size_t f = 0; f < times.size(); ++f)
        for (DWORD b = 0; b < bones; ++b) D3DXMatrixTranslation(&keys[f * bones + b], float(f), float(b), 0);
    clip.SetMatrixList(DWORD(keys.size()), keys.data());
}

TEST(ActionData, FrameLookupStrictAndReference)
{
    CActionData clip;
    FillClip(clip, {0, 10, 20});
    struct Case {
        float clock;
        DWORD strict, reference;
        float wrapped;
    } cases[] = {{25, 1, 1, 5}, {10, 2, 1, 10}, {20, 0, 2, 20}, {0, 1, 0, 0}, {45, 1, 1, 5}, {-3, 0, 0, -3}};
    for (const Case& c : cases) {
        clip.SetPlayClock(0);
        EXPECT_EQ(clip.GetPositionByTime(0, c.clock), c.strict) << c.clock;
        EXPECT_FLOAT_EQ(clip.GetPlayClock(), c.wrapped) << c.clock;
        float t = c.clock;
        EXPECT_EQ(clip.GetPositionByTime(t), c.reference) << c.clock;
        EXPECT_FLOAT_EQ(t, c.wrapped) << c.clock;
    }
    // The advancing lookup keeps its clock between calls.
    clip.SetPlayClock(0);
    clip.GetPositionByTime(0, 15);
    EXPECT_EQ(clip.GetPositionByTime(0, 10), 1u);
    EXPECT_FLOAT_EQ(clip.GetPlayClock(), 5);
}

TEST(ActionData, ClipsWithoutLengthNeverLoop)
{
    const auto start = std::chrono::steady_clock::now();
    CActionData empty;
    float t = 1e30f;
    EXPECT_EQ(empty.GetPositionByTime(t), 0u);
    EXPECT_EQ(empty.GetPositionByTime(0, 5.0f), 0u);
    CActionData flat;
    FillClip(flat, {0, 0, 0});
    EXPECT_EQ(flat.GetPositionByTime(0, 7.0f), 0u);
    t = 3;
    EXPECT_EQ(flat.GetPositionByTime(t), 0u);
    CActionData tiny;
    FillClip(tiny, {0, 1e-6f});
    t = 1e30f;
    tiny.GetPositionByTime(t);
    EXPECT_LE(t, 1e-6f);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(ActionData, SettersScaleAndOriginTimes)
{
    CActionData clip;
    const D3DXVECTOR3 offsets[2] = {{1, 2, 3}, {4, 5, 6}};
    clip.SetOffsetList(2, offsets);
    EXPECT_EQ(clip.GetOffsetList()[0].w, 1.0f);
    EXPECT_EQ(clip.GetOffsetList()[1].w, 1.0f);
    EXPECT_EQ(clip.GetOffsetList()[1].z, 6.0f);

    const float times[3] = {1, 2, 4};
    clip.SetFrameTime(3, times);
    EXPECT_EQ(clip.GetFrameNum(), 3u);
    EXPECT_EQ(clip.GetTotalTime(), 4.0f);
    EXPECT_EQ(clip.SetFrameTimeToMaxOrigin(), E_FAIL);
    clip.SetOriginFrameTime(3, times);
    clip.Scale(2);
    EXPECT_EQ(clip.GetFrameTime()[0], 2.0f);
    EXPECT_EQ(clip.GetFrameTime()[2], 8.0f);
    EXPECT_EQ(clip.GetTotalTime(), 8.0f);
    EXPECT_EQ(clip.SetFrameTimeToMaxOrigin(), 0);
    EXPECT_EQ(clip.GetTotalTime(), 4.0f);
}

TEST(ActionData, KeyMatricesAndSlerp)
{
    // A quaternion and offset make the matrix that gives them back.
    D3DXQUATERNION q;
    const D3DXVECTOR3 axis(0.3f, -0.5f, 0.8f);
    D3DXQuaternionRotationAxis(&q, &axis, 1.1f);
    const D3DXVECTOR4 offset(1, 2, 3, 1);
    D3DXMATRIX m;
    CActionData::KeyMatrix(q, offset, &m);
    D3DXQUATERNION back;
    D3DXVECTOR4 o(0, 0, 0, 7);
    CActionData::KeyFromMatrix(m, &back, &o);
    EXPECT_NEAR(std::fabs(D3DXQuaternionDot(&q, &back)), 1.0f, 1e-5f);
    EXPECT_EQ(o, D3DXVECTOR4(1, 2, 3, 7));
    // The key's rotation turns a point as the engine's own rotation of the
    // transposed matrix would.
    D3DXMATRIX rotation;
    D3DXMatrixRotationQuaternion(&rotation, &q);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(m.m[r][c], rotation.m[c][r], 1e-5f);

    // A mirrored key negates the first three rows.
    D3DXMATRIX mirrored;
    CActionData::KeyMatrix(q, D3DXVECTOR4(1, 2, 3, -1), &mirrored);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(mirrored.m[r][c], -m.m[r][c]);
    EXPECT_EQ(mirrored._41, 1.0f);
    EXPECT_EQ(mirrored._44, 1.0f);

    // Slerp between two keys of one bone: the ends and the halfway turn.
    CActionData clip;
    FillClip(clip, {0, 1}, 1);
    D3DXQUATERNION keys[2];
    D3DXQuaternionRotationAxis(&keys[0], &axis, 0.0f);
    D3DXQuaternionRotationAxis(&keys[1], &axis, 1.0f);
    const D3DXVECTOR4 offsets[2] = {{0, 0, 0, 1}, {2, 4, 6, 1}};
    clip.SetQuatList(2, keys);
    clip.SetOffsetList(2, offsets);
    D3DXMATRIX out, a, b, half;
    clip.GenRMListSlerp(0, 1, 0.0f, &out);
    CActionData::KeyMatrix(keys[0], offsets[0], &a);
    EXPECT_EQ(std::memcmp(&out, &a, sizeof out), 0);
    clip.GenRMListSlerp(0, 1, 1.0f, &out);
    CActionData::KeyMatrix(keys[1], offsets[1], &b);
    EXPECT_TRUE(CActionData::KeyEqual(out, b));
    clip.GenRMListSlerp(0, 1, 0.5f, &out);
    D3DXQUATERNION mid;
    D3DXQuaternionRotationAxis(&mid, &axis, 0.5f);
    CActionData::KeyMatrix(mid, D3DXVECTOR4(1, 2, 3, 1), &half);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(out.m[r][c], half.m[r][c], 1e-5f);
    // Frames past the clip write nothing.
    D3DXMATRIX untouched = a;
    clip.GenRMListSlerp(0, 5, 0.5f, &untouched);
    EXPECT_EQ(std::memcmp(&untouched, &a, sizeof a), 0);
}

TEST(ActionData, KeyTolerance)
{
    EXPECT_TRUE(CActionData::KeyEqual(1.0f, 1.004f));
    EXPECT_TRUE(CActionData::KeyEqual(0.004f, -0.004f));
    host::ClearDebugOutput();
    EXPECT_FALSE(CActionData::KeyEqual(1.0f, 1.01f));
    EXPECT_NE(host::GetDebugOutputText().find("epsilon ="), std::string::npos);
}

// The walks between relative and model-space keys over the character's tree.
TEST(ActionData, RelativeAndModelSpaceWalks)
{
    CSkeleton s;
    MakeCharacter(s);
    CActionData* walk = s.GetAction(0)->GetCurActionData();
    ASSERT_NE(walk, nullptr);
    const DWORD bones = walk->GetBoneNum(), frames = walk->GetFrameNum();
    ASSERT_EQ(bones, 12u);
    const std::vector<D3DXMATRIX> model(walk->GetMatrixList(), walk->GetMatrixList() + frames * bones);
    const std::vector<D3DXMATRIX> relative(walk->GetRMatrixList(), walk->GetRMatrixList() + frames * bones);

    // A child's model matrix is its relative one times its parent's.
    const DWORD f = 5;
    const DWORD chest = s.GetBoneIDByName("chest"), arm = s.GetBoneIDByName("l_arm");
    D3DXMATRIX expected = relative[f * bones + arm] * model[f * bones + chest];
    EXPECT_TRUE(CActionData::KeyEqual(model[f * bones + arm], expected));
    // The top bone sits under the root helper: its relative matrix is its model one.
    const DWORD hips = s.GetBoneIDByName("hips");
    EXPECT_TRUE(CActionData::KeyEqual(model[f * bones + hips], relative[f * bones + hips]));

    // Model to relative and back again gives the same keys.
    walk->GenRMatListFromMatList();
    for (size_t k = 0; k < relative.size(); ++k)
        ASSERT_TRUE(CActionData::KeyEqual(walk->GetRMatrixList()[k], relative[k])) << k;
    host::ClearDebugOutput();
    walk->GenMatListFromRMatList();
    EXPECT_EQ(host::GetDebugOutputText().find("not identical"), std::string::npos);
    std::vector<D3DXMATRIX> single(bones);
    walk->RM2TMSingleFrame(&relative[f * bones], single.data());
    for (DWORD b = 0; b < bones; ++b) EXPECT_TRUE(CActionData::KeyEqual(single[b], model[f * bones + b])) << b;

    // A changed relative key shows in the rebuilt model keys and is reported.
    D3DXMatrixTranslation(&walk->GetRMatrixList()[f * bones + chest], 0, 0, 500);
    host::ClearDebugOutput();
    walk->GenMatListFromRMatList();
    EXPECT_NE(host::GetDebugOutputText().find("5,2 not identical,chest"), std::string::npos);
    EXPECT_NEAR(walk->GetMatrixList()[f * bones + arm]._43, model[f * bones + hips]._43 + 500 + 18 + 0, 30);

    // Quaternions and offsets rebuild the relative keys.
    walk->GenRMatListFromMatList();
    walk->BuildQuaternion();
    const std::vector<D3DXMATRIX> before(walk->GetRMatrixList(), walk->GetRMatrixList() + frames * bones);
    walk->BuildMatrix();
    for (size_t k = 0; k < before.size(); ++k)
        ASSERT_TRUE(CActionData::KeyEqual(walk->GetRMatrixList()[k], before[k])) << k;
}

TEST(ActionData, CopiesOwnTheirArrays)
{
    CActionData clip;
    FillClip(clip, {0, 1, 2});
    clip.SetACTFlag(9);
    CActionData copy(clip);
    CActionData assigned;
    assigned = clip;
    copy.GetMatrixList()[0]._41 = 99;
    assigned.GetFrameTime()[1] = 42;
    EXPECT_EQ(clip.GetMatrixList()[0]._41, 0.0f);
    EXPECT_EQ(clip.GetFrameTime()[1], 1.0f);
    EXPECT_EQ(copy.GetACTFlag(), 9u);
    EXPECT_EQ(assigned.GetACTFlag(), 3u); // assignment leaves the flag
    EXPECT_EQ(assigned.GetMatrixList()[5]._42, 1.0f);
    CActionData lacking;
    lacking = CActionData();
    EXPECT_EQ(lacking.GetMatrixList(), nullptr);
    EXPECT_EQ(clip.AddRef(), 1u);
    EXPECT_EQ(clip.Release(), 0u);
    EXPECT_EQ(clip.Release(), 0u);
}

std::vector<BYTE> StoreClip(CActionData& clip, DWORD version)
{
    return Store([&](COUArchive& ar, DWORD& n) { return clip.Serialize(version, ar, n, 0, 1, 0); });
}

long LoadClip(CActionData& clip, const std::vector<BYTE>& bytes, DWORD version, DWORD* consumed = nullptr)
{
    return Load(
        bytes, [&](COUArchive& ar, DWORD& n) { return clip.Serialize(version, ar, n, 0, 0, 0); }, consumed);
}

TEST(ActionData, RecordLayoutAndRoundTrip)
{
    CActionData clip;
    FillClip(clip, {0, 0.5f, 1});
    clip.GetBoneNameListPtr()->front() = "abcd";
    const D3DXVECTOR3 offsets[6] = {};
    D3DXQUATERNION quats[6];
    for (D3DXQUATERNION& q : quats) D3DXQuaternionIdentity(&q);
    clip.SetOffsetList(6, offsets);
    clip.SetQuatList(6, quats);
    const std::vector<BYTE> bytes = StoreClip(clip, 2);
    // Flag, tag, four header words, "abcd" with L = 8, "b" with L = 4.
    EXPECT_EQ(GetU32(bytes.data()), 3u);
    EXPECT_EQ(std::memcmp(bytes.data() + 4, "ACTSDATA", 8), 0);
    EXPECT_EQ(GetU32(bytes.data() + 12 + 12), 2u);
    EXPECT_EQ(GetU32(bytes.data() + 28), 8u);
    EXPECT_EQ(std::memcmp(bytes.data() + 32, "abcd\0\0\0\0", 8), 0);
    EXPECT_EQ(GetU32(bytes.data() + 40), 4u);
    const size_t size = 4 + 8 + 16 + 12 + 8 + 12 + 6 * 64 + 6 * 16 * 2;
    EXPECT_EQ(bytes.size(), size);
    // Without a version there is no flag word.
    EXPECT_EQ(StoreClip(clip, 0xFFFFFFFF).size(), size - 4);

    CActionData back;
    DWORD consumed = 0;
    ASSERT_EQ(LoadClip(back, bytes, 2, &consumed), 0);
    EXPECT_EQ(consumed, bytes.size());
    EXPECT_EQ(back.GetFrameNum(), 3u);
    EXPECT_EQ(back.GetTotalTime(), 1.0f);
    EXPECT_EQ(back.GetBoneNameListPtr()->front(), "abcd");
    EXPECT_EQ(std::memcmp(back.GetMatrixList(), clip.GetMatrixList(), 6 * sizeof(D3DXMATRIX)), 0);
    EXPECT_NE(back.GetRMatrixList(), nullptr);
    EXPECT_EQ(StoreClip(back, 2), bytes);

    // Bone by bone: other bytes, the same keys.
    clip.SetACTFlag(clip.GetACTFlag() | KESTU_ACT_BONEMAJOR | KESTU_ACT_ORIGINTIMES);
    const std::vector<BYTE> boneMajor = StoreClip(clip, 2);
    EXPECT_EQ(boneMajor.size(), size + 12);
    CActionData again;
    ASSERT_EQ(LoadClip(again, boneMajor, 2), 0);
    EXPECT_EQ(std::memcmp(again.GetMatrixList(), clip.GetMatrixList(), 6 * sizeof(D3DXMATRIX)), 0);
    EXPECT_EQ(std::memcmp(again.GetOriginFrameTime(), clip.GetFrameTime(), 12), 0);
    EXPECT_NE(std::memcmp(boneMajor.data() + 60 + 12, bytes.data() + 60, 6 * 64), 0);
}

TEST(ActionData, CondensedLoadingDropsSmallKeyLists)
{
    struct Case {
        DWORD bones, frames;
        bool kept;
    } cases[] = {{100, 40, false}, {100, 41, true}};
    CActionData::SetUseCondenseModeLoad(1);
    for (const Case& c : cases) {
        CActionData clip;
        std::vector<DWORD> ids(c.bones, 0);
        for (DWORD b = 0; b < c.bones; ++b) clip.GetBoneNameListPtr()->push_back("b" + std::to_string(b));
        clip.SetBoneList(c.bones, ids.data());
        std::vector<float> times(c.frames);
        for (DWORD f = 0; f < c.frames; ++f) times[f] = float(f);
        clip.SetFrameTime(c.frames, times.data());
        clip.SetACTFlag(KESTU_ACT_QUATS);
        CActionData back;
        ASSERT_EQ(LoadClip(back, StoreClip(clip, 2), 2), 0);
        EXPECT_EQ(back.GetQuatList() != nullptr, c.kept) << c.frames;
        EXPECT_EQ(back.GetOffsetList() != nullptr, c.kept) << c.frames;
    }
    CActionData::SetUseCondenseModeLoad(0);
}

class ActionLog : public SkeletonLogTest {};

TEST_F(ActionLog, DamagedRecordsFailCleanly)
{
    // A clip without bones fails and names the skeleton's file in the log.
    CSkeleton s;
    s.SetSKLFileName("hero");
    CActionData noBones;
    const float times[1] = {0};
    noBones.SetFrameTime(1, times);
    const std::vector<BYTE> empty = StoreClip(noBones, 2);
    CActionData reader;
    reader.SetParent(&s);
    EXPECT_EQ(LoadClip(reader, empty, 2), E_FAIL);
    char line[200];
    std::snprintf(line, sizeof line, Kestu::logtext::kClipWithoutBones, "hero");
    EXPECT_NE(Log().find(line), std::string::npos);

    // Every shortened record fails; names too long for the buffer fail.
    CActionData clip;
    FillClip(clip, {0, 1});
    const std::vector<BYTE> bytes = StoreClip(clip, 2);
    for (size_t n = 0; n < bytes.size(); ++n) {
        CActionData cut;
        EXPECT_EQ(LoadClip(cut, std::vector<BYTE>(bytes.begin(), bytes.begin() + long(n)), 2), E_FAIL) << n;
    }
    std::vector<BYTE> longName = bytes;
    PutU32(longName.data() + 28, 264);
    CActionData refused;
    EXPECT_EQ(LoadClip(refused, longName, 2), E_FAIL);
    // A huge frame count fails at the end of the data.
    std::vector<BYTE> huge = bytes;
    PutU32(huge.data() + 20, 0x7FFFFFFF);
    CActionData big;
    EXPECT_EQ(LoadClip(big, huge, 2), E_FAIL);
}

// The adapter over a skeleton with bones "a" and "c".
class ActionAdapter : public SkeletonLogTest {
protected:
    void SetUp() override
    {
        SkeletonLogTest::SetUp();
        for (const char* name : {"a", "c"}) {
            CSkAniBone* bone = new CSkAniBone();
            bone->SetName(name);
            bone->EnableVisible(1);
            s.AddBone(name, bone);
        }
        s.SetSKLFileName("hero");
        FillClip(clip, {0, 1}, 3);
    }
    CSkeleton s;
    CActionData clip;
};

TEST_F(ActionAdapter, BindsTheBonesItFinds)
{
    CAction adapter;
    EXPECT_EQ(adapter.GenerateBoneList(nullptr), E_FAIL);
    EXPECT_EQ(adapter.GetParent(), nullptr);
    adapter.SetActionData(&clip);
    EXPECT_EQ(adapter.GetFrameNum(), 2u);
    EXPECT_EQ(adapter.GenerateBoneList(&s), E_FAIL);
    EXPECT_EQ(Count(Log(), "<b>"), 1u);
    EXPECT_NE(Log().find("<hero>"), std::string::npos);
    ASSERT_NE(adapter.GetBonePtrList(), nullptr);
    EXPECT_EQ(adapter.GetBonePtrList()[0], s.GetBoneByName("a"));
    EXPECT_EQ(adapter.GetBonePtrList()[1], nullptr);
    EXPECT_EQ(adapter.GetBonePtrList()[2], s.GetBoneByName("c"));
    EXPECT_EQ(adapter.GetParent(), &s);

    EXPECT_EQ(adapter.GetObjectIndex("C"), 2u);
    EXPECT_EQ(adapter.GetObjectIndex("x"), 0xFFFFFFFFu);
    EXPECT_EQ(adapter.GetObjectIndex(s.GetBoneByName("c")), 2u);
    EXPECT_EQ(adapter.GetObjectTM(0, 0), nullptr);

    // Frame 1 moves the bound bones to their keys under the world transform.
    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, 5, 0, 0);
    EXPECT_EQ(adapter.TransformObject(1, &world), 0);
    EXPECT_EQ(s.GetBoneByName("c")->GetRootMatrix()->_41, 1.0f);
    EXPECT_EQ(s.GetBoneByName("c")->GetRootMatrix()->_42, 2.0f);
    EXPECT_EQ(s.GetBoneByName("c")->GetTransform()->_41, 5.0f);

    // A copy shares clip and parent and has no bone arrays until bound.
    CAction copy;
    copy = adapter;
    EXPECT_EQ(copy.GetActionData(), &clip);
    EXPECT_EQ(copy.GetParent(), &s);
    EXPECT_EQ(copy.GetBonePtrList(), nullptr);
    EXPECT_EQ(copy.GetBoneList(), nullptr);
}

TEST_F(ActionAdapter, TransformFailsCleanly)
{
    CAction adapter;
    D3DXMATRIX world;
    D3DXMatrixIdentity(&world);
    EXPECT_EQ(adapter.TransformObject(0, &world), E_FAIL);
    float t = 1;
    EXPECT_EQ(adapter.GetPositionByTime(t), 0xFFFFFFFFu);
    EXPECT_EQ(adapter.GetPositionByTime(0, 1.0f), 0xFFFFFFFFu);

    adapter.SetActionData(&clip);
    adapter.GenerateBoneList(&s);
    const D3DXMATRIX before = *s.GetBoneByName("a")->GetRootMatrix();
    EXPECT_EQ(adapter.TransformObject(2, &world), E_FAIL);
    clip.SetMatrixList(0, nullptr);
    EXPECT_EQ(adapter.TransformObject(0, &world), E_FAIL);
    EXPECT_EQ(std::memcmp(s.GetBoneByName("a")->GetRootMatrix(), &before, sizeof before), 0);
}

TEST_F(ActionAdapter, SetBoneListAndSerialize)
{
    CAction adapter;
    adapter.SetParent(&s);
    const DWORD ids[2] = {1, 0};
    adapter.SetBoneList(2, ids);
    ASSERT_NE(adapter.GetBonePtrList(), nullptr);
    EXPECT_EQ(adapter.GetBonePtrList()[0], s.GetBone(1));
    adapter.SetBoneList(0, ids);
    EXPECT_EQ(adapter.GetBonePtrList(), nullptr);

    // Serialize reads through the adapter with the skeleton as the clip's parent.
    CAction writer;
    writer.SetActionData(&clip);
    writer.SetParent(&s);
    const std::vector<BYTE> bytes = Store([&](COUArchive& ar, DWORD& n) { return writer.Serialize(ar, n, 0, 1, 0); });
    CActionData read;
    CAction reader;
    reader.SetParent(&s);
    reader.SetActionData(&read);
    ASSERT_EQ(Load(bytes, [&](COUArchive& ar, DWORD& n) { return reader.Serialize(ar, n, 0, 0, 0); }), 0);
    EXPECT_EQ(read.GetParent(), nullptr);
    EXPECT_EQ(reader.GetFrameNum(), 2u);
    EXPECT_EQ(reader.GetFrameTime(), read.GetFrameTime());
    EXPECT_EQ(read.GetBoneList()[2], s.GetBoneIDByName("c"));
}

} // namespace
