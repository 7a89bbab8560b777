#include "meshani/tools/GmaToolRunner.h"

#include <cstring>
#include <memory>

#include "core/resources/WholeFile.h"

namespace gmatool {

HRESULT CheckVersion(const BYTE* data, DWORD size)
{
    SMeshAniHeader h;
    if (!data || size == 0 || !h.Read(data, size)) return E_FAIL;
    // Major 0 has the extended layout too: the tools take what the reader takes.
    if (h.IsOldMaterialLayout()) {
        MessageBoxA(nullptr, "Error: GfxUtil_PreprocessGMA() Cannot deal with the GMA whose version is 1.3 or earlier!",
                    "Kestu", MB_ICONERROR);
        return E_FAIL;
    }
    return h.IsKnownVersion() ? S_OK : S_FALSE;
}

HRESULT Run(const BYTE* data, DWORD size, const Change& change, std::vector<BYTE>& out)
{
    HRESULT hr = CheckVersion(data, size);
    if (hr != S_OK) return hr;
    CGmaFile file;
    if (FAILED(file.Read(data, size))) return E_FAIL;
    hr = change(file);
    if (hr != S_OK) return hr;
    file.header.wMajorVersion = 1;
    file.header.wMinorVersion = 4;
    return SUCCEEDED(file.Write(out)) ? S_OK : E_FAIL;
}

HRESULT RunInMemory(BYTE* buffer, DWORD& size, DWORD capacity, const Change& change)
{
    std::vector<BYTE> out;
    const HRESULT hr = Run(buffer, size, change, out);
    if (hr != S_OK) return hr;
    if (out.size() > capacity) return E_OUTOFMEMORY;
    std::memcpy(buffer, out.data(), out.size());
    size = static_cast<DWORD>(out.size());
    return S_OK;
}

HRESULT RunOnFile(const char* path, const Change& change)
{
    DWORD size = 0;
    std::unique_ptr<BYTE[]> data(LoadWholeFile(path, &size));
    if (!data) return E_FAIL;
    std::vector<BYTE> out;
    const HRESULT hr = Run(data.get(), size, change, out);
    if (hr != S_OK) return hr;
    return SaveWholeFile(path, out.data(), static_cast<DWORD>(out.size())) == static_cast<int>(out.size()) ? S_OK
                                                                                                           : E_FAIL;
}

} // namespace gmatool
