// The GMA file tools, on small generated files.
#include <gtest/gtest.h>

#include "gma_fixtures.h"
#include "host/host.h"
#include "index_lib.h"
#include "kestu_gmatools.h"

using namespace gmatest;

class GmaTools : public TempDir {
protected:
    void SetUp() override
    {
        TempDir::SetUp();
        host::ClearMessageBoxes();
    }
};

TEST_F(GmaTools, RemoveNormalsShrinksTwelveBytesPerVertex)
{
    Grid g;
    g.cols = 18; // 100 vertices per frame
    g.rows = 4;
    ASSERT_EQ(g.Vertices(), 100);
    CGmaFile f = g.File(1, 4, GMA_FLAG_LEFT_HAND | GMA_FLAG_FRAME_BOUNDBOX);
    std::vector<BYTE> bytes = Bytes(f);
    DWORD size = DWORD(bytes.size());
    ASSERT_EQ(GfxUtil_RemoveNormalsFormGMAFileInMemory(bytes.data(), size), S_OK);
    EXPECT_EQ(size, bytes.size() - 2400);
    CGmaFile r;
    ASSERT_EQ(r.Read(bytes.data(), size), S_OK);
    EXPECT_EQ(r.header.GetVertexStride(), 24u);
    EXPECT_EQ(r.frames[1].vertices[50].p, f.frames[1].vertices[50].p);
    EXPECT_EQ(r.frames[1].vertices[50].u, f.frames[1].vertices[50].u);
    EXPECT_EQ(r.frames[1].materials[1].faces.size(), f.frames[1].materials[1].faces.size());
    EXPECT_EQ(r.boundBoxes.size(), 2u);
    // Again: nothing to do.
    EXPECT_EQ(GfxUtil_RemoveNormalsFormGMAFileInMemory(bytes.data(), size), S_FALSE);
    // The file form does the same.
    const std::string path = Save("n.gma", f);
    EXPECT_EQ(GfxUtil_RemoveNormalsFormGMAFile(path.c_str()), S_OK);
    EXPECT_EQ(ReadBytes(path), std::vector<BYTE>(bytes.begin(), bytes.begin() + size));
}

TEST_F(GmaTools, VersionGateAgreesWithTheReader)
{
    Grid g;
    struct Case {
        WORD major, minor;
        HRESULT result;
        bool box;
    } cases[] = {{1, 2, E_FAIL, true}, {1, 3, E_FAIL, true}, {0, 2, S_OK, false}, {1, 4, S_OK, false}};
    for (const Case& c : cases) {
        host::ClearMessageBoxes();
        std::vector<BYTE> bytes = Bytes(g.File(c.major, c.minor));
        DWORD size = DWORD(bytes.size());
        EXPECT_EQ(GfxUtil_RemoveNormalsFormGMAFileInMemory(bytes.data(), size), c.result) << c.major << "." << c.minor;
        const auto boxes = host::GetMessageBoxes();
        ASSERT_EQ(boxes.size(), c.box ? 1u : 0u);
        if (c.box) {
            EXPECT_EQ(boxes[0].text,
                      "Error: GfxUtil_PreprocessGMA() Cannot deal with the GMA whose version is 1.3 or earlier!");
            EXPECT_EQ(boxes[0].caption, "Kestu");
        } else {
            EXPECT_EQ(U16At(bytes, 0), 1); // a changed file is 1.4
            EXPECT_EQ(U16At(bytes, 2), 4);
        }
    }
    // Newer files come back untouched.
    std::vector<BYTE> bytes = Bytes(g.File());
    bytes[0] = 2;
    const std::vector<BYTE> before = bytes;
    DWORD size = DWORD(bytes.size());
    EXPECT_EQ(GfxUtil_TransformGMAFileToShareMaterialsInMemory(bytes.data(), size), S_FALSE);
    EXPECT_EQ(bytes, before);
    EXPECT_EQ(size, before.size());
    size = 0;
    EXPECT_EQ(GfxUtil_TransformGMAFileToShareMaterialsInMemory(bytes.data(), size), E_FAIL);
    EXPECT_EQ(GfxUtil_RemoveNormalsFormGMAFile(Path("missing.gma").c_str()), E_FAIL);
}

