#include <filesystem>
#include <string>
#include <vector>

#include "index_lib.h"
#include "kestu_particlesystemmng.h"
#include "kestu_texture_mng.h"
#include "support/device.h"
#include "ParticleTestKit.h"

namespace {

// A 2 x 2 24-bit BMP of one colour.
std::vector<uint8_t> Bmp(uint8_t r, uint8_t g, uint8_t b)
{
    std::vector<uint8_t> f(54 + 16, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) f[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, static_cast<uint32_t>(f.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, 2);
    put32(22, 2);
    f[26] = 1;
    f[28] = 24;
    put32(34, 16);
    for (int row = 0; row < 2; ++row)
        for (int x = 0; x < 2; ++x) {
            f[54 + row * 8 + x * 3] = b;
            f[54 + row * 8 + x * 3 + 1] = g;
            f[54 + row * 8 + x * 3 + 2] = r;
        }
    return f;
}

// A texture library at path holding one image under id.
void MakeLibrary(const std::string& path, DWORD id)
{
    std::filesystem::remove(path);
    CIndexLib lib;
    ASSERT_GE(lib.Load(path.c_str(), 0, 1, 1, 1), 0);
    const std::vector<uint8_t> image = Bmp(200, 100, 50);
    ASSERT_GE(lib.ImportFromMemory(image.data(), static_cast<DWORD>(image.size()), id, "spark.bmp"), 0);
    ASSERT_GE(lib.Save(), 0);
}

class ParticleTextures : public ::testing::Test {
protected:
    void SetUp() override
    {
        testdevice::CreateShared(testdevice::DefaultParameters(64, 64, testdevice::FakeWindow(0x2802), false, false),
                                 d3d, device);
        if (!device) GTEST_SKIP() << "no device";
        dir = std::filesystem::current_path() / "particle_textures";
        std::filesystem::create_directories(dir);
    }
    void TearDown() override
    {
        std::filesystem::remove_all(dir);
        testdevice::ReleaseShared(d3d, device);
    }
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    std::filesystem::path dir;
};

TEST_F(ParticleTextures, AnOpenLibraryFollowsTheTexturePath)
{
    const std::string first = (dir / "first.kidx").string(), second = (dir / "second.kidx").string();
    MakeLibrary(first, 11);
    MakeLibrary(second, 22);
    CTextureMng textures;
    ASSERT_GE(textures.Build(device, first.c_str()), 0);
    ASSERT_NE(textures.GetTexture(11), nullptr);

    CParticleSystemMng mng;
    mng.SetTextureMng(&textures);
    EXPECT_EQ(mng.GetTextureMng(), &textures);
    EXPECT_EQ(mng.GetParticleMethodMng()->GetTextureMng(), &textures);
    mng.SetTextureIDXPath(second.c_str());
    EXPECT_STREQ(mng.GetTextureIDXPath(), second.c_str());
    EXPECT_EQ(textures.GetTexture(11), nullptr);
    ASSERT_NE(textures.GetTexture(22), nullptr);
    EXPECT_NE(textures.GetD3DTexture(22), nullptr) << "the new library's textures are loaded";

    // A manager without a library open keeps none: the path is only stored.
    CTextureMng bare;
    ASSERT_GE(bare.Build(nullptr, D3DPOOL_MANAGED, 0), 0);
    mng.SetTextureMng(&bare);
    mng.SetTextureIDXPath(first.c_str());
    EXPECT_EQ(bare.IsItemTableLoaded(), 0);
    EXPECT_EQ(bare.GetTexture(11), nullptr);
    textures.Release();
    bare.Release();
}

} // namespace
