// A particle system: one effect made of particle groups, the actions that
// act on every group, one render method bound by name and a timing window.
#pragma once
#include "kestu_export.h"
#include <cstdint>
#include <iosfwd>
#include <list>
#include <string>

#include <d3dx8math.h>

#include "kestu_particlegroup.h"
#include "kestu_ppsaction.h"

class CDataChunk;
class CEye;
class CParticleMethodMng;
class CPPS_METHOD_BASE;

class KESTU_API CParticleSystem {
public:
    using GroupList = std::list<CParticleGroup*>;
    using ActionList = std::list<SPPS_ACTION_BASE*>;
    using group_iterator = GroupList::iterator;
    using action_iterator = ActionList::iterator;

    CParticleSystem();
    CParticleSystem(const CParticleSystem&) = delete;
    CParticleSystem& operator=(const CParticleSystem&) = delete;
    // Releases what the system still owns.
    virtual ~CParticleSystem();

    // The timing gate, then each action over each group, then each group's
    // update with the system's root matrix.
    void Logic(float dt);
    // Draws every group that holds particles, inside BeginScene/EndScene when
    // bScene is set; 0.
    HRESULT Render(IDirect3DDevice8* device, int bScene);
    // Builds every group; a system without groups first makes a default
    // group of 3 particles. 0.
    HRESULT Build(IDirect3DDevice8* device);

    // The system's record of the particle binary file: its groups and its
    // actions. Reading releases what the system held first and binds the
    // method manager's method of the stored name; a record the format cannot
    // hold (a name too long, an unknown action id, a stream cut short) fails
    // with E_FAIL and leaves the system released.
    virtual HRESULT Serialize(std::iostream& stream, int bWrite);
    // The body of a system block up to its "}": times, method name, group
    // and action blocks. A broken block inside is passed over whole.
    virtual HRESULT CreateFromScript(CDataChunk& chunk);
    // The system block, from its "ParticleSystem" line to its "}". A system
    // without a name is written under its ID in decimal, as NewSystem names
    // a system, which a reader keeps as its name: a block without one is
    // passed over.
    virtual HRESULT WriteToScript(std::ostream& out);

    void SetRootMat(D3DXMATRIX mat) { m_matRoot = mat; }
    D3DXMATRIX* GetRootMat() { return &m_matRoot; }
    void SetEye(CEye* eye) { m_pEye = eye; }
    CEye* GetEye() const { return m_pEye; }
    // Moves every SOURCE action's position domain to the origin of m.
    void SetSourcePos(const D3DXMATRIX* m);
    // Restarts the clocks of every action (not the system's own).
    void ReStart();

    // Stores the method and sets it on every group.
    void SetMethod(CPPS_METHOD_BASE* method);
    CPPS_METHOD_BASE* GetMethod() const { return m_pMethod; }
    // Stores the name and binds the method manager's method of that name
    // (none when no method has it).
    void SetMethodName(const char* name);
    const char* GetMethodName() const { return m_strMethodName.c_str(); }
    const char* GetName() const { return m_strName.c_str(); }
    void SetName(const char* name) { m_strName = name ? name : ""; }
    DWORD GetID() const { return m_dwID; }
    void SetID(DWORD id) { m_dwID = id; }
    void SetParticleMethodMng(CParticleMethodMng* mng) { m_pMethodMng = mng; }
    CParticleMethodMng* GetParticleMethodMng() const { return m_pMethodMng; }
    int IsPlayFinished() const { return m_bFinished; }