TEST_F(GmaTools, ShareMaterialsKeepsTheLastFramesBlocks)
{
    Grid g;
    g.frames = 3;
    CGmaFile f = g.File();
    f.frames[2].materials[0].head.dwTextureID = 77;
    std::vector<BYTE> bytes = Bytes(f);
    DWORD size = DWORD(bytes.size());
    ASSERT_EQ(GfxUtil_TransformGMAFileToShareMaterialsInMemory(bytes.data(), size), S_OK);
    const size_t blocks = 2 * (210 + 6 * g.FacesPerHalf());
    EXPECT_EQ(size, bytes.size() - 2 * blocks);
    CGmaFile r;
    ASSERT_EQ(r.Read(bytes.data(), size), S_OK);
    EXPECT_TRUE(r.header.IsFrameShareMaterials());
    ASSERT_EQ(r.sharedMaterials.size(), 2u);
    EXPECT_EQ(DWORD{r.sharedMaterials[0].head.dwTextureID}, 77u);
    EXPECT_EQ(r.frames[2].vertices[3].p, f.frames[2].vertices[3].p);
    // Fewer than two frames: nothing to do.
    g.frames = 1;
    bytes = Bytes(g.File());
    size = DWORD(bytes.size());
    EXPECT_EQ(GfxUtil_TransformGMAFileToShareMaterialsInMemory(bytes.data(), size), S_FALSE);
}

TEST_F(GmaTools, TexCoordsShareAndComeBack)
{
    Grid g;
    g.frames = 3;
    const CGmaFile f = g.File(1, 4, GMA_FLAG_LEFT_HAND | GMA_FLAG_FRAME_BOUNDBOX);
    const std::vector<BYTE> original = Bytes(f);
    std::vector<BYTE> bytes = original;
    DWORD size = DWORD(bytes.size());
    ASSERT_EQ(GfxUtil_TransformGMAFileToShareTexCoordInMemory(bytes.data(), size), S_OK);
    EXPECT_EQ(size, original.size() - 3 * 8 * g.Vertices() + 8 * g.Vertices());
    CGmaFile r;
    ASSERT_EQ(r.Read(bytes.data(), size), S_OK);
    EXPECT_TRUE(r.header.IsFrameShareTexCoord());
    EXPECT_EQ(r.sharedCoords[5].u, f.frames[0].vertices[5].u);
    EXPECT_EQ(r.boundBoxes.size(), 3u);
    EXPECT_EQ(GfxUtil_TransformGMAFileToShareTexCoordInMemory(bytes.data(), size), S_FALSE);
    // Back: the file grows, so the buffer must have room for it.
    DWORD shared = size;
    EXPECT_EQ(GfxUtil_TransformGMAFileToNoShareTexCoordInMemory(bytes.data(), shared), E_OUTOFMEMORY);
    EXPECT_EQ(shared, size);
    bytes.resize(original.size());
    ASSERT_EQ(GfxUtil_TransformGMAFileToNoShareTexCoordInMemory(bytes.data(), shared, DWORD(bytes.size())), S_OK);
    EXPECT_EQ(shared, original.size());
    EXPECT_EQ(bytes, original);
    EXPECT_EQ(GfxUtil_TransformGMAFileToNoShareTexCoordInMemory(bytes.data(), shared), S_FALSE);
    // The file forms.
    const std::string path = Save("t.gma", f);
    EXPECT_EQ(GfxUtil_TransformGMAFileToShareTexCoord(path.c_str()), S_OK);
    EXPECT_EQ(GfxUtil_TransformGMAFileToNoShareTexCoord(path.c_str()), S_OK);
    EXPECT_EQ(ReadBytes(path), original);
}

TEST_F(GmaTools, PreprocessTurnsRightHandedFilesAndAddsBoxes)
{
    Grid g;
    CGmaFile f = g.File(1, 4, GMA_FLAG_SHARE_MATERIALS); // right-handed, no boxes
    const std::string path = Save("p.gma", f);
    ASSERT_EQ(GfxUtil_PreprocessGMA(path.c_str(), FALSE, FALSE), S_OK);
    CGmaFile r;
    ASSERT_EQ(r.Load(path.c_str()), S_OK);
    EXPECT_TRUE(r.header.IsLeftHandCoordSystem());
    ASSERT_TRUE(r.header.IsFrameBoundBox());
    const SGMAVertex& a = f.frames[1].vertices[4];
    const SGMAVertex& b = r.frames[1].vertices[4];
    EXPECT_NEAR(b.p.x, a.p.x, 1e-6f);
    EXPECT_NEAR(b.p.y, a.p.z, 1e-6f);
    EXPECT_NEAR(b.p.z, -a.p.y, 1e-6f);
    EXPECT_NEAR(b.n.y, -1.0f, 1e-6f); // (0, 0, -1) turned
    // The shared faces are turned once, not once per frame.
    const SMeshFaceInit& fa = f.sharedMaterials[1].faces[2];
    const SMeshFaceInit& fb = r.sharedMaterials[1].faces[2];
    EXPECT_EQ(fb.wIndex[0], fa.wIndex[0]);
    EXPECT_EQ(fb.wIndex[1], fa.wIndex[2]);
    EXPECT_EQ(fb.wIndex[2], fa.wIndex[1]);
    EXPECT_NEAR(r.boundBoxes[0].max.z, g.height / 2, 1e-6f);
    EXPECT_NEAR(r.boundBoxes[0].min.x, -g.width / 2, 1e-6f);
    // Prepared already: nothing to do unless boxes or normals are asked for.
    EXPECT_EQ(GfxUtil_PreprocessGMA(path.c_str(), FALSE, FALSE), S_FALSE);
    EXPECT_EQ(GfxUtil_PreprocessGMA(path.c_str(), TRUE, FALSE), S_OK);
    ASSERT_EQ(r.Load(path.c_str()), S_OK);
    EXPECT_TRUE(r.header.IsNormalSkipped());
    EXPECT_NEAR(r.frames[1].vertices[4].p.y, a.p.z, 1e-6f); // not turned twice
    EXPECT_EQ(GfxUtil_PreprocessGMA(path.c_str(), TRUE, FALSE), S_FALSE);
    EXPECT_EQ(GfxUtil_PreprocessGMA(path.c_str(), FALSE, TRUE), S_OK);
}

