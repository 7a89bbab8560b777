// The particle action framework: the base every particle action derives from,
// its stored header, the gate that decides on each call whether the action
// runs, and the creation of an action from its id.
#pragma once
#include "kestu_export.h"
#include <cstdint>
#include <iosfwd>
#include <string>

#include <windows.h>

class CDataChunk;
class CParticleGroup;

struct SPPS_SCOPE {
    int32_t nscope;
    DWORD dwParam1;
    DWORD dwParam2;
    DWORD dwParam3;
};

// nValidity selects the gate's mode: 1 run once, 2 run every call, 4 run on a
// coin toss; any other value never runs.
struct SPPS_VALIDITY {
    int32_t nValidity;
    DWORD nParam1;
    DWORD nParam2;
    DWORD nParam3;
};

enum EPPS_ACTION_ID : DWORD {
    PPS_ACTION_AVOID = 256,
    PPS_ACTION_BOUNCE = 257,
    PPS_ACTION_DAMP = 258,
    PPS_ACTION_EXPLODE = 259,
    PPS_ACTION_FOLLOW = 260,
    PPS_ACTION_GRAVITY = 261,
    PPS_ACTION_GRAVITATE = 262,
    PPS_ACTION_JET = 263,
    PPS_ACTION_KILL = 264,
    PPS_ACTION_MATCH = 265,
    PPS_ACTION_MOVE = 266,
    PPS_ACTION_SINK = 267,
    PPS_ACTION_VORTEX = 268,
    PPS_ACTION_DIFFUSE = 269,
    PPS_ACTION_ORBIT = 270,
    PPS_ACTION_SOURCE = 271,
    PPS_ACTION_COLORCTRL = 272,
};

// The 52-byte header that opens every action's binary record.
struct SPPS_ACTION_DATA {
    DWORD dwActionID;
    SPPS_SCOPE scope;
    SPPS_VALIDITY validity;
    float fDeltaTime;
    DWORD dwCRCNum;
    DWORD dwSize;
    DWORD dwFPFFlags;
};

// A new action's header is zero, so its validity mode (0) never runs it: a
// client that builds actions itself sets validity.nValidity (2 runs it on
// every call); the readers take the mode from the file or script.
class KESTU_API SPPS_ACTION_BASE : public SPPS_ACTION_DATA {
public:
    // An empty name; the header and the times are the deriving action's to set.
    SPPS_ACTION_BASE();
    // The header copied; times and clocks 0.
    explicit SPPS_ACTION_BASE(const SPPS_ACTION_DATA* data);
    SPPS_ACTION_BASE(const SPPS_ACTION_BASE& other) = default;
    SPPS_ACTION_BASE& operator=(const SPPS_ACTION_BASE& other) = default;
    // Systems delete their actions through this base.
    virtual ~SPPS_ACTION_BASE() {}

    // The action's effect on the group's particles.
    virtual HRESULT Update(CParticleGroup* group) = 0;
    // The gate: the time window, the repeat cycle and the validity mode
    // decide whether Update runs; 0 when it does not.
    virtual HRESULT Execute(CParticleGroup* group);
    virtual int CheckSum() { return 1; }
    // Writing puts down the whole record from the header on; reading starts
    // after the header (the file reader has taken it). A name of 20 bytes or
    // more, or a record cut short, fails the read with E_FAIL and the stream's
    // failbit, and changes nothing.
    virtual HRESULT Serialize(std::iostream& stream, int bWrite);
    // Reads the body of a "BaseInfo" block, up to its "}".
    virtual HRESULT CreateFromScript(CDataChunk& chunk);
    // Opens the action's block and writes the whole "BaseInfo" block.
    virtual HRESULT WriteToScript(std::ostream& out);
    // Times and clocks to 0.
    virtual void InitAction();

    // Both clocks to 0; a run-once mode that has run stays spent.
    void ReStart() { m_fElapsedTime = m_fCycleTime = 0.0f; }
    const char* GetName() const { return m_strName.c_str(); }
    void SetName(const char* name) { m_strName = name ? name : ""; }
    DWORD GetActionID() const { return dwActionID; }
    float GetElapsedTime() const { return m_fElapsedTime; }
    float GetCycleTime() const { return m_fCycleTime; }

    std::string m_strName;
    float fStartTime = 0.0f;
    float fLifeTime = 0.0f;
    float fRepeatTime = 0.0f;
    float fExecuteTime = 0.0f;

protected:
    // Zeroes the header and stores the id; the times and clocks are 0.
    explicit SPPS_ACTION_BASE(DWORD id, DWORD size = 0);
    float m_fElapsedTime = 0.0f;
    float m_fCycleTime = 0.0f;
};

// A new action of the class the id names, with its script defaults (null for
// an id outside 256 to 272).
KESTU_API SPPS_ACTION_BASE* NewPPSAction(DWORD id);
// A new action of the class the header's id names, built from the header so
// that its Serialize can read the rest of the record (null for an unknown id).
KESTU_API SPPS_ACTION_BASE* NewPPSAction(const SPPS_ACTION_DATA* data);
