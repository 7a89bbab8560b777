// The Direct3D 8 device over OpenGL 3.3 core.
#pragma once
#include <array>
#include <initializer_list>
#include <map>
#include <memory>
#include <set>
#include <thread>
#include <unordered_map>
#include <vector>

#include "d3d8.h"
#include "d3d8/ffp.h"
#include "d3d8/gl.h"
#include "d3d8/host_config.h"
#include "d3d8/resource.h"
#include "host/host_d3d8.h"

namespace kestu::d3d8 {

class Direct3D;
struct ShaderState;

struct LightSlot {
    D3DLIGHT8 light{};
    bool enabled = false;
};

struct StreamSlot {
    VertexBuffer* buffer = nullptr;
    UINT stride = 0;
};

// Recorded or captured state.
struct StateBlock {
    std::map<DWORD, DWORD> rs;
    std::map<std::pair<DWORD, DWORD>, DWORD> tss;
    std::map<UINT, D3DMATRIX> transforms;
    std::map<DWORD, LightSlot> lights;
    bool hasMaterial = false, hasViewport = false, hasShader = false, hasPixelShader = false;
    D3DMATERIAL8 material{};
    D3DVIEWPORT8 viewport{};
    DWORD shader = 0;
    DWORD pixelShader = 0;
    std::map<DWORD, std::array<float, 4>> vsConstants, psConstants;
};

// A linked GL program with its uniform block bindings.
struct Program {
    GLuint program = 0;
    GLint constants = -1;       // location of the constant array
    GLint renderConstants = -1; // location of its rows taken from render states
    GLint pixelConstants = -1;  // location of the pixel stage's rows (fog..misc)
    uint64_t generation = 0;    // constants last loaded into this program
};

class Device final : public IDirect3DDevice8 {
public:
    Device(Direct3D* d3d, UINT adapter, D3DDEVTYPE type, HWND focus, DWORD behavior);
    ~Device() override;
    HRESULT Create(D3DPRESENT_PARAMETERS* pp);
    static Device* From(IDirect3DDevice8* device);

