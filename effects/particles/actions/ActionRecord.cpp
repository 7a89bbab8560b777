// The binary record of an action: the header, the base part and the fields
// of the action's list in record order.
#include <algorithm>
#include <memory>
#include <sstream>
#include <vector>

#include "kestu_bytes.h"
#include "kestu_ppsaction.h"
#include "effects/particles/actions/ActionFieldList.h"

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

namespace {
// One pass over a record's fields: measures, reads or writes them.
class RecordFields {
public:
    explicit RecordFields(bool full) : m_bFull(full) {}
    RecordFields(kestu::ByteReader& reader, bool full) : m_pReader(&reader), m_bFull(full) {}
    RecordFields(kestu::ByteWriter& writer, bool full) : m_pWriter(&writer), m_bFull(full) {}

    // False for a record of the first form: the fields it lacks are left as
    // they are.
    bool Full() const { return m_bFull; }

    void F32(float& f)
    {
        if (m_pReader)
            f = m_pReader->F32();
        else if (m_pWriter)
            m_pWriter->F32(f);
        m_nBytes += 4;
    }
    void U32(DWORD& d)
    {
        if (m_pReader)
            d = m_pReader->U32();
        else if (m_pWriter)
            m_pWriter->U32(d);
        m_nBytes += 4;
    }
    void I32(int32_t& i)
    {
        if (m_pReader)
            i = m_pReader->I32();
        else if (m_pWriter)
            m_pWriter->I32(i);
        m_nBytes += 4;
    }
    void Vec3(D3DXVECTOR3& v)
    {
        F32(v.x);
        F32(v.y);
        F32(v.z);
    }
    void Domain(SPPS_DOMAIN& d)
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
    size_t Measured() const { return m_nBytes; }

private:
    kestu::ByteReader* m_pReader = nullptr;
    kestu::ByteWriter* m_pWriter = nullptr;
    size_t m_nBytes = 0;
    bool m_bFull = true;
};

void Visit(SPPS_ACTION_BASE& action, const ActionField& field, bool extra, RecordFields& f)
{
    void* member = field.member(action);
    switch (field.type) {
    case FieldType::F32: f.F32(*static_cast<float*>(member)); return;
    case FieldType::U32: f.U32(*static_cast<DWORD*>(member)); return;
    case FieldType::I32: f.I32(*static_cast<int32_t*>(member)); return;
    case FieldType::Domain: f.Domain(*static_cast<SPPS_DOMAIN*>(member)); return;
    case FieldType::Vec3: {
        D3DXVECTOR3& v = *static_cast<D3DXVECTOR3*>(member);
        const bool split = field.place.shared >= 0 && field.place.extra >= 0;
        if (!split || !extra) f.F32(v.x);
        if (!split || extra) {
            f.F32(v.y);
            f.F32(v.z);
        }
        return;
    }
    }
}

// The fields of one part of the record (shared or extra), slot by slot.
void VisitPart(SPPS_ACTION_BASE& action, ActionFieldList fields, bool extra, RecordFields& f)
{
    for (int8_t slot = 0;; ++slot) {
        const auto inSlot = [&](const ActionField& field) {
            return (extra ? field.place.extra : field.place.shared) == slot;
        };
        const auto field = std::find_if(fields.begin(), fields.end(), inSlot);
        if (field == fields.end()) return;
        Visit(action, *field, extra, f);
    }
}

void VisitOwnFields(SPPS_ACTION_BASE& action, ActionFieldList fields, RecordFields& f)
{
    VisitPart(action, fields, false, f);
    if (f.Full()) VisitPart(action, fields, true, f);
}

void BaseTimes(SPPS_ACTION_BASE& a, RecordFields& f)
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

HRESULT SerializeFields(SPPS_ACTION_BASE& action, std::iostream& stream, int bWrite, ActionFieldList fields)
{
    const bool full = stream.iword(ActionRecordFormSlot()) != kShortActionRecords;
    if (bWrite) {
        std::vector<uint8_t> bytes;
        kestu::ByteWriter w(bytes);
        RecordFields f(w, full);
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
        VisitOwnFields(action, fields, f);
        stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return stream ? 0 : E_FAIL;
    }

    uint8_t lengthBytes[4];
    if (!stream.read(reinterpret_cast<char*>(lengthBytes), 4)) return Refuse(stream);
    const uint32_t n = kestu::GetU32(lengthBytes);
    if (n > kActionNameMax) return Refuse(stream);
    RecordFields measure(full);
    VisitOwnFields(action, fields, measure);
    std::vector<uint8_t> bytes(n + 16 + measure.Measured());
    if (!stream.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        return Refuse(stream);
    kestu::ByteReader r(bytes.data(), bytes.size());
    char name[kActionNameMax + 1] = {};
    r.Bytes(name, n);
    action.m_strName = name;
    RecordFields f(r, full);
    BaseTimes(action, f);
    VisitOwnFields(action, fields, f);
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
