// Device life cycle, presentation, loss and reset.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "d3d8/device.h"
#include "d3d8/direct3d.h"
#include "d3d8/format.h"
#include "d3d8/gl_context.h"
#include "d3d8/shader_translate.h"
#include "win32/com_result.h"
#include "win32/window_store.h"

namespace kestu::d3d8 {

namespace {

// A presented rectangle is scaled onto the window; sides beyond 32 bits
// cannot be.
bool Showable(const RECT* r)
{
    return r == nullptr || (int64_t(r->right) - r->left <= INT32_MAX && int64_t(r->bottom) - r->top <= INT32_MAX);
}

} // namespace

Device::Device(Direct3D* d3d, UINT adapter, D3DDEVTYPE type, HWND focus, DWORD behavior)
    : d3d_(d3d), adapter_(adapter), type_(type), focus_(focus), behavior_(behavior)
{
    d3d_->AddRef();
    world_.resize(256);
    vsConstants_.resize(kVertexShaderConstants);
    Host().devices.insert(this);
}

Device::~Device()
{
    Host().devices.erase(this);
    Deactivate();
    if (GlMakeCurrent()) {
        for (auto& t : stateBlocks_) t.second.reset();
        for (auto& p : programs_)
            if (p.second.program) glDeleteProgram(p.second.program);
        GLuint buffers[] = {worldUbo_, upVbo_, upIbo_};
        glDeleteBuffers(3, buffers);
        glDeleteFramebuffers(1, &fbo_);
        glDeleteFramebuffers(1, &readFbo_);
        glDeleteVertexArrays(1, &vao_);
        glDeleteSamplers(8, samplers_);
        for (auto* t : std::set<Tracked*>(tracked_)) t->Detach();
    }
    tracked_.clear();
    d3d_->Release();
}

Device* Device::From(IDirect3DDevice8* device) { return dynamic_cast<Device*>(device); }

HRESULT Device::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DDevice8) {
        *ppv = static_cast<IDirect3DDevice8*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG Device::AddRef() { return ++refs_; }

ULONG Device::Release()
{
    ULONG r = --refs_;
    if (r != 0) return r;
    // No resource is held by the application any more: what the device
    // state still binds goes with it.
    UnbindAll();
    ReleaseImplicitSurfaces();
    delete this;
    return 0;
}

void Device::UnbindAll()
{
    for (DWORD i = 0; i < 8; ++i) {
        if (textures_[i]) dynamic_cast<Tracked*>(textures_[i])->Drop();
        textures_[i] = nullptr;
        textureStorage_[i] = nullptr;
    }
    for (auto& stream : streams_) {
        if (stream.buffer) stream.buffer->Drop();
        stream.buffer = nullptr;
    }
    if (indices_) indices_->Drop();
    indices_ = nullptr;
    if (renderTarget_) renderTarget_->keeper()->Drop();
    if (depthStencil_) depthStencil_->keeper()->Drop();
    renderTarget_ = depthStencil_ = nullptr;
    programDirty_ = samplersDirty_ = true;
}

HRESULT Device::ValidatePresent(const D3DPRESENT_PARAMETERS* pp) const
{
    if (!pp) return D3DERR_INVALIDCALL;
    if (pp->SwapEffect < D3DSWAPEFFECT_DISCARD || pp->SwapEffect > D3DSWAPEFFECT_COPY_VSYNC) return D3DERR_INVALIDCALL;
    if (pp->BackBufferCount > 3) return D3DERR_INVALIDCALL;
    if ((pp->SwapEffect == D3DSWAPEFFECT_COPY || pp->SwapEffect == D3DSWAPEFFECT_COPY_VSYNC) && pp->BackBufferCount > 1)
        return D3DERR_INVALIDCALL;
    if (pp->MultiSampleType != D3DMULTISAMPLE_NONE) return D3DERR_INVALIDCALL;
    if (pp->Flags & ~static_cast<DWORD>(D3DPRESENTFLAG_LOCKABLE_BACKBUFFER)) return D3DERR_INVALIDCALL;
    if (pp->EnableAutoDepthStencil && !IsDepthFormat(pp->AutoDepthStencilFormat)) return D3DERR_INVALIDCALL;
    if (!pp->hDeviceWindow && !focus_) return D3DERR_INVALIDCALL;
    if (pp->Windowed) {
        if (pp->FullScreen_RefreshRateInHz != 0) return D3DERR_INVALIDCALL;
        if (pp->FullScreen_PresentationInterval != D3DPRESENT_INTERVAL_DEFAULT) return D3DERR_INVALIDCALL;
        if (pp->BackBufferFormat != D3DFMT_UNKNOWN && !IsBackBufferFormat(pp->BackBufferFormat))
            return D3DERR_INVALIDCALL;
        return D3D_OK;
    }
    if (!IsBackBufferFormat(pp->BackBufferFormat)) return D3DERR_INVALIDCALL;
    UINT interval = pp->FullScreen_PresentationInterval;
    if (interval != D3DPRESENT_INTERVAL_DEFAULT && interval != D3DPRESENT_INTERVAL_ONE &&
        interval != D3DPRESENT_INTERVAL_IMMEDIATE)
        return D3DERR_INVALIDCALL;
    for (auto& m : DisplayModes()) {
        if (m.Width != pp->BackBufferWidth || m.Height != pp->BackBufferHeight) continue;
        if (FormatPitch(m.Format, 1) != FormatPitch(pp->BackBufferFormat, 1)) continue;
        if (pp->FullScreen_RefreshRateInHz != 0 && pp->FullScreen_RefreshRateInHz != m.RefreshRate) continue;
        return D3D_OK;
    }
    return D3DERR_INVALIDCALL;
}

HRESULT Device::Create(D3DPRESENT_PARAMETERS* pp)
{
    HRESULT hr = ValidatePresent(pp);
    if (FAILED(hr)) return hr;
    pp_ = *pp;
    glGenFramebuffers(1, &fbo_);
    glGenFramebuffers(1, &readFbo_);
    glGenVertexArrays(1, &vao_);
    glGenBuffers(1, &worldUbo_);
    glGenBuffers(1, &upVbo_);
    glGenBuffers(1, &upIbo_);
    glGenSamplers(8, samplers_);
    glBindBuffer(GL_UNIFORM_BUFFER, worldUbo_);
    glBufferData(GL_UNIFORM_BUFFER, 256 * 64, nullptr, GL_DYNAMIC_DRAW);
    for (int i = 0; i < 256; ++i)
        for (int c = 0; c < 3; ++c) gamma_.red[i] = gamma_.green[i] = gamma_.blue[i] = static_cast<WORD>(i * 257);
    hr = CreateImplicitSurfaces();
    if (FAILED(hr)) return hr;
    *pp = pp_;
    ResetState();
    return D3D_OK;
}

HRESULT Device::CreateImplicitSurfaces()
{
    HWND window = pp_.hDeviceWindow ? pp_.hDeviceWindow : focus_;
    if (pp_.Windowed) {
        if (pp_.BackBufferWidth == 0 || pp_.BackBufferHeight == 0) {
            platform::WindowStore* store = platform::GetWindowStore(window);
            UINT w = store && store->width > 0 ? static_cast<UINT>(store->width) : 640;
            UINT h = store && store->height > 0 ? static_cast<UINT>(store->height) : 480;
            if (pp_.BackBufferWidth == 0) pp_.BackBufferWidth = w;
            if (pp_.BackBufferHeight == 0) pp_.BackBufferHeight = h;
        }
        if (pp_.BackBufferFormat == D3DFMT_UNKNOWN) pp_.BackBufferFormat = Host().desktop.Format;
    }
    if (pp_.BackBufferCount == 0) pp_.BackBufferCount = 1;
    UINT maxSize = 8192;
    if (pp_.BackBufferWidth > maxSize || pp_.BackBufferHeight > maxSize) return D3DERR_OUTOFVIDEOMEMORY;
    backBuffer_ =
        new Surface(this, pp_.BackBufferWidth, pp_.BackBufferHeight, pp_.BackBufferFormat, D3DUSAGE_RENDERTARGET,
                    D3DPOOL_DEFAULT, (pp_.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0, true);
    if (pp_.EnableAutoDepthStencil)
        autoDepth_ = new Surface(this, pp_.BackBufferWidth, pp_.BackBufferHeight, pp_.AutoDepthStencilFormat,
                                 D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT,
                                 pp_.AutoDepthStencilFormat == D3DFMT_D16_LOCKABLE, true);
    BindImplicitSurfaces();
    boundColor_ = boundDepth_ = ~0u;
    return D3D_OK;
}

void Device::BindImplicitSurfaces()
{
    renderTarget_ = backBuffer_;
    if (renderTarget_) renderTarget_->Hold();
    depthStencil_ = autoDepth_;
    if (depthStencil_) depthStencil_->Hold();
}

void Device::ReleaseImplicitSurfaces()
{
    if (backBuffer_) backBuffer_->Drop();
    if (autoDepth_) autoDepth_->Drop();
    backBuffer_ = autoDepth_ = nullptr;
}

void Device::Lose()
{
    if (coop_ == Coop::Ok) coop_ = Coop::Lost;
}

void Device::Regain()
{
    if (coop_ == Coop::Lost) coop_ = Coop::NotReset;
}

HRESULT Device::TestCooperativeLevel()
{
    switch (coop_) {
    case Coop::Lost: return D3DERR_DEVICELOST;
    case Coop::NotReset: return D3DERR_DEVICENOTRESET;
    default: return D3D_OK;
    }
}

HRESULT Device::Reset(D3DPRESENT_PARAMETERS* pp)
try {
    if (!pp) return D3DERR_INVALIDCALL;
    if (coop_ == Coop::Lost) return D3DERR_DEVICELOST;
    HRESULT hr = ValidatePresent(pp);
    if (FAILED(hr)) {
        // Refused parameters still leave the device waiting for a reset.
        coop_ = Coop::NotReset;
        return hr;
    }
    if (!GlMakeCurrent()) return D3DERR_DRIVERINTERNALERROR;
    // The device lets go of its own references first, the resources still
    // bound included: a buffer or texture the application released while it
    // was bound is gone. Anything else still alive in the default pool makes
    // the reset fail, with the lost-device code Windows gives.
    UnbindAll();
    bool busy = (backBuffer_ && backBuffer_->publicRefs() > 0) || (autoDepth_ && autoDepth_->publicRefs() > 0);
    for (Tracked* t : tracked_) {
        auto* s = dynamic_cast<Surface*>(t);
        if (s && s->implicit) continue;
        if (t->trackedPool == D3DPOOL_DEFAULT) busy = true;
    }
    HRESULT injected = TakeInjectedFailure(host::D3D8Failure::Reset);
    if (busy || FAILED(injected)) {
        BindImplicitSurfaces();
        coop_ = Coop::NotReset;
        return busy ? D3DERR_DEVICELOST : injected;
    }
    ReleaseImplicitSurfaces();
    pp_ = *pp;
    hr = CreateImplicitSurfaces();
    if (FAILED(hr)) {
        coop_ = Coop::NotReset;
        return hr;
    }
    *pp = pp_;
    ResetState();
    inScene_ = false;
    coop_ = Coop::Ok;
    return D3D_OK;
} catch (...) {
    return platform::ExceptionResult();
}

HRESULT Device::Present(const RECT* src, const RECT* dst, HWND override, const RGNDATA* dirty)
try {
    if (coop_ != Coop::Ok) return D3DERR_DEVICELOST;
    if (inScene_) return D3DERR_INVALIDCALL;
    bool copy = pp_.SwapEffect == D3DSWAPEFFECT_COPY || pp_.SwapEffect == D3DSWAPEFFECT_COPY_VSYNC;
    if ((src || dst) && !copy) return D3DERR_INVALIDCALL;
    if (!Showable(src) || !Showable(dst)) return D3DERR_INVALIDCALL;
    HRESULT injected = TakeInjectedFailure(host::D3D8Failure::Present);
    if (FAILED(injected)) return injected;
    ++Host().counters.presents;
    HWND window = override ? override : (pp_.hDeviceWindow ? pp_.hDeviceWindow : focus_);
    platform::WindowStore* store = platform::GetWindowStore(window);
    if (!store || store->width <= 0 || store->height <= 0 || !GlMakeCurrent()) return D3D_OK;
    std::vector<uint32_t> pixels;
    if (!backBuffer_->ReadArgb(pixels)) return D3D_OK;
    if (!pp_.Windowed) ApplyGamma(pixels);
    const LONG bw = static_cast<LONG>(backBuffer_->width()), bh = static_cast<LONG>(backBuffer_->height());
    RECT s = src ? *src : RECT{0, 0, bw, bh};
    RECT d = dst ? *dst : RECT{0, 0, store->width, store->height};
    s.left = std::max<LONG>(s.left, 0);
    s.top = std::max<LONG>(s.top, 0);
    s.right = std::min(s.right, bw);
    s.bottom = std::min(s.bottom, bh);
    if (s.right <= s.left || s.bottom <= s.top || d.right <= d.left || d.bottom <= d.top) return D3D_OK;
    // In 64 bits: a rectangle reaching far outside the window has sides and
    // offsets that overflow 32.
    const int64_t sw = int64_t(s.right) - s.left, sh = int64_t(s.bottom) - s.top;
    const int64_t dw = int64_t(d.right) - d.left, dh = int64_t(d.bottom) - d.top;
    const int64_t y0 = std::max<int64_t>(d.top, 0), y1 = std::min<int64_t>(d.bottom, store->height);
    const int64_t x0 = std::max<int64_t>(d.left, 0), x1 = std::min<int64_t>(d.right, store->width);
    for (int64_t y = y0; y < y1 && x0 < x1; ++y) {
        const int64_t sy = s.top + ((y - d.top) * sh) / dh;
        const uint32_t* srcRow = pixels.data() + static_cast<size_t>(sy) * static_cast<size_t>(bw);
        uint32_t* dstRow = store->pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(store->width);
        if (sw == dw) {
            std::memcpy(dstRow + x0, srcRow + s.left + (x0 - d.left), static_cast<size_t>(x1 - x0) * 4);
            for (int64_t x = x0; x < x1; ++x) dstRow[x] |= 0xff000000u;
            continue;
        }
        for (int64_t x = x0; x < x1; ++x) dstRow[x] = srcRow[s.left + ((x - d.left) * sw) / dw] | 0xff000000u;
    }
    DrawCursor(store->pixels.data(), store->width, store->height);
    return D3D_OK;
} catch (...) {
    return platform::ExceptionResult();
}

// The cursor goes over the presented frame only, so the back buffer keeps
// what the application drew.
void Device::DrawCursor(uint32_t* pixels, int32_t width, int32_t height) const
{
    if (!cursor_.visible || !cursor_.hasImage || cursorImage_.empty()) return;
    const int64_t left = static_cast<int64_t>(cursor_.x) - cursor_.hotX;
    const int64_t top = static_cast<int64_t>(cursor_.y) - cursor_.hotY;
    const int64_t y0 = std::max<int64_t>(top, 0), y1 = std::min<int64_t>(top + cursorHeight_, height);
    const int64_t x0 = std::max<int64_t>(left, 0), x1 = std::min<int64_t>(left + cursorWidth_, width);
    for (int64_t y = y0; y < y1; ++y) {
        const uint32_t* src = cursorImage_.data() + static_cast<size_t>(y - top) * cursorWidth_;
        uint32_t* dst = pixels + static_cast<size_t>(y) * static_cast<size_t>(width);
        for (int64_t x = x0; x < x1; ++x) {
            const uint32_t c = src[x - left], a = c >> 24;
            if (a == 0) continue;
            if (a == 255) {
                dst[x] = c | 0xff000000u;
                continue;
            }
            const uint32_t p = dst[x];
            uint32_t out = 0xff000000u;
            for (int shift = 0; shift < 24; shift += 8) {
                const uint32_t sc = (c >> shift) & 0xff, dc = (p >> shift) & 0xff;
                out |= ((sc * a + dc * (255 - a) + 127) / 255) << shift;
            }
            dst[x] = out;
        }
    }
}

// The ramp drives the display in full-screen mode only, as on the real hardware.
void Device::ApplyGamma(std::vector<uint32_t>& pixels) const
{
    bool identity = true;
    for (int i = 0; i < 256 && identity; ++i)
        identity = (gamma_.red[i] >> 8) == i && (gamma_.green[i] >> 8) == i && (gamma_.blue[i] >> 8) == i;
    if (identity) return;
    for (auto& p : pixels) {
        uint32_t r = gamma_.red[(p >> 16) & 0xff] >> 8, g = gamma_.green[(p >> 8) & 0xff] >> 8,
                 b = gamma_.blue[p & 0xff] >> 8;
        p = (p & 0xff000000u) | (r << 16) | (g << 8) | b;
    }
}

HRESULT Device::GetBackBuffer(UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface8** pp)
{
    if (!pp) return D3DERR_INVALIDCALL;
    *pp = nullptr;
    if (index >= pp_.BackBufferCount || type != D3DBACKBUFFER_TYPE_MONO || !backBuffer_) return D3DERR_INVALIDCALL;
    // Every back buffer of the chain is the one off-screen surface.
    *pp = backBuffer_;
    backBuffer_->AddRef();
    return D3D_OK;
}

HRESULT Device::CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* pp, IDirect3DSwapChain8** out)
{
    if (out) *out = nullptr;
    return D3DERR_NOTAVAILABLE;
}

UINT Device::GetAvailableTextureMem() { return 256u * 1024u * 1024u; }
HRESULT Device::ResourceManagerDiscardBytes(DWORD) { return D3D_OK; }

HRESULT Device::GetDirect3D(IDirect3D8** pp)
{
    if (!pp) return D3DERR_INVALIDCALL;
    *pp = d3d_;
    d3d_->AddRef();
    return D3D_OK;
}

HRESULT Device::GetDeviceCaps(D3DCAPS8* caps) { return d3d_->GetDeviceCaps(adapter_, type_, caps); }

HRESULT Device::GetDisplayMode(D3DDISPLAYMODE* mode)
{
    if (!mode) return D3DERR_INVALIDCALL;
    if (pp_.Windowed) {
        *mode = Host().desktop;
    } else {
        *mode = {pp_.BackBufferWidth, pp_.BackBufferHeight, pp_.FullScreen_RefreshRateInHz, pp_.BackBufferFormat};
        if (mode->RefreshRate == 0) mode->RefreshRate = 60;
    }
    return D3D_OK;
}

HRESULT Device::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* p)
{
    if (!p) return D3DERR_INVALIDCALL;
    *p = {adapter_, type_, focus_, behavior_};
    return D3D_OK;
}