    // IUnknown
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT TestCooperativeLevel() override;
    UINT GetAvailableTextureMem() override;
    HRESULT ResourceManagerDiscardBytes(DWORD Bytes) override;
    HRESULT GetDirect3D(IDirect3D8** ppD3D8) override;
    HRESULT GetDeviceCaps(D3DCAPS8* pCaps) override;
    HRESULT GetDisplayMode(D3DDISPLAYMODE* pMode) override;
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) override;
    HRESULT SetCursorProperties(UINT XHotSpot, UINT YHotSpot, IDirect3DSurface8* pCursorBitmap) override;
    void SetCursorPosition(UINT X, UINT Y, DWORD Flags) override;
    BOOL ShowCursor(BOOL bShow) override;
    HRESULT CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* pp, IDirect3DSwapChain8** pSwapChain) override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* pp) override;
    HRESULT Present(const RECT* src, const RECT* dst, HWND hDestWindowOverride, const RGNDATA* dirty) override;
    HRESULT GetBackBuffer(UINT BackBuffer, D3DBACKBUFFER_TYPE Type, IDirect3DSurface8** ppBackBuffer) override;
    HRESULT GetRasterStatus(D3DRASTER_STATUS* pRasterStatus) override;
    void SetGammaRamp(DWORD Flags, const D3DGAMMARAMP* pRamp) override;
    void GetGammaRamp(D3DGAMMARAMP* pRamp) override;
    HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                          IDirect3DTexture8** ppTexture) override;
    HRESULT CreateVolumeTexture(UINT Width, UINT Height, UINT Depth, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                D3DPOOL Pool, IDirect3DVolumeTexture8** ppVolumeTexture) override;
    HRESULT CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DCubeTexture8** ppCubeTexture) override;
    HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                               IDirect3DVertexBuffer8** ppVertexBuffer) override;
    HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DIndexBuffer8** ppIndexBuffer) override;
    HRESULT CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                               BOOL Lockable, IDirect3DSurface8** ppSurface) override;
    HRESULT CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                                      IDirect3DSurface8** ppSurface) override;
    HRESULT CreateImageSurface(UINT Width, UINT Height, D3DFORMAT Format, IDirect3DSurface8** ppSurface) override;
    HRESULT CopyRects(IDirect3DSurface8* pSourceSurface, const RECT* pSourceRectsArray, UINT cRects,
                      IDirect3DSurface8* pDestinationSurface, const POINT* pDestPointsArray) override;
    HRESULT UpdateTexture(IDirect3DBaseTexture8* pSourceTexture, IDirect3DBaseTexture8* pDestinationTexture) override;
    HRESULT GetFrontBuffer(IDirect3DSurface8* pDestSurface) override;
    HRESULT SetRenderTarget(IDirect3DSurface8* pRenderTarget, IDirect3DSurface8* pNewZStencil) override;
    HRESULT GetRenderTarget(IDirect3DSurface8** ppRenderTarget) override;
    HRESULT GetDepthStencilSurface(IDirect3DSurface8** ppZStencilSurface) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
    HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
    HRESULT SetViewport(const D3DVIEWPORT8* pViewport) override;
    HRESULT GetViewport(D3DVIEWPORT8* pViewport) override;
    HRESULT SetMaterial(const D3DMATERIAL8* pMaterial) override;
    HRESULT GetMaterial(D3DMATERIAL8* pMaterial) override;
    HRESULT SetLight(DWORD Index, const D3DLIGHT8* pLight) override;
    HRESULT GetLight(DWORD Index, D3DLIGHT8* pLight) override;
    HRESULT LightEnable(DWORD Index, BOOL Enable) override;
    HRESULT GetLightEnable(DWORD Index, BOOL* pEnable) override;
    HRESULT SetClipPlane(DWORD Index, const float* pPlane) override;
    HRESULT GetClipPlane(DWORD Index, float* pPlane) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
    HRESULT BeginStateBlock() override;
    HRESULT EndStateBlock(DWORD* pToken) override;
    HRESULT ApplyStateBlock(DWORD Token) override;
    HRESULT CaptureStateBlock(DWORD Token) override;
    HRESULT DeleteStateBlock(DWORD Token) override;
    HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE Type, DWORD* pToken) override;
    HRESULT SetClipStatus(const D3DCLIPSTATUS8* pClipStatus) override;
    HRESULT GetClipStatus(D3DCLIPSTATUS8* pClipStatus) override;
    HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) override;
    HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) override;
    HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) override;
    HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
    HRESULT ValidateDevice(DWORD* pNumPasses) override;
    HRESULT GetInfo(DWORD DevInfoID, void* pDevInfoStruct, DWORD DevInfoStructSize) override;
    HRESULT SetPaletteEntries(UINT PaletteNumber, const PALETTEENTRY* pEntries) override;
    HRESULT GetPaletteEntries(UINT PaletteNumber, PALETTEENTRY* pEntries) override;
    HRESULT SetCurrentTexturePalette(UINT PaletteNumber) override;
    HRESULT GetCurrentTexturePalette(UINT* PaletteNumber) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT minIndex, UINT NumVertices, UINT startIndex,
                                 UINT primCount) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount, const void* pVertexStreamZeroData,
                            UINT VertexStreamZeroStride) override;
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex, UINT NumVertexIndices,
                                   UINT PrimitiveCount, const void* pIndexData, D3DFORMAT IndexDataFormat,
                                   const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) override;
    HRESULT ProcessVertices(UINT SrcStartIndex, UINT DestIndex, UINT VertexCount, IDirect3DVertexBuffer8* pDestBuffer,
                            DWORD Flags) override;
    HRESULT CreateVertexShader(const DWORD* pDeclaration, const DWORD* pFunction, DWORD* pHandle, DWORD Usage) override;
    HRESULT SetVertexShader(DWORD Handle) override;
    HRESULT GetVertexShader(DWORD* pHandle) override;
    HRESULT DeleteVertexShader(DWORD Handle) override;
    HRESULT SetVertexShaderConstant(DWORD Register, const void* pConstantData, DWORD ConstantCount) override;
    HRESULT GetVertexShaderConstant(DWORD Register, void* pConstantData, DWORD ConstantCount) override;
    HRESULT GetVertexShaderDeclaration(DWORD Handle, void* pData, DWORD* pSizeOfData) override;
    HRESULT GetVertexShaderFunction(DWORD Handle, void* pData, DWORD* pSizeOfData) override;
    HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData, UINT Stride) override;
    HRESULT GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8** ppStreamData, UINT* pStride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) override;
    HRESULT GetIndices(IDirect3DIndexBuffer8** ppIndexData, UINT* pBaseVertexIndex) override;
    HRESULT CreatePixelShader(const DWORD* pFunction, DWORD* pHandle) override;
    HRESULT SetPixelShader(DWORD Handle) override;
    HRESULT GetPixelShader(DWORD* pHandle) override;
    HRESULT DeletePixelShader(DWORD Handle) override;
    HRESULT SetPixelShaderConstant(DWORD Register, const void* pConstantData, DWORD ConstantCount) override;
    HRESULT GetPixelShaderConstant(DWORD Register, void* pConstantData, DWORD ConstantCount) override;
    HRESULT GetPixelShaderFunction(DWORD Handle, void* pData, DWORD* pSizeOfData) override;
    HRESULT DrawRectPatch(UINT Handle, const float* pNumSegs, const D3DRECTPATCH_INFO* pRectPatchInfo) override;
    HRESULT DrawTriPatch(UINT Handle, const float* pNumSegs, const D3DTRIPATCH_INFO* pTriPatchInfo) override;
    HRESULT DeletePatch(UINT Handle) override;

    // Internal.
    void Lose();
    void Regain();
    void Track(Tracked* r) { tracked_.insert(r); }
    void Untrack(Tracked* r) { tracked_.erase(r); }
    Surface* CurrentRenderTarget() const { return renderTarget_; }
    Surface* BackBuffer() const { return backBuffer_; }
    bool ReadSurface(Surface* s, std::vector<uint32_t>& pixels, UINT& w, UINT& h);
    host::D3D8CursorState Cursor() const { return cursor_; }
    const uint32_t* Palette(UINT& version);
    // The framebuffer object for reading a surface with glReadPixels.
    GLuint ReadFramebuffer(Surface* s);
    bool software() const { return type_ == D3DDEVTYPE_REF; }
    // A GL object of a resource is being deleted.
    void ForgetTexture(GLuint tex);
    void ForgetBuffer(GLuint buffer);

