// The walker over a billboard animation buffer: every count and record size
// is checked against the bytes that are really there before a frame is read.
#include "kestu_bbanimation.h"

#include <new>

#include "kestu_bytes.h"

namespace {

struct AnimationSpan {
    const BYTE* records;
    DWORD frames;
};

// Reads the group head; 0 when it is not a valid head.
DWORD ReadHead(kestu::ByteReader& r)
{
    BBANIMATION_GROUPHEADER head;
    head.wVersion = r.U16();
    head.wReserved = r.U16();
    head.dwAnimationNumber = r.U32();
    r.Skip(sizeof head.reserved);
    if (!r.ok() || !head.IsValid()) return 0;
    // Each animation takes at least its head.
    if (!r.Has(head.dwAnimationNumber, KESTU_BBANI_HEADER_SIZE)) return 0;
    return head.dwAnimationNumber;
}

// The next animation: its frame records and count. False when its head, its
// records or its record size do not fit. An animation without frames holds
// no records, whatever its record size.
bool NextAnimation(kestu::ByteReader& r, AnimationSpan& out)
{
    const DWORD frames = r.U32();
    const DWORD recordSize = r.U32();
    if (!r.ok() || (frames != 0 && recordSize < KESTU_BBANI_FRAME_SIZE)) return false;
    if (!r.Has(frames, recordSize)) return false;
    out.records = r.here();
    out.frames = frames;
    return r.Skip(size_t(frames) * recordSize);
}

} // namespace

DWORD BuildBBAnimationGroup(CAnimation**& out, const void* buffer, DWORD length, DWORD first, DWORD count)
{
    out = nullptr;
    if (buffer == nullptr || count == 0) return 0;
    kestu::ByteReader r(buffer, length);
    const DWORD total = ReadHead(r);
    if (total == 0 || first >= total || uint64_t(first) + count > total) return 0;

    CAnimation** group = new (std::nothrow) CAnimation*[count]();
    if (group == nullptr) return 0;
    bool ok = true;
    for (DWORD i = 0; ok && i < first + count; ++i) {
        AnimationSpan span{};
        ok = NextAnimation(r, span);
        if (!ok || i < first) continue;
        CBBAni* ani = new (std::nothrow) CBBAni;
        group[i - first] = ani;
        ok = ani != nullptr && ani->Build(span.records, span.frames) != 0;
    }
    if (!ok) {
        DeleteBBAnimationGroup(group, count);
        return 0;
    }
    out = group;
    return count;
}

DWORD BuildBBAnimationGroup(CAnimation**& out, const void* buffer, DWORD length)
{
    out = nullptr;
    kestu::ByteReader r(buffer, length);
    const DWORD total = buffer != nullptr ? ReadHead(r) : 0;
    return total != 0 ? BuildBBAnimationGroup(out, buffer, length, 0, total) : 0;
}

void DeleteBBAnimationGroup(CAnimation**& group, DWORD count)
{
    if (group == nullptr) return;
    for (DWORD i = 0; i < count; ++i) delete group[i];
    delete[] group;
    group = nullptr;
}
