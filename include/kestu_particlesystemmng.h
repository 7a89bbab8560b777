// The particle engine as the client sees it: the particle systems of one
// effect set, their render-method manager, the texture manager the billboard
// methods draw with and the path of its texture library.
#pragma once
#include "kestu_export.h"
#include <cstdint>
#include <iosfwd>
#include <list>
#include <string>

#include <d3dx8math.h>

#include "kestu_particlesystem.h"
#include "kestu_ppsmethod.h"

class CTextureMng;

class KESTU_API CParticleSystemMng {
public:
    using SystemList = std::list<CParticleSystem*>;
    using iterator = SystemList::iterator;

    CParticleSystemMng();
    CParticleSystemMng(const CParticleSystemMng&) = delete;
    CParticleSystemMng& operator=(const CParticleSystemMng&) = delete;
    // Clears what is still held (systems first, then the methods).
    virtual ~CParticleSystemMng();

    // Runs every system; a finished one is released instead (it stays in the
    // list, empty).
    void Logic(float dt);
    // Runs every system, finished or not, and releases none.
    void VirutalLogic(float dt);
    // E_FAIL at the first system that fails, else 0.
    HRESULT Render(IDirect3DDevice8* device, int bScene);
    HRESULT Build(IDirect3DDevice8* device);

    // What one particle file or script may ask for as a whole. Every action
    // runs over every group of its system each step, and the render methods
    // size their buffers by each group's maximum, so these bound the memory
    // and the time of each step of whatever the readers load. An input that
    // asks for more than any of them is refused whole: the read returns
    // E_FAIL, logs which bound it passed and leaves the manager cleared. A
    // group's stored maximum is kept as stored, never cut: one group may ask
    // for all of kMaxReadParticles. Systems and groups a client makes or
    // changes itself are not bounded.
    static constexpr DWORD kMaxReadSystems = 4096;
    static constexpr DWORD kMaxReadGroups = 8192;
    // The sum of the maximum particle numbers of all groups.
    static constexpr DWORD kMaxReadParticles = 1u << 18;
    // The sum over systems of the number of actions times (groups + the sum
    // of the groups' maximums): the groups and particles the actions of one
    // step may visit.
    static constexpr uint64_t kMaxReadActionVisits = uint64_t{1} << 20;

    // The whole manager as the particle binary file on the client's stream.
    // Reading clears the manager first; on a file the format cannot hold or
    // one beyond the bounds above it returns E_FAIL and leaves the manager
    // cleared and ready for another read.
    HRESULT Serialize(std::iostream& stream, int bWrite);
    // The whole manager as the particle script. Reading clears the manager
    // first; what it cannot read it passes over. A script beyond the bounds
    // above returns E_FAIL and leaves the manager cleared.
    HRESULT CreateFromScript(CDataChunk& chunk);
    HRESULT WriteToScript(std::ostream& out);

    void SetRootMat(D3DXMATRIX mat);
    D3DXMATRIX* GetRootMat() { return &m_matRoot; }
    void SetSourcePos(const D3DXMATRIX* m);
    void ReStart();

    // A new system with this manager's method manager, numbered and named
    // by the running system counter, appended.
    CParticleSystem* NewSystem();
    CParticleSystem* GetSystemByName(const char* name) const;
    // As GetSystemByName; a system found becomes the current one.
    CParticleSystem* GetCurSystemByName(const char* name);
    CParticleSystem* GetCurSystem() const { return m_pCurSystem; }
    CParticleSystem* GetSystem(int id) const;
    // The system is released and deleted: 1, or 0 when there is none.
    int RemoveSystem(DWORD id);
    int RemoveSystem(iterator& it);
    // Every system released and deleted, then every method.
    void Clear();
    // 0 without methods or with a system that names no method, else 1.
    int IsValid() const;
    // The particles of each system's first group, summed.
    DWORD GetTotalParticleNum() const;

    DWORD GetSystemCount() const { return static_cast<DWORD>(m_Systems.size()); }
    DWORD GetStoredSystemCount() const { return m_dwSystemCount; }
    void SetStoredSystemCount(DWORD count) { m_dwSystemCount = count; }
    CParticleSystem* FirstSystem() const { return m_Systems.empty() ? nullptr : m_Systems.front(); }
    CParticleSystem* LastSystem() const { return m_Systems.empty() ? nullptr : m_Systems.back(); }
    iterator FirstSystemPosition() { return m_Systems.begin(); }
    iterator EndSystemPosition() { return m_Systems.end(); }
    // The system at it (null at the end), then it moves on.
    CParticleSystem* NextSystem(iterator& it) { return it == m_Systems.end() ? nullptr : *it++; }

    // Stored and handed to the method manager for its billboard methods.
    void SetTextureMng(CTextureMng* textureMng);
    CTextureMng* GetTextureMng() const { return m_pTextureMng; }
    // Stores the path; a texture manager whose library is open reloads it
    // from there.
    void SetTextureIDXPath(const char* path);
    const char* GetTextureIDXPath() const { return m_strTextureIDXPath.c_str(); }
    CParticleMethodMng* GetParticleMethodMng() const { return m_pMethodMng; }
    // Deletes the method manager. The systems let go of its methods first, so
    // that none points at a deleted one.
    void ReleaseMethod();

    const char* GetHeader() const { return m_szHeader; }
    DWORD GetMajorVer() const { return m_dwMajorVer; }
    DWORD GetMinorVer() const { return m_dwMinorVer; }

private:
    // Its stored fields, declared once for the record and the script.
    template <class>
    friend struct ParticleFieldList;

    SystemList m_Systems;
    DWORD m_dwSystemCount = 0;
    DWORD m_dwMajorVer = 0x1234;
    DWORD m_dwMinorVer = 0x5678;
    char m_szHeader[12] = {'P', 'P', 'S', '_', 'D', 'A', 'T', '_', 'M', 'N', 'G', 0};
    std::string m_strTextureIDXPath;
    CParticleSystem* m_pCurSystem = nullptr;
    alignas(16) D3DXMATRIX m_matRoot;
    CTextureMng* m_pTextureMng = nullptr;
    CParticleMethodMng* m_pMethodMng;
};
