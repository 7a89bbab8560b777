#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dxfile.h"
#include "host/host_win32.h"
#include "xfile_fixture.h"

namespace {

struct Released {
    template <typename T>
    void operator()(T* p) const
    {
        if (p) p->Release();
    }
};
template <typename T>
using Ptr = std::unique_ptr<T, Released>;

Ptr<IDirectXFile> MakeFile()
{
    IDirectXFile* f = nullptr;
    EXPECT_EQ(DirectXFileCreate(&f), DXFILE_OK);
    EXPECT_EQ(f->RegisterTemplates((void*)D3DRM_XTEMPLATES, D3DRM_XTEMPLATE_BYTES), DXFILE_OK);
    return Ptr<IDirectXFile>(f);
}

HRESULT EnumText(IDirectXFile* file, const std::string& text, IDirectXFileEnumObject** out)
{
    DXFILELOADMEMORY mem{(void*)text.data(), (DWORD)text.size()};
    return file->CreateEnumObject(&mem, DXFILELOAD_FROMMEMORY, out);
}

std::string NameOf(IDirectXFileObject* o)
{
    char buf[64] = {};
    DWORD len = sizeof buf;
    EXPECT_EQ(o->GetName(buf, &len), DXFILE_OK);
    return buf;
}

std::vector<Ptr<IDirectXFileObject>> Children(IDirectXFileData* d)
{
    std::vector<Ptr<IDirectXFileObject>> out;
    IDirectXFileObject* c = nullptr;
    HRESULT hr;
    while ((hr = d->GetNextObject(&c)) == DXFILE_OK) out.emplace_back(c);
    EXPECT_EQ(hr, DXFILEERR_NOMOREOBJECTS);
    return out;
}

Ptr<IDirectXFileData> AsData(IDirectXFileObject* o)
{
    IDirectXFileData* d = nullptr;
    if (FAILED(o->QueryInterface(IID_IDirectXFileData, (void**)&d))) return nullptr;
    return Ptr<IDirectXFileData>(d);
}

const GUID* TypeOf(IDirectXFileData* d)
{
    const GUID* t = nullptr;
    EXPECT_EQ(d->GetType(&t), DXFILE_OK);
    return t;
}

} // namespace

TEST(DirectXFile, EnumeratesFramesMeshesAndReferences)
{
    auto file = MakeFile();
    IDirectXFileEnumObject* e = nullptr;
    ASSERT_EQ(EnumText(file.get(), kTwoFrameX, &e), DXFILE_OK);
    Ptr<IDirectXFileEnumObject> en(e);

    // Top level: Header, the material and the frame; the unknown object is skipped.
    std::vector<Ptr<IDirectXFileData>> top;
    IDirectXFileData* d = nullptr;
    HRESULT hr;
    while ((hr = en->GetNextDataObject(&d)) == DXFILE_OK) top.emplace_back(d);
    EXPECT_EQ(hr, DXFILEERR_NOMOREOBJECTS);
    ASSERT_EQ(top.size(), 3u);
    EXPECT_EQ(*TypeOf(top[0].get()), TID_D3DRMHeader);
    EXPECT_EQ(*TypeOf(top[1].get()), TID_D3DRMMaterial);
    EXPECT_EQ(*TypeOf(top[2].get()), TID_D3DRMFrame);
    EXPECT_EQ(NameOf(top[2].get()), "Outer");

    // Header data: two WORDs and a DWORD, packed.
    DWORD size = 0;
    void* p = nullptr;
    ASSERT_EQ(top[0]->GetData(nullptr, &size, &p), DXFILE_OK);
    ASSERT_EQ(size, 8u);
    uint16_t major, minor;
    std::memcpy(&major, p, 2);
    std::memcpy(&minor, (char*)p + 2, 2);
    EXPECT_EQ(major, 1);
    EXPECT_EQ(minor, 0);
    ASSERT_EQ(top[0]->GetData("flags", &size, &p), DXFILE_OK);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(*(uint32_t*)p, 1u);
    EXPECT_EQ(top[0]->GetData("nothing", &size, &p), DXFILEERR_NOTFOUND);

    // The outer frame: its matrix and the inner frame.
    auto outer = Children(top[2].get());
    ASSERT_EQ(outer.size(), 2u);
    auto matrix = AsData(outer[0].get());
    ASSERT_TRUE(matrix);
    EXPECT_EQ(*TypeOf(matrix.get()), TID_D3DRMFrameTransformMatrix);
    ASSERT_EQ(matrix->GetData(nullptr, &size, &p), DXFILE_OK);
    ASSERT_EQ(size, 64u);
    EXPECT_FLOAT_EQ(((float*)p)[12], 5.0f);
    EXPECT_FLOAT_EQ(((float*)p)[14], 7.0f);

    auto inner = AsData(outer[1].get());
    ASSERT_TRUE(inner);
    EXPECT_EQ(NameOf(inner.get()), "Inner");
    auto innerKids = Children(inner.get());
    ASSERT_EQ(innerKids.size(), 2u);
    auto mesh = AsData(innerKids[1].get());
    ASSERT_TRUE(mesh);
    EXPECT_EQ(*TypeOf(mesh.get()), TID_D3DRMMesh);
    // nVertices, 4 vectors, nFaces, two faces of 1 + 3 DWORDs.
    ASSERT_EQ(mesh->GetData(nullptr, &size, &p), DXFILE_OK);
    EXPECT_EQ(size, 4u + 48u + 4u + 32u);
    EXPECT_EQ(((uint32_t*)p)[0], 4u);
    EXPECT_FLOAT_EQ(((float*)p)[1 + 7], 1.0f); // vertex 2, y
    EXPECT_EQ(((uint32_t*)p)[13], 2u);
    EXPECT_EQ(((uint32_t*)p)[18], 3u);
    EXPECT_EQ(((uint32_t*)p)[19], 0u);
    EXPECT_EQ(((uint32_t*)p)[21], 3u);

    auto meshKids = Children(mesh.get());
    ASSERT_EQ(meshKids.size(), 3u);
    auto list = AsData(meshKids[2].get());
    ASSERT_TRUE(list);
    EXPECT_EQ(*TypeOf(list.get()), TID_D3DRMMeshMaterialList);
    auto mats = Children(list.get());
    ASSERT_EQ(mats.size(), 2u);
    // The first is a reference: no data interface, but it resolves.
    EXPECT_FALSE(AsData(mats[0].get()));
    IDirectXFileDataReference* ref = nullptr;
    ASSERT_EQ(mats[0]->QueryInterface(IID_IDirectXFileDataReference, (void**)&ref), S_OK);
    IDirectXFileData* resolved = nullptr;
    ASSERT_EQ(ref->Resolve(&resolved), DXFILE_OK);
    ref->Release();
    Ptr<IDirectXFileData> red(resolved);
    EXPECT_EQ(NameOf(red.get()), "RedMat");
    auto redKids = Children(red.get());
    ASSERT_EQ(redKids.size(), 1u);
    auto tex = AsData(redKids[0].get());
    ASSERT_EQ(tex->GetData(nullptr, &size, &p), DXFILE_OK);
    ASSERT_EQ(size, sizeof(char*));
    EXPECT_STREQ(*(char**)p, "red.bmp");
    EXPECT_TRUE(AsData(mats[1].get()));
}

