// CIndexLib: loading, lookup and the share buffer.
#include "index_lib.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <new>

#include "ou_strings.h"
#include "pack_format.h"
#include "path_util.h"

namespace {

constexpr DWORD kMaxShareBuffer = 0x40000000; // 1 GiB: larger requests are refused

bool SameName(const char* a, const char* b)
{
    for (;; ++a, ++b) {
        unsigned char ca = static_cast<unsigned char>(*a), cb = static_cast<unsigned char>(*b);
        if (ca == '\\') ca = '/';
        if (cb == '\\') cb = '/';
        if (std::tolower(ca) != std::tolower(cb)) return false;
        if (!ca) return true;
    }
}

bool WildMatch(const char* pattern, const char* name)
{
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name) {
        unsigned char p = static_cast<unsigned char>(*pattern), n = static_cast<unsigned char>(*name);
        if (p == '\\') p = '/';
        if (n == '\\') n = '/';
        if (p == '*') {
            star = ++pattern;
            resume = name;
        } else if (p && (p == '?' || std::tolower(p) == std::tolower(n))) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == 0;
}

} // namespace

CIndexLib::CIndexLib()
    : m_bItemTableLoaded(0), m_dwNumItems(0), m_ppItems(nullptr), m_szLibPathname{}, m_dwNextID(0),
      m_bShareBufferHeld(0), m_bLoadAllData(0), m_bUseItemHook(1), m_bHasExtra(0), m_dwFindNext(IDXLIB_NONE)
{
}

CIndexLib::CIndexLib(const CIndexLib& other) : CIndexLib() { *this = other; }

CIndexLib& CIndexLib::operator=(const CIndexLib& other)
{
    if (this != &other) {
        CleanUp();
        std::memcpy(m_szLibPathname, other.m_szLibPathname, sizeof(m_szLibPathname));
        m_bLoadAllData = other.m_bLoadAllData;
        m_bUseItemHook = other.m_bUseItemHook;
    }
    return *this;
}

CIndexLib::~CIndexLib()
{
    // Derived destructors have run: their hook is gone, so the base rule deletes.
    for (DWORD i = 0; i < m_items.size(); ++i) DeleteItem(i, false);
    m_items.clear();
    SyncTable();
}

void CIndexLib::SyncTable()
{
    m_ppItems = m_items.empty() ? nullptr : m_items.data();
    m_dwNumItems = static_cast<DWORD>(m_items.size());
}

HRESULT CIndexLib::OnNewItem(SIdxLibItem*& item)
{
    item = new (std::nothrow) SIdxLibItem;
    return item ? S_OK : E_OUTOFMEMORY;
}

HRESULT CIndexLib::OnDeleteItem(SIdxLibItem*& item)
{
    delete item;
    item = nullptr;
    return S_OK;
}

void CIndexLib::DeleteItem(DWORD index, bool useHook)
{
    SIdxLibItem*& item = m_items[index];
    if (!item) return;
    m_itemToIndex.erase(item);
    if (useHook) {
        OnDeleteItem(item);
    } else {
        delete item;
    }
    item = nullptr;
}

void CIndexLib::CleanUp()
{
    for (DWORD i = 0; i < m_items.size(); ++i) DeleteItem(i, m_bUseItemHook != 0);
    m_items.clear();
    m_sources.clear();
    m_idToIndex.clear();
    m_itemToIndex.clear();
    m_dwNextID = 0;
    SyncTable();
    m_bItemTableLoaded = 0;
    m_bHasExtra = 0;
    ReleaseItemDataShareBuffer();
    m_findPattern.clear();
    m_dwFindNext = IDXLIB_NONE;
}

void CIndexLib::RebuildIdMap()
{
    m_idToIndex.clear();
    m_itemToIndex.clear();
    m_dwNextID = 0;
    for (DWORD i = 0; i < m_items.size(); ++i) {
        if (!m_items[i]) continue;
        m_idToIndex.emplace(m_items[i]->dwID, i);
        m_itemToIndex.emplace(m_items[i], i);
        if (m_items[i]->dwID >= m_dwNextID) m_dwNextID = m_items[i]->dwID + 1;
    }
}

void CIndexLib::Reserve(size_t count)
{
    if (count > m_items.capacity()) m_items.reserve(std::max(count, 2 * m_items.capacity()));
    if (count > m_sources.capacity()) m_sources.reserve(std::max(count, 2 * m_sources.capacity()));
}

