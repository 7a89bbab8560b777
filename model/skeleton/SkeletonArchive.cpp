// The skeletal archives: the skeleton, skin and clip sections, and the
// files they are exported to and imported from.
#include <cstring>
#include <memory>
#include <string>

#include "kestu_meshdatamng.h"
#include "kestu_skeleton.h"
#include "model/archive/RecordIO.h"
#include "ou_file.h"

namespace Kestu {

namespace {

constexpr DWORD kNoVersion = 0xFFFFFFFF;
constexpr DWORD kWrittenVersion = 2;

bool HasFlagWord(DWORD version) { return version >= 2 && version != kNoVersion; }

// A file head: "VERSION_", the version, (the flag), the section tag. Reading
// takes a head without "VERSION_" as version 0xFFFFFFFF. The result: 0, or
// E_FAIL when the tag is not the section's (the caller decides).
long FileHead(COUArchive& ar, DWORD& byteCount, int store, DWORD& version, DWORD* flag, const char* tag)
{
    char read[8];
    if (store) {
        record::Tag(ar, 1, "VERSION_", read, byteCount);
        record::U32(ar, 1, version, byteCount);
        if (flag && HasFlagWord(version)) record::U32(ar, 1, *flag, byteCount);
        record::Tag(ar, 1, tag, read, byteCount);
        return 0;
    }
    record::Tag(ar, 0, nullptr, read, byteCount);
    if (_strnicmp(read, "VERSION_", 8) == 0) {
        record::U32(ar, 0, version, byteCount);
        if (flag && HasFlagWord(version)) record::U32(ar, 0, *flag, byteCount);
        record::Tag(ar, 0, nullptr, read, byteCount);
    } else {
        version = kNoVersion;
    }
    return _strnicmp(read, tag, 8) == 0 ? 0 : E_FAIL;
}

// The counted entries of a section: the count, then each entry. Storing
// writes `count` and each of `items` through `put`; loading reads the count
// and calls `get` once per entry. The first negative result ends the entries
// with E_FAIL.
template <typename Items, typename Put, typename Get>
long Entries(COUArchive& ar, DWORD& byteCount, int store, DWORD count, const Items* items, Put put, Get get)
{
    record::U32(ar, store, count, byteCount);
    if (store) {
        if (items)
            for (const auto& item : *items)
                if (put(item) < 0) return E_FAIL;
        return 0;
    }
    for (DWORD i = 0; i < count; ++i)
        if (get() < 0) return E_FAIL;
    return 0;
}

// What a section returns once its entries are through: a stored section
// fails with its archive.
long SectionEnd(COUArchive& ar, int store, long entries)
{
    if (entries < 0) return E_FAIL;
    return store && ar.IsFailed() ? E_FAIL : 0;
}

} // namespace

long CSkeleton::Serialize(COUArchive& ar, DWORD& byteCount, DWORD version, int store, DWORD mask)
{
    long hr = E_FAIL;
    if (mask & KESTU_SKL_SKELETON) {
        hr = SerializeSkeleton(ar, byteCount, version, store);
        if (hr < 0) return hr;
    }
    if (mask & KESTU_SKL_SKINS) {
        hr = SerializeSkins(ar, byteCount, version, store);
        if (hr < 0) return hr;
    }
    if (mask & KESTU_SKL_ACTIONS) {
        hr = SerializeActions(ar, byteCount, version, store);
        if (hr < 0) return hr;
    }
    if (mask & KESTU_SKL_MATERIALS) hr = 0;
    return hr;
}

long CSkeleton::SerializeSkeleton(COUArchive& ar, DWORD& byteCount, DWORD version, int store)
{
    // Parts loaded before take the new bones, also when the section fails
    // half way: none may keep a bone that is freed here.
    struct Rebind {
        CSkeleton* s = nullptr;
        ~Rebind()
        {
            if (!s) return;
            for (auto& [id, skin] : s->m_skins) skin->GenerateBoneList(s);
            for (auto& [id, adapter] : s->m_actions) adapter->GenerateBoneList(s);
        }
    } rebind;
    try {
        FileHead(ar, byteCount, store, m_dwSKLVersion, &m_dwSKLFlag, "BONEDATA");
        if (!store) {
            rebind.s = this;
            FreeBones();
            SetSkeletonTree(nullptr);
            m_pBones = new BoneMap();
            m_pBoneNames = new NameMap();
            m_bShareBones = 0;
        }
        long hr = Entries(
            ar, byteCount, store, GetBonesNumber(), m_pBoneNames,
            [&](const auto& entry) -> long {
                CSkAniBone* bone = GetBone(entry.second);
                if (!bone) return E_FAIL;
                record::WriteEntryName(ar, entry.first, byteCount);
                return bone->Serialize(ar, byteCount, version, 1, 0);
            },
            [&]() -> long {
                const std::string name = record::ReadEntryName(ar, byteCount);
                auto bone = std::make_unique<CSkAniBone>();
                bone->SetSKLVersion(m_dwSKLVersion);
                bone->SetSKLFlag(m_dwSKLFlag);
                if (bone->Serialize(ar, byteCount, version, 0, 0) < 0) return E_FAIL;
                bone->SetName(name.c_str());
                if (AddBone(name.c_str(), bone.get()) != 0xFFFFFFFF) bone.release();
                return 0;
            });
        if (hr < 0) return E_FAIL;
        if (m_dwSKLFlag & 1) {
            char tag[8];
            record::Tag(ar, store, "OBJSDATA", tag, byteCount);
            hr = Entries(
                ar, byteCount, store, GetObjectsNumber(), &m_objectNames,
                [&](const auto& entry) -> long {
                    record::WriteEntryName(ar, entry.first, byteCount);
                    return GetObject(entry.second)->CBaseObject::Serialize(ar, byteCount, version, 1, 0);
                },
                [&]() -> long {
                    const std::string name = record::ReadEntryName(ar, byteCount);
                    auto object = std::make_unique<CDummyObject>();
                    if (object->Serialize(ar, byteCount, version, 0, 0) < 0) return E_FAIL;
                    object->SetName(name.c_str());
                    if (AddObject(name.c_str(), object.get()) != 0xFFFFFFFF) object.release();
                    return 0;
                });
            if (hr < 0) return E_FAIL;
        }
        if (store) {
            CSkeletonTreeNode empty;
            CSkeletonTreeNode* root = m_pTree ? m_pTree : &empty;
            return SectionEnd(ar, store, root->Serialize(ar, byteCount, version, 1));
        }
        auto root = std::make_unique<CSkeletonTreeNode>();
        if (root->Serialize(ar, byteCount, version, 0) < 0) return E_FAIL;
        m_pTree = root.release();
        BuildSkeletonTree(m_pTree);
    } catch (HRESULT) {
        return E_FAIL;
    }
    return 0;
}

long CSkeleton::SerializeSkins(COUArchive& ar, DWORD& byteCount, DWORD version, int store)
{
    try {
        DWORD headVersion = kWrittenVersion;
        // Each skin's flag word follows the head's version.
        if (store) SetAllMSDVersion(headVersion);
        FileHead(ar, byteCount, store, headVersion, nullptr, "SKINDATA");
        return SectionEnd(ar, store,
                          Entries(
                              ar, byteCount, store, GetSkinsNumber(), &m_skinNames,
                              [&](const auto& entry) -> long {
                                  record::WriteEntryName(ar, entry.first, byteCount);
                                  return GetSkin(entry.second)->Serialize(ar, byteCount, version, 1, 0);
                              },
                              [&]() -> long {
                                  const std::string name = record::ReadEntryName(ar, byteCount);
                                  auto skin = std::make_unique<CSkAniSkin>();
                                  skin->SetMSDVersion(headVersion);
                                  if (skin->Serialize(ar, byteCount, version, 0, 0) < 0) return E_FAIL;
                                  skin->SetName(name.c_str());
                                  if (AddSkin(name.c_str(), skin.get()) != 0xFFFFFFFF)
                                      skin.release();
                                  else
                                      skin->Release();
                                  return 0;
                              }));
    } catch (HRESULT) {
        return E_FAIL;
    }
}

long CSkeleton::SerializeActions(COUArchive& ar, DWORD& byteCount, DWORD version, int store)
{
    try {
        DWORD headVersion = kWrittenVersion;
        if (store) SetAllACTVersion(headVersion);
        FileHead(ar, byteCount, store, headVersion, nullptr, "ACTSDATA");
        return SectionEnd(
            ar, store,
            Entries(
                ar, byteCount, store, GetActionsNumber(), &m_actions,
                [&](const auto& entry) -> long { return entry.second->Serialize(ar, byteCount, version, 1, 0); },
                [&]() -> long {
                    auto clip = std::make_unique<CActionData>();
                    auto adapter = std::make_unique<CAction>();
                    adapter->SetACTVersion(headVersion);
                    adapter->SetParent(this);
                    adapter->SetActionData(clip.get());
                    if (adapter->Serialize(ar, byteCount, version, 0, 0) < 0) return E_FAIL;
                    clip->AddRef();
                    clip.release();
                    AddAction(adapter.release());
                    return 0;
                }));
    } catch (HRESULT) {
        return E_FAIL;
    }
}

namespace {

constexpr struct {
    DWORD bit;
    const char* extension;
} kSectionFiles[] = {{KESTU_SKL_SKELETON, ".skl"},
                     {KESTU_SKL_SKINS, ".msd"},
                     {KESTU_SKL_ACTIONS, ".act"},
                     {KESTU_SKL_MATERIALS, ".mtl"}};

struct SplitPath {
    std::string base; // drive, folder and file name
    std::string name; // the file name alone
};

SplitPath Split(const char* path)
{
    char drive[_MAX_DRIVE], dir[_MAX_DIR], fname[_MAX_FNAME], ext[_MAX_EXT];
    _splitpath(path, drive, dir, fname, ext);
    return {std::string(drive) + dir + fname, fname};
}

} // namespace

long CSkeleton::Export(const char* path, int single, DWORD mask)
{
    if (!path) return E_INVALIDARG;
    auto write = [this](const char* file, DWORD sections) -> long {
        COUFile out;
        long hr = out.Open(file, OU_FILE_CREATE);
        if (hr < 0) return hr;
        DWORD count = 0;
        COUArchive ar(&out, OU_ARCHIVE_STORE, 0x1000, nullptr);
        hr = Serialize(ar, count, 0, 1, sections);
        if (sections == KESTU_SKL_MATERIALS) hr = 0;
        const long closed = ar.Close();
        if (hr < 0 || closed < 0) {
            out.Abort();
            return hr < 0 ? hr : closed;
        }
        return out.Close() < 0 ? E_FAIL : 0;
    };
    if (single) return write(path, mask);
    const SplitPath split = Split(path);
    for (const auto& section : kSectionFiles) {
        if (!(mask & section.bit)) continue;
        const long hr = write((split.base + section.extension).c_str(), section.bit);
        if (hr < 0) return hr;
    }
    return 0;
}

long CSkeleton::Import(const char* path, int single, DWORD mask)
{
    if (!path) return E_INVALIDARG;
    auto read = [this](const char* file, DWORD sections) -> long {
        COUFile in;
        long hr = in.Open(file, OU_FILE_READ);
        if (hr < 0) return hr;
        DWORD count = 0;
        COUArchive ar(&in, OU_ARCHIVE_LOAD, 0x1000, nullptr);
        hr = Serialize(ar, count, 0, 0, sections);
        ar.Close();
        in.Close();
        return hr;
    };
    if (single) return read(path, mask);
    const SplitPath split = Split(path);
    long hr = E_FAIL;
    for (const auto& section : kSectionFiles) {
        if (!(mask & section.bit)) continue;
        if (section.bit == KESTU_SKL_SKELETON) m_strFileName += split.name;
        hr = read((split.base + section.extension).c_str(), section.bit);
        if (hr < 0) return hr;
    }
    return hr;
}

} // namespace Kestu
