// Billboards: textured quads and fans placed in the world or on the screen.
// 2D pictures, rectangles that face the camera, that turn only about the
// vertical axis, that keep a fixed direction, multi-directional sprites and
// fans. Each takes its texture by id from a texture manager, may play frame
// animations, decides whether the camera sees it and draws itself with
// DrawPrimitiveUP. The face-me and vertical kinds share one orientation
// matrix each, refreshed by the camera whenever it changes.
#pragma once
#include <cstdint>

#include "d3d8.h"
#include "d3dx8math.h"
#include "kestu_aniplay.h"
#include "kestu_export.h"
#include "ou_geometry.h"

class CEye;
class CTexture;
class CTextureMng;
class CAnimation;
class CBBAFrame;

// FVF 0x142: position, diffuse, one texture pair; 24 bytes.
struct SKESTUBBVERTEX {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    DWORD color = 0xFFFFFFFF;
    float u = 0.0f, v = 0.0f;
};
// FVF 0x144: transformed position, diffuse, one texture pair; 28 bytes.
struct SKESTUBBVERTEX2D {
    float x = 0.0f, y = 0.0f, z = 0.0f, rhw = 1.0f;
    DWORD color = 0xFFFFFFFF;
    float u = 0.0f, v = 0.0f;
};
static_assert(sizeof(SKESTUBBVERTEX) == 24 && sizeof(SKESTUBBVERTEX2D) == 28, "vertex strides are fixed");

#define KESTU_BBVERTEX_FVF (D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1)
#define KESTU_BBVERTEX2D_FVF (D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1)

enum ENUM_KESTU_BB_TYPE : uint32_t {
    KESTU_BB_2D = 0,
    KESTU_BB_STATIC = 1,
    KESTU_BB_FACEME = 2,
    KESTU_BB_VERTICAL = 3, // also the multi-directional kind
    KESTU_BB_FAN = 5,
};

// Bits: 0x01 2D, 0x02 3D, 0x04 rectangle, 0x08 static, 0x10 face-me,
// 0x20 vertical, 0x40 multi-directional, 0x80 fan.
enum ENUM_BBINIT_TYPE : uint32_t {
    BBINIT_BASE = 0x00,
    BBINIT_2D = 0x01,
    BBINIT_3D = 0x02,
    BBINIT_RECT = 0x06,
    BBINIT_STATIC = 0x0E,
    BBINIT_FACEME = 0x16,
    BBINIT_VERTICAL = 0x26,
    BBINIT_MULTIDIR = 0x66,
    BBINIT_FAN = 0x82,
};

enum ENUM_BB_EFFECT : uint32_t {
    BB_EFFECT_NONE = 0,    // select the texture
    BB_EFFECT_ADD = 1,     // texture plus diffuse
    BB_EFFECT_TFACTOR = 2, // texture with the texture factor
    BB_EFFECT_KEEP = 3,    // the texture ops stay as they are
};

// Which way the rim of a fan runs.
enum ENUM_BBFAN_FACE_DIR : uint32_t {
    BBFAN_FACE_FRONT = 0,
    BBFAN_FACE_BACK = 1,
};

struct KESTU_API SBBInit {
    virtual ~SBBInit() {}
    virtual ENUM_BBINIT_TYPE GetInitType() const { return BBINIT_BASE; }
    int IsValid() const { return dwValid != 0 ? 1 : 0; }
    void SetBBEffect(ENUM_BB_EFFECT e);

    // Any nonzero value (the particle methods put the device pointer here).
    uintptr_t dwValid = 0;
    CTextureMng* pTexMng = nullptr;
    DWORD dwTexID = 0xFFFFFFFF;
    FRECT rcTexture{0.0f, 0.0f, 1.0f, 1.0f};
    DWORD dwColorOp = D3DTOP_SELECTARG1, dwColorArg1 = D3DTA_TEXTURE, dwColorArg2 = D3DTA_DIFFUSE;
    DWORD dwAlphaOp = D3DTOP_SELECTARG1, dwAlphaArg1 = D3DTA_TEXTURE, dwAlphaArg2 = D3DTA_DIFFUSE;
    DWORD dwTexFactor = 0xFFFFFFFF;
    D3DXVECTOR3 vPos{0.0f, 0.0f, 0.0f};
    // A billboard animation buffer (kestu_bbanimation.h) and its length in bytes.
    const void* pAniBuffer = nullptr;
    DWORD dwAniBufferSize = 0;
    float fScaleX = 1.0f, fScaleY = 1.0f;
    DWORD dwVertexColor[4] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
};

