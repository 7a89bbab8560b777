#include "2DCore/sprites/XbmIo.h"

#include <windows.h>

#include "kestu_safefile.h"

#include "kestu_bytes.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace kestu::xbm {

size_t RunRowLength(const uint8_t* row, uint32_t rowBytes)
{
    const uint8_t* p = row;
    uint32_t pos = 0;
    for (;;) {
        pos += kestu::GetU16(p);
        p += 2;
        if (pos >= rowBytes) break;
        const uint32_t count = kestu::GetU16(p);
        p += 2 + count;
        pos += count;
        if (pos >= rowBytes) break;
    }
    return size_t(p - row);
}

namespace {

// Length of the row at `row` (n bytes available), or 0 when it is malformed.
size_t CheckRow(const uint8_t* row, size_t n, uint32_t rowBytes, uint32_t unit)
{
    kestu::ByteReader r(row, n);
    uint32_t pos = 0;
    for (;;) {
        const uint32_t skip = r.U16();
        if (!r.ok() || skip % unit != 0) return 0;
        pos += skip;
        if (pos > rowBytes) return 0;
        if (pos == rowBytes) return r.pos();
        const uint32_t count = r.U16();
        // A zero count would let a row spin without progress.
        if (!r.ok() || count == 0 || count % unit != 0) return 0;
        pos += count;
        if (pos > rowBytes || !r.Skip(count)) return 0;
        if (pos == rowBytes) return r.pos();
    }
}

} // namespace

bool CheckRunBlock(const uint8_t* block, size_t size, uint32_t rows, uint32_t rowBytes, uint32_t unit, size_t* extent)
{
    const uint64_t table = uint64_t(rows) * 4;
    if (table > size) return false;
    size_t end = size_t(table);
    std::vector<std::pair<uint32_t, size_t>> spans(rows);
    for (uint32_t r = 0; r < rows; ++r) {
        const uint32_t offset = kestu::GetU32(block + size_t(r) * 4);
        if (offset < table || offset >= size) return false;
        const size_t len = CheckRow(block + offset, size - offset, rowBytes, unit);
        if (len == 0) return false;
        if (offset + len > end) end = offset + len;
        spans[r] = {offset, len};
    }
    // Rows may share their bytes whole, but a row that starts inside another
    // would read that row's pixels as runs: rewriting either (a colour
    // conversion) would break the other.
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i)
        if (spans[i].first != spans[i - 1].first && spans[i - 1].first + spans[i - 1].second > spans[i].first)
            return false;
    // The stored run size is measured from the first row to the end of the last.
    if (rows > 0 && kestu::GetU32(block + size_t(rows - 1) * 4) < kestu::GetU32(block)) return false;
    *extent = end;
    return true;
}

std::vector<uint32_t> DistinctRowOffsets(const uint8_t* table, uint32_t rows)
{
    std::vector<uint32_t> offsets(rows);
    for (uint32_t r = 0; r < rows; ++r) offsets[r] = kestu::GetU32(table + size_t(r) * 4);
    std::sort(offsets.begin(), offsets.end());
    offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
    return offsets;
}

bool SaveParts(const char* path, std::initializer_list<Part> parts)
{
    SafeFile file(path);
    for (const Part& part : parts) file.Write(part.data, part.size);
    return file.Commit();
}

} // namespace kestu::xbm
