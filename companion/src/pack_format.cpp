#include "pack_format.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unordered_set>
#include <utility>

#include "index_lib.h"
#include "kestu_bytes.h"
#include "path_util.h"

namespace ou::pack {

HRESULT ParseHeader(const uint8_t* bytes, size_t size, uint64_t fileSize, Header& out)
{
    if (size < kHeaderSize || fileSize < kHeaderSize) return IDXLIB_E_TRUNCATED;
    if (std::memcmp(bytes, kMagic, 4) != 0) return IDXLIB_E_BAD_MAGIC;
    kestu::ByteReader r(bytes + 4, kHeaderSize - 4);
    out.version = r.U32();
    out.count = r.U32();
    out.tableOffset = r.U32();
    out.tableSize = r.U32();
    out.extraOffset = r.U32();
    out.extraSize = r.U32();
    if (out.version != kVersion) return IDXLIB_E_BAD_VERSION;
    if (uint64_t(out.tableOffset) + out.tableSize > fileSize) return IDXLIB_E_TRUNCATED;
    if (out.tableOffset < kHeaderSize || out.count > out.tableSize / kMinEntrySize) return IDXLIB_E_CORRUPT;
    if (out.extraOffset == 0) {
        if (out.extraSize != 0) return IDXLIB_E_CORRUPT;
    } else {
        if (out.extraOffset < kHeaderSize) return IDXLIB_E_CORRUPT;
        if (uint64_t(out.extraOffset) + out.extraSize > fileSize) return IDXLIB_E_TRUNCATED;
    }
    return S_OK;
}

namespace {

// The writer lays items one after another. Ranges that share bytes would be
// held once per item by a load of all data (many times the file's size) and
// written out once per item by a save.
HRESULT CheckDisjoint(const std::vector<Entry>& entries)
{
    std::vector<std::pair<uint32_t, uint32_t>> ranges;
    ranges.reserve(entries.size());
    for (const Entry& e : entries)
        if (e.size) ranges.emplace_back(e.offset, e.size);
    std::sort(ranges.begin(), ranges.end());
    for (size_t i = 1; i < ranges.size(); ++i)
        if (uint64_t(ranges[i - 1].first) + ranges[i - 1].second > ranges[i].first) return IDXLIB_E_CORRUPT;
    return S_OK;
}

} // namespace

HRESULT ParseTable(const uint8_t* bytes, size_t size, const Header& header, uint64_t fileSize, std::vector<Entry>& out)
{
    out.clear();
    out.reserve(header.count);
    std::unordered_set<uint32_t> ids;
    kestu::ByteReader r(bytes, size);
    for (uint32_t i = 0; i < header.count; ++i) {
        Entry e;
        e.id = r.U32();
        e.offset = r.U32();
        e.size = r.U32();
        const uint16_t nameBytes = r.U16();
        if (!r.ok() || nameBytes < 1 || nameBytes > kMaxNameBytes) return IDXLIB_E_CORRUPT;
        const uint8_t* name = r.View(nameBytes);
        if (name == nullptr) return IDXLIB_E_CORRUPT;
        if (name[nameBytes - 1] != 0 || std::memchr(name, 0, nameBytes - 1u) != nullptr) return IDXLIB_E_CORRUPT;
        if (e.id == IDXLIB_NONE) return IDXLIB_E_CORRUPT;
        if (e.offset < kHeaderSize || uint64_t(e.offset) + e.size > fileSize) return IDXLIB_E_CORRUPT;
        if (!ids.insert(e.id).second) return IDXLIB_E_DUPLICATE_ID;
        e.name.assign(reinterpret_cast<const char*>(name), nameBytes - 1u);
        out.push_back(std::move(e));
    }
    if (r.left() != 0) return IDXLIB_E_CORRUPT;
    return CheckDisjoint(out);
}

void WriteHeader(uint8_t* out, const Header& header)
{
    std::memcpy(out, kMagic, 4);
    kestu::PutU32(out + 4, header.version);
    kestu::PutU32(out + 8, header.count);
    kestu::PutU32(out + 12, header.tableOffset);
    kestu::PutU32(out + 16, header.tableSize);
    kestu::PutU32(out + 20, header.extraOffset);
    kestu::PutU32(out + 24, header.extraSize);
    kestu::PutU32(out + 28, 0);
}

void AppendEntry(std::vector<uint8_t>& table, const Entry& entry)
{
    const uint16_t nameBytes = static_cast<uint16_t>(entry.name.size() + 1);
    kestu::ByteWriter w(table);
    w.U32(entry.id);
    w.U32(entry.offset);
    w.U32(entry.size);
    w.U16(nameBytes);
    w.Bytes(entry.name.c_str(), nameBytes);
}

Reader::~Reader()
{
    if (m_file) std::fclose(m_file);
}

HRESULT Reader::Open(const char* path)
{
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    m_file = std::fopen(NativePath(path).c_str(), "rb");
    if (!m_file) return IDXLIB_E_CANNOT_OPEN;
    struct stat st;
    if (fstat(fileno(m_file), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(m_file);
        m_file = nullptr;
        return IDXLIB_E_CANNOT_OPEN;
    }
    m_size = static_cast<uint64_t>(st.st_size);
    return S_OK;
}

bool Reader::ReadAt(uint64_t offset, void* data, size_t size)
{
    if (!m_file || offset > m_size || size > m_size - offset) return false;
    if (size == 0) return true;
    if (fseeko(m_file, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
    return std::fread(data, 1, size, m_file) == size;
}

} // namespace ou::pack