private:
    enum class Coop { Ok, Lost, NotReset };

    HRESULT ValidatePresent(const D3DPRESENT_PARAMETERS* pp) const;
    HRESULT CreateImplicitSurfaces();
    bool RecordVertexShader(DWORD handle);
    void DrawCursor(uint32_t* pixels, int32_t width, int32_t height) const;
    void ApplyGamma(std::vector<uint32_t>& pixels) const;
    void BindImplicitSurfaces();
    void ReleaseImplicitSurfaces();
    // Lets go of every texture, buffer and surface the state binds.
    void UnbindAll();
    void ResetState();
    void SetDefaultRenderStates();
    void BindFramebuffer();
    // Devices share the GL context: the one drawing re-binds its objects and
    // forgets GL state another device may have changed.
    void Activate();
    void Deactivate();
    // Groups of GL raster state, each set from its own render states.
    enum class RasterGroup { Fixed, Depth, Bias, Stencil, Blend, BlendFunction, ColorMask, Cull, Fill, ClipPlanes };
    template <size_t N>
    bool RasterGroupChanged(RasterGroup group, const std::array<DWORD, N>& now, std::array<DWORD, N>& last);
    void ApplyRasterState();
    // GL state of these groups was changed elsewhere: the next draw sets it again.
    void ForgetRaster(std::initializer_list<RasterGroup> groups)
    {
        for (RasterGroup g : groups) rasterKnown_ &= ~(1u << static_cast<unsigned>(g));
        rasterDirty_ = true;
    }
    HRESULT Draw(D3DPRIMITIVETYPE type, UINT primCount, UINT startVertex, const uint8_t* upVertices, UINT upStride,
                 UINT upVertexCount, const void* upIndices, D3DFORMAT upIndexFormat, bool indexed, UINT startIndex,
                 UINT minIndex, UINT numVertices);
    bool PrepareProgram(D3DPRIMITIVETYPE type);
    FfpKey MakeFfpKey(DWORD fvf, bool points);
    // Draws with a vertex shader handle or a pixel shader set (shader_draw.cpp).
    HRESULT DrawProgrammable(D3DPRIMITIVETYPE type, UINT primCount, UINT startVertex, const uint8_t* upVertices,
                             UINT upStride, UINT upVertexCount, const void* upIndices, D3DFORMAT upIndexFormat,
                             bool indexed, UINT startIndex);
    ShaderState& Shaders();
    void UploadUniforms(bool rhw);
    void BindTextures();
    void SetupVertexAttributes(GLuint buffer, size_t offset, UINT stride);
    // Steps both draw paths take once the draw is validated.
    void ApplyViewport(bool rhw);
    GLuint UploadUserVertices(const uint8_t* data, size_t bytes);
    void IssueDraw(D3DPRIMITIVETYPE type, UINT count, UINT startVertex, bool indexed, bool userPointer,
                   const uint8_t* indexData, UINT indexSize, UINT startIndex);
    HRESULT CheckResourceCreation();
    void NoteStateChange() { ++Host().counters.stateChanges; }
    // GlMakeCurrent once per scene and thread: asking EGL costs a system
    // call, and between BeginScene and EndScene nothing else of ours changes
    // the current context.
    bool MakeCurrentForScene();

    ULONG refs_ = 1;
    Direct3D* d3d_;
    UINT adapter_;
    D3DDEVTYPE type_;
    HWND focus_;
    DWORD behavior_;
    D3DPRESENT_PARAMETERS pp_{};
    Coop coop_ = Coop::Ok;
    bool inScene_ = false;
    bool sceneCurrent_ = false; // the context was made current in this scene, on sceneThread_
    std::thread::id sceneThread_;
    std::set<Tracked*> tracked_;

    // The bindings below hold internal references (Tracked::Hold), which the
    // application's counts do not show.
    Surface* backBuffer_ = nullptr; // implicit
    Surface* autoDepth_ = nullptr;  // implicit
    Surface* renderTarget_ = nullptr;
    Surface* depthStencil_ = nullptr;

    // State.
    DWORD rs_[256] = {};
    DWORD tss_[8][32] = {};
    D3DMATRIX view_{}, proj_{}, texMatrix_[8]{};
    std::vector<D3DMATRIX> world_;
    std::map<DWORD, LightSlot> lights_;
    D3DMATERIAL8 material_{};
    D3DVIEWPORT8 viewport_{};
    float clipPlanes_[D3DMAXUSERCLIPPLANES][4] = {};
    StreamSlot streams_[D3DMAXSTREAMS];
    IndexBuffer* indices_ = nullptr;
    UINT baseVertex_ = 0;
    IDirect3DBaseTexture8* textures_[8] = {};
    TextureStorage* textureStorage_[8] = {}; // of textures_, looked up once when set
    DWORD vertexShader_ = 0;
    DWORD pixelShader_ = 0;
    std::vector<std::array<float, 4>> vsConstants_;
    std::array<std::array<float, 4>, 8> psConstants_{};
    std::map<UINT, std::array<uint32_t, 256>> palettes_;
    UINT currentPalette_ = 0xFFFF;
    UINT paletteVersion_ = 1;
    D3DGAMMARAMP gamma_{};
    D3DCLIPSTATUS8 clipStatus_{};
    host::D3D8CursorState cursor_;
    // A copy of the cursor bitmap, taken when it is set.
    std::vector<uint32_t> cursorImage_;
    UINT cursorWidth_ = 0, cursorHeight_ = 0;
    std::map<DWORD, std::unique_ptr<StateBlock>> stateBlocks_;
    std::unique_ptr<StateBlock> recording_;
    DWORD nextStateBlock_ = 1;

    // GL.
    GLuint fbo_ = 0, readFbo_ = 0, vao_ = 0, worldUbo_ = 0, upVbo_ = 0, upIbo_ = 0;
    GLuint samplers_[8] = {};
    // Fixed-function programs by state key; programs translated from shader
    // tokens live in shaders_, keyed by the shader handles.
    std::shared_ptr<ShaderState> shaders_;
    std::unordered_map<FfpKey, Program, FfpKeyHash> programs_;
    Program* program_ = nullptr;
    uint64_t uniformGeneration_ = 1;
    // The parts of the constants the latest generation changed (UniformPart bits).
    uint32_t uniformChanges_ = 0;
    FfpKey key_;
    FfpUniforms uniforms_{};
    bool uniformsRhw_ = false;
    std::vector<DWORD> activeLights_;
    bool programDirty_ = true;
    bool uniformsDirty_ = true;       // everything derived from transforms, lights, material
    bool worldViewDirty_ = true;      // world 0 only
    bool renderUniformsDirty_ = true; // fields taken from render states
    GLuint boundTextures_[8] = {};
    bool worldDirty_ = true;
    UINT worldDirtyMax_ = 0;
    bool samplersDirty_ = true;
    bool rasterDirty_ = true;
    // The render states the GL raster groups were last set from (a group
    // whose bit is clear in rasterKnown_ is set on the next draw), and the
    // viewport GL has.
    uint32_t rasterKnown_ = 0;
    std::array<DWORD, 3> appliedDepth_{};
    std::array<DWORD, 1> appliedBias_{};
    std::array<DWORD, 8> appliedStencil_{};
    std::array<DWORD, 1> appliedBlendEnable_{};
    std::array<DWORD, 3> appliedBlendFunction_{};
    std::array<DWORD, 1> appliedColorMask_{};
    std::array<DWORD, 1> appliedCull_{};
    std::array<DWORD, 1> appliedFill_{};
    std::array<DWORD, 1> appliedClipPlanes_{};
    bool viewportKnown_ = false;
    D3DVIEWPORT8 appliedViewport_{};
    GLuint boundColor_ = ~0u, boundDepth_ = ~0u;
    GLint boundColorLevel_ = -1;
    GLenum boundColorTarget_ = 0;
    GLenum boundDepthAttachment_ = 0;
    GLuint attribBuffer_ = 0;
    size_t attribOffset_ = ~size_t(0);
    UINT attribStride_ = 0;
    DWORD attribFvf_ = ~0u;
    bool attribIndexed_ = false;
};

} // namespace kestu::d3d8
