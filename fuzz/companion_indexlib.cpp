// Loads arbitrary bytes as an item library and queries every item; the same
// bytes also go through a loading archive until it runs out.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "companion.h"

namespace {

struct RecordItem : SIdxLibItem {
    HRESULT UnserializeFrom(COUArchive& ar) override
    {
        unsigned long n = 0;
        ar >> n;
        unsigned char b = 0;
        for (unsigned long i = 0; i < n % 64; ++i) ar >> b;
        return S_OK;
    }
};

class RecordLib : public CIndexLib {
public:
    ~RecordLib() override { CleanUp(); }

protected:
    HRESULT OnNewItem(SIdxLibItem*& item) override
    {
        item = new RecordItem;
        return S_OK;
    }
};

void Exercise(CIndexLib& lib)
{
    if (!lib.m_bItemTableLoaded) return;
    lib.QueryShareBuffer(0x1000, 2);
    for (DWORD i = 0; i < lib.m_dwNumItems; ++i) {
        SIdxLibItem* item = lib.m_ppItems[i];
        if (!item) continue;
        const BYTE* data = static_cast<const BYTE*>(lib.QueryItemDataToShareBufferByItem(item));
        volatile BYTE sink = 0;
        for (DWORD k = 0; data && k < item->dwDataSize; ++k) sink = sink ^ data[k];
        if (lib.GetIndexFormID(item->dwID) != i) std::abort();
        if (lib.FindIndexByItemName(item->szName) > i) std::abort();
    }
    lib.ReleaseItemDataShareBuffer();
    lib.FindFistIndexByItemNameEx("*a*");
    while (lib.FindNextIndexByItemNameEx() != IDXLIB_NONE) {}
}

void ArchiveWalk(const uint8_t* data, size_t size)
{
    COUMemFile file(data, size);
    COUArchive ar(&file, OU_ARCHIVE_LOAD, 16, nullptr);
    try {
        for (;;) {
            unsigned long n = 0;
            double d = 0;
            short s = 0;
            ar >> n >> d >> s;
            BYTE block[40];
            ar.Read(block, n % sizeof(block));
        }
    } catch (HRESULT) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    char path[] = "/tmp/kestu_fuzz_idxlib_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return 0;
    FILE* f = fdopen(fd, "wb");
    if (!f) {
        close(fd);
        unlink(path);
        return 0;
    }
    if (size) fwrite(data, 1, size, f);
    fclose(f);

    {
        CIndexLib lib;
        if (SUCCEEDED(lib.Load(path, 0, 1, 0, 1))) Exercise(lib);
        if (SUCCEEDED(lib.Load(path, 1, 0, 0, 1)) && SUCCEEDED(lib.Reload(1))) Exercise(lib);
    }
    {
        RecordLib lib;
        if (SUCCEEDED(lib.Load(path, 1, 1, 0, 1))) Exercise(lib);
    }
    unlink(path);
    ArchiveWalk(data, size);
    return 0;
}