TEST(DirectXFile, NamesLookupsAndResources)
{
    auto file = MakeFile();
    IDirectXFileEnumObject* e = nullptr;
    host::ResetWin32();
    const std::string text = kTwoFrameX;
    host::RegisterResource("", "XFILE", "Scene", std::vector<uint8_t>(text.begin(), text.end()));
    DXFILELOADRESOURCE res{nullptr, "Scene", "XFILE"};
    ASSERT_EQ(file->CreateEnumObject(&res, DXFILELOAD_FROMRESOURCE, &e), DXFILE_OK);
    Ptr<IDirectXFileEnumObject> en(e);
    IDirectXFileData* d = nullptr;
    ASSERT_EQ(en->GetDataObjectByName("Quad", &d), DXFILE_OK);
    Ptr<IDirectXFileData> quad(d);
    EXPECT_EQ(*TypeOf(quad.get()), TID_D3DRMMesh);
    EXPECT_EQ(en->GetDataObjectByName("Nope", &d), DXFILEERR_NOTFOUND);

    // A short buffer reports the size needed.
    char small[3];
    DWORD len = sizeof small;
    EXPECT_EQ(quad->GetName(small, &len), DXFILEERR_BADVALUE);
    EXPECT_EQ(len, 5u);

    DXFILELOADRESOURCE missing{nullptr, "Other", "XFILE"};
    EXPECT_EQ(file->CreateEnumObject(&missing, DXFILELOAD_FROMRESOURCE, &e), DXFILEERR_RESOURCENOTFOUND);
    EXPECT_EQ(file->CreateEnumObject((void*)"no/such/file.x", DXFILELOAD_FROMFILE, &e), DXFILEERR_FILENOTFOUND);
    host::ResetWin32();
}

