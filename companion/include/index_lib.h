// CIndexLib: a numbered library of named items kept in one pack file, and
// SIdxLibItem, the base of every item. Each item is a whole file (an image, a
// mesh) stored under a name and a numeric id.
//
// Pack file layout (all integers little-endian):
//
//   header, 32 bytes
//     0  char[4] magic     "KIDX"
//     4  u32 version       1
//     8  u32 item count
//    12  u32 table offset  from the start of the file
//    16  u32 table size    bytes
//    20  u32 extra offset  0 when the pack has no extra section
//    24  u32 extra size    bytes
//    28  u32 reserved      0
//   item data              the items' bytes, anywhere after the header;
//                          no two items share a byte
//   item table             item count entries, back to back, filling the
//                          table size exactly:
//     u32 id               unique within the pack; 0xFFFFFFFF is not an id
//     u32 offset           of the item's bytes from the start of the file
//     u32 size             of the item's bytes
//     u16 name length      bytes that follow, terminator included (1..260)
//     char name[length]    the name, with one zero byte as its last byte
//   extra section          optional: what OnSerializeItemsToStreamLib wrote
//
// A reader trusts nothing: the table, every item range and the extra section
// must lie inside the file, item ranges must not overlap (so a load of all
// data holds at most the file's size), the count must fit the table, names
// must be terminated exactly at their end and ids must be unique; anything
// else fails the load with one of the IDXLIB_E_* codes and leaves the
// library empty.
#pragma once
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "companion_api.h"
#include "ou_archive.h"
#include "windef.h"
#include "winerror.h"

#define IDXLIB_E_CANNOT_OPEN ((HRESULT)0x80070002) // HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)
#define IDXLIB_E_TRUNCATED ((HRESULT)0x82010001)   // shorter than its header or a range needs
#define IDXLIB_E_BAD_MAGIC ((HRESULT)0x82010002)
#define IDXLIB_E_BAD_VERSION ((HRESULT)0x82010003)
#define IDXLIB_E_CORRUPT ((HRESULT)0x82010004) // table, names or ranges do not hold together
#define IDXLIB_E_DUPLICATE_ID ((HRESULT)0x82010005)
#define IDXLIB_E_READ ((HRESULT)0x82010006) // the file could not be read back

#define IDXLIB_NONE ((DWORD)0xFFFFFFFF)
#define IDXLIB_NAME_SIZE 260
#define IDXLIB_PATH_SIZE 520

class CIndexLib;
namespace ou::pack {
class Reader;
}

struct KESTU_COMPANION_API SIdxLibItem {
    SIdxLibItem();
    SIdxLibItem(const SIdxLibItem& other);
    SIdxLibItem& operator=(const SIdxLibItem& other);

    // Hooks, in this order. The library calls OnInitFromFileInMemory when an
    // item is imported (with its bytes), OnUpdateItem after its name or bytes
    // changed, OnUpdateToFile after its bytes were exported to a file, and
    // SerializeTo / UnserializeFrom for the item's record in the extra
    // section. OnInitFromFile reads the file and calls OnInitFromFileInMemory.
    virtual HRESULT OnUpdateItem();
    virtual HRESULT OnInitFromFile(const char* path);
    virtual HRESULT OnInitFromFileInMemory(const void* data, DWORD size);
    virtual HRESULT OnUpdateToFile(const char* path);
    virtual HRESULT UnserializeFrom(COUArchive& archive);
    virtual HRESULT SerializeTo(COUArchive& archive);
    // Drops what the item built from its bytes; the base clears dwUserData.
    // Name, id and size stay.
    virtual void Release();
    virtual ~SIdxLibItem();

    const char* GetName() const { return szName; }
    void SetName(const char* name);
    DWORD GetID() const { return dwID; }
    void SetID(DWORD id) { dwID = id; }
    DWORD GetDataSize() const { return dwDataSize; }

    char szName[IDXLIB_NAME_SIZE]; // zero-terminated
    DWORD dwID;
    DWORD dwDataSize; // bytes stored in the library
    DWORD dwUserData; // free for the owner of the item
};

class KESTU_COMPANION_API CIndexLib {
public:
    CIndexLib();
    // A copy takes the path and the load options, not the items: items belong
    // to exactly one library. The copy's table is not loaded; Reload(1) reads
    // it from the same file.
    CIndexLib(const CIndexLib& other);
    CIndexLib& operator=(const CIndexLib& other);

protected:
    // Creates the item for one table entry (the base makes an SIdxLibItem).
    virtual HRESULT OnNewItem(SIdxLibItem*& item);
    // Destroys one item and sets the reference to null.
    virtual HRESULT OnDeleteItem(SIdxLibItem*& item);

public:
    // Deletes what is left with the base rule; a derived library whose items
    // need its own OnDeleteItem calls CleanUp in its destructor.
    virtual ~CIndexLib();

    // Index of the first item whose name matches (ASCII case-insensitive,
    // '\' and '/' alike), or IDXLIB_NONE.
    virtual DWORD FindIndexByItemName(const char* name) const;
    // Wildcard search ('*' any run, '?' one character): the first match and
    // then, one per call, the following ones; IDXLIB_NONE when done.
    virtual DWORD FindFistIndexByItemNameEx(const char* pattern);
    virtual DWORD FindNextIndexByItemNameEx();

