// Any bytes as a text .x file: parse, then walk every object, its data and
// its references.
#include <cstddef>
#include <cstdint>

#include "dxfile.h"

namespace {

void Walk(IDirectXFileData* d, int depth)
{
    if (depth > 200) __builtin_trap(); // the reader nests no deeper than it allows
    const GUID* type = nullptr;
    if (d->GetType(&type) != DXFILE_OK || !type) __builtin_trap();
    DWORD size = 0;
    void* p = nullptr;
    if (d->GetData(nullptr, &size, &p) != DXFILE_OK) __builtin_trap();
    volatile uint8_t sink = 0;
    for (DWORD i = 0; i < size; ++i) sink = sink + static_cast<uint8_t*>(p)[i];
    char name[16];
    DWORD len = sizeof name;
    d->GetName(name, &len);
    IDirectXFileObject* child = nullptr;
    while (d->GetNextObject(&child) == DXFILE_OK) {
        IDirectXFileData* cd = nullptr;
        IDirectXFileDataReference* ref = nullptr;
        if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, (void**)&cd))) {
            Walk(cd, depth + 1);
            cd->Release();
        } else if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileDataReference, (void**)&ref))) {
            IDirectXFileData* target = nullptr;
            if (ref->Resolve(&target) == DXFILE_OK) target->Release();
            ref->Release();
        }
        child->Release();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    IDirectXFile* file = nullptr;
    if (DirectXFileCreate(&file) != DXFILE_OK) __builtin_trap();
    DXFILELOADMEMORY mem{const_cast<uint8_t*>(data), (DWORD)size};
    IDirectXFileEnumObject* e = nullptr;
    if (file->CreateEnumObject(&mem, DXFILELOAD_FROMMEMORY, &e) == DXFILE_OK) {
        IDirectXFileData* d = nullptr;
        while (e->GetNextDataObject(&d) == DXFILE_OK) {
            Walk(d, 0);
            d->Release();
        }
        e->Release();
    }
    // The same bytes as templates.
    file->RegisterTemplates(const_cast<uint8_t*>(data), (DWORD)size);
    file->Release();
    return 0;
}
