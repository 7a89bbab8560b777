// A texture manager over a library of generated pictures, every picture
// loaded, for the sky and flare tests.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "effects/TgaLibrary.h"
#include "kestu_texture_mng.h"

namespace envtest {

class Textures {
public:
    ~Textures() { Release(); }
    // Asserts; check HasFatalFailure() after it.
    void Make(IDirect3DDevice8* device, const std::string& path,
              const std::vector<std::pair<DWORD, std::vector<uint8_t>>>& images)
    {
        m_path = path;
        bbtest::MakeLibrary(path, images);
        ASSERT_GE(m_mng.Build(device, path.c_str()), 0);
        for (const auto& image : images) ASSERT_NE(m_mng.QueryTexture(image.first), nullptr) << image.first;
    }
    void Release()
    {
        m_mng.Release();
        if (!m_path.empty()) std::remove(m_path.c_str());
        m_path.clear();
    }
    CTextureMng* Mng() { return &m_mng; }

private:
    std::string m_path;
    CTextureMng m_mng;
};

} // namespace envtest