    // Opens the pack at path.
    //  bLoadAllData     read every item's bytes into memory now
    //  bLoadItemTable   build the item table now; with 0 only the header is
    //                   checked and Reload(1) builds the table later
    //  bCreateIfMissing a missing file gives an empty library at that path
    //  bUseItemHook     create items through OnNewItem (0: plain SIdxLibItem)
    // S_OK, or a negative code with the library left empty.
    virtual HRESULT Load(const char* path, int bLoadAllData = 0, int bLoadItemTable = 1, int bCreateIfMissing = 0,
                         int bUseItemHook = 1);
    // Drops the table and, with bLoadItemTable, reads it again from the path.
    virtual HRESULT Reload(int bLoadItemTable = 1);
    // Writes the library to path (null: its own path), with the extra section
    // when the library was loaded with one or saved as a stream library.
    virtual HRESULT Save(const char* path = nullptr);
    // Writes the pack with an extra section of per-item records
    // (OnSerializeItemsToStreamLib).
    virtual HRESULT SaveAsStreamLib(const char* path);
    // Writes the pack without the extra section.
    virtual HRESULT SaveAsUnstreamLib(const char* path);
    // The extra section: the base writes and reads each item's record in
    // index order through SerializeTo / UnserializeFrom.
    virtual HRESULT OnSerializeItemsToStreamLib(COUArchive& archive);
    virtual HRESULT OnUnserializeItemsFromStreamLib(COUArchive& archive);
    // Adds the file at path as an item (or replaces the item with that id).
    // id IDXLIB_NONE takes the next free id; a null name takes the file name.
    virtual HRESULT Import(const char* path, DWORD id = IDXLIB_NONE, const char* name = nullptr);
    // Writes the bytes of the item with that id to the file at path.
    virtual HRESULT Export(DWORD id, const char* path);
    // Writes every item into folder under its file name. An item whose file
    // name an earlier item took is not written, and the result is
    // HRESULT_FROM_WIN32(ERROR_FILE_EXISTS).
    virtual HRESULT ExportAll(const char* folder);
    virtual HRESULT Remove(DWORD id);
    virtual HRESULT RemoveByIndex(DWORD index);
    virtual HRESULT RemoveAll();
    virtual HRESULT ChangeItemNameByIndex(DWORD index, const char* name);
    virtual HRESULT ChangeItemName(DWORD id, const char* name);

    // Drops every item through OnDeleteItem and frees the table and the
    // share buffer; the path stays, so Reload can read the file again.
    void CleanUp();

    // Index of the item with that id, or IDXLIB_NONE (always >= the count).
    DWORD GetIndexFormID(DWORD id) const;
    SIdxLibItem* GetItem(DWORD index) const { return index < m_dwNumItems ? m_ppItems[index] : nullptr; }
    SIdxLibItem* GetItemByID(DWORD id) const { return GetItem(GetIndexFormID(id)); }
    DWORD GetNumItems() const { return m_dwNumItems; }
    int IsItemTableLoaded() const { return m_bItemTableLoaded; }
    const char* GetLibPathname() const { return m_szLibPathname; }
    // Adds an item from bytes in memory (as Import does from a file).
    HRESULT ImportFromMemory(const void* data, DWORD size, DWORD id, const char* name);

    // The share buffer: one read buffer for a run of item reads.
    // QueryShareBuffer reserves at least size bytes until
    // ReleaseItemDataShareBuffer (flags is kept for callers and not read).
    // Negative on failure.
    HRESULT QueryShareBuffer(DWORD size, int flags = 2);
    // Reads the item's stored bytes into the share buffer (growing it when the
    // item is larger) and returns their address, valid until the next read or
    // release; null when the item is not this library's or cannot be read.
    void* QueryItemDataToShareBufferByItem(SIdxLibItem* item);
    void* QueryItemDataToShareBuffer(DWORD index);
    void ReleaseItemDataShareBuffer();
    DWORD GetShareBufferSize() const { return static_cast<DWORD>(m_shareBuffer.size()); }
    // Copies the item's bytes into out. S_OK or a negative code.
    HRESULT ReadItemData(DWORD index, std::vector<BYTE>& out) const;

    // Read directly by derived managers.
    int m_bItemTableLoaded;
    DWORD m_dwNumItems;
    SIdxLibItem** m_ppItems; // m_dwNumItems entries, null where an item could not be made
    char m_szLibPathname[IDXLIB_PATH_SIZE];

private:
    struct Source {
        DWORD offset = 0;
        DWORD size = 0;
        bool inMemory = false;
        std::vector<BYTE> bytes;
    };

    HRESULT ReadTable(bool loadData, bool useHook);
    HRESULT AppendItem(DWORD id, const char* name, Source&& source, bool useHook);
    // Capacity for count items in m_items and m_sources (throws on failure).
    void Reserve(size_t count);
    void RebuildIdMap();
    HRESULT WritePack(const char* path, bool withExtra);
    void DeleteItem(DWORD index, bool useHook);

    void SyncTable();

    std::vector<SIdxLibItem*> m_items; // m_ppItems and m_dwNumItems mirror it
    std::vector<Source> m_sources;     // parallel to m_items
    std::unordered_map<DWORD, DWORD> m_idToIndex;
    // One above the largest id of the items (0 for none), the id an import
    // without one takes; IDXLIB_NONE when the largest id is the last one.
    DWORD m_dwNextID;
    std::unordered_map<const SIdxLibItem*, DWORD> m_itemToIndex;
    std::vector<BYTE> m_shareBuffer;
    std::shared_ptr<ou::pack::Reader> m_shareReader; // the pack, kept open while the share buffer is held
    int m_bShareBufferHeld;
    int m_bLoadAllData;
    int m_bUseItemHook;
    int m_bHasExtra;
    std::string m_findPattern;
    DWORD m_dwFindNext;
};
