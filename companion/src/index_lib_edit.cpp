// CIndexLib: changing a library and writing it back.
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "index_lib.h"
#include "ou_file.h"
#include "ou_strings.h"
#include "pack_format.h"
#include "path_util.h"

namespace {

bool ValidName(const char* name) { return name && *name && std::strlen(name) < IDXLIB_NAME_SIZE; }

} // namespace

HRESULT CIndexLib::OnSerializeItemsToStreamLib(COUArchive& archive)
{
    for (SIdxLibItem* item : m_items) {
        if (!item) continue;
        const HRESULT hr = item->SerializeTo(archive);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT CIndexLib::OnUnserializeItemsFromStreamLib(COUArchive& archive)
{
    for (SIdxLibItem* item : m_items) {
        if (!item) continue;
        const HRESULT hr = item->UnserializeFrom(archive);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT CIndexLib::WritePack(const char* path, bool withExtra)
{
    if (!path || !*path || std::strlen(path) >= sizeof(m_szLibPathname)) return E_INVALIDARG;
    // The held pack is the old file: its offsets are not the new table's.
    m_shareReader.reset();
    COUFile file;
    HRESULT hr = file.Open(path, OU_FILE_CREATE);
    if (FAILED(hr)) return hr;

    ou::pack::Header header;
    uint8_t head[ou::pack::kHeaderSize] = {};
    std::vector<uint8_t> table;
    std::vector<DWORD> offsets(m_items.size());
    uint64_t pos = ou::pack::kHeaderSize;
    if (file.Write(head, sizeof(head)) != sizeof(head)) {
        file.Abort();
        return E_FAIL;
    }
    std::vector<BYTE> bytes;
    for (DWORD i = 0; i < m_items.size(); ++i) {
        if (!m_items[i]) continue;
        hr = ReadItemData(i, bytes);
        if (FAILED(hr)) {
            file.Abort();
            return hr;
        }
        if (pos + bytes.size() > 0xFFFFFFFFu) {
            file.Abort();
            return E_OUTOFMEMORY; // the format's offsets are 32-bit
        }
        if (!bytes.empty() && file.Write(bytes.data(), static_cast<DWORD>(bytes.size())) != bytes.size()) {
            file.Abort();
            return E_FAIL;
        }
        offsets[i] = static_cast<DWORD>(pos);
        pos += bytes.size();
        ou::pack::Entry e;
        e.id = m_items[i]->dwID;
        e.offset = offsets[i];
        e.size = static_cast<uint32_t>(bytes.size());
        e.name = m_items[i]->szName;
        try {
            ou::pack::AppendEntry(table, e);
        } catch (...) {
            file.Abort();
            return E_OUTOFMEMORY;
        }
        ++header.count;
    }
    if (pos + table.size() > 0xFFFFFFFFu) {
        file.Abort();
        return E_OUTOFMEMORY;
    }
    header.tableOffset = static_cast<uint32_t>(pos);
    header.tableSize = static_cast<uint32_t>(table.size());
    if (!table.empty() && file.Write(table.data(), header.tableSize) != header.tableSize) {
        file.Abort();
        return E_FAIL;
    }
    pos += table.size();

    if (withExtra) {
        COUMemFile extraFile;
        extraFile.Open(nullptr, OU_FILE_CREATE);
        {
            COUArchive archive(&extraFile, OU_ARCHIVE_STORE, 0x1000, nullptr);
            try {
                hr = OnSerializeItemsToStreamLib(archive);
            } catch (...) {
                hr = E_FAIL;
            }
            if (SUCCEEDED(hr)) hr = archive.Close();
        }
        const std::vector<BYTE>& extra = extraFile.GetBuffer();
        if (SUCCEEDED(hr) && pos + extra.size() > 0xFFFFFFFFu) hr = E_OUTOFMEMORY;
        if (FAILED(hr)) {
            file.Abort();
            return hr;
        }
        header.extraOffset = static_cast<uint32_t>(pos);
        header.extraSize = static_cast<uint32_t>(extra.size());
        if (!extra.empty() && file.Write(extra.data(), header.extraSize) != header.extraSize) {
            file.Abort();
            return E_FAIL;
        }
    }

    ou::pack::WriteHeader(head, header);
    if (FAILED(file.Seek(0, OU_SEEK_SET)) || file.Write(head, sizeof(head)) != sizeof(head)) {
        file.Abort();
        return E_FAIL;
    }
    hr = file.Close();
    if (FAILED(hr)) return hr;

    // The library now lives in the new file.
    OU_SafeStrCpy(m_szLibPathname, sizeof(m_szLibPathname), path);
    for (DWORD i = 0; i < m_items.size(); ++i) {
        m_sources[i].offset = offsets[i];
        if (!m_bLoadAllData) {
            m_sources[i].inMemory = false;
            std::vector<BYTE>().swap(m_sources[i].bytes);
        }
    }
    m_bHasExtra = withExtra ? 1 : 0;
    m_bItemTableLoaded = 1;
    return S_OK;
}

HRESULT CIndexLib::Save(const char* path)
{
    const std::string target = path ? path : m_szLibPathname;
    if (target.empty()) return E_INVALIDARG;
    return m_bHasExtra ? SaveAsStreamLib(target.c_str()) : SaveAsUnstreamLib(target.c_str());
}

HRESULT CIndexLib::SaveAsStreamLib(const char* path) { return WritePack(path, true); }

HRESULT CIndexLib::SaveAsUnstreamLib(const char* path) { return WritePack(path, false); }

HRESULT CIndexLib::ImportFromMemory(const void* data, DWORD size, DWORD id, const char* name)
{
    if ((!data && size) || !ValidName(name)) return E_INVALIDARG;
    if (!m_bItemTableLoaded) {
        if (m_szLibPathname[0] && std::filesystem::exists(ou::NativePath(m_szLibPathname))) {
            const HRESULT hr = Reload(1);
            if (FAILED(hr)) return hr;
        }
        m_bItemTableLoaded = 1;
    }
    if (id == IDXLIB_NONE) {
        if (m_dwNextID == IDXLIB_NONE) return E_FAIL; // every id above the largest is taken
        id = m_dwNextID;
    }
    Source source;
    try {
        source.bytes.assign(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    source.size = size;
    source.inMemory = true;

    SIdxLibItem* item = nullptr;
    const DWORD index = GetIndexFormID(id);
    if (index != IDXLIB_NONE) {
        m_sources[index] = std::move(source);
        item = m_items[index];
        item->SetName(name);
        item->dwDataSize = size;
    } else {
        const HRESULT hr = AppendItem(id, name, std::move(source), m_bUseItemHook != 0);
        if (FAILED(hr)) return hr;
        item = m_items.back();
    }
    HRESULT hr = item->OnInitFromFileInMemory(m_sources[GetIndexFormID(id)].bytes.data(), size);
    if (SUCCEEDED(hr)) hr = item->OnUpdateItem();
    return hr;
}

HRESULT CIndexLib::Import(const char* path, DWORD id, const char* name)
{
    if (!path || !*path) return E_INVALIDARG;
    std::vector<uint8_t> bytes;
    const int r = ou::ReadFileBytes(path, bytes);
    if (r) return r == -1 ? IDXLIB_E_CANNOT_OPEN : IDXLIB_E_READ;
    return ImportFromMemory(bytes.data(), static_cast<DWORD>(bytes.size()), id,
                            name ? name : OU_GetNameFromPathname(path));
}

HRESULT CIndexLib::Export(DWORD id, const char* path)
{
    const DWORD index = GetIndexFormID(id);
    if (index == IDXLIB_NONE || !path || !*path) return E_INVALIDARG;
    std::vector<BYTE> bytes;
    HRESULT hr = ReadItemData(index, bytes);
    if (FAILED(hr)) return hr;
    COUFile file;
    hr = file.Open(path, OU_FILE_CREATE);
    if (FAILED(hr)) return hr;
    if (!bytes.empty() && file.Write(bytes.data(), static_cast<DWORD>(bytes.size())) != bytes.size()) {
        file.Abort();
        return E_FAIL;
    }
    hr = file.Close();
    if (FAILED(hr)) return hr;
    return m_items[index]->OnUpdateToFile(path);
}

HRESULT CIndexLib::ExportAll(const char* folder)
{
    if (!folder || !*folder) return E_INVALIDARG;
    HRESULT result = S_OK;
    std::string base = ou::NativePath(folder);
    if (base.back() != '/') base += '/';
    std::set<std::string> written;
    for (DWORD i = 0; i < m_items.size(); ++i) {
        if (!m_items[i]) continue;
        // Only the file-name part: a stored name never reaches outside the folder.
        const std::string name = OU_GetNameFromPathname(m_items[i]->szName);
        if (name.empty() || name == "." || name == "..") {
            result = E_INVALIDARG;
            continue;
        }
        // Items in different folders may share a file name: the first one keeps it.
        if (!written.insert(name).second) {
            result = HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
            continue;
        }
        const HRESULT hr = Export(m_items[i]->dwID, (base + name).c_str());
        if (FAILED(hr)) result = hr;
    }
    return result;
}

HRESULT CIndexLib::RemoveByIndex(DWORD index)
{
    if (index >= m_items.size()) return E_INVALIDARG;
    DeleteItem(index, m_bUseItemHook != 0);
    m_items.erase(m_items.begin() + index);
    m_sources.erase(m_sources.begin() + index);
    SyncTable();
    RebuildIdMap();
    return S_OK;
}

HRESULT CIndexLib::Remove(DWORD id) { return RemoveByIndex(GetIndexFormID(id)); }

HRESULT CIndexLib::RemoveAll()
{
    const int loaded = m_bItemTableLoaded;
    CleanUp();
    m_bItemTableLoaded = loaded;
    return S_OK;
}

HRESULT CIndexLib::ChangeItemNameByIndex(DWORD index, const char* name)
{
    if (index >= m_items.size() || !m_items[index] || !ValidName(name)) return E_INVALIDARG;
    m_items[index]->SetName(name);
    return m_items[index]->OnUpdateItem();
}

HRESULT CIndexLib::ChangeItemName(DWORD id, const char* name)
{
    return ChangeItemNameByIndex(GetIndexFormID(id), name);
}