struct KESTU_API SBB2dInit : SBBInit {
    ENUM_BBINIT_TYPE GetInitType() const override { return BBINIT_2D; }
    FRECT rcScreen{0.0f, 0.0f, 1.0f, 1.0f}; // relative to the position
    float fRotation = 0.0f;
};

struct KESTU_API SBB3dInit : SBBInit {
    ENUM_BBINIT_TYPE GetInitType() const override { return BBINIT_3D; }
};

struct KESTU_API SBBRectInit : SBB3dInit {
    ENUM_BBINIT_TYPE GetInitType() const override { return BBINIT_RECT; }
    float fHalfWidth = 1.0f, fHalfHeight = 1.0f;
};

struct KESTU_API SBBStaticInit : SBBRectInit {
    ENUM_BBINIT_TYPE GetInitType() const override { return BBINIT_STATIC; }
    D3DXVECTOR3 vDirection{0.0f, 0.0f, -1.0f};
    D3DXVECTOR3 vUp{0.0f, 1.0f, 0.0f};
};

struct KESTU_API SBBFaceMeInit : SBBRectInit {
    ENUM_BBINIT_TYPE GetInitType() const override { return BBINIT_FACEME; }
};

struct KESTU_API SBBVerticalInit : SBBRectInit {
    ENUM_BBINIT_TYPE GetInitType() const override { return BBINIT_VERTICAL; }
};

// The multi-directional animations: dwMultiDirAniNumber of them, each over
// the single-direction animations of the buffer with dwDirectionNumber
// directions; fDirection is the billboard's own direction angle.
struct KESTU_API SBBMultiDirInit : SBBVerticalInit {
    ENUM_BBINIT_TYPE GetInitType() const override { return BBINIT_MULTIDIR; }
    DWORD dwMultiDirAniNumber = 0;
    DWORD dwDirectionNumber = 0;
    float fDirection = 0.0f;
};

struct KESTU_API SBBFanInit : SBB3dInit {
    ENUM_BBINIT_TYPE GetInitType() const override { return BBINIT_FAN; }
    DWORD dwSegmentCount = 0; // triangles of the fan
    ENUM_BBFAN_FACE_DIR eFaceDir = BBFAN_FACE_FRONT;
    D3DXVECTOR3 vDirection{0.0f, 0.0f, 1.0f};
    D3DXVECTOR3 vUp{0.0f, 1.0f, 0.0f};
    float fHeight = 0.0f, fRadius = 0.0f;
    DWORD dwSegments = 2; // segments of a full circle
};

class KESTU_API CBillboard {
public:
    CBillboard();
    CBillboard(const CBillboard& other) = delete;
    CBillboard& operator=(const CBillboard& other) = delete;

    virtual ENUM_KESTU_BB_TYPE GetBBType() const = 0;
    virtual DWORD GetVertexStride() const = 0;
    virtual int FastDecideIsVisible();
    virtual int DecideIsVisible() = 0;
    virtual ~CBillboard();
    virtual HRESULT Build(const SBBInit* init);
    virtual void Release();
    virtual int IsBuilt() const { return m_bBuilt; }
    virtual D3DXMATRIX* GetMatWorld() { return nullptr; }
    virtual void UpdatePosition(const D3DXVECTOR3* pos);
    virtual float GetDistInLineOfSight();
    virtual void FrameMove(float now);
    virtual HRESULT Render(IDirect3DDevice8* device);
    virtual void ApplyAnimationFrame(CBBAFrame* frame);
    virtual void ApplyPicture(DWORD texID, const FSIZE* size, const FPOINT* hotSpot = nullptr,
                              const FRECT* texRect = nullptr);

