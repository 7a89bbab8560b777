// Pieces shared by the GMA fuzz targets: an in-memory tool run on an exactly
// sized heap copy of the input, whose result must read back as a GMA file.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

#include "kestu_gmafile.h"

namespace gma_fuzz {

// tool(buffer, size, capacity); the buffer holds capacity bytes and no more.
using InMemoryTool = std::function<HRESULT(BYTE*, DWORD&, DWORD)>;

inline void Check(const uint8_t* data, size_t size, DWORD slack, const InMemoryTool& tool)
{
    if (size > 0x1000000) return;
    const DWORD capacity = DWORD(size) + slack;
    std::unique_ptr<BYTE[]> buffer(new BYTE[capacity ? capacity : 1]);
    if (size) std::memcpy(buffer.get(), data, size);
    DWORD length = DWORD(size);
    const HRESULT hr = tool(buffer.get(), length, capacity);
    if (hr == S_OK) {
        CGmaFile result;
        if (length > capacity || FAILED(result.Read(buffer.get(), length)))
            std::abort(); // a change must give a file the reader takes
        // A second run changes nothing more or changes it again soundly.
        DWORD again = length;
        if (FAILED(tool(buffer.get(), again, capacity)) && again != length) std::abort();
    } else if (length != size || (size && std::memcmp(buffer.get(), data, size) != 0)) {
        std::abort(); // nothing done, nothing touched
    }
}

} // namespace gma_fuzz
