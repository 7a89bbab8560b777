#include <cstring>
#include <vector>

#include "index_lib.h"
#include "ou_strings.h"
#include "path_util.h"

SIdxLibItem::SIdxLibItem() : szName{}, dwID(IDXLIB_NONE), dwDataSize(0), dwUserData(0) {}

SIdxLibItem::SIdxLibItem(const SIdxLibItem& other)
    : dwID(other.dwID), dwDataSize(other.dwDataSize), dwUserData(other.dwUserData)
{
    std::memcpy(szName, other.szName, sizeof(szName));
    szName[sizeof(szName) - 1] = 0;
}

SIdxLibItem& SIdxLibItem::operator=(const SIdxLibItem& other)
{
    if (this != &other) {
        std::memcpy(szName, other.szName, sizeof(szName));
        szName[sizeof(szName) - 1] = 0;
        dwID = other.dwID;
        dwDataSize = other.dwDataSize;
        dwUserData = other.dwUserData;
    }
    return *this;
}

SIdxLibItem::~SIdxLibItem() {}

void SIdxLibItem::SetName(const char* name) { OU_SafeStrCpy(szName, sizeof(szName), name); }

HRESULT SIdxLibItem::OnUpdateItem() { return S_OK; }

HRESULT SIdxLibItem::OnInitFromFile(const char* path)
{
    if (!path) return E_INVALIDARG;
    std::vector<BYTE> bytes;
    const int r = ou::ReadFileBytes(path, bytes);
    if (r) return r == -1 ? IDXLIB_E_CANNOT_OPEN : IDXLIB_E_READ;
    return OnInitFromFileInMemory(bytes.data(), static_cast<DWORD>(bytes.size()));
}

HRESULT SIdxLibItem::OnInitFromFileInMemory(const void* data, DWORD size) { return S_OK; }

HRESULT SIdxLibItem::OnUpdateToFile(const char* path) { return S_OK; }

HRESULT SIdxLibItem::UnserializeFrom(COUArchive& archive) { return S_OK; }

HRESULT SIdxLibItem::SerializeTo(COUArchive& archive) { return S_OK; }

void SIdxLibItem::Release() { dwUserData = 0; }
