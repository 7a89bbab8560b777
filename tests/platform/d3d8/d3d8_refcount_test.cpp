// Reference counts as the application sees them: binding leaves them alone,
// resources hold their device, texture levels share their texture's count.
#include <vector>

#include "d3d8_fixture.h"

namespace d3d8test {
namespace {

class RefCounts : public DeviceTest {};

ULONG Count(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

// A resource the device can bind: how to make it, bind it, read the binding
// back (one new reference on the object) and unbind it.
struct BindCase {
    const char* name;
    IUnknown* (*make)(IDirect3DDevice8*);
    void (*bind)(IDirect3DDevice8*, IUnknown*);
    IUnknown* (*get)(IDirect3DDevice8*);
    void (*unbind)(IDirect3DDevice8*);
};

IDirect3DSurface8* Implicit(IDirect3DDevice8* d, bool depth)
{
    IDirect3DSurface8* s = nullptr;
    if (depth)
        d->GetDepthStencilSurface(&s);
    else
        d->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &s);
    return s;
}

// What GetDevice answers (a new reference), through the object's own interface.
IDirect3DDevice8* OwnerOf(IUnknown* object)
{
    IDirect3DDevice8* owner = nullptr;
    IDirect3DResource8* resource = nullptr;
    IDirect3DSurface8* surface = nullptr;
    if (SUCCEEDED(object->QueryInterface(IID_IDirect3DResource8, reinterpret_cast<void**>(&resource)))) {
        resource->GetDevice(&owner);
        resource->Release();
    } else if (SUCCEEDED(object->QueryInterface(IID_IDirect3DSurface8, reinterpret_cast<void**>(&surface)))) {
        surface->GetDevice(&owner);
        surface->Release();
    }
    return owner;
}

// Unbinds a target: the back buffer alone takes its place.
void BackBufferAlone(IDirect3DDevice8* d)
{
    IDirect3DSurface8* back = Implicit(d, false);
    d->SetRenderTarget(back, nullptr);
    back->Release();
}

const BindCase kBindCases[] = {
    {"texture",
     [](IDirect3DDevice8* d) -> IUnknown* {
         IDirect3DTexture8* t = nullptr;
         d->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &t);
         return t;
     },
     [](IDirect3DDevice8* d, IUnknown* o) { d->SetTexture(2, static_cast<IDirect3DTexture8*>(o)); },
     [](IDirect3DDevice8* d) -> IUnknown* {
         IDirect3DBaseTexture8* t = nullptr;
         d->GetTexture(2, &t);
         return t;
     },
     [](IDirect3DDevice8* d) { d->SetTexture(2, nullptr); }},
    {"cube texture",
     [](IDirect3DDevice8* d) -> IUnknown* {
         IDirect3DCubeTexture8* t = nullptr;
         d->CreateCubeTexture(4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t);
         return t;
     },
     [](IDirect3DDevice8* d, IUnknown* o) { d->SetTexture(0, static_cast<IDirect3DCubeTexture8*>(o)); },
     [](IDirect3DDevice8* d) -> IUnknown* {
         IDirect3DBaseTexture8* t = nullptr;
         d->GetTexture(0, &t);
         return t;
     },
     [](IDirect3DDevice8* d) { d->SetTexture(0, nullptr); }},
    {"vertex buffer",
     [](IDirect3DDevice8* d) -> IUnknown* {
         IDirect3DVertexBuffer8* b = nullptr;
         d->CreateVertexBuffer(64, 0, D3DFVF_XYZ, D3DPOOL_DEFAULT, &b);
         return b;
     },
     [](IDirect3DDevice8* d, IUnknown* o) { d->SetStreamSource(1, static_cast<IDirect3DVertexBuffer8*>(o), 12); },
     [](IDirect3DDevice8* d) -> IUnknown* {
         IDirect3DVertexBuffer8* b = nullptr;
         UINT stride = 0;
         d->GetStreamSource(1, &b, &stride);
         return b;
     },
     [](IDirect3DDevice8* d) { d->SetStreamSource(1, nullptr, 0); }},
    {"index buffer",
     [](IDirect3DDevice8* d) -> IUnknown* {
         IDirect3DIndexBuffer8* b = nullptr;
         d->CreateIndexBuffer(64, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &b);
         return b;
     },
     [](IDirect3DDevice8* d, IUnknown* o) { d->SetIndices(static_cast<IDirect3DIndexBuffer8*>(o), 0); },
     [](IDirect3DDevice8* d) -> IUnknown* {
         IDirect3DIndexBuffer8* b = nullptr;
         UINT base = 0;
         d->GetIndices(&b, &base);
         return b;
     },
     [](IDirect3DDevice8* d) { d->SetIndices(nullptr, 0); }},
    {"render target",
     [](IDirect3DDevice8* d) -> IUnknown* {
         IDirect3DSurface8* s = nullptr;
         d->CreateRenderTarget(kWidth, kHeight, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, FALSE, &s);
         return s;
     },
     [](IDirect3DDevice8* d, IUnknown* o) { d->SetRenderTarget(static_cast<IDirect3DSurface8*>(o), nullptr); },
     [](IDirect3DDevice8* d) -> IUnknown* {
         IDirect3DSurface8* s = nullptr;
         d->GetRenderTarget(&s);
         return s;
     },
     BackBufferAlone},
    {"depth-stencil surface",
     [](IDirect3DDevice8* d) -> IUnknown* {
         IDirect3DSurface8* s = nullptr;
         d->CreateDepthStencilSurface(kWidth, kHeight, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, &s);
         return s;
     },
     [](IDirect3DDevice8* d, IUnknown* o) { d->SetRenderTarget(nullptr, static_cast<IDirect3DSurface8*>(o)); },
     [](IDirect3DDevice8* d) -> IUnknown* {
         IDirect3DSurface8* s = nullptr;
         d->GetDepthStencilSurface(&s);
         return s;
     },
     BackBufferAlone},
    // A level bound as the target holds its texture; its references are the texture's.
    {"render-target texture level",
     [](IDirect3DDevice8* d) -> IUnknown* {
         IDirect3DTexture8* t = nullptr;
         d->CreateTexture(16, 16, 2, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &t);
         return t;
     },
     [](IDirect3DDevice8* d, IUnknown* o) {
         IDirect3DSurface8* level = nullptr;
         static_cast<IDirect3DTexture8*>(o)->GetSurfaceLevel(1, &level);
         d->SetRenderTarget(level, nullptr);
         level->Release();
     },
     [](IDirect3DDevice8* d) -> IUnknown* {
         IDirect3DSurface8* level = nullptr;
         d->GetRenderTarget(&level);
         IDirect3DTexture8* t = nullptr;
         level->GetContainer(IID_IDirect3DTexture8, reinterpret_cast<void**>(&t));
         level->Release();
         return t;
     },
     BackBufferAlone},
};

TEST_F(RefCounts, BindingLeavesTheApplicationsCountAndKeepsTheObjectAlive)
{
    dev->EndScene();
    const ULONG deviceRefs = Count(dev);
    for (const BindCase& c : kBindCases) {
        SCOPED_TRACE(c.name);
        IUnknown* object = c.make(dev);
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(Count(dev), deviceRefs + 1);
        EXPECT_EQ(Count(object), 1u);
        c.bind(dev, object);
        EXPECT_EQ(Count(object), 1u);
        c.unbind(dev);
        EXPECT_EQ(Count(object), 1u);
        c.bind(dev, object);
        c.bind(dev, object); // binding again takes nothing more
        IUnknown* got = c.get(dev);
        EXPECT_EQ(got, object);
        EXPECT_EQ(Count(object), 2u);
        EXPECT_EQ(got->Release(), 1u);
        // Released while bound: the application's count is 0, the device
        // still holds the object and hands it out again.
        EXPECT_EQ(object->Release(), 0u);
        EXPECT_EQ(Count(dev), deviceRefs);
        got = c.get(dev);
        ASSERT_EQ(got, object);
        EXPECT_EQ(Count(dev), deviceRefs + 1);
        EXPECT_EQ(got->Release(), 0u);
        EXPECT_EQ(Count(dev), deviceRefs);
        c.unbind(dev); // frees it (the sanitizer sees a leak or a later use)
    }
    // The device draws on its own back buffer after all that.
    dev->BeginScene();
    DrawQuad(0, 0, 8, 8, 0xFF00FF00);
    EXPECT_TRUE(PixelNear(2, 2, 0x00FF00, 0));
}

TEST_F(RefCounts, ImplicitSurfacesCountFromZeroAndHoldTheDeviceWhileHeld)
{
    const ULONG deviceRefs = Count(dev);
    for (bool depth : {false, true}) {
        SCOPED_TRACE(depth ? "depth-stencil" : "back buffer");
        IDirect3DSurface8* s = Implicit(dev, depth);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(Count(s), 1u);
        EXPECT_EQ(Count(dev), deviceRefs + 1);
        IDirect3DSurface8* again = nullptr;
        if (depth)
            dev->GetDepthStencilSurface(&again);
        else
            dev->GetRenderTarget(&again); // the render target is the back buffer
        EXPECT_EQ(again, s);
        EXPECT_EQ(Count(dev), deviceRefs + 1);
        EXPECT_EQ(again->Release(), 1u);
        EXPECT_EQ(s->Release(), 0u);
        EXPECT_EQ(Count(dev), deviceRefs);
        // Still the device's: it may be taken up again from 0.
        EXPECT_EQ(s->AddRef(), 1u);
        EXPECT_EQ(Count(dev), deviceRefs + 1);
        EXPECT_EQ(s->Release(), 0u);
        EXPECT_EQ(Count(dev), deviceRefs);
        EXPECT_EQ(Implicit(dev, depth), s);
        EXPECT_EQ(s->Release(), 0u);
    }
}

TEST_F(RefCounts, TextureLevelsShareTheirContainersCount)
{
    struct Case {
        const char* name;
        // Makes a texture and hands out one of its levels.
        IUnknown* (*make)(IDirect3DDevice8*, IDirect3DSurface8**);
    } cases[] = {
        {"texture level",
         [](IDirect3DDevice8* d, IDirect3DSurface8** level) -> IUnknown* {
             IDirect3DTexture8* t = nullptr;
             if (d->CreateTexture(8, 8, 3, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t) == D3D_OK)
                 t->GetSurfaceLevel(2, level);
             return t;
         }},
        {"cube face level",
         [](IDirect3DDevice8* d, IDirect3DSurface8** level) -> IUnknown* {
             IDirect3DCubeTexture8* t = nullptr;
             if (d->CreateCubeTexture(8, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t) == D3D_OK)
                 t->GetCubeMapSurface(D3DCUBEMAP_FACE_NEGATIVE_Z, 1, level);
             return t;
         }},
    };
    const ULONG deviceRefs = Count(dev);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IDirect3DSurface8* level = nullptr;
        IUnknown* container = c.make(dev, &level);
        ASSERT_NE(container, nullptr);
        ASSERT_NE(level, nullptr);
        EXPECT_EQ(Count(dev), deviceRefs + 1); // the texture's, none for the level
        EXPECT_EQ(Count(container), 2u);
        EXPECT_EQ(Count(level), 2u);
        EXPECT_EQ(level->AddRef(), 3u);
        EXPECT_EQ(Count(container), 3u);
        EXPECT_EQ(level->Release(), 2u);
        EXPECT_EQ(container->Release(), 1u);
        EXPECT_EQ(Count(level), 1u);
        IDirect3DDevice8* owner = OwnerOf(level);
        EXPECT_EQ(owner, dev);
        if (owner) owner->Release();
        // The last reference, dropped through the level, frees the texture.
        EXPECT_EQ(level->Release(), 0u);
        EXPECT_EQ(Count(dev), deviceRefs);
    }
}