HRESULT CIndexLib::AppendItem(DWORD id, const char* name, Source&& source, bool useHook)
{
    SIdxLibItem* item = nullptr;
    HRESULT hr = S_OK;
    if (useHook) {
        hr = OnNewItem(item);
    } else {
        item = new (std::nothrow) SIdxLibItem;
        hr = item ? S_OK : E_OUTOFMEMORY;
    }
    if (FAILED(hr) || !item) {
        if (item) {
            if (useHook)
                OnDeleteItem(item);
            else
                delete item;
        }
        return FAILED(hr) ? hr : E_OUTOFMEMORY;
    }
    item->SetName(name);
    item->dwID = id;
    item->dwDataSize = source.size;
    try {
        // Room for this item before anything changes, so the push_backs
        // below cannot throw; grown geometrically, so appending stays linear.
        Reserve(m_items.size() + 1);
        const DWORD index = static_cast<DWORD>(m_items.size());
        m_idToIndex[id] = index;
        m_itemToIndex[item] = index;
    } catch (...) {
        m_itemToIndex.erase(item);
        RebuildIdMap();
        if (useHook)
            OnDeleteItem(item);
        else
            delete item;
        return E_OUTOFMEMORY;
    }
    m_items.push_back(item);
    m_sources.push_back(std::move(source));
    if (id >= m_dwNextID) m_dwNextID = id + 1;
    SyncTable();
    return S_OK;
}

