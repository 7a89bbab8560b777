// The binary record of an action: the header, the base part and the fields
// of the action's list in record order.
#include <cstring>
#include <memory>
#include <sstream>
#include <vector>

#include "kestu_bytes.h"
#include "kestu_ppsaction.h"
#include "effects/particles/actions/ActionFieldList.h"
#include "effects/particles/file/FileFields.h"

int ActionRecordFormSlot()
{
    static const int slot = std::ios_base::xalloc();
    return slot;
}

namespace {
// Hands word() the 13 words of the 52-byte header that opens every record.
template <class Header, class Word>
void HeaderWords(Header& h, Word word)
{
    word(h.dwActionID);
    word(h.scope.nscope);
    word(h.scope.dwParam1);
    word(h.scope.dwParam2);
    word(h.scope.dwParam3);
    word(h.validity.nValidity);
    word(h.validity.nParam1);
    word(h.validity.nParam2);
    word(h.validity.nParam3);
    word(h.fDeltaTime);
    word(h.dwCRCNum);
    word(h.dwSize);
    word(h.dwFPFFlags);
}

// The base part, after the header.
constexpr RecordField kBaseFields[] = {
    Stored<&SPPS_ACTION_BASE::m_strName>(nullptr, 0, LineRead::Value, kActionNameMax),
    Stored<&SPPS_ACTION_BASE::fStartTime>(nullptr, 1),
    Stored<&SPPS_ACTION_BASE::fLifeTime>(nullptr, 2),
    Stored<&SPPS_ACTION_BASE::fRepeatTime>(nullptr, 3),
    Stored<&SPPS_ACTION_BASE::fExecuteTime>(nullptr, 4),
};
} // namespace

bool ReadActionHeader(std::istream& in, SPPS_ACTION_DATA& header)
{
    uint8_t bytes[52];
    if (!ppsfile::ReadBytes(in, bytes, sizeof bytes)) return false;
    const uint8_t* next = bytes;
    HeaderWords(header, [&](auto& word) {
        static_assert(sizeof word == 4);
        const uint32_t bits = kestu::GetU32(next);
        std::memcpy(&word, &bits, 4);
        next += 4;
    });
    return true;
}

HRESULT SerializeFields(SPPS_ACTION_BASE& action, std::iostream& stream, int bWrite, RecordFieldList fields)
{
    const bool full = stream.iword(ActionRecordFormSlot()) != kShortActionRecords;
    if (bWrite) {
        std::vector<uint8_t> bytes;
        kestu::ByteWriter w(bytes);
        HeaderWords(action, [&](const auto& word) {
            uint32_t bits;
            std::memcpy(&bits, &word, 4);
            w.U32(bits);
        });
        PutRecord(w, &action, kBaseFields);
        PutRecord(w, &action, fields, full);
        ppsfile::WriteBytes(stream, bytes.data(), bytes.size());
        return ppsfile::StreamResult(stream);
    }
    RecordValues base(kBaseFields);
    RecordValues own(fields, full);
    if (!base.Read(stream) || !own.Read(stream)) return E_FAIL;
    base.Store(&action);
    own.Store(&action);
    return 0;
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
