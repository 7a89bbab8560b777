#include <algorithm>
#include <cstring>
#include <memory>
#include <sstream>

#include "kestu_ppsaction.h"
#include "effects/particles/actions/ActionIO.h"

SPPS_ACTION_BASE::SPPS_ACTION_BASE() : SPPS_ACTION_DATA{} {}

SPPS_ACTION_BASE::SPPS_ACTION_BASE(const SPPS_ACTION_DATA* data) : SPPS_ACTION_DATA(*data) {}

SPPS_ACTION_BASE::SPPS_ACTION_BASE(DWORD id, DWORD size) : SPPS_ACTION_DATA{}
{
    dwActionID = id;
    dwSize = size;
}

void SPPS_ACTION_BASE::InitAction()
{
    fStartTime = fLifeTime = fRepeatTime = fExecuteTime = 0.0f;
    m_fElapsedTime = m_fCycleTime = 0.0f;
}

HRESULT SPPS_ACTION_BASE::Execute(CParticleGroup* group)
{
    const float dt = fDeltaTime;
    if (fLifeTime > 0.0f) {
        m_fElapsedTime += dt;
        if (!(m_fElapsedTime < fStartTime + fLifeTime)) return 0;
        if (m_fElapsedTime <= fStartTime) return 0;
    }
    if (fRepeatTime > 0.0f && fExecuteTime > 0.0f) {
        m_fCycleTime += dt;
        if (m_fCycleTime > fRepeatTime + fExecuteTime) m_fCycleTime = 0.0f;
        if (!(m_fCycleTime < fExecuteTime)) return 0;
    }
    switch (validity.nValidity) {
    case 1:
        validity.nValidity = 0;
        return Update(group);
    case 2:
        return Update(group);
    case 4:
        return RandUniform() > 0.5f ? Update(group) : 0;
    default:
        return 0;
    }
}

HRESULT SPPS_ACTION_BASE::Serialize(std::iostream& stream, int bWrite)
{
    return SerializeAction(*this, stream, bWrite, [](ActionFields&) {});
}

// ---- binary record ----

bool ReadActionHeader(std::istream& in, SPPS_ACTION_DATA& header)
{
    uint8_t bytes[52];
    if (!in.read(reinterpret_cast<char*>(bytes), sizeof bytes)) {
        in.setstate(std::ios::failbit);
        return false;
    }
    kestu::ByteReader r(bytes, sizeof bytes);
    header.dwActionID = r.U32();
    header.scope = {r.I32(), r.U32(), r.U32(), r.U32()};
    header.validity = {r.I32(), r.U32(), r.U32(), r.U32()};
    header.fDeltaTime = r.F32();
    header.dwCRCNum = r.U32();
    header.dwSize = r.U32();
    header.dwFPFFlags = r.U32();
    return true;
}

int ActionRecordFormSlot()
{
    static const int slot = std::ios_base::xalloc();
    return slot;
}

void ActionFields::F32(float& f)
{
    if (m_pReader)
        f = m_pReader->F32();
    else if (m_pWriter)
        m_pWriter->F32(f);
    m_nBytes += 4;
}

void ActionFields::U32(DWORD& d)
{
    if (m_pReader)
        d = m_pReader->U32();
    else if (m_pWriter)
        m_pWriter->U32(d);
    m_nBytes += 4;
}

void ActionFields::I32(int32_t& i)
{
    if (m_pReader)
        i = m_pReader->I32();
    else if (m_pWriter)
        m_pWriter->I32(i);
    m_nBytes += 4;
}

void ActionFields::Vec3(D3DXVECTOR3& v)
{
    F32(v.x);
    F32(v.y);
    F32(v.z);
}

void ActionFields::Domain(SPPS_DOMAIN& d)
{
    int32_t type = d.DomainType;
    I32(type);
    d.DomainType = static_cast<EPPS_DOMAIN_TYPE>(type);
    Vec3(d.p1);
    Vec3(d.p2);
    Vec3(d.u);
    Vec3(d.v);
    F32(d.fRadius1);
    F32(d.fRadius2);
    F32(d.fRadius1Sqr);
    F32(d.fRadius2Sqr);
}

namespace {
void BaseTimes(SPPS_ACTION_BASE& a, ActionFields& f)
{
    f.F32(a.fStartTime);
    f.F32(a.fLifeTime);
    f.F32(a.fRepeatTime);
    f.F32(a.fExecuteTime);
}

HRESULT Refuse(std::iostream& stream)
{
    stream.setstate(std::ios::failbit);
    return E_FAIL;
}
} // namespace