HRESULT CIndexLib::ReadTable(bool loadData, bool useHook)
{
    ou::pack::Reader reader;
    HRESULT hr = reader.Open(m_szLibPathname);
    if (FAILED(hr)) return hr;
    uint8_t head[ou::pack::kHeaderSize];
    const size_t headBytes = reader.Size() < sizeof(head) ? 0 : sizeof(head);
    if (headBytes && !reader.ReadAt(0, head, headBytes)) return IDXLIB_E_READ;
    ou::pack::Header header;
    hr = ou::pack::ParseHeader(head, headBytes, reader.Size(), header);
    if (FAILED(hr)) return hr;

    std::vector<ou::pack::Entry> entries;
    try {
        std::vector<uint8_t> table(header.tableSize);
        if (!reader.ReadAt(header.tableOffset, table.data(), table.size())) return IDXLIB_E_READ;
        hr = ou::pack::ParseTable(table.data(), table.size(), header, reader.Size(), entries);
        if (FAILED(hr)) return hr;
    } catch (...) {
        return E_OUTOFMEMORY;
    }

    // The count was checked against the table's size, so it is bounded by
    // the file's.
    try {
        Reserve(entries.size());
        m_idToIndex.reserve(entries.size());
        m_itemToIndex.reserve(entries.size());
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    for (const ou::pack::Entry& e : entries) {
        Source source;
        source.offset = e.offset;
        source.size = e.size;
        if (loadData) {
            try {
                source.bytes.resize(e.size);
            } catch (...) {
                return E_OUTOFMEMORY;
            }
            if (!reader.ReadAt(e.offset, source.bytes.data(), e.size)) return IDXLIB_E_READ;
            source.inMemory = true;
        }
        hr = AppendItem(e.id, e.name.c_str(), std::move(source), useHook);
        if (FAILED(hr)) return hr;
    }

    if (header.extraOffset) {
        std::vector<uint8_t> extra;
        try {
            extra.resize(header.extraSize);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        if (!reader.ReadAt(header.extraOffset, extra.data(), extra.size())) return IDXLIB_E_READ;
        COUMemFile file(extra.data(), extra.size());
        COUArchive archive(&file, OU_ARCHIVE_LOAD, 0x1000, nullptr);
        try {
            hr = OnUnserializeItemsFromStreamLib(archive);
        } catch (HRESULT) {
            hr = IDXLIB_E_CORRUPT;
        } catch (...) {
            hr = IDXLIB_E_CORRUPT;
        }
        if (FAILED(hr)) return hr;
        m_bHasExtra = 1;
    }
    return S_OK;
}

HRESULT CIndexLib::Load(const char* path, int bLoadAllData, int bLoadItemTable, int bCreateIfMissing, int bUseItemHook)
{
    CleanUp();
    if (!path || !*path || std::strlen(path) >= sizeof(m_szLibPathname)) return E_INVALIDARG;
    OU_SafeStrCpy(m_szLibPathname, sizeof(m_szLibPathname), path);
    m_bLoadAllData = bLoadAllData ? 1 : 0;
    m_bUseItemHook = bUseItemHook ? 1 : 0;

    ou::pack::Reader reader;
    HRESULT hr = reader.Open(path);
    if (FAILED(hr)) {
        std::error_code ec;
        if (bCreateIfMissing && !std::filesystem::exists(ou::NativePath(path), ec) && !ec) {
            m_bItemTableLoaded = 1; // a new, empty library
            return S_OK;
        }
        return hr;
    }
    if (!bLoadItemTable) {
        uint8_t head[ou::pack::kHeaderSize];
        const size_t headBytes = reader.Size() < sizeof(head) ? 0 : sizeof(head);
        if (headBytes && !reader.ReadAt(0, head, headBytes)) return IDXLIB_E_READ;
        ou::pack::Header header;
        return ou::pack::ParseHeader(head, headBytes, reader.Size(), header);
    }
    return Reload(1);
}

HRESULT CIndexLib::Reload(int bLoadItemTable)
{
    const int hook = m_bUseItemHook;
    CleanUp();
    m_bUseItemHook = hook;
    if (!bLoadItemTable) return S_OK;
    if (!m_szLibPathname[0]) return E_FAIL;
    const HRESULT hr = ReadTable(m_bLoadAllData != 0, m_bUseItemHook != 0);
    if (FAILED(hr)) {
        CleanUp();
        m_bUseItemHook = hook;
        return hr;
    }
    m_bItemTableLoaded = 1;
    return S_OK;
}

DWORD CIndexLib::GetIndexFormID(DWORD id) const
{
    const auto it = m_idToIndex.find(id);
    return it == m_idToIndex.end() ? IDXLIB_NONE : it->second;
}

DWORD CIndexLib::FindIndexByItemName(const char* name) const
{
    if (!name) return IDXLIB_NONE;
    for (DWORD i = 0; i < m_items.size(); ++i)
        if (m_items[i] && SameName(m_items[i]->szName, name)) return i;
    return IDXLIB_NONE;
}

DWORD CIndexLib::FindFistIndexByItemNameEx(const char* pattern)
{
    m_findPattern = pattern ? pattern : "";
    m_dwFindNext = 0;
    return pattern ? FindNextIndexByItemNameEx() : (m_dwFindNext = IDXLIB_NONE);
}

DWORD CIndexLib::FindNextIndexByItemNameEx()
{
    while (m_dwFindNext < m_items.size()) {
        const DWORD i = m_dwFindNext++;
        if (m_items[i] && WildMatch(m_findPattern.c_str(), m_items[i]->szName)) return i;
    }
    m_dwFindNext = IDXLIB_NONE;
    return IDXLIB_NONE;
}

HRESULT CIndexLib::QueryShareBuffer(DWORD size, int flags)
{
    if (size > kMaxShareBuffer) return E_OUTOFMEMORY;
    try {
        if (m_shareBuffer.size() < size) m_shareBuffer.resize(size);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    m_bShareBufferHeld = 1;
    return S_OK;
}

void CIndexLib::ReleaseItemDataShareBuffer()
{
    std::vector<BYTE>().swap(m_shareBuffer);
    m_shareReader.reset();
    m_bShareBufferHeld = 0;
}

HRESULT CIndexLib::ReadItemData(DWORD index, std::vector<BYTE>& out) const
{
    if (index >= m_sources.size()) return E_INVALIDARG;
    const Source& s = m_sources[index];
    try {
        if (s.inMemory) {
            out = s.bytes;
            return S_OK;
        }
        out.resize(s.size);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    ou::pack::Reader reader;
    const HRESULT hr = reader.Open(m_szLibPathname);
    if (FAILED(hr)) return hr;
    return reader.ReadAt(s.offset, out.data(), s.size) ? S_OK : IDXLIB_E_READ;
}

void* CIndexLib::QueryItemDataToShareBuffer(DWORD index)
{
    if (index >= m_sources.size()) return nullptr;
    const Source& s = m_sources[index];
    if (s.size > kMaxShareBuffer) return nullptr;
    try {
        if (m_shareBuffer.size() < std::max<DWORD>(s.size, 1)) m_shareBuffer.resize(std::max<DWORD>(s.size, 1));
    } catch (...) {
        return nullptr;
    }
    if (s.inMemory) {
        if (s.size) std::memcpy(m_shareBuffer.data(), s.bytes.data(), s.size);
        return m_shareBuffer.data();
    }
    // A run of reads over a held share buffer opens the pack once.
    std::shared_ptr<ou::pack::Reader> reader = m_shareReader;
    if (!reader) {
        reader = std::make_shared<ou::pack::Reader>();
        if (FAILED(reader->Open(m_szLibPathname))) return nullptr;
        if (m_bShareBufferHeld) m_shareReader = reader;
    }
    if (!reader->ReadAt(s.offset, m_shareBuffer.data(), s.size)) return nullptr;
    return m_shareBuffer.data();
}

void* CIndexLib::QueryItemDataToShareBufferByItem(SIdxLibItem* item)
{
    const auto it = m_itemToIndex.find(item);
    return it == m_itemToIndex.end() ? nullptr : QueryItemDataToShareBuffer(it->second);
}