    // Groups.
    // A new group named after the running group counter, without a method; 0.
    int NewGroup();
    // Appends a copy of the group.
    void AddGroup(const CParticleGroup& group);
    DWORD GetGroupCount() const { return static_cast<DWORD>(m_Groups.size()); }
    DWORD GetStoredGroupCount() const { return m_dwGroupCount; }
    void SetStoredGroupCount(DWORD count) { m_dwGroupCount = count; }
    CParticleGroup* GetGroupByName(const char* name) const;
    // The first group of the id is released and deleted: 1, or 0 when none.
    int RemoveGroup(DWORD id);
    // The group at it is released and deleted: 1, or 0 at the end.
    int RemoveGroup(group_iterator& it);
    CParticleGroup* FirstGroup() const { return m_Groups.empty() ? nullptr : m_Groups.front(); }
    CParticleGroup* FirstGroup(group_iterator& it)
    {
        it = m_Groups.begin();
        return FirstGroup();
    }
    CParticleGroup* LastGroup() const { return m_Groups.empty() ? nullptr : m_Groups.back(); }
    CParticleGroup* LastGroup(group_iterator& it)
    {
        it = m_Groups.end();
        return LastGroup();
    }
    // The group at it (null at the end), then it moves on.
    CParticleGroup* NextGroup(group_iterator& it) { return it == m_Groups.end() ? nullptr : *it++; }
    group_iterator FirstGroupPosition() { return m_Groups.begin(); }
    group_iterator EndGroupPosition() { return m_Groups.end(); }

    // Actions; the system owns what it holds, and the Remove calls hand an
    // action back to the caller without deleting it.
    int AddAction(SPPS_ACTION_BASE* action);
    int RemoveAction(action_iterator& it);
    int RemoveAction(SPPS_ACTION_BASE* action);
    int RemoveActionAll();
    SPPS_ACTION_BASE* GetActionByName(const char* name) const;
    DWORD GetActionCount() const { return static_cast<DWORD>(m_Actions.size()); }
    SPPS_ACTION_BASE* FirstAction() const { return m_Actions.empty() ? nullptr : m_Actions.front(); }
    SPPS_ACTION_BASE* FirstAction(action_iterator& it)
    {
        it = m_Actions.begin();
        return FirstAction();
    }
    SPPS_ACTION_BASE* LastAction(action_iterator& it)
    {
        it = m_Actions.end();
        return m_Actions.empty() ? nullptr : m_Actions.back();
    }
    SPPS_ACTION_BASE* NextAction(action_iterator& it) { return it == m_Actions.end() ? nullptr : *it++; }
    action_iterator FirstActionPosition() { return m_Actions.begin(); }
    action_iterator LastActionPosition() { return m_Actions.end(); }

    // The method's record of every group freed; 1.
    int ReleaseAllGroupInMethod();
    // Every group released and deleted, every action deleted.
    void Release();
    // Both lists emptied without deleting what they held: the caller has
    // taken it over.
    void Clear();

    // The stored header and times.
    const char* GetHeader() const { return m_szHeader; }
    DWORD GetMajorVer() const { return m_dwMajorVer; }
    DWORD GetMinorVer() const { return m_dwMinorVer; }
    float fStartTime = 0.0f;
    float fLifeTime = 0.0f;
    float fRepeatTime = 0.0f;
    float fExecuteTime = 0.0f;
    float GetElapsedTime() const { return m_fElapsedTime; }
    float GetCycleTime() const { return m_fCycleTime; }

private:
    // Its stored fields, declared once for the record and the script.
    template <class>
    friend struct ParticleFieldList;

    // A new group numbered and named by the running group counter.
    static CParticleGroup* MakeGroup();

    DWORD m_dwID = 0;
    std::string m_strName;
    std::string m_strMethodName;
    CEye* m_pEye = nullptr;
    CPPS_METHOD_BASE* m_pMethod = nullptr;
    alignas(16) D3DXMATRIX m_matRoot;
    char m_szHeader[8] = {'P', 'P', 'S', '_', 'D', 'A', 'T', 0};
    DWORD m_dwMajorVer = 0x1234;
    DWORD m_dwMinorVer = 0x5678;
    DWORD m_dwGroupCount = 0;
    ActionList m_Actions;
    GroupList m_Groups;
    CParticleMethodMng* m_pMethodMng = nullptr;
    int32_t m_bFinished = 0;
    float m_fElapsedTime = 0.0f;
    float m_fCycleTime = 0.0f;
};

// Takes the next number of the running system counter (from 0, never reused).
KESTU_API DWORD PPSTakeSystemID();