    CTexture* GetTexture(DWORD id) const;
    static void SetEye(CEye* eye) { m_pEye = eye; }
    static CEye* GetEye() { return m_pEye; }
    static DWORD GetTotalNumber() { return m_dwTotalNumber; }
    SKESTUBBVERTEX* GetVertex3dBuffer() const { return static_cast<SKESTUBBVERTEX*>(m_pVertices); }
    SKESTUBBVERTEX2D* GetVertex2dBuffer() const { return static_cast<SKESTUBBVERTEX2D*>(m_pVertices); }
    void SetTexMng(CTextureMng* mng) { m_pTexMng = mng; }
    CTextureMng* GetTexMng() const { return m_pTexMng; }
    void SetTexID(DWORD id) { m_dwTexID = id; }
    DWORD GetTexID() const { return m_dwTexID; }
    void SetTexOp(DWORD op) { m_dwColorOp = op; }
    DWORD GetTexOp() const { return m_dwColorOp; }
    void SetTexArg1(DWORD a) { m_dwColorArg1 = a; }
    DWORD GetTexArg1() const { return m_dwColorArg1; }
    void SetTexArg2(DWORD a) { m_dwColorArg2 = a; }
    DWORD GetTexArg2() const { return m_dwColorArg2; }
    void SetAlphaTexOp(DWORD op) { m_dwAlphaOp = op; }
    DWORD GetAlphaTexOp() const { return m_dwAlphaOp; }
    void SetTexAlphaArg1(DWORD a) { m_dwAlphaArg1 = a; }
    DWORD GetTexAlphaArg1() const { return m_dwAlphaArg1; }
    void SetTexAlphaArg2(DWORD a) { m_dwAlphaArg2 = a; }
    DWORD GetTexAlphaArg2() const { return m_dwAlphaArg2; }
    void SetTexFactor(DWORD f) { m_dwTexFactor = f; }
    DWORD GetTexFactor() const { return m_dwTexFactor; }
    void SetBBEffect(ENUM_BB_EFFECT e);
    ENUM_BB_EFFECT GetBBEffect() const { return m_eEffect; }

    DWORD GetCurrAniIdx() const { return m_dwCurrAni; }
    void SetCurrAni(DWORD index);
    CAnimation* GetCurrAni() const { return GetAni(m_dwCurrAni); }
    CAnimation* GetAni(DWORD index) const;
    int IsHaveAni() const { return m_dwAniNumber > 0 ? 1 : 0; }
    DWORD GetAniNumber() const { return m_dwAniNumber; }
    void PlayAni(DWORD index, float now, ENUM_ANIPLAY_MODE mode, int bForward, float startPosition);
    void StopAni();
    void ReplayAni(float now);
    int IsAniPlaying() const;
    // 0x82000109 for a null buffer, 0x82000000 when it builds nothing.
    HRESULT ReBuildAniGroup(const void* buffer, DWORD length);

    int IsVisible() const { return m_bVisible; }
    void Visible(int visible) { m_bVisible = visible; }
    const D3DXVECTOR3* GetPos() const { return &m_vPos; }
    void SetScaleX(float s) { m_fScaleX = s; }
    float GetScaleX() const { return m_fScaleX; }
    void SetScaleY(float s) { m_fScaleY = s; }
    float GetScaleY() const { return m_fScaleY; }

protected:
    // The animation of the current index moved on to `now` and its frame applied.
    void ApplyCurrentAnimation(float now, const float* angle);
    void DeleteAnimations();

