// The binary record of an action: the header, the base part and the fields
// of the action's list in record order.
#include <algorithm>
#include <cstring>
#include <memory>
#include <sstream>
#include <vector>

#include "kestu_bytes.h"
#include "kestu_ppsaction.h"
#include "effects/particles/actions/ActionFieldList.h"
#include "effects/particles/domains/DomainFieldList.h"

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

    // Every field is a little-endian 32-bit word.
    template <class T>
    void Word(T& value)
    {
        static_assert(sizeof(T) == 4);
        if (m_pReader) {
            const uint32_t bits = m_pReader->U32();
            std::memcpy(&value, &bits, 4);
        } else if (m_pWriter) {
            uint32_t bits;
            std::memcpy(&bits, &value, 4);
            m_pWriter->U32(bits);
        }
        m_nBytes += 4;
    }
    void Vec3(D3DXVECTOR3& v)
    {
        Word(v.x);
        Word(v.y);
        Word(v.z);
    }
    void Domain(SPPS_DOMAIN& d)
    {
        int32_t type = d.DomainType;
        Word(type);
        d.DomainType = static_cast<EPPS_DOMAIN_TYPE>(type);
        for (const DomainField& field : kDomainFields) {
            if (field.vector)
                Vec3(d.*field.vector);
            else
                Word(d.*field.real);
        }
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
    case FieldType::F32: f.Word(*static_cast<float*>(member)); return;
    case FieldType::U32: f.Word(*static_cast<DWORD*>(member)); return;
    case FieldType::I32: f.Word(*static_cast<int32_t*>(member)); return;
    case FieldType::Domain: f.Domain(*static_cast<SPPS_DOMAIN*>(member)); return;
    case FieldType::Vec3: {
        D3DXVECTOR3& v = *static_cast<D3DXVECTOR3*>(member);
        const bool split = field.place.shared >= 0 && field.place.extra >= 0;
        if (!split || !extra) f.Word(v.x);
        if (!split || extra) {
            f.Word(v.y);
            f.Word(v.z);
        }
        return;
    }
    default: return; // no action holds the others
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

// The 52-byte header that opens every record.
void HeaderWords(SPPS_ACTION_DATA& h, RecordFields& f)
{
    f.Word(h.dwActionID);
    f.Word(h.scope.nscope);
    f.Word(h.scope.dwParam1);
    f.Word(h.scope.dwParam2);
    f.Word(h.scope.dwParam3);
    f.Word(h.validity.nValidity);
    f.Word(h.validity.nParam1);
    f.Word(h.validity.nParam2);
    f.Word(h.validity.nParam3);
    f.Word(h.fDeltaTime);
    f.Word(h.dwCRCNum);
    f.Word(h.dwSize);
    f.Word(h.dwFPFFlags);
}

void BaseTimes(SPPS_ACTION_BASE& a, RecordFields& f)
{
    f.Word(a.fStartTime);
    f.Word(a.fLifeTime);
    f.Word(a.fRepeatTime);
    f.Word(a.fExecuteTime);
}

HRESULT Refuse(std::iostream& stream)
{
    stream.setstate(std::ios::failbit);
    return E_FAIL;
}
} // namespace

bool ReadActionHeader(std::istream& in, SPPS_ACTION_DATA& header)
{
    uint8_t bytes[52];
    if (!in.read(reinterpret_cast<char*>(bytes), sizeof bytes)) {
        in.setstate(std::ios::failbit);
        return false;
    }
    kestu::ByteReader r(bytes, sizeof bytes);
    RecordFields f(r, true);
    HeaderWords(header, f);
    return true;
}

HRESULT SerializeFields(SPPS_ACTION_BASE& action, std::iostream& stream, int bWrite, ActionFieldList fields)
{
    const bool full = stream.iword(ActionRecordFormSlot()) != kShortActionRecords;
    if (bWrite) {
        std::vector<uint8_t> bytes;
        kestu::ByteWriter w(bytes);
        RecordFields f(w, full);
        HeaderWords(action, f);
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
std::string LongTail(SPPS_ACTION_BASE& action) { return Record(action, true).substr(Record(action, false).size()); }
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
