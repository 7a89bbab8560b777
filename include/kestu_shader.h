// The programmable-pipeline layer: a vertex/pixel shader pair assembled from
// text and created on a device, and the constants side that feeds it.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "d3d8.h"
#include "d3dx8.h"
#include "kestu_export.h"

enum ENUM_SHADER_TYPE : uint32_t {
    SHADER_TYPE_VERTEX = 1,
    SHADER_TYPE_PIXEL = 2,
};

class KESTU_API IShaderContext {
public:
    IShaderContext();
    IShaderContext(const IShaderContext&) = default;
    IShaderContext& operator=(const IShaderContext&) = default;
    virtual ~IShaderContext() {}

    virtual DWORD QueryInterface() const = 0;
    virtual long UpdateConstant(IDirect3DDevice8* device) = 0;

    void SetTransform(DWORD state, const D3DXMATRIX* m);
    void SetPass(int pass) { m_iPass = pass; }
    int GetPass() const { return m_iPass; }

    // The four forms of a transform: 0 the matrix, 1 its transpose, 2 its
    // inverse, 3 the transpose of the inverse. Null for other states.
    const D3DXMATRIX* GetTransformGroup(DWORD state) const;
    const D3DXMATRIX& GetTextureMatrix() const { return m_matTexture; }

    static int IsNonShader() { return m_bNonShader; }
    static void EnableNonShader(int enable) { m_bNonShader = enable; }

    static int m_bNonShader;

protected:
    // transpose(world × view × projection), the layout dp4 rows read.
    D3DXMATRIX CombinedTransposed() const;

    DWORD m_dwReserved[4] = {0, 0, 0, 0};
    D3DXMATRIX m_matProj[4];
    D3DXMATRIX m_matView[4];
    D3DXMATRIX m_matWorld[4];
    DWORD m_dwReserved2 = 0;
    int m_iPass = 0;
    D3DXMATRIX m_matTexture;
};

class KESTU_API IShaderBase {
public:
    IShaderBase();
    IShaderBase(const IShaderBase&) = default;
    IShaderBase& operator=(const IShaderBase&) = default;
    virtual ~IShaderBase() {}

    virtual long Build(IDirect3DDevice8* device);
    virtual long BuildFromFile(IDirect3DDevice8* device, const char* path, ENUM_SHADER_TYPE type);
    virtual long BuildFromData(IDirect3DDevice8* device, void* data, ENUM_SHADER_TYPE type);
    virtual long Release();
    virtual long SetDeviceShader(IDirect3DDevice8* device, IShaderContext* context);
    virtual long SetVertexDeclaration(DWORD value);
    virtual long SetVertexElement(DWORD* declaration);

    void SetFVF(DWORD fvf);
    DWORD GetFVF() const { return m_dwFVF; }
    long Assemble(const char* src, unsigned int len, ENUM_SHADER_TYPE type);
    long AssembleFromFile(const char* path, ENUM_SHADER_TYPE type);
    long Compile(const char*, unsigned int, ENUM_SHADER_TYPE) { return 0; }
    long CloneFVF(DWORD) { return 0; }
    long CheckDeviceCaps(IDirect3DDevice8* device);

    long SetVertexShader(DWORD handle);
    long SetPixelShader(DWORD handle);
    DWORD GetVertexShader(DWORD = 0) const { return m_dwVertexShader; }
    DWORD GetPixelShader(DWORD = 0) const { return m_dwPixelShader; }
    DWORD* GetVertexElement() { return m_dwDeclaration; }
    DWORD GetVertexDeclaration() const { return m_dwVertexDeclaration; }
    const DWORD* GetVertexShaderFunction() const { return m_pVertexShaderFunction; }
    const DWORD* GetPixelShaderFunction() const { return m_pPixelShaderFunction; }
    IDirect3DDevice8* GetDevice() const { return m_pDevice; }

protected:
    // A shader this pair created. It keeps its device alive and is deleted on
    // that device when the last pair sharing it lets go, so copies never
    // delete a shader twice and handles given by the client are never deleted.
    struct CreatedShader;
    using FunctionPtr = std::shared_ptr<std::vector<DWORD>>;

    void KeepFunction(const void* tokens, size_t bytes, ENUM_SHADER_TYPE type);

    IDirect3DDevice8* m_pDevice = nullptr;
    DWORD* m_pVertexShaderFunction = nullptr;
    DWORD* m_pPixelShaderFunction = nullptr;
    DWORD m_dwPixelShader = 0;
    DWORD m_dwVertexShader = 0;
    DWORD m_dwVertexDeclaration = 0;
    DWORD m_dwFVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
    DWORD m_dwDeclaration[MAX_FVF_DECL_SIZE + 1];
    DWORD m_dwVertexShaderVersion = 0;
    DWORD m_dwPixelShaderVersion = 0;
    std::string m_strings[4];

private:
    FunctionPtr m_vsFunction;
    FunctionPtr m_psFunction;
    std::shared_ptr<CreatedShader> m_vsCreated;
    std::shared_ptr<CreatedShader> m_psCreated;
};

class KESTU_API CShaderManager {
public:
    CShaderManager();
    CShaderManager(const CShaderManager& other);
    CShaderManager& operator=(const CShaderManager& other);
    virtual ~CShaderManager();

    long AddShader(IShaderBase*) { return E_FAIL; }
    long RemoveShader(IShaderBase*) { return E_FAIL; }
    long Build(IDirect3DDevice8*) { return E_FAIL; }
    long Release() { return E_FAIL; }
    IShaderBase* GetShader() { return nullptr; }

protected:
    void Clear();

    std::vector<IShaderBase*>* m_pShaders = nullptr;
    DWORD m_dwValue = 0;
};