    void* m_pVertices = nullptr;
    int32_t m_bBuilt = 0;
    CTextureMng* m_pTexMng = nullptr;
    DWORD m_dwTexID = 0xFFFFFFFF;
    DWORD m_dwColorOp = D3DTOP_SELECTARG1;
    DWORD m_dwColorArg1 = D3DTA_TEXTURE;
    DWORD m_dwColorArg2 = D3DTA_DIFFUSE;
    DWORD m_dwAlphaOp = D3DTOP_SELECTARG1;
    DWORD m_dwAlphaArg1 = D3DTA_TEXTURE;
    DWORD m_dwAlphaArg2 = D3DTA_DIFFUSE;
    DWORD m_dwTexFactor = 0xFFFFFFFF;
    ENUM_BB_EFFECT m_eEffect = BB_EFFECT_NONE;
    CBBAFrame* m_pLastFrame = nullptr;
    CAnimation** m_ppAnimations = nullptr;
    DWORD m_dwAniNumber = 0;
    DWORD m_dwCurrAni = 0;
    int32_t m_bVisible = 0;
    D3DXVECTOR3 m_vPos{0.0f, 0.0f, 0.0f};
    // Kept for the client; nothing here reads them.
    DWORD m_dwRenderWords[3] = {0, 2, 3};
    DWORD m_dwRenderExtra = 1;
    float m_fScaleX = 1.0f;
    float m_fScaleY = 1.0f;

public:
    // The eye of the last camera change; null until the first one.
    static CEye* m_pEye;
    static DWORD m_dwTotalNumber;
};

class KESTU_API CBB2d : public CBillboard {
public:
    ~CBB2d() override;
    ENUM_KESTU_BB_TYPE GetBBType() const override { return KESTU_BB_2D; }
    DWORD GetVertexStride() const override { return sizeof(SKESTUBBVERTEX2D); }
    int FastDecideIsVisible() override { return DecideIsVisible(); }
    int DecideIsVisible() override;
    HRESULT Build(const SBBInit* init) override;
    void Release() override;
    void UpdatePosition(const D3DXVECTOR3* pos) override;
    float GetDistInLineOfSight() override { return 0.0f; }
    HRESULT Render(IDirect3DDevice8* device) override;
    void ApplyAnimationFrame(CBBAFrame* frame) override;
    void ApplyPicture(DWORD texID, const FSIZE* size, const FPOINT* hotSpot = nullptr,
                      const FRECT* texRect = nullptr) override;

    void UpdatePosition(float x, float y);
    void SetRotation(float radians);
    float GetRotation() const { return m_fRotation; }
    const FRECT* GetScreenRect() const { return &m_rcScreen; }
    int IsVertexDirty() const { return m_bDirty; }
    // The corners for the position, screen rectangle and rotation, written
    // into the vertices; dirty is cleared.
    void UpdateVertices();

private:
    void SetTexCorners(const FRECT& tex);

    FRECT m_rcScreen{0.0f, 0.0f, 1.0f, 1.0f};
    float m_fRotation = 0.0f;
    int32_t m_bDirty = 0;
};

class KESTU_API CBB3d : public CBillboard {
public:
    ~CBB3d() override;
    DWORD GetVertexStride() const override { return sizeof(SKESTUBBVERTEX); }
    int DecideIsVisible() override;
    HRESULT Build(const SBBInit* init) override;
    void Release() override;
    HRESULT Render(IDirect3DDevice8* device) override;
    virtual DWORD GetVerNum() const = 0;

protected:
    virtual HRESULT DrawShape(IDirect3DDevice8* device) = 0;
};

class KESTU_API CBBRect : public CBB3d {
public:
    HRESULT Build(const SBBInit* init) override;
    void ApplyAnimationFrame(CBBAFrame* frame) override;
    void ApplyPicture(DWORD texID, const FSIZE* size, const FPOINT* hotSpot = nullptr,
                      const FRECT* texRect = nullptr) override;
    DWORD GetVerNum() const override { return 4; }
    virtual void UpdateVertexColor(DWORD color);

protected:
    HRESULT DrawShape(IDirect3DDevice8* device) override;
    // The four corners in strip order with their texture corners.
    void SetCorners(float left, float top, float right, float bottom, const FRECT& tex);
};

class KESTU_API CBBStatic : public CBBRect {
public:
    CBBStatic();
    ENUM_KESTU_BB_TYPE GetBBType() const override { return KESTU_BB_STATIC; }
    int DecideIsVisible() override;
    HRESULT Build(const SBBInit* init) override;
    D3DXMATRIX* GetMatWorld() override { return &m_matWorld; }
    virtual void ApplyDirection();
    void SetDirection(const D3DXVECTOR3* dir, const D3DXVECTOR3* up);
    const D3DXVECTOR3* GetDirection() const { return &m_vDirection; }
    const D3DXVECTOR3* GetUp() const { return &m_vUp; }

private:
    alignas(16) D3DXMATRIX m_matWorld;
    D3DXVECTOR3 m_vDirection{0.0f, 0.0f, -1.0f};
    D3DXVECTOR3 m_vUp{0.0f, 1.0f, 0.0f};
    float m_fPlaneD = 0.0f;
};