TEST_F(RefCounts, EachLiveResourceHoldsItsDeviceUntilTheLastGoes)
{
    IDirect3DDevice8* device = nullptr;
    D3DPRESENT_PARAMETERS pp = DefaultParameters();
    ASSERT_EQ(D3D()->CreateDevice(0, D3DDEVTYPE_HAL, FakeWindow(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
              D3D_OK);
    EXPECT_EQ(Count(device), 1u);
    std::vector<IUnknown*> made;
    for (const BindCase& c : kBindCases) {
        made.push_back(c.make(device));
        ASSERT_NE(made.back(), nullptr) << c.name;
        EXPECT_EQ(Count(device), made.size() + 1) << c.name;
    }
    IDirect3DSurface8* image = nullptr;
    ASSERT_EQ(device->CreateImageSurface(4, 4, D3DFMT_A8R8G8B8, &image), D3D_OK);
    EXPECT_EQ(Count(device), made.size() + 2);
    EXPECT_EQ(image->Release(), 0u);
    for (size_t i = 0; i < 5; ++i) kBindCases[i].bind(device, made[i]);

    // The application lets go of the device first; it lives on for what it made.
    EXPECT_EQ(device->Release(), made.size());
    for (size_t i = 0; i < made.size(); ++i) {
        SCOPED_TRACE(kBindCases[i].name);
        IDirect3DDevice8* owner = OwnerOf(made[i]);
        ASSERT_EQ(owner, device);
        EXPECT_EQ(owner->Release(), made.size() - i);
        // The last one takes the device, and what it still binds, with it.
        EXPECT_EQ(made[i]->Release(), 0u);
    }
}

} // namespace
} // namespace d3d8test