TEST(DirectXFile, HeadersAndBrokenText)
{
    auto file = MakeFile();
    const std::string body = "Frame F { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; } }";
    const struct {
        const char* name;
        std::string text;
        HRESULT expect;
    } cases[] = {
        {"32-bit floats", "xof 0302txt 0032\n" + body, DXFILE_OK},
        {"64-bit floats", "xof 0303txt 0064\n" + body, DXFILE_OK},
        {"binary", "xof 0303bin 0032\n" + body, DXFILEERR_BADFILETYPE},
        {"compressed", "xof 0303tzip0032\n" + body, DXFILEERR_BADFILECOMPRESSIONTYPE},
        {"bad magic", "xox 0303txt 0032\n" + body, DXFILEERR_BADFILETYPE},
        {"bad version", "xof 0201txt 0032\n" + body, DXFILEERR_BADFILEVERSION},
        {"bad float size", "xof 0303txt 0016\n" + body, DXFILEERR_BADFILEFLOATSIZE},
        {"short header", "xof 0303", DXFILEERR_BADFILETYPE},
        {"unclosed object", "xof 0303txt 0032\nFrame F { Frame G {", DXFILEERR_PARSEERROR},
        {"too few values", "xof 0303txt 0032\nHeader { 1; }", DXFILEERR_PARSEERROR},
        {"string for a number", "xof 0303txt 0032\nHeader { \"x\"; 0; 0; }", DXFILEERR_PARSEERROR},
        {"unterminated string", "xof 0303txt 0032\nTextureFilename { \"abc }", DXFILEERR_PARSEERROR},
        {"huge array", "xof 0303txt 0032\nMesh { 4000000000; 1; }", DXFILEERR_BADARRAYSIZE},
        {"bad guid", "xof 0303txt 0032\ntemplate T { <1234> DWORD a; }", DXFILEERR_PARSEERROR},
        {"member of unknown type",
         "xof 0303txt 0032\ntemplate T { <11111111-2222-3333-4444-555555555555> Nope a; }\nT { 1; }",
         DXFILEERR_NOTEMPLATE},
        {"stray character", "xof 0303txt 0032\nFrame F { @ }", DXFILEERR_PARSEERROR},
        {"empty reference", "xof 0303txt 0032\nFrame F { { } }", DXFILEERR_PARSEERROR},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        IDirectXFileEnumObject* e = nullptr;
        EXPECT_EQ(EnumText(file.get(), c.text, &e), c.expect);
        if (e) e->Release();
        EXPECT_EQ(e != nullptr, c.expect == DXFILE_OK);
    }
    // Deep nesting ends in an error, not in a stack overflow.
    std::string deep = "xof 0303txt 0032\n";
    for (int i = 0; i < 5000; ++i) deep += "Frame {";
    IDirectXFileEnumObject* e = nullptr;
    EXPECT_EQ(EnumText(file.get(), deep, &e), DXFILEERR_PARSEERROR);
    // Templates that only nest empty templates do not multiply work.
    std::string bomb = "xof 0303txt 0032\ntemplate E0 { <11111111-2222-3333-4444-555555555500> }\n";
    for (int i = 1; i < 40; ++i)
        bomb += "template E" + std::to_string(i) + " { <11111111-2222-3333-4444-5555555555" + (i < 10 ? "0" : "") +
                std::to_string(i) + "> E" + std::to_string(i - 1) + " a; E" + std::to_string(i - 1) + " b; }\n";
    bomb += "E39 { }";
    EXPECT_EQ(EnumText(file.get(), bomb, &e), DXFILEERR_PARSEERROR);
}

TEST(DirectXFile, RegisteredTemplatesServeLaterFiles)
{
    auto file = MakeFile();
    const std::string decl = "xof 0303txt 0032\ntemplate Pair { <AAAAAAAA-2222-3333-4444-555555555555> WORD a; "
                             "array FLOAT b[2]; }";
    ASSERT_EQ(file->RegisterTemplates((void*)decl.data(), (DWORD)decl.size()), DXFILE_OK);
    IDirectXFileEnumObject* e = nullptr;
    ASSERT_EQ(
        EnumText(file.get(), "xof 0303txt 0032\nPair P <AAAAAAAA-2222-3333-4444-000000000001> { 7; 1.5, -2e1; }", &e),
        DXFILE_OK);
    Ptr<IDirectXFileEnumObject> en(e);
    IDirectXFileData* d = nullptr;
    ASSERT_EQ(en->GetNextDataObject(&d), DXFILE_OK);
    Ptr<IDirectXFileData> pair(d);
    GUID id{};
    ASSERT_EQ(pair->GetId(&id), DXFILE_OK);
    EXPECT_EQ(id.Data4[7], 1);
    DWORD size = 0;
    void* p = nullptr;
    ASSERT_EQ(pair->GetData("b", &size, &p), DXFILE_OK);
    ASSERT_EQ(size, 8u);
    float b1;
    std::memcpy(&b1, (char*)p + 4, 4); // members are packed: no alignment
    EXPECT_FLOAT_EQ(b1, -20.0f);
    const char binary[] = "xof 0303bin 0032";
    EXPECT_EQ(file->RegisterTemplates((void*)binary, 16), DXFILEERR_BADFILETYPE);
}