HRESULT Device::SetCursorProperties(UINT x, UINT y, IDirect3DSurface8* bitmap)
{
    auto* s = dynamic_cast<Surface*>(bitmap);
    if (!s || s->format() != D3DFMT_A8R8G8B8) return D3DERR_INVALIDCALL;
    if (x >= s->width() || y >= s->height()) return D3DERR_INVALIDCALL;
    std::vector<uint32_t> image;
    GlMakeCurrent();
    if (!s->ReadArgb(image)) return D3DERR_INVALIDCALL;
    cursorImage_ = std::move(image);
    cursorWidth_ = s->width();
    cursorHeight_ = s->height();
    cursor_.hotX = x;
    cursor_.hotY = y;
    cursor_.hasImage = true;
    return D3D_OK;
}

void Device::SetCursorPosition(UINT x, UINT y, DWORD)
{
    cursor_.x = x;
    cursor_.y = y;
}

BOOL Device::ShowCursor(BOOL show)
{
    BOOL old = cursor_.visible ? TRUE : FALSE;
    cursor_.visible = show != FALSE;
    return old;
}

HRESULT Device::GetRasterStatus(D3DRASTER_STATUS* status)
{
    if (!status) return D3DERR_INVALIDCALL;
    status->InVBlank = FALSE;
    status->ScanLine = 0;
    return D3D_OK;
}