class KESTU_API CBBFaceMe : public CBBRect {
public:
    ENUM_KESTU_BB_TYPE GetBBType() const override { return KESTU_BB_FACEME; }
    D3DXMATRIX* GetMatWorld() override { return &m_matWorldFaceMe; }
    // Rotation X(pitch) * rotation Y(yaw) of the eye.
    static void UpdateWorldMatrix(CEye* eye);
    alignas(16) static D3DXMATRIX m_matWorldFaceMe;
};

class KESTU_API CBBVertical : public CBBRect {
public:
    ENUM_KESTU_BB_TYPE GetBBType() const override { return KESTU_BB_VERTICAL; }
    D3DXMATRIX* GetMatWorld() override { return &m_matWorldBBVertical; }
    // Rotation Y(yaw) of the eye.
    static void UpdateWorldMatrix(CEye* eye);
    alignas(16) static D3DXMATRIX m_matWorldBBVertical;
};

// A vertical billboard whose picture follows the angle between camera and
// billboard: its animations are multi-directional ones over the
// single-direction animations of its buffer.
class KESTU_API CBBMultiDir : public CBBVertical {
public:
    ~CBBMultiDir() override;
    HRESULT Build(const SBBInit* init) override;
    void Release() override;
    void FrameMove(float now) override;

    void SetDirection(float angle) { m_fDirection = angle; }
    float GetDirection() const { return m_fDirection; }
    CAnimation* GetSDAni(DWORD index) const;
    DWORD GetSDAniNumber() const { return m_dwSDAniNumber; }

private:
    float m_fDirection = 0.0f;
    CAnimation** m_ppSDAnimations = nullptr;
    DWORD m_dwSDAniNumber = 0;
};

class KESTU_API CBBFan : public CBB3d {
public:
    CBBFan();
    ENUM_KESTU_BB_TYPE GetBBType() const override { return KESTU_BB_FAN; }
    HRESULT Build(const SBBInit* init) override;
    D3DXMATRIX* GetMatWorld() override { return &m_matWorld; }
    DWORD GetVerNum() const override { return m_dwVerNum; }
    virtual void ApplyDirection();

    void SetDirection(const D3DXVECTOR3* dir, const D3DXVECTOR3* up);
    void SetDiffuse(DWORD centre, DWORD rim);
    // One rim coordinate per rim vertex (GetVerNum() - 1 of them).
    // 0x8200010B on a fan that is not built.
    HRESULT SetTexCoor(const D3DXVECTOR2& centre, const D3DXVECTOR2* rim);
    HRESULT ModifyShape(ENUM_BBFAN_FACE_DIR faceDir, float height, float radius, int segments);
    DWORD GetSegmentCount() const { return m_dwSegmentCount; }
    ENUM_BBFAN_FACE_DIR GetFaceDir() const { return m_eFaceDir; }
    float GetHeight() const { return m_fHeight; }
    float GetRadius() const { return m_fRadius; }
    int GetSegments() const { return m_nSegments; }

protected:
    HRESULT DrawShape(IDirect3DDevice8* device) override;

private:
    DWORD m_dwSegmentCount = 0;
    DWORD m_dwVerNum = 0;
    ENUM_BBFAN_FACE_DIR m_eFaceDir = BBFAN_FACE_FRONT;
    D3DXVECTOR3 m_vDirection{0.0f, 0.0f, 1.0f};
    D3DXVECTOR3 m_vUp{0.0f, 1.0f, 0.0f};
    float m_fHeight = 0.0f;
    float m_fRadius = 0.0f;
    int32_t m_nSegments = 2;
    alignas(16) D3DXMATRIX m_matWorld;
};
