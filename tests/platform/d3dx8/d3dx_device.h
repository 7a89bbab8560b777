// One device for the D3DX tests that need one.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "d3dx8.h"
#include "host/host_d3d8.h"

namespace d3dxtest {

IDirect3DDevice8* Device();

class D3DXDeviceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Level `level` of a texture as A8R8G8B8.
    std::vector<uint32_t> Pixels(IDirect3DTexture8* tex, UINT level = 0);
    std::vector<uint32_t> Pixels(IDirect3DSurface8* surface);
    // A file name under the test's working folder.
    std::string TempPath(const std::string& name);

    IDirect3DDevice8* dev = nullptr;
};

// Per channel |a - b| <= tolerance.
bool Near(uint32_t a, uint32_t b, int tolerance);

template <typename T>
struct Released {
    T* p = nullptr;
    Released() = default;
    explicit Released(T* q) : p(q) {}
    ~Released()
    {
        if (p) p->Release();
    }
    Released(const Released&) = delete;
    Released& operator=(const Released&) = delete;
    T** operator&() { return &p; }
    T* operator->() const { return p; }
    T* get() const { return p; }
};

} // namespace d3dxtest