HRESULT SerializeAction(SPPS_ACTION_BASE& action, std::iostream& stream, int bWrite,
                        const std::function<void(ActionFields&)>& own)
{
    const bool full = stream.iword(ActionRecordFormSlot()) != kShortActionRecords;
    if (bWrite) {
        std::vector<uint8_t> bytes;
        kestu::ByteWriter w(bytes);
        ActionFields f(w, full);
        f.U32(action.dwActionID);
        f.I32(action.scope.nscope);
        f.U32(action.scope.dwParam1);
        f.U32(action.scope.dwParam2);
        f.U32(action.scope.dwParam3);
        f.I32(action.validity.nValidity);
        f.U32(action.validity.nParam1);
        f.U32(action.validity.nParam2);
        f.U32(action.validity.nParam3);
        f.F32(action.fDeltaTime);
        f.U32(action.dwCRCNum);
        f.U32(action.dwSize);
        f.U32(action.dwFPFFlags);
        // A longer name could not be read back.
        const size_t n = std::min(action.m_strName.size(), kActionNameMax);
        w.U32(static_cast<uint32_t>(n));
        w.Bytes(action.m_strName.data(), n);
        BaseTimes(action, f);
        own(f);
        stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return stream ? 0 : E_FAIL;
    }

    uint8_t lengthBytes[4];
    if (!stream.read(reinterpret_cast<char*>(lengthBytes), 4)) return Refuse(stream);
    const uint32_t n = kestu::GetU32(lengthBytes);
    if (n > kActionNameMax) return Refuse(stream);
    ActionFields measure(full);
    own(measure);
    std::vector<uint8_t> bytes(n + 16 + measure.Measured());
    if (!stream.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        return Refuse(stream);
    kestu::ByteReader r(bytes.data(), bytes.size());
    char name[kActionNameMax + 1] = {};
    r.Bytes(name, n);
    action.m_strName = name;
    ActionFields f(r, full);
    BaseTimes(action, f);
    own(f);
    return r.ok() ? 0 : Refuse(stream);
}

namespace {
std::string Record(SPPS_ACTION_BASE& action, bool full)
{
    std::stringstream s;
    s.iword(ActionRecordFormSlot()) = full ? 0 : kShortActionRecords;
    action.Serialize(s, 1);
    return s.str();
}

// What the record of the second form holds beyond that of the first.
std::string LongTail(SPPS_ACTION_BASE& action)
{
    return Record(action, true).substr(Record(action, false).size());
}
} // namespace

bool FitsShortActionRecord(SPPS_ACTION_BASE& action)
{
    const std::string tail = LongTail(action);
    if (tail.empty()) return true;
    // A reader of the first form makes the action from its header alone.
    const SPPS_ACTION_DATA header = action;
    std::unique_ptr<SPPS_ACTION_BASE> fresh(NewPPSAction(&header));
    return fresh && LongTail(*fresh) == tail;
}

// ---- script ----

bool ReadKeyFlag(const std::string& line, const char* key, int32_t& field)
{
    if (!ScriptKeyIs(line, key)) return false;
    const std::vector<std::string> tokens = SplitTokens(line);
    if (tokens.size() >= 2) field = ScriptStringToFlag(tokens[1]);
    return true;
}

bool ReadForceKey(const std::string& line, float& epsilon, float& magnitude, float& maxRadius)
{
    return ReadKeyValue(line, "fEpsilon", epsilon) || ReadKeyValue(line, "fMagnitude", magnitude) ||
           ReadKeyValue(line, "fMaxRadius", maxRadius);
}

void WriteForceLines(std::ostream& out, float epsilon, float magnitude, float maxRadius)
{
    WriteValueLine(out, "\tfEpsilon\t", epsilon);
    WriteValueLine(out, "\tfMagnitude\t", magnitude);
    WriteValueLine(out, "\tfMaxRadius\t", maxRadius);
}

namespace {
// Reads a scope or validity block: the mode key, whose accepted values
// accept() decides, and three parameters. A key line without a value ends
// the block's reading at once.
template <class Accept>
void ReadFourWordBlock(CDataChunk& chunk, const char* modeKey, int32_t& mode, Accept accept, const char* const* paramKeys,
                       DWORD* const* params)
{
    CDataChunk::skipToNextOpenBrace(chunk);
    while (!chunk.isEOF()) {
        const std::string line = chunk.getLine(true);
        if (ScriptKeyIs(line, "}")) return;
        const bool isMode = ScriptKeyIs(line, modeKey);
        int index = -1;
        for (int i = 0; i < 3 && !isMode && index < 0; ++i)
            if (ScriptKeyIs(line, paramKeys[i])) index = i;
        if (!isMode && index < 0) continue;
        const std::vector<std::string> tokens = SplitTokens(line);
        if (tokens.size() < 2) return;
        if (isMode) {
            int32_t value;
            ScriptStringToValue(tokens[1], value);
            if (accept(value)) mode = value;
        } else {
            ScriptStringToValue(tokens[1], *params[index]);
        }
    }
}
} // namespace

HRESULT SPPS_ACTION_BASE::CreateFromScript(CDataChunk& chunk)
{
    static const char* const kScopeKeys[3] = {"dwParam1", "dwParam2", "dwParam3"};
    static const char* const kValidityKeys[3] = {"nParam1", "nParam2", "nParam3"};
    while (!chunk.isEOF()) {
        const std::string line = chunk.getLine(true);
        if (ScriptKeyIs(line, "}")) break;
        if (ScriptKeyIs(line, "scope")) {
            DWORD* params[3] = {&scope.dwParam1, &scope.dwParam2, &scope.dwParam3};
            ReadFourWordBlock(
                chunk, "nscope", scope.nscope, [](int32_t v) { return v == 0 || v == 1 || v == 2 || v == 4; },
                kScopeKeys, params);
            continue;
        }
        if (ScriptKeyIs(line, "validity")) {
            DWORD* params[3] = {&validity.nParam1, &validity.nParam2, &validity.nParam3};
            // The modes keep the numbers they run under, so that a written
            // mode reads back as written.
            ReadFourWordBlock(
                chunk, "nValidity", validity.nValidity, [](int32_t v) { return v >= 0 && v <= 4; }, kValidityKeys,
                params);
            continue;
        }
        ReadKeyValue(line, "fDeltaTime", fDeltaTime) || ReadKeyValue(line, "dwCRCNum", dwCRCNum) ||
            ReadKeyValue(line, "dwSize", dwSize) || ReadKeyValue(line, "dwFPFFlags", dwFPFFlags) ||
            ReadKeyValue(line, "fStartTime", fStartTime) || ReadKeyValue(line, "fLifeTime", fLifeTime) ||
            ReadKeyValue(line, "fRepeatTime", fRepeatTime) || ReadKeyValue(line, "fExecuteTime", fExecuteTime);
    }
    return 0;
}

HRESULT SPPS_ACTION_BASE::WriteToScript(std::ostream& out)
{
    out << "\n\tAction\t" << ScriptText(m_strName) << "\n\t{\n";
    WriteValueLine(out, "\tActionID\t", static_cast<int32_t>(dwActionID));
    out << "\tBaseInfo" << "\n\t{\n";
    out << "\t\tscope" << "\n\t\t{\n";
    WriteValueLine(out, "\t\tnscope\t", scope.nscope);
    WriteValueLine(out, "\t\tdwParam1\t", scope.dwParam1);
    WriteValueLine(out, "\t\tdwParam2\t", scope.dwParam2);
    WriteValueLine(out, "\t\tdwParam3\t", scope.dwParam3);
    out << "\t\t}\n";
    out << "\t\tvalidity" << "\n\t\t{\n";
    WriteValueLine(out, "\t\tnValidity\t", validity.nValidity);
    WriteValueLine(out, "\t\tnParam1\t", validity.nParam1);
    WriteValueLine(out, "\t\tnParam2\t", validity.nParam2);
    WriteValueLine(out, "\t\tnParam3\t", validity.nParam3);
    out << "\t\t}\n";
    WriteValueLine(out, "\tfDeltaTime\t", fDeltaTime);
    WriteValueLine(out, "\tdwCRCNum\t", dwCRCNum);
    WriteValueLine(out, "\tdwSize\t", dwSize);
    WriteValueLine(out, "\tdwFPFFlags\t", dwFPFFlags);
    WriteValueLine(out, "\tfStartTime\t", fStartTime);
    WriteValueLine(out, "\tfLifeTime\t", fLifeTime);
    WriteValueLine(out, "\tfRepeatTime\t", fRepeatTime);
    WriteValueLine(out, "\tfExecuteTime\t", fExecuteTime);
    out << "\n\t}\n";
    return 0;
}