void Device::SetGammaRamp(DWORD, const D3DGAMMARAMP* ramp)
{
    if (ramp) gamma_ = *ramp;
}

void Device::GetGammaRamp(D3DGAMMARAMP* ramp)
{
    if (ramp) *ramp = gamma_;
}

bool Device::ReadSurface(Surface* s, std::vector<uint32_t>& pixels, UINT& w, UINT& h)
{
    if (!s || !GlMakeCurrent()) return false;
    w = s->width();
    h = s->height();
    return s->ReadArgb(pixels);
}

GLuint Device::ReadFramebuffer(Surface* s)
{
    GLuint tex = s->GlTexture();
    if (!tex) return 0;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, readFbo_);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_TEXTURE_2D, 0, 0);
    if (IsDepthFormat(s->format())) {
        glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, s->GlTarget(), tex,
                               static_cast<GLint>(s->level()));
        glReadBuffer(GL_NONE);
    } else {
        glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, s->GlTarget(), tex,
                               static_cast<GLint>(s->level()));
        glReadBuffer(GL_COLOR_ATTACHMENT0);
    }
    if (glCheckFramebufferStatus(GL_READ_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return 0;
    return readFbo_;
}

const uint32_t* Device::Palette(UINT& version)
{
    version = paletteVersion_;
    auto it = palettes_.find(currentPalette_);
    return it == palettes_.end() ? nullptr : it->second.data();
}

HRESULT Device::CheckResourceCreation()
{
    if (!GlMakeCurrent()) return D3DERR_NOTAVAILABLE;
    return TakeInjectedFailure(host::D3D8Failure::CreateResource);
}

} // namespace kestu::d3d8
