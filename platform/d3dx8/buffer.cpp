// ID3DXBuffer: a counted block of bytes.
#include <atomic>
#include <new>
#include <vector>

#include "d3dx8core.h"

namespace {
class Buffer final : public ID3DXBuffer {
public:
    explicit Buffer(DWORD size) : bytes_(size, 0) {}

    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (!object) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_ID3DXBuffer) {
            AddRef();
            *object = static_cast<ID3DXBuffer*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override
    {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    LPVOID GetBufferPointer() override { return bytes_.empty() ? nullptr : bytes_.data(); }
    DWORD GetBufferSize() override { return (DWORD)bytes_.size(); }

private:
    std::vector<BYTE> bytes_;
    std::atomic<ULONG> refs_{1};
};
} // namespace

HRESULT D3DXCreateBuffer(DWORD numBytes, LPD3DXBUFFER* buffer)
{
    if (!buffer) return E_INVALIDARG;
    *buffer = nullptr;
    try {
        *buffer = new Buffer(numBytes);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}