TEST_F(GmaTools, TextureIdsFollowTheTextureLibrary)
{
    // A texture library with two of the three names the mesh uses.
    CIndexLib lib;
    const std::string libPath = Path("tex.kidx");
    ASSERT_EQ(lib.Load(libPath.c_str(), 0, 1, 1, 0), S_OK);
    const BYTE pixel[4] = {1, 2, 3, 4};
    ASSERT_EQ(lib.ImportFromMemory(pixel, 4, 40, "tex\\left.png"), S_OK);
    ASSERT_EQ(lib.ImportFromMemory(pixel, 4, 41, "right.png"), S_OK);
    ASSERT_EQ(lib.Save(), S_OK);

    Grid g;
    CGmaFile f = g.File();
    std::strcpy(f.frames[1].materials[0].head.szTexture, "\\\\tex\\left.png");
    std::strcpy(f.frames[1].materials[1].head.szTexture, "gone.png");
    const std::vector<BYTE> bytes = Bytes(f);
    std::vector<BYTE> out(bytes.size());
    DWORD outSize = DWORD(out.size());
    std::vector<DWORD> ids;
    const std::string log = Path("ids.log");
    EXPECT_EQ(GfxUtil_UpdateGmaTextureIDInMemory(out.data(), outSize, bytes.data(), DWORD(bytes.size()), &lib,
                                                 log.c_str(), &ids),
              E_FAIL); // one name is missing
    EXPECT_EQ(ids, (std::vector<DWORD>{40, 41, 40}));
    CGmaFile r;
    ASSERT_EQ(r.Read(out.data(), outSize), S_OK);
    EXPECT_EQ(DWORD{r.frames[0].materials[0].head.dwTextureID}, 40u);
    EXPECT_EQ(DWORD{r.frames[0].materials[1].head.dwTextureID}, 41u);
    EXPECT_EQ(DWORD{r.frames[1].materials[0].head.dwTextureID}, 40u);
    EXPECT_EQ(DWORD{r.frames[1].materials[1].head.dwTextureID}, GMA_NO_TEXTURE);
    const std::vector<BYTE> logBytes = ReadBytes(log);
    const std::string text(logBytes.begin(), logBytes.end());
    EXPECT_NE(text.find("old ID=11, new ID=40"), std::string::npos);
    EXPECT_NE(text.find("Cannot find the texture file 'gone.png' in Texture index lib'"), std::string::npos);
    // A buffer too small for the result is left alone.
    DWORD small = 10;
    EXPECT_EQ(GfxUtil_UpdateGmaTextureIDInMemory(out.data(), small, bytes.data(), DWORD(bytes.size()), &lib, nullptr,
                                                 nullptr),
              E_OUTOFMEMORY);

    // The file form writes back only when an id changed.
    f = g.File();
    const std::string gma = Save("m.gma", f);
    EXPECT_EQ(GfxUtil_UpdateGmaTextureID(gma.c_str(), libPath.c_str(), nullptr, nullptr), S_OK);
    ASSERT_EQ(r.Load(gma.c_str()), S_OK);
    EXPECT_EQ(DWORD{r.frames[1].materials[1].head.dwTextureID}, 41u);
    EXPECT_EQ(GfxUtil_UpdateGmaTextureID(gma.c_str(), libPath.c_str(), nullptr, nullptr), S_FALSE);
    EXPECT_LT(GfxUtil_UpdateGmaTextureID(gma.c_str(), Path("none.kidx").c_str(), nullptr, nullptr), 0);
}
